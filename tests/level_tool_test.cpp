// The level tool: the checks on levels made to fail each one, the world
// saved and put back, the solver on levels whose best run is known, traces,
// the picture and its PNG, and the executable's exit statuses.
#include <allegro.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <png.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <stdexcept>
#include <thread>

#include <nlohmann/json.hpp>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "helper_thread.h"
#include "level/tile_map.h"
#include "level_check.h"
#include "level_picture.h"
#include "level_run.h"
#include "level_solver.h"
#include "relaxed_distances.h"
#include "test_support.h"
#include "timed_distances.h"
#include "world_state.h"

namespace {

const int TILE = 32;

// `cols` x `rows` cells of air over a floor in the last row, and an exit
// standing on the floor in column `exitCol` (none when negative).
std::vector<std::string> field(int cols, int rows, int exitCol) {
  std::vector<std::string> grid(rows - 1, std::string(cols, '.'));
  grid.push_back(std::string(cols, '#'));
  if (exitCol >= 0) grid[rows - 2][exitCol] = 'E';
  return grid;
}

// The line of a cell's code in levelText's output: six header lines, the
// platform records, then one line per row.
int cellLine(int row, int platforms = 0) { return 7 + platforms + row; }

// Right held from the start on field(): the right edge probes 6 pixels
// ahead, so after n steps from x 50 it meets the exit's column once
// 50 + 6n + 6 + 24 >= 32 * exitCol; the tick of that probe counts too.
int straightWalkTicks(int exitCol) { return (TILE * exitCol - 80 + 5) / 6 + 1; }

class LevelToolTest : public ::testing::Test {
 protected:
  void SetUp() override { resetGameState(); }

  std::vector<Finding> check(const std::string& text, CheckStatus expected, bool menu = false,
                             bool screen = false) {
    CheckOptions options;
    options.menu = menu;
    // Most fields here are smaller than the screen; that has its own test.
    options.screenWidth = screen ? 800 : 0;
    options.screenHeight = screen ? 600 : 0;
    std::vector<Finding> findings;
    EXPECT_EQ(checkLevel(writeTempFile(text), options, findings), expected);
    return findings;
  }

  void start(const std::string& text, bool pastWelcome = true) {
    std::string error;
    ASSERT_TRUE(startRun(writeTempFile(text), error, pastWelcome)) << error;
  }

  // Holds the same keys for `ticks` ticks, or until the run ends.
  RunOutcome hold(TickKeys keys, int ticks, int& tick) {
    RunOutcome outcome = runOutcome();
    for (int i = 0; i < ticks && outcome == RUN_PLAYING; i++) outcome = runTick(keys, tick);
    return outcome;
  }
};

bool hasFinding(const std::vector<Finding>& findings, int line, const std::string& part) {
  for (const Finding& f : findings)
    if (f.line == line && f.message.find(part) != std::string::npos) return true;
  return false;
}

std::string describe(const std::vector<Finding>& findings) {
  std::string all;
  for (const Finding& f : findings) all += formatFinding("level", f) + "\n";
  return all;
}

TickKeys keysOf(bool left, bool right, bool up, bool fire) {
  TickKeys k;
  k.left = left;
  k.right = right;
  k.up = up;
  k.fire = fire;
  return k;
}

}  // namespace

// ---- check ----

TEST_F(LevelToolTest, ACleanLevelHasNoFindings) {
  std::vector<Finding> findings = check(levelText(field(20, 8, 15)), CHECK_CLEAN);
  EXPECT_TRUE(findings.empty()) << describe(findings);
}

TEST_F(LevelToolTest, LoadErrorsCarryTheLoadersLineAndMessage) {
  std::vector<Finding> findings =
      check("Broken\n3,1\n32,32\n15\n100\n0\n1,1,x,\n", CHECK_LOAD_ERROR);
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].line, 7);
  EXPECT_NE(findings[0].message.find("expected tile record 3"), std::string::npos);

  findings.clear();
  EXPECT_EQ(checkLevel("/nonexistent/level.dat", CheckOptions(), findings), CHECK_LOAD_ERROR);
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].line, 0);
  EXPECT_EQ(formatFinding("/nonexistent/level.dat", findings[0]),
            "/nonexistent/level.dat: cannot open the level file");
}

TEST_F(LevelToolTest, ALevelWithoutAnExitOrTimeIsFaultyUnlessItIsAMenu) {
  std::string text = levelText(field(20, 8, -1), 15, 0);
  std::vector<Finding> findings = check(text, CHECK_FAULTS);
  EXPECT_TRUE(hasFinding(findings, 0, "no exit tile")) << describe(findings);
  EXPECT_TRUE(hasFinding(findings, 5, "time limit of 0 seconds")) << describe(findings);
  EXPECT_EQ(findings.size(), 2u);
  EXPECT_TRUE(check(text, CHECK_CLEAN, true).empty());
  findings = check(levelText(field(20, 8, 15), 15, -5), CHECK_FAULTS);
  EXPECT_TRUE(hasFinding(findings, 5, "time limit of -5 seconds")) << describe(findings);
}

TEST_F(LevelToolTest, AStartInsideASolidOrDeadlyTileIsFoundAtItsCell) {
  // the player covers x 50..73 and y 50..79: columns 1-2, rows 1-2
  std::vector<std::string> grid = field(20, 8, 15);
  grid[2][2] = '#';
  grid[1][1] = 'F';
  grid[1][3] = '#';  // beside him: fine
  std::vector<Finding> findings = check(levelText(grid), CHECK_FAULTS);
  EXPECT_TRUE(hasFinding(findings, cellLine(2), "inside the solid tile at column 2, row 2"))
      << describe(findings);
  EXPECT_TRUE(hasFinding(findings, cellLine(1), "touches the deadly tile at column 1, row 1"))
      << describe(findings);
  EXPECT_EQ(findings.size(), 2u) << describe(findings);
}

TEST_F(LevelToolTest, AStartOverAPitIsFoundUnlessAPlatformPassesBeneath) {
  std::vector<std::string> grid = field(20, 8, 15);
  for (int col = 1; col <= 2; col++) grid[7][col] = '.';
  std::vector<Finding> findings = check(levelText(grid), CHECK_FAULTS);
  EXPECT_TRUE(hasFinding(findings, 0, "over a pit: no solid tile below columns 1 to 2"))
      << describe(findings);
  // one solid cell anywhere below either column is enough
  grid[5][2] = '#';
  EXPECT_TRUE(check(levelText(grid), CHECK_CLEAN).empty());
  grid[5][2] = '.';
  EXPECT_TRUE(check(levelText(grid, 15, 100, {{0, 200, 300, 200}}), CHECK_CLEAN).empty());
}

TEST_F(LevelToolTest, AnEnemyOverlappingASolidTileIsFoundOnItsLine) {
  // 16-pixel tiles: a 28 x 28 enemy covers four cells
  std::vector<std::string> grid = field(40, 16, 30);
  grid[3][10] = 'e';
  grid[4][11] = '#';
  grid[8][20] = 'e';  // room around it
  grid[8][22] = '#';
  std::string text = levelText(grid);
  text.replace(text.find("\n32,32\n"), 7, "\n16,16\n");
  std::vector<Finding> findings = check(text, CHECK_FAULTS);
  EXPECT_TRUE(hasFinding(findings, cellLine(3),
                         "the enemy at column 10, row 3 is inside the solid tile at column 11, "
                         "row 4"))
      << describe(findings);
  EXPECT_TRUE(hasFinding(findings, 3, "the tile size 16 x 16 is not the pictures' 32 x 32"))
      << describe(findings);
  EXPECT_EQ(findings.size(), 2u) << describe(findings);
  // at 32-pixel tiles the same enemy fits its own cell
  EXPECT_TRUE(check(levelText(grid), CHECK_CLEAN).empty());
}

