// Start-up cost of Tolvane against the floor of any Qt Widgets program: the time
// from exec until the main window's first paint (the program says "ready" on
// TOLVANE_READY_FD) and the peak resident set of the process, in English and in
// Chinese. Goals: start-up at most 1.3 times the floor's, peak RSS at most the
// floor's plus 6 MiB, in both languages. Build it in Release to get figures
// that mean anything; the rounds interleave the four runs so that a busy machine
// costs all of them alike.
//
// Usage: startup_bench [--runs N] [--program PATH] [--floor PATH]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Sample {
  double ms = 0;
  double cpuMs = 0;  // user + system; steadier than the wall clock on a busy machine
  double rssMiB = 0;
};

// Runs argv until it says ready, then ends it; false when it never did.
bool RunOnce(const std::vector<std::string>& argv, Sample& out) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  // Descriptor 3 in the child; kept off 3 here so that dup2 really copies it.
  const int writeEnd = fcntl(fds[1], F_DUPFD_CLOEXEC, 10);
  close(fds[1]);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, writeEnd, 3);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(writeEnd);
  if (spawned != 0) {
    close(fds[0]);
    return false;
  }
  pollfd p{fds[0], POLLIN, 0};
  char buf[16] = {};
  const bool ready =
      poll(&p, 1, 60000) == 1 && read(fds[0], buf, sizeof buf - 1) > 0 && std::strncmp(buf, "ready", 5) == 0;
  const auto end = std::chrono::steady_clock::now();
  close(fds[0]);
  kill(pid, SIGKILL);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  out.ms = std::chrono::duration<double, std::milli>(end - start).count();
  auto msOf = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  out.cpuMs = msOf(usage.ru_utime) + msOf(usage.ru_stime);
  out.rssMiB = usage.ru_maxrss / 1024.0;  // kilobytes on Linux
  return ready;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

struct Case {
  const char* name;
  const char* lang;
  std::vector<std::string> argv;
  std::vector<double> ms, cpu, rss;
};

}  // namespace

int main(int argc, char** argv) {
  int runs = 15;
  std::string program = TOLVANE_PROGRAM, floor = TOLVANE_FLOOR;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--runs")) runs = std::max(1, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--program")) program = argv[i + 1];
    if (!std::strcmp(argv[i], "--floor")) floor = argv[i + 1];
  }
  char tmpl[] = "/tmp/tolvane-startup-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const fs::path root = tmpl;
  // The language comes from config.ini beside the executable, so each language
  // gets its own copy of the program; the profile folder is empty.
  std::vector<Case> cases;
  for (const char* lang : {"en", "zh"}) {
    const fs::path dir = root / lang;
    fs::create_directories(dir);
    fs::copy_file(program, dir / "tolvane");
    std::ofstream(dir / "config.ini") << "[System]\nLanguageType=" << (std::strcmp(lang, "zh") ? 1 : 0) << "\n";
    cases.push_back({"floor", lang, {floor, lang}, {}, {}, {}});
    cases.push_back({"tolvane", lang, {(dir / "tolvane").string()}, {}, {}, {}});
  }
  setenv("XDG_CONFIG_HOME", (root / "profile").c_str(), 1);
  // Without a session's runtime folder, one of their own (only the user's, as
  // Qt wants it), so that neither program warns about it on every run.
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    fs::create_directory(root / "runtime");
    fs::permissions(root / "runtime", fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("TOLVANE_READY_FD", "3", 1);
  unsetenv("TOLVANE_PORTS");

  bool failed = false;
  Sample s;
  for (Case& c : cases) failed |= !RunOnce(c.argv, s);  // warm the page cache
  for (int r = 0; r < runs && !failed; ++r) {
    for (Case& c : cases) {
      if (!RunOnce(c.argv, s)) {
        std::fprintf(stderr, "startup_bench: %s (%s) never said ready\n", c.name, c.lang);
        failed = true;
        break;
      }
      c.ms.push_back(s.ms);
      c.cpu.push_back(s.cpuMs);
      c.rss.push_back(s.rssMiB);
    }
  }
  fs::remove_all(root);
  if (failed) return 1;

  std::printf("startup_bench: median of %d runs each, exec to first paint and peak RSS\n", runs);
  std::printf("%-8s %-4s %10s %8s %14s\n", "program", "lang", "start ms", "cpu ms", "peak RSS MiB");
  for (const Case& c : cases)
    std::printf("%-8s %-4s %10.1f %8.1f %14.1f\n", c.name, c.lang, Median(c.ms), Median(c.cpu), Median(c.rss));
  bool met = true;
  for (size_t i = 0; i + 1 < cases.size(); i += 2) {
    const double ratio = Median(cases[i + 1].ms) / Median(cases[i].ms);
    const double extra = Median(cases[i + 1].rss) - Median(cases[i].rss);
    const bool ok = ratio <= 1.3 && extra <= 6.0;
    met &= ok;
    std::printf("%s: start-up %.2f x floor (goal <= 1.30), peak RSS floor %+.1f MiB (goal <= +6.0): %s\n",
                cases[i].lang, ratio, extra, ok ? "met" : "MISSED");
  }
  return met ? 0 : 2;
}
