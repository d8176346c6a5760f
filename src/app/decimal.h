#pragma once
#include <string>

namespace tolvane {

// The leading decimal integer of a text: leading white space, an optional sign,
// then digits up to the first other character; 0 without digits. Saturates at
// the 32-bit range instead of overflowing.
int DecimalValue(const std::string& text);

}  // namespace tolvane
