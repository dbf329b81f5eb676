// The host procedures and commands on refhost's components: what a plug-in
// in another process (or one whose direct attempt failed) gets through the
// block. The answers are the ones the library makes directly, so a plug-in
// sees the same results either way:
//   "GetPropertyList" (object; flags) and "GetControlsList" (container;
//     flags): the list texts; container 0 is the application's forms.
//   "GetProperty" (object; name): the value as text (ordinals in signed
//     decimal, floats by the library's float rule, texts unquoted, a METHOD
//     property as the address of its pair in refhost).
//   "SetProperty" (object; name; value text).
//   "GetControl" (container; name): the child's handle in signed decimal,
//     "0" when no child has that name.
//   "ADD_CONTROL": DataPointer = container, Data = class;name[;caption]
//     (TPanel, TButton, TEdit, TLabel, TGauge as children of a windowed
//     container; TMenuItem as a free item for AddMenuItem); the new handle
//     comes back in DataPointer.
//   "CLONE_CONTENER": DataPointer = windowed container with a parent, Data =
//     how many copies (1 to 20), each named <name>_<n>, with its children.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <mutex>

#include "ObjectTree.h"
#include "RefHostService.h"
#include "conversions/TextForms.h"

namespace refhost {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;
using Args = std::vector<std::u16string>;

const std::u16string& Arg(const Args& a, std::size_t i) {
  static const std::u16string none;
  return i < a.size() ? a[i] : none;
}

char16_t Separator() {
  static const char16_t sep = [] {
    wchar_t buf[8] = {};
    return GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 0 && buf[0] != 0 ? char16_t(buf[0]) : u'.';
  }();
  return sep;
}

std::u16string Num(std::int64_t v) { return karvo::SignedText(v); }
std::u16string Float(long double v) {
  karvo::SetDecimalSeparator(Separator());
  return karvo::FloatToTextRule(v);
}

std::int32_t Widened(std::uint32_t bits, unsigned ordType) {
  switch (ordType) {
    case KARVO_otSByte: return static_cast<std::int8_t>(bits);
    case KARVO_otUByte: return static_cast<std::int32_t>(bits & 0xFFu);
    case KARVO_otSWord: return static_cast<std::int16_t>(bits);
    case KARVO_otUWord: return static_cast<std::int32_t>(bits & 0xFFFFu);
    default: return static_cast<std::int32_t>(bits);
  }
}

enum class Group { None, Ordinal, Float, Text, Method };
Group GroupOf(unsigned k) {
  switch (k) {
    case KARVO_tkInteger:
    case KARVO_tkChar:
    case KARVO_tkEnumeration:
    case KARVO_tkSet:
    case KARVO_tkClass:
    case KARVO_tkWChar: return Group::Ordinal;
    case KARVO_tkFloat: return Group::Float;
    case KARVO_tkString:
    case KARVO_tkLString:
    case KARVO_tkWString:
    case KARVO_tkUString: return Group::Text;
    case KARVO_tkMethod: return Group::Method;
    default: return Group::None;
  }
}

// The list's order: ASCII letters without case, digits before letters
// before "_"; names with other characters by the platform's comparison.
bool NameBefore(const std::u16string& a, const std::u16string& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] >= 0x80 || b[i] >= 0x80)
      return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, reinterpret_cast<LPCWSTR>(a.c_str()),
                            static_cast<int>(a.size()), reinterpret_cast<LPCWSTR>(b.c_str()),
                            static_cast<int>(b.size())) == CSTR_LESS_THAN;
    unsigned x = a[i] & ~0x20u, y = b[i] & ~0x20u;
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

std::uint8_t Flags(const std::u16string& text) {
  std::optional<std::int32_t> f = karvo::IntegerTextSyntax(text);
  std::uint8_t low = f ? static_cast<std::uint8_t>(*f & 0xFF) : 0;
  return low == 0 ? 7 : low;
}

Component* Object(const std::u16string& text) {
  std::optional<std::int32_t> h = karvo::IntegerTextSyntax(text);
  if (!h) {
    // Handles come as unsigned decimal, beyond the signed range too.
    wchar_t* end = nullptr;
    unsigned long long v = std::wcstoull(reinterpret_cast<const wchar_t*>(text.c_str()), &end, 10);
    if (text.empty() || *end != 0 || v > 0xFFFFFFFFull) return nullptr;
    h = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  }
  return Find<Component>(static_cast<KarvoHandle>(*h));
}