TEST_F(LevelToolTest, PlatformsWhoseRangeEndsBehindTheStartJitter) {
  std::vector<TestPlatform> platforms = {
      {300, 100, 300, 100},  // sideways, xMax == x
      {300, 100, 200, 100},  // sideways, xMax < x
      {300, 100, 400, 100},  // sideways and fine
      {300, 100, 300, 100 - 1},  // up and down, yMax < y
      {300, 100, 300, 180}};     // up and down and fine
  std::vector<Finding> findings =
      check(levelText(field(20, 8, 15), 15, 100, platforms), CHECK_FAULTS);
  EXPECT_TRUE(hasFinding(findings, 7, "platform 1 jitters in place: it moves sideways"))
      << describe(findings);
  EXPECT_TRUE(hasFinding(findings, 8, "xMax 200 is not right of x 300")) << describe(findings);
  EXPECT_TRUE(hasFinding(findings, 10, "platform 4 jitters in place: it moves up and down"))
      << describe(findings);
  EXPECT_EQ(findings.size(), 3u) << describe(findings);
}

TEST_F(LevelToolTest, CodesThatBuildNothingOrAreUnknownAreFoundAtTheirCells) {
  std::string text =
      "Codes\n4,5\n32,32\n15\n100\n0\n0,0,0,9,\n0,0,0,0,\n12,0,0,0,\n0,0,13,0,\n1,1,1,-2,\n";
  std::vector<Finding> findings = check(text, CHECK_FAULTS);
  EXPECT_TRUE(hasFinding(findings, 9, "code 12 at column 0, row 2 builds nothing"))
      << describe(findings);
  EXPECT_TRUE(hasFinding(findings, 10, "unknown code 13 at column 2, row 3")) << describe(findings);
  EXPECT_TRUE(hasFinding(findings, 11, "unknown code -2 at column 3, row 4")) << describe(findings);
  EXPECT_EQ(findings.size(), 3u) << describe(findings);
  EXPECT_EQ(formatFinding("a.dat", findings[0]), "a.dat:9: " + findings[0].message);
}

TEST_F(LevelToolTest, NoGravityIsFoundOnTheFallSpeedsLine) {
  std::vector<Finding> findings = check(levelText(field(20, 8, 15), 0), CHECK_FAULTS);
  EXPECT_TRUE(hasFinding(findings, 4, "the fall speed is 0")) << describe(findings);
  EXPECT_EQ(findings.size(), 1u) << describe(findings);
  EXPECT_TRUE(check(levelText(field(20, 8, 15), 1), CHECK_CLEAN).empty());
}

TEST_F(LevelToolTest, AMapSmallerThanTheScreenIsFoundOnTheSizeLine) {
  // 25 x 19 cells of 32 pixels: 800 x 608, a screenful
  EXPECT_TRUE(check(levelText(field(25, 19, 15)), CHECK_CLEAN, false, true).empty());
  std::vector<Finding> findings = check(levelText(field(24, 19, 15)), CHECK_FAULTS, false, true);
  EXPECT_TRUE(hasFinding(findings, 2, "768 x 608 pixels, narrower than the 800-pixel screen"))
      << describe(findings);
  EXPECT_EQ(findings.size(), 1u) << describe(findings);
  findings = check(levelText(field(25, 18, 15)), CHECK_FAULTS, true, true);
  EXPECT_TRUE(hasFinding(findings, 2, "800 x 576 pixels, lower than the 600-pixel screen"))
      << describe(findings);
  EXPECT_EQ(findings.size(), 1u) << describe(findings);
}

TEST_F(LevelToolTest, APlatformWhoseTravelLeavesTheMapIsFoundOnItsLine) {
  // 640 x 256 pixels; a platform is 64 x 16
  std::vector<TestPlatform> platforms = {
      {100, 100, 576, 100},   // right edge reaches 640: inside
      {100, 100, 577, 100},   // one pixel further: 641
      {300, 100, 300, 300},   // falls through the floor
      {-10, 100, 200, 100}};  // starts left of the map
  std::vector<Finding> findings =
      check(levelText(field(20, 8, 15), 15, 100, platforms), CHECK_FAULTS);
  EXPECT_TRUE(hasFinding(findings, 8, "platform 2 leaves the map: its range covers x 100 to 641"))
      << describe(findings);
  EXPECT_TRUE(hasFinding(findings, 9, "platform 3 leaves the map")) << describe(findings);
  EXPECT_TRUE(hasFinding(findings, 10, "platform 4 leaves the map: its range covers x -10 to 264"))
      << describe(findings);
  EXPECT_TRUE(hasFinding(findings, 10, "but the map is 640 x 256 pixels")) << describe(findings);
  EXPECT_EQ(findings.size(), 3u) << describe(findings);
}

TEST_F(LevelToolTest, APlatformCountThatDiffersFromItsLinesSaysBothNumbers) {
  std::vector<std::string> grid = field(20, 8, 15);
  std::string text = levelText(grid, 15, 100, {{300, 100, 400, 100}});
  // one line too few: the loader stumbles over the first row
  std::string tooMany = text;
  tooMany.replace(tooMany.find("\n1\n"), 3, "\n2\n");
  std::vector<Finding> findings = check(tooMany, CHECK_LOAD_ERROR);
  ASSERT_EQ(findings.size(), 2u) << describe(findings);
  EXPECT_TRUE(hasFinding(findings, 6, "the platform count is 2 but 1 platform line follows it"))
      << describe(findings);
  EXPECT_EQ(findings[1].line, 8);  // the loader's own message stays
  // one line too many: its numbers are read as codes
  std::string tooFew = text;
  tooFew.replace(tooFew.find("\n1\n"), 3, "\n0\n");
  findings = check(tooFew, CHECK_LOAD_ERROR);
  EXPECT_EQ(findings.front().line, 6) << describe(findings);
  EXPECT_TRUE(hasFinding(findings, 6, "the platform count is 0 but 1 platform line follows it"))
      << describe(findings);
}

TEST_F(LevelToolTest, ARowWithoutItsLastSeparatorSaysSo) {
  std::vector<std::string> grid = field(20, 8, 15);
  grid[7][0] = 'C';  // code 10 starts the floor's line
  std::string text = levelText(grid);
  // the '1' of 10 is taken for row 6's separator: it loads, one cell wrong
  std::string loads = text;
  loads.erase(loads.find(",\n10,"), 1);
  std::vector<Finding> findings = check(loads, CHECK_FAULTS);
  EXPECT_TRUE(hasFinding(findings, 13, "the row ends without a separator after its last code, "
                                       "so the first character of line 14 is taken for it"))
      << describe(findings);
  EXPECT_EQ(findings.size(), 1u) << describe(findings);
  // a single digit taken: the loader blames the row, and once
  std::string fails = text;
  fails.erase(fails.find(",\n0,"), 1);  // the first row, line 7
  findings = check(fails, CHECK_LOAD_ERROR);
  ASSERT_EQ(findings.size(), 1u) << describe(findings);
  EXPECT_TRUE(hasFinding(findings, 7, "without a separator after its last code, so the '0' "
                                      "starting line 8 was taken for it"))
      << describe(findings);
  // the last row: the loader says the file ends where its separator should be
  std::string last = text.substr(0, text.size() - 2) + "\n";
  findings = check(last, CHECK_LOAD_ERROR);
  ASSERT_EQ(findings.size(), 1u) << describe(findings);
  EXPECT_TRUE(hasFinding(findings, 14, "expected a separator after tile record 160 of 160"))
      << describe(findings);
}

// ---- the world saved and put back ----

