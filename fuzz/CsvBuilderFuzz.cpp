// The in-process CSV export over data sets shaped by the input: any shape,
// any range, any failing operation. It must never crash, must leave the
// screen controls switched back on, and what it returns must hold together.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FakeDataModel.h"
#include "database/CsvBuilder.h"
#include "messages/Messages.h"

namespace {

struct Input {
  const std::uint8_t* p;
  std::size_t n;
  std::uint8_t Byte() {
    if (n == 0) return 0;
    --n;
    return *p++;
  }
  std::int32_t Int() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
    return static_cast<std::int32_t>(v);
  }
  std::u16string Text() {
    std::u16string s;
    for (int len = Byte() % 8; len > 0; --len) {
      std::uint8_t b = Byte();
      s += b < 0xE0 ? static_cast<char16_t>(b) : static_cast<char16_t>(0x100 + b * 17);
    }
    return s;
  }
};

std::string Encode(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += c < 0x100 ? static_cast<char>(c) : '?';
  return out;
}

// Edge values are likelier than random ones.
std::int32_t Bound(Input& in) {
  switch (in.Byte() % 8) {
    case 0: return 0;
    case 1: return 2147483647;
    case 2: return -2147483647 - 1;
    case 3: return -1;
    default: return static_cast<std::int32_t>(in.Byte() % 24) - 2;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace karvo;
  Input in{data, size};
  test::FakeDataModel model;
  test::FakeDataSet ds;
  int fields = in.Byte() % 5;
  int rows = in.Byte() % 12;
  for (int f = 0; f < fields; ++f) ds.Fields.push_back(in.Text());
  for (int r = 0; r < rows; ++r) {
    std::vector<std::u16string> row;
    for (int f = 0; f < fields; ++f) row.push_back(in.Text());
    ds.Rows.push_back(std::move(row));
  }
  std::uint8_t flags = in.Byte();
  ds.ForwardOnly = flags & 1;
  ds.Active = !(flags & 2);
  ds.EmptyRecNo = flags & 4 ? -1 : 0;
  if (flags & 8) {
    static const char* kOps[] = {"First", "Last", "Next", "GetRecNo", "SetRecNo", "Eof", "FieldText", "FieldName"};
    ds.FailAfter[kOps[in.Byte() % 8]] = in.Byte() % 16;
  }
  KarvoHandle h = (flags & 16) ? model.AddEmptySource() : model.AddQuery(std::move(ds));
  if (flags & 32) h = in.Byte();  // zero or a number no object has
  std::int32_t start = Bound(in), count = Bound(in);
  std::uint8_t header = in.Byte() % 3;

  CsvOutcome o = BuildCSVText(host::DataSource(model.Table(), h), start, count, header, Encode);

  if (!(flags & (16 | 32))) {
    const test::FakeDataSet& after = model.SetOf(h);
    if (after.DisableDepth != 0) std::abort();  // controls left off
  }
  if (o.Failed) return 0;
  if (o.Message == msg::kStartBeyondRows || o.Message == msg::kQueryNotOpen || o.Message == msg::kBadDSHandle) {
    if (!o.Text.empty()) std::abort();
    return 0;
  }
  // Every row begins with LF CR; without a header so does the whole text.
  if (header != 1 && !o.Text.empty() && o.Text.compare(0, 2, "\n\r") != 0) std::abort();
  if (fields > 0 && !o.Text.empty() && o.Text.back() != ';') std::abort();
  if (count <= 0 && header != 1 && !o.Text.empty()) std::abort();
  return 0;
}
