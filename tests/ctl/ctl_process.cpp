#include "ctl/ctl_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace tolvane::test {

CtlProcess::CtlProcess(const std::vector<std::string>& args, const std::vector<std::string>& env, bool errOnTerminal,
                       const std::string& program, const std::function<void()>& inChild) {
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  if (errOnTerminal) {
    if (openpty(&err[0], &err[1], nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
    fcntl(err[0], F_SETFD, FD_CLOEXEC);
    fcntl(err[1], F_SETFD, FD_CLOEXEC);
  } else if (pipe2(err, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe");
  }
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, STDIN_FILENO);
    for (const std::string& e : env) putenv(strdup(e.c_str()));
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (inChild) inChild();
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  outFd_ = out[0];
  errFd_ = err[0];
}

CtlProcess::~CtlProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (outFd_ >= 0) close(outFd_);
  if (errFd_ >= 0) close(errFd_);
}

// One poll over both outputs; false once both have ended.
bool CtlProcess::Pump(int timeoutMs) {
  pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
  if (outFd_ < 0 && errFd_ < 0) return false;
  if (poll(fds, 2, timeoutMs) < 0) return true;
  std::string* into[2] = {&result_.out, &result_.err};
  int* fd[2] = {&outFd_, &errFd_};
  for (int i = 0; i < 2; ++i) {
    if (*fd[i] < 0 || !fds[i].revents) continue;
    char buf[4096];
    const ssize_t n = read(*fd[i], buf, sizeof buf);
    if (n > 0) {
      into[i]->append(buf, static_cast<size_t>(n));
    } else {  // end of a pipe, or EIO from a terminal whose other side has closed
      close(*fd[i]);
      *fd[i] = -1;
    }
  }
  return true;
}

bool CtlProcess::WaitForErr(const std::string& text) {
  while (result_.err.find(text) == std::string::npos)
    if (!Pump(-1)) return false;
  return true;
}

void CtlProcess::Signal(int sig) { kill(pid_, sig); }

CtlResult CtlProcess::Finish() {
  while (Pump(-1)) {
  }
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  result_.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result_.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return result_;
}

CtlResult RunCtl(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  return CtlProcess(args, env).Finish();
}

namespace {

struct Reader {
  const std::string& s;
  size_t i = 0;
  void Blank() {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  }
  bool Eat(char c) {
    Blank();
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  bool String(std::string* out) {
    if (!Eat('"')) return false;
    while (i < s.size() && s[i] != '"') {
      if (static_cast<unsigned char>(s[i]) < 0x20) return false;
      if (s[i] == '\\') {
        if (++i >= s.size()) return false;
        const char e = s[i];
        if (e == 'u') {
          if (i + 4 >= s.size()) return false;
          *out += static_cast<char>(std::stoi(s.substr(i + 1, 4), nullptr, 16));  // ASCII is all the tests meet
          i += 4;
        } else {
          *out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
        }
        ++i;
      } else {
        *out += s[i++];
      }
    }
    return Eat('"');
  }
  Json Value() {
    Json v;
    Blank();
    if (i >= s.size()) return v;
    if (s[i] == '{') {
      ++i;
      if (!Eat('}')) {
        do {
          std::string key;
          if (!String(&key) || !Eat(':')) return {};
          Json m = Value();
          if (!m.valid()) return {};
          v.members.emplace_back(key, m);
        } while (Eat(','));
        if (!Eat('}')) return {};
      }
      v.kind = Json::kObject;
    } else if (s[i] == '[') {
      ++i;
      if (!Eat(']')) {
        do {
          Json m = Value();
          if (!m.valid()) return {};
          v.items.push_back(m);
        } while (Eat(','));
        if (!Eat(']')) return {};
      }
      v.kind = Json::kArray;
    } else if (s[i] == '"') {
      if (!String(&v.text)) return {};
      v.kind = Json::kString;
    } else {
      for (const char* word : {"true", "false", "null"}) {
        if (s.compare(i, std::string(word).size(), word) == 0) {
          v.text = word;
          i += v.text.size();
          v.kind = v.text == "null" ? Json::kNull : Json::kBool;
          return v;
        }
      }
      const size_t start = i;
      if (i < s.size() && s[i] == '-') ++i;
      while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
      if (i == start || (i == start + 1 && s[start] == '-')) return {};
      v.text = s.substr(start, i - start);
      v.kind = Json::kNumber;
    }
    return v;
  }
};

}  // namespace

const Json& Json::operator[](const std::string& key) const {
  static const Json missing;
  for (const auto& [k, v] : members)
    if (k == key) return v;
  return missing;
}

std::vector<std::string> Json::Keys() const {
  std::vector<std::string> keys;
  for (const auto& m : members) keys.push_back(m.first);
  return keys;
}

Json ParseJson(const std::string& text) {
  Reader r{text};
  Json v = r.Value();
  r.Blank();
  return r.i == text.size() && v.kind == Json::kObject ? v : Json{};
}

}  // namespace tolvane::test
