// World update: the order of one tick, the clock, lives, the end of the
// game, and the move from level to level.
#include <allegro.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "actors/moving_platform.h"
#include "actors/player.h"
#include "actors/world.h"
#include "app/game_state.h"
#include "level/level_sequence.h"
#include "level/tile_map.h"
#include "test_support.h"

namespace {

// 20 x 8 cells, floor on row 7; the player stands at y 194.
const int FLOOR_Y = 7 * 32 - TEST_PLAYER_H;

std::vector<std::string> field() {
  std::vector<std::string> rows(7, std::string(20, '.'));
  rows.push_back(std::string(20, '#'));
  return rows;
}

// Runs the test inside a fresh folder holding data/level1..3.dat, since
// the level sequence reads them by relative path.
class WorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetGameState();
    char pattern[] = "/tmp/brindlecove-world-XXXXXX";
    folder = mkdtemp(pattern);
    ASSERT_TRUE(getcwd(previous, sizeof previous));
    ASSERT_EQ(chdir(folder.c_str()), 0);
    ASSERT_EQ(system("mkdir -p data"), 0);
  }
  void TearDown() override {
    ASSERT_EQ(chdir(previous), 0);
    std::string command = "rm -rf " + folder;
    ASSERT_EQ(system(command.c_str()), 0);
  }
  void writeLevel(int n, const std::string& text) {
    std::ofstream out(levelFileName(n));
    out << text;
  }
  void stand(int x) {
    player->setX(x);
    player->setY(FLOOR_Y);
    player->setOnGround(true);
  }

  std::string folder;
  char previous[4096];
};

}  // namespace

TEST_F(WorldTest, TheExitLeadsToTheNextLevelAtTheStartOfTheNextTick) {
  std::vector<std::string> one = field();
  one[6][3] = 'E';
  writeLevel(1, levelText(one, 15, 90, {}, "First"));
  writeLevel(2, levelText(field(), 15, 45, {}, "Second"));
  advanceLevel();
  EXPECT_EQ(levelNumber, 1);
  EXPECT_TRUE(newLevel);
  EXPECT_TRUE(playSuspended);
  EXPECT_EQ(timeLeft, 90);
  EXPECT_STREQ(currentMap->getName(), "First");

  playSuspended = false;
  newLevel = false;
  player->setPoints(40);
  player->setBullets(2);
  stand(70);
  player->setSpeedX(6);
  updateWorld();
  EXPECT_TRUE(currentMap->isFinished());
  EXPECT_EQ(levelNumber, 1);  // the rest of this tick still ran
  EXPECT_EQ(player->getSpeedX(), 0);

  updateWorld();
  EXPECT_EQ(levelNumber, 2);
  EXPECT_STREQ(currentMap->getName(), "Second");
  EXPECT_TRUE(newLevel);
  EXPECT_TRUE(playSuspended);
  EXPECT_EQ(player->getX(), 50);
  EXPECT_EQ(player->getY(), 50);
  EXPECT_EQ(scrollX, 0);
  EXPECT_EQ(timeLeft, 45);
  EXPECT_EQ(player->getPoints(), 40);
  EXPECT_EQ(player->getBullets(), 2);
  EXPECT_EQ(player->getLives(), 3);
}

TEST_F(WorldTest, TheThirdExitEndsTheGameWithoutReadingAFile) {
  std::vector<std::string> last = field();
  last[6][3] = 'E';
  writeLevel(3, levelText(last, 15, 60, {}, "Third"));
  levelNumber = 2;
  advanceLevel();
  playSuspended = false;
  newLevel = false;
  ASSERT_EQ(std::remove(levelFileName(3)), 0);
  stand(70);
  player->setSpeedX(6);
  updateWorld();
  updateWorld();
  EXPECT_EQ(levelNumber, 4);
  EXPECT_TRUE(gameOver);
  EXPECT_TRUE(playSuspended);
  EXPECT_FALSE(newLevel);
  EXPECT_STREQ(currentMap->getName(), "Third");
}

