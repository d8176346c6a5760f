// A port that is there but not ours to open: its own message, with the fix.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "core/comm_settings.h"
#include "core/language.h"
#include "link/serial_link.h"
#include "support/recorders.h"

namespace tolvane {
namespace {

using test::FakeLinkScope;
using test::MessageRecorder;

const char* const kEnglish =
    "Permission denied on /dev/ttyUSB0. Add your user to the 'dialout' group (sudo usermod -aG dialout $USER), then "
    "log out and in again.";
const char* const kChinese =
    "没有权限打开 /dev/ttyUSB0。请把当前用户加入 'dialout' 组（sudo usermod -aG dialout $USER），然后注销并重新登录。";

TEST(OpenPermission, AccessAndPermissionErrorsNameThePortAndTheFix) {
  FakeLinkScope scope;
  const CommSettings saved = Comm();
  Comm().portName = "ttyUSB0";
  int owner = 0;
  for (int err : {EACCES, EPERM}) {
    MessageRecorder rec;
    scope.fake().openError = err;
    SetUiLanguage(1);
    EXPECT_EQ(Link().OpenPortWithMessages(&owner), kLinkCannotOpen);
    SetUiLanguage(0);
    EXPECT_EQ(Link().OpenPortWithMessages(&owner), kLinkCannotOpen);
    ASSERT_EQ(rec.messages.size(), 2u);
    EXPECT_EQ(rec.messages[0].text, kEnglish);
    EXPECT_EQ(rec.messages[0].caption, "Remind");
    EXPECT_EQ(rec.messages[1].text, kChinese);
    EXPECT_EQ(rec.messages[1].caption, "错误");
    EXPECT_EQ(rec.messages[1].owner, &owner);
  }
  // A path is named as given, whatever it holds.
  MessageRecorder rec;
  SetUiLanguage(1);
  Comm().portName = "/dev/serial/by-id/usb-%s_100%-if00";
  Link().OpenPortWithMessages(&owner);
  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages[0].text.rfind("Permission denied on /dev/serial/by-id/usb-%s_100%-if00. Add your user", 0),
            0u);
  Comm() = saved;
}

// The real backend on a pseudo-terminal that only its owner may open, opened by
// someone else: as root, by a child that has become nobody; otherwise by this
// user after taking away its own permission, which binds the owner too.
TEST(OpenPermission, ARealPortThisUserMayNotOpen) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  grantpt(master);
  unlockpt(master);
  const std::string slave = ptsname(master);
  const bool root = geteuid() == 0;
  ASSERT_EQ(chmod(slave.c_str(), root ? 0600 : 0), 0);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(fds[0]);
    if (root &&
        (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0))
      _exit(2);
    MessageRecorder rec;
    SetUiLanguage(1);
    Comm().portName = slave;
    const bool refused = Link().OpenPortWithMessages(nullptr) == kLinkCannotOpen;
    const std::string text = rec.messages.empty() ? "" : rec.messages[0].text;
    const ssize_t ignored = write(fds[1], text.data(), text.size());
    (void)ignored;
    _exit(refused ? 0 : 1);
  }
  close(fds[1]);
  char buf[512] = {};
  size_t got = 0;
  for (ssize_t n; (n = read(fds[0], buf + got, sizeof buf - 1 - got)) > 0;) got += static_cast<size_t>(n);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_NE(WEXITSTATUS(status), 2) << "could not become nobody";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(std::string(buf), "Permission denied on " + slave +
                                  ". Add your user to the 'dialout' group (sudo usermod -aG dialout $USER), then log "
                                  "out and in again.");
}

// A stable name under /dev/serial/by-id is a link to the tty: it opens as a path.
TEST(OpenPermission, ALinkToThePortOpensAsThePort) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  grantpt(master);
  unlockpt(master);
  char dir[] = "/tmp/tolvane-by-id-XXXXXX";
  ASSERT_TRUE(mkdtemp(dir));
  const std::string link = std::string(dir) + "/usb-Maker_Adapter_A1B2-if00-port0";
  ASSERT_EQ(symlink(ptsname(master), link.c_str()), 0);
  const CommSettings saved = Comm();
  Comm().portName = link;
  EXPECT_EQ(Link().OpenPortWithMessages(nullptr), kLinkOk);
  EXPECT_TRUE(Link().IsOpen());
  Link().ClosePort();
  Comm() = saved;
  unlink(link.c_str());
  rmdir(dir);
  close(master);
}

}  // namespace
}  // namespace tolvane
