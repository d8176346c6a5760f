// Test doubles: a message recorder that answers, a window-thread pump for the
// workers, and a serial backend that produces faults on demand.
#pragma once
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/dispatcher.h"
#include "core/message_rule.h"
#include "link/serial_backend.h"

namespace tolvane::test {

class MessageRecorder : public MessagePresenter {
 public:
  MessageRecorder();
  ~MessageRecorder() override;
  MsgAnswer Present(const MessageRequest& request) override;
  void SetWaitCursor(bool on) override { cursorLog.push_back(on); }
  std::vector<MessageRequest> messages;
  std::vector<std::string> Texts() const;
  std::vector<bool> cursorLog;
  MsgAnswer answer = MsgAnswer::Yes;
  std::function<void(const MessageRequest&)> onPresent;  // sees the world as the box opens
  std::mutex mutex;                                      // messages may come from a worker in tests without a pump
};

// Plays the window's thread: workers queue work here and the test thread runs it.
class PumpDispatcher : public UiDispatcher {
 public:
  PumpDispatcher() : owner_(std::this_thread::get_id()) {}
  void RunBlocking(const std::function<void()>& fn) override;
  void Post(std::function<void()> fn) override;
  // Runs queued work until pred() holds or the limit passes; returns pred().
  bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit = std::chrono::seconds(60));

 private:
  std::thread::id owner_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> queue_;
};

// A serial backend under the test's control.
class FakeBackend : public SerialBackend {
 public:
  int openError = 0;
  bool open = false;
  bool applyOk = true;
  bool writeOk = true;
  std::vector<uint8_t> incoming;              // what the next read delivers (raw, marks included)
  std::vector<std::vector<uint8_t>> replies;  // queued per write, in order
  std::vector<std::vector<uint8_t>> written;
  std::vector<int> waits;
  long forcedQueued = -1;
  bool wakeWithoutBytes = false;  // every wait says readable, bytes or not (a hang-up)
  bool echo = false;              // every frame written comes back before its reply
  std::vector<int> quietWaits;    // the silences asked for, apart from the waits for a reply
  int purges = 0, opens = 0, closes = 0;
  std::vector<std::string> opened;  // the device paths, in order
  std::vector<LineSettings> applied;

  int Open(const std::string&) override;
  bool Close() override;
  bool IsOpen() const override { return open; }
  bool ApplyLine(const LineSettings& s) override;
  bool Purge() override;
  bool Write(const uint8_t* data, size_t n, int limitMs) override;
  bool WaitReadable(int limitMs) override;
  bool StaysQuiet(int limitMs) override;
  long Queued() override;
  long Read(uint8_t* data, size_t n) override;
};

// Installs a FakeBackend in Link() for one test, and the real one afterwards.
class FakeLinkScope {
 public:
  FakeLinkScope();
  ~FakeLinkScope();
  FakeBackend& fake() { return *fake_; }

 private:
  FakeBackend* fake_;
};

}  // namespace tolvane::test
