#include "sim/coupler.h"

#include <cstdio>

namespace sim {

const uint32_t kBaudByCode[8] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

uint16_t Crc16(const uint8_t* data, size_t n) {
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int b = 0; b < 8; ++b) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

Bytes EncodeRtu(const Bytes& pdu) {
  Bytes f = pdu;
  uint16_t crc = Crc16(pdu.data(), pdu.size());
  f.push_back(static_cast<uint8_t>(crc & 0xFF));
  f.push_back(static_cast<uint8_t>(crc >> 8));
  return f;
}

Bytes EncodeAscii(const Bytes& pdu) {
  static const char hex[] = "0123456789ABCDEF";
  Bytes f{':'};
  uint8_t sum = 0;
  for (uint8_t b : pdu) {
    f.push_back(static_cast<uint8_t>(hex[b >> 4]));
    f.push_back(static_cast<uint8_t>(hex[b & 15]));
    sum = static_cast<uint8_t>(sum + b);
  }
  uint8_t lrc = static_cast<uint8_t>(-sum);
  f.push_back(static_cast<uint8_t>(hex[lrc >> 4]));
  f.push_back(static_cast<uint8_t>(hex[lrc & 15]));
  f.push_back('\r');
  f.push_back('\n');
  return f;
}

std::optional<Bytes> DecodeRtu(const Bytes& frame) {
  if (frame.size() < 4 || Crc16(frame.data(), frame.size()) != 0) return std::nullopt;
  return Bytes(frame.begin(), frame.end() - 2);
}

std::optional<Bytes> DecodeAscii(const Bytes& frame) {
  auto val = [](uint8_t c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (frame.size() < 9 || frame[0] != ':' || frame[frame.size() - 2] != '\r' || frame.back() != '\n')
    return std::nullopt;
  size_t digits = frame.size() - 3;
  if (digits % 2) return std::nullopt;
  Bytes bin;
  uint8_t sum = 0;
  for (size_t i = 1; i + 1 < frame.size() - 2; i += 2) {
    int h = val(frame[i]), l = val(frame[i + 1]);
    if (h < 0 || l < 0) return std::nullopt;
    bin.push_back(static_cast<uint8_t>(h * 16 + l));
    sum = static_cast<uint8_t>(sum + bin.back());
  }
  if (sum != 0) return std::nullopt;
  bin.pop_back();
  return bin;
}

std::string Hex(const Bytes& b) {
  std::string s;
  char buf[4];
  for (size_t i = 0; i < b.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", b[i]);
    s += buf;
  }
  return s;
}

LineFormat ExpectedLine(uint32_t baud, int format) {
  return {baud, format == 0 || format == 3, format == 1 || format == 4};
}

Coupler::Coupler() {
  const uint16_t defaults[26] = {0x1501, 0x1002, 1,   0,   3,   8192, 3, 0,   0x0012, 0x3456, 0x789A, 0,      192,
                                 168,    1,      170, 255, 255, 255,  0, 192, 168,    1,      1,      0x0105, 0x0201};
  for (int i = 0; i < 26; ++i) regs[i] = defaults[i];
  Restart();
}

void Coupler::Restart() {
  station = static_cast<uint8_t>(regs[2] & 0xFF);
  format = (regs[3] & 0xFF) < 6 ? regs[3] & 0xFF : 0;
  baud = kBaudByCode[(regs[4] & 0xFF) < 8 ? regs[4] & 0xFF : 3];
}

std::optional<Bytes> Coupler::Handle(const Bytes& req, std::string& description, bool& wrote) {
  wrote = false;
  char text[96];
  if (req.size() < 2) return std::nullopt;
  if (req[0] != station) {
    std::snprintf(text, sizeof text, "station %d, not ours", req[0]);
    description = text;
    return std::nullopt;
  }
  auto exception = [&](uint8_t code) { return Bytes{req[0], static_cast<uint8_t>(req[1] | 0x80), code}; };
  if (req[1] == 0x03 && req.size() == 6) {
    int start = req[2] << 8 | req[3], count = req[4] << 8 | req[5];
    std::snprintf(text, sizeof text, "read start=%d count=%d", start, count);
    description = text;
    if (count < 1 || count > 125 || start + count > 26) return exception(2);
    Bytes r{req[0], 0x03, static_cast<uint8_t>(2 * count)};
    for (int i = start; i < start + count; ++i) {
      r.push_back(static_cast<uint8_t>(regs[i] >> 8));
      r.push_back(static_cast<uint8_t>(regs[i] & 0xFF));
    }
    return r;
  }
  if (req[1] == 0x10 && req.size() >= 7) {
    int start = req[2] << 8 | req[3], qty = req[4] << 8 | req[5], n = req[6];
    std::snprintf(text, sizeof text, "write start=%d qty=%d bytes=%d", start, qty, n);
    description = text;
    if (qty < 1 || n != 2 * qty || req.size() != static_cast<size_t>(7 + n) || start + qty > 26) return exception(2);
    for (int i = 0; i < qty; ++i) regs[start + i] = static_cast<uint16_t>(req[7 + 2 * i] << 8 | req[8 + 2 * i]);
    wrote = true;
    return Bytes{req[0], 0x10, req[2], req[3], req[4], req[5]};
  }
  std::snprintf(text, sizeof text, "function %d unsupported", req[1]);
  description = text;
  return exception(1);
}

}  // namespace sim
