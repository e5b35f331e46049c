// The player against the tiles: landing, head bumps, walls, ledges, the
// border of the map, tile effects, lives, firing, pictures; and the
// tile-blind steps every actor shares.
#include <allegro.h>
#include <gtest/gtest.h>

#include "actors/bullet.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "test_support.h"

namespace {

// 10 x 8 cells of 32 pixels, fall speed 15; the floor is row 7 (y 224).
const int FLOOR_Y = 7 * 32 - TEST_PLAYER_H;  // a standing player's y: 194

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { resetGameState(); }

  TileMap* level(std::vector<std::string> rows) { return useLevel(levelText(rows)); }

  std::vector<std::string> open() {
    return {"..........", "..........", "..........", "..........",
            "..........", "..........", "..........", "##########"};
  }

  void place(int x, int y, bool onGround) {
    player->setX(x);
    player->setY(y);
    player->setOnGround(onGround);
    player->setSpeedY(0);
  }
};

}  // namespace

TEST_F(PlayerTest, FallsAtTheFallSpeedAndLandsOnTheTileTop) {
  level(open());
  place(40, 150, false);
  player->moveVertically();
  EXPECT_EQ(player->getY(), 165);
  player->moveVertically();
  EXPECT_EQ(player->getY(), 180);
  EXPECT_FALSE(player->isOnGround());
  player->moveVertically();  // the probe 15 below the feet meets the floor
  EXPECT_EQ(player->getY(), FLOOR_Y);
  EXPECT_TRUE(player->isOnGround());
  EXPECT_EQ(player->getSpeedY(), 0);
  for (int i = 0; i < 10; i++) player->moveVertically();
  EXPECT_EQ(player->getY(), FLOOR_Y);  // standing is stable
  EXPECT_TRUE(player->isOnGround());
}

TEST_F(PlayerTest, HeadBumpSetsSpeedMinus15AndTheFallRestartsSlowly) {
  std::vector<std::string> rows = open();
  rows[4][4] = '#';  // x 128..159, y 128..159
  level(rows);
  place(130, 165, false);
  player->setSpeedY(-30);
  player->moveVertically();
  EXPECT_EQ(player->getY(), 160);  // top against the block's underside
  EXPECT_EQ(player->getSpeedY(), -15);
  EXPECT_FALSE(player->isOnGround());
  player->moveVertically();
  EXPECT_EQ(player->getY(), 161);
  player->moveVertically();
  EXPECT_EQ(player->getY(), 163);
}

TEST_F(PlayerTest, HeadBumpTestsTheRightEdgeColumnToo) {
  std::vector<std::string> rows = open();
  rows[4][5] = '#';  // x 160..191
  level(rows);
  place(140, 165, false);  // right edge at 163: column 5
  player->setSpeedY(-30);
  player->moveVertically();
  EXPECT_EQ(player->getY(), 160);
  place(135, 165, false);  // right edge column 4 (x + width - 1 = 158)
  player->setSpeedY(-30);
  player->moveVertically();
  EXPECT_LT(player->getY(), 160);
}

TEST_F(PlayerTest, WallsStopThePlayerFlushOnEitherSide) {
  std::vector<std::string> rows = open();
  rows[6][5] = '#';  // x 160..191
  rows[6][1] = '#';  // x 32..63
  level(rows);
  place(130, FLOOR_Y, true);
  player->setSpeedX(6);
  player->moveHorizontally();
  EXPECT_EQ(player->getX(), 160 - TEST_PLAYER_W);
  EXPECT_EQ(player->getDirection(), 1);

  place(68, FLOOR_Y, true);
  player->setDirection(-1);
  player->setSpeedX(-6);
  player->moveHorizontally();
  EXPECT_EQ(player->getX(), 64);
}

TEST_F(PlayerTest, TheFirstStepAfterTurningProbesTheSideHeFacedBefore) {
  std::vector<std::string> rows = open();
  rows[6][1] = '#';  // right side at x 64
  level(rows);
  place(66, FLOOR_Y, true);
  player->setDirection(1);
  player->setSpeedX(-6);
  player->moveHorizontally();
  EXPECT_EQ(player->getX(), 60);  // steps 4 pixels into the wall, as designed
  EXPECT_EQ(player->getDirection(), -1);
  player->moveHorizontally();
  EXPECT_EQ(player->getX(), 64);  // and is pushed back out
}

