#include <gtest/gtest.h>

#include "app/link_label/link_logic.h"

namespace {

using linklogic::Color;
using linklogic::HoverStep;
using linklogic::LinkColors;
using linklogic::Point;
using linklogic::Rect;

constexpr LinkColors kDistinct{0x00000011, 0x00002200, 0x00330000};
constexpr Color kHighlight = 0x00D77800;

TEST(LinkColors, HoverBeatsVisitedBeatsLink) {
  struct Case { bool hovering, visited; Color expected; };
  const Case cases[] = {
      {false, false, kDistinct.link},
      {false, true, kDistinct.visited},
      {true, false, kDistinct.hover},
      {true, true, kDistinct.hover},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(linklogic::ChooseTextColor(kDistinct, c.hovering, c.visited), c.expected)
        << "hovering=" << c.hovering << " visited=" << c.visited;
  }
}

TEST(LinkColors, DeviceCheckConfigurationDrawsVisitedLikeLink) {
  // The device check passes the link color twice and -1 for hover.
  const LinkColors configured{linklogic::kDefaultLinkColor, linklogic::kDefaultLinkColor,
                              linklogic::ResolveHoverColor(0xFFFFFFFF, kHighlight)};
  EXPECT_EQ(linklogic::ChooseTextColor(configured, false, true), 0x00EE0000u);
  EXPECT_EQ(linklogic::ChooseTextColor(configured, true, true), kHighlight);
}

TEST(LinkColors, OnlyMinusOneAsksForTheHighlight) {
  EXPECT_EQ(linklogic::ResolveHoverColor(linklogic::kSystemHighlightRequest, kHighlight),
            kHighlight);
  for (Color kept : {Color{0}, Color{0x00FFFFFF}, Color{0xFF000000}, Color{0xFFFFFFFE}}) {
    EXPECT_EQ(linklogic::ResolveHoverColor(kept, kHighlight), kept) << std::hex << kept;
  }
}

constexpr Rect kClient{0, 0, 120, 16};

void ExpectStep(const HoverStep& step, bool hovering, bool take, bool release, bool redraw) {
  EXPECT_EQ(step.hovering, hovering);
  EXPECT_EQ(step.takeCapture, take);
  EXPECT_EQ(step.releaseCapture, release);
  EXPECT_EQ(step.redraw, redraw);
}

TEST(LinkHover, AnyMoveStartsHoveringWithCaptureAndRedraw) {
  for (Point p : {Point{5, 5}, Point{120, 16}, Point{-300, 900}}) {
    SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
    ExpectStep(linklogic::NextHoverStep(false, p, kClient), true, true, false, true);
  }
}

TEST(LinkHover, MovesInsideChangeNothing) {
  for (Point p : {Point{0, 0}, Point{119, 15}, Point{60, 8}, Point{0, 15}, Point{119, 0}}) {
    SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
    ExpectStep(linklogic::NextHoverStep(true, p, kClient), true, false, false, false);
  }
}

TEST(LinkHover, RightAndBottomEdgesAndBeyondEndHovering) {
  for (Point p : {Point{120, 5}, Point{5, 16}, Point{-1, 5}, Point{5, -1}, Point{120, 16}}) {
    SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
    ExpectStep(linklogic::NextHoverStep(true, p, kClient), false, false, true, true);
  }
}

TEST(LinkHover, EmptyClientRectangleHoldsNoPoint) {
  EXPECT_FALSE(linklogic::PointInRect(Rect{4, 4, 4, 10}, Point{4, 5}));
  EXPECT_FALSE(linklogic::PointInRect(Rect{4, 4, 10, 4}, Point{5, 4}));
}

TEST(LinkHover, AfterAClickTheNextMoveStartsAndAMoveOutsideEnds) {
  bool hovering = linklogic::NextHoverStep(false, Point{3, 3}, kClient).hovering;
  ASSERT_TRUE(hovering);
  hovering = false;  // the click clears it and keeps the capture
  const HoverStep outside = linklogic::NextHoverStep(hovering, Point{500, 500}, kClient);
  ExpectStep(outside, true, true, false, true);
  ExpectStep(linklogic::NextHoverStep(outside.hovering, Point{500, 500}, kClient), false, false,
             true, true);
}

TEST(LinkOpenResult, AboveThirtyTwoIsSuccessSigned) {
  EXPECT_FALSE(linklogic::OpenSucceeded(32));
  EXPECT_TRUE(linklogic::OpenSucceeded(33));
  EXPECT_FALSE(linklogic::OpenSucceeded(0));
  EXPECT_FALSE(linklogic::OpenSucceeded(-1));
  EXPECT_FALSE(linklogic::OpenSucceeded(INTPTR_MIN));
}

}  // namespace
