// refhost's components: a main form with windowed and non-windowed
// controls, a main menu and a popup menu, actions and bitmaps, each class
// with its published properties and methods, ancestors included. The
// object model (ObjectModel.cpp) and the host procedures (ObjectService.cpp)
// both work on these.
//
// The application (handle 0 in the host procedures "GetControlsList" and
// "GetControl") holds the forms, so a plug-in finds the main form by
// GetControl(0, "MainForm") in any process.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HostObjects.h"
#include "karvo_host.h"

namespace refhost {

class Component;

// One published property as its class declares it.
struct PropertyDecl {
  std::u16string Name;
  unsigned Kind;
  std::u16string TypeName;
  unsigned OrdType = KARVO_otSLong;
  unsigned FloatType = KARVO_ftDouble;
  bool CanWrite = true;
};

// A published method: what it does to the object it is called on. It
// raises (std::runtime_error) when its work fails.
using MethodBody = void (*)(Component& self);

struct ClassDecl {
  std::u16string Name;
  const ClassDecl* Parent;
  std::vector<PropertyDecl> Properties;
  std::vector<std::pair<std::u16string, MethodBody>> Methods;
};

// The value of one property, in the storage its kind and precision ask.
struct PropertyValue {
  std::uint32_t Bits = 0;  // ordinal kinds, in the property's width
  long double Float = 0;   // FLOAT, already in the property's precision
  std::u16string Text;     // text kinds
  KarvoMethod Method{};    // METHOD: (code, data)
};

class Component : public HostObject {
 public:
  explicit Component(const ClassDecl& cls, std::u16string name = {});
  ~Component() override;
  std::u16string ClassName() const override { return Class().Name; }
  const ClassDecl& Class() const { return *class_; }

  // Every published property, own first then the ancestors', each name once.
  const std::vector<const PropertyDecl*>& Properties() const { return props_; }
  const PropertyDecl* FindProperty(const std::u16string& name) const;  // ASCII case ignored
  PropertyValue& Value(const PropertyDecl& p) { return values_[p.Name]; }
  PropertyValue& Value(const std::u16string& name) { return values_[name]; }
  // The Name property is the component's own name.
  void SyncName();

  // Published methods of the class and its ancestors, most derived first.
  MethodBody FindMethod(const std::u16string& name) const;

  // Containers: children by index, non-windowed first, then windowed, each
  // in insertion order.
  virtual bool Windowed() const { return false; }
  std::vector<Component*> ChildrenByIndex() const;
  void Insert(std::unique_ptr<Component> child);
  Component* Parent() const { return parent_; }

 private:
  const ClassDecl* class_;
  std::vector<const PropertyDecl*> props_;
  std::map<std::u16string, PropertyValue> values_;
  std::vector<std::unique_ptr<Component>> children_;
  Component* parent_ = nullptr;
};

class WinControl : public Component {
 public:
  using Component::Component;
  bool Windowed() const override { return true; }
};

class Bitmap : public Component {
 public:
  Bitmap();
  // Loads an RT_BITMAP resource of a module of this process: by name when
  // given, else by number. False when the module, the resource or its
  // header is not what it must be.
  bool LoadFromResource(std::uintptr_t module, const std::u16string* name, unsigned id);
};

// A menu item: its own items, its parent item.
class MenuItem : public Component {
 public:
  explicit MenuItem(std::u16string name = {}, std::u16string caption = {});
  std::vector<MenuItem*> Items;
  MenuItem* ParentItem = nullptr;
  std::unique_ptr<Bitmap> Picture;
  // Fails when the item has a parent already, or would hold itself.
  bool Append(MenuItem& item);
};

class Menu : public Component {
 public:
  Menu(const ClassDecl& cls, std::u16string name);
  MenuItem Root;
};

class Action : public Component {
 public:
  explicit Action(std::u16string name);
  // True when OnExecute ran, false when there is no handler.
  bool Execute();
};

// A float as a property of that precision keeps it.
long double InPrecision(double v, unsigned floatType);
// Sets a text property (Name renames the component); false when it has no
// writer. A short string keeps its first 255 characters.
bool StoreText(Component& c, const PropertyDecl& p, std::u16string text);

// The class named, or null (used by ADD_CONTROL).
std::unique_ptr<Component> NewControl(const std::u16string& className, const std::u16string& name);

// The application's forms, made on first use.
const std::vector<Component*>& Forms();
Component& MainForm();
// Kept for the application's lifetime without being anyone's child (menu
// items a plug-in had made).
Component& KeepOwned(std::unique_ptr<Component> c);

// Methods that are published somewhere, by the code address they go by.
MethodBody MethodByCode(std::uint32_t code);
std::uint32_t CodeOf(MethodBody body);
// Calls code on the object data; false when the code is no published
// method, the object is gone, or the method failed.
bool CallMethod(const KarvoMethod& method);

// The address of the (code, data) pair stored in a METHOD property of a
// live component, for the host's own answers; the pair at an address the
// host gave out, or nothing.
std::uint32_t MethodPairAddress(Component& c, const PropertyDecl& p);
bool MethodPairAt(std::uint32_t address, KarvoMethod& out);

}  // namespace refhost
