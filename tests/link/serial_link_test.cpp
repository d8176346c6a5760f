// SerialLink's own rules, over a backend that produces what a pty cannot.
#include "link/serial_link.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "core/comm_settings.h"
#include "core/language.h"
#include "support/recorders.h"

namespace tolvane {
namespace {

using test::FakeLinkScope;
using test::MessageRecorder;

TEST(SerialLink, SettingsText) {
  EXPECT_EQ(LineSettingsText(9600, 2, 8, 1), "baud=9600 parity=E data=8 stop=1");
  EXPECT_EQ(LineSettingsText(9600, 0, 8, 1), "baud=9600 parity=N data=8 stop=1");
  EXPECT_EQ(ParityLetter(3), 'M');
  EXPECT_EQ(ParityLetter(4), 'S');
}

TEST(SerialLink, OpenAppliesSettings) {
  FakeLinkScope scope;
  Comm() = CommSettings{};
  Comm().baud = 1200;
  Comm().parity = 1;
  ASSERT_TRUE(Link().OpenPort());
  ASSERT_EQ(scope.fake().applied.size(), 1u);
  EXPECT_EQ(scope.fake().applied[0], (LineSettings{1200, 'O', 8, 2}));
  // Opening again closes the held port first; the bare open applies no line settings.
  ASSERT_TRUE(Link().OpenPortBare());
  EXPECT_EQ(scope.fake().closes, 1);
  EXPECT_EQ(scope.fake().applied.size(), 1u);
  scope.fake().applyOk = false;
  EXPECT_FALSE(Link().OpenPort());
  EXPECT_TRUE(Link().IsOpen());  // a failed apply leaves the port open
}

TEST(SerialLink, ReadQueuedResults) {
  FakeLinkScope scope;
  uint8_t buf[kFrameBufferSize];
  EXPECT_EQ(Link().ReadQueued(buf).code, 13);
  Comm() = CommSettings{};
  ASSERT_TRUE(Link().OpenPortBare());
  scope.fake().incoming.assign(4097, 0x11);
  EXPECT_EQ(Link().ReadQueued(buf).code, 12);
  EXPECT_EQ(scope.fake().incoming.size(), 4097u);  // left queued
  scope.fake().incoming.assign(4096, 0x22);
  ReadResult full = Link().ReadQueued(buf);
  EXPECT_EQ(full.code, 0);
  EXPECT_EQ(full.count, 4096u);
  scope.fake().incoming = {0x01, 0xFF, 0x00, 0x41, 0x02};  // a byte marked bad
  EXPECT_EQ(Link().ReadQueued(buf).code, 11);
  scope.fake().incoming = {0x01, 0xFF, 0xFF, 0x02, 0xFF};  // a trailing lone FF is data
  ReadResult r = Link().ReadQueued(buf);
  ASSERT_EQ(r.code, 0);
  ASSERT_EQ(r.count, 4u);
  EXPECT_EQ(buf[1], 0xFF);
  EXPECT_EQ(buf[2], 0x02);
  EXPECT_EQ(buf[3], 0xFF);
}

TEST(SerialLink, WriteAndWaitNeedAnOpenPort) {
  FakeLinkScope scope;
  const uint8_t b[2] = {1, 2};
  EXPECT_FALSE(Link().WriteRaw(b, 2));
  EXPECT_FALSE(Link().WaitForReceive(10));
  Comm() = CommSettings{};
  ASSERT_TRUE(Link().OpenPortBare());
  EXPECT_TRUE(Link().WriteRaw(b, 2));
  scope.fake().writeOk = false;
  EXPECT_FALSE(Link().WriteRaw(b, 2));
}

struct OpenCase {
  int err;
  int language;
  const char* text;
  const char* caption;
};

class OpenMessages : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenMessages, ShowTheMessageOfTheErrorAndReturn8) {
  FakeLinkScope scope;
  MessageRecorder rec;
  SetUiLanguage(GetParam().language);
  scope.fake().openError = GetParam().err;
  int owner = 0;
  EXPECT_EQ(Link().OpenPortWithMessages(&owner), 8);
  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages[0].text, GetParam().text);
  EXPECT_EQ(rec.messages[0].caption, GetParam().caption);
  EXPECT_EQ(rec.messages[0].owner, &owner);  // both languages keep the owner here
  ASSERT_FALSE(rec.cursorLog.empty());
  EXPECT_FALSE(rec.cursorLog.back());  // the wait cursor ends before the box
  SetUiLanguage(1);
}

// The system's own codes: file-not-found, access-denied and others on Windows.
#ifdef _WIN32
constexpr int kMissing = 2, kMissingToo = 2, kBusy = 5, kOther = 31, kOtherToo = 87;
#else
constexpr int kMissing = ENOENT, kMissingToo = ENXIO, kBusy = EBUSY, kOther = ENOTTY, kOtherToo = EIO;
#endif

INSTANTIATE_TEST_SUITE_P(
    Errors, OpenMessages,
    ::testing::Values(OpenCase{kMissing, 1, "Specified communication port does not exist!", "Remind"},
                      OpenCase{kMissingToo, 0, "指定的通讯口不存在", "错误"},
                      OpenCase{kBusy, 1, "Specified communication port has been occupied by other tasks!", "Remind"},
                      OpenCase{kOther, 0, "初始化通讯口失败！请检查硬件以及通讯参数的设置。", "错误"},
                      OpenCase{kOtherToo, 7,
                               "Failed to initialize the communication port! Please check the hardware as well "
                               "as the setting of communication parameters.",
                               "Remind"}));

}  // namespace
}  // namespace tolvane
