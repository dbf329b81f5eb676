#include "database/CsvBuilder.h"

#include "messages/Messages.h"

namespace karvo {

namespace {

CsvOutcome Failure() {
  CsvOutcome o;
  o.Failed = true;
  return o;
}

CsvOutcome Message(const char16_t* text) {
  CsvOutcome o;
  o.Message = text;
  return o;
}

// One line of cells: "value"; for each field, from the names or from the
// current record. False when the model failed.
bool AppendLine(const host::DataSet& ds, int fields, bool names, const LineEncoder& encode, std::string& out) {
  std::u16string line;
  for (int f = 0; f < fields; ++f) {
    std::optional<std::u16string> cell = names ? ds.FieldName(f) : ds.FieldText(f);
    if (!cell) return false;
    line += u'"';
    line += *cell;
    line += u"\";";
  }
  out += encode(line);
  return true;
}

// Steps of the walk with the controls off; a failure of the model ends it.
CsvOutcome Walk(const host::DataSet& ds, std::int32_t aStart, std::int32_t aCount, std::uint8_t aWithHeader,
                const LineEncoder& encode) {
  if (!ds.First()) return Failure();
  std::optional<int> fields = ds.FieldCount();
  if (!fields) return Failure();

  CsvOutcome o;
  if (aWithHeader == 1 && !AppendLine(ds, *fields, true, encode, o.Text)) return Failure();

  if (aStart != 0) {
    if (!ds.Last()) return Failure();
    std::optional<std::int32_t> rows = ds.RecNo();
    if (!rows) return Failure();
    if (*rows < aStart) return Message(msg::kStartBeyondRows);
    if (!ds.SetRecNo(aStart)) return Failure();
  }
  std::optional<std::int32_t> first = ds.RecNo();
  if (!first) return Failure();
  // 64-bit bounds: a count up to 2147483647 must not wrap round.
  const std::int64_t lastWanted = std::int64_t{*first} + aCount - 1;

  for (;;) {
    std::optional<std::uint8_t> eof = ds.Eof();
    if (!eof) return Failure();
    if (*eof != 0) break;
    std::optional<std::int32_t> recNo = ds.RecNo();
    if (!recNo) return Failure();
    if (*recNo > lastWanted) break;
    o.Text += "\n\r";
    if (!AppendLine(ds, *fields, false, encode, o.Text) || !ds.Next()) return Failure();
    eof = ds.Eof();
    if (!eof) return Failure();
    if (*eof != 0) {
      recNo = ds.RecNo();
      if (!recNo) return Failure();
      if (*recNo <= lastWanted) o.Message = msg::kFewerRowsThanWanted;
    }
  }
  return o;
}

}  // namespace

CsvOutcome BuildCSVText(const host::DataSource& source, std::int32_t aStart, std::int32_t aCount,
                        std::uint8_t aWithHeader, const LineEncoder& encode) {
  // Zero is no query at all, said without asking the host; a non-zero
  // handle the model cannot take is a failed attempt the host takes over.
  if (source.handle() == 0) return Message(msg::kQueryNotOpen);
  std::optional<host::DataSet> found = source.DataSet();
  if (!found) return Failure();
  const host::DataSet& ds = *found;
  if (ds.empty()) return Message(msg::kBadDSHandle);

  host::ControlsDisabled quiet(ds);
  if (!quiet.ok()) return Failure();
  CsvOutcome o = Walk(ds, aStart, aCount, aWithHeader, encode);
  // Switching the controls back on belongs to the attempt: when the model
  // refuses it, the attempt failed, whatever the walk made, and the host
  // is asked instead.
  if (!quiet.Restore()) return Failure();
  return o;
}

}  // namespace karvo
