#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "app/link_label/link_logic.h"

namespace {

using linklogic::FitRect;
using linklogic::Rect;
using linklogic::Size;

constexpr Rect kOld{10, 20, 110, 40};  // 100 wide, 20 high
constexpr Size kText{57, 13};

void ExpectRect(const Rect& r, std::int32_t l, std::int32_t t, std::int32_t rt, std::int32_t b) {
  EXPECT_EQ(r.left, l);
  EXPECT_EQ(r.top, t);
  EXPECT_EQ(r.right, rt);
  EXPECT_EQ(r.bottom, b);
}

TEST(LinkFit, LeftAlignedKeepsLeftAndTop) {
  ExpectRect(FitRect(0, kOld, kText), 10, 20, 10 + 57, 20 + 13);
  ExpectRect(FitRect(0, kOld, Size{180, 30}), 10, 20, 190, 50);  // grows too
  ExpectRect(FitRect(0, kOld, Size{0, 0}), 10, 20, 10, 20);
}

TEST(LinkFit, RightAlignedKeepsRight) {
  ExpectRect(FitRect(linklogic::kStyleRight, kOld, kText), 110 - 57, 20, 110, 33);
}

TEST(LinkFit, CentringOddDifferencesTruncateTowardZero) {
  // 100 - 57 = 43: each side moves 21, one pixel more than the text remains.
  ExpectRect(FitRect(linklogic::kStyleCenter, kOld, kText), 31, 20, 89, 33);
  // 100 - 133 = -33: each side moves out 16, one pixel less than the text.
  ExpectRect(FitRect(linklogic::kStyleCenter, kOld, Size{133, 13}), -6, 20, 126, 33);
  // Height 20 - 13 = 7: the band moves in 3 from each side.
  ExpectRect(FitRect(linklogic::kStyleCenterImage, kOld, kText), 10, 23, 67, 37);
  // 20 - 27 = -7: it grows by 3 on each side.
  ExpectRect(FitRect(linklogic::kStyleCenterImage, kOld, Size{57, 27}), 10, 17, 67, 43);
}

TEST(LinkFit, AlignmentBitsAreTestedOneByOne) {
  struct Case { std::uint32_t style; const char* expected; };
  // "centre", "right" or "left" by the low two bits only, whatever the style type says.
  const Case cases[] = {
      {0x0, "left"},  {0x1, "centre"}, {0x2, "right"}, {0x3, "centre"},
      {0x4, "left"},  {0x6, "right"},  {0xB, "centre"}, {0x5000010C, "left"},
      {0x5000010E, "right"},
  };
  for (const Case& c : cases) {
    const Rect r = FitRect(c.style, kOld, kText);
    const char* got = r.left == 31 ? "centre" : r.right == 110 ? "right" : "left";
    EXPECT_STREQ(got, c.expected) << std::hex << c.style;
    EXPECT_EQ(r.bottom, 33) << std::hex << c.style;  // no SS_CENTERIMAGE in these styles
  }
}

TEST(LinkFit, ExtremeCoordinatesSaturateInsteadOfOverflowing) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const Rect nearMax{kMax - 5, kMax - 5, kMax, kMax};
  ExpectRect(FitRect(0, nearMax, Size{100, 100}), kMax - 5, kMax - 5, kMax, kMax);
  const Rect nearMin{kMin, kMin, kMin + 5, kMin + 5};
  ExpectRect(FitRect(linklogic::kStyleRight, nearMin, Size{100, 1}), kMin, kMin, kMin + 5,
             kMin + 1);
  // The surplus 2^32 - 1 does not fit 32 bits; halved toward zero it leaves one pixel.
  const Rect huge{kMin, kMin, kMax, kMax};
  ExpectRect(FitRect(linklogic::kStyleCenter | linklogic::kStyleCenterImage, huge, Size{0, 0}),
             -1, -1, 0, 0);
}

}  // namespace
