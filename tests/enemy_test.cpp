// Enemies: walking against walls, ledges and borders, falling, landing and
// bumping, pictures, the list, and contact with the player.
#include <allegro.h>
#include <gtest/gtest.h>

#include "actors/enemy.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "test_support.h"

namespace {

// 10 x 10 cells; floor on row 7 (y 224), a second floor on row 9 (y 288).
const int STAND_Y = 7 * 32 - TEST_ENEMY_H;  // 196

class EnemyTest : public ::testing::Test {
 protected:
  void SetUp() override { resetGameState(); }

  std::vector<std::string> open() {
    return {"..........", "..........", "..........", "..........", "..........",
            "..........", "..........", "##########", "..........", "##########"};
  }
  Enemy* enemyAt(int x, int y, int speedX = 3, int direction = 1) {
    enemyList->add(x, y);
    Enemy* e = enemyList->getTail() ? enemyList->getTail() : enemyList->getHead();
    e->setSpeedX(speedX);
    e->setDirection(direction);
    e->setOnGround(true);
    return e;
  }
};

}  // namespace

TEST_F(EnemyTest, WalksFlushAgainstAWallAndTurnsWithoutOverlappingIt) {
  std::vector<std::string> rows = open();
  rows[6][6] = '#';  // x 192..223
  useLevel(levelText(rows));
  Enemy* e = enemyAt(158, STAND_Y);
  e->walk();
  EXPECT_EQ(e->getX(), 161);
  e->walk();  // the right edge would enter column 6
  EXPECT_EQ(e->getX(), 192 - TEST_ENEMY_W);
  EXPECT_EQ(e->getSpeedX(), -3);
  EXPECT_EQ(e->getDirection(), 1);  // follows with the next step
  e->walk();
  EXPECT_EQ(e->getX(), 161);
  EXPECT_EQ(e->getDirection(), -1);
  for (int i = 0; i < 100; i++) {
    e->walk();
    ASSERT_LE(e->getRight(), 192);
  }
}

TEST_F(EnemyTest, TurnsAtTheMapBordersAndStepsAwayInTheSameTick) {
  TileMap* map = useLevel(levelText(open()));
  Enemy* left = enemyAt(1, STAND_Y, -3, -1);
  left->walk();
  EXPECT_EQ(left->getX(), 4);
  EXPECT_EQ(left->getSpeedX(), 3);

  // the look-ahead at exactly MW probes a column past the grid: open space
  int mapW = map->getWidthPixels();
  Enemy* right = enemyAt(mapW - TEST_ENEMY_W - 3, STAND_Y);
  right->walk();
  EXPECT_EQ(right->getRight(), mapW);
  right->walk();
  EXPECT_EQ(right->getSpeedX(), -3);
  EXPECT_EQ(right->getRight(), mapW - 3);

  Enemy* top = enemyAt(100, 0);
  top->walk();
  top->walk();
  EXPECT_EQ(top->getX(), 100);  // turned twice
}

TEST_F(EnemyTest, WalksOffALedgeFallsOneTickLaterAndLandsSnapped) {
  std::vector<std::string> rows = open();
  rows[7] = "###.......";
  useLevel(levelText(rows));
  Enemy* e = enemyAt(97, STAND_Y);  // past the ledge, still on ground
  e->fall();
  EXPECT_EQ(e->getY(), STAND_Y);
  EXPECT_FALSE(e->isOnGround());
  std::vector<int> ys;
  for (int i = 0; i < 5; i++) {
    e->fall();
    ys.push_back(e->getY());
  }
  EXPECT_EQ(ys, (std::vector<int>{211, 226, 241, 256, 9 * 32 - TEST_ENEMY_H}));
  EXPECT_TRUE(e->isOnGround());
  e->fall();
  EXPECT_EQ(e->getY(), 9 * 32 - TEST_ENEMY_H);  // re-lands every tick
}

TEST_F(EnemyTest, RisingIntoACeilingPutsItBelowWithSpeedMinus15) {
  std::vector<std::string> rows = open();
  rows[4][3] = '#';  // y 128..159
  useLevel(levelText(rows));
  Enemy* e = enemyAt(100, 165);
  e->setOnGround(false);
  e->setSpeedY(-25);
  e->fall();
  EXPECT_EQ(e->getY(), 160);
  EXPECT_EQ(e->getSpeedY(), -15);
  EXPECT_FALSE(e->isOnGround());
}

