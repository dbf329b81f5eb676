#include "hostobjects/MenusAndMethods.h"

#include "host/ObjectModel.h"
#include "hostobjects/NameRules.h"
#include "hostobjects/ObjectLists.h"
#include "link/ApiError.h"
#include "link/ExportForms.h"
#include "messages/Messages.h"

namespace karvo {

namespace {

constexpr std::uint32_t kLargestResourceNumber = 0xFFFF;

std::uint8_t Fail(const char16_t* message) {
  SetAPIErrorText(message);
  return 0;
}

}  // namespace

std::uint8_t AddMenuItem(std::uint32_t aMenu, std::uint32_t aMenuItem) {
  host::Object menu(aMenu), item(aMenuItem);
  // A handle the model does not know has no class name, so it is refused
  // here as not being a menu or a menu item.
  const std::u16string menuClass = menu.ClassName().value_or(u"");
  const bool intoItem = menuClass == u"TMenuItem";
  if (!intoItem && menuClass != u"TPopupMenu" && menuClass != u"TMainMenu") return Fail(msg::kFirstNotMenu);
  if (!item.IsClass(u"TMenuItem")) return Fail(msg::kSecondNotMenuItem);
  try {
    host::Object parent = intoItem ? menu : Need(menu.MenuRootItem());
    Need(parent.AppendMenuItem(item));
    return 1;
  } catch (...) {
    return Fail(msg::kMenuAppendFailed);
  }
}

std::uint8_t LoadResource(std::uint32_t aBitmap, std::uint32_t aInstance, const char* aResName, std::int32_t aResID) {
  try {
    host::Object bitmap(aBitmap);
    if (Need(bitmap.ClassName()) != u"TBitmap") return Fail(msg::kOnlyBitmaps);
    if (aResName != nullptr) {
      Need(bitmap.LoadBitmapResource(aInstance, PlainText(aResName), 0));
    } else {
      // Above 65535 the platform would take the number for the address of
      // a name: no resource has such a number.
      const auto number = static_cast<std::uint32_t>(aResID);
      Need(number <= kLargestResourceNumber);
      Need(bitmap.LoadBitmapResource(aInstance, std::nullopt, number));
    }
    return 1;
  } catch (...) {
    return Fail(msg::kResourceLoadFailed);
  }
}

std::uint8_t ExecuteAction(std::uint32_t aAction) {
  try {
    return Need(host::Object(aAction).ExecuteAction()) ? 1 : 0;
  } catch (...) {
    return Fail(msg::kActionFailed);
  }
}

std::uint8_t ExecuteMethod(std::uint32_t aCode, std::uint32_t aData) {
  try {
    Need(host::CallMethod(KarvoMethod{aCode, aData}));
    return 1;
  } catch (...) {
    return Fail(msg::kMethodFailed);
  }
}

std::uint8_t ExecuteClassMethodByName(std::uint32_t aObject, const char* aMethodName) {
  try {
    host::Object object(aObject);
    const std::uint32_t code = Need(object.FindMethod(MethodLookupName(PlainText(aMethodName))));
    if (code == 0) return Fail(msg::kMethodNotFound);
    Need(host::CallMethod(KarvoMethod{code, aObject}));
    return 1;
  } catch (...) {
    return Fail(msg::kMethodFailed);
  }
}

}  // namespace karvo
