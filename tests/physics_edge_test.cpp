// The player's physics at its edges: the one-pixel shifts of the wall
// samples, landings and head bumps at small vertical speeds, rising
// platforms and the ends of a platform's range, pickups met in the air, and
// tiles that are not square.
#include <allegro.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "actors/world.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "test_support.h"

namespace {

// The default test grid: 10 x 8 cells of 32 x 32 pixels, floor on row 7
// (y 224..255), so a standing player (30 high) has y 194. MH is 256.
const int FLOOR_Y = 7 * 32 - TEST_PLAYER_H;  // 194

std::vector<std::string> openRows() {
  return {"..........", "..........", "..........", "..........",
          "..........", "..........", "..........", "##########"};
}

// A level text with its tile size (the third line) replaced.
std::string withTileSize(const std::string& text, int width, int height) {
  size_t first = text.find('\n');
  size_t second = text.find('\n', first + 1);
  size_t third = text.find('\n', second + 1);
  return text.substr(0, second + 1) + std::to_string(width) + "," + std::to_string(height) +
         text.substr(third);
}

struct Cell {
  int col, row;
  char symbol;
};

class PhysicsEdgeTest : public ::testing::Test {
 protected:
  void SetUp() override { resetGameState(); }

  TileMap* level(std::vector<std::string> rows, const std::vector<Cell>& cells,
                 int fallSpeed = 15) {
    for (const Cell& c : cells) rows[c.row][c.col] = c.symbol;
    return useLevel(levelText(rows, fallSpeed));
  }

  void place(int x, int y, int speedY, bool onGround, int direction = 1) {
    player->setX(x);
    player->setY(y);
    player->setSpeedY(speedY);
    player->setOnGround(onGround);
    player->setDirection(direction);
    player->setPlatform(nullptr);
  }
};

}  // namespace

// --- the three wall samples ---------------------------------------------

TEST_F(PhysicsEdgeTest, WallSamplesSitOnePixelUpWhileFallingAndOnePixelDownOtherwise) {
  // Walking right from x 100 at 6: the leading column is (100 + 6 + 24) / 32 = 4,
  // where one block stands in the given row. A stop puts the right edge on the
  // block's left side (x = 128 - 24 = 104); a free step gives x 106.
  // Falling (v = 15 + speedY > 0) the sample rows are y - 1, y + 14, y + 29;
  // otherwise y + 1, y + 16, y + 31 (half the height is 15).
  struct Case {
    int y, speedY, blockRow;
    bool stopped;
    const char* why;
  };
  const Case cases[] = {
      {160, 0, 4, true, "falling: sample 159 is the row above his head"},
      {161, 0, 4, false, "falling: samples 160, 175, 190 all in row 5"},
      {163, 0, 6, true, "falling: sample 192 is his own last pixel row"},
      {162, 0, 6, false, "falling: samples end at 191"},
      {158, -20, 4, true, "rising: sample 159 in the block"},
      {159, -20, 4, false, "rising: his top pixel 159 overlaps, but sample 160 is below it"},
      {161, -20, 6, true, "rising: sample 192 lies two pixels below his feet (190)"},
      {160, -20, 6, false, "rising: samples end at 191"},
      {161, -15, 6, true, "v = 0 counts as not moving down: sample 192"},
      {160, -15, 6, false, "v = 0: samples end at 191"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    resetGameState();
    level(openRows(), {{4, c.blockRow, '#'}});
    place(100, c.y, c.speedY, false);
    player->setSpeedX(6);
    player->moveHorizontally();
    EXPECT_EQ(player->getX(), c.stopped ? 104 : 106);
    EXPECT_EQ(player->getSpeedX(), 6);   // a stop keeps the speed
    EXPECT_EQ(player->getDirection(), 1);
  }
}

TEST_F(PhysicsEdgeTest, SamplesBeforeTheWallStillActAndThoseAfterItDoNot) {
  // Falling at y 160 toward column 4: sample 0 lies in row 4 (159), samples 1
  // and 2 in row 5 (174, 189).
  {
    SCOPED_TRACE("a pickup in the row above, a block in his own row");
    TileMap* map = level(openRows(), {{4, 4, 'o'}, {4, 5, '#'}});
    place(100, 160, 0, false);
    player->setSpeedX(6);
    player->moveHorizontally();
    EXPECT_EQ(player->getX(), 104);
    EXPECT_EQ(player->getPoints(), 5);
    EXPECT_EQ(map->getTile(4, 4)->getType(), TILE_EMPTY);
  }
  {
    SCOPED_TRACE("the block in the row above stops him before the pickup");
    resetGameState();
    TileMap* map = level(openRows(), {{4, 4, '#'}, {4, 5, 'o'}});
    place(100, 160, 0, false);
    player->setSpeedX(6);
    player->moveHorizontally();
    EXPECT_EQ(player->getX(), 104);
    EXPECT_EQ(player->getPoints(), 0);
    EXPECT_EQ(map->getTile(4, 5)->getType(), TILE_PICKUP);
  }
  {
    SCOPED_TRACE("spikes in the row above his head, ahead of him");
    resetGameState();
    level(openRows(), {{4, 4, 'S'}});
    place(100, 160, 0, false);
    player->setSpeedX(6);
    player->moveHorizontally();
    EXPECT_EQ(player->getX(), 106);  // spikes are not solid
    EXPECT_FALSE(player->isAlive());
    EXPECT_EQ(player->getLives(), 2);
  }
}

TEST_F(PhysicsEdgeTest, NoWallIsTestedOnceTheFeetProbeReachesTheMapsBottom) {
  // No floor; blocks at column 4 in rows 6 and 7 (y 192..255), MH 256.
  // Falling at 15: the feet probe is y + 45. y 210 gives 255: the samples
  // 209, 224, 239 meet the blocks. y 211 gives 256 = MH: a plain step.
  std::vector<std::string> rows(8, "..........");
  struct Case {
    int y, x;
  };
  const Case cases[] = {{210, 104}, {211, 106}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.y);
    resetGameState();
    level(rows, {{4, 6, '#'}, {4, 7, '#'}});
    place(100, c.y, 0, false);
    player->setSpeedX(6);
    player->moveHorizontally();
    EXPECT_EQ(player->getX(), c.x);
  }
}

