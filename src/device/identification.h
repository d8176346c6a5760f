#pragma once
#include <cstdint>
#include <string>

#include "core/texts.h"

namespace tolvane {

inline constexpr uint16_t kCouplerType = 0x1501;

std::string ModelName(uint16_t typeCode);  // empty for a code not in the table
const TextPair& CouplerCheck(uint16_t typeCode);
// Type code of the reply of a successful probe (register 0).
uint16_t ProbedTypeCode();

}  // namespace tolvane
