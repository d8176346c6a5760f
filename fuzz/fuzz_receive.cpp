// Whatever the line delivers: the receive paths of both framings (with the
// line discipline's 0xFF doubling and error marks) and the reply tests of the
// four requests.
#include <cstring>
#include <memory>
#include <vector>

#include "connection/comm_settings.h"
#include "link/serial_link.h"
#include "modbus/modbus_master.h"

namespace {

using namespace tolvane;

class LineBackend : public SerialBackend {
 public:
  std::vector<uint8_t> reply;
  std::vector<uint8_t> queued;
  int Open(const std::string&) override { return 0; }
  bool Close() override { return true; }
  bool IsOpen() const override { return true; }
  bool ApplyLine(const LineSettings&) override { return true; }
  bool Purge() override {
    queued.clear();
    return true;
  }
  bool Write(const uint8_t*, size_t, int) override {
    queued = reply;
    return true;
  }
  bool WaitReadable(int) override { return !queued.empty(); }
  long Queued() override { return static_cast<long>(queued.size()); }
  long Read(uint8_t* data, size_t n) override {
    size_t k = std::min(n, queued.size());
    std::memcpy(data, queued.data(), k);
    queued.erase(queued.begin(), queued.begin() + static_cast<long>(k));
    return static_cast<long>(k);
  }
};

LineBackend* Setup() {
  auto backend = std::make_unique<LineBackend>();
  LineBackend* b = backend.get();
  Link().SetBackend(std::move(backend));
  SetSleepHook([](int) {});
  return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static LineBackend* backend = Setup();
  if (size < 2) return 0;
  const uint8_t control = data[0];
  backend->reply.assign(data + 2, data + size);
  CommSettings& c = Comm();
  c.transferMode = control & 1;
  c.station = 1;
  c.baud = 115200;
  int result = 0;
  switch ((control >> 1) & 3) {
    case 0: result = ProbeModule(); break;
    case 1: result = ReadRegisters(data[1]); break;
    case 2: {
      const uint8_t payload[8] = {0, 192, 0, 168, 0, 1, 0, 170};
      result = WriteRegisters(12, sizeof payload, payload);
      break;
    }
    default: {
      uint8_t buf[kFrameBufferSize];
      backend->queued = backend->reply;
      ReadResult r = Link().ReadQueued(buf);
      if (r.count > kFrameBufferSize) __builtin_trap();
      return 0;
    }
  }
  // A success must leave a reply that the callers can read at their fixed positions.
  if (result == 0 && ReplyLength() < 2) __builtin_trap();
  if (result == 0 && ((control >> 1) & 3) == 1 && ReplyLength() < 3u + 2u * data[1]) __builtin_trap();
  return 0;
}