// --- landing and head bumps at small speeds ------------------------------

TEST_F(PhysicsEdgeTest, SlowFallsComeToRestExactlyOnTheFloorTop) {
  // The feet probe is the bottom after the step: y + F + 30. It finds the
  // floor (y 224) once y + F + 30 >= 224, and the landing puts y at 194;
  // before that the player falls F. He never passes 194 and never stops above.
  struct Case {
    int fall, startY;
    std::vector<int> ys;
  };
  const std::vector<Case> cases = {
      {1, 190, {191, 192, 193, 194, 194}},  // probes 221, 222, 223, then 224
      {2, 189, {191, 193, 194, 194}},       // probes 221, 223, then 225
      {2, 190, {192, 194, 194}},            // probes 222, then 224
      {3, 188, {191, 194, 194}},            // probes 221, then 224
      {3, 189, {192, 194, 194}},            // probes 222, then 225
      {3, 190, {193, 194, 194}},            // probes 223, then 226
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("fall speed " + std::to_string(c.fall) + " from y " +
                 std::to_string(c.startY));
    resetGameState();
    level(openRows(), {}, c.fall);
    place(100, c.startY, 0, false);
    for (size_t i = 0; i < c.ys.size(); i++) {
      player->moveVertically();
      EXPECT_EQ(player->getY(), c.ys[i]) << "step " << i;
      EXPECT_EQ(player->isOnGround(), c.ys[i] == FLOOR_Y) << "step " << i;
      EXPECT_EQ(player->getSpeedY(), 0);
    }
  }
}

TEST_F(PhysicsEdgeTest, ADecayedStepEndingFlushOnTheFloorLandsOnTheNextStep) {
  // F 3, speedY -2: v = 1, the probe 192 + 1 + 30 = 223 is still open; the
  // step itself decays speedY to -1 first and moves 2, to y 194 exactly. Only
  // the next probe (194 + 2 + 30 = 226) finds the floor.
  level(openRows(), {}, 3);
  place(100, 192, -2, false);
  player->moveVertically();
  EXPECT_EQ(player->getY(), FLOOR_Y);
  EXPECT_EQ(player->getSpeedY(), -1);
  EXPECT_FALSE(player->isOnGround());
  player->moveVertically();
  EXPECT_EQ(player->getY(), FLOOR_Y);
  EXPECT_EQ(player->getSpeedY(), 0);
  EXPECT_TRUE(player->isOnGround());
}