std::u16string ValueText(Component& c, const PropertyDecl& p) {
  PropertyValue& v = c.Value(p);
  switch (GroupOf(p.Kind)) {
    case Group::Ordinal: return Num(Widened(v.Bits, p.OrdType));
    case Group::Float: return Float(v.Float);
    case Group::Text: return v.Text;
    case Group::Method: return Num(static_cast<std::int32_t>(MethodPairAddress(c, p)));
    case Group::None: break;
  }
  return {};
}

void GetPropertyList(const Args& a, ReplyWriter& out) {
  Lock l(ObjectsLock());
  Component* c = Object(Arg(a, 0));
  if (c == nullptr) return out.Verdict(false, u"refhost: nie ma takiego obiektu");
  const std::uint8_t f = Flags(Arg(a, 1));
  std::vector<const PropertyDecl*> props = c->Properties();
  std::sort(props.begin(), props.end(), [](auto* x, auto* y) { return NameBefore(x->Name, y->Name); });
  std::u16string text;
  for (std::size_t i = 0; i < props.size(); ++i) {
    const PropertyDecl& p = *props[i];
    if (f & 1) text += p.Name;
    if ((f & 3) == 3) text += u':';
    if (f & 2) text += p.TypeName;
    if (f & 4) {
      if (f & 3) text += u'=';
      std::u16string value = ValueText(*c, p);
      text += GroupOf(p.Kind) == Group::Text ? u"'" + value + u"'" : value;
    }
    if (i + 1 < props.size()) text += u';';
  }
  out.Verdict(true, text);
}

void GetProperty(const Args& a, ReplyWriter& out) {
  Lock l(ObjectsLock());
  Component* c = Object(Arg(a, 0));
  const PropertyDecl* p = c != nullptr ? c->FindProperty(Arg(a, 1)) : nullptr;
  if (p == nullptr) return out.Verdict(false, u"refhost: nie ma takiej właściwości");
  out.Verdict(true, ValueText(*c, *p));
}

std::optional<long double> ParseFloat(std::u16string text) {
  std::replace(text.begin(), text.end(), Separator(), u'.');
  std::string s(text.begin(), text.end());
  if (s.empty() || s.find_first_not_of("0123456789+-.eE ") != std::string::npos) return std::nullopt;
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (*end != 0) return std::nullopt;
  return v;
}

bool SetFromText(Component& c, const PropertyDecl& p, const std::u16string& text) {
  if (!p.CanWrite) return false;
  PropertyValue& v = c.Value(p);
  switch (GroupOf(p.Kind)) {
    case Group::Ordinal: {
      std::optional<std::int32_t> n = karvo::IntegerTextSyntax(text);
      if (!n && AsciiEqualNoCase(text, u"True")) n = 1;
      if (!n && AsciiEqualNoCase(text, u"False")) n = 0;
      if (!n) return false;
      v.Bits = static_cast<std::uint32_t>(*n);
      return true;
    }
    case Group::Float: {
      std::optional<long double> f = ParseFloat(text);
      if (!f) return false;
      v.Float = InPrecision(static_cast<double>(*f), p.FloatType);
      return true;
    }
    case Group::Text: return StoreText(c, p, text);
    case Group::Method: {
      std::optional<std::int32_t> n = karvo::IntegerTextSyntax(text);
      KarvoMethod m{};
      if (!n || !MethodPairAt(static_cast<std::uint32_t>(*n), m)) return false;
      v.Method = m;
      return true;
    }
    case Group::None: return true;
  }
  return false;
}

void SetProperty(const Args& a, ReplyWriter& out) {
  Lock l(ObjectsLock());
  Component* c = Object(Arg(a, 0));
  const PropertyDecl* p = c != nullptr ? c->FindProperty(Arg(a, 1)) : nullptr;
  if (p == nullptr) return out.Verdict(false, u"refhost: nie ma takiej właściwości");
  if (!SetFromText(*c, *p, Arg(a, 2))) return out.Verdict(false, u"refhost: niepoprawna wartość '" + Arg(a, 2) + u"'");
  out.Verdict(true, u"");
}

// Container 0 is the application, whose children are its forms.
std::optional<std::vector<Component*>> Children(const std::u16string& handle) {
  if (handle == u"0") return Forms();
  Component* c = Object(handle);
  if (c == nullptr || !c->Windowed()) return std::nullopt;
  return c->ChildrenByIndex();
}

