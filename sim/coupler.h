// The simulated coupler's Modbus slave logic, apart from the pseudo-terminal.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<uint8_t>;

uint16_t Crc16(const uint8_t* data, size_t n);  // bitwise, independent of the tool's tables
Bytes EncodeRtu(const Bytes& pdu);
Bytes EncodeAscii(const Bytes& pdu);
std::optional<Bytes> DecodeRtu(const Bytes& frame);
std::optional<Bytes> DecodeAscii(const Bytes& frame);
std::string Hex(const Bytes& b);

extern const uint32_t kBaudByCode[8];

struct LineFormat {
  uint32_t baud;
  bool twoStopBits;
  bool oddParity;
};
// What the pty can show of frame format 0..5 at a rate.
LineFormat ExpectedLine(uint32_t baud, int format);

class Coupler {
 public:
  Coupler();
  std::array<uint16_t, 26> regs{};
  // The settings the module answers with: taken from registers 2-4 at (re)start.
  uint8_t station = 1;
  uint32_t baud = 9600;
  int format = 0;
  void Restart();
  bool Rtu() const { return format < 3; }
  // The reply PDU for a request PDU, or nothing (not for this station).
  std::optional<Bytes> Handle(const Bytes& request, std::string& description, bool& wrote);
};

}  // namespace sim
