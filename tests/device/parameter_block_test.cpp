#include "device/parameter_block.h"

#include <gtest/gtest.h>

#include "device/identification.h"

namespace tolvane {
namespace {

std::vector<uint8_t> Block(std::initializer_list<std::pair<int, uint16_t>> regs) {
  std::vector<uint8_t> data(52, 0);
  for (auto [r, v] : regs) {
    data[2 * r] = v >> 8;
    data[2 * r + 1] = v & 0xFF;
  }
  return data;
}

TEST(ModelTable, NamesAndCouplerCheck) {
  EXPECT_EQ(ModelName(0x1501), "KX-130");
  EXPECT_EQ(ModelName(0x5302), "KX-190");
  EXPECT_EQ(ModelName(0x0123), "KX-110");
  EXPECT_EQ(ModelName(0x3005), "");
  EXPECT_STREQ(CouplerCheck(0x1501).en, "The module model is KX-130.");
  EXPECT_STREQ(CouplerCheck(0x3004).en, "Module model not recognized.");
  EXPECT_STREQ(CouplerCheck(0x3004).zh, "模块型号未识别.");
}

TEST(ParameterBlock, DecodesEveryFieldAndFormatsItsDisplayForms) {
  auto data = Block({{0, 0x1501},  {1, 258},     {2, 0xFFFF}, {3, 0x0002},  {4, 0x1205},  {5, 8192},
                     {6, 3},       {8, 0x001A},  {9, 0x2B3C}, {10, 0x4D5E}, {12, 0x00C0}, {13, 0x00A8},
                     {14, 0x0001}, {15, 0x12AA}, {16, 255},   {17, 255},    {18, 255},    {19, 0},
                     {20, 192},    {21, 168},    {22, 1},     {23, 1},      {24, 171},    {25, 0x0201}});
  ParameterBlock b = DecodeParameterBlock(data.data(), data.size());
  EXPECT_EQ(b.typeCode, 0x1501);
  EXPECT_EQ(b.station, -1);
  EXPECT_EQ(b.modeCode, 2);
  EXPECT_EQ(b.baudCode, 5);  // the high byte is ignored
  FormattedBlock f = FormatParameterBlock(b);
  EXPECT_EQ(f.moduleType, "KX-130");
  EXPECT_EQ(f.softwareVersion, "0102");
  EXPECT_EQ(f.contractVersion, "00ab");
  EXPECT_EQ(f.hardwareVersion, "0201");
  EXPECT_EQ(f.mac, "00-1A-2B-3C-4D-5E");
  EXPECT_EQ(f.ip, "192.168.1.170");
  EXPECT_EQ(f.mask, "255.255.255.0");
  EXPECT_EQ(f.gateway, "192.168.1.1");
  EXPECT_EQ(f.stopAddress, "8192");
  EXPECT_EQ(f.stopCode, "3");
  EXPECT_EQ(f.station, "-1");
  EXPECT_EQ(f.modeSelection, 2);
  EXPECT_EQ(f.baudSelection, 5);
}

TEST(ParameterBlock, UnknownTypeAndOutOfTableCodes) {
  auto data = Block({{0, 0x3005}, {3, 6}, {4, 8}, {5, 65535}});
  FormattedBlock f = FormatParameterBlock(DecodeParameterBlock(data.data(), data.size()));
  EXPECT_EQ(f.moduleType, "");
  EXPECT_EQ(f.stopAddress, "65535");  // unsigned
  // The mode register's whole word decides: a high byte is no mode the list has.
  const struct {
    uint16_t modeWord, baudWord;
    int modeCode, baudCode, modeSelection, baudSelection;
  } rows[] = {
      {6, 8, 6, 8, 0, 0},
      {0x0100, 0x0103, 256, 3, 0, 3},
      {0x1205, 0x0007, 0x1205, 7, 0, 7},
      {0x0005, 0x0000, 5, 0, 5, 0},
  };
  for (const auto& r : rows) {
    data = Block({{3, r.modeWord}, {4, r.baudWord}});
    const ParameterBlock b = DecodeParameterBlock(data.data(), data.size());
    EXPECT_EQ(b.modeCode, r.modeCode) << r.modeWord;
    EXPECT_EQ(b.baudCode, r.baudCode) << r.baudWord;
    f = FormatParameterBlock(b);
    EXPECT_EQ(f.modeSelection, r.modeSelection) << r.modeWord;
    EXPECT_EQ(f.baudSelection, r.baudSelection) << r.baudWord;
  }
  EXPECT_EQ(SelectionForCode(7, 8), 7);
  EXPECT_EQ(SelectionForCode(-1, 8), 0);
}

TEST(ParameterBlock, ShortDataReadsMissingRegistersAsZero) {
  auto data = Block({{0, 0x1501}, {25, 0x0201}});
  ParameterBlock b = DecodeParameterBlock(data.data(), 4);
  EXPECT_EQ(b.typeCode, 0x1501);
  EXPECT_EQ(b.hardwareVersion, 0);
}

}  // namespace
}  // namespace tolvane
