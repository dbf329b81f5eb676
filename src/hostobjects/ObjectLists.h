// The direct work of the property and control exports over the host's
// object model: the property list with its order, the property and child
// lookups, and the two list texts. Needs no Windows API. Every failure of
// the model throws DirectFailure, which the exports turn into their host
// request.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/ObjectModel.h"
#include "hostobjects/NameRules.h"

namespace karvo {

// The direct work on a host object failed: the object model refused, or a
// value did not convert. The property and control exports go on to the
// host; the others give their own message.
struct DirectFailure {};

template <class T>
T Need(std::optional<T> v) {
  if (!v) throw DirectFailure{};
  return std::move(*v);
}
inline void Need(bool ok) {
  if (!ok) throw DirectFailure{};
}

// How the property exports treat each kind.
enum class KindGroup { NotHandled, Ordinal, Float, Text, Method };
KindGroup GroupOfKind(unsigned kind);

// The published properties of the object's class, own and inherited, each
// name once (the first the model gives wins), ordered by
// ComparePropertyNames.
std::vector<host::PropertyEntry> PublishedProperties(const host::Object& object, const WideCompare& wideCompare);

// Quicksort by ComparePropertyNames. Any comparator answer keeps it inside
// the vector, so a platform comparison that is not a strict order cannot
// break it.
void SortByPropertyName(std::vector<host::PropertyEntry>& entries, const WideCompare& wideCompare);

// The first entry whose name equals `name` with ASCII letters folded.
const host::PropertyEntry* FindProperty(const std::vector<host::PropertyEntry>& entries, std::u16string_view name);

// The number a METHOD property's (code, data) pair is shown as.
using MethodNumber = std::function<std::int32_t(const KarvoMethod&)>;

// The list text: per entry name, ":" type name, "=" value as the flags ask,
// ";" between entries. Values are read only when flag 4 is set.
std::u16string PropertyListText(const host::Object& object, const std::vector<host::PropertyEntry>& entries,
                                std::uint8_t flags, const MethodNumber& methodNumber);

// The container's children from the highest index down: name, ":" class
// name, "@" signed handle as the flags ask; ";" after each item but the one
// of index 0, once the text is not empty.
std::u16string ControlsListText(const host::Object& container, std::uint8_t flags);

// The child of that name (ControlNameMatches) with the highest index, or 0.
host::Handle FindControl(const host::Object& container, std::u16string_view name);

}  // namespace karvo
