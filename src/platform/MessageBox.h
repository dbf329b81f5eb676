// The modal message box through which a few failures speak to the user.
#pragma once

#include <string>

namespace karvo {

// Shows the text with an OK button and returns when it is closed.
void ShowMessage(const std::u16string& text);

}  // namespace karvo
