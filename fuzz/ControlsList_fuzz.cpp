// The control list over children that the input names: the text has one
// field per child from the first non-empty item on, and the lookup finds
// the highest matching index.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../tests/testhost/TestObjectModel.h"
#include "hostobjects/ObjectLists.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  karvo::test::TestObjectModel model;
  karvo::test::TestObject container = karvo::test::MakeObject(u"TPanel", u"p");
  std::vector<std::u16string> names(1);
  for (std::size_t i = 1; i < size && names.size() < 300; ++i) {
    if (data[i] == '|')
      names.emplace_back();
    else if (data[i] != ';')
      names.back() += static_cast<char16_t>(data[i]);
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    KarvoHandle h = 0x1000 + static_cast<KarvoHandle>(i);
    model.Add(h, karvo::test::MakeObject(u"T", names[i]));
    container.Children.push_back(h);
  }
  model.Add(1, container);
  karvo::host::Object obj(model.Table(), 1);
  std::u16string text = karvo::ControlsListText(obj, 1);
  // Fields: one per child from the highest index down to 0, after the
  // leading run of empty names.
  std::size_t fields = 0, i = names.size();
  while (i > 0 && names[i - 1].empty()) --i;
  fields = i;
  std::size_t separators = 0;
  for (char16_t c : text) separators += c == u';';
  if (fields == 0 ? !text.empty() : separators != fields - 1) std::abort();
  const std::u16string& wanted = names[data[0] % names.size()];
  KarvoHandle found = karvo::FindControl(obj, wanted);
  if (found == 0) std::abort();  // the name of a child always finds one
  for (std::size_t k = found - 0x1000 + 1; k < names.size(); ++k)
    if (karvo::ControlNameMatches(names[k], wanted)) std::abort();
  (void)karvo::ControlsListText(obj, data[0]);
  return 0;
}