TEST_F(LevelToolTest, RestoringTheWorldAndRunningTheSameKeysGivesTheSameWorld) {
  std::vector<std::string> grid = field(30, 10, 28);
  grid[8][8] = 'a';
  grid[8][15] = 'e';
  grid[8][22] = 'e';
  grid[4][6] = 'o';
  start(levelText(grid, 15, 100, {{300, 150, 500, 150}, {700, 60, 700, 200}}));
  WorldState world;
  int tick = 0;
  ASSERT_EQ(hold(keysOf(false, true, false, false), 40, tick), RUN_PLAYING);
  ASSERT_EQ(player->getBullets(), 3);  // walked past the ammunition
  // a step back, then a shot flying left: it is on its way when saved
  hold(keysOf(true, false, false, false), 1, tick);
  hold(keysOf(false, false, false, true), 1, tick);
  ASSERT_NE(bulletList->getHead(), nullptr);
  ASSERT_LT(bulletList->getHead()->getDirection(), 0);
  std::vector<int> before;
  world.save(tick, before);
  uint64_t keyBefore = world.key();

  // not a whole number of enemy pictures (5 ticks each)
  const int RUN = 31;
  std::vector<TickKeys> keys;
  for (int i = 0; i < RUN; i++) keys.push_back(keysOf(i % 7 == 0, i % 3 != 0, i == 4, i == 25));
  for (const TickKeys& k : keys) runTick(k, tick);
  std::vector<int> after;
  world.save(tick, after);
  ASSERT_NE(bulletList->getHead(), nullptr);  // a shot is on its way

  EXPECT_EQ(world.restore(before.data()), tick - RUN);
  std::vector<int> again;
  world.save(tick - RUN, again);
  EXPECT_EQ(again, before);
  EXPECT_EQ(world.key(), keyBefore);
  int replayTick = tick - RUN;
  for (const TickKeys& k : keys) runTick(k, replayTick);
  again.clear();
  world.save(replayTick, again);
  EXPECT_EQ(again, after);
  EXPECT_NE(world.key(), keyBefore);
}

TEST_F(LevelToolTest, TheKeyIgnoresPointsAndTheClockButNotAmmunitionOrTime) {
  std::vector<std::string> grid = field(20, 8, 15);
  grid[6][5] = 'o';
  grid[6][6] = 'a';
  grid[6][7] = 't';
  start(levelText(grid));
  WorldState world;
  uint64_t startKey = world.key();
  player->setPoints(40);
  timeLeft = 3;
  currentMap->getTile(5, 6)->setType(TILE_EMPTY);
  EXPECT_EQ(world.key(), startKey);
  currentMap->getTile(6, 6)->setType(TILE_EMPTY);
  uint64_t noAmmo = world.key();
  EXPECT_NE(noAmmo, startKey);
  currentMap->getTile(7, 6)->setType(TILE_EMPTY);
  EXPECT_NE(world.key(), noAmmo);
  EXPECT_EQ(world.getTimeBonusTotal(), 20);
}

// ---- solve ----

TEST_F(LevelToolTest, AStraightWalkTakesExactlyTheTicksItsDistanceNeeds) {
  const int exitCol = 15;
  std::string text = levelText(field(20, 8, exitCol), 15, 100);
  start(text);
  SolveResult result = solveLevel(SolveOptions());
  ASSERT_TRUE(result.finishable);
  EXPECT_TRUE(result.shortest);
  EXPECT_EQ(result.ticks, straightWalkTicks(exitCol));
  EXPECT_EQ(static_cast<int>(result.keys.size()), result.ticks);

  // holding Right alone does as well, and the search left the world at the start
  EXPECT_EQ(player->getX(), PLAYER_START_X);
  int tick = 0;
  EXPECT_EQ(hold(keysOf(false, true, false, false), 1000, tick), RUN_FINISHED);
  EXPECT_EQ(tick, result.ticks);
}

TEST_F(LevelToolTest, TheClockDecidesWhetherTheSameWalkIsFinishable) {
  // a walk of a little less than 2 seconds: 2 are enough, 1 is not
  std::vector<std::string> grid = field(20, 8, 15);
  int seconds = (straightWalkTicks(15) + TICKS_PER_SECOND - 1) / TICKS_PER_SECOND;
  ASSERT_EQ(seconds, 2);
  start(levelText(grid, 15, seconds));
  SolveResult inTime = solveLevel(SolveOptions());
  ASSERT_TRUE(inTime.finishable);
  EXPECT_EQ(inTime.ticks, straightWalkTicks(15));
  start(levelText(grid, 15, seconds - 1));
  SolveResult late = solveLevel(SolveOptions());
  EXPECT_FALSE(late.finishable);
  EXPECT_TRUE(late.exhausted);
  start(levelText(grid, 15, 0));
  EXPECT_FALSE(solveLevel(SolveOptions()).finishable);
}

TEST_F(LevelToolTest, ALedgeTakesOneWellTimedJump) {
  // a two-tile step up to the exit
  std::vector<std::string> grid = field(20, 8, -1);
  for (int col = 10; col < 20; col++) grid[5][col] = grid[6][col] = '#';
  grid[4][17] = 'E';
  std::string text = levelText(grid);
  start(text);
  SolveResult result = solveLevel(SolveOptions());
  ASSERT_TRUE(result.finishable);
  EXPECT_TRUE(result.shortest);
  EXPECT_TRUE(std::any_of(result.keys.begin(), result.keys.end(),
                          [](const TickKeys& k) { return k.up; }));

  // Every run of Right held with one press of Up: the best of them is the
  // shortest run there is.
  int best = -1;
  for (int jumpAt = 0; jumpAt < 120; jumpAt++) {
    start(text);
    std::vector<TickKeys> keys(400, keysOf(false, true, false, false));
    keys[jumpAt].up = true;
    ReplayResult run = replayKeys(keys);
    if (run.outcome == RUN_FINISHED && (best < 0 || run.ticks < best)) best = run.ticks;
  }
  ASSERT_GT(best, 0);
  EXPECT_EQ(result.ticks, best);
}

TEST_F(LevelToolTest, AWidePitIsCrossedOnAPlatformAndNotWithoutOne) {
  // Ten cells of pit, beyond a jump; a platform shuttles level with the
  // floor and is out of reach when the player gets there.
  std::vector<std::string> grid = field(24, 10, 21);
  for (int col = 8; col < 18; col++) grid[9][col] = '.';
  std::vector<TestPlatform> ferry = {{8 * TILE, 9 * TILE, 18 * TILE - 64, 9 * TILE}};
  std::string text = levelText(grid, 15, 60, ferry);
  start(text);
  SolveResult result = solveLevel(SolveOptions());
  ASSERT_TRUE(result.finishable);
  int tick = 0;
  bool rode = false;
  RunOutcome outcome = runOutcome();
  for (size_t i = 0; i < result.keys.size() && outcome == RUN_PLAYING; i++) {
    outcome = runTick(result.keys[i], tick);
    rode = rode || player->isOnPlatform();
  }
  EXPECT_EQ(outcome, RUN_FINISHED);
  EXPECT_EQ(tick, result.ticks);
  EXPECT_TRUE(rode);

  start(levelText(grid, 15, 60));
  SolveResult without = solveLevel(SolveOptions());
  EXPECT_FALSE(without.finishable);
  EXPECT_TRUE(without.exhausted);
}

TEST_F(LevelToolTest, AWallTooHighToJumpIsNotFinishableAndTheSearchEnds) {
  std::vector<std::string> grid = field(20, 8, 16);
  for (int row = 2; row < 7; row++) grid[row][10] = '#';
  start(levelText(grid));
  SolveOptions options;
  options.budget = 50000;
  SolveResult result = solveLevel(options);
  EXPECT_FALSE(result.finishable);
  EXPECT_TRUE(result.exhausted);
  EXPECT_LT(result.states, options.budget);
  EXPECT_GT(result.states, 0);
  EXPECT_TRUE(result.keys.empty());
}