TEST_F(WorldTest, BonusSecondsReachTheClockInTheFollowingTick) {
  std::vector<std::string> rows = field();
  rows[6][3] = 't';
  useLevel(levelText(rows));
  timeLeft = 10;
  stand(70);
  player->setSpeedX(6);
  updateWorld();
  EXPECT_EQ(player->getBonusTime(), 20);
  EXPECT_EQ(timeLeft, 10);
  updateWorld();
  EXPECT_EQ(timeLeft, 30);
  EXPECT_EQ(player->getBonusTime(), 0);
}

TEST_F(WorldTest, TheEndOfTheClockCostsALifeAndSuspendsPlayNextTick) {
  useLevel(levelText(field()));
  stand(100);
  timeLeft = 0;
  player->setSpeedX(6);
  updateWorld();
  EXPECT_FALSE(player->isAlive());
  EXPECT_EQ(player->getLives(), 2);
  EXPECT_EQ(player->getX(), 100);        // no move in this tick
  EXPECT_EQ(player->getSpeedX(), 6);     // and no reset either
  EXPECT_FALSE(playSuspended);
  updateWorld();
  EXPECT_TRUE(playSuspended);
  EXPECT_FALSE(gameOver);
}

TEST_F(WorldTest, TheLastLifeLostEndsTheGame) {
  std::vector<std::string> rows = field();
  rows[7][3] = 'F';
  rows[7][4] = 'F';
  useLevel(levelText(rows));
  player->setLives(1);
  stand(100);
  updateWorld();  // the feet probe meets the fire
  EXPECT_FALSE(player->isAlive());
  EXPECT_FALSE(playSuspended);
  updateWorld();
  EXPECT_TRUE(playSuspended);
  EXPECT_TRUE(gameOver);
}

TEST_F(WorldTest, ALivePlayerWithoutLivesAtTheEndOfTheClockIsLeftAlone) {
  useLevel(levelText(field()));
  player->setLives(0);
  stand(100);
  timeLeft = -1;
  updateWorld();
  EXPECT_TRUE(player->isAlive());
  EXPECT_FALSE(playSuspended);
  EXPECT_EQ(player->getX(), 100);
}

TEST_F(WorldTest, ThePlayerStopsShortOfTheMapsSideBorders) {
  TileMap* map = useLevel(levelText(field()));
  stand(6);
  player->setSpeedX(-6);
  updateWorld();
  EXPECT_EQ(player->getX(), 6);
  stand(7);
  player->setSpeedX(-6);
  updateWorld();
  EXPECT_EQ(player->getX(), 1);
  int mapW = map->getWidthPixels();
  stand(mapW - TEST_PLAYER_W - 6);  // the right edge would land on MW exactly
  player->setSpeedX(6);
  updateWorld();
  EXPECT_EQ(player->getX(), mapW - TEST_PLAYER_W - 6);
}

TEST_F(WorldTest, APlayerKilledByHisOwnStepStillFinishesItAndCanReachTheExit) {
  std::vector<std::string> rows = field();
  rows[6][4] = 'S';  // spikes met by the horizontal step
  rows[7][3] = 'E';  // the exit under him, met by the vertical step
  useLevel(levelText(rows));
  stand(98);
  player->setY(FLOOR_Y);
  player->setSpeedX(6);
  updateWorld();
  EXPECT_FALSE(player->isAlive());
  EXPECT_TRUE(currentMap->isFinished());
}

TEST_F(WorldTest, ThePlatformCheckComesLastAndPutsThePlayerOnTop) {
  useLevel(levelText(field(), 15, 100, {{200, 150, 300, 150}}));
  stand(100);
  player->setX(210);
  player->setY(150 - TEST_PLAYER_H - 10);  // this tick's fall takes the feet into it
  player->setOnGround(false);
  updateWorld();
  MovingPlatform* p = platformList->get(0);
  EXPECT_EQ(player->getPlatform(), p);
  EXPECT_EQ(player->getBottom(), p->getY());
}
