#include "support/recorders.h"

#include <algorithm>

#include "link/serial_backend.h"
#include "link/serial_link.h"

namespace tolvane::test {

MessageRecorder::MessageRecorder() { SetMessagePresenter(this); }
MessageRecorder::~MessageRecorder() { SetMessagePresenter(nullptr); }

MsgAnswer MessageRecorder::Present(const MessageRequest& r) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    messages.push_back(r);
  }
  if (onPresent) onPresent(r);
  if (r.buttons == MsgButtons::YesNo) return answer == MsgAnswer::Yes ? MsgAnswer::Yes : MsgAnswer::No;
  return MsgAnswer::Ok;
}

std::vector<std::string> MessageRecorder::Texts() const {
  std::vector<std::string> t;
  for (const auto& m : messages) t.push_back(m.text);
  return t;
}

void PumpDispatcher::RunBlocking(const std::function<void()>& fn) {
  if (std::this_thread::get_id() == owner_) {
    fn();
    return;
  }
  std::mutex doneMutex;
  std::condition_variable doneCv;
  bool done = false;
  Post([&] {
    fn();
    std::lock_guard<std::mutex> lock(doneMutex);
    done = true;
    doneCv.notify_all();
  });
  std::unique_lock<std::mutex> lock(doneMutex);
  doneCv.wait(lock, [&] { return done; });
}

void PumpDispatcher::Post(std::function<void()> fn) {
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.push_back(std::move(fn));
  cv_.notify_all();
}

bool PumpDispatcher::PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (pred()) return true;
    std::function<void()> fn;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      // Conditions outside the queue (a simulator's log) are looked at every 10 ms.
      auto slice = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(10));
      if (!cv_.wait_until(lock, slice, [&] { return !queue_.empty(); })) {
        if (std::chrono::steady_clock::now() >= deadline) return pred();
        continue;
      }
      fn = std::move(queue_.front());
      queue_.pop_front();
    }
    fn();
  }
}

int FakeBackend::Open(const std::string& path) {
  ++opens;
  opened.push_back(path);
  if (openError) return openError;
  open = true;
  return 0;
}
bool FakeBackend::Close() {
  if (!open) return false;
  ++closes;
  open = false;
  return true;
}
bool FakeBackend::ApplyLine(const LineSettings& s) {
  applied.push_back(s);
  return applyOk;
}
bool FakeBackend::Purge() {
  ++purges;
  incoming.clear();
  return true;
}
bool FakeBackend::Write(const uint8_t* data, size_t n, int) {
  if (!writeOk) return false;
  written.emplace_back(data, data + n);
  if (echo) incoming.insert(incoming.end(), data, data + n);
  if (!replies.empty()) {
    incoming.insert(incoming.end(), replies.front().begin(), replies.front().end());
    replies.erase(replies.begin());
  }
  return true;
}
bool FakeBackend::WaitReadable(int limitMs) {
  waits.push_back(limitMs);
  return wakeWithoutBytes || !incoming.empty() || forcedQueued > 0;
}
bool FakeBackend::StaysQuiet(int limitMs) {
  quietWaits.push_back(limitMs);
  return incoming.empty();
}
long FakeBackend::Queued() { return forcedQueued >= 0 ? forcedQueued : static_cast<long>(incoming.size()); }
long FakeBackend::Read(uint8_t* data, size_t n) {
  size_t k = std::min(n, incoming.size());
  std::copy(incoming.begin(), incoming.begin() + static_cast<long>(k), data);
  incoming.erase(incoming.begin(), incoming.begin() + static_cast<long>(k));
  return static_cast<long>(k);
}

FakeLinkScope::FakeLinkScope() {
  auto fake = std::make_unique<FakeBackend>();
  fake_ = fake.get();
  Link().SetBackend(std::move(fake));
}
FakeLinkScope::~FakeLinkScope() { Link().SetBackend(MakeSystemBackend()); }

}  // namespace tolvane::test