void GetControlsList(const Args& a, ReplyWriter& out) {
  Lock l(ObjectsLock());
  std::optional<std::vector<Component*>> kids = Children(Arg(a, 0));
  if (!kids) return out.Verdict(false, u"refhost: to nie jest kontener");
  const std::uint8_t f = Flags(Arg(a, 1));
  std::u16string text;
  for (std::size_t i = kids->size(); i-- > 0;) {
    Component& c = *(*kids)[i];
    if (f & 1) text += c.Name;
    if (f & 2) text += (f & 1 ? u":" : u"") + c.ClassName();
    if (f & 4) text += (f & 3 ? u"@" : u"") + Num(static_cast<std::int32_t>(c.Handle()));
    if (i != 0 && !text.empty()) text += u';';
  }
  out.Verdict(true, text);
}

void GetControl(const Args& a, ReplyWriter& out) {
  Lock l(ObjectsLock());
  std::optional<std::vector<Component*>> kids = Children(Arg(a, 0));
  if (!kids) return out.Verdict(false, u"refhost: to nie jest kontener");
  for (std::size_t i = kids->size(); i-- > 0;)
    if (AsciiEqualNoCase((*kids)[i]->Name, Arg(a, 1)))
      return out.Verdict(true, Num(static_cast<std::int32_t>((*kids)[i]->Handle())));
  out.Verdict(true, u"0");
}

void AddControl(const KarvoRequest& r, ReplyWriter& out) {
  Lock l(ObjectsLock());
  std::vector<std::u16string> parts = SplitText(RequestText(r.Data), u';');
  std::u16string cls = parts[0], name = parts.size() > 1 ? parts[1] : u"";
  std::unique_ptr<Component> made = NewControl(cls, name);
  auto* container = Find<Component>(r.DataPointer);
  if (made == nullptr) return out.Verdict(false, u"refhost: nieznana klasa " + cls);
  if (container == nullptr) return out.Verdict(false, u"refhost: nie ma takiego kontenera");
  if (parts.size() > 2) made->Value(u"Caption").Text = parts[2];
  Component* kept = made.get();
  if (cls == u"TMenuItem") {
    KeepOwned(std::move(made));
  } else {
    if (!container->Windowed()) return out.Verdict(false, u"refhost: to nie jest kontener");
    container->Insert(std::move(made));
  }
  out.Verdict(true, u"");
  out.Pointer(kept->Handle());
}

std::unique_ptr<Component> Clone(Component& src, const std::u16string& suffix) {
  std::unique_ptr<Component> copy = NewControl(src.ClassName(), src.Name.empty() ? src.Name : src.Name + suffix);
  if (copy == nullptr) return nullptr;
  for (const PropertyDecl* p : src.Properties())
    if (p->Name != u"Name") copy->Value(*p) = src.Value(*p);
  for (Component* child : src.ChildrenByIndex()) {
    std::unique_ptr<Component> c = Clone(*child, suffix);
    if (c == nullptr) return nullptr;
    copy->Insert(std::move(c));
  }
  return copy;
}

void CloneContener(const KarvoRequest& r, ReplyWriter& out) {
  Lock l(ObjectsLock());
  auto* c = Find<Component>(r.DataPointer);
  std::optional<std::int32_t> n = karvo::IntegerTextSyntax(RequestText(r.Data));
  if (c == nullptr || !c->Windowed() || c->Parent() == nullptr)
    return out.Verdict(false, u"refhost: tego kontenera nie można sklonować");
  if (!n || *n < 1 || *n > 20) return out.Verdict(false, u"refhost: liczba kopii musi być od 1 do 20");
  std::vector<std::unique_ptr<Component>> copies;
  for (std::int32_t k = 1; k <= *n; ++k) {
    copies.push_back(Clone(*c, u"_" + Num(k)));
    if (copies.back() == nullptr) return out.Verdict(false, u"refhost: tego kontenera nie można sklonować");
  }
  for (auto& copy : copies) c->Parent()->Insert(std::move(copy));
  out.Verdict(true, u"");
}

Registration getPropertyList("GetPropertyList", ProcHandler(&GetPropertyList), 0);
Registration getProperty("GetProperty", ProcHandler(&GetProperty), 0);
Registration setProperty("SetProperty", ProcHandler(&SetProperty), 0);
Registration getControlsList("GetControlsList", ProcHandler(&GetControlsList), 0);
Registration getControl("GetControl", ProcHandler(&GetControl), 0);
Registration addControl(KARVO_CMD_ADD_CONTROL, CommandHandler(&AddControl));
Registration cloneContener(KARVO_CMD_CLONE_CONTENER, CommandHandler(&CloneContener));

}  // namespace

}  // namespace refhost
