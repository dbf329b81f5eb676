// The property list over names and platform answers that the input picks:
// the sort must stay inside the list and keep every name once, and names
// of ASCII alone must come out in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "../tests/testhost/TestObjectModel.h"
#include "hostobjects/ObjectLists.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t flags = data[0];
  std::size_t pos = 1;
  // The platform's answers come from the input too, so they need not be an order.
  auto wide = [&](const std::u16string&, const std::u16string&) {
    return size > 1 ? static_cast<int>(data[1 + (pos++ % (size - 1))] % 3) - 1 : 0;
  };
  karvo::test::TestObject o = karvo::test::MakeObject(u"T", u"");
  std::u16string name;
  for (std::size_t i = 1; i < size; ++i) {
    std::uint8_t b = data[i];
    if (b == ';' || o.Properties.size() > 200) {
      karvo::test::TestProperty p;
      p.Name = name;
      p.Kind = static_cast<unsigned>(name.size() % 22);
      p.Text = name;
      o.Properties.push_back(p);
      name.clear();
    } else {
      name += b < 0xF0 ? static_cast<char16_t>(b) : static_cast<char16_t>(0x100 + b);
    }
  }
  karvo::test::TestObjectModel model;
  model.Add(1, o);
  karvo::host::Object obj(model.Table(), 1);
  auto entries = karvo::PublishedProperties(obj, wide);
  std::set<int> seen;
  bool asciiOnly = true;
  for (auto& e : entries) {
    if (!seen.insert(e.Index).second) std::abort();
    for (char16_t c : e.Name) asciiOnly = asciiOnly && c < 0x80;
  }
  if (asciiOnly)
    for (std::size_t i = 1; i < entries.size(); ++i)
      if (karvo::ComparePropertyNames(entries[i - 1].Name, entries[i].Name, wide) > 0) std::abort();
  try {
    karvo::PropertyListText(obj, entries, flags,
                            [](const KarvoMethod& m) { return static_cast<std::int32_t>(m.Code); });
  } catch (const karvo::DirectFailure&) {
  }
  return 0;
}
