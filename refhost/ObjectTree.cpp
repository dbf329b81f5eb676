#include "ObjectTree.h"
#include "RefHostService.h"

#include <windows.h>

#include <cmath>
#include <cstring>
#include <set>
#include <stdexcept>

namespace refhost {

namespace {

using P = PropertyDecl;
constexpr unsigned kInt = KARVO_tkInteger, kEnum = KARVO_tkEnumeration, kSet = KARVO_tkSet, kClass = KARVO_tkClass,
                   kMethod = KARVO_tkMethod, kUStr = KARVO_tkUString;

P Bool(std::u16string name) { return P{std::move(name), kEnum, u"Boolean", KARVO_otUByte}; }
P Event(std::u16string name) { return P{std::move(name), kMethod, u"TNotifyEvent"}; }
P Ref(std::u16string name, std::u16string type) { return P{std::move(name), kClass, std::move(type)}; }

void Bump(Component& c, const char16_t* property) { ++c.Value(property).Bits; }
void RunEvent(Component& c, const char16_t* event) {
  KarvoMethod m = c.Value(event).Method;
  if (m.Code != 0 && !CallMethod(m)) throw std::runtime_error("the event handler failed");
}

// ---- Published methods ----
void Refresh(Component& c) { Bump(c, u"Tag"); }
void SetFocus(Component& c) { c.Value(u"TabOrder").Bits = 0; }
void Click(Component& c) { RunEvent(c, u"OnClick"); }
void Show(Component& c) { c.Value(u"Visible").Bits = 1; }
void ExecuteAction(Component& c) {
  auto* a = dynamic_cast<Action*>(&c);
  if (a == nullptr) throw std::runtime_error("not an action");
  a->Execute();
}
void ButtonClick(Component& form) {
  Bump(form, u"ClickCount");
  form.Value(u"Caption").Text = u"Kliknięto: Zapisz";
}
void SaveExecute(Component& form) { Bump(form, u"SaveCount"); }
void FailingHandler(Component& form) {
  Bump(form, u"FailCount");  // done before it fails, and not undone
  throw std::runtime_error("the handler failed on purpose");
}

// ---- Classes ----
const ClassDecl& TComponent() {
  static const ClassDecl c{
      u"TComponent", nullptr, {P{u"Name", kUStr, u"TComponentName"}, P{u"Tag", kInt, u"NativeInt"}}, {}};
  return c;
}
const ClassDecl& TControl() {
  static const ClassDecl c{
      u"TControl",
      &TComponent(),
      {P{u"Left", kInt, u"Integer"}, P{u"Top", kInt, u"Integer"}, P{u"Width", kInt, u"Integer"},
       P{u"Height", kInt, u"Integer"}, P{u"Caption", kUStr, u"TCaption"}, P{u"Hint", kUStr, u"string"},
       Bool(u"Visible"), Bool(u"Enabled"), P{u"Align", kEnum, u"TAlign", KARVO_otUByte},
       P{u"Anchors", kSet, u"TAnchors", KARVO_otUByte}, P{u"Color", kInt, u"TColor"}, Event(u"OnClick")},
      {{u"Refresh", &Refresh}}};
  return c;
}
const ClassDecl& TWinControl() {
  static const ClassDecl c{
      u"TWinControl", &TControl(), {P{u"TabOrder", kInt, u"TTabOrder", KARVO_otSWord}}, {{u"SetFocus", &SetFocus}}};
  return c;
}
const ClassDecl& TForm() {
  static const ClassDecl c{u"TForm",
                           &TWinControl(),
                           {Ref(u"Menu", u"TMainMenu"), Ref(u"PopupMenu", u"TPopupMenu"),
                            P{u"AlphaBlendValue", kInt, u"Byte", KARVO_otUByte}},
                           {{u"Show", &Show}}};
  return c;
}
const ClassDecl& TMainForm() {
  static const ClassDecl c{
      u"TMainForm",
      &TForm(),
      {Ref(u"Glyph", u"TBitmap"), Ref(u"SaveAction", u"TAction"), Ref(u"EmptyAction", u"TAction"),
       Ref(u"BrokenAction", u"TAction"), P{u"ClickCount", kInt, u"Integer"}, P{u"SaveCount", kInt, u"Integer"},
       P{u"FailCount", kInt, u"Integer"}},
      {{u"ButtonClick", &ButtonClick}, {u"SaveExecute", &SaveExecute}, {u"FailingHandler", &FailingHandler}}};
  return c;
}
const ClassDecl& TPanel() {
  static const ClassDecl c{u"TPanel", &TWinControl(), {P{u"BevelWidth", kInt, u"TBevelWidth"}}, {}};
  return c;
}
const ClassDecl& TButton() {
  static const ClassDecl c{
      u"TButton",
      &TWinControl(),
      {Bool(u"Default"), Bool(u"Cancel"), P{u"ModalResult", kInt, u"TModalResult"}, Ref(u"Action", u"TBasicAction")},
      {{u"Click", &Click}}};
  return c;
}
const ClassDecl& TEdit() {
  static const ClassDecl c{u"TEdit",
                           &TWinControl(),
                           {P{u"Text", kUStr, u"TCaption"}, P{u"MaxLength", kInt, u"Integer"},
                            P{u"PasswordChar", KARVO_tkChar, u"Char", KARVO_otUByte}, Bool(u"ReadOnly")},
                           {}};
  return c;
}
const ClassDecl& TLabel() {
  static const ClassDecl c{u"TLabel", &TControl(), {Bool(u"WordWrap"), Ref(u"FocusControl", u"TWinControl")}, {}};
  return c;
}
// A control with a property of every kind, the handled ones and some not.
const ClassDecl& TGauge() {
  static const ClassDecl c{u"TGauge",
                           &TControl(),
                           {P{u"Progress", kInt, u"Integer"},
                            P{u"MaxValue", kInt, u"Cardinal", KARVO_otULong},
                            P{u"Accel", KARVO_tkChar, u"AnsiChar", KARVO_otUByte},
                            P{u"Kind", kEnum, u"TGaugeKind", KARVO_otUByte},
                            P{u"Ratio", KARVO_tkFloat, u"Double", KARVO_otSLong, KARVO_ftDouble},
                            P{u"Scale", KARVO_tkFloat, u"Single", KARVO_otSLong, KARVO_ftSingle},
                            P{u"Precise", KARVO_tkFloat, u"Extended", KARVO_otSLong, KARVO_ftExtended},
                            P{u"Total", KARVO_tkFloat, u"Comp", KARVO_otSLong, KARVO_ftComp},
                            P{u"Price", KARVO_tkFloat, u"Currency", KARVO_otSLong, KARVO_ftCurr},
                            P{u"ShortText", KARVO_tkString, u"ShortString"},
                            P{u"Options", kSet, u"TGaugeOptions", KARVO_otUByte},
                            P{u"Symbol", KARVO_tkWChar, u"WideChar", KARVO_otUWord},
                            P{u"LegacyText", KARVO_tkLString, u"AnsiString"},
                            P{u"WideText", KARVO_tkWString, u"WideString"},
                            Event(u"OnChange"),
                            P{u"Data", KARVO_tkVariant, u"Variant"},
                            P{u"Counter", KARVO_tkInt64, u"Int64"},
                            P{u"Points", KARVO_tkDynArray, u"TPointArray"},
                            P{u"Link", KARVO_tkInterface, u"IInterface"},
                            P{u"Steps", kInt, u"Integer", KARVO_otSLong, KARVO_ftDouble, false}},
                           {}};
  return c;
}
const ClassDecl& TMenuItemClass() {
  static const ClassDecl c{u"TMenuItem",
                           &TComponent(),
                           {P{u"Caption", kUStr, u"TCaption"}, Bool(u"Checked"),
                            P{u"ShortCut", kInt, u"TShortCut", KARVO_otUWord}, Ref(u"Bitmap", u"TBitmap"),
                            P{u"Count", kInt, u"Integer", KARVO_otSLong, KARVO_ftDouble, false}, Event(u"OnClick")},
                           {{u"Click", &Click}}};
  return c;
}
const ClassDecl& TMainMenu() {
  static const ClassDecl c{u"TMainMenu", &TComponent(), {Ref(u"Items", u"TMenuItem"), Bool(u"AutoMerge")}, {}};
  return c;
}
const ClassDecl& TPopupMenu() {
  static const ClassDecl c{u"TPopupMenu", &TComponent(), {Ref(u"Items", u"TMenuItem"), Bool(u"AutoPopup")}, {}};
  return c;
}
const ClassDecl& TAction() {
  static const ClassDecl c{u"TAction",
                           &TComponent(),
                           {P{u"Caption", kUStr, u"string"}, Bool(u"Enabled"), Event(u"OnExecute")},
                           {{u"Execute", &ExecuteAction}}};
  return c;
}
const ClassDecl& TBitmap() {
  static const ClassDecl c{u"TBitmap",
                           nullptr,
                           {P{u"Width", kInt, u"Integer", KARVO_otSLong, KARVO_ftDouble, false},
                            P{u"Height", kInt, u"Integer", KARVO_otSLong, KARVO_ftDouble, false},
                            P{u"BitCount", kInt, u"Word", KARVO_otUWord, KARVO_ftDouble, false}, Bool(u"Transparent")},
                           {}};
  return c;
}

const std::vector<const ClassDecl*>& AllClasses() {
  static const std::vector<const ClassDecl*> all = {
      &TComponent(), &TControl(), &TWinControl(),    &TForm(),     &TMainForm(),  &TPanel(),  &TButton(), &TEdit(),
      &TLabel(),     &TGauge(),   &TMenuItemClass(), &TMainMenu(), &TPopupMenu(), &TAction(), &TBitmap()};
  return all;
}

std::set<Component*>& Live() {
  static std::set<Component*> live;
  return live;
}

}  // namespace

// ---- Component ----

Component::Component(const ClassDecl& cls, std::u16string name) : class_(&cls) {
  Name = std::move(name);
  std::set<std::u16string> seen;
  for (const ClassDecl* k = class_; k != nullptr; k = k->Parent)
    for (const PropertyDecl& p : k->Properties)
      if (seen.insert(p.Name).second) props_.push_back(&p);
  SyncName();
  std::lock_guard<std::recursive_mutex> lock(ObjectsLock());
  Live().insert(this);
}

Component::~Component() {
  std::lock_guard<std::recursive_mutex> lock(ObjectsLock());
  Live().erase(this);
}

const PropertyDecl* Component::FindProperty(const std::u16string& name) const {
  for (const PropertyDecl* p : props_)
    if (AsciiEqualNoCase(p->Name, name)) return p;
  return nullptr;
}

void Component::SyncName() {
  if (FindProperty(u"Name") != nullptr) values_[u"Name"].Text = Name;
}

MethodBody Component::FindMethod(const std::u16string& name) const {
  for (const ClassDecl* k = class_; k != nullptr; k = k->Parent)
    for (const auto& [n, body] : k->Methods)
      if (AsciiEqualNoCase(n, name)) return body;
  return nullptr;
}

std::vector<Component*> Component::ChildrenByIndex() const {
  std::vector<Component*> out;
  for (const auto& c : children_)
    if (!c->Windowed()) out.push_back(c.get());
  for (const auto& c : children_)
    if (c->Windowed()) out.push_back(c.get());
  return out;
}

void Component::Insert(std::unique_ptr<Component> child) {
  child->parent_ = this;
  children_.push_back(std::move(child));
}

// ---- Menus, actions, bitmaps ----

MenuItem::MenuItem(std::u16string name, std::u16string caption) : Component(TMenuItemClass(), std::move(name)) {
  Value(u"Caption").Text = std::move(caption);
  Picture = std::make_unique<Bitmap>();
  Value(u"Bitmap").Bits = Picture->Handle();
}

bool MenuItem::Append(MenuItem& item) {
  if (item.ParentItem != nullptr) return false;
  for (MenuItem* up = this; up != nullptr; up = up->ParentItem)
    if (up == &item) return false;
  Items.push_back(&item);
  item.ParentItem = this;
  Value(u"Count").Bits = static_cast<std::uint32_t>(Items.size());
  return true;
}

Menu::Menu(const ClassDecl& cls, std::u16string name) : Component(cls, std::move(name)) {
  Value(u"Items").Bits = Root.Handle();
}

Action::Action(std::u16string name) : Component(TAction(), std::move(name)) { Value(u"Enabled").Bits = 1; }

bool Action::Execute() {
  KarvoMethod m = Value(u"OnExecute").Method;
  if (m.Code == 0) return false;
  if (!CallMethod(m)) throw std::runtime_error("OnExecute failed");
  return true;
}

Bitmap::Bitmap() : Component(TBitmap()) {}

bool Bitmap::LoadFromResource(std::uintptr_t module, const std::u16string* name, unsigned id) {
  // Only a module of this process, named by its own base address.
  HMODULE found = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(module), &found) ||
      reinterpret_cast<std::uintptr_t>(found) != module)
    return false;
  if (name == nullptr && id > 0xFFFF) return false;
  LPCWSTR key = name != nullptr ? reinterpret_cast<LPCWSTR>(name->c_str()) : MAKEINTRESOURCEW(id);
  HRSRC res = FindResourceW(found, key, reinterpret_cast<LPCWSTR>(RT_BITMAP));
  if (res == nullptr) return false;
  DWORD size = SizeofResource(found, res);
  HGLOBAL data = LoadResource(found, res);
  const void* bytes = data != nullptr ? LockResource(data) : nullptr;
  if (bytes == nullptr || size < sizeof(BITMAPINFOHEADER)) return false;
  BITMAPINFOHEADER h;
  std::memcpy(&h, bytes, sizeof h);
  const long long height = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
  const bool depthOk = h.biBitCount == 1 || h.biBitCount == 4 || h.biBitCount == 8 || h.biBitCount == 16 ||
                       h.biBitCount == 24 || h.biBitCount == 32;
  if (h.biSize < sizeof h || h.biSize > size || h.biWidth <= 0 || height == 0 || !depthOk) return false;
  const long long stride = ((static_cast<long long>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
  const long long palette = h.biBitCount <= 8 ? 4LL * (h.biClrUsed != 0 ? h.biClrUsed : (1u << h.biBitCount)) : 0;
  if (h.biCompression == BI_RGB && h.biSize + palette + stride * height > size) return false;
  Value(u"Width").Bits = static_cast<std::uint32_t>(h.biWidth);
  Value(u"Height").Bits = static_cast<std::uint32_t>(height);
  Value(u"BitCount").Bits = h.biBitCount;
  return true;
}

// ---- Methods by code ----

MethodBody MethodByCode(std::uint32_t code) {
  static const std::map<std::uint32_t, MethodBody> byCode = [] {
    std::map<std::uint32_t, MethodBody> m;
    for (const ClassDecl* k : AllClasses())
      for (const auto& entry : k->Methods) m[CodeOf(entry.second)] = entry.second;
    return m;
  }();
  auto it = byCode.find(code);
  return it == byCode.end() ? nullptr : it->second;
}

std::uint32_t CodeOf(MethodBody body) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(reinterpret_cast<void*>(body)));
}

