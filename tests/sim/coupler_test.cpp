// The simulator's own slave logic; the tool's tests rely on it.
#include "sim/coupler.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

TEST(SimCoupler, FramesRoundTripAndChecksAreEnforced) {
  const Bytes pdu{0x01, 0x03, 0x00, 0x00, 0x00, 0x02};
  EXPECT_EQ(EncodeRtu(pdu), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B}));
  EXPECT_EQ(*DecodeRtu(EncodeRtu(pdu)), pdu);
  Bytes ascii = EncodeAscii(pdu);
  EXPECT_EQ(std::string(ascii.begin(), ascii.end()), ":010300000002FA\r\n");
  EXPECT_EQ(*DecodeAscii(ascii), pdu);
  ascii[3] = 'x';
  EXPECT_FALSE(DecodeAscii(ascii));
  Bytes rtu = EncodeRtu(pdu);
  rtu[2] ^= 1;
  EXPECT_FALSE(DecodeRtu(rtu));
}

TEST(SimCoupler, ReadsWritesAndExceptions) {
  Coupler c;
  std::string what;
  bool wrote = false;
  auto r = c.Handle({1, 3, 0, 0, 0, 26}, what, wrote);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->size(), 3u + 52u);
  EXPECT_EQ((*r)[3], 0x15);
  r = c.Handle({1, 0x10, 0, 12, 0, 4, 8, 0, 10, 0, 0, 0, 0, 0, 1}, what, wrote);
  ASSERT_TRUE(r);
  EXPECT_TRUE(wrote);
  EXPECT_EQ(c.regs[12], 10);
  EXPECT_EQ(c.regs[15], 1);
  r = c.Handle({1, 3, 0, 20, 0, 10}, what, wrote);  // beyond register 25
  ASSERT_TRUE(r);
  EXPECT_EQ((*r)[1], 0x83);
  r = c.Handle({1, 6, 0, 1, 0, 1}, what, wrote);
  EXPECT_EQ((*r)[1], 0x86);
  EXPECT_FALSE(c.Handle({2, 3, 0, 0, 0, 2}, what, wrote));  // another station
}

TEST(SimCoupler, WrittenCommSettingsWaitForARestart) {
  Coupler c;
  std::string what;
  bool wrote = false;
  c.Handle({1, 0x10, 0, 2, 0, 3, 6, 0, 9, 0, 4, 0, 6}, what, wrote);
  EXPECT_EQ(c.station, 1);
  c.Restart();
  EXPECT_EQ(c.station, 9);
  EXPECT_EQ(c.format, 4);
  EXPECT_EQ(c.baud, 57600u);
  EXPECT_TRUE(ExpectedLine(9600, 3).twoStopBits);
  EXPECT_TRUE(ExpectedLine(9600, 4).oddParity);
  EXPECT_FALSE(ExpectedLine(9600, 5).oddParity);
}

}  // namespace
}  // namespace sim
