// Host objects: published properties, children of containers, menus,
// bitmap resources, actions and methods.
#include "hostobjects/Containers.h"
#include "hostobjects/MenusAndMethods.h"
#include "hostobjects/ObjectProperties.h"
#include "uKARVO/Exports.h"

using namespace karvo;

// The object's published properties as name:type=value;... as aFlags asks.
const char* __stdcall GetPropertyList(KARVO_HANDLE aObject, unsigned int aFlags) {
  return Guarded<const char*>(nullptr, [&] { return karvo::GetPropertyList(NumberOf(aObject), aFlags); });
}

// The property's value into the caller's VARIANT; VT_NULL on failure.
void __stdcall GetProperty(VARIANT* aResult, KARVO_HANDLE aObject, const char* aPropName) {
  GuardedVoid([&] { karvo::GetProperty(aResult, NumberOf(aObject), aPropName); });
}

// The host's text for the property.
const char* __stdcall GetPropertyStr(KARVO_HANDLE aObject, const char* aPropName) {
  return Guarded<const char*>(nullptr, [&] { return karvo::GetPropertyStr(NumberOf(aObject), aPropName); });
}

// Writes the value (copied and released here); 1 when the property or the host took it.
unsigned char __stdcall SetProperty(KARVO_HANDLE aObject, const char* aPropName, VARIANT aPropValue) {
  return Guarded<unsigned char>(0, [&] { return karvo::SetProperty(NumberOf(aObject), aPropName, aPropValue); });
}

// Has the host set the property from text; 1 on success.
unsigned char __stdcall SetPropertyStr(KARVO_HANDLE aObject, const char* aPropName, const char* aPropValue) {
  return Guarded<unsigned char>(0, [&] { return karvo::SetPropertyStr(NumberOf(aObject), aPropName, aPropValue); });
}

// The container's children, highest index first, as name:class@handle;...
const char* __stdcall GetControlsList(KARVO_HANDLE aContainer, unsigned int aFlags) {
  return Guarded<const char*>(nullptr, [&] { return karvo::GetControlsList(NumberOf(aContainer), aFlags); });
}

// The child of that name (ASCII case ignored); null when there is none.
KARVO_HANDLE __stdcall GetControl(KARVO_HANDLE aContainer, const char* aControlName) {
  return Guarded<KARVO_HANDLE>(nullptr,
                               [&] { return HandleOf(karvo::GetControl(NumberOf(aContainer), aControlName)); });
}

// Has the host add a control described by aText1;aText2; its handle.
KARVO_HANDLE __stdcall AddControl(KARVO_HANDLE aContainer, const char* aText1, const char* aText2) {
  return Guarded<KARVO_HANDLE>(nullptr,
                               [&] { return HandleOf(karvo::AddControl(NumberOf(aContainer), aText1, aText2)); });
}

// Has the host clone the container; 1 on success.
unsigned char __stdcall CloneContener(KARVO_HANDLE aContainer, int aNumber) {
  return Guarded<unsigned char>(0, [&] { return karvo::CloneContener(NumberOf(aContainer), aNumber); });
}

// Appends a TMenuItem to a menu's root item or to a menu item; 1 when appended.
unsigned char __stdcall AddMenuItem(KARVO_HANDLE aMenu, KARVO_HANDLE aMenuItem) {
  return Guarded<unsigned char>(0, [&] { return karvo::AddMenuItem(NumberOf(aMenu), NumberOf(aMenuItem)); });
}

// Exported as LoadResource: a bitmap resource (by name, or by number when aResName is null) into a TBitmap.
unsigned char __stdcall KarvoLoadResource(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, const char* aResName,
                                          int aResID) {
  return Guarded<unsigned char>(
      0, [&] { return karvo::LoadResource(NumberOf(aBitmap), NumberOf(aInstance), aResName, aResID); });
}

// The name goes to the plain form through the return buffer, so an earlier text result is overwritten.
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

// Runs the action; 1 when it did its work, 0 when it had nothing to do or failed.
unsigned char __stdcall ExecuteAction(KARVO_HANDLE aAction) {
  return Guarded<unsigned char>(0, [&] { return karvo::ExecuteAction(NumberOf(aAction)); });
}

// Calls the method aCode on aData; a success leaves an earlier message in the last error.
unsigned char __stdcall ExecuteMethod(void* aCode, void* aData) {
  return Guarded<unsigned char>(kKeepLastError, 0,
                                [&] { return karvo::ExecuteMethod(NumberOf(aCode), NumberOf(aData)); });
}

// Calls the object's published method of that name; a success leaves an earlier message in the last error.
unsigned char __stdcall ExecuteClassMethodByName(KARVO_HANDLE aObject, const char* aMethodName) {
  return Guarded<unsigned char>(kKeepLastError, 0,
                                [&] { return karvo::ExecuteClassMethodByName(NumberOf(aObject), aMethodName); });
}