bool CallMethod(const KarvoMethod& method) {
  std::lock_guard<std::recursive_mutex> lock(ObjectsLock());
  MethodBody body = MethodByCode(method.Code);
  auto* self = Find<Component>(method.Data);
  if (body == nullptr || self == nullptr) return false;
  // Only a method of the object's own class or its ancestors is called on it.
  bool published = false;
  for (const ClassDecl* k = &self->Class(); k != nullptr && !published; k = k->Parent)
    for (const auto& entry : k->Methods) published = published || entry.second == body;
  if (!published) return false;
  try {
    body(*self);
    return true;
  } catch (...) {
    return false;
  }
}

std::uint32_t MethodPairAddress(Component& c, const PropertyDecl& p) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&c.Value(p).Method));
}

bool MethodPairAt(std::uint32_t address, KarvoMethod& out) {
  // Only the pairs of live components' METHOD properties: never a read at
  // an address the host cannot vouch for.
  std::lock_guard<std::recursive_mutex> lock(ObjectsLock());
  for (Component* c : Live())
    for (const PropertyDecl* p : c->Properties())
      if (p->Kind == KARVO_tkMethod && MethodPairAddress(*c, *p) == address) {
        out = c->Value(*p).Method;
        return true;
      }
  return false;
}

// ---- The application ----