TEST_F(LevelToolTest, PickupsNoRunCanTakeAreFoundAndTheRestAreReached) {
  // One coin on the way, one just over a jump's reach from the floor, one
  // far above it; the start drops in beside the top one but falls at once.
  std::vector<std::string> grid = field(20, 8, 16);
  grid[6][8] = 'o';
  grid[4][12] = 'o';
  grid[1][12] = 'o';
  std::string text = levelText(grid, 15, 20);
  start(text);
  std::vector<PickupReach> reach = reachPickups(SolveOptions());
  ASSERT_EQ(reach.size(), 3u);
  // grid order: top to bottom
  EXPECT_EQ(reach[0].row, 1);
  EXPECT_FALSE(reach[0].reached);
  EXPECT_TRUE(reach[0].exhausted);
  EXPECT_GT(reach[0].states, 0);
  EXPECT_EQ(reach[1].row, 4);
  EXPECT_TRUE(reach[1].reached);
  EXPECT_EQ(reach[2].row, 6);
  EXPECT_TRUE(reach[2].reached);
  // the search leaves the level as it found it
  EXPECT_EQ(currentMap->getTile(8, 6)->getType(), TILE_PICKUP);
  EXPECT_EQ(player->getX(), 50);

  // A run that takes the coin on the way but cannot then reach the exit in
  // time does not count: with 2 s the exit itself is out of reach.
  start(levelText(grid, 15, 2));
  for (const PickupReach& p : reachPickups(SolveOptions())) EXPECT_FALSE(p.reached) << p.col;

  CheckOptions options;
  options.screenWidth = options.screenHeight = 0;
  options.deep = true;
  std::vector<Finding> findings;
  EXPECT_EQ(checkLevel(writeTempFile(text), options, findings), CHECK_FAULTS);
  EXPECT_EQ(findings.size(), 1u) << describe(findings);
  EXPECT_TRUE(hasFinding(findings, cellLine(1), "column 12, row 1 is taken by no run"))
      << describe(findings);

  // Out of budget says only that none was found.
  options.deepBudget = 3;
  findings.clear();
  EXPECT_EQ(checkLevel(writeTempFile(text), options, findings), CHECK_FAULTS);
  EXPECT_TRUE(hasFinding(findings, cellLine(6), "column 8, row 6: no run found"))
      << describe(findings);
}

TEST_F(LevelToolTest, AnEnemyInALowCorridorIsShotOnTheWay) {
  // The corridor is one cell high: no jumping over the enemy, so the run
  // takes the ammunition and fires.
  std::vector<std::string> grid = field(24, 8, 22);
  for (int col = 6; col < 24; col++) grid[5][col] = '#';
  grid[6][4] = 'a';
  grid[6][14] = 'e';
  start(levelText(grid));
  SolveResult result = solveLevel(SolveOptions());
  ASSERT_TRUE(result.finishable);
  EXPECT_TRUE(std::any_of(result.keys.begin(), result.keys.end(),
                          [](const TickKeys& k) { return k.fire; }));
  ReplayResult replay = replayKeys(result.keys);
  EXPECT_EQ(replay.outcome, RUN_FINISHED);
  EXPECT_FALSE(enemyList->getHead()->isAlive());
}

// Small levels made at random with what makes the estimate hard: blocks
// at every height, low ceilings, pits of fire, platforms that graze walls
// and ceilings, an enemy and ammunition. The guided search must find runs
// exactly as short as the search that tries every state in tick order.
std::string randomLevel(std::mt19937& random) {
  auto pick = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  const int cols = pick(10, 14), rows = 8;
  std::vector<std::string> grid = field(cols, rows, -1);
  for (int i = pick(2, 7); i > 0; i--) {
    int col = pick(3, cols - 1), row = pick(1, rows - 2), length = pick(1, 4);
    for (int c = col; c < std::min(cols, col + length); c++) grid[row][c] = pick(0, 3) ? '#' : 'B';
  }
  for (int i = pick(0, 2); i > 0; i--) {
    int col = pick(4, cols - 3);
    grid[rows - 1][col] = pick(0, 1) ? 'F' : '.';
  }
  if (pick(0, 1)) grid[rows - 2][pick(4, cols - 2)] = 'e';
  if (pick(0, 1)) grid[rows - 2][pick(2, cols - 2)] = 'a';
  for (int r = 0; r < 3; r++)
    for (int c = 0; c < 3; c++) grid[r][c] = '.';
  int exitCol = pick(cols / 2, cols - 1), exitRow = pick(2, rows - 2);
  grid[exitRow][exitCol] = 'E';
  std::vector<TestPlatform> platforms;
  for (int i = pick(0, 2); i > 0; i--) {
    int x = pick(2, cols - 3) * TILE, y = pick(2, rows - 1) * TILE;
    if (pick(0, 1)) platforms.push_back({x, y, x + pick(1, 4) * TILE, y});
    else platforms.push_back({x, y - pick(1, 3) * TILE, x, y});
  }
  return levelText(grid, 15, 3, platforms);
}

TEST_F(LevelToolTest, TheGuidedSearchFindsRunsAsShortAsTheExhaustiveOne) {
  // BRINDLECOVE_SOLVER_SEEDS=N tries N levels, =K-N the ones from K to N.
  const char* more = std::getenv("BRINDLECOVE_SOLVER_SEEDS");
  int first = 1, seeds = 24;
  if (more && std::sscanf(more, "%d-%d", &first, &seeds) != 2) {
    first = 1;
    seeds = std::atoi(more);
  }
  int finishable = 0;
  for (int seed = first; seed <= seeds; seed++) {
    std::mt19937 random(static_cast<unsigned>(seed));
    std::string text = randomLevel(random);
    start(text);
    SolveOptions options;
    options.budget = 4000000;
    SolveResult guided = solveLevel(options);
    start(text);
    SolveOptions every = options;
    every.guided = false;
    SolveResult exhaustive = solveLevel(every);
    // too big a level for the exhaustive search to settle: nothing to compare
    if (!exhaustive.shortest && !exhaustive.exhausted) continue;
    EXPECT_EQ(guided.finishable, exhaustive.finishable) << "seed " << seed << "\n" << text;
    if (guided.finishable && exhaustive.finishable) {
      finishable++;
      EXPECT_TRUE(guided.shortest) << "seed " << seed << "\n" << text;
      EXPECT_EQ(guided.ticks, exhaustive.ticks) << "seed " << seed << "\n" << text;
    }
  }
  // the levels must not all be trivially closed
  EXPECT_GE(finishable, (seeds - first + 1) / 3);
}

// ---- the kinder world ----

// The kinder world's distance from every state of a run, one per tick.
std::vector<int> kinderAlong(const RelaxedDistances& kinder, const std::vector<TickKeys>& keys) {
  std::vector<int> along;
  int tick = 0;
  RunOutcome outcome = runOutcome();
  for (size_t i = 0; i < keys.size() && outcome == RUN_PLAYING; i++) {
    along.push_back(kinder.ticksToExit());
    outcome = runTick(keys[i], tick);
  }
  return along;
}

// The timed kinder world's count from every state of a run, one per tick.
std::vector<int> timedAlong(const TimedDistances& timed, const std::vector<TickKeys>& keys) {
  std::vector<int> along;
  int tick = 0;
  RunOutcome outcome = runOutcome();
  for (size_t i = 0; i < keys.size() && outcome == RUN_PLAYING; i++) {
    along.push_back(timed.ticksToExit(tick));
    outcome = runTick(keys[i], tick);
  }
  return along;
}

