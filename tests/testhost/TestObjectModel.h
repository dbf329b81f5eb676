// An object model of test objects behind the host table of karvo_host.h:
// objects are records in a map under made-up handles, so a test decides
// class names, names, properties, children, menus, bitmaps, actions and
// methods, makes any operation fail, and sees what the library did.
// Portable: the native tests and the Windows tests share it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "karvo_host.h"

namespace karvo::test {

struct TestProperty {
  std::u16string Name;
  std::u16string TypeName;
  unsigned Kind = KARVO_tkInteger;
  unsigned OrdType = KARVO_otSLong;
  unsigned FloatType = KARVO_ftDouble;
  bool CanRead = true;
  bool CanWrite = true;
  std::uint32_t Bits = 0;  // ordinal: the value's bits in its width
  double Float = 0;
  std::u16string Text;
  KarvoMethod Method{};
  bool FailReads = false;
  bool FailWrites = false;
  int Reads = 0;
  int Writes = 0;
};

struct TestObject {
  std::u16string ClassName;
  std::u16string Name;
  std::vector<TestProperty> Properties;
  std::vector<KarvoHandle> Children;  // in index order
  bool FailChildren = false;
  // Menus: a menu's root item; an item's parent and its own items.
  KarvoHandle RootItem = 0;
  KarvoHandle Parent = 0;
  std::vector<KarvoHandle> Items;
  // Bitmaps: the resources it can load ("#n" for numbers) and what it did.
  std::vector<std::u16string> Loadable;
  std::vector<std::u16string> Loads;
  // Actions: nothing = no execute operation; else the handled flag.
  std::optional<bool> ActionResult;
  int ActionRuns = 0;
  // Published methods: UTF-8 names ignoring ASCII case, with their codes.
  std::vector<std::pair<std::string, unsigned>> Methods;
};

inline TestObject MakeObject(std::u16string className, std::u16string name, std::vector<TestProperty> properties = {},
                             std::vector<KarvoHandle> children = {}) {
  TestObject o;
  o.ClassName = std::move(className);
  o.Name = std::move(name);
  o.Properties = std::move(properties);
  o.Children = std::move(children);
  return o;
}

class TestObjectModel {
 public:
  TestObjectModel() {
    table_.Size = sizeof(KarvoObjectModel);
    table_.Version = KARVO_OBJECT_MODEL_VERSION;
    table_.Context = this;
    table_.ClassName = &ClassName;
    table_.ObjectName = &ObjectName;
    table_.PropertyCount = &PropertyCount;
    table_.PropertyInfo = &PropertyInfo;
    table_.PropertyGetOrdinal = &GetOrdinal;
    table_.PropertySetOrdinal = &SetOrdinal;
    table_.PropertyGetFloat = &GetFloat;
    table_.PropertySetFloat = &SetFloat;
    table_.PropertyGetText = &GetText;
    table_.PropertySetText = &SetText;
    table_.PropertyGetMethod = &GetMethod;
    table_.PropertySetMethod = &SetMethod;
    table_.ContainerChildCount = &ChildCount;
    table_.ContainerChild = &Child;
    table_.MenuRootItem = &MenuRootItem;
    table_.MenuItemAppend = &MenuItemAppend;
    table_.BitmapLoadResource = &BitmapLoadResource;
    table_.ActionExecute = &ActionExecute;
    table_.FindMethod = &FindMethod;
    table_.CallMethod = &CallMethod;
  }
  TestObjectModel(const TestObjectModel&) = delete;
  TestObjectModel& operator=(const TestObjectModel&) = delete;

  const KarvoObjectModel* Table() const { return &table_; }
  KarvoObjectModel* MutableTable() { return &table_; }

  KarvoHandle Add(KarvoHandle handle, TestObject object) {
    objects_[handle] = std::move(object);
    return handle;
  }
  TestObject& operator[](KarvoHandle h) { return objects_.at(h); }
  TestProperty& Prop(KarvoHandle h, const std::u16string& name) {
    for (TestProperty& p : objects_.at(h).Properties)
      if (p.Name == name) return p;
    throw std::out_of_range("no such test property");
  }
  void Remove(KarvoHandle h) { objects_.erase(h); }

  // Method codes run what the test put here; a code without an entry fails.
  std::map<unsigned, std::function<bool(unsigned data)>> Code;
  std::vector<KarvoMethod> Calls;
  std::vector<std::string> Lookups;  // names FindMethod was asked for

