// Physics at its edges. The player: the one-pixel shifts of the wall samples,
// landings and head bumps at small vertical speeds, rising platforms and the
// ends of a platform's range, pickups met in the air, tiles that are not
// square. Bullets and enemies: the map's borders, the leading-edge probes and
// the one-pixel shifts of the enemies' own probes.
#include <allegro.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "actors/world.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "test_support.h"

namespace {

// The default grid: 10 x 8 cells of 32 x 32 pixels, MW 320, MH 256, floor on
// row 7 (y 224..255). A standing player (30 high) has y 194, a standing enemy
// (28 x 28, walking 3 a tick) 196. Bullets are 10 x 4 and fly 15 a tick.
const int FLOOR_Y = 7 * 32 - TEST_PLAYER_H;        // 194
const int ENEMY_STAND_Y = 7 * 32 - TEST_ENEMY_H;  // 196

struct Cell { int col, row; char symbol; };

// A level text with its tile size (the third line) replaced.
std::string withTileSize(const std::string& text, int width, int height) {
  size_t second = text.find('\n', text.find('\n') + 1);
  return text.substr(0, second + 1) + std::to_string(width) + "," + std::to_string(height) +
         text.substr(text.find('\n', second + 1));
}

class PhysicsEdgeTest : public ::testing::Test {
 protected:
  void SetUp() override { resetGameState(); }

  // A fresh game on the default grid with `cells` set.
  TileMap* level(const std::vector<Cell>& cells = {}, int fallSpeed = 15) {
    resetGameState();
    std::vector<std::string> rows(7, "..........");
    rows.push_back("##########");
    for (const Cell& c : cells) rows[c.row][c.col] = c.symbol;
    return useLevel(levelText(rows, fallSpeed));
  }
  // A fresh game on an empty 30 x 20 grid with one moving platform.
  MovingPlatform* platformLevel(const TestPlatform& p) {
    resetGameState();
    useLevel(levelText(std::vector<std::string>(20, std::string(30, '.')), 15, 100, {p}));
    return platformList->get(0);
  }

  void place(int x, int y, int speedY, bool onGround, int direction = 1) {
    player->setX(x);
    player->setY(y);
    player->setSpeedY(speedY);
    player->setOnGround(onGround);
    player->setDirection(direction);
    player->setPlatform(nullptr);
  }
  void walk(int x, int y, int speedY, int speedX) {
    place(x, y, speedY, false, speedX > 0 ? 1 : -1);
    player->setSpeedX(speedX);
    player->moveHorizontally();
  }

  void tick() {
    bulletList->moveAll();
    bulletList->checkHits();
  }
  Enemy* enemyAt(int x, int y, int speedX, int direction, bool onGround) {
    enemyList->add(x, y);  // the only one
    Enemy* e = enemyList->getHead();
    e->setSpeedX(speedX);
    e->setDirection(direction);
    e->setOnGround(onGround);
    return e;
  }
};

class ActorEdgeTest : public PhysicsEdgeTest {};

}  // namespace

// --- the player's wall samples -------------------------------------------

