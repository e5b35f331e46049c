// The camera: dead zones, steps refused at the borders, platforms.
#include <gtest/gtest.h>

#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "render/camera.h"
#include "test_support.h"

namespace {

class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override { resetGameState(); }
  // An empty map of cols x rows cells with fall speed 15.
  void map(int cols, int rows) {
    useLevel(levelText(std::vector<std::string>(rows, std::string(cols, '.'))));
  }
};

}  // namespace

TEST_F(CameraTest, FollowsOnlyOutsideTheHorizontalDeadZone) {
  map(100, 19);  // 3200 pixels wide
  scrollX = 100;
  player->setSpeedX(6);
  player->setX(100 + 600 - TEST_PLAYER_W);  // right edge exactly 600 in
  scrollHorizontally();
  EXPECT_EQ(scrollX, 100);
  player->setX(100 + 601 - TEST_PLAYER_W);
  scrollHorizontally();
  EXPECT_EQ(scrollX, 106);

  player->setSpeedX(-6);
  player->setX(106 + 200);
  scrollHorizontally();
  EXPECT_EQ(scrollX, 106);
  player->setX(106 + 199);
  scrollHorizontally();
  EXPECT_EQ(scrollX, 100);

  player->setSpeedX(0);
  player->setX(100 + 700);
  scrollHorizontally();
  EXPECT_EQ(scrollX, 100);  // standing still never moves the view
}

TEST_F(CameraTest, AStepToOrPastAHorizontalBorderIsRefusedWhole) {
  map(100, 19);
  scrollX = 6;
  player->setSpeedX(-6);
  player->setX(6 + 50);
  scrollHorizontally();
  EXPECT_EQ(scrollX, 6);  // 0 would be reached: the view stays at 6

  scrollX = 3200 - 800 - 7;
  player->setSpeedX(6);
  player->setX(scrollX + 700);
  scrollHorizontally();
  EXPECT_EQ(scrollX, 3200 - 800 - 1);
  scrollHorizontally();
  EXPECT_EQ(scrollX, 3200 - 800 - 1);
}

TEST_F(CameraTest, ANarrowMapNeverScrollsSideways) {
  map(25, 19);  // exactly 800 pixels
  player->setSpeedX(6);
  player->setX(700);
  scrollHorizontally();
  EXPECT_EQ(scrollX, 0);
}

TEST_F(CameraTest, FollowsAFallBelow400AndARiseAbove200) {
  map(30, 60);  // 1920 pixels high
  scrollY = 100;
  player->setSpeedY(0);  // standing or falling: the step is F = 15
  player->setY(100 + 400 - TEST_PLAYER_H);
  scrollVertically();
  EXPECT_EQ(scrollY, 100);
  player->setY(100 + 401 - TEST_PLAYER_H);
  scrollVertically();
  EXPECT_EQ(scrollY, 115);

  player->setSpeedY(-25);  // rising by 10
  player->setY(115 + 199);
  scrollVertically();
  EXPECT_EQ(scrollY, 105);
  player->setY(105 + 200);
  scrollVertically();
  EXPECT_EQ(scrollY, 105);
}

TEST_F(CameraTest, ARiddenVerticalPlatformSetsTheViewsStep) {
  map(30, 60);
  MovingPlatform lift(0, 800, 0, 100, graphic(GFX_PLATFORM));  // moving down at 4
  player->setPlatform(&lift);
  scrollY = 300;
  player->setY(300 + 450);
  scrollVertically();
  EXPECT_EQ(scrollY, 304);
  player->setPlatform(nullptr);
}

TEST_F(CameraTest, AVerticalStepToTheTopOrBottomIsRefused) {
  map(30, 60);
  scrollY = 10;
  player->setSpeedY(-25);
  player->setY(10 + 100);
  scrollVertically();
  EXPECT_EQ(scrollY, 10);  // 0 would be reached
  scrollY = 1920 - 600 - 15;
  player->setSpeedY(0);
  player->setY(scrollY + 500);
  scrollVertically();
  EXPECT_EQ(scrollY, 1920 - 600 - 15);
}