TEST_F(EnemyTest, AShotEnemyHopsAndLiesOnTheGroundAgain) {
  useLevel(levelText(open()));
  Enemy* e = enemyAt(100, STAND_Y);
  e->hit();
  EXPECT_FALSE(e->isAlive());
  EXPECT_EQ(e->getSpeedY(), -25);
  int highest = e->getY();
  for (int i = 0; i < 60; i++) {
    enemyList->updateAll();
    highest = std::min(highest, e->getY());
  }
  EXPECT_EQ(highest, STAND_Y - 36);  // 8 + 7 + ... + 1 pixels up
  EXPECT_EQ(e->getY(), STAND_Y);
  EXPECT_EQ(e->getX(), 100);  // dead enemies do not walk
}

TEST_F(EnemyTest, AnEnemyFallingOutOfTheMapStopsFarBelowIt) {
  TileMap* map = useLevel(levelText(std::vector<std::string>(4, "....")));
  Enemy* e = enemyAt(40, 40);
  e->hit();
  for (int i = 0; i < 200000; i++) enemyList->updateAll();
  EXPECT_GT(e->getY(), map->getHeightPixels());
  EXPECT_LT(e->getY(), map->getHeightPixels() + 1000);
}

TEST_F(EnemyTest, WalkingPictureChangesOnEveryFifthCall) {
  useLevel(levelText(open()));
  Enemy* e = enemyAt(100, STAND_Y);
  BITMAP* one = graphic(GFX_ENEMY_WALK_1);
  BITMAP* two = graphic(GFX_ENEMY_WALK_2);
  std::vector<BITMAP*> shown;
  for (int i = 0; i < 15; i++) {
    e->animate();
    shown.push_back(e->getSprite());
  }
  EXPECT_EQ(shown[3], one);
  EXPECT_EQ(shown[4], two);
  EXPECT_EQ(shown[8], two);
  EXPECT_EQ(shown[9], one);
  EXPECT_EQ(shown[14], two);
  e->setSprite(graphic(GFX_EXIT));
  for (int i = 0; i < 5; i++) e->animate();
  EXPECT_EQ(e->getSprite(), one);
}

TEST_F(EnemyTest, ListKeepsHeadAndTailThroughAddAndClear) {
  useLevel(levelText(open()));
  enemyList->add(1, 1);
  Enemy* first = enemyList->getHead();
  EXPECT_EQ(enemyList->getTail(), nullptr);
  enemyList->add(2, 2);
  EXPECT_EQ(first->getNext(), enemyList->getTail());
  enemyList->add(3, 3);
  EXPECT_EQ(first->getNext()->getNext(), enemyList->getTail());
  EXPECT_EQ(enemyList->getTail()->getX(), 3);
  EXPECT_EQ(enemyList->getTail()->getSpeedX(), 3);
  enemyList->clear();
  EXPECT_EQ(enemyList->getHead(), nullptr);
  EXPECT_EQ(enemyList->getTail(), nullptr);
  enemyList->clear();
  enemyList->add(4, 4);
  EXPECT_EQ(enemyList->getHead()->getX(), 4);
}

TEST_F(EnemyTest, ContactNeedsAnEdgeWithinThePlayersSpansInclusive) {
  useLevel(levelText(open()));
  player->setX(100);  // 100..124 x 100..130
  player->setY(100);
  Enemy* e = enemyAt(125, 100);
  enemyList->checkPlayerContact();
  EXPECT_TRUE(player->isAlive());
  e->setX(124);  // left edge on the player's right edge
  enemyList->checkPlayerContact();
  EXPECT_FALSE(player->isAlive());
  EXPECT_EQ(player->getLives(), 2);

  player->setAlive(true);
  e->setX(100);
  e->setY(131);  // one below the bottom edge
  enemyList->checkPlayerContact();
  EXPECT_TRUE(player->isAlive());
}

TEST_F(EnemyTest, AnEnemyWiderThanThePlayerWithBothEdgesOutsideDoesNotTouch) {
  useLevel(levelText(open()));
  player->setX(100);
  player->setY(100);
  Enemy* e = enemyAt(90, 100);
  e->setSprite(graphic(GFX_PLATFORM));  // 64 wide: 90..154
  enemyList->checkPlayerContact();
  EXPECT_TRUE(player->isAlive());
  e->kill();
  e->setX(110);
  enemyList->checkPlayerContact();  // dead enemies do not hurt
  EXPECT_TRUE(player->isAlive());
}

TEST_F(EnemyTest, TwoEnemiesTouchingInOneTickCostOneLife) {
  useLevel(levelText(open()));
  player->setX(100);
  player->setY(100);
  enemyAt(90, 100);
  enemyAt(110, 110);
  enemyList->checkPlayerContact();
  EXPECT_EQ(player->getLives(), 2);
}