TEST_F(PhysicsEdgeTest, WallSamplesSitOnePixelUpWhileFallingAndOnePixelDownOtherwise) {
  // Walking right from x 100 at 6: the leading column is (100 + 6 + 24) / 32 = 4,
  // where one block stands in the given row. A stop puts the right edge on the
  // block's left side (x = 128 - 24 = 104); a free step gives x 106.
  // Falling (v = 15 + speedY > 0) the sample rows are y - 1, y + 14, y + 29;
  // otherwise y + 1, y + 16, y + 31 (half the height is 15).
  struct Case { int y, speedY, blockRow; bool stopped; const char* why; };
  const Case cases[] = {
      {160, 0, 4, true, "falling: sample 159 is the row above his head"},
      {161, 0, 4, false, "falling: samples 160, 175, 190 all in row 5"},
      {163, 0, 6, true, "falling: sample 192 is his own last pixel row"},
      {162, 0, 6, false, "falling: samples end at 191"},
      {158, -20, 4, true, "rising: sample 159 in the block"},
      {159, -20, 4, false, "rising: his top pixel 159 overlaps, but sample 160 is below it"},
      {161, -15, 6, true, "v = 0 counts as not moving down: sample 192, below his feet"},
      {160, -15, 6, false, "v = 0: samples end at 191"},
      // the feet probe y + 45 reaches MH 256 from y 211 on: a plain step
      {210, 0, 6, true, "feet probe 255: sample 209 meets the block"},
      {211, 0, 6, false, "feet probe 256: no wall test"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    level({{4, c.blockRow, '#'}});
    walk(100, c.y, c.speedY, 6);
    EXPECT_EQ(player->getX(), c.stopped ? 104 : 106);
    EXPECT_EQ(player->getSpeedX(), 6);  // a stop keeps the speed
    EXPECT_EQ(player->getDirection(), 1);
  }
}

TEST_F(PhysicsEdgeTest, SamplesBeforeTheWallStillActAndThoseAfterItDoNot) {
  // Falling at y 160 toward column 4: sample 0 lies in row 4, samples 1 and 2 in row 5.
  TileMap* map = level({{4, 4, 'o'}, {4, 5, '#'}});
  walk(100, 160, 0, 6);
  EXPECT_EQ(player->getX(), 104);
  EXPECT_EQ(player->getPoints(), 5);
  EXPECT_EQ(map->getTile(4, 4)->getType(), TILE_EMPTY);

  map = level({{4, 4, '#'}, {4, 5, 'o'}});
  walk(100, 160, 0, 6);
  EXPECT_EQ(player->getX(), 104);
  EXPECT_EQ(player->getPoints(), 0);
  EXPECT_EQ(map->getTile(4, 5)->getType(), TILE_PICKUP);

  level({{4, 4, 'S'}});  // spikes in the row above his head are met, not solid
  walk(100, 160, 0, 6);
  EXPECT_EQ(player->getX(), 106);
  EXPECT_EQ(player->getLives(), 2);
}

// --- landing and head bumps at small speeds ------------------------------

TEST_F(PhysicsEdgeTest, SlowLandingsAndHeadBumpsNearZeroVerticalSpeed) {
  // The player at x 130 under a block at column 4, row 4 (y 128..159), fall
  // speed F, v = F + speedY. Moving down the feet probe is y + v + 30 and a
  // landing puts y at 194 whatever the overshoot; otherwise the head probe is
  // y + v and a bump puts y at 160 with speedY -15. An open probe decays
  // speedY toward 0 first, then moves speedY + F.
  struct Case { int fall, y, speedY, toY, toSpeedY; bool onGround; const char* why; };
  const Case cases[] = {
      {1, 192, 0, 193, 0, false, "F 1: probe 223 is open"},
      {1, 193, 0, 194, 0, true, "F 1: probe 224 is the floor"},
      {3, 190, 0, 193, 0, false, "F 3: probe 223 is open"},
      {3, 193, 0, 194, 0, true, "F 3: probe 226, one pixel down onto the floor"},
      {3, 192, -2, 194, -1, false, "v 1: probe 223 open; the decayed step of 2 ends flush"},
      {3, 194, -1, 194, 0, true, "v 2: only now the probe (226) lands him"},
      {15, 160, -16, 160, -15, false, "v -1: probe 159 is the block"},
      {15, 160, -15, 161, -14, false, "v 0: the probe is his own top row 160, open"},
      {15, 161, -16, 161, -15, false, "v -1 a pixel below: probe 160 open; the step is 0"},
      {15, 162, -18, 160, -15, false, "v -3: probe 159, bumped up by 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    level({{4, 4, '#'}}, c.fall);
    place(130, c.y, c.speedY, false);
    player->moveVertically();
    EXPECT_EQ(player->getY(), c.toY);
    EXPECT_EQ(player->getSpeedY(), c.toSpeedY);
    EXPECT_EQ(player->isOnGround(), c.onGround);
  }
}

TEST_F(PhysicsEdgeTest, BelowFallSpeed15TheBumpRepeatsUntilHeWalksClearOfTheBlock) {
  // F 10: after a bump v = 10 - 15 = -5, so the probe 155 meets the block again
  // every tick. Walking right 6 a tick from x 130 the left probe column x / 32
  // stays 4 up to x 154; at x 160 both columns (160, 183) are 5 and he rises:
  // speedY -14, y 160 - 4 = 156. The wall samples (161, 176, 191) are open.
  level({{4, 4, '#'}}, 10);
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
  struct Case { bool rising; int y, speedY, toY, toSpeedY; bool onGround; const char* why; };
  const Case cases[] = {
      {true, 100, 0, 98, 0, false, "probe 96 open: carried to 128 - 30"},
      {true, 100, -30, 98, -30, false,
       "just jumped: probe 96 (not 85) is open, so no bump; speedY untouched"},
      {true, 98, -30, 96, -15, false, "just jumped, probe 94 in the ledge, v -15: a bump"},
      {false, 20, 0, 34, 0, true, "sinking platform: the usual feet probe 65 lands him"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    level({{3, 2, '#'}, {4, 2, '#'}, {5, 2, '#'}});
    // y 120 with its bottom end at 124: 124, then 128 turns it upwards.
    MovingPlatform platform(100, 120, 100, 124, graphic(GFX_PLATFORM));
    if (c.rising) {
      platform.stepY();
      platform.stepY();
      ASSERT_EQ(platform.getVerticalSpeed(), -4);
    }
    place(110, c.y, c.speedY, false);
    player->setPlatform(&platform);
    player->moveVertically();
    EXPECT_EQ(player->getY(), c.toY);
    EXPECT_EQ(player->getSpeedY(), c.toSpeedY);
    EXPECT_EQ(player->isOnGround(), c.onGround);
    player->setPlatform(nullptr);
  }
}

TEST_F(PhysicsEdgeTest, ARisingPlatformCarriesHisHeadIntoALedgeAndLeavesHimOnTop) {
  // A ledge in row 2 (y 64..95) over columns 3..5. The platform shuttles
  // between y 100 and 140; it is taken to 132 on its way up.
  std::vector<std::string> rows(12, "..........");
  rows[2] = "...###....";
  useLevel(levelText(rows, 15, 100, {{100, 100, 100, 140}}));
  MovingPlatform* lift = platformList->get(0);
  for (int i = 0; i < 100 && !(lift->getY() == 132 && lift->getVerticalSpeed() < 0); i++)
    lift->stepY();
  ASSERT_EQ(lift->getY(), 132);
  place(110, 132 - TEST_PLAYER_H, 0, false);
  platformList->findPlatformUnderPlayer();
  ASSERT_EQ(player->getPlatform(), lift);

  // Tick 1: lift 128; head probe 102 - 4 = 98 (row 3) is open: carried to 98.
  updateWorld();
  EXPECT_EQ(player->getY(), 98);
  EXPECT_EQ(player->getPlatform(), lift);
  // Tick 2: lift 124; head probe 94 lies in the ledge while his own v is 15:
  // the landing rule puts his bottom on row 2's top (64), and the lift, 60
  // pixels lower, is no longer under his feet. Tick 3: he stands there.
  for (int i = 0; i < 2; i++) {
    updateWorld();
    EXPECT_EQ(player->getY(), 64 - TEST_PLAYER_H);
    EXPECT_TRUE(player->isOnGround());
    EXPECT_EQ(player->getSpeedY(), 0);
    EXPECT_FALSE(player->isOnPlatform());
  }
}

TEST_F(PhysicsEdgeTest, ARiderFollowsAMoverOneStepPastBothEndsOfItsRange) {
  // The platform moves before the player in a tick, so in the tick it turns
  // the rider's step already takes the turned speed.
  struct Case { TestPlatform platform; std::vector<int> xs, bottoms, facing; };
  const std::vector<Case> cases = {
      // platform 104, 108, 112, 116 (turned to -4) ... 96 (turned), 100
      {{100, 300, 112, 300},
       {114, 118, 122, 118, 114, 110, 106, 102, 106, 110},
       std::vector<int>(10, 300),
       {1, 1, 1, -1, -1, -1, -1, -1, 1, 1}},
      // platform 204, 208, 212, 216 (turns), 212 ... 200, 196 (turns), 200
      {{100, 200, 100, 212},
       std::vector<int>(10, 110),
       {204, 208, 212, 216, 212, 208, 204, 200, 196, 200},
       std::vector<int>(10, 1)},
  };
  for (const Case& c : cases) {
    MovingPlatform* p = platformLevel(c.platform);
    place(110, c.platform.y - TEST_PLAYER_H, 0, false);
    platformList->findPlatformUnderPlayer();
    std::vector<int> xs, bottoms, facing;
    for (int i = 0; i < 10; i++) {
      updateWorld();
      ASSERT_EQ(player->getPlatform(), p) << "tick " << i;
      xs.push_back(player->getX());
      bottoms.push_back(player->getBottom());
      facing.push_back(player->getDirection());
    }
    EXPECT_EQ(xs, c.xs);
    EXPECT_EQ(bottoms, c.bottoms);
    EXPECT_EQ(facing, c.facing);
  }
}

// --- pickups met in the air ----------------------------------------------

TEST_F(PhysicsEdgeTest, TheVerticalProbeCollectsAPickupOneStepAhead) {
  struct Case { int x, y, speedY; std::vector<Cell> cells; int toY, points, bonus; bool taken; };
  const std::vector<Case> cases = {
      // v -5: probe 95 in row 2; the step decays to -19 and moves -4, so his
      // top (96) never enters row 2, yet the points are his, once for both probes.
      {100, 100, -20, {{3, 2, 'o'}}, 96, 5, 0, true},
      // v 15: the feet probe 20 + 15 + 30 = 65 lies in row 2 while his body
      // after the step ends at 64; x 110 spans columns 3 and 4 (110, 133).
      {110, 20, 0, {{3, 2, 't'}, {4, 2, 't'}}, 35, 0, 40, true},
      // Landing: the left probe (column 3, row 7) is the floor, the right one
      // a pickup in the floor row; a solid probe touches neither tile.
      {110, 180, 0, {{4, 7, 'o'}}, FLOOR_Y, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.y);
    TileMap* map = level(c.cells);
    place(c.x, c.y, c.speedY, false);
    for (int step = 0; step < 2; step++) {  // a second step credits nothing again
      player->moveVertically();
      EXPECT_EQ(player->getPoints(), c.points);
      EXPECT_EQ(player->getBonusTime(), c.bonus);
      if (step == 0) {
        EXPECT_EQ(player->getY(), c.toY);
      }
    }
    for (const Cell& cell : c.cells)
      EXPECT_EQ(map->getTile(cell.col, cell.row)->getType(),
                c.taken ? TILE_EMPTY : TILE_PICKUP);
  }
}

TEST_F(PhysicsEdgeTest, PickupsMetOnTheWayUpAndOnTheWayDownAreCreditedOnce) {
  // He stands on a ledge (row 5, columns 0..3) at x 80, y 130, jumps, walks
  // right for ten ticks (x 140) and drops past the ledge into the pit, onto
  // the floor of row 7 (y 194). The points at (3, 3) meet the jump's own first
  // probe (130 - 15 = 115, columns 2 and 3); the time at (4, 5) and the
  // ammunition at (4, 6) lie below the ledge top, out of reach while rising,
  // and meet the feet probe of columns 4 and 5 on the way down.
  TileMap* map = level({{3, 3, 'o'}, {0, 5, '#'}, {1, 5, '#'}, {2, 5, '#'}, {3, 5, '#'},
                        {4, 5, 't'}, {4, 6, 'a'}});
  place(80, 130, 0, true);
  player->setSpeedX(6);
  player->jump();
  EXPECT_EQ(player->getPoints(), 5);
  for (int i = 0; i < 10; i++) {
    player->setSpeedX(6);
    updateWorld();
  }
  EXPECT_EQ(player->getX(), 140);
  EXPECT_EQ(player->getBullets(), 0);  // nothing below the ledge yet
  for (int i = 0; i < 40; i++) updateWorld();
  EXPECT_EQ(player->getX(), 140);
  EXPECT_EQ(player->getY(), FLOOR_Y);
  EXPECT_TRUE(player->isAlive());
  EXPECT_EQ(player->getPoints(), 5);
  EXPECT_EQ(player->getBullets(), 3);
  EXPECT_EQ(player->getBonusTime(), 0);
  EXPECT_EQ(timeLeft, 120);  // the 20 seconds reached the clock once
  EXPECT_EQ(map->getTile(4, 5)->getType(), TILE_EMPTY);
}

// --- tiles that are not square ---------------------------------------------

TEST_F(PhysicsEdgeTest, PixelsMapToCellsByTheirOwnWidthAndHeight) {
  const int sizes[][2] = {{32, 24}, {16, 40}};
  for (const auto& s : sizes) {
    const int w = s[0], h = s[1];
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    std::string text = levelText(std::vector<std::string>(8, ".........."));
    TileMap* map = useLevel(withTileSize(text, w, h));
    EXPECT_EQ(map->getTileAtPixel(w - 1, h - 1), map->getTile(0, 0));
    EXPECT_EQ(map->getTileAtPixel(w, 0), map->getTile(1, 0));
    EXPECT_EQ(map->getTileAtPixel(w - 1, h), map->getTile(0, 1));
    EXPECT_EQ(map->getTileAtPixel(9 * w, 8 * h - 1), map->getTile(9, 7));
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
  rows[4][15] = rows[6][12] = rows[6][3] = '#';
  rows[1][2] = 'e';
  useLevel(withTileSize(levelText(rows), 16, 40));

  Enemy* e = enemyList->getHead();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->getX(), 2 * 16);
  EXPECT_EQ(e->getY(), 1 * 40);
  for (int i = 0; i < 20; i++) e->fall();
  // from y 40 it falls onto the block at (3, 6), under its probe 32 + 27 = 59
  EXPECT_EQ(e->getY(), 6 * 40 - TEST_ENEMY_H);

  // The feet probe 240 + 45 = 285 lies in row 7.
  const struct { int x, y; const char* why; } falls[] = {
      {104, 250, "columns 6 and 7 (104, 127): lands on column 7"},
      {105, 255, "columns 6 and 8 (105, 128): both gaps, the floor between is missed"},
  };
  for (const auto& f : falls) {
    SCOPED_TRACE(f.why);
    place(f.x, 240, 0, false);
    player->moveVertically();
    EXPECT_EQ(player->getY(), f.y);
  }

  // Standing at y 250 the samples 249, 264, 279 all lie in row 6.
  const struct { int x, speedX, expectedX; const char* why; } walks[] = {
      {161, 6, 167, "leading column 191 / 16 = 11 is open"},
      {165, 6, 12 * 16 - TEST_PLAYER_W, "leading column 195 / 16 = 12: flush at 168"},
      {70, -6, 64, "leading column 64 / 16 = 4 is open"},
      {69, -6, 4 * 16, "leading column 63 / 16 = 3: flush at 64 instead of 63"},
  };
  for (const auto& w : walks) {
    SCOPED_TRACE(w.why);
    walk(w.x, 250, 0, w.speedX);
    EXPECT_EQ(player->getX(), w.expectedX);
  }

  // Rising at v -15 from y 205: the head probe 190 lies in row 4.
  const struct { int x, y, speedY; const char* why; } bumps[] = {
      {232, 200, -15, "columns 14 and 15 (232, 255): under the block at 5 x 40"},
      {236, 191, -29, "columns 14 and 16 (236, 259): the block between is missed"},
  };
  for (const auto& b : bumps) {
    SCOPED_TRACE(b.why);
    place(b.x, 205, -30, false);
    player->moveVertically();
    EXPECT_EQ(player->getY(), b.y);
    EXPECT_EQ(player->getSpeedY(), b.speedY);
  }
}

// --- bullets -----------------------------------------------------------------

TEST_F(ActorEdgeTest, AShotThatLeftTheMapOrMetAWallOnTheLeftStrikesNoEnemy) {
  // The enemy spans x 0..28, y 90..118; every shot below has an edge inside it.
  struct Case { int startX; bool wall, struck; const char* why; };
  const Case cases[] = {
      {15, false, true, "at 0..10 on the map and column 0 open: struck"},
      {14, false, false, "at -1..9 it has left the map before the enemies are tested"},
      {15, true, false, "at 0 its probe (its left edge) is in the wall of column 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    level({{0, 3, c.wall ? '#' : '.'}});  // y 96..127
    Enemy* e = enemyAt(0, 90, 3, 1, false);
    bulletList->add(c.startX, 100, -1);
    tick();
    EXPECT_EQ(e->isAlive(), !c.struck);
    EXPECT_EQ(bulletList->getHead(), nullptr);
    EXPECT_EQ(bulletList->getTail(), nullptr);
  }
}

TEST_F(ActorEdgeTest, TheWallProbeIsTheLeadingEdgeOnTheTopRow) {
  // Blocks at (4, 3), x 128..159, y 96..127, and (9, 2), x 288..319, y 64..95.
  // Moving right the probe is x + 10 (one past its last pixel), moving left it
  // is x; the row is y / 32.
  struct Case { int startX, y, direction, ticks; bool flying; const char* why; };
  const Case cases[] = {
      {103, 100, 1, 1, false, "at 118 its pixels end at 127, but the probe 128 is in the block"},
      {102, 100, 1, 1, true, "at 117 the probe is 127"},
      {175, 100, -1, 1, true, "at 160 the probe 160 is column 5"},
      {174, 100, -1, 1, false, "at 159 the probe is in the block"},
      {110, 94, 1, 1, true, "top row 2: its lower pixels 96, 97 overlap row 3 unseen"},
      {110, 96, 1, 1, false, "top row 3"},
      {290, 100, 1, 1, true, "at 305 the probe 315 is in the open column 9"},
      // at 320 it is not beyond MW; what its probe at 330 yields is the map's
      {290, 100, 1, 3, false, "at 335 > MW it is gone"},
      {280, 64, 1, 1, false, "at 295 the probe 305 is in the wall of column 9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    level({{4, 3, '#'}, {9, 2, '#'}});
    bulletList->add(c.startX, c.y, c.direction);
    for (int i = 0; i < c.ticks; i++) tick();
    EXPECT_EQ(bulletList->getHead() != nullptr, c.flying);
  }
}

// --- enemies -----------------------------------------------------------------

TEST_F(ActorEdgeTest, EnemiesTurnAtTheBorderColumns) {
  // A turn at a border reverses the speed and steps at once; a wall puts the
  // enemy flush and reverses the speed, the direction following a step later.
  // The walls stand in row 6 (y 192..223), the enemy's own rows.
  struct Case { int x, speedX; Cell wall; int toX, toSpeedX, toDirection; const char* why; };
  const Case cases[] = {
      {3, -3, {0, 6, '.'}, 0, -3, -1, "look-ahead 0 is inside: steps to the border"},
      {2, -3, {0, 6, '.'}, 5, 3, 1, "look-ahead -1: turns and steps 3 right"},
      {35, -3, {0, 6, '#'}, 32, -3, -1, "look-ahead 32 is column 1: steps"},
      {32, -3, {0, 6, '#'}, 32, 3, -1, "look-ahead 29 is the wall: flush, still faces left"},
      {290, 3, {9, 6, '.'}, 287, -3, -1, "look-ahead 290 + 3 + 28 = 321 > MW: turns, steps"},
      {258, 3, {9, 6, '#'}, 260, -3, 1, "look-ahead 289 in column 9: flush at 288 - 28"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    level({c.wall});
    Enemy* e = enemyAt(c.x, ENEMY_STAND_Y, c.speedX, c.speedX > 0 ? 1 : -1, true);
    e->walk();
    EXPECT_EQ(e->getX(), c.toX);
    EXPECT_EQ(e->getSpeedX(), c.toSpeedX);
    EXPECT_EQ(e->getDirection(), c.toDirection);
  }
}

TEST_F(ActorEdgeTest, EnemyWallProbesSitOnePixelUpWhileFallingAndOnePixelDownOtherwise) {
  // Walking right from x 130: the look-ahead 130 + 3 + 28 = 161 is column 5,
  // where one block stands in the given row. A stop puts x at 160 - 28 = 132;
  // a free step gives 133. Falling (v > 0) the probe rows are y - 1, y + 13,
  // y + 27; otherwise y + 1, y + 15, y + 29 (half the height is 14).
  struct Case { int y, speedY, blockRow; bool stopped; const char* why; };
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
    level({{5, c.blockRow, '#'}});
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
  struct Case { int x, direction; bool lands; const char* why; };
  const Case cases[] = {
      {99, -1, true, "facing left: 99 + 29 = 128 is column 4, solid"},
      {98, -1, false, "facing left: 98 + 29 = 127 is still the pit"},
      {99, 1, false, "facing right: 99 and 126 both lie over the pit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    level({{3, 7, '.'}});
    Enemy* e = enemyAt(c.x, 190, 3 * c.direction, c.direction, false);
    e->fall();
    EXPECT_EQ(e->getY(), c.lands ? ENEMY_STAND_Y : 205);
    EXPECT_EQ(e->isOnGround(), c.lands);
  }
}
