// Bullets and enemies at their edges: shots at the map's borders and the
// leading-edge probe, enemies turning at the border columns, and the
// one-pixel shifts of the enemies' own probes.
#include <allegro.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "test_support.h"

namespace {

// 10 x 8 cells of 32 pixels: MW 320, MH 256. Bullets are 10 x 4 and fly 15
// a tick; enemies are 28 x 28 and walk 3 a tick. The floor is row 7
// (y 224), so a standing enemy has y 196.
const int ENEMY_STAND_Y = 7 * 32 - TEST_ENEMY_H;  // 196

class ActorEdgeTest : public ::testing::Test {
 protected:
  void SetUp() override { resetGameState(); }

  TileMap* level(std::vector<std::string> rows, int fallSpeed = 15) {
    return useLevel(levelText(rows, fallSpeed));
  }
  std::vector<std::string> empty() { return std::vector<std::string>(8, ".........."); }
  std::vector<std::string> floored() {
    std::vector<std::string> rows = empty();
    rows[7] = "##########";
    return rows;
  }

  int bullets() {
    int n = 0;
    for (Bullet* b = bulletList->getHead(); b; b = b->getNext()) n++;
    return n;
  }
  void tick() {
    bulletList->moveAll();
    bulletList->checkHits();
  }
  Enemy* enemyAt(int x, int y, int speedX, int direction, bool onGround = true) {
    enemyList->add(x, y);
    Enemy* e = enemyList->getTail() ? enemyList->getTail() : enemyList->getHead();
    e->setSpeedX(speedX);
    e->setDirection(direction);
    e->setOnGround(onGround);
    return e;
  }
};

}  // namespace

// --- bullets -----------------------------------------------------------------

