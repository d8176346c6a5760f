#include "core/decimal.h"

#include <climits>

namespace tolvane {

int DecimalValue(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  return static_cast<int>(v);
}

std::string StripLeadingZeros(const std::string& text) {
  if (text.empty()) return text;
  size_t i = text.find_first_not_of('0');
  if (i == std::string::npos) return "0";
  return text.substr(i);
}

int DottedField(const std::string& text, int k) {
  if (k < 1 || k > 4) return 0;
  // Cut at the first three dots; a missing dot gives an empty field there and
  // leaves the rest of the text for the next field.
  std::string rest = text;
  for (int field = 1; field <= 3; ++field) {
    size_t dot = rest.find('.');
    std::string piece;
    if (dot != std::string::npos) {
      piece = rest.substr(0, dot);
      rest = rest.substr(dot + 1);
    }
    if (field == k) return DecimalValue(piece);
  }
  return DecimalValue(rest);
}

}  // namespace tolvane
