// The text rules behind every typed field: DottedField, StripLeadingZeros and
// the decimal value.
#include <string>

#include "core/decimal.h"
#include "models/main_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvane;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (int k = -1; k <= 5; ++k) {
    int v = DottedField(text, k);
    if ((k < 1 || k > 4) && v != 0) __builtin_trap();
  }
  const std::string stripped = StripLeadingZeros(text);
  if (stripped.empty() != text.empty()) __builtin_trap();
  if (stripped.size() > 1 && stripped[0] == '0') __builtin_trap();
  DecimalValue(text);
  return 0;
}
