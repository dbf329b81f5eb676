#include "hostobjects/ObjectLists.h"

#include <set>
#include <utility>

#include "conversions/AsciiCase.h"
#include "conversions/TextForms.h"

namespace karvo {

KindGroup GroupOfKind(unsigned kind) {
  switch (kind) {
    case KARVO_tkInteger:
    case KARVO_tkChar:
    case KARVO_tkEnumeration:
    case KARVO_tkSet:
    case KARVO_tkClass:
    case KARVO_tkWChar: return KindGroup::Ordinal;
    case KARVO_tkFloat: return KindGroup::Float;
    case KARVO_tkString:
    case KARVO_tkLString:
    case KARVO_tkWString:
    case KARVO_tkUString: return KindGroup::Text;
    case KARVO_tkMethod: return KindGroup::Method;
    default: return KindGroup::NotHandled;
  }
}

namespace {

// Lomuto partition around the middle element; the larger side is looped,
// the smaller recursed, so the depth stays logarithmic.
void QuickSort(std::vector<host::PropertyEntry>& v, std::size_t lo, std::size_t hi, const WideCompare& cmp) {
  while (lo < hi) {
    std::swap(v[lo + (hi - lo) / 2], v[hi]);
    std::size_t store = lo;
    for (std::size_t j = lo; j < hi; ++j) {
      if (ComparePropertyNames(v[j].Name, v[hi].Name, cmp) < 0) std::swap(v[store++], v[j]);
    }
    std::swap(v[store], v[hi]);
    if (store - lo < hi - store) {
      if (store > lo) QuickSort(v, lo, store - 1, cmp);
      lo = store + 1;
    } else {
      QuickSort(v, store + 1, hi, cmp);
      if (store == lo) break;
      hi = store - 1;
    }
  }
}

}  // namespace

void SortByPropertyName(std::vector<host::PropertyEntry>& entries, const WideCompare& wideCompare) {
  if (entries.size() > 1) QuickSort(entries, 0, entries.size() - 1, wideCompare);
}

std::vector<host::PropertyEntry> PublishedProperties(const host::Object& object, const WideCompare& wideCompare) {
  int count = Need(object.PropertyCount());
  std::vector<host::PropertyEntry> entries;
  entries.reserve(static_cast<std::size_t>(count));
  std::set<std::u16string> seen;
  for (int i = 0; i < count; ++i) {
    host::PropertyEntry e = Need(object.Property(i));
    // Names compare without ASCII case everywhere else, so a name that came
    // twice could never be told apart from its twin.
    if (seen.insert(UpperAscii(e.Name)).second) entries.push_back(std::move(e));
  }
  SortByPropertyName(entries, wideCompare);
  return entries;
}

const host::PropertyEntry* FindProperty(const std::vector<host::PropertyEntry>& entries, std::u16string_view name) {
  for (const host::PropertyEntry& e : entries)
    if (EqualIgnoringAsciiCase(e.Name, name)) return &e;
  return nullptr;
}

namespace {

std::u16string ValueText(const host::Object& object, const host::PropertyEntry& e, const MethodNumber& methodNumber) {
  switch (GroupOfKind(e.Kind)) {
    case KindGroup::Ordinal: return SignedText(Need(object.ReadOrdinal(e)));
    case KindGroup::Float: return FloatToTextRule(Need(object.ReadFloat(e)));
    case KindGroup::Text: return u"'" + Need(object.ReadText(e)) + u"'";
    case KindGroup::Method: return SignedText(methodNumber(Need(object.ReadMethod(e))));
    case KindGroup::NotHandled: break;
  }
  return {};
}

}  // namespace

std::u16string PropertyListText(const host::Object& object, const std::vector<host::PropertyEntry>& entries,
                                std::uint8_t flags, const MethodNumber& methodNumber) {
  const bool name = flags & kListName, type = flags & kListType, value = flags & kListValue;
  std::u16string text;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const host::PropertyEntry& e = entries[i];
    if (name) text += e.Name;
    if (name && type) text += u':';
    if (type) text += e.TypeName;
    if (value) {
      if (name || type) text += u'=';
      text += ValueText(object, e, methodNumber);
    }
    if (i + 1 < entries.size()) text += u';';
  }
  return text;
}

std::u16string ControlsListText(const host::Object& container, std::uint8_t flags) {
  const bool name = flags & kListName, cls = flags & kListType, handle = flags & kListValue;
  std::u16string text;
  for (int i = Need(container.ChildCount()) - 1; i >= 0; --i) {
    host::Object child = Need(container.Child(i));
    if (name) text += Need(child.Name());
    if (cls) {
      if (name) text += u':';
      text += Need(child.ClassName());
    }
    if (handle) {
      if (name || cls) text += u'@';
      text += SignedText(static_cast<std::int32_t>(child.handle()));
    }
    if (i != 0 && !text.empty()) text += u';';
  }
  return text;
}

host::Handle FindControl(const host::Object& container, std::u16string_view name) {
  for (int i = Need(container.ChildCount()) - 1; i >= 0; --i) {
    host::Object child = Need(container.Child(i));
    if (ControlNameMatches(Need(child.Name()), name)) return child.handle();
  }
  return 0;
}

}  // namespace karvo
