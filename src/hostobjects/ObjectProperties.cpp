#include "hostobjects/ObjectProperties.h"

#include "conversions/BstrText.h"
#include "conversions/TextForms.h"
#include "conversions/VariantText.h"
#include "host/ObjectModel.h"
#include "hostobjects/MethodPairs.h"
#include "hostobjects/ObjectLists.h"
#include "hostobjects/VariantValues.h"
#include "link/ApiError.h"
#include "link/CallHostProc.h"
#include "link/ExportForms.h"
#include "messages/Messages.h"
#include "platform/CallerMemory.h"
#include "platform/CallerVariant.h"

namespace karvo {

int PlatformNameCompare(const std::u16string& a, const std::u16string& b) {
  int r = Sys().CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, AsWide(a), static_cast<int>(a.size()), AsWide(b),
                               static_cast<int>(b.size()));
  // A comparison that failed says nothing: taken for "equal" it would sort
  // the list wrongly and call that a success. The direct work fails instead.
  Need(r != 0);
  return r == CSTR_LESS_THAN ? -1 : r == CSTR_GREATER_THAN ? 1 : 0;
}

std::int32_t MethodPairNumber(const KarvoMethod& pair) {
  return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(MethodPairs().Keep(pair.Code, pair.Data)));
}

namespace {

std::u16string NoPropertyMessage(const std::u16string& name) {
  return msg::kNoPropertyPrefix + name + msg::kNameSuffix;
}

// Hands the value over to the caller's VARIANT: what that held goes first.
void Assign(VARIANT* target, UniqueVariant& value) {
  if (target == nullptr) return;
  ReleaseCallerVariant(target);
  *target = value.release();
}

void SetI4(UniqueVariant& v, std::int32_t n) {
  v->vt = VT_I4;
  v->lVal = n;
}

void ReadDirect(VARIANT* aResult, const host::Object& o, const host::PropertyEntry& e) {
  UniqueVariant v;
  switch (GroupOfKind(e.Kind)) {
    case KindGroup::Ordinal: SetI4(v, Need(o.ReadOrdinal(e))); break;
    case KindGroup::Float: {
      const double value = Need(o.ReadFloat(e));
      v->vt = VT_R8;
      v->dblVal = value;
      break;
    }
    case KindGroup::Text: SetBstrVariant(v, Need(o.ReadText(e))); break;
    case KindGroup::Method: SetI4(v, MethodPairNumber(Need(o.ReadMethod(e)))); break;
    case KindGroup::NotHandled: return;  // found, and left as the caller had it
  }
  Assign(aResult, v);
}

void WriteDirect(const host::Object& o, const host::PropertyEntry& e, const VARIANT* value) {
  const KindGroup group = GroupOfKind(e.Kind);
  if (group == KindGroup::NotHandled) return;
  Need(value != nullptr);  // a value we could not read has nothing to write
  switch (group) {
    case KindGroup::Ordinal: Need(o.WriteOrdinal(e, Need(VariantToInt32(*value)))); break;
    case KindGroup::Float: Need(o.WriteFloat(e, Need(VariantToDouble(*value)))); break;
    case KindGroup::Text: Need(o.WriteText(e, Need(VariantToTextStrict(*value)))); break;
    case KindGroup::Method: {
      // The value is the address of a (code, data) pair; it is the caller's
      // word that something readable lies there, so it is checked.
      auto address = static_cast<std::uint32_t>(Need(VariantToInt32(*value)));
      std::uint32_t words[2] = {};
      Need(ReadCallerMemory(address, words, sizeof words));
      Need(o.WriteMethod(e, KarvoMethod{words[0], words[1]}));
      break;
    }
    case KindGroup::NotHandled: break;
  }
}

// The caller's VARIANT made Null, the failure value of GetProperty.
void MakeNull(VARIANT* aResult) {
  UniqueVariant null;
  null->vt = VT_NULL;
  Assign(aResult, null);
}

// A host call that could not be made, or whose answer could not be held,
// has failed like one the host refused: the caller gets the message and
// Null, never an exception's code with its VARIANT as it was.
void AskHostGetProperty(VARIANT* aResult, std::uint32_t aObject, const std::u16string& name,
                        const std::u16string& message) {
  try {
    HostProcResult r = CallHostProc(u"GetProperty", JoinHostArgs({HandleText(aObject), name}));
    if (r.Success) {
      UniqueVariant answer;
      SetBstrVariant(answer, r.ResultText);
      Assign(aResult, answer);
      return;
    }
  } catch (...) {
  }
  SetAPIErrorText(message);
  MakeNull(aResult);
}

std::uint8_t AskHostSetProperty(std::uint32_t aObject, const std::u16string& name, const VARIANT* value,
                                const std::u16string& message) {
  try {
    // A value without a text form (or one we could not read) cannot travel.
    std::optional<std::u16string> text = value != nullptr ? VariantToTextLenient(*value) : std::nullopt;
    if (text) {
      HostProcResult r = CallHostProc(u"SetProperty", JoinHostArgs({HandleText(aObject), name, *text}));
      if (r.Success) return 1;
    }
  } catch (...) {
  }
  SetAPIErrorText(message);
  return 0;
}

}  // namespace

