#include "device/identification.h"

#include "modbus/modbus_master.h"

namespace tolvane {
namespace {
struct Model {
  uint16_t code;
  const char* name;
};
const Model kModels[] = {{0x0123, "KX-110"}, {0x1016, "KX-120"}, {0x1501, "KX-130"},
                         {0x2016, "KX-140"}, {0x3004, "KX-150"}, {0x3101, "KX-160"},
                         {0x3104, "KX-170"}, {0x4004, "KX-180"}, {0x5302, "KX-190"}};
}  // namespace

std::string ModelName(uint16_t typeCode) {
  for (const Model& m : kModels)
    if (m.code == typeCode) return m.name;
  return {};
}

const TextPair& CouplerCheck(uint16_t typeCode) {
  return typeCode == kCouplerType ? txt::kModelKx130 : txt::kModelUnknown;
}

uint16_t ProbedTypeCode() {
  const uint8_t* r = Reply();
  return static_cast<uint16_t>(r[3] * 256 + r[4]);
}

}  // namespace tolvane