 private:
  static TestObjectModel& Self(void* c) { return *static_cast<TestObjectModel*>(c); }
  static TestObject* Find(void* c, KarvoHandle h) {
    auto& m = Self(c).objects_;
    auto it = m.find(h);
    return it == m.end() ? nullptr : &it->second;
  }
  static TestProperty* FindProp(void* c, KarvoHandle h, int i) {
    TestObject* o = Find(c, h);
    if (o == nullptr || i < 0 || static_cast<std::size_t>(i) >= o->Properties.size()) return nullptr;
    return &o->Properties[static_cast<std::size_t>(i)];
  }
  static void Put(KarvoTextOut* out, const std::u16string& s) {
    if (!s.empty()) out->Put(out, reinterpret_cast<const unsigned short*>(s.data()), static_cast<unsigned>(s.size()));
  }
  static TestProperty* Readable(void* c, KarvoHandle h, int i, unsigned group) {
    TestProperty* p = FindProp(c, h, i);
    if (p == nullptr || p->FailReads || !p->CanRead || !InGroup(p->Kind, group)) return nullptr;
    ++p->Reads;
    return p;
  }
  static TestProperty* Writable(void* c, KarvoHandle h, int i, unsigned group) {
    TestProperty* p = FindProp(c, h, i);
    if (p == nullptr || p->FailWrites || !p->CanWrite || !InGroup(p->Kind, group)) return nullptr;
    ++p->Writes;
    return p;
  }
  // 1 ordinal, 2 float, 3 text, 4 method.
  static bool InGroup(unsigned kind, unsigned group) {
    switch (kind) {
      case KARVO_tkInteger:
      case KARVO_tkChar:
      case KARVO_tkEnumeration:
      case KARVO_tkSet:
      case KARVO_tkClass:
      case KARVO_tkWChar: return group == 1;
      case KARVO_tkFloat: return group == 2;
      case KARVO_tkString:
      case KARVO_tkLString:
      case KARVO_tkWString:
      case KARVO_tkUString: return group == 3;
      case KARVO_tkMethod: return group == 4;
      default: return false;
    }
  }
  static std::u16string Units(const unsigned short* u, unsigned n) {
    return u == nullptr ? std::u16string() : std::u16string(reinterpret_cast<const char16_t*>(u), n);
  }

