// Credits: the list's positions, the drawing band and the scroll cycle.
#include <gtest/gtest.h>

#include "app/credits.h"

TEST(Credits, LinePositionsAddUpTheGapsAbove) {
  EXPECT_EQ(creditsLinePosition(0), 0);
  EXPECT_EQ(creditsLinePosition(1), 100);
  EXPECT_EQ(creditsLinePosition(3), 140);
  EXPECT_EQ(creditsLinePosition(4), 240);
  EXPECT_EQ(creditsLinePosition(12), 560);
  EXPECT_EQ(creditsLinePosition(20), 800);
  EXPECT_EQ(creditsLinePosition(27), 1040);
  EXPECT_EQ(creditsLinePosition(28), 1240);
  EXPECT_STREQ(CREDITS_LINES[28].text, "See ya!");
}

TEST(Credits, OnlyTopsStrictlyInsideTheBandAreDrawn) {
  EXPECT_FALSE(creditsLineShown(-20));
  EXPECT_TRUE(creditsLineShown(-18));
  EXPECT_TRUE(creditsLineShown(338));
  EXPECT_FALSE(creditsLineShown(340));
}

TEST(Credits, TheScrollCyclesIn821FramesWithAQuietEnd) {
  int scroll = CREDITS_START_SCROLL;
  int frames = 0;
  int lastShown = -1;
  int firstShown = -1;
  do {
    bool any = false;
    for (int i = 0; i < CREDITS_LINE_COUNT; i++)
      if (creditsLineShown(scroll + creditsLinePosition(i))) any = true;
    if (any && firstShown < 0) firstShown = frames;
    if (any) lastShown = frames;
    scroll = nextCreditsScroll(scroll);
    frames++;
  } while (scroll != CREDITS_START_SCROLL && frames < 5000);
  EXPECT_EQ(frames, 821);
  EXPECT_EQ(firstShown, 1);  // nothing on the first frame
  EXPECT_EQ(frames - 1 - lastShown, 21);
  EXPECT_EQ(CREDITS_START_SCROLL - 2 * lastShown, -1258);
}
