#include "xmldoc/TypedValues.h"

#include <mutex>
#include <optional>
#include <stdexcept>

#include "conversions/BstrText.h"
#include "conversions/NumberSyntax.h"
#include "conversions/TextForms.h"
#include "conversions/TextReadings.h"
#include "conversions/VariantText.h"
#include "link/ApiError.h"
#include "link/ExportForms.h"
#include "messages/Messages.h"
#include "platform/CallerVariant.h"
#include "platform/CodePage.h"
#include "xmldoc/CallDocument.h"

namespace karvo {

namespace {

// OLE dates run from 1 January 100 to 31 December 9999.
constexpr double kMinOleDate = -657434.0;
constexpr double kMaxOleDate = 2958465.0;

std::u16string VariantBstrText(const VARIANT& v) { return v.vt == VT_BSTR ? BstrToText(v.bstrVal) : std::u16string(); }

// The platform readings want a writable pointer; they do not write through it.
OLECHAR* Writable(std::u16string& text) { return const_cast<OLECHAR*>(AsWide(text)); }

std::optional<std::int64_t> ReadInt64(std::u16string text) {
  if (auto plain = Int64TextSyntax(text)) return plain;
  LONG i4 = 0;
  if (SUCCEEDED(Sys().VarI4FromStr(Writable(text), LOCALE_USER_DEFAULT, 0, &i4))) return i4;
  DOUBLE r8 = 0;
  HRESULT hr = Sys().VarR8FromStr(Writable(text), LOCALE_USER_DEFAULT, 0, &r8);
  // A number beyond 64 bits is an overflow, never the Boolean reading's 1.
  if (SUCCEEDED(hr)) return RoundToInt64(r8);
  if (hr != DISP_E_TYPEMISMATCH) return std::nullopt;
  if (auto b = BooleanReading(text, DecimalSeparator())) return *b;
  return std::nullopt;
}

std::optional<double> ReadDate(std::u16string text) {
  DATE value = 0;
  HRESULT hr = Sys().VarDateFromStr(Writable(text), LOCALE_USER_DEFAULT, 0, &value);
  if (SUCCEEDED(hr)) return value;
  if (hr != DISP_E_TYPEMISMATCH) return std::nullopt;
  if (auto date = ShortDateSyntax(text, ShortDateFormat())) return date;
  auto days = PlainFloatSyntax(text, DecimalSeparator());
  if (days && *days >= kMinOleDate && *days < kMaxOleDate + 1) return days;
  return std::nullopt;
}

// Read on first need by whichever thread needs it first.
std::mutex g_shortDateLock;
std::u16string g_shortDateFormat;
bool g_shortDateFormatRead = false;

}  // namespace

std::u16string ShortDateFormat() {
  std::lock_guard<std::mutex> l(g_shortDateLock);
  if (!g_shortDateFormatRead) {
    wchar_t buf[84] = {};
    int n = Sys().GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buf, 84);
    g_shortDateFormat = n > 1 ? std::u16string(AsUtf16(buf), static_cast<std::size_t>(n - 1)) : u"";
    g_shortDateFormatRead = true;
  }
  return g_shortDateFormat;
}

void SetShortDateFormatForTests(const std::u16string& format) {
  std::lock_guard<std::mutex> l(g_shortDateLock);
  g_shortDateFormat = format;
  g_shortDateFormatRead = true;
}

namespace {

// A reading's value into out under its own type; false when there was none.
template <class T, class Put>
bool Store(const std::optional<T>& value, UniqueVariant& out, Put put) {
  if (!value) return false;
  out.clear();
  put(*out.get(), *value);
  return true;
}

// The unsigned targets take a 32-bit reading only inside their range.
std::optional<std::int32_t> InRange(std::optional<std::int32_t> v, TypeTarget target) {
  if (v && target == TypeTarget::UInt8 && (*v < 0 || *v > 255)) return std::nullopt;
  if (v && target == TypeTarget::UInt16 && (*v < 0 || *v > 65535)) return std::nullopt;
  return v;
}

}  // namespace

