// The host's object model as the library's code sees it: cheap value
// handles over the table the host installed (karvo_host.h). An empty
// handle, a handle the model does not know, an operation the host does not
// offer, or no model at all: every call then fails and says so through its
// result (false or an empty optional), never by raising.
//
// The host was promised its operations one at a time: every call through
// the table, and every change of the table, holds one lock of the process.
// It is recursive, so an operation that calls back into the library on its
// own thread goes ahead.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "karvo_host.h"

namespace karvo::host {

using Handle = std::uint32_t;

// Installs a copy of the host's table (null uninstalls). False when the
// table is refused; no model is then installed. Waits for a call through
// the old table on another thread to return first.
bool InstallObjectModel(const KarvoObjectModel* table);
// The installed table, or null. The copy stays where it is: a handle made
// on it calls whatever table is installed when it calls (none: it fails).
const KarvoObjectModel* InstalledModel();
// Held around every call through a table.
std::recursive_mutex& ModelCalls();

// A published property as the model describes it.
struct PropertyEntry {
  int Index = 0;  // the model's index, to read and write it by
  std::u16string Name;
  std::u16string TypeName;
  unsigned Kind = KARVO_tkUnknown;
  unsigned OrdType = KARVO_otSLong;
  unsigned FloatType = KARVO_ftDouble;
  bool CanRead = false;
  bool CanWrite = false;
};

// Sign- or zero-extends an ordinal's bits by its width and signedness.
std::int32_t WidenOrdinal(std::uint32_t bits, unsigned ordType);
// The bits written into an ordinal of that width.
std::uint32_t NarrowOrdinal(std::int32_t value, unsigned ordType);
// A float about to be written, rounded as its precision stores it (comp to
// an integer, currency to four decimals; halves to even).
double RoundForFloatType(double value, unsigned floatType);

class Object {
 public:
  Object() = default;
  // On the installed model (as it is now).
  explicit Object(Handle handle) : Object(InstalledModel(), handle) {}
  Object(const KarvoObjectModel* model, Handle handle) : model_(model), handle_(handle) {}

  // A zero handle or no model: every operation fails.
  bool empty() const { return model_ == nullptr || handle_ == 0; }
  explicit operator bool() const { return !empty(); }
  Handle handle() const { return handle_; }

  std::optional<std::u16string> ClassName() const;
  // True only when the class name could be read and equals name exactly.
  bool IsClass(std::u16string_view name) const;
  std::optional<std::u16string> Name() const;

  // Published properties.
  std::optional<int> PropertyCount() const;
  std::optional<PropertyEntry> Property(int index) const;
  std::optional<std::int32_t> ReadOrdinal(const PropertyEntry& p) const;  // widened
  bool WriteOrdinal(const PropertyEntry& p, std::int32_t value) const;
  std::optional<double> ReadFloat(const PropertyEntry& p) const;
  bool WriteFloat(const PropertyEntry& p, double value) const;  // rounded first
  std::optional<std::u16string> ReadText(const PropertyEntry& p) const;
  bool WriteText(const PropertyEntry& p, std::u16string_view value) const;
  std::optional<KarvoMethod> ReadMethod(const PropertyEntry& p) const;
  bool WriteMethod(const PropertyEntry& p, const KarvoMethod& value) const;

  // Containers: children by index as the model orders them.
  std::optional<int> ChildCount() const;
  std::optional<Object> Child(int index) const;

  // Menus: the root item of a main or popup menu; append to a menu item.
  std::optional<Object> MenuRootItem() const;
  bool AppendMenuItem(const Object& item) const;

  // Bitmaps: a resource by name (when given) or by number.
  bool LoadBitmapResource(Handle module, const std::optional<std::u16string>& name, std::uint32_t resId) const;

  // Actions: true when a handler ran; empty when the execution failed.
  std::optional<bool> ExecuteAction() const;

  // Published methods: the code of the method of that name (UTF-8, the
  // model sees at most 255 bytes), 0 when there is none.
  std::optional<std::uint32_t> FindMethod(std::string_view utf8Name) const;

 protected:
  template <class F, class... A>
  bool Call(F KarvoObjectModel::*op, A... args) const {
    if (empty()) return false;
    std::lock_guard<std::recursive_mutex> l(ModelCalls());
    if (model_->*op == nullptr) return false;
    return (model_->*op)(model_->Context, handle_, args...) == KARVO_OM_DONE;
  }

  const KarvoObjectModel* model_ = nullptr;
  Handle handle_ = 0;
};

// Calls a (code, data) pair with no arguments.
bool CallMethod(const KarvoMethod& method, const KarvoObjectModel* model = InstalledModel());

class DataSet : public Object {
 public:
  using Object::Object;

  bool First() const;
  bool Last() const;
  bool Next() const;
  bool Prior() const;
  std::optional<std::int32_t> RecordCount() const;
  std::optional<std::int32_t> RecNo() const;
  bool SetRecNo(std::int32_t recNo) const;
  std::optional<std::uint8_t> Eof() const;
  bool DisableControls() const;
  bool EnableControls() const;

  std::optional<int> FieldCount() const;
  std::optional<std::u16string> FieldName(int field) const;
  std::optional<std::u16string> FieldText(int field) const;
  std::optional<int> FieldByName(std::u16string_view name) const;
};

class DataSource : public Object {
 public:
  using Object::Object;
  // Empty optional: the operation failed. An empty DataSet: there is none.
  std::optional<karvo::host::DataSet> DataSet() const;
};

// Screen controls of a data set switched off for a scope and back on
// however the scope ends.
class ControlsDisabled {
 public:
  explicit ControlsDisabled(const DataSet& ds) : ds_(ds), on_(ds.DisableControls()) {}
  ~ControlsDisabled() { Restore(); }
  bool ok() const { return on_; }
  // Switches them back on now: false when the model refused (or they were
  // never switched off), which a caller that reports success must hear.
  bool Restore() {
    if (!on_) return false;
    on_ = false;
    return ds_.EnableControls();
  }
  ControlsDisabled(const ControlsDisabled&) = delete;
  ControlsDisabled& operator=(const ControlsDisabled&) = delete;

 private:
  DataSet ds_;
  bool on_;
};

}  // namespace karvo::host
