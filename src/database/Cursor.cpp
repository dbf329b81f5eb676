#include "database/Cursor.h"

#include <optional>

#include "host/ObjectModel.h"
#include "link/ApiError.h"
#include "link/ExportForms.h"
#include "messages/Messages.h"

namespace karvo {

namespace {

constexpr char16_t kDataSourceClass[] = u"TDataSource";

// The common steps: the handle, its class, its data set, then the
// operation. An operation gives an empty optional when the model refused.
template <class R, class Op>
R OnDataSet(std::uint32_t aDSHandle, R failure, Op op) {
  if (aDSHandle == 0) {
    SetAPIErrorText(msg::kNilDataSource);
    return failure;
  }
  host::DataSource source(aDSHandle);
  // A handle whose class the model cannot tell (not one of its objects, or
  // no model in this process) is no data source either.
  if (!source.IsClass(kDataSourceClass)) {
    SetAPIErrorText(msg::kBadDataSource);
    return failure;
  }
  std::optional<host::DataSet> ds = source.DataSet();
  std::optional<R> result;
  if (ds && !ds->empty()) result = op(*ds);
  if (!result) {
    SetAPIError(kCodeException);
    return failure;
  }
  return *result;
}

std::optional<std::uint8_t> Done(bool ok) { return ok ? std::optional<std::uint8_t>(1) : std::nullopt; }

}  // namespace

std::uint8_t FirstSQL(std::uint32_t h) {
  return OnDataSet<std::uint8_t>(h, 0, [](const host::DataSet& ds) { return Done(ds.First()); });
}

std::uint8_t LastSQL(std::uint32_t h) {
  return OnDataSet<std::uint8_t>(h, 0, [](const host::DataSet& ds) { return Done(ds.Last()); });
}

std::uint8_t NextSQL(std::uint32_t h) {
  return OnDataSet<std::uint8_t>(h, 0, [](const host::DataSet& ds) { return Done(ds.Next()); });
}

std::uint8_t PriorSQL(std::uint32_t h) {
  return OnDataSet<std::uint8_t>(h, 0, [](const host::DataSet& ds) { return Done(ds.Prior()); });
}

std::uint8_t CountSQL(std::uint32_t h) {
  return OnDataSet<std::uint8_t>(h, 0, [](const host::DataSet& ds) -> std::optional<std::uint8_t> {
    std::optional<std::int32_t> n = ds.RecordCount();
    if (!n) return std::nullopt;
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(*n) & 0xFFu);
  });
}

std::uint8_t EofSQL(std::uint32_t h) {
  return OnDataSet<std::uint8_t>(h, 1, [](const host::DataSet& ds) { return ds.Eof(); });
}

const char* FieldByNameSQL(std::uint32_t h, const char* aFieldName) {
  return OnDataSet<const char*>(h, nullptr, [&](const host::DataSet& ds) -> std::optional<const char*> {
    std::optional<int> field = ds.FieldByName(PlainText(aFieldName));
    if (!field) return std::nullopt;
    std::optional<std::u16string> value = ds.FieldText(*field);
    if (!value) return std::nullopt;
    return TextToPlain(*value);
  });
}

}  // namespace karvo