TEST_F(LevelToolTest, TheKinderWorldsNeverNeedMoreTicksThanARealRun) {
  // Every state of a shortest run, enemies, shots and platform rides and
  // all, is a state of the kinder world, and of the timed one at its tick,
  // no nearer the exit there than the run is: else the bounds would cut off
  // runs that exist. The timed world is the less kind of the two, and where
  // no enemy is in the way it is the level.
  int runs = 0, rides = 0, exact = 0;
  for (int seed = 1; seed <= 20; seed++) {
    std::mt19937 random(static_cast<unsigned>(seed));
    std::string text = randomLevel(random);
    start(text);
    SolveOptions every;
    every.guided = false;
    every.budget = 2000000;
    SolveResult shortest = solveLevel(every);
    if (!shortest.shortest) continue;
    runs++;
    WorldState world;
    std::vector<int> atStart;
    world.save(0, atStart);
    RelaxedDistances kinder(world, 5000000);
    ASSERT_TRUE(kinder.complete()) << "seed " << seed;
    TimedDistances timed(world, kinder, shortest.ticks + 1, 20000000);
    ASSERT_TRUE(timed.usable()) << "seed " << seed;
    EXPECT_LE(timed.earliestFinish(), shortest.ticks) << "seed " << seed;
    if (timed.earliestFinish() == shortest.ticks) exact++;
    // the world is as it was: the run replays to the exit
    std::vector<int> along = kinderAlong(kinder, shortest.keys);
    EXPECT_EQ(runOutcome(), RUN_FINISHED) << "seed " << seed;
    world.restore(atStart.data());
    std::vector<int> onTime = timedAlong(timed, shortest.keys);
    // Searched with room to spare, only up to its earliest finish: the same
    // counts as a search to the tick after it, for the states that can
    // finish by then, and none for the rest.
    world.restore(atStart.data());
    TimedDistances toEarliest(world, kinder, shortest.ticks + 40, 20000000,
                              TimedDistances::COUNTS_TO_EARLIEST);
    ASSERT_TRUE(toEarliest.usable()) << "seed " << seed;
    EXPECT_EQ(toEarliest.earliestFinish(), timed.earliestFinish()) << "seed " << seed;
    ASSERT_EQ(toEarliest.finishesBefore(), timed.earliestFinish() + 1) << "seed " << seed;
    std::vector<int> first = timedAlong(toEarliest, shortest.keys);
    ASSERT_EQ(static_cast<int>(along.size()), shortest.ticks) << "seed " << seed;
    ASSERT_EQ(static_cast<int>(onTime.size()), shortest.ticks) << "seed " << seed;
    ASSERT_EQ(static_cast<int>(first.size()), shortest.ticks) << "seed " << seed;
    for (int t = 0; t < shortest.ticks; t++) {
      ASSERT_GE(along[t], 1) << "seed " << seed << " tick " << t << "\n" << text;
      EXPECT_LE(t + along[t], shortest.ticks) << "seed " << seed << " tick " << t << "\n" << text;
      ASSERT_GE(onTime[t], along[t]) << "seed " << seed << " tick " << t << "\n" << text;
      EXPECT_LE(t + onTime[t], shortest.ticks) << "seed " << seed << " tick " << t << "\n" << text;
      EXPECT_EQ(first[t], t + onTime[t] < toEarliest.finishesBefore() ? onTime[t]
                                                                      : RelaxedDistances::NO_EXIT)
          << "seed " << seed << " tick " << t << "\n" << text;
    }
    start(text);
    for (const TickKeys& k : shortest.keys) {
      int tick = 0;
      runTick(k, tick);
      if (player->isOnPlatform()) {
        rides++;
        break;
      }
    }
  }
  // the levels must give runs to check, some of them on platforms
  EXPECT_GE(runs, 10);
  EXPECT_GE(rides, 2);
  EXPECT_GE(exact, runs / 2);
}

TEST_F(LevelToolTest, WithoutEnemiesOrPlatformsTheKinderWorldIsTheLevel) {
  // Then only the clock is kinder: the distance from the start is the
  // shortest run, a ledge, a low corridor and a wall without a way over
  // alike.
  std::vector<std::string> ledge = field(20, 8, -1);
  for (int col = 10; col < 20; col++) ledge[5][col] = ledge[6][col] = '#';
  ledge[4][17] = 'E';
  std::vector<std::string> corridor = field(24, 8, 22);
  for (int col = 6; col < 24; col++) corridor[5][col] = '#';
  for (const std::vector<std::string>& grid : {ledge, corridor, field(20, 8, 15)}) {
    std::string text = levelText(grid);
    start(text);
    SolveResult shortest = solveLevel(SolveOptions());
    ASSERT_TRUE(shortest.shortest) << text;
    WorldState world;
    RelaxedDistances kinder(world, 1000000);
    ASSERT_TRUE(kinder.usable());
    EXPECT_EQ(kinder.ticksToExit(), shortest.ticks) << text;
    EXPECT_GT(kinder.states(), 100u);
  }
  std::vector<std::string> wall = field(20, 8, 16);
  for (int row = 2; row < 7; row++) wall[row][10] = '#';
  start(levelText(wall));
  WorldState world;
  RelaxedDistances kinder(world, 1000000);
  ASSERT_TRUE(kinder.usable());
  EXPECT_EQ(kinder.ticksToExit(), RelaxedDistances::NO_EXIT);
}

TEST_F(LevelToolTest, APlatformAnywhereOnItsRoundCatchesThePlayerInTheKinderWorld) {
  // The pit of the ferry test: with the ferry the kinder world crosses it
  // at least as soon as the real run, without it nothing does.
  std::vector<std::string> grid = field(24, 10, 21);
  for (int col = 8; col < 18; col++) grid[9][col] = '.';
  std::vector<TestPlatform> ferry = {{8 * TILE, 9 * TILE, 18 * TILE - 64, 9 * TILE}};
  start(levelText(grid, 15, 60, ferry));
  SolveResult real = solveLevel(SolveOptions());
  ASSERT_TRUE(real.finishable);
  {
    WorldState world;
    RelaxedDistances kinder(world, 1000000);
    ASSERT_TRUE(kinder.usable());
    int start = kinder.ticksToExit();
    EXPECT_GE(start, 1);
    EXPECT_LE(start, real.ticks);
  }
  start(levelText(grid, 15, 60));
  {
    WorldState world;
    RelaxedDistances kinder(world, 1000000);
    EXPECT_EQ(kinder.ticksToExit(), RelaxedDistances::NO_EXIT);
  }

  // A ledge beyond a jump, reached only on a lift going up: the kinder
  // world may take the lift going either way wherever it stands.
  std::vector<std::string> high = field(20, 10, -1);
  for (int col = 12; col < 20; col++) high[3][col] = '#';
  high[2][17] = 'E';
  std::vector<TestPlatform> lift = {{9 * TILE, 3 * TILE, 9 * TILE, 8 * TILE}};
  start(levelText(high, 15, 60, lift));
  SolveResult ride = solveLevel(SolveOptions());
  ASSERT_TRUE(ride.finishable);
  WorldState world;
  RelaxedDistances kinder(world, 1000000);
  std::vector<int> along = kinderAlong(kinder, ride.keys);
  ASSERT_EQ(static_cast<int>(along.size()), ride.ticks);
  for (int t = 0; t < ride.ticks; t++) {
    ASSERT_GE(along[t], 1) << "tick " << t;
    EXPECT_LE(t + along[t], ride.ticks) << "tick " << t;
  }
}

// The kinder world's lookups run on a helper thread: each job is seen
// whole once it has been waited for, what one throws comes out of the
// wait, and a job in hand when the helper goes is finished first.
TEST(HelperThread, RunsEachJobWholeAndPassesOnWhatItThrows) {
  HelperThread helper;
  std::vector<int> done;
  for (int job = 0; job < 300; job++) {
    helper.start([&done, job]() {
      for (int i = 0; i < 100; i++) done.push_back(job);
    });
    // the caller's own work meanwhile
    volatile int sum = 0;
    for (int i = 0; i < job * 10; i++) sum = sum + i;
    helper.wait();
    ASSERT_EQ(done.size(), 100u * static_cast<size_t>(job + 1));
    ASSERT_EQ(done.back(), job);
  }
  helper.start([]() { throw std::runtime_error("out of room"); });
  EXPECT_THROW(helper.wait(), std::runtime_error);
  bool ran = false;
  helper.start([&ran]() { ran = true; });
  helper.wait();
  EXPECT_TRUE(ran) << "the helper stopped after a job that threw";

  std::atomic<bool> finished{false};
  {
    HelperThread last;
    last.start([&finished]() {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      finished = true;
    });
  }
  EXPECT_TRUE(finished);
}

