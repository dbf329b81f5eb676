#include "MethodPairSoak.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "ProcessUsage.h"
#include "TestObjectModel.h"
#include "conversions/VariantText.h"
#include "host/ObjectModel.h"
#include "hostobjects/MethodPairs.h"
#include "hostobjects/ObjectProperties.h"
#include "link/ProcessState.h"
#include "platform/Owners.h"

namespace karvo::test {

namespace {

constexpr KarvoHandle kForm = 0x1000;

TestProperty Event(const char16_t* name) {
  TestProperty p;
  p.Name = name;
  p.TypeName = u"TNotifyEvent";
  p.Kind = KARVO_tkMethod;
  return p;
}

// The pair shown at the nth read: a different one every time.
KarvoMethod PairOf(std::uint32_t n) { return {0x00400000u + n, 0x10000000u ^ (n * 2654435761u)}; }

bool Holds(std::uint32_t number, const KarvoMethod& m) {
  auto copy = reinterpret_cast<const std::uint32_t*>(static_cast<std::uintptr_t>(number));
  return copy[0] == m.Code && copy[1] == m.Data;
}

// The numbers after "OnClick=" and "OnShow=" in a list of names and values.
bool ListedNumbers(const char* list, std::uint32_t& click, std::uint32_t& show) {
  if (list == nullptr) return false;
  const std::string text(list);
  auto number = [&](const char* key, std::uint32_t& out) {
    auto at = text.find(key);
    if (at == std::string::npos) return false;
    out = static_cast<std::uint32_t>(std::stol(text.substr(at + std::string(key).size())));
    return true;
  };
  return number("OnClick=", click) && number("OnShow=", show);
}

}  // namespace

int SoakMethodPairs(long reads, long every, bool check) {
  const long capacity = static_cast<long>(MethodPairs().Capacity());
  if (reads < 4 * capacity) reads = 4 * capacity;
  if (every <= 0) every = reads / 10;
  ResetProcessState();
  ReadRegionalSettings();
  TestObjectModel model;
  model.Add(kForm, MakeObject(u"TForm", u"Form1", {Event(u"OnClick"), Event(u"OnShow")}));
  if (!host::InstallObjectModel(model.Table())) return 2;
  TestProperty& click = model.Prop(kForm, u"OnClick");
  TestProperty& show = model.Prop(kForm, u"OnShow");

  // Once the store is full, nothing more is kept: from there the counts stay.
  const long warmup = 2 * capacity;
  unsigned long handles0 = 0;
  std::size_t bytes0 = 0;
  long wrong = 0, lists = 0, heldChecks = 0, heldFailures = 0, reuseChecks = 0, reuseFailures = 0;
  std::printf("method pairs: %ld reads of changing pairs, a store of %ld copies; handles %lu, private bytes %lu\n",
              reads, capacity, HandleCount(), static_cast<unsigned long>(PrivateBytes()));
  DWORD t0 = ::GetTickCount();
  // Now and then a number is watched: it must still hold its pair when
  // capacity - 1 other pairs (or one fewer: a list reads two) have been
  // read after it, and its copy must have gone to another pair once
  // capacity others have been.
  std::uint32_t watched = 0;
  KarvoMethod watchedPair{};
  long watchedAt = -1, nextWatch = 0;
  bool heldChecked = false;

  long n = 0;
  while (n < reads) {
    if (n % 4 == 3) {
      // A list reads both events: two pairs.
      click.Method = PairOf(static_cast<std::uint32_t>(n));
      show.Method = PairOf(static_cast<std::uint32_t>(n + 1));
      std::uint32_t a = 0, b = 0;
      if (!ListedNumbers(GetPropertyList(kForm, 5), a, b) || !Holds(a, click.Method) || !Holds(b, show.Method)) ++wrong;
      n += 2;
      ++lists;
    } else {
      click.Method = PairOf(static_cast<std::uint32_t>(n));
      UniqueVariant v;
      GetProperty(v.get(), kForm, "OnClick");
      const auto number = static_cast<std::uint32_t>(v->lVal);
      if (v->vt != VT_I4 || !Holds(number, click.Method)) ++wrong;
      if (watchedAt < 0 && n >= nextWatch) {
        watched = number;
        watchedPair = click.Method;
        watchedAt = n;
        heldChecked = false;
        nextWatch = n + reads / 8;
      }
      n += 1;
    }
    if (watchedAt >= 0) {
      const long others = n - 1 - watchedAt;
      if (!heldChecked && others >= capacity - 2) {
        ++heldChecks;
        if (!Holds(watched, watchedPair)) ++heldFailures;
        heldChecked = true;
      }
      if (others >= capacity) {
        ++reuseChecks;
        if (Holds(watched, watchedPair)) ++reuseFailures;
        watchedAt = -1;
      }
    }
    if (n >= warmup && bytes0 == 0) {
      handles0 = HandleCount();
      bytes0 = PrivateBytes();
    }
    if (n % every < 2 || n >= reads) {
      double seconds = (::GetTickCount() - t0) / 1000.0;
      std::printf("method pairs: %8ld reads  handles %5lu  private bytes %9lu  copies %6zu  %8.0f reads/s\n", n,
                  HandleCount(), static_cast<unsigned long>(PrivateBytes()), MethodPairs().Size(),
                  seconds > 0 ? n / seconds : 0.0);
    }
  }
  const unsigned long handles1 = HandleCount();
  const std::size_t bytes1 = PrivateBytes();
  host::InstallObjectModel(nullptr);
  ResetProcessState();

  const long handleGrowth = static_cast<long>(handles1) - static_cast<long>(handles0);
  const long long byteGrowth = static_cast<long long>(bytes1) - static_cast<long long>(bytes0);
  const long long byteMargin = 1024 * 1024;
  std::printf(
      "method pairs: after %ld reads: %+ld handles, %+lld private bytes (margin 4 handles, %lld bytes); %ld lists; "
      "%ld numbers wrong; %ld of %ld watched numbers lost their pair early, %ld of %ld kept it past the bound\n",
      warmup, handleGrowth, byteGrowth, byteMargin, lists, wrong, heldFailures, heldChecks, reuseFailures, reuseChecks);
  if (!check) return 0;
  bool ok = handleGrowth <= 4 && byteGrowth <= byteMargin && wrong == 0 && heldFailures == 0 && heldChecks > 0 &&
            reuseFailures == 0 && reuseChecks > 0;
  std::printf("method pairs: %s\n", ok ? "flat" : "GROWING OR WRONG");
  return ok ? 0 : 1;
}

}  // namespace karvo::test
