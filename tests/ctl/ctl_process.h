// Runs tolvanectl as a process, as a script would, and reads its JSON. Starting
// and watching the process is the system's part: posix_ctl_process.cpp forks,
// win32_ctl_process.cpp creates a Windows process with piped outputs.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tolvane::test {

struct CtlResult {
  int status = -1;  // the exit status; 128 + n after signal n
  int signal = 0;   // the signal that ended it, if one did
  std::string out, err;
};

class CtlProcess {
 public:
  // env: "NAME=value" entries added to the test's own environment.
  // errOnTerminal: stderr is a pseudo-terminal, as when a person runs it.
  // inChild: runs in the child just before the program, to leave descriptors or
  // signals as a caller might (closed, ignored, redirected).
  // Both are POSIX only: on Windows stderr is always a pipe and inChild must be empty.
  CtlProcess(const std::vector<std::string>& args, const std::vector<std::string>& env = {}, bool errOnTerminal = false,
             const std::string& program = TOLVANE_CTL_PATH, const std::function<void()>& inChild = {});
  ~CtlProcess();
  CtlProcess(const CtlProcess&) = delete;
  CtlProcess& operator=(const CtlProcess&) = delete;

  // Reads until stderr holds `text`; false if the process ended first.
  bool WaitForErr(const std::string& text);
  // False when the signal could not be delivered.
  bool Signal(int sig);
  CtlResult Finish();

 private:
  struct System;  // the process and the read ends of its outputs
  std::unique_ptr<System> sys_;
  CtlResult result_;
};

CtlResult RunCtl(const std::vector<std::string>& args, const std::vector<std::string>& env = {});

// Just enough JSON for the tests: objects, arrays, strings, numbers, true,
// false, null. Parsing fails (valid() false) on anything else or on trailing text.
struct Json {
  enum Kind { kInvalid, kNull, kBool, kNumber, kString, kArray, kObject } kind = kInvalid;
  std::string text;  // string value, or the number / literal as written
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;  // in order
  bool valid() const { return kind != kInvalid; }
  const Json& operator[](const std::string& key) const;  // an invalid Json when absent
  std::vector<std::string> Keys() const;
  long Number() const { return std::stol(text); }
};
Json ParseJson(const std::string& text);

}  // namespace tolvane::test
