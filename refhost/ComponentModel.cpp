// The object model's operations on refhost's components: published
// properties, children, menus, bitmaps, actions and methods. Every handle
// is looked up first; one of another kind fails the operation.
#include <cmath>
#include <mutex>

#include "HostObjects.h"
#include "ObjectTree.h"

namespace refhost {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

int R(bool ok) { return ok ? KARVO_OM_DONE : KARVO_OM_FAILED; }

bool IsOrdinal(unsigned k) {
  return k == KARVO_tkInteger || k == KARVO_tkChar || k == KARVO_tkEnumeration || k == KARVO_tkSet ||
         k == KARVO_tkClass || k == KARVO_tkWChar;
}
bool IsText(unsigned k) {
  return k == KARVO_tkString || k == KARVO_tkLString || k == KARVO_tkWString || k == KARVO_tkUString;
}

std::uint32_t WidthMask(unsigned ordType) {
  switch (ordType) {
    case KARVO_otSByte:
    case KARVO_otUByte: return 0xFFu;
    case KARVO_otSWord:
    case KARVO_otUWord: return 0xFFFFu;
    default: return 0xFFFFFFFFu;
  }
}

// The property of that index, when the handle is a component that has it
// and it is of the kind wanted.
const PropertyDecl* Prop(KarvoHandle h, int i, Component*& c, bool (*kind)(unsigned)) {
  c = Find<Component>(h);
  if (c == nullptr || i < 0 || static_cast<std::size_t>(i) >= c->Properties().size()) return nullptr;
  const PropertyDecl* p = c->Properties()[static_cast<std::size_t>(i)];
  return kind == nullptr || kind(p->Kind) ? p : nullptr;
}

bool IsFloat(unsigned k) { return k == KARVO_tkFloat; }
bool IsMethod(unsigned k) { return k == KARVO_tkMethod; }

int KARVO_HOST_CALL PropertyCountOp(void*, KarvoHandle h, int* n) {
  Lock l(ObjectsLock());
  auto* c = Find<Component>(h);
  if (c == nullptr) return KARVO_OM_FAILED;
  *n = static_cast<int>(c->Properties().size());
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL PropertyInfoOp(void*, KarvoHandle h, int i, KarvoPropertyInfo* info, KarvoTextOut* name,
                                   KarvoTextOut* type) {
  Lock l(ObjectsLock());
  Component* c;
  const PropertyDecl* p = Prop(h, i, c, nullptr);
  if (p == nullptr) return KARVO_OM_FAILED;
  *info = KarvoPropertyInfo{p->Kind, IsOrdinal(p->Kind) ? p->OrdType : 0u, IsFloat(p->Kind) ? p->FloatType : 0u, 1u,
                            p->CanWrite ? 1u : 0u};
  PutText(name, p->Name);
  PutText(type, p->TypeName);
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL GetOrdinalOp(void*, KarvoHandle h, int i, unsigned* bits) {
  Lock l(ObjectsLock());
  Component* c;
  const PropertyDecl* p = Prop(h, i, c, &IsOrdinal);
  if (p == nullptr) return KARVO_OM_FAILED;
  *bits = c->Value(*p).Bits & WidthMask(p->OrdType);
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL SetOrdinalOp(void*, KarvoHandle h, int i, unsigned bits) {
  Lock l(ObjectsLock());
  Component* c;
  const PropertyDecl* p = Prop(h, i, c, &IsOrdinal);
  if (p == nullptr || !p->CanWrite) return KARVO_OM_FAILED;
  c->Value(*p).Bits = bits & WidthMask(p->OrdType);
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL GetFloatOp(void*, KarvoHandle h, int i, double* v) {
  Lock l(ObjectsLock());
  Component* c;
  const PropertyDecl* p = Prop(h, i, c, &IsFloat);
  if (p == nullptr) return KARVO_OM_FAILED;
  *v = static_cast<double>(c->Value(*p).Float);
  return KARVO_OM_DONE;
}

}  // namespace

long double InPrecision(double v, unsigned floatType) {
  switch (floatType) {
    case KARVO_ftSingle: return static_cast<float>(v);
    case KARVO_ftComp: return std::nearbyint(v);
    case KARVO_ftCurr: return std::nearbyint(v * 10000.0) / 10000.0L;
    default: return v;
  }
}

namespace {

int KARVO_HOST_CALL SetFloatOp(void*, KarvoHandle h, int i, double v) {
  Lock l(ObjectsLock());
  Component* c;
  const PropertyDecl* p = Prop(h, i, c, &IsFloat);
  if (p == nullptr || !p->CanWrite) return KARVO_OM_FAILED;
  c->Value(*p).Float = InPrecision(v, p->FloatType);
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL GetTextOp(void*, KarvoHandle h, int i, KarvoTextOut* out) {
  Lock l(ObjectsLock());
  Component* c;
  const PropertyDecl* p = Prop(h, i, c, &IsText);
  if (p == nullptr) return KARVO_OM_FAILED;
  PutText(out, c->Value(*p).Text);
  return KARVO_OM_DONE;
}

}  // namespace

bool StoreText(Component& c, const PropertyDecl& p, std::u16string text) {
  if (!p.CanWrite) return false;
  if (p.Kind == KARVO_tkString && text.size() > 255) text.resize(255);  // a short string holds 255
  if (p.Name == u"Name") {
    c.Name = text;
    c.SyncName();
    return true;
  }
  c.Value(p).Text = std::move(text);
  return true;
}

namespace {

int KARVO_HOST_CALL SetTextOp(void*, KarvoHandle h, int i, const unsigned short* units, unsigned n) {
  Lock l(ObjectsLock());
  Component* c;
  const PropertyDecl* p = Prop(h, i, c, &IsText);
  return R(p != nullptr && StoreText(*c, *p, InText(units, n)));
}

int KARVO_HOST_CALL GetMethodOp(void*, KarvoHandle h, int i, KarvoMethod* m) {
  Lock l(ObjectsLock());
  Component* c;
  const PropertyDecl* p = Prop(h, i, c, &IsMethod);
  if (p == nullptr) return KARVO_OM_FAILED;
  *m = c->Value(*p).Method;
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL SetMethodOp(void*, KarvoHandle h, int i, const KarvoMethod* m) {
  Lock l(ObjectsLock());
  Component* c;
  const PropertyDecl* p = Prop(h, i, c, &IsMethod);
  if (p == nullptr || !p->CanWrite) return KARVO_OM_FAILED;
  c->Value(*p).Method = *m;  // checked when it is called
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL ChildCountOp(void*, KarvoHandle h, int* n) {
  Lock l(ObjectsLock());
  auto* c = Find<Component>(h);
  if (c == nullptr || !c->Windowed()) return KARVO_OM_FAILED;
  *n = static_cast<int>(c->ChildrenByIndex().size());
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL ChildOp(void*, KarvoHandle h, int i, KarvoHandle* child) {
  Lock l(ObjectsLock());
  auto* c = Find<Component>(h);
  if (c == nullptr || !c->Windowed()) return KARVO_OM_FAILED;
  std::vector<Component*> kids = c->ChildrenByIndex();
  if (i < 0 || static_cast<std::size_t>(i) >= kids.size()) return KARVO_OM_FAILED;
  *child = kids[static_cast<std::size_t>(i)]->Handle();
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL MenuRootItemOp(void*, KarvoHandle h, KarvoHandle* root) {
  Lock l(ObjectsLock());
  auto* m = Find<Menu>(h);
  if (m == nullptr) return KARVO_OM_FAILED;
  *root = m->Root.Handle();
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL MenuItemAppendOp(void*, KarvoHandle parent, KarvoHandle item) {
  Lock l(ObjectsLock());
  auto* p = Find<MenuItem>(parent);
  auto* i = Find<MenuItem>(item);
  return R(p != nullptr && i != nullptr && p->Append(*i));
}

int KARVO_HOST_CALL BitmapLoadOp(void*, KarvoHandle h, KarvoHandle module, const unsigned short* name, unsigned n,
                                 unsigned id) {
  Lock l(ObjectsLock());
  auto* b = Find<Bitmap>(h);
  if (b == nullptr) return KARVO_OM_FAILED;
  std::u16string text = InText(name, n);
  return R(b->LoadFromResource(module, name != nullptr ? &text : nullptr, id));
}

int KARVO_HOST_CALL ActionExecuteOp(void*, KarvoHandle h, int* handled) {
  Lock l(ObjectsLock());
  auto* a = Find<Action>(h);
  if (a == nullptr) return KARVO_OM_FAILED;
  try {
    *handled = a->Execute() ? 1 : 0;
    return KARVO_OM_DONE;
  } catch (...) {
    return KARVO_OM_FAILED;
  }
}

int KARVO_HOST_CALL FindMethodOp(void*, KarvoHandle h, const unsigned char* name, unsigned n, unsigned* code) {
  Lock l(ObjectsLock());
  auto* c = Find<Component>(h);
  if (c == nullptr) return KARVO_OM_FAILED;
  // Published names are ASCII here; a byte outside it matches none of them.
  std::u16string wanted;
  for (unsigned k = 0; k < n; ++k) wanted += name[k] < 0x80 ? static_cast<char16_t>(name[k]) : u'\xFFFD';
  MethodBody body = c->FindMethod(wanted);
  *code = body != nullptr ? CodeOf(body) : 0u;
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL CallMethodOp(void*, const KarvoMethod* m) { return R(m != nullptr && CallMethod(*m)); }

ModelEntries componentEntries([](KarvoObjectModel& t) {
  t.PropertyCount = &PropertyCountOp;
  t.PropertyInfo = &PropertyInfoOp;
  t.PropertyGetOrdinal = &GetOrdinalOp;
  t.PropertySetOrdinal = &SetOrdinalOp;
  t.PropertyGetFloat = &GetFloatOp;
  t.PropertySetFloat = &SetFloatOp;
  t.PropertyGetText = &GetTextOp;
  t.PropertySetText = &SetTextOp;
  t.PropertyGetMethod = &GetMethodOp;
  t.PropertySetMethod = &SetMethodOp;
  t.ContainerChildCount = &ChildCountOp;
  t.ContainerChild = &ChildOp;
  t.MenuRootItem = &MenuRootItemOp;
  t.MenuItemAppend = &MenuItemAppendOp;
  t.BitmapLoadResource = &BitmapLoadOp;
  t.ActionExecute = &ActionExecuteOp;
  t.FindMethod = &FindMethodOp;
  t.CallMethod = &CallMethodOp;
});

}  // namespace

}  // namespace refhost