TEST_F(LevelToolTest, TheKinderWorldStopsAtItsLimitAndItsStates) {
  // A limit leaves the states that cannot beat it with their bound: the
  // distance from the start is then the run when the limit is above it,
  // and at least the limit when it is not.
  std::vector<std::string> grid = field(30, 8, 27);
  for (int col = 10; col < 14; col++) grid[5][col] = grid[6][col] = '#';
  std::string text = levelText(grid);
  start(text);
  SolveResult shortest = solveLevel(SolveOptions());
  ASSERT_TRUE(shortest.shortest);
  WorldState world;
  auto one = [](int) { return 1; };
  RelaxedDistances whole(world, 1000000);
  RelaxedDistances above(world, 1000000, shortest.ticks + 5, one);
  RelaxedDistances below(world, 1000000, shortest.ticks - 20, one);
  EXPECT_EQ(whole.ticksToExit(), shortest.ticks);
  EXPECT_EQ(above.ticksToExit(), shortest.ticks);
  EXPECT_GE(below.ticksToExit(), shortest.ticks - 20);
  EXPECT_LE(below.ticksToExit(), shortest.ticks);
  EXPECT_LT(below.states(), whole.states());

  // Too many states: the nearest are searched and the rest keep their
  // bound; without one, nothing is known. The world is as it was.
  RelaxedDistances few(world, 2000, 0, one);
  EXPECT_TRUE(few.usable());
  EXPECT_LT(few.states(), whole.states());
  EXPECT_GE(few.ticksToExit(), 1);
  EXPECT_LE(few.ticksToExit(), shortest.ticks);
  RelaxedDistances unbounded(world, 2000);
  EXPECT_FALSE(unbounded.usable());
  EXPECT_EQ(unbounded.ticksToExit(), RelaxedDistances::UNKNOWN);
  EXPECT_EQ(player->getX(), PLAYER_START_X);
  ReplayResult replay = replayKeys(shortest.keys);
  EXPECT_EQ(replay.outcome, RUN_FINISHED);
  EXPECT_EQ(replay.ticks, shortest.ticks);
}

// ---- the timed kinder world ----

// A ledge beyond a jump, reached only on a lift that starts at the top and
// must first come down for the player.
std::string liftWaitLevel() {
  std::vector<std::string> high = field(20, 10, -1);
  for (int col = 12; col < 20; col++) high[3][col] = '#';
  high[2][17] = 'E';
  return levelText(high, 15, 60, {{7 * TILE, 3 * TILE, 7 * TILE, 8 * TILE}});
}

TEST_F(LevelToolTest, TheTimedKinderWorldWaitsForTheLiftAsTheLevelDoes) {
  start(liftWaitLevel());
  SolveResult real = solveLevel(SolveOptions());
  ASSERT_TRUE(real.shortest);
  WorldState world;
  std::vector<int> atStart;
  world.save(0, atStart);
  RelaxedDistances kinder(world, 1000000);
  ASSERT_TRUE(kinder.complete());
  // the kinder world has the lift wherever he wants it
  EXPECT_LT(kinder.ticksToExit(), real.ticks);

  // With nobody to meet, this world is the level: its count from every
  // state of the shortest run is the ticks that run has left.
  TimedDistances timed(world, kinder, real.ticks + 1, 1000000);
  ASSERT_TRUE(timed.usable());
  EXPECT_EQ(timed.earliestFinish(), real.ticks);
  std::vector<int> along = timedAlong(timed, real.keys);
  ASSERT_EQ(static_cast<int>(along.size()), real.ticks);
  for (int t = 0; t < real.ticks; t++) EXPECT_EQ(along[t], real.ticks - t) << "tick " << t;
  EXPECT_EQ(runOutcome(), RUN_FINISHED);

  // Nothing finishes before the run itself: that is what shows it shortest.
  world.restore(atStart.data());
  TimedDistances before(world, kinder, real.ticks, 1000000);
  ASSERT_TRUE(before.usable());
  EXPECT_EQ(before.earliestFinish(), real.ticks);
  EXPECT_EQ(before.ticksToExit(0), RelaxedDistances::NO_EXIT);
  EXPECT_GT(before.states(), 100u);
  // Asked for the earliest finish alone, it finds the same and counts nothing.
  TimedDistances earliestOnly(world, kinder, real.ticks + 1, 1000000, TimedDistances::NO_COUNTS);
  ASSERT_TRUE(earliestOnly.usable());
  EXPECT_EQ(earliestOnly.earliestFinish(), real.ticks);
  EXPECT_EQ(earliestOnly.ticksToExit(0), RelaxedDistances::UNKNOWN);

  // Too many states: it gives up, says nothing, and puts the world back.
  TimedDistances few(world, kinder, real.ticks + 1, 50);
  EXPECT_FALSE(few.usable());
  EXPECT_EQ(few.ticksToExit(0), RelaxedDistances::UNKNOWN);
  EXPECT_EQ(player->getX(), PLAYER_START_X);
  ReplayResult replay = replayKeys(real.keys);
  EXPECT_EQ(replay.outcome, RUN_FINISHED);
  EXPECT_EQ(replay.ticks, real.ticks);
}

TEST_F(LevelToolTest, LongerStepsFindARunNoShorterThanSingleTicks) {
  std::vector<std::string> grid = field(30, 8, 28);
  for (int col = 8; col < 11; col++) grid[7][col] = 'S';
  grid[6][18] = grid[5][18] = '#';
  start(levelText(grid));
  SolveResult single = solveLevel(SolveOptions());
  SolveOptions coarse;
  coarse.step = 4;
  SolveResult four = solveLevel(coarse);
  ASSERT_TRUE(single.finishable);
  ASSERT_TRUE(four.finishable);
  EXPECT_GE(four.ticks, single.ticks);
  ReplayResult replay = replayKeys(four.keys);
  EXPECT_EQ(replay.outcome, RUN_FINISHED);
  EXPECT_EQ(replay.ticks, four.ticks);
}

// ---- traces and replay ----

TEST_F(LevelToolTest, TheTraceOfASolvedRunReplaysToTheExit) {
  std::vector<std::string> grid = field(25, 8, 22);
  for (int col = 9; col < 12; col++) grid[7][col] = 'F';
  std::string level = writeTempFile(levelText(grid, 15, 30, {}, "Fire pit"));
  std::string error;
  ASSERT_TRUE(startRun(level, error)) << error;
  SolveResult result = solveLevel(SolveOptions());
  ASSERT_TRUE(result.finishable);
  std::string trace = writeTempFile("", "run.trace");
  ASSERT_TRUE(writeTrace(trace, "Fire pit", result.keys, error)) << error;

  std::vector<TickKeys> read;
  ASSERT_TRUE(readTrace(trace, read, error)) << error;
  EXPECT_TRUE(read == result.keys);
  ASSERT_TRUE(startRun(level, error)) << error;
  ReplayResult replay = replayKeys(read);
  EXPECT_EQ(replay.outcome, RUN_FINISHED);
  EXPECT_EQ(replay.ticks, result.ticks);

  // without the jump the walk ends in the fire
  ASSERT_TRUE(startRun(level, error)) << error;
  std::vector<TickKeys> walk(read.size(), keysOf(false, true, false, false));
  EXPECT_EQ(replayKeys(walk).outcome, RUN_DIED);
}

TEST_F(LevelToolTest, AMalformedTraceIsRefusedWithItsLine) {
  std::vector<TickKeys> keys;
  std::string error;
  std::string trace = writeTempFile("# keys\n0 1 0 0\n\n0 1 2 0\n", "bad.trace");
  EXPECT_FALSE(readTrace(trace, keys, error));
  EXPECT_EQ(error, trace + ":4: expected four columns of 0 or 1");
  trace = writeTempFile("1 0 0 0 1\n", "long.trace");
  EXPECT_FALSE(readTrace(trace, keys, error));
  trace = writeTempFile("1 0 1 0\n0 0 0 1\n", "good.trace");
  ASSERT_TRUE(readTrace(trace, keys, error)) << error;
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_TRUE(keys[0] == keysOf(true, false, true, false));
  EXPECT_TRUE(keys[1] == keysOf(false, false, false, true));
}

// ---- picture ----

TEST_F(LevelToolTest, APlatformsTravelReachesOneStepPastEachEnd) {
  MovingPlatform sideways(100, 200, 140, 200, graphic(GFX_PLATFORM));
  PlatformTravel travel = platformTravel(sideways);
  EXPECT_EQ(travel.minX, 96);
  EXPECT_EQ(travel.maxX, 144);
  EXPECT_EQ(travel.minY, 200);
  EXPECT_EQ(travel.maxY, 200);
  MovingPlatform upDown(100, 200, 100, 260, graphic(GFX_PLATFORM));
  travel = platformTravel(upDown);
  EXPECT_EQ(travel.minY, 196);
  EXPECT_EQ(travel.maxY, 264);
  EXPECT_EQ(travel.minX, 100);
  EXPECT_EQ(travel.maxX, 100);
}

