// Moving platforms: their paths, riding, jumping through, and which
// platform the player stands on.
#include <gtest/gtest.h>

#include "actors/moving_platform.h"
#include "actors/player.h"
#include "actors/world.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "test_support.h"

namespace {

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override { resetGameState(); }
  std::vector<int> path(MovingPlatform& p, int steps, bool horizontal) {
    std::vector<int> seen;
    for (int i = 0; i < steps; i++) {
      p.stepX();
      p.stepY();
      seen.push_back(horizontal ? p.getX() : p.getY());
    }
    return seen;
  }
  std::vector<std::string> open() { return std::vector<std::string>(20, std::string(30, '.')); }
};

}  // namespace

TEST_F(PlatformTest, AHorizontalMoverTurnsOneStepPastEachEnd) {
  MovingPlatform p(100, 200, 140, 200, graphic(GFX_PLATFORM));
  std::vector<int> expected = {104, 108, 112, 116, 120, 124, 128, 132, 136, 140, 144,
                               140, 136, 132, 128, 124, 120, 116, 112, 108, 104, 100,
                               96,  100, 104};
  EXPECT_EQ(path(p, 25, true), expected);
  EXPECT_EQ(p.getY(), 200);
}

TEST_F(PlatformTest, AVerticalMoverTurnsAt264AndAt196) {
  MovingPlatform p(100, 200, 100, 260, graphic(GFX_PLATFORM));
  std::vector<int> seen = path(p, 40, false);
  EXPECT_EQ(seen[14], 260);
  EXPECT_EQ(seen[15], 264);
  EXPECT_EQ(seen[16], 260);
  EXPECT_EQ(seen[32], 196);
  EXPECT_EQ(seen[33], 200);
  EXPECT_EQ(p.getX(), 100);
  EXPECT_EQ(p.getSpeedX(), 0);
}

TEST_F(PlatformTest, ABackwardRangeJittersBetweenTheStartAndFourBeyond) {
  MovingPlatform p(100, 200, 50, 200, graphic(GFX_PLATFORM));
  EXPECT_EQ(path(p, 6, true), (std::vector<int>{104, 100, 104, 100, 104, 100}));
}

TEST_F(PlatformTest, TheListIgnoresPlatformsBeyondItsCapacity) {
  PlatformList list(1);
  list.add(new MovingPlatform(0, 0, 10, 0, graphic(GFX_PLATFORM)));
  list.add(new MovingPlatform(5, 5, 10, 5, graphic(GFX_PLATFORM)));
  EXPECT_EQ(list.getCount(), 1);
  EXPECT_EQ(list.get(0)->getX(), 0);
}

TEST_F(PlatformTest, AStandingPlayerIsCarriedFourPixelsATick) {
  useLevel(levelText(open(), 15, 100, {{100, 300, 600, 300}}));
  player->setX(110);
  player->setY(300 - TEST_PLAYER_H);
  platformList->findPlatformUnderPlayer();
  ASSERT_TRUE(player->isOnPlatform());
  for (int i = 0; i < 10; i++) updateWorld();
  EXPECT_EQ(player->getX(), 150);
  EXPECT_EQ(player->getBottom(), 300);
  EXPECT_EQ(player->getDirection(), 1);
  EXPECT_TRUE(player->isOnPlatform());
}

TEST_F(PlatformTest, ARisingPlayerPassesUpThroughAndLandsOnTheWayDown) {
  useLevel(levelText(open(), 15, 100, {{100, 300, 100, 300}}));  // jitters in place
  player->setX(110);
  player->setY(300);  // just under the platform
  player->setSpeedY(-30);
  player->setOnGround(false);
  bool caughtRising = false;
  bool landed = false;
  for (int i = 0; i < 40 && !landed; i++) {
    updateWorld();
    bool rising = 15 + player->getSpeedY() <= 0;
    if (player->isOnPlatform() && rising) caughtRising = true;
    landed = player->isOnPlatform();
  }
  EXPECT_FALSE(caughtRising);
  EXPECT_TRUE(landed);
  EXPECT_EQ(player->getBottom(), platformList->get(0)->getY());
}

TEST_F(PlatformTest, FeetOnTheBottomEdgeStillStandAndAreLifted) {
  useLevel(levelText(open(), 15, 100, {{100, 300, 600, 300}}));
  player->setX(110);
  player->setY(316 - TEST_PLAYER_H);  // bottom on the platform's bottom edge
  platformList->findPlatformUnderPlayer();
  EXPECT_TRUE(player->isOnPlatform());
  EXPECT_EQ(player->getBottom(), 300);
}

TEST_F(PlatformTest, TheFirstPlatformInFileOrderWins) {
  useLevel(levelText(open(), 15, 100, {{100, 300, 600, 300}, {90, 305, 600, 305}}));
  player->setX(110);
  player->setY(310 - TEST_PLAYER_H);
  platformList->findPlatformUnderPlayer();
  EXPECT_EQ(player->getPlatform(), platformList->get(0));
  EXPECT_EQ(player->getBottom(), 300);
}

TEST_F(PlatformTest, APlayerWiderThanThePlatformWithBothEdgesBeyondIsNotOnIt) {
  useLevel(levelText(open(), 15, 100, {{100, 300, 600, 300}}));
  player->setSprite(graphic(GFX_TITLE));  // 400 wide
  player->setX(50);
  player->setY(300 - player->getHeight() + 2);
  platformList->findPlatformUnderPlayer();
  EXPECT_FALSE(player->isOnPlatform());
}

TEST_F(PlatformTest, AnEmptyListLeavesTheRiddenPlatformAlone) {
  MovingPlatform elsewhere(0, 0, 10, 0, graphic(GFX_PLATFORM));
  useLevel(levelText(open()));
  player->setPlatform(&elsewhere);
  platformList->findPlatformUnderPlayer();
  EXPECT_EQ(player->getPlatform(), &elsewhere);
  player->setPlatform(nullptr);
}
