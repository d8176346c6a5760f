#pragma once
#include <string>

namespace tolvane {

// The leading decimal integer of a text: leading white space, an optional sign,
// then digits up to the first other character; 0 without digits. Saturates at
// the 32-bit range instead of overflowing.
int DecimalValue(const std::string& text);

// A number field's text without its leading zeros ("0" stays "0", "" stays "").
std::string StripLeadingZeros(const std::string& text);
// Field k (1..4) of a dotted address as a decimal value; a missing dot leaves an
// empty field there and the rest of the text to the next field.
int DottedField(const std::string& text, int k);

}  // namespace tolvane
