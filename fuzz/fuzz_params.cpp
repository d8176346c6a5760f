// Parameter files as a user's disk may hold them. Reading never fails without
// a message; what it accepts keeps every value within its field's rule and,
// written again, reads back the same, identity included. The saved module's
// mode is only told, so a file without a valid one still loads: -1 stands for it.
#include <string>

#include "device/register_map.h"
#include "models/parameter_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvane;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const ParameterFileReading r = ReadParameterFile(text);
  if (!r.values) {
    if (r.problem.zh.empty() || r.problem.en.empty()) __builtin_trap();
    return 0;
  }
  const ModuleParameters& v = *r.values;
  if (v.station < kMinStation || v.station > kMaxStation || v.modeCode < -1 || v.modeCode >= kCommModeCount ||
      v.baudCode < 0 || v.baudCode >= kBaudCodeCount || v.stopAddress < kMinStopAddress ||
      v.stopAddress > kMaxStopAddress || v.stopCode < kMinStopCode || v.stopCode > kMaxStopCode)
    __builtin_trap();
  for (const std::string* address : {&v.ip, &v.mask, &v.gateway})
    if (address->size() < 7 || address->size() > 15) __builtin_trap();
  const ParameterFileReading again = ReadParameterFile(ParameterFileText(v, {"1.0", "now"}));
  if (!again.values) __builtin_trap();
  if (!(*again.values == v)) __builtin_trap();
  return 0;
}