const char* GetPropertyList(std::uint32_t aObject, std::uint32_t aFlags) {
  const std::uint8_t flags = EffectiveListFlags(aFlags);
  try {
    host::Object o(aObject);
    std::vector<host::PropertyEntry> entries = PublishedProperties(o, PlatformNameCompare);
    return TextToPlain(PropertyListText(o, entries, flags, MethodPairNumber));
  } catch (...) {
  }
  HostProcResult r = CallHostProc(u"GetPropertyList", JoinHostArgs({HandleText(aObject), SignedText(flags)}));
  if (r.Success) return TextToPlain(r.ResultText);
  SetAPIErrorText(msg::kPropertyListFailed);
  return nullptr;
}

void GetProperty(VARIANT* aResult, std::uint32_t aObject, const char* aPropName) {
  std::u16string name;
  try {
    name = PlainText(aPropName);
  } catch (...) {
    MakeNull(aResult);
    throw;
  }
  try {
    host::Object o(aObject);
    std::vector<host::PropertyEntry> entries = PublishedProperties(o, PlatformNameCompare);
    if (const host::PropertyEntry* e = FindProperty(entries, name)) {
      ReadDirect(aResult, o, *e);
      return;
    }
    AskHostGetProperty(aResult, aObject, name, NoPropertyMessage(name));
  } catch (...) {
    AskHostGetProperty(aResult, aObject, name, msg::kPropertyReadFailed);
  }
}

const char* GetPropertyStr(std::uint32_t aObject, const char* aPropName) {
  try {
    HostProcResult r = CallHostProc(u"GetProperty", JoinHostArgs({HandleText(aObject), PlainText(aPropName)}));
    if (r.Success) return TextToPlain(r.ResultText);
    SetAPIErrorText(msg::kPropertyStrReadFailed);
  } catch (...) {
    SetAPIErrorText(msg::kPropertyUnexpected);
  }
  return nullptr;
}

std::uint8_t SetProperty(std::uint32_t aObject, const char* aPropName, const VARIANT& aPropValue) {
  // Our own copy, released on every way out; the caller's stays untouched.
  UniqueVariant copy;
  const VARIANT* value = CopyCallerVariant(aPropValue, copy) ? copy.get() : nullptr;
  const std::u16string name = PlainText(aPropName);
  try {
    host::Object o(aObject);
    std::vector<host::PropertyEntry> entries = PublishedProperties(o, PlatformNameCompare);
    if (const host::PropertyEntry* e = FindProperty(entries, name)) {
      WriteDirect(o, *e, value);
      return 1;
    }
    return AskHostSetProperty(aObject, name, value, NoPropertyMessage(name));
  } catch (...) {
    return AskHostSetProperty(aObject, name, value, msg::kPropertyChangeFailed);
  }
}

std::uint8_t SetPropertyStr(std::uint32_t aObject, const char* aPropName, const char* aPropValue) {
  try {
    HostProcResult r =
        CallHostProc(u"SetProperty", JoinHostArgs({HandleText(aObject), PlainText(aPropName), PlainText(aPropValue)}));
    if (r.Success) return 1;
    SetAPIErrorText(msg::kPropertyStrWriteFailed);
  } catch (...) {
    SetAPIErrorText(msg::kPropertyUnexpected);
  }
  return 0;
}

}  // namespace karvo
