// Text as a Windows editor saves it in "Unicode": UTF-16 after its byte order
// mark, little-endian unless asked for big-endian.
#pragma once
#include <string>

namespace tolvane::test {

inline std::string Utf16(const std::u16string& s, bool bigEndian = false) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : s) {
    const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
    out += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return out;
}

}  // namespace tolvane::test