  static int KARVO_HOST_CALL ClassName(void* c, KarvoHandle h, KarvoTextOut* out) {
    TestObject* o = Find(c, h);
    if (o == nullptr) return KARVO_OM_FAILED;
    Put(out, o->ClassName);
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL ObjectName(void* c, KarvoHandle h, KarvoTextOut* out) {
    TestObject* o = Find(c, h);
    if (o == nullptr) return KARVO_OM_FAILED;
    Put(out, o->Name);
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL PropertyCount(void* c, KarvoHandle h, int* n) {
    TestObject* o = Find(c, h);
    if (o == nullptr) return KARVO_OM_FAILED;
    *n = static_cast<int>(o->Properties.size());
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL PropertyInfo(void* c, KarvoHandle h, int i, KarvoPropertyInfo* info, KarvoTextOut* name,
                                          KarvoTextOut* typeName) {
    TestProperty* p = FindProp(c, h, i);
    if (p == nullptr) return KARVO_OM_FAILED;
    *info = KarvoPropertyInfo{p->Kind, p->OrdType, p->FloatType, p->CanRead ? 1u : 0u, p->CanWrite ? 1u : 0u};
    Put(name, p->Name);
    Put(typeName, p->TypeName);
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL GetOrdinal(void* c, KarvoHandle h, int i, unsigned* bits) {
    TestProperty* p = Readable(c, h, i, 1);
    if (p == nullptr) return KARVO_OM_FAILED;
    *bits = p->Bits;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL SetOrdinal(void* c, KarvoHandle h, int i, unsigned bits) {
    TestProperty* p = Writable(c, h, i, 1);
    if (p == nullptr) return KARVO_OM_FAILED;
    p->Bits = bits;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL GetFloat(void* c, KarvoHandle h, int i, double* v) {
    TestProperty* p = Readable(c, h, i, 2);
    if (p == nullptr) return KARVO_OM_FAILED;
    *v = p->Float;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL SetFloat(void* c, KarvoHandle h, int i, double v) {
    TestProperty* p = Writable(c, h, i, 2);
    if (p == nullptr) return KARVO_OM_FAILED;
    p->Float = v;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL GetText(void* c, KarvoHandle h, int i, KarvoTextOut* out) {
    TestProperty* p = Readable(c, h, i, 3);
    if (p == nullptr) return KARVO_OM_FAILED;
    Put(out, p->Text);
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL SetText(void* c, KarvoHandle h, int i, const unsigned short* u, unsigned n) {
    TestProperty* p = Writable(c, h, i, 3);
    if (p == nullptr) return KARVO_OM_FAILED;
    p->Text = Units(u, n);
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL GetMethod(void* c, KarvoHandle h, int i, KarvoMethod* m) {
    TestProperty* p = Readable(c, h, i, 4);
    if (p == nullptr) return KARVO_OM_FAILED;
    *m = p->Method;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL SetMethod(void* c, KarvoHandle h, int i, const KarvoMethod* m) {
    TestProperty* p = Writable(c, h, i, 4);
    if (p == nullptr) return KARVO_OM_FAILED;
    p->Method = *m;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL ChildCount(void* c, KarvoHandle h, int* n) {
    TestObject* o = Find(c, h);
    if (o == nullptr || o->FailChildren) return KARVO_OM_FAILED;
    *n = static_cast<int>(o->Children.size());
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL Child(void* c, KarvoHandle h, int i, KarvoHandle* child) {
    TestObject* o = Find(c, h);
    if (o == nullptr || o->FailChildren || i < 0 || static_cast<std::size_t>(i) >= o->Children.size())
      return KARVO_OM_FAILED;
    *child = o->Children[static_cast<std::size_t>(i)];
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL MenuRootItem(void* c, KarvoHandle h, KarvoHandle* root) {
    TestObject* o = Find(c, h);
    if (o == nullptr || o->RootItem == 0) return KARVO_OM_FAILED;
    *root = o->RootItem;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL MenuItemAppend(void* c, KarvoHandle parent, KarvoHandle item) {
    TestObject* p = Find(c, parent);
    TestObject* i = Find(c, item);
    if (p == nullptr || i == nullptr || i->Parent != 0 || parent == item) return KARVO_OM_FAILED;
    p->Items.push_back(item);
    i->Parent = parent;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL BitmapLoadResource(void* c, KarvoHandle h, KarvoHandle, const unsigned short* name,
                                                unsigned n, unsigned resId) {
    TestObject* o = Find(c, h);
    if (o == nullptr) return KARVO_OM_FAILED;
    std::u16string key = name != nullptr ? Units(name, n) : u"#" + Number(resId);
    o->Loads.push_back(key);
    for (const std::u16string& l : o->Loadable)
      if (l == key) return KARVO_OM_DONE;
    return KARVO_OM_FAILED;
  }
  static int KARVO_HOST_CALL ActionExecute(void* c, KarvoHandle h, int* handled) {
    TestObject* o = Find(c, h);
    if (o == nullptr || !o->ActionResult) return KARVO_OM_FAILED;
    ++o->ActionRuns;
    *handled = *o->ActionResult ? 1 : 0;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL FindMethod(void* c, KarvoHandle h, const unsigned char* name, unsigned n, unsigned* code) {
    TestObject* o = Find(c, h);
    if (o == nullptr) return KARVO_OM_FAILED;
    std::string wanted(reinterpret_cast<const char*>(name), n);
    Self(c).Lookups.push_back(wanted);
    *code = 0;
    for (auto& [m, k] : o->Methods)
      if (Upper(m) == Upper(wanted)) {
        *code = k;
        break;
      }
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL CallMethod(void* c, const KarvoMethod* m) {
    TestObjectModel& self = Self(c);
    self.Calls.push_back(*m);
    auto it = self.Code.find(m->Code);
    if (it == self.Code.end() || !it->second(m->Data)) return KARVO_OM_FAILED;
    return KARVO_OM_DONE;
  }
  static std::string Upper(std::string s) {
    for (char& ch : s)
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
    return s;
  }
  static std::u16string Number(unsigned v) {
    std::u16string s;
    do s.insert(s.begin(), static_cast<char16_t>(u'0' + v % 10));
    while ((v /= 10) != 0);
    return s;
  }

  KarvoObjectModel table_{};
  std::map<KarvoHandle, TestObject> objects_;
};

}  // namespace karvo::test
