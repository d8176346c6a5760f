// What the commands put into the coupler, as register writes in the order the
// module expects them. Callers check values and pick messages; these only send.
#pragma once
#include <cstdint>
#include <string>

#include "core/link_result.h"
#include "device/parameter_block.h"
#include "device/register_map.h"

namespace tolvane {

// The block of the last successful read (all its registers are in the reply).
ParameterBlock DecodeBlockReply();

// Station, mode code and baud rate code, one register each.
LinkResult WriteCommParameters(uint16_t station, uint8_t modeCode, uint8_t baudCode);
LinkResult WriteShutdown(uint16_t stopAddress, uint16_t stopCode);
// A dotted address, one octet in the low byte of each register.
LinkResult WriteAddress(const RegisterRange& range, const std::string& dotted);
// Address, mask, then gateway; stops at the first failed write, leaving the
// earlier ones in place.
LinkResult WriteNetworkConfiguration(const std::string& ip, const std::string& mask, const std::string& gateway);
// The factory values: shutdown, the three addresses, then the communication
// parameters, whose write is sent once more when it fails (the module may
// already have switched).
LinkResult WriteFactorySettings();

}  // namespace tolvane