std::unique_ptr<Component> NewControl(const std::u16string& cls, const std::u16string& name) {
  if (cls == u"TPanel") return std::make_unique<WinControl>(TPanel(), name);
  if (cls == u"TButton") return std::make_unique<WinControl>(TButton(), name);
  if (cls == u"TEdit") return std::make_unique<WinControl>(TEdit(), name);
  if (cls == u"TLabel") return std::make_unique<Component>(TLabel(), name);
  if (cls == u"TGauge") return std::make_unique<Component>(TGauge(), name);
  if (cls == u"TMenuItem") return std::make_unique<MenuItem>(name, name);
  return nullptr;
}

namespace {

// What the form owns besides its controls: menus, actions, the glyph and
// the menu items plug-ins added.
struct MainFormParts {
  std::unique_ptr<WinControl> form;
  std::unique_ptr<Menu> mainMenu, popupMenu;
  std::vector<std::unique_ptr<Component>> owned;
  std::unique_ptr<Action> save, empty, broken;
  std::unique_ptr<Bitmap> glyph;
};

Component& Add(Component& parent, std::unique_ptr<Component> child) {
  Component& c = *child;
  parent.Insert(std::move(child));
  return c;
}

MainFormParts Build() {
  MainFormParts m;
  m.form = std::make_unique<WinControl>(TMainForm(), u"MainForm");
  Component& f = *m.form;
  f.Value(u"Caption").Text = u"Kartoteka kontrahentów";
  f.Value(u"Width").Bits = 640;
  f.Value(u"Height").Bits = 480;
  f.Value(u"Visible").Bits = 1;
  f.Value(u"AlphaBlendValue").Bits = 255;

  Component& panel = Add(f, NewControl(u"TPanel", u"Panel1"));
  panel.Value(u"Caption").Text = u"";
  panel.Value(u"Align").Bits = 1;
  Add(panel, NewControl(u"TLabel", u"lblName")).Value(u"Caption").Text = u"Nazwa:";
  Add(panel, NewControl(u"TEdit", u"edtName")).Value(u"Text").Text = u"Spółdzielnia \"Zgoda\"; oddział 2";
  Component& save = Add(f, NewControl(u"TButton", u"btnSave"));
  save.Value(u"Caption").Text = u"Zapisz";
  save.Value(u"Left").Bits = 16;
  save.Value(u"Default").Bits = 1;
  save.Value(u"OnClick").Method = {CodeOf(&ButtonClick), f.Handle()};
  Add(f, NewControl(u"TLabel", u"lblStatus")).Value(u"Caption").Text = u"Gotowe";
  Component& gauge = Add(f, NewControl(u"TGauge", u"Gauge1"));
  gauge.Value(u"Progress").Bits = static_cast<std::uint32_t>(-40);
  gauge.Value(u"MaxValue").Bits = 0xFFFFFFFFu;
  gauge.Value(u"Accel").Bits = 'G';
  gauge.Value(u"Kind").Bits = 2;
  gauge.Value(u"Ratio").Float = 0.75;
  gauge.Value(u"Scale").Float = 1.5;
  gauge.Value(u"Precise").Float = 2.0L / 3.0L;
  gauge.Value(u"Total").Float = 1234567;
  gauge.Value(u"Price").Float = 19.99;
  gauge.Value(u"ShortText").Text = u"krótki";
  gauge.Value(u"Options").Bits = 0x05;
  gauge.Value(u"Symbol").Bits = 0x0141;  // Ł
  gauge.Value(u"LegacyText").Text = u"it's; a=b";
  gauge.Value(u"WideText").Text = u"Zażółć gęślą jaźń";
  gauge.Value(u"Steps").Bits = 10;
  Add(f, NewControl(u"TLabel", u""));  // a control without a name
  Add(f, NewControl(u"TEdit", u"edtCity")).Value(u"Text").Text = u"Łódź";

  m.mainMenu = std::make_unique<Menu>(TMainMenu(), u"MainMenu1");
  m.popupMenu = std::make_unique<Menu>(TPopupMenu(), u"PopupMenu1");
  auto file = std::make_unique<MenuItem>(u"mnuFile", u"Plik");
  auto open = std::make_unique<MenuItem>(u"mnuOpen", u"Otwórz");
  auto copy = std::make_unique<MenuItem>(u"mnuCopy", u"Kopiuj");
  m.mainMenu->Root.Append(*file);
  file->Append(*open);
  m.popupMenu->Root.Append(*copy);
  m.owned.push_back(std::move(file));
  m.owned.push_back(std::move(open));
  m.owned.push_back(std::move(copy));

  m.save = std::make_unique<Action>(u"actSave");
  m.save->Value(u"Caption").Text = u"Zapisz";
  m.save->Value(u"OnExecute").Method = {CodeOf(&SaveExecute), f.Handle()};
  m.empty = std::make_unique<Action>(u"actNothing");
  m.broken = std::make_unique<Action>(u"actBroken");
  m.broken->Value(u"OnExecute").Method = {CodeOf(&FailingHandler), f.Handle()};
  m.glyph = std::make_unique<Bitmap>();
  save.Value(u"Action").Bits = m.save->Handle();

  f.Value(u"Menu").Bits = m.mainMenu->Handle();
  f.Value(u"PopupMenu").Bits = m.popupMenu->Handle();
  f.Value(u"SaveAction").Bits = m.save->Handle();
  f.Value(u"EmptyAction").Bits = m.empty->Handle();
  f.Value(u"BrokenAction").Bits = m.broken->Handle();
  f.Value(u"Glyph").Bits = m.glyph->Handle();
  return m;
}

MainFormParts& Parts() {
  std::lock_guard<std::recursive_mutex> lock(ObjectsLock());
  static MainFormParts parts = Build();
  return parts;
}

}  // namespace

const std::vector<Component*>& Forms() {
  static const std::vector<Component*> forms = {Parts().form.get()};
  return forms;
}

Component& MainForm() { return *Parts().form; }

Component& KeepOwned(std::unique_ptr<Component> c) {
  std::lock_guard<std::recursive_mutex> lock(ObjectsLock());
  Component& kept = *c;
  Parts().owned.push_back(std::move(c));
  return kept;
}

}  // namespace refhost