bool ConvertTypedValue(const VARIANT& raw, TypeTarget target, UniqueVariant& out) {
  if (raw.vt != VT_BSTR) return false;  // a null value converts to nothing
  const std::u16string text = VariantBstrText(raw);
  switch (target) {
    case TypeTarget::Int32:
    case TypeTarget::UInt8:
    case TypeTarget::UInt16:
      return Store(InRange(ReadInt32(text), target), out, [](VARIANT& o, std::int32_t n) {
        o.vt = VT_I4;
        o.lVal = n;
      });
    case TypeTarget::Int64:
      return Store(ReadInt64(text), out, [](VARIANT& o, std::int64_t n) {
        if (n >= INT32_MIN && n <= INT32_MAX) {
          o.vt = VT_I4;
          o.lVal = static_cast<LONG>(n);
        } else {
          o.vt = VT_I8;
          o.llVal = n;
        }
      });
    case TypeTarget::Double:
      return Store(ReadDouble(text), out, [](VARIANT& o, double d) {
        o.vt = VT_R8;
        o.dblVal = d;
      });
    case TypeTarget::Date:
      return Store(ReadDate(text), out, [](VARIANT& o, double d) {
        o.vt = VT_DATE;
        o.date = d;
      });
    case TypeTarget::AnsiText:
      // Through the code page and back, as an 8-bit string holds it.
      SetBstrVariant(out, AnsiZToText(TextToAnsi(text).c_str()));
      return true;
    case TypeTarget::Empty: out.clear(); return true;
    case TypeTarget::None:
    case TypeTarget::Variant:
    case TypeTarget::Opaque: return false;
  }
  return false;
}

void ReadTypedValue(const XmlNode& element, bool& found, UniqueVariant& result) {
  std::u16string typeText;
  XmlNode typeNode = FindChildTag(element, kKeyType);
  if (!typeNode.Empty()) {
    found = true;
    UniqueVariant type;
    ReadNodeValue(typeNode, type);
    typeText = VariantBstrText(*type.get());
  }
  UniqueVariant raw;
  XmlNode valueNode = FindChildTag(element, kKeyValue);
  if (!valueNode.Empty()) {
    found = true;
    ReadNodeValue(valueNode, raw);
  } else {
    SetBstrVariant(raw, u"");
  }
  if (!typeText.empty()) {
    TypeTarget target = TypeCodeFromName(typeText);
    if (target != TypeTarget::None) {
      if (ConvertTypedValue(*raw.get(), target, result)) return;
      SetAPIErrorText(msg::kTypeConversion + typeText);
    }
  }
  result.clear();
  *result.get() = raw.release();
}

std::u16string ValueTextFromVariant(const VARIANT& value) {
  const VARTYPE vt = value.vt;
  if (vt == VT_EMPTY || vt == VT_NULL || vt == (VT_BYREF | VT_EMPTY) || vt == (VT_BYREF | VT_NULL)) return {};
  if (vt == VT_BOOL) return value.boolVal != VARIANT_FALSE ? u"true" : u"false";
  // Everything else is read through the checked path into a copy of our
  // own: a reference, text or array that cannot be read has no text.
  UniqueVariant copy;
  if (!CopyCallerVariant(value, copy)) throw std::invalid_argument("a VARIANT that cannot be read");
  if (auto text = VariantToTextStrict(*copy.get())) return *text;
  UniqueVariant out;
  HRESULT hr = Sys().VariantChangeTypeEx(out.get(), copy.get(), LOCALE_USER_DEFAULT, 0, VT_BSTR);
  if (FAILED(hr) || out->vt != VT_BSTR) throw std::invalid_argument("VARIANT without a text form");
  return VariantBstrText(*out.get());
}

