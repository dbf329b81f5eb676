// Host objects: published properties, children of containers, menus,
// bitmap resources, actions and methods.
#include "hostobjects/Containers.h"
#include "hostobjects/MenusAndMethods.h"
#include "hostobjects/ObjectProperties.h"
#include "uKARVO/Exports.h"

using namespace karvo;

namespace {
std::uint32_t H(const void* h) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h)); }
KARVO_HANDLE AsHandle(std::uint32_t h) { return reinterpret_cast<KARVO_HANDLE>(static_cast<std::uintptr_t>(h)); }
}  // namespace

// The object's published properties as name:type=value;... (aFlags 1 name,
// 2 type, 4 value; 0 is 7); asks the host when the direct listing fails.
// Null for no properties, or on failure with the message set.
const char* __stdcall GetPropertyList(KARVO_HANDLE aObject, unsigned int aFlags) {
  return Guarded<const char*>(nullptr, [&] { return karvo::GetPropertyList(H(aObject), aFlags); });
}

// The property's value into the caller's VARIANT (VT_I4, VT_R8 or VT_BSTR;
// the host's text as VT_BSTR); on failure VT_NULL and the message.
void __stdcall GetProperty(VARIANT* aResult, KARVO_HANDLE aObject, const char* aPropName) {
  GuardedVoid([&] { karvo::GetProperty(aResult, H(aObject), aPropName); });
}

// The host's text for the property; null on failure with the message.
const char* __stdcall GetPropertyStr(KARVO_HANDLE aObject, const char* aPropName) {
  return Guarded<const char*>(nullptr, [&] { return karvo::GetPropertyStr(H(aObject), aPropName); });
}

// Writes the value (taken by value, copied and released here); 1 when the
// property or the host took it, 0 with the message.
unsigned char __stdcall SetProperty(KARVO_HANDLE aObject, const char* aPropName, VARIANT aPropValue) {
  return Guarded<unsigned char>(0, [&] { return karvo::SetProperty(H(aObject), aPropName, aPropValue); });
}

// Has the host set the property from text; 1 on success, 0 with the message.
unsigned char __stdcall SetPropertyStr(KARVO_HANDLE aObject, const char* aPropName, const char* aPropValue) {
  return Guarded<unsigned char>(0, [&] { return karvo::SetPropertyStr(H(aObject), aPropName, aPropValue); });
}

// The container's children, highest index first, as name:class@handle;...;
// asks the host when the direct listing fails. Null for none or on failure.
const char* __stdcall GetControlsList(KARVO_HANDLE aContainer, unsigned int aFlags) {
  return Guarded<const char*>(nullptr, [&] { return karvo::GetControlsList(H(aContainer), aFlags); });
}

// The child of that name (ASCII case ignored); null when there is none
// (no message) or when the host could not say either (message).
KARVO_HANDLE __stdcall GetControl(KARVO_HANDLE aContainer, const char* aControlName) {
  return Guarded<KARVO_HANDLE>(nullptr, [&] { return AsHandle(karvo::GetControl(H(aContainer), aControlName)); });
}

// Has the host add a control described by aText1;aText2; its handle, or
// null with the request's message.
KARVO_HANDLE __stdcall AddControl(KARVO_HANDLE aContainer, const char* aText1, const char* aText2) {
  return Guarded<KARVO_HANDLE>(nullptr, [&] { return AsHandle(karvo::AddControl(H(aContainer), aText1, aText2)); });
}

// Has the host clone the container; 1 on success, 0 with the message.
unsigned char __stdcall CloneContener(KARVO_HANDLE aContainer, int aNumber) {
  return Guarded<unsigned char>(0, [&] { return karvo::CloneContener(H(aContainer), aNumber); });
}

// Appends a TMenuItem to a main or popup menu's root item, or to a menu
// item; 1 when appended, 0 with the message.
unsigned char __stdcall AddMenuItem(KARVO_HANDLE aMenu, KARVO_HANDLE aMenuItem) {
  return Guarded<unsigned char>(0, [&] { return karvo::AddMenuItem(H(aMenu), H(aMenuItem)); });
}

// Exported as LoadResource: loads the RT_BITMAP resource named aResName (or
// numbered aResID when it is null) of module aInstance into a TBitmap;
// 1 when loaded, 0 with the message.
unsigned char __stdcall KarvoLoadResource(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, const char* aResName,
                                          int aResID) {
  return Guarded<unsigned char>(0, [&] { return karvo::LoadResource(H(aBitmap), H(aInstance), aResName, aResID); });
}

// As LoadResource; an empty name loads by number. Uses the return buffer.
unsigned char __stdcall LoadResourceA(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, KARVO_ANSISTRING aResName,
                                      int aResID) {
  return Guarded<unsigned char>(0, [&] {
    AnsiArg name(aResName);
    return KarvoLoadResource(aBitmap, aInstance, PlainFromA(name), aResID);
  });
}

unsigned char __stdcall LoadResourceW(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, BSTR aResName, int aResID) {
  return Guarded<unsigned char>(0, [&] { return KarvoLoadResource(aBitmap, aInstance, PlainFromW(aResName), aResID); });
}

// Runs the action; its verdict (1 handled, 0 nothing to do, no message), or
// 0 with the message when it failed.
unsigned char __stdcall ExecuteAction(KARVO_HANDLE aAction) {
  return Guarded<unsigned char>(0, [&] { return karvo::ExecuteAction(H(aAction)); });
}

// Calls the method aCode on the object aData; 1 when called, 0 with the
// message. A success leaves the last error as it was.
unsigned char __stdcall ExecuteMethod(void* aCode, void* aData) {
  return Guarded<unsigned char>(0, [&] { return karvo::ExecuteMethod(H(aCode), H(aData)); });
}

// Calls the object's published method of that name (case ignored, ancestors
// searched); 1 when called, 0 with the message. A success leaves the last
// error as it was.
unsigned char __stdcall ExecuteClassMethodByName(KARVO_HANDLE aObject, const char* aMethodName) {
  return Guarded<unsigned char>(0, [&] { return karvo::ExecuteClassMethodByName(H(aObject), aMethodName); });
}