TEST_F(ActorEdgeTest, ShotsAtTheLeftBorder) {
  struct Case {
    int startX;
    bool wallInColumn0;
    bool leftAfterOneTick;
    const char* why;
  };
  const Case cases[] = {
      {14, false, true, "x -1 has left the map"},
      {15, false, false, "x 0 is still on the map and column 0 is open"},
      {15, true, true, "x 0: the probe (its left edge) lies in the wall of column 0"},
      {40, true, true, "x 25 lies in the wall of column 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    resetGameState();
    std::vector<std::string> rows = empty();
    if (c.wallInColumn0) rows[3][0] = '#';  // y 96..127
    level(rows);
    bulletList->add(c.startX, 100, -1);
    tick();
    EXPECT_EQ(bullets(), c.leftAfterOneTick ? 0 : 1);
    tick();  // from x 0 or less the next step leaves the map in any case
    EXPECT_EQ(bullets(), 0);
    EXPECT_EQ(bulletList->getHead(), nullptr);
    EXPECT_EQ(bulletList->getTail(), nullptr);
  }
}

TEST_F(ActorEdgeTest, AShotFiredOutOfTheMapFromEitherBorderIsGoneWithinTwoTicks) {
  level(empty());
  {
    SCOPED_TRACE("facing left at x 5: the shot is at -10 after its first step");
    player->setX(5);
    player->setY(100);
    player->setDirection(-1);
    player->setBullets(1);
    player->fire();
    ASSERT_EQ(bullets(), 1);
    tick();
    EXPECT_EQ(bullets(), 0);
  }
  {
    // The rightmost place the player can reach is 320 - 24 - 1 = 295; the shot
    // starts at his left edge, 310 after one step (its probe 320 lies past the
    // grid) and 325 > MW after the second.
    SCOPED_TRACE("facing right at x 295");
    player->setX(295);
    player->setDirection(1);
    player->setBullets(1);
    player->fire();
    ASSERT_EQ(bullets(), 1);
    tick();
    tick();
    EXPECT_EQ(bullets(), 0);
  }
}

TEST_F(ActorEdgeTest, ShotsAtTheRightBorder) {
  {
    SCOPED_TRACE("open last column: 305 (probe 315, column 9) flies on");
    level(empty());
    bulletList->add(290, 100, 1);
    tick();
    ASSERT_EQ(bullets(), 1);
    EXPECT_EQ(bulletList->getHead()->getX(), 305);
    tick();  // 320: not beyond MW; what its probe at 330 yields is the map's
    tick();  // 335 > 320: gone
    EXPECT_EQ(bullets(), 0);
  }
  {
    SCOPED_TRACE("a wall in the last column: 295, probe 305 in column 9");
    resetGameState();
    std::vector<std::string> rows = empty();
    rows[3][9] = '#';
    level(rows);
    bulletList->add(280, 100, 1);
    tick();
    EXPECT_EQ(bullets(), 0);
  }
}

TEST_F(ActorEdgeTest, TheWallProbeIsTheLeadingEdgeOnTheTopRow) {
  // A block at column 4, row 3: x 128..159, y 96..127. Moving right the probe
  // is x + 10 (one past its last pixel), moving left it is x; the row is y / 32.
  struct Case {
    int startX, y, direction;
    bool removed;
    const char* why;
  };
  const Case cases[] = {
      {103, 100, 1, true, "at 118 its pixels end at 127, but the probe 128 is in the block"},
      {102, 100, 1, false, "at 117 the probe is 127"},
      {175, 100, -1, false, "at 160 the probe 160 is column 5"},
      {174, 100, -1, true, "at 159 the probe is in the block"},
      {110, 94, 1, false, "top row 2: its lower pixels 96, 97 overlap row 3 unseen"},
      {110, 96, 1, true, "top row 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    resetGameState();
    std::vector<std::string> rows = empty();
    rows[3][4] = '#';
    level(rows);
    bulletList->add(c.startX, c.y, c.direction);
    tick();
    EXPECT_EQ(bullets(), c.removed ? 0 : 1);
  }
}

TEST_F(ActorEdgeTest, AShotThatLeftTheMapOrMetAWallStrikesNoEnemy) {
  // The enemy spans x 0..28, y 90..118; every shot below has an edge inside it.
  struct Case {
    int startX, direction;
    bool wall;
    bool struck;
    const char* why;
  };
  const Case cases[] = {
      {15, -1, false, true, "at 0..10 on the map: struck"},
      {14, -1, false, false, "at -1..9 it has left the map before the enemies are tested"},
      {15, -1, true, false, "at 0 in the wall of column 0: removed before the enemies"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    resetGameState();
    std::vector<std::string> rows = empty();
    if (c.wall) rows[3][0] = '#';
    level(rows);
    Enemy* e = enemyAt(0, 90, 3, 1, false);
    bulletList->add(c.startX, 100, c.direction);
    tick();
    EXPECT_EQ(e->isAlive(), !c.struck);
    EXPECT_EQ(bullets(), 0);
  }
}

// --- enemies -----------------------------------------------------------------

TEST_F(ActorEdgeTest, EnemiesTurnAtTheLeftBorderColumn) {
  struct Case {
    int x;
    bool wallInColumn0;
    int expectedX, expectedSpeedX, expectedDirection;
    const char* why;
  };
  const Case cases[] = {
      {3, false, 0, -3, -1, "look-ahead 0 is inside: steps to the border"},
      {2, false, 5, 3, 1, "look-ahead -1: turns and steps 3 right"},
      {0, false, 3, 3, 1, "at the border: turns"},
      {35, true, 32, -3, -1, "look-ahead 32 is column 1: steps"},
      {32, true, 32, 3, -1, "look-ahead 29 is the wall: stays flush, turns, still faces left"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    resetGameState();
    std::vector<std::string> rows = floored();
    if (c.wallInColumn0) rows[6][0] = '#';  // y 192..223: the enemy's own rows
    level(rows);
    Enemy* e = enemyAt(c.x, ENEMY_STAND_Y, -3, -1);
    e->walk();
    EXPECT_EQ(e->getX(), c.expectedX);
    EXPECT_EQ(e->getSpeedX(), c.expectedSpeedX);
    EXPECT_EQ(e->getDirection(), c.expectedDirection);
  }
}

TEST_F(ActorEdgeTest, EnemiesTurnAtTheRightBorderColumn) {
  {
    SCOPED_TRACE("look-ahead 290 + 3 + 28 = 321 > MW: turns and steps left");
    level(floored());
    Enemy* e = enemyAt(290, ENEMY_STAND_Y, 3, 1);
    e->walk();
    EXPECT_EQ(e->getX(), 287);
    EXPECT_EQ(e->getSpeedX(), -3);
    EXPECT_EQ(e->getDirection(), -1);
  }
  {
    // 258 + 3 + 28 = 289 lies in column 9: flush at 288 - 28 = 260. The next
    // step still looks ahead on the right (direction +1): 260 - 3 + 28 = 285
    // is column 8, open, so it steps to 257 and faces left.
    SCOPED_TRACE("a wall in the last column");
    resetGameState();
    std::vector<std::string> rows = floored();
    rows[6][9] = '#';
    level(rows);
    Enemy* e = enemyAt(258, ENEMY_STAND_Y, 3, 1);
    e->walk();
    EXPECT_EQ(e->getX(), 260);
    EXPECT_EQ(e->getSpeedX(), -3);
    EXPECT_EQ(e->getDirection(), 1);
    e->walk();
    EXPECT_EQ(e->getX(), 257);
    EXPECT_EQ(e->getDirection(), -1);
  }
}

TEST_F(ActorEdgeTest, EnemyWallProbesSitOnePixelUpWhileFallingAndOnePixelDownOtherwise) {
  // Walking right from x 130: the look-ahead 130 + 3 + 28 = 161 is column 5,
  // where one block stands in the given row. A stop puts x at 160 - 28 = 132;
  // a free step gives 133. Falling (v > 0) the probe rows are y - 1, y + 13,
  // y + 27; otherwise y + 1, y + 15, y + 29 (half the height is 14).
  struct Case {
    int y, speedY, blockRow;
    bool stopped;
    const char* why;
  };
  const Case cases[] = {
      {160, 0, 4, true, "falling: 159 is the row above it"},
      {161, 0, 4, false, "falling: 160, 174, 188 in row 5"},
      {165, 0, 6, true, "falling: 192 is its own last pixel row"},
      {164, 0, 6, false, "falling: the probes end at 191"},
      {158, -15, 4, true, "v 0: 159 in the block"},
      {159, -15, 4, false, "v 0: its top pixel overlaps, the probe 160 does not"},
      {163, -15, 6, true, "v 0: 192 is two pixels below its bottom (190)"},
      {162, -15, 6, false, "v 0: the probes end at 191"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    resetGameState();
    std::vector<std::string> rows = floored();
    rows[c.blockRow][5] = '#';
    level(rows);
    Enemy* e = enemyAt(130, c.y, 3, 1, false);
    e->setSpeedY(c.speedY);
    e->walk();
    EXPECT_EQ(e->getX(), c.stopped ? 132 : 133);
    EXPECT_EQ(e->getSpeedX(), c.stopped ? -3 : 3);
  }
}

TEST_F(ActorEdgeTest, AnEnemyFacingLeftProbesTheFloorTwoPixelsRightOfItsBody) {
  // A pit in column 3 (x 96..127) of the floor row 7. The fall probes are the
  // columns of x and, facing right, x + 27, or, facing left, x + 29. From
  // y 190 the probe row is 190 + 15 + 28 = 233, row 7.
  struct Case {
    int x, direction;
    bool lands;
    const char* why;
  };
  const Case cases[] = {
      {99, -1, true, "facing left: 99 + 29 = 128 is column 4, solid"},
      {98, -1, false, "facing left: 98 + 29 = 127 is still the pit"},
      {99, 1, false, "facing right: 99 and 126 both lie over the pit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    resetGameState();
    std::vector<std::string> rows = floored();
    rows[7][3] = '.';
    level(rows);
    Enemy* e = enemyAt(c.x, 190, 3 * c.direction, c.direction, false);
    e->fall();
    EXPECT_EQ(e->getY(), c.lands ? ENEMY_STAND_Y : 205);
    EXPECT_EQ(e->isOnGround(), c.lands);
  }
}