TEST_F(PhysicsEdgeTest, HeadBumpsNearZeroVerticalSpeed) {
  // A block at column 4, row 4 (y 128..159); the player at x 130 is under it.
  // Not moving down the probe is y + v, v = 15 + speedY; a bump puts y at
  // 160 with speedY -15, an open probe decays speedY and moves speedY + 1 + 15.
  struct Case {
    int y, speedY, expectedY, expectedSpeedY;
    const char* why;
  };
  const Case cases[] = {
      {160, -16, 160, -15, "v -1: probe 159 is the block"},
      {160, -15, 161, -14, "v 0: the probe is his own top row 160, open"},
      {161, -16, 161, -15, "v -1 a pixel below: probe 160 open; the decayed step is 0"},
      {162, -18, 160, -15, "v -3: probe 159, bumped up by 2"},
      {175, -30, 161, -29, "v -15: probe 160 open; moves -14"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    resetGameState();
    level(openRows(), {{4, 4, '#'}});
    place(130, c.y, c.speedY, false);
    player->moveVertically();
    EXPECT_EQ(player->getY(), c.expectedY);
    EXPECT_EQ(player->getSpeedY(), c.expectedSpeedY);
    EXPECT_FALSE(player->isOnGround());
  }
}

TEST_F(PhysicsEdgeTest, BelowFallSpeed15TheBumpRepeatsUntilHeWalksClearOfTheBlock) {
  // F 10: after a bump v = 10 - 15 = -5, so the probe 155 meets the block again
  // every tick. Walking right 6 a tick from x 130 the left probe column x / 32
  // stays 4 up to x 154; at x 160 both columns (160, 183) are 5 and he rises:
  // speedY -14, y 160 - 4 = 156. The wall samples (161, 176, 191) are open.
  level(openRows(), {{4, 4, '#'}}, 10);
  place(130, 160, -15, false);
  std::vector<int> ys;
  for (int i = 0; i < 5; i++) {
    player->setSpeedX(6);
    player->moveHorizontally();
    player->moveVertically();
    ys.push_back(player->getY());
  }
  EXPECT_EQ(player->getX(), 160);
  EXPECT_EQ(ys, (std::vector<int>{160, 160, 160, 160, 156}));
  EXPECT_EQ(player->getSpeedY(), -14);
}

// --- platforms -------------------------------------------------------------

TEST_F(PhysicsEdgeTest, ARisingPlatformReplacesTheHeadProbeWithItsOwnStep) {
  // A ledge in row 2 (y 64..95) over columns 3..5; the player at x 110 spans
  // columns 3 and 4. The platform rises at 4 with its top at 128.
  struct Case {
    bool rising;
    int y, speedY;
    int expectedY, expectedSpeedY;
    bool onGround;
    const char* why;
  };
  const Case cases[] = {
      {true, 100, 0, 98, 0, false, "probe 96 open: carried to 128 - 30"},
      {true, 98, 0, 34, 0, true, "probe 94 in the ledge, v 15: put on top of row 2"},
      {true, 100, -30, 98, -30, false,
       "just jumped: probe 96 (not 85) is open, so no bump; speedY untouched"},
      {true, 98, -30, 96, -15, false, "just jumped, probe 94 in the ledge, v -15: a bump"},
      {false, 20, 0, 34, 0, true, "sinking platform: the usual feet probe 65 lands him"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    resetGameState();
    level(openRows(), {{3, 2, '#'}, {4, 2, '#'}, {5, 2, '#'}});
    // y 120 with its bottom end at 124: 124, then 128 turns it upwards.
    MovingPlatform platform(100, 120, 100, 124, graphic(GFX_PLATFORM));
    if (c.rising) {
      platform.stepY();
      platform.stepY();
      ASSERT_EQ(platform.getY(), 128);
      ASSERT_EQ(platform.getVerticalSpeed(), -4);
    }
    place(110, c.y, c.speedY, false);
    player->setPlatform(&platform);
    player->moveVertically();
    EXPECT_EQ(player->getY(), c.expectedY);
    EXPECT_EQ(player->getSpeedY(), c.expectedSpeedY);
    EXPECT_EQ(player->isOnGround(), c.onGround);
    player->setPlatform(nullptr);
  }
}

TEST_F(PhysicsEdgeTest, ARisingPlatformCarriesHisHeadIntoALedgeAndLeavesHimOnTop) {
  // 10 x 12 cells; a ledge in row 2 (y 64..95) over columns 3..5. The platform
  // shuttles between y 100 and 140; it is taken to 132 on its way up.
  std::vector<std::string> rows(12, "..........");
  rows[2] = "...###....";
  useLevel(levelText(rows, 15, 100, {{100, 100, 100, 140}}));
  MovingPlatform* lift = platformList->get(0);
  for (int i = 0; i < 100 && !(lift->getY() == 132 && lift->getVerticalSpeed() < 0); i++) {
    lift->stepX();
    lift->stepY();
  }
  ASSERT_EQ(lift->getY(), 132);
  ASSERT_EQ(lift->getVerticalSpeed(), -4);
  place(110, 132 - TEST_PLAYER_H, 0, false);
  platformList->findPlatformUnderPlayer();
  ASSERT_EQ(player->getPlatform(), lift);

  // Tick 1: lift 128; head probe 102 - 4 = 98 (row 3) is open: carried to 98.
  updateWorld();
  EXPECT_EQ(lift->getY(), 128);
  EXPECT_EQ(player->getY(), 98);
  EXPECT_EQ(player->getPlatform(), lift);
  // Tick 2: lift 124; head probe 94 lies in the ledge while his own v is 15:
  // the landing rule puts his bottom on row 2's top (64), and the lift, 60
  // pixels lower, is no longer under his feet.
  updateWorld();
  EXPECT_EQ(player->getY(), 64 - TEST_PLAYER_H);
  EXPECT_TRUE(player->isOnGround());
  EXPECT_EQ(player->getSpeedY(), 0);
  EXPECT_FALSE(player->isOnPlatform());
  // Tick 3: he stands on the ledge.
  updateWorld();
  EXPECT_EQ(player->getY(), 64 - TEST_PLAYER_H);
  EXPECT_TRUE(player->isOnGround());
}

TEST_F(PhysicsEdgeTest, ARiderSlidesEightPixelsOnAHorizontalMoverAtEachEndOfItsRange) {
  // The platform (100, 300, xMax 112) moves before the player in a tick, so in
  // the tick it turns the player's step already takes the turned speed:
  // platform 116 (turned to -4) while the rider goes 122 -> 118.
  std::vector<std::string> rows(20, std::string(30, '.'));
  useLevel(levelText(rows, 15, 100, {{100, 300, 112, 300}}));
  MovingPlatform* p = platformList->get(0);
  place(110, 300 - TEST_PLAYER_H, 0, false);
  platformList->findPlatformUnderPlayer();
  ASSERT_TRUE(player->isOnPlatform());
  std::vector<int> platformXs, riderXs, facing;
  for (int i = 0; i < 10; i++) {
    updateWorld();
    platformXs.push_back(p->getX());
    riderXs.push_back(player->getX());
    facing.push_back(player->getDirection());
    ASSERT_EQ(player->getPlatform(), p) << "tick " << i;
    ASSERT_EQ(player->getBottom(), 300) << "tick " << i;
  }
  EXPECT_EQ(platformXs, (std::vector<int>{104, 108, 112, 116, 112, 108, 104, 100, 96, 100}));
  EXPECT_EQ(riderXs, (std::vector<int>{114, 118, 122, 118, 114, 110, 106, 102, 106, 110}));
  EXPECT_EQ(facing, (std::vector<int>{1, 1, 1, -1, -1, -1, -1, -1, 1, 1}));
}

TEST_F(PhysicsEdgeTest, ARiderFollowsAVerticalMoverOneStepPastBothEndsOfItsRange) {
  // (100, 200, yMax 212): 204, 208, 212, 216 (turns), 212 ... 200, 196 (turns), 200.
  std::vector<std::string> rows(20, std::string(30, '.'));
  useLevel(levelText(rows, 15, 100, {{100, 200, 100, 212}}));
  MovingPlatform* p = platformList->get(0);
  place(110, 200 - TEST_PLAYER_H, 0, false);
  platformList->findPlatformUnderPlayer();
  ASSERT_TRUE(player->isOnPlatform());
  std::vector<int> bottoms;
  for (int i = 0; i < 10; i++) {
    updateWorld();
    bottoms.push_back(player->getBottom());
    ASSERT_EQ(player->getPlatform(), p) << "tick " << i;
  }
  EXPECT_EQ(bottoms, (std::vector<int>{204, 208, 212, 216, 212, 208, 204, 200, 196, 200}));
  EXPECT_EQ(player->getX(), 110);
}

// --- pickups met in the air ----------------------------------------------

TEST_F(PhysicsEdgeTest, TheVerticalProbeCollectsAPickupOneStepAhead) {
  struct Case {
    int x, y, speedY;
    std::vector<Cell> cells;
    int expectedY, points, bullets, bonus;
    bool collected;  // the cell (x / 32, 2) or (4, 7) is empty afterwards
    const char* why;
  };
  const std::vector<Case> cases = {
      // v -5: probe 95 in row 2; the step decays to -19 and moves -4, so his
      // top (96) never enters row 2, yet the points are his, once for both probes.
      {100, 100, -20, {{3, 2, 'o'}}, 96, 5, 0, 0, true, "rising"},
      // v 15: the feet probe 20 + 15 + 30 = 65 lies in row 2 while his body
      // after the step ends at 64.
      {100, 20, 0, {{3, 2, 'a'}}, 35, 0, 3, 0, true, "falling"},
      // x 110 spans columns 3 and 4 (110, 133): two pickups in one step.
      {110, 20, 0, {{3, 2, 't'}, {4, 2, 't'}}, 35, 0, 0, 40, true, "falling over two"},
      // Landing: the left probe (column 3, row 7) is the floor, the right one
      // a pickup in the floor row; a solid probe touches neither tile.
      {110, 180, 0, {{4, 7, 'o'}}, FLOOR_Y, 0, 0, 0, false, "landing beside a pickup"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    resetGameState();
    TileMap* map = level(openRows(), c.cells);
    place(c.x, c.y, c.speedY, false);
    player->moveVertically();
    EXPECT_EQ(player->getY(), c.expectedY);
    EXPECT_EQ(player->getPoints(), c.points);
    EXPECT_EQ(player->getBullets(), c.bullets);
    EXPECT_EQ(player->getBonusTime(), c.bonus);
    for (const Cell& cell : c.cells)
      EXPECT_EQ(map->getTile(cell.col, cell.row)->getType(),
                c.collected ? TILE_EMPTY : TILE_PICKUP);
    // nothing is credited a second time by a step that follows
    player->moveVertically();
    EXPECT_EQ(player->getPoints(), c.points);
    EXPECT_EQ(player->getBullets(), c.bullets);
    EXPECT_EQ(player->getBonusTime(), c.bonus);
  }
}

TEST_F(PhysicsEdgeTest, PickupsMetOnTheWayUpAndOnTheWayDownAreCreditedOnce) {
  // He stands on a ledge (row 5, columns 0..3) at x 80, y 130, jumps, walks
  // right for ten ticks (x 140) and drops past the ledge into the pit, onto
  // the floor of row 7 (y 194). The points at (3, 3) meet the jump's own first
  // probe (130 - 15 = 115, columns 2 and 3); the time at (4, 5) and the
  // ammunition at (4, 6) lie below the ledge top, out of reach while rising,
  // and meet the feet probe of columns 4 and 5 on the way down.
  std::vector<std::string> rows = {"..........", "..........", "..........", "...o......",
                                   "..........", "####t.....", "....a.....", "##########"};
  TileMap* map = useLevel(levelText(rows));
  timeLeft = 100;
  place(80, 130, 0, true);
  player->setSpeedX(6);
  player->jump();
  EXPECT_EQ(player->getPoints(), 5);
  updateWorld();
  for (int i = 1; i < 10; i++) {
    player->setSpeedX(6);
    updateWorld();
  }
  EXPECT_EQ(player->getX(), 140);
  EXPECT_EQ(player->getBullets(), 0);  // nothing below the ledge yet
  for (int i = 0; i < 40; i++) updateWorld();
  EXPECT_EQ(player->getX(), 140);
  EXPECT_EQ(player->getY(), FLOOR_Y);
  EXPECT_TRUE(player->isOnGround());
  EXPECT_TRUE(player->isAlive());
  EXPECT_EQ(player->getPoints(), 5);
  EXPECT_EQ(player->getBullets(), 3);
  EXPECT_EQ(player->getBonusTime(), 0);
  EXPECT_EQ(timeLeft, 120);  // the 20 seconds reached the clock once
  EXPECT_EQ(map->getTile(3, 3)->getType(), TILE_EMPTY);
  EXPECT_EQ(map->getTile(4, 5)->getType(), TILE_EMPTY);
  EXPECT_EQ(map->getTile(4, 6)->getType(), TILE_EMPTY);
}

// --- tiles that are not square ---------------------------------------------

TEST_F(PhysicsEdgeTest, PixelsMapToCellsByTheirOwnWidthAndHeight) {
  struct Case {
    int w, h;
  };
  const Case sizes[] = {{32, 24}, {16, 40}};
  for (const Case& s : sizes) {
    SCOPED_TRACE(std::to_string(s.w) + " x " + std::to_string(s.h));
    TileMap* map = useLevel(withTileSize(levelText(openRows()), s.w, s.h));
    EXPECT_EQ(map->getTileWidth(), s.w);
    EXPECT_EQ(map->getTileHeight(), s.h);
    EXPECT_EQ(map->getTileAtPixel(s.w - 1, s.h - 1), map->getTile(0, 0));
    EXPECT_EQ(map->getTileAtPixel(s.w, 0), map->getTile(1, 0));
    EXPECT_EQ(map->getTileAtPixel(0, s.h), map->getTile(0, 1));
    EXPECT_EQ(map->getTileAtPixel(s.w - 1, s.h), map->getTile(0, 1));
    EXPECT_EQ(map->getTileAtPixel(9 * s.w, 7 * s.h + s.h - 1), map->getTile(9, 7));
  }
}

TEST_F(PhysicsEdgeTest, TilesOf32By24) {
  // 10 x 10 cells, MW 320, MH 240; floor row 9 (y 216..239), so a standing
  // player has y 216 - 30 = 186. Blocks: (3, 4) y 96..119; (5, 8) x 160..191,
  // y 192..215; (1, 8) x 32..63. An enemy cell at (7, 2).
  std::vector<std::string> rows(10, "..........");
  rows[9] = "##########";
  rows[4][3] = '#';
  rows[8][5] = '#';
  rows[8][1] = '#';
  rows[2][7] = 'e';
  useLevel(withTileSize(levelText(rows), 32, 24));

  Enemy* e = enemyList->getHead();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->getX(), 7 * 32);
  EXPECT_EQ(e->getY(), 2 * 24);

  {
    SCOPED_TRACE("landing: feet probes 195, 210 (row 8), then 225 (row 9)");
    place(100, 150, 0, false);
    std::vector<int> ys;
    for (int i = 0; i < 4; i++) {
      player->moveVertically();
      ys.push_back(player->getY());
    }
    EXPECT_EQ(ys, (std::vector<int>{165, 180, 186, 186}));
    EXPECT_TRUE(player->isOnGround());
  }
  {
    SCOPED_TRACE("a wall on the right: column 162 / 32 = 5, sample 200 in row 8");
    place(132, 186, 0, true, 1);
    player->setSpeedX(6);
    player->moveHorizontally();
    EXPECT_EQ(player->getX(), 5 * 32 - TEST_PLAYER_W);  // 136
  }
  {
    SCOPED_TRACE("a wall on the left: column 62 / 32 = 1");
    place(68, 186, 0, true, -1);
    player->setSpeedX(-6);
    player->moveHorizontally();
    EXPECT_EQ(player->getX(), 2 * 32);  // 64
  }
  {
    SCOPED_TRACE("a head bump: probe 125 - 15 = 110 in row 4, under it at 5 x 24");
    place(100, 125, -30, false);
    player->moveVertically();
    EXPECT_EQ(player->getY(), 120);
    EXPECT_EQ(player->getSpeedY(), -15);
  }
  {
    SCOPED_TRACE("the enemy falls from y 48 and stands on row 9 at 216 - 28");
    e->setDirection(1);
    for (int i = 0; i < 20; i++) e->fall();
    EXPECT_EQ(e->getY(), 216 - TEST_ENEMY_H);
    EXPECT_TRUE(e->isOnGround());
  }
}

TEST_F(PhysicsEdgeTest, TilesOf16By40) {
  // 20 x 8 cells, MW 320, MH 320; floor row 7 (y 280..319) with gaps at
  // columns 6 and 8, so a standing player has y 280 - 30 = 250. The player,
  // 24 wide, spans two or three 16-pixel columns, and only the columns of x
  // and x + 23 are probed. Blocks: (15, 4) x 240..255, y 160..199;
  // (12, 6) x 192..207; (3, 6) x 48..63. An enemy cell at (2, 1).
  std::vector<std::string> rows(8, "....................");
  rows[7] = "######.#.###########";
  rows[4][15] = '#';
  rows[6][12] = '#';
  rows[6][3] = '#';
  rows[1][2] = 'e';
  useLevel(withTileSize(levelText(rows), 16, 40));

  Enemy* e = enemyList->getHead();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->getX(), 2 * 16);
  EXPECT_EQ(e->getY(), 1 * 40);

  struct Fall {
    int x, y;
    const char* why;
  };
  // The feet probe 240 + 45 = 285 lies in row 7.
  const Fall falls[] = {
      {100, 250, "columns 6 and 7 (100, 123): lands on column 7"},
      {104, 250, "columns 6 and 7 (104, 127): lands"},
      {105, 255, "columns 6 and 8 (105, 128): both gaps, falls 15"},
      {108, 255, "columns 6 and 8 (108, 131): the floor of column 7 between is missed"},
  };
  for (const Fall& f : falls) {
    SCOPED_TRACE(f.why);
    place(f.x, 240, 0, false);
    player->moveVertically();
    EXPECT_EQ(player->getY(), f.y);
    EXPECT_EQ(player->isOnGround(), f.y == 250);
  }

  struct Walk {
    int x, speedX, direction, expectedX;
    const char* why;
  };
  // Standing at y 250 the samples 249, 264, 279 all lie in row 6.
  const Walk walks[] = {
      {161, 6, 1, 167, "leading column 191 / 16 = 11 is open"},
      {165, 6, 1, 12 * 16 - TEST_PLAYER_W, "leading column 195 / 16 = 12: flush at 168"},
      {70, -6, -1, 64, "leading column 64 / 16 = 4 is open"},
      {69, -6, -1, 4 * 16, "leading column 63 / 16 = 3: flush at 64 instead of 63"},
  };
  for (const Walk& w : walks) {
    SCOPED_TRACE(w.why);
    place(w.x, 250, 0, true, w.direction);
    player->setSpeedX(w.speedX);
    player->moveHorizontally();
    EXPECT_EQ(player->getX(), w.expectedX);
  }

  struct Bump {
    int x, y, speedY;
    const char* why;
  };
  // Rising at v -15 from y 205: the head probe 190 lies in row 4.
  const Bump bumps[] = {
      {232, 200, -15, "columns 14 and 15 (232, 255): under the block at 5 x 40"},
      {236, 191, -29, "columns 14 and 16 (236, 259): the block between is missed"},
  };
  for (const Bump& b : bumps) {
    SCOPED_TRACE(b.why);
    place(b.x, 205, -30, false);
    player->moveVertically();
    EXPECT_EQ(player->getY(), b.y);
    EXPECT_EQ(player->getSpeedY(), b.speedY);
  }
}