TEST_F(LevelToolTest, ThePictureShowsTheWholeMapWithItsActorsAndMarks) {
  // 30 x 14 cells: 960 x 448 pixels, wider than one copy of a layer
  std::vector<std::string> grid = field(30, 14, 27);
  grid[12][20] = 'e';
  start(levelText(grid, 15, 100, {{600, 100, 700, 100}}), false);
  BITMAP* picture = drawLevelPicture();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->w, 960);
  EXPECT_EQ(picture->h, 448);
  auto colourOf = [](int index) { return getpixel(graphic(index), 0, 0); };
  EXPECT_EQ(getpixel(picture, 400, 20), makecol16(123, 202, 189));
  // far layer from y 148, near layer from y 248, both repeated past x 800
  EXPECT_EQ(getpixel(picture, 100, 200), colourOf(GFX_FAR_BACKGROUND));
  EXPECT_EQ(getpixel(picture, 900, 200), colourOf(GFX_FAR_BACKGROUND));
  EXPECT_EQ(getpixel(picture, 900, 300), colourOf(GFX_NEAR_BACKGROUND));
  EXPECT_EQ(getpixel(picture, 5 * TILE + 3, 13 * TILE + 3), colourOf(GFX_BLOCK_A));
  EXPECT_EQ(getpixel(picture, 27 * TILE + 3, 12 * TILE + 3), colourOf(GFX_EXIT));
  EXPECT_EQ(getpixel(picture, 20 * TILE + 3, 12 * TILE + 3), colourOf(GFX_ENEMY_WALK_1));
  EXPECT_EQ(getpixel(picture, 610, 105), colourOf(GFX_PLATFORM));
  // the travel box runs from x 596 to 704 + 63
  int path = makecol16(PICTURE_PATH_RGB[0], PICTURE_PATH_RGB[1], PICTURE_PATH_RGB[2]);
  EXPECT_EQ(getpixel(picture, 760, 100), path);
  EXPECT_EQ(getpixel(picture, 767, 110), path);
  int mark = makecol16(PICTURE_START_RGB[0], PICTURE_START_RGB[1], PICTURE_START_RGB[2]);
  EXPECT_EQ(getpixel(picture, 49, 49), mark);
  EXPECT_EQ(getpixel(picture, 74, 80), mark);
  EXPECT_EQ(getpixel(picture, 60, 60), colourOf(GFX_PLAYER_STAND));
  destroy_bitmap(picture);
}

// A PNG decoded by libpng as 8-bit RGB; false when libpng cannot read it.
bool decodePng(const std::string& path, int& width, int& height, std::vector<png_byte>& rgb) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  rgb.assign(PNG_IMAGE_SIZE(image), 0);
  if (!png_image_finish_read(&image, NULL, rgb.data(), 0, NULL)) return false;
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return true;
}

// How many pixels of the decoded picture differ from the bitmap's.
int pixelsDiffering(BITMAP* bitmap, const std::vector<png_byte>& rgb) {
  int differing = 0;
  for (int y = 0; y < bitmap->h; y++)
    for (int x = 0; x < bitmap->w; x++) {
      int c = getpixel(bitmap, x, y);
      const png_byte* p = rgb.data() + (static_cast<size_t>(y) * bitmap->w + x) * 3;
      if (p[0] != getr16(c) || p[1] != getg16(c) || p[2] != getb16(c)) differing++;
    }
  return differing;
}

TEST_F(LevelToolTest, APngHoldsTheBitmapsPixels) {
  BITMAP* bitmap = create_bitmap_ex(16, 3, 2);
  // 16-bit colour keeps 5 or 6 bits: the sky's green comes back as 203
  const int rgb[6][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255},
                         {255, 255, 255}, {0, 0, 0}, {123, 202, 189}};
  const int back[6][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255},
                          {255, 255, 255}, {0, 0, 0}, {123, 203, 189}};
  for (int i = 0; i < 6; i++)
    putpixel(bitmap, i % 3, i / 3, makecol16(rgb[i][0], rgb[i][1], rgb[i][2]));
  std::string path = writeTempFile("", "small.png");
  std::string error;
  ASSERT_TRUE(savePng(bitmap, path, error)) << error;
  destroy_bitmap(bitmap);

  int width = 0, height = 0;
  std::vector<png_byte> pixels;
  ASSERT_TRUE(decodePng(path, width, height, pixels));
  EXPECT_EQ(width, 3);
  EXPECT_EQ(height, 2);
  ASSERT_EQ(pixels.size(), 18u);
  for (int i = 0; i < 6; i++)
    for (int c = 0; c < 3; c++) EXPECT_EQ(pixels[i * 3 + c], back[i][c]) << "pixel " << i;

  // a folder that is not there: refused, and the path named
  std::string nowhere = writeTempFile("", "gone") + "/no/such/folder/picture.png";
  bitmap = create_bitmap_ex(16, 2, 2);
  EXPECT_FALSE(savePng(bitmap, nowhere, error));
  EXPECT_EQ(error.compare(0, 14 + nowhere.size(), "cannot write " + nowhere + ":"), 0) << error;
  destroy_bitmap(bitmap);
}

// ---- the executable ----

