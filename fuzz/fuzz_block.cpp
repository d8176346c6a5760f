// The parameter block decoder and its display forms, on any reply data.
#include <cstring>

#include "device/parameter_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvane;
  FormattedBlock f = FormatParameterBlock(DecodeParameterBlock(data, size));
  if (f.mac.size() != 17 || f.softwareVersion.size() != 4 || f.hardwareVersion.size() != 4) __builtin_trap();
  if (f.ip.size() < 7 || f.ip.size() > 15) __builtin_trap();
  if (f.modeSelection < 0 || f.modeSelection > 5 || f.baudSelection < 0 || f.baudSelection > 7) __builtin_trap();
  return 0;
}
