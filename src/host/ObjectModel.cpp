#include "host/ObjectModel.h"

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace karvo::host {

namespace {

// The library's own copy of the host's table: the host's struct may go
// once it is installed. Written only under ModelCalls, so a call never
// sees half a table; `present` is also read without it.
struct Installed {
  KarvoObjectModel table{};
  std::atomic<bool> present{false};
};

Installed& Current() {
  static Installed installed;
  return installed;
}

constexpr std::size_t kHeaderSize = offsetof(KarvoObjectModel, ClassName);

// Collects what the host hands back through KarvoTextOut.
struct TextCollector : KarvoTextOut {
  std::u16string text;
  TextCollector() { Put = &Append; }
  static void KARVO_HOST_CALL Append(KarvoTextOut* self, const unsigned short* units, unsigned int count) {
    if (units == nullptr || count == 0) return;
    static_cast<TextCollector*>(self)->text.append(reinterpret_cast<const char16_t*>(units), count);
  }
};

const unsigned short* Units(std::u16string_view s) { return reinterpret_cast<const unsigned short*>(s.data()); }
unsigned int Count(std::u16string_view s) { return static_cast<unsigned int>(s.size()); }

}  // namespace

std::recursive_mutex& ModelCalls() {
  static std::recursive_mutex calls;
  return calls;
}

bool InstallObjectModel(const KarvoObjectModel* table) {
  std::lock_guard<std::recursive_mutex> l(ModelCalls());
  Installed& cur = Current();
  cur.present = false;
  cur.table = KarvoObjectModel{};
  if (table == nullptr) return true;
  if (table->Size < kHeaderSize || table->Version != KARVO_OBJECT_MODEL_VERSION) return false;
  // A host built against an older, shorter table leaves the newer entries null.
  std::size_t n = table->Size < sizeof(KarvoObjectModel) ? table->Size : sizeof(KarvoObjectModel);
  std::memcpy(&cur.table, table, n);
  cur.table.Size = static_cast<unsigned int>(sizeof(KarvoObjectModel));
  cur.present = true;
  return true;
}

const KarvoObjectModel* InstalledModel() {
  const Installed& cur = Current();
  return cur.present ? &cur.table : nullptr;
}

std::int32_t WidenOrdinal(std::uint32_t bits, unsigned ordType) {
  switch (ordType) {
    case KARVO_otSByte: return static_cast<std::int8_t>(bits & 0xFFu);
    case KARVO_otUByte: return static_cast<std::int32_t>(bits & 0xFFu);
    case KARVO_otSWord: return static_cast<std::int16_t>(bits & 0xFFFFu);
    case KARVO_otUWord: return static_cast<std::int32_t>(bits & 0xFFFFu);
    default: return static_cast<std::int32_t>(bits);
  }
}

std::uint32_t NarrowOrdinal(std::int32_t value, unsigned ordType) {
  std::uint32_t bits = static_cast<std::uint32_t>(value);
  switch (ordType) {
    case KARVO_otSByte:
    case KARVO_otUByte: return bits & 0xFFu;
    case KARVO_otSWord:
    case KARVO_otUWord: return bits & 0xFFFFu;
    default: return bits;
  }
}

double RoundForFloatType(double value, unsigned floatType) {
  // nearbyint rounds halves to even in the default rounding mode.
  if (floatType == KARVO_ftComp) return std::nearbyint(value);
  if (floatType == KARVO_ftCurr) return std::nearbyint(value * 10000.0) / 10000.0;
  return value;
}

std::optional<std::u16string> Object::ClassName() const {
  TextCollector out;
  if (!Call(&KarvoObjectModel::ClassName, static_cast<KarvoTextOut*>(&out))) return std::nullopt;
  return std::move(out.text);
}

bool Object::IsClass(std::u16string_view name) const {
  std::optional<std::u16string> cls = ClassName();
  return cls && *cls == name;
}

std::optional<std::u16string> Object::Name() const {
  TextCollector out;
  if (!Call(&KarvoObjectModel::ObjectName, static_cast<KarvoTextOut*>(&out))) return std::nullopt;
  return std::move(out.text);
}

std::optional<int> Object::PropertyCount() const {
  int n = 0;
  if (!Call(&KarvoObjectModel::PropertyCount, &n) || n < 0) return std::nullopt;
  return n;
}

std::optional<PropertyEntry> Object::Property(int index) const {
  KarvoPropertyInfo info{};
  TextCollector name, typeName;
  if (!Call(&KarvoObjectModel::PropertyInfo, index, &info, static_cast<KarvoTextOut*>(&name),
            static_cast<KarvoTextOut*>(&typeName)))
    return std::nullopt;
  PropertyEntry e;
  e.Index = index;
  e.Name = std::move(name.text);
  e.TypeName = std::move(typeName.text);
  e.Kind = info.Kind;
  e.OrdType = info.OrdType;
  e.FloatType = info.FloatType;
  e.CanRead = info.CanRead != 0;
  e.CanWrite = info.CanWrite != 0;
  return e;
}

std::optional<std::int32_t> Object::ReadOrdinal(const PropertyEntry& p) const {
  unsigned int bits = 0;
  if (!Call(&KarvoObjectModel::PropertyGetOrdinal, p.Index, &bits)) return std::nullopt;
  return WidenOrdinal(bits, p.OrdType);
}

bool Object::WriteOrdinal(const PropertyEntry& p, std::int32_t value) const {
  return Call(&KarvoObjectModel::PropertySetOrdinal, p.Index, NarrowOrdinal(value, p.OrdType));
}

std::optional<double> Object::ReadFloat(const PropertyEntry& p) const {
  double v = 0;
  if (!Call(&KarvoObjectModel::PropertyGetFloat, p.Index, &v)) return std::nullopt;
  return v;
}

bool Object::WriteFloat(const PropertyEntry& p, double value) const {
  return Call(&KarvoObjectModel::PropertySetFloat, p.Index, RoundForFloatType(value, p.FloatType));
}

std::optional<std::u16string> Object::ReadText(const PropertyEntry& p) const {
  TextCollector out;
  if (!Call(&KarvoObjectModel::PropertyGetText, p.Index, static_cast<KarvoTextOut*>(&out))) return std::nullopt;
  return std::move(out.text);
}

bool Object::WriteText(const PropertyEntry& p, std::u16string_view value) const {
  return Call(&KarvoObjectModel::PropertySetText, p.Index, Units(value), Count(value));
}

std::optional<KarvoMethod> Object::ReadMethod(const PropertyEntry& p) const {
  KarvoMethod m{};
  if (!Call(&KarvoObjectModel::PropertyGetMethod, p.Index, &m)) return std::nullopt;
  return m;
}

bool Object::WriteMethod(const PropertyEntry& p, const KarvoMethod& value) const {
  return Call(&KarvoObjectModel::PropertySetMethod, p.Index, &value);
}

std::optional<int> Object::ChildCount() const {
  int n = 0;
  if (!Call(&KarvoObjectModel::ContainerChildCount, &n) || n < 0) return std::nullopt;
  return n;
}

std::optional<Object> Object::Child(int index) const {
  KarvoHandle child = 0;
  if (!Call(&KarvoObjectModel::ContainerChild, index, &child)) return std::nullopt;
  return Object(model_, child);
}

std::optional<Object> Object::MenuRootItem() const {
  KarvoHandle root = 0;
  if (!Call(&KarvoObjectModel::MenuRootItem, &root)) return std::nullopt;
  return Object(model_, root);
}

bool Object::AppendMenuItem(const Object& item) const {
  if (item.empty()) return false;
  return Call(&KarvoObjectModel::MenuItemAppend, item.handle());
}

bool Object::LoadBitmapResource(Handle module, const std::optional<std::u16string>& name, std::uint32_t resId) const {
  // A present but empty name is still a name: it points at its NUL, not null.
  const unsigned short* units = name ? reinterpret_cast<const unsigned short*>(name->c_str()) : nullptr;
  return Call(&KarvoObjectModel::BitmapLoadResource, module, units, name ? Count(*name) : 0u, resId);
}

std::optional<bool> Object::ExecuteAction() const {
  int handled = 0;
  if (!Call(&KarvoObjectModel::ActionExecute, &handled)) return std::nullopt;
  return handled != 0;
}

std::optional<std::uint32_t> Object::FindMethod(std::string_view utf8Name) const {
  if (utf8Name.size() > 255) utf8Name = utf8Name.substr(0, 255);
  unsigned int code = 0;
  if (!Call(&KarvoObjectModel::FindMethod, reinterpret_cast<const unsigned char*>(utf8Name.data()),
            static_cast<unsigned int>(utf8Name.size()), &code))
    return std::nullopt;
  return code;
}

bool CallMethod(const KarvoMethod& method, const KarvoObjectModel* model) {
  if (model == nullptr) return false;
  std::lock_guard<std::recursive_mutex> l(ModelCalls());
  if (model->CallMethod == nullptr) return false;
  return model->CallMethod(model->Context, &method) == KARVO_OM_DONE;
}

bool DataSet::First() const { return Call(&KarvoObjectModel::DataSetFirst); }
bool DataSet::Last() const { return Call(&KarvoObjectModel::DataSetLast); }
bool DataSet::Next() const { return Call(&KarvoObjectModel::DataSetNext); }
bool DataSet::Prior() const { return Call(&KarvoObjectModel::DataSetPrior); }

std::optional<std::int32_t> DataSet::RecordCount() const {
  int n = 0;
  if (!Call(&KarvoObjectModel::DataSetRecordCount, &n)) return std::nullopt;
  return n;
}

std::optional<std::int32_t> DataSet::RecNo() const {
  int n = 0;
  if (!Call(&KarvoObjectModel::DataSetGetRecNo, &n)) return std::nullopt;
  return n;
}

bool DataSet::SetRecNo(std::int32_t recNo) const { return Call(&KarvoObjectModel::DataSetSetRecNo, recNo); }

std::optional<std::uint8_t> DataSet::Eof() const {
  unsigned char eof = 0;
  if (!Call(&KarvoObjectModel::DataSetEof, &eof)) return std::nullopt;
  return eof;
}

bool DataSet::DisableControls() const { return Call(&KarvoObjectModel::DataSetDisableControls); }
bool DataSet::EnableControls() const { return Call(&KarvoObjectModel::DataSetEnableControls); }

std::optional<int> DataSet::FieldCount() const {
  int n = 0;
  if (!Call(&KarvoObjectModel::DataSetFieldCount, &n) || n < 0) return std::nullopt;
  return n;
}

std::optional<std::u16string> DataSet::FieldName(int field) const {
  TextCollector out;
  if (!Call(&KarvoObjectModel::DataSetFieldName, field, static_cast<KarvoTextOut*>(&out))) return std::nullopt;
  return std::move(out.text);
}

std::optional<std::u16string> DataSet::FieldText(int field) const {
  TextCollector out;
  if (!Call(&KarvoObjectModel::DataSetFieldText, field, static_cast<KarvoTextOut*>(&out))) return std::nullopt;
  return std::move(out.text);
}

std::optional<int> DataSet::FieldByName(std::u16string_view name) const {
  int field = -1;
  if (!Call(&KarvoObjectModel::DataSetFieldByName, Units(name), Count(name), &field)) return std::nullopt;
  return field;
}

std::optional<karvo::host::DataSet> DataSource::DataSet() const {
  KarvoHandle ds = 0;
  if (!Call(&KarvoObjectModel::DataSourceDataSet, &ds)) return std::nullopt;
  return karvo::host::DataSet(model_, ds);
}

}  // namespace karvo::host