TEST_F(PlayerTest, WalkingOffALedgeDropsOnlyFromTheNextTick) {
  std::vector<std::string> rows = open();
  rows[7] = "###.......";
  level(rows);
  place(100, FLOOR_Y, true);  // beyond the ledge already, still on ground
  player->moveVertically();
  EXPECT_EQ(player->getY(), FLOOR_Y);
  EXPECT_FALSE(player->isOnGround());
  player->moveVertically();
  EXPECT_EQ(player->getY(), FLOOR_Y + 15);
}

TEST_F(PlayerTest, NoTileIsTestedNearTheMapBordersAndNothingOutsideIsRead) {
  TileMap* map = level(open());
  int mapW = map->getWidthPixels();
  // at the right border the samples would lie one column past the grid
  place(mapW - TEST_PLAYER_W + 1, FLOOR_Y - 40, false);
  player->moveVertically();
  EXPECT_EQ(player->getY(), FLOOR_Y - 25);
  place(mapW, 100, false);
  player->moveVertically();
  EXPECT_EQ(player->getY(), 115);
  // y <= 0: a plain step, no wall test
  place(300, 0, false);
  player->setSpeedX(6);
  player->moveHorizontally();
  EXPECT_EQ(player->getX(), 306);
}

TEST_F(PlayerTest, APickupIsCollectedOnceThoughTwoSamplesMeetIt) {
  std::vector<std::string> rows = open();
  rows[6][2] = 'o';
  rows[6][3] = 'a';
  rows[6][4] = 't';
  TileMap* map = level(rows);
  place(60, FLOOR_Y, true);  // feet samples reach into column 2 and beyond
  for (int i = 0; i < 12; i++) {
    player->setSpeedX(6);
    player->moveHorizontally();
    player->moveVertically();
  }
  EXPECT_EQ(player->getPoints(), 5);
  EXPECT_EQ(player->getBullets(), 3);
  EXPECT_EQ(player->getBonusTime(), 20);
  for (int col = 2; col <= 4; col++) {
    EXPECT_EQ(map->getTile(col, 6)->getType(), TILE_EMPTY);
    EXPECT_FALSE(map->getTile(col, 6)->hasPicture());
  }
  EXPECT_EQ(player->takeBonusTime(), 20);
  EXPECT_EQ(player->takeBonusTime(), 0);
}

TEST_F(PlayerTest, ADeadlyTileTakesOneLifeHoweverManySamplesMeetIt) {
  std::vector<std::string> rows = open();
  rows[7] = "#FF#######";
  level(rows);
  place(50, FLOOR_Y - 10, false);  // both feet samples fall into fire
  player->moveVertically();
  EXPECT_FALSE(player->isAlive());
  EXPECT_EQ(player->getLives(), 2);
  player->moveVertically();
  EXPECT_EQ(player->getLives(), 2);
}

TEST_F(PlayerTest, TouchingTheExitFinishesTheMap) {
  std::vector<std::string> rows = open();
  rows[6][3] = 'E';
  TileMap* map = level(rows);
  place(70, FLOOR_Y, true);
  EXPECT_FALSE(map->isFinished());
  player->setSpeedX(6);
  player->moveHorizontally();
  EXPECT_TRUE(map->isFinished());
}

TEST_F(PlayerTest, LoseLifeNeedsALiveOneWithLivesLeft) {
  level(open());
  player->setLives(1);
  player->loseLife();
  EXPECT_EQ(player->getLives(), 0);
  EXPECT_FALSE(player->isAlive());
  player->setAlive(true);
  player->loseLife();  // no lives left: nothing happens
  EXPECT_TRUE(player->isAlive());
  EXPECT_EQ(player->getLives(), 0);
}

