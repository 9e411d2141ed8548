#include "app/window_layout.h"

#include <gtest/gtest.h>

namespace {

Box Rect(long left, long top, long width, long height) { return Box{left, top, left + width, top + height}; }

TEST(Layout, ChildrenForAClientArea) {
  const MainLayout layout = LayoutForClient(786, 541, 22);
  EXPECT_EQ(layout.statusBar, (Placement{0, 519, 786, 22}));
  EXPECT_EQ(layout.moduleList, (Placement{190, 0, 585, 521}));
  EXPECT_EQ(layout.scannerPanel, (Placement{10, 100, 170, 421}));
}

TEST(Layout, FillerTakesTheRestOfTheList) {
  const int widths[] = {258, 160};
  EXPECT_EQ(FillerColumnWidth(581, widths, 2), 163);
  EXPECT_EQ(FillerColumnWidth(300, widths, 2), -118);
}

TEST(MinimumSize, RightAndBottomEdgesStopAtTheMinimum) {
  Box r = Rect(100, 50, 400, 600);
  EXPECT_TRUE(EnforceMinimumSize(kEdgeRight, r));
  EXPECT_EQ(r.Width(), 500);
  EXPECT_EQ(r.Height(), 600);
  EXPECT_EQ(r.left, 100);

  r = Rect(100, 50, 800, 200);
  EXPECT_TRUE(EnforceMinimumSize(kEdgeBottom, r));
  EXPECT_EQ(r.Height(), 270);
  EXPECT_EQ(r.Width(), 800);
  EXPECT_EQ(r.top, 50);

  r = Rect(0, 0, 300, 100);
  EXPECT_TRUE(EnforceMinimumSize(kEdgeBottomRight, r));
  EXPECT_EQ(r.Width(), 500);
  EXPECT_EQ(r.Height(), 270);
}

TEST(MinimumSize, TopRightCornerPushesTheBottomEdgeDown) {
  Box r{100, 400, 700, 600};  // dragged the top edge down to a height of 200
  EXPECT_TRUE(EnforceMinimumSize(kEdgeTopRight, r));
  EXPECT_EQ(r.top, 400);
  EXPECT_EQ(r.bottom, 670);
}

TEST(MinimumSize, ExactlyTheMinimumCountsAsChanged) {
  Box r = Rect(0, 0, 500, 400);
  EXPECT_TRUE(EnforceMinimumSize(kEdgeRight, r));
  EXPECT_EQ(r.Width(), 500);
}

TEST(MinimumSize, LargeEnoughIsLeftAlone) {
  Box r = Rect(10, 20, 501, 271);
  const Box before = r;
  EXPECT_FALSE(EnforceMinimumSize(kEdgeBottomRight, r));
  EXPECT_EQ(r.right, before.right);
  EXPECT_EQ(r.bottom, before.bottom);
}

TEST(MinimumSize, LeftAndTopEdgesAreNotLimited) {
  for (int edge : {kEdgeLeft, kEdgeTop, kEdgeTopLeft, kEdgeBottomLeft}) {
    Box r = Rect(10, 20, 50, 40);
    EXPECT_FALSE(EnforceMinimumSize(edge, r)) << edge;
    EXPECT_EQ(r.Width(), 50);
    EXPECT_EQ(r.Height(), 40);
  }
}

TEST(Widening, RightEdgeFifteenPixelsRightOfTheColumns) {
  // Window at 40; client x 786 lies at screen x 834 (a frame of 8).
  EXPECT_EQ(WidenedWindowWidth(40, 834), 809);
}

}  // namespace

namespace {
TEST(Layout, MinimisedWindowGivesEmptyChildren) {
  const MainLayout layout = LayoutForClient(0, 0, 22);
  EXPECT_EQ(layout.moduleList, (Placement{190, 0, 0, 0}));
  EXPECT_EQ(layout.scannerPanel, (Placement{10, 100, 170, 0}));
}
}  // namespace