void XMLGetData(VARIANT* Value, const char* XMLText, const char* VarName, std::uint8_t Direction) {
  if (Value == nullptr) throw std::invalid_argument("no VARIANT to fill");
  // What the caller's VARIANT held goes; a value that does not read as one
  // (a type word the platform does not know among them) is overwritten.
  ReleaseCallerVariant(Value);
  Sys().VariantInit(Value);
  Value->vt = VT_NULL;

  bool found = false;
  const std::u16string name = PlainText(VarName);
  {
    XmlDocument doc = XmlDocument::Parse(PlainText(XMLText));
    XmlNode root = doc.Root();
    std::u16string rootName = root.Name();
    if (NameMatchesKey(rootName, kKeyProcedure) || NameMatchesKey(rootName, kKeyWindow)) {
      XmlNodeList children = root.Children();
      const long count = children.Count();
      for (long i = 0; i < count; ++i) {
        XmlNode child = children.Item(i);
        std::u16string childName = child.Name();
        bool in = (Direction == 0 || Direction == 1) && NameMatchesKey(childName, kKeyDataIn);
        bool out = (Direction == 0 || Direction == 2) && NameMatchesKey(childName, kKeyDataOut);
        if ((in || out) && ReadNodeName(child) == name) {
          UniqueVariant result;
          ReadTypedValue(child, found, result);
          *Value = result.release();
          break;
        }
      }
    }
  }
  if (!found) SetAPIErrorText(msg::kNoVariable + name);
}

const char* XMLSetData(const char* XMLText, const char* VarName, const VARIANT& Value, std::uint8_t Direction,
                       const char* SectionName) {
  const std::u16string typeText = TypeNameFromCode(Value.vt);
  std::u16string result;
  {
    XmlDocument doc = XmlDocument::Parse(PlainText(XMLText));
    const std::u16string name = PlainText(VarName);
    const std::u16string section = PlainText(SectionName);
    auto isCall = [](const std::u16string& n) {
      return NameMatchesKey(n, kKeyProcedure) || NameMatchesKey(n, kKeyWindow);
    };

    XmlNode target = doc.Root();
    if (!section.empty()) {
      XmlNodeList children = target.Children();
      const long count = children.Count();
      for (long i = 0; i < count; ++i) {
        XmlNode child = children.Item(i);
        if (isCall(child.Name()) && ReadNodeName(child) == section) {
          target = std::move(child);
          break;
        }
      }
    }
    if (!isCall(target.Name())) {
      SetAPIErrorText(msg::kNoProcedureOrWindow);
      return nullptr;
    }
    const std::u16string valueText = ValueTextFromVariant(Value);

    bool written = false;
    XmlNodeList children = target.Children();
    const long count = children.Count();
    for (long i = 0; i < count && !written; ++i) {
      XmlNode child = children.Item(i);
      bool qualifies = Direction == 0;
      if (Direction == 1 || Direction == 2) {
        std::u16string childName = child.Name();
        qualifies = Direction == 1 ? NameMatchesKey(childName, kKeyDataIn) : NameMatchesKey(childName, kKeyDataOut);
      }
      if (qualifies && ReadNodeName(child) == name) {
        SetChildTagValue(child, kKeyType, typeText);
        SetChildTagValue(child, kKeyValue, valueText);
        written = true;
      }
    }
    if (!written) {
      // New elements go into the target's namespace under its own prefix,
      // which is declared there already.
      const std::u16string prefix = target.Prefix();
      const std::u16string ns = target.NamespaceUri();
      auto qualified = [&](const char16_t* local) {
        return prefix.empty() ? std::u16string(local) : prefix + u":" + local;
      };
      XmlNode variable = target.AppendElement(qualified(Direction == 1 ? kKeyDataIn : kKeyDataOut), ns);
      variable.SetAttribute(kKeyName, name);
      variable.AppendElement(qualified(kKeyType), ns).SetText(typeText);
      variable.AppendElement(qualified(kKeyValue), ns).SetText(valueText);
    }
    result = CrLfLines(doc.Serialize());
  }
  return TextToPlain(result);
}

}  // namespace karvo