TEST_F(PlayerTest, FiringNeedsAmmunitionAndLeavesFromTheLeftEdgeAtHalfHeight) {
  level(open());
  place(100, 50, false);
  player->fire();
  EXPECT_EQ(player->getBullets(), 0);
  EXPECT_EQ(bulletList->getHead(), nullptr);

  player->setBullets(2);
  player->setDirection(-1);
  player->fire();
  EXPECT_EQ(player->getBullets(), 1);
  Bullet* shot = bulletList->getHead();
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(shot->getX(), 100);
  EXPECT_EQ(shot->getY(), 50 + TEST_PLAYER_H / 2);
  EXPECT_EQ(shot->getSpeedX(), -15);
}

TEST_F(PlayerTest, AJumpMakesItsFirstVerticalStepAtOnce) {
  level(open());
  place(100, FLOOR_Y, true);
  player->jump();
  EXPECT_EQ(player->getSpeedY(), -29);
  EXPECT_EQ(player->getY(), FLOOR_Y - 14);
  EXPECT_FALSE(player->isOnGround());
}

TEST_F(PlayerTest, WalkingPicturesAlternateEveryFifthTickOnTheGround) {
  level(open());
  place(100, FLOOR_Y, true);
  BITMAP* stand = graphic(GFX_PLAYER_STAND);
  BITMAP* walk = graphic(GFX_PLAYER_WALK);
  key[KEY_RIGHT] = 1;
  std::vector<BITMAP*> shown;
  for (int i = 0; i < 10; i++) {
    player->animate();
    shown.push_back(player->getSprite());
  }
  std::vector<BITMAP*> expected = {stand, stand, stand, stand, walk,
                                   walk,  walk,  walk,  walk,  stand};
  EXPECT_EQ(shown, expected);
  key[KEY_RIGHT] = 0;
  for (int i = 0; i < 5; i++) player->animate();
  player->animate();
  EXPECT_EQ(player->getSprite(), stand);

  player->setOnGround(false);
  player->animate();
  EXPECT_EQ(player->getSprite(), graphic(GFX_PLAYER_AIR));
}

TEST_F(PlayerTest, FallingBelowTheMapCostsALifeOnlyPastTheBottomEdge) {
  TileMap* map = level(open());
  int mapH = map->getHeightPixels();
  place(100, mapH - 15, false);
  player->applyGravity();
  EXPECT_EQ(player->getY(), mapH);
  EXPECT_TRUE(player->isAlive());
  place(100, mapH - 14, false);
  player->applyGravity();
  EXPECT_FALSE(player->isAlive());
}

TEST_F(PlayerTest, ActorStepsIgnoreTilesAndFollowARiddenPlatform) {
  level(open());
  MovingPlatform carrier(0, 100, 200, 100, graphic(GFX_PLATFORM));  // moving right at 4
  player->setPlatform(&carrier);
  player->setX(10);
  player->setDirection(-1);
  player->setSpeedX(0);
  player->moveX();
  EXPECT_EQ(player->getX(), 14);
  EXPECT_EQ(player->getSpeedX(), 4);
  EXPECT_EQ(player->getDirection(), 1);
  player->moveX();  // the carried speed accumulates unless reset
  EXPECT_EQ(player->getX(), 22);

  player->setSpeedY(-7);
  player->setOnGround(false);
  player->applyGravity();
  EXPECT_EQ(player->getBottom(), 100);
  EXPECT_EQ(player->getSpeedY(), -7);
  player->setPlatform(nullptr);

  player->setSpeedX(0);
  player->setX(10);
  player->moveX();
  EXPECT_EQ(player->getX(), 10);
  EXPECT_EQ(player->getDirection(), 1);

  place(10, 50, true);
  player->setSpeedY(-3);
  player->applyGravity();
  EXPECT_EQ(player->getY(), 50);
  EXPECT_EQ(player->getSpeedY(), -2);

  place(10, 50, false);
  player->setSpeedY(-30);
  player->applyGravity();
  EXPECT_EQ(player->getSpeedY(), -29);
  EXPECT_EQ(player->getY(), 36);
}

TEST_F(PlayerTest, ChangingThePictureResizesTheBoxButKeepsThePosition) {
  level(open());
  place(100, 100, false);
  player->setSprite(graphic(GFX_PLATFORM));
  EXPECT_EQ(player->getWidth(), 64);
  EXPECT_EQ(player->getHeight(), 16);
  EXPECT_EQ(player->getX(), 100);
  EXPECT_EQ(player->getY(), 100);
}