TEST_F(LevelToolTest, TheExecutableExitsWithTheStatusOfItsWorstFile) {
  auto status = [](const std::string& arguments) {
    std::string command = std::string(LEVEL_TOOL_PATH) + " " + arguments + " > /dev/null 2>&1";
    int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  std::string clean = writeTempFile(levelText(field(20, 8, 15)));
  // a screenful: the executable warns of a map smaller than the screen
  std::string screenful = writeTempFile(levelText(field(25, 19, 15)));
  std::string noExit = writeTempFile(levelText(field(25, 19, -1)));
  std::string broken = writeTempFile("Broken\n3,1\n");
  std::vector<std::string> wall = field(20, 8, 16);
  for (int row = 0; row < 7; row++) wall[row][10] = '#';
  std::string walled = writeTempFile(levelText(wall));
  EXPECT_EQ(status("check " + screenful), 0);
  EXPECT_EQ(status("check " + clean), 1);
  EXPECT_EQ(status("check " + screenful + " " + noExit), 1);
  EXPECT_EQ(status("check " + screenful + " --menu " + noExit), 0);
  EXPECT_EQ(status("check " + noExit + " " + broken), 3);
  EXPECT_EQ(status("solve " + clean), 0);
  EXPECT_EQ(status("solve " + walled), 1);
  EXPECT_EQ(status("solve " + broken), 3);
  EXPECT_EQ(status("frobnicate " + clean), 2);
  EXPECT_EQ(status("check"), 2);
  EXPECT_EQ(status("check " + clean + " --data"), 2);
  EXPECT_EQ(status("check --help " + broken), 0);
  EXPECT_EQ(status("--version"), 0);
  EXPECT_EQ(status("check --data /nonexistent " + clean), 3);  // no graphics.dat there
  EXPECT_EQ(status("check --data=/nonexistent " + clean), 3);

  std::string trace = writeTempFile("", "solve.trace");
  ASSERT_EQ(status("solve --trace " + trace + " " + clean), 0);
  EXPECT_EQ(status("replay " + clean + " " + trace), 0);
  EXPECT_EQ(status("replay " + walled + " " + trace), 1);
}

// The executable's output: `solve --json` as one JSON object, and the
// picture's pixels as the picture was drawn.
TEST_F(LevelToolTest, TheExecutableWritesJsonAndPictures) {
  auto output = [](const std::string& arguments, int& status) {
    std::string out = writeTempFile("", "tool.out");
    std::string command = std::string(LEVEL_TOOL_PATH) + " " + arguments + " > " + out;
    int raw = std::system(command.c_str());
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return readFile(out);
  };
  std::string clean = writeTempFile(levelText(field(20, 8, 15)));
  int status = 0;
  std::string text = output("solve --json " + clean, status);
  EXPECT_EQ(status, 0);
  // one line; tests/shipped_level_test.sh reads these two with awk
  EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("\"time_limit\": *[0-9.]+"))) << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("\"spare_seconds\": *[-0-9.]+"))) << text;
  nlohmann::ordered_json json = nlohmann::ordered_json::parse(text);
  std::vector<std::string> keys;
  for (auto& item : json.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"finishable", "ticks", "seconds", "time_limit",
                                            "spare_seconds", "shortest", "states"}));
  int ticks = straightWalkTicks(15);
  EXPECT_EQ(json["finishable"], true);
  EXPECT_EQ(json["ticks"], ticks);
  // seconds to the hundredth, as the plain output has them
  double seconds = std::round(ticks * 100.0 / TICKS_PER_SECOND) / 100.0;
  EXPECT_EQ(json["seconds"].get<double>(), seconds);
  EXPECT_EQ(json["time_limit"], 100);
  EXPECT_EQ(json["spare_seconds"].get<double>(),
            std::round((100 - static_cast<double>(ticks) / TICKS_PER_SECOND) * 100) / 100);
  EXPECT_EQ(json["shortest"], true);
  EXPECT_GT(json["states"].get<long>(), 0);

  std::vector<std::string> wall = field(20, 8, 16);
  for (int row = 0; row < 7; row++) wall[row][10] = '#';
  text = output("solve --json " + writeTempFile(levelText(wall)), status);
  EXPECT_EQ(status, 1);
  json = nlohmann::ordered_json::parse(text);
  keys.clear();
  for (auto& item : json.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"finishable", "ticks", "seconds", "time_limit",
                                            "spare_seconds", "exhausted", "states"}));
  EXPECT_EQ(json["finishable"], false);
  EXPECT_TRUE(json["ticks"].is_null());
  EXPECT_TRUE(json["seconds"].is_null());
  EXPECT_TRUE(json["spare_seconds"].is_null());
  EXPECT_EQ(json["time_limit"], 100);
  EXPECT_EQ(json["exhausted"], true);
  EXPECT_GT(json["states"].get<long>(), 0);

  // the picture of a level with every kind of mark, pixel for pixel
  std::vector<std::string> grid = field(30, 14, 27);
  grid[12][20] = 'e';
  std::string level = writeTempFile(levelText(grid, 15, 100, {{600, 100, 700, 100}}));
  std::string png = writeTempFile("", "level.png");
  output("picture " + level + " " + png, status);
  EXPECT_EQ(status, 0);
  int width = 0, height = 0;
  std::vector<png_byte> pixels;
  ASSERT_TRUE(decodePng(png, width, height, pixels));
  // drawn here with the graphics.dat the executable found beside it
  std::string runDir = LEVEL_TOOL_PATH;
  runDir.erase(runDir.rfind('/'));
  DATAFILE* standIns = graphicsData;
  std::string error;
  ASSERT_TRUE(loadGraphics(runDir, error)) << error;
  DATAFILE* real = graphicsData;
  BITMAP* drawn = startRun(level, error, false) ? drawLevelPicture() : nullptr;
  EXPECT_NE(drawn, nullptr) << error;
  if (drawn) {
    EXPECT_EQ(width, drawn->w);
    EXPECT_EQ(height, drawn->h);
    if (width == drawn->w && height == drawn->h) {
      EXPECT_EQ(pixelsDiffering(drawn, pixels), 0);
    }
    destroy_bitmap(drawn);
  }
  // the map drawn holds the real pictures: dropped before they are
  graphicsData = standIns;
  resetGameState();
  unload_datafile(real);
  // unwritable: status 3
  output("picture " + level + " " + writeTempFile("", "gone") + "/no/such/folder/x.png", status);
  EXPECT_EQ(status, 3);
}

// ---- files that are empty, folders, endless or huge ----

TEST_F(LevelToolTest, TraceLinesAreBoundedAndOddFilesAreNamed) {
  const std::string folder = writeTempFile("", "folder.dat"), empty = writeTempFile("", "empty.dat");
  std::remove(folder.c_str());
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  const std::string padded = "0 1 0 0" + std::string(256 - 7, ' ');
  const std::string longer = ": the line is longer than 256 characters: '", cut = "\u2026'";
  const struct {
    std::string path;
    std::string error;  // empty when the trace reads: two ticks
  } cases[] = {
      {writeTempFile(padded + "\n1 0 0 0\n", "256.trace"), ""},
      {writeTempFile("1 1 0 0\n0 0 0 1", "end.trace"), ""},  // no line feed at the end
      {writeTempFile("1 0 0 0\n" + padded + " \n", "257.trace"),
       ":2" + longer + "0 1 0 0" + std::string(33, ' ') + cut},
      {writeTempFile("#" + std::string(1 << 20, '#') + "\n", "big.trace"),
       ":1" + longer + std::string(40, '#') + cut},
      {"/dev/zero", ":1" + longer + "\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00" + cut},
      {folder, ": is a directory, not a trace"},
  };
  for (const auto& c : cases) {
    std::vector<TickKeys> keys;
    std::string error;
    bool read = readTrace(c.path, keys, error);
    EXPECT_EQ(read, c.error.empty()) << c.path << ": " << error;
    if (read) EXPECT_EQ(keys.size(), 2u) << c.path;
    else EXPECT_EQ(error, c.path + c.error);
  }
  // the check names an empty level file and a folder
  for (const auto& c : {std::make_pair(empty, ": the level file is empty"),
                        std::make_pair(folder, ": is a directory, not a level file")}) {
    std::vector<Finding> findings;
    EXPECT_EQ(checkLevel(c.first, CheckOptions(), findings), CHECK_LOAD_ERROR) << c.first;
    ASSERT_EQ(findings.size(), 1u) << c.first;
    EXPECT_EQ(formatFinding(c.first, findings[0]), c.first + c.second);
  }
}

namespace {

// Runs the level tool straight (no shell, so wait4's figures are its own):
// its exit status (-1 when it did not exit), its peak resident set and output.
int runTool(std::vector<std::string> words, long& peakKb, std::string& output) {
  const std::string outputPath = writeTempFile("", "tool.out");
  words.insert(words.begin(), LEVEL_TOOL_PATH);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_TRUNC, 0);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  int raw = 0;
  struct rusage usage;
  bool ran = posix_spawn(&pid, LEVEL_TOOL_PATH, &actions, nullptr, argv.data(), environ) == 0 &&
             wait4(pid, &raw, 0, &usage) == pid;
  posix_spawn_file_actions_destroy(&actions);
  peakKb = ran ? usage.ru_maxrss : 0;
  output = readFile(outputPath);
  return ran && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace

TEST_F(LevelToolTest, TheExecutableRefusesHugeAndEndlessFilesInLittleMemory) {
  const std::string level = writeTempFile(levelText(field(25, 19, 15)));
  long basePeak = 0, peak = 0;
  std::string output;
  ASSERT_EQ(runTool({"check", level}, basePeak, output), 0) << output;
  ASSERT_GT(basePeak, 0);
  const std::string huge = writeTempFile("", "huge.dat");  // 4 GB of zero bytes, sparse
  ASSERT_EQ(truncate(huge.c_str(), 4LL << 30), 0);
  const std::string longName = "1: the level name is longer than 29 characters";
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{"check", huge}, huge + ":" + longName + ": '\\x00"},
      {{"check", "/dev/zero"}, "/dev/zero:" + longName},
      {{"solve", huge}, huge + ": line " + longName},
      {{"replay", level, "/dev/zero"}, "/dev/zero:1: the line is longer than 256 characters"},
  };
  for (const auto& c : cases) {
    const std::string what = c.arguments[0] + " " + c.arguments.back() + ": ";
    EXPECT_EQ(runTool(c.arguments, peak, output), 3) << what << output;
    EXPECT_NE(output.find(c.message), std::string::npos) << what << output;
    EXPECT_LT(output.size(), 200u) << what << output;
    EXPECT_LT(peak - basePeak, 20 * 1024) << what << peak << " KB against " << basePeak << " KB";
  }
}
