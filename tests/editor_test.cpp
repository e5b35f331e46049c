// The level editor's logic: edits, undo, files that the game's reader
// reads back exactly as they were edited, the check's marks on the map, and
// the solver run beside the editor.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "finding_marks.h"
#include "level/level_file.h"
#include "level/tile_map.h"
#include "level_check.h"
#include "level_editor.h"
#include "solve_job.h"
#include "test_support.h"

namespace {

// A path in the tests' temporary folder where no file is yet.
std::string freshPath(const std::string& name) {
  std::string path = writeTempFile("", name);
  unlink(path.c_str());
  return path;
}

LevelFile parsed(const std::string& text) {
  std::istringstream in(text);
  LevelFile level;
  std::string error;
  EXPECT_TRUE(parseLevelFile(in, level, error)) << error;
  return level;
}

void openNew(LevelEditor& editor, const std::string& name = "new.dat") {
  std::string error;
  ASSERT_TRUE(editor.open(freshPath(name), error)) << error;
}

TEST(LevelEditor, ShippedLevelsSaveByteForByte) {
  for (const char* name : {"level1.dat", "level2.dat", "level3.dat", "menu.dat"}) {
    std::string original = readFile(std::string(DATA_SOURCE_DIR) + "/" + name);
    ASSERT_FALSE(original.empty()) << name;
    std::string path = writeTempFile(original, name);
    LevelEditor editor;
    std::string error;
    ASSERT_TRUE(editor.open(path, error)) << error;
    // an edit undone leaves the file as it was, too
    editor.paint(0, 0, 9);
    editor.undo();
    ASSERT_TRUE(editor.save(error)) << error;
    EXPECT_EQ(readFile(path), original) << name;
    EXPECT_FALSE(editor.hasUnsavedChanges());
    EXPECT_NE(access((path + ".new").c_str(), F_OK), 0) << "the temporary file is left";
  }
}

TEST(LevelEditor, PaintedLevelLoadsInTheGame) {
  LevelEditor editor;
  openNew(editor);
  EXPECT_TRUE(editor.paint(3, 5, 2));
  EXPECT_TRUE(editor.paint(24, 18, 9));
  EXPECT_TRUE(editor.paint(4, 5, 1));
  EXPECT_TRUE(editor.erase(4, 5));
  EXPECT_FALSE(editor.paint(3, 5, 2)) << "painting the same code is no change";
  EXPECT_FALSE(editor.paint(25, 0, 1));
  EXPECT_FALSE(editor.paint(0, -1, 1));
  std::string error;
  ASSERT_TRUE(editor.save(error)) << error;

  setUpHeadlessAllegro();
  resetGameState();
  TileMap map(editor.getPath());
  ASSERT_TRUE(map.tryLoad(error)) << error;
  EXPECT_EQ(map.getCols(), NEW_LEVEL_COLS);
  EXPECT_EQ(map.getRows(), NEW_LEVEL_ROWS);
  EXPECT_EQ(map.getTile(24, 18)->getType(), TILE_EXIT);
  EXPECT_EQ(map.getTile(4, 5)->getType(), TILE_EMPTY);
  LevelFile level = parsed(readFile(editor.getPath()));
  EXPECT_EQ(level.codes[5 * NEW_LEVEL_COLS + 3], 2);
  EXPECT_EQ(level.codes[5 * NEW_LEVEL_COLS + 4], 0);
}

TEST(LevelEditor, FillCoversTheRectangleInOneStep) {
  LevelEditor editor;
  openNew(editor);
  // corners in either order; the part beyond the right edge is left out
  EXPECT_TRUE(editor.fill(27, 4, 22, 2, 4));
  for (int row = 0; row < NEW_LEVEL_ROWS; row++)
    for (int col = 0; col < NEW_LEVEL_COLS; col++)
      EXPECT_EQ(editor.code(col, row), (col >= 22 && row >= 2 && row <= 4) ? 4 : 0)
          << col << "," << row;
  EXPECT_TRUE(editor.undo());
  EXPECT_EQ(editor.code(22, 2), 0);
  EXPECT_EQ(editor.code(24, 4), 0);
  EXPECT_FALSE(editor.canUndo());
}

TEST(LevelEditor, ResizeKeepsTheTopLeft) {
  LevelEditor editor;
  openNew(editor);
  editor.paint(2, 3, 1);
  editor.paint(24, 18, 9);
  EXPECT_TRUE(editor.resize(10, 5));
  EXPECT_EQ(editor.level().cols, 10);
  EXPECT_EQ(editor.level().rows, 5);
  EXPECT_EQ(editor.code(2, 3), 1);
  EXPECT_TRUE(editor.resize(30, 20));
  EXPECT_EQ(editor.code(2, 3), 1);
  EXPECT_EQ(editor.code(24, 18), 0) << "a cell cut away comes back empty";
  EXPECT_EQ(editor.code(29, 19), 0);
  EXPECT_FALSE(editor.resize(0, 20));
  EXPECT_FALSE(editor.resize(LEVEL_MAX_CELLS, 2));
  LevelFile level = parsed(editor.text());
  EXPECT_EQ(level.cols, 30);
  EXPECT_EQ(level.codes[3 * 30 + 2], 1);
  editor.undo();
  editor.undo();
  EXPECT_EQ(editor.level().cols, NEW_LEVEL_COLS);
  EXPECT_EQ(editor.code(24, 18), 9);
}

TEST(LevelEditor, SettingsWithinTheFormat) {
  LevelEditor editor;
  openNew(editor);
  EXPECT_TRUE(editor.setName(std::string(LEVEL_NAME_MAX, 'n')));
  EXPECT_FALSE(editor.setName(std::string(LEVEL_NAME_MAX + 1, 'n')));
  EXPECT_FALSE(editor.setName("two\nlines"));
  EXPECT_TRUE(editor.setFallSpeed(12));
  EXPECT_FALSE(editor.setFallSpeed(-1));
  EXPECT_TRUE(editor.setTimeLimit(45));
  LevelFile level = parsed(editor.text());
  EXPECT_EQ(level.name, std::string(LEVEL_NAME_MAX, 'n'));
  EXPECT_EQ(level.fallSpeed, 12);
  EXPECT_EQ(level.timeLimit, 45);
}

TEST(LevelEditor, PlatformsAndTheirRanges) {
  LevelEditor editor;
  openNew(editor);
  int across = editor.addPlatform(100, 200, 300, 200);
  int down = editor.addPlatform(400, 100, 400, 250);
  EXPECT_EQ(across, 0);
  EXPECT_EQ(down, 1);
  EXPECT_TRUE(editor.movePlatform(across, 32, -32));
  // a horizontal mover's ends take only x, a vertical one's only y
  EXPECT_TRUE(editor.setPlatformEnd(across, PLATFORM_FAR_END, 500, 999));
  EXPECT_TRUE(editor.setPlatformEnd(down, PLATFORM_FAR_END, 999, 300));
  EXPECT_FALSE(editor.setPlatformEnd(down, PLATFORM_START, 400, 300))
      << "a vertical mover whose ends meet would turn horizontal";
  EXPECT_EQ(editor.platformAt(140, 170, 64, 16), across);
  EXPECT_EQ(editor.platformAt(10, 10, 64, 16), -1);

  LevelFile level = parsed(editor.text());
  ASSERT_EQ(level.platforms.size(), 2u);
  const PlatformRecord& a = level.platforms[0];
  const PlatformRecord& b = level.platforms[1];
  EXPECT_EQ(a.x, 132); EXPECT_EQ(a.y, 168); EXPECT_EQ(a.xMax, 500); EXPECT_EQ(a.yMax, 168);
  EXPECT_EQ(b.x, 400); EXPECT_EQ(b.y, 100); EXPECT_EQ(b.xMax, 400); EXPECT_EQ(b.yMax, 300);

  EXPECT_TRUE(editor.removePlatform(across));
  ASSERT_EQ(editor.platformCount(), 1);
  EXPECT_EQ(editor.level().platforms[0].x, 400);
  EXPECT_TRUE(editor.undo());
  EXPECT_EQ(editor.platformCount(), 2);
}

TEST(LevelEditor, DragIsOneUndoStep) {
  LevelEditor editor;
  openNew(editor);
  editor.beginStroke();
  for (int col = 0; col < 5; col++) editor.paint(col, 10, 1);
  editor.endStroke();
  int p = editor.addPlatform(0, 0, 64, 0);
  editor.beginStroke();
  for (int i = 0; i < 4; i++) editor.movePlatform(p, 8, 0);
  editor.endStroke();
  EXPECT_EQ(editor.level().platforms[0].x, 32);
  editor.undo();
  EXPECT_EQ(editor.level().platforms[0].x, 0);
  editor.undo();
  EXPECT_EQ(editor.platformCount(), 0);
  editor.undo();
  for (int col = 0; col < 5; col++) EXPECT_EQ(editor.code(col, 10), 0);
  EXPECT_FALSE(editor.canUndo());
}

TEST(LevelEditor, UndoAndRedoAHundredAndFiftySteps) {
  LevelEditor editor;
  openNew(editor);
  std::string error;
  ASSERT_TRUE(editor.save(error)) << error;
  const int steps = 150;
  for (int i = 0; i < steps; i++) editor.paint(i % NEW_LEVEL_COLS, i / NEW_LEVEL_COLS, 1 + i % 11);
  std::string edited = editor.text();
  for (int i = 0; i < steps; i++) ASSERT_TRUE(editor.undo()) << i;
  EXPECT_FALSE(editor.undo());
  EXPECT_FALSE(editor.hasUnsavedChanges()) << "undone back to the saved level";
  EXPECT_EQ(editor.text(), readFile(editor.getPath()));
  for (int i = 0; i < steps; i++) ASSERT_TRUE(editor.redo()) << i;
  EXPECT_FALSE(editor.redo());
  EXPECT_EQ(editor.text(), edited);
  EXPECT_TRUE(editor.hasUnsavedChanges());

  // a new edit after an undo drops what could be redone
  editor.undo();
  editor.paint(20, 18, 5);
  EXPECT_FALSE(editor.canRedo());
}

TEST(LevelEditor, FileThatDoesNotLoadOpensNothingAndIsNeverWritten) {
  const std::string broken = "Broken\n10,2\n32,32\n15\n90\n0\n1,1,1,\n";
  std::string path = writeTempFile(broken, "broken.dat");
  LevelEditor editor;
  std::string error;
  EXPECT_FALSE(editor.open(path, error));
  EXPECT_EQ(error.rfind(path + ": line ", 0), 0u) << error;
  EXPECT_FALSE(editor.isOpen());
  EXPECT_FALSE(editor.paint(0, 0, 1));
  EXPECT_FALSE(editor.save(error));
  EXPECT_EQ(readFile(path), broken);

  // nor after a good file was open before it
  ASSERT_TRUE(editor.open(freshPath("good.dat"), error)) << error;
  EXPECT_FALSE(editor.open(path, error));
  EXPECT_FALSE(editor.save(error));
  EXPECT_EQ(readFile(path), broken);
}

TEST(LevelEditor, SaveIntoAMissingFolderFails) {
  LevelEditor editor;
  std::string error;
  ASSERT_TRUE(editor.open(freshPath("gone") + "/level.dat", error)) << error;
  editor.paint(0, 0, 1);
  EXPECT_FALSE(editor.save(error));
  EXPECT_NE(error.find("level.dat.new"), std::string::npos) << error;
  EXPECT_TRUE(editor.hasUnsavedChanges());
}

// ---- the check's findings on the map ----

// Every finding of the level tool's check on `text`, with its marks.
std::vector<std::pair<std::string, std::vector<MarkBox>>> marksOf(const std::string& text,
                                                                  const MarkSizes& sizes) {
  std::string path = writeTempFile(text, "marked.dat");
  std::vector<Finding> findings;
  CheckOptions options;
  options.screenWidth = options.screenHeight = 0;
  checkLevel(path, options, findings);
  std::istringstream in(text);
  LevelFile level;
  std::string error;
  EXPECT_TRUE(parseLevelFile(in, level, error)) << error;
  std::vector<std::pair<std::string, std::vector<MarkBox>>> out;
  for (const Finding& f : findings) out.push_back({f.message, findingMarks(f.message, level, sizes)});
  return out;
}

TEST(FindingMarks, EachFindingPointsAtItsCellsPlatformOrStart) {
  resetGameState();
  // the start (50, 50) inside a block at column 1, row 1; code 12 at
  // column 6, row 3; platform 2 running off the right edge; no exit
  std::vector<std::string> rows(8, std::string(20, '.'));
  rows[7] = std::string(20, '#');
  rows[1][1] = '#';
  rows[3][6] = 'x';
  MarkSizes sizes;
  sizes.platformW = 64;
  sizes.platformH = 16;
  auto found = marksOf(levelText(rows, 15, 100, {{100, 100, 200, 100}, {500, 60, 620, 60}}),
                       sizes);
  auto marksFor = [&found](const std::string& start) {
    for (const auto& f : found)
      if (f.first.compare(0, start.size(), start) == 0) return f.second;
    ADD_FAILURE() << "no finding starting '" << start << "'";
    return std::vector<MarkBox>();
  };
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(marksFor("the start (50, 50) lies inside"),
            (std::vector<MarkBox>{{32, 32, 32, 32}, {50, 50, 24, 30}}));
  EXPECT_EQ(marksFor("code 12 at"), (std::vector<MarkBox>{{6 * 32, 3 * 32, 32, 32}}));
  // the whole range of the second platform, 500 to 620 + 64 wide
  EXPECT_EQ(marksFor("platform 2 leaves the map"), (std::vector<MarkBox>{{500, 60, 184, 16}}));
  EXPECT_TRUE(marksFor("no exit").empty());

  // an up-and-down mover's box runs from y to yMax; an enemy inside a wall
  // names both its cell and the wall's (16-pixel tiles, 28-pixel enemy)
  std::string text = "Small\n6,4\n16,16\n15\n90\n1\n40,8,40,200\n"
                     "0,0,0,0,0,0,\n0,2,1,0,0,0,\n0,0,0,0,0,0,\n1,1,1,1,1,1,\n";
  found = marksOf(text, sizes);
  EXPECT_EQ(marksFor("platform 1 leaves the map"), (std::vector<MarkBox>{{40, 8, 64, 208}}));
  EXPECT_EQ(marksFor("the enemy at column 1, row 1"),
            (std::vector<MarkBox>{{16, 16, 16, 16}, {32, 16, 16, 16}}));
  // a platform number the level does not have marks nothing
  LevelFile level;
  EXPECT_TRUE(findingMarks("platform 3 leaves the map", level, sizes).empty());
}

TEST(FindingMarks, TheCursorStepsRoundAndKeepsItsPlace) {
  FindingCursor cursor;
  cursor.reset(3);
  EXPECT_EQ(cursor.label("a"), "1/3: a");
  cursor.next();
  cursor.next();
  EXPECT_EQ(cursor.index(), 2u);
  cursor.next();
  EXPECT_EQ(cursor.index(), 0u);
  cursor.previous();
  EXPECT_EQ(cursor.label("c"), "3/3: c");
  // a new check with as many findings keeps the place; with fewer, back to the first
  cursor.reset(3);
  EXPECT_EQ(cursor.index(), 2u);
  cursor.reset(2);
  EXPECT_EQ(cursor.index(), 0u);
  EXPECT_EQ(cursor.label("x"), "1/2: x");
  cursor.reset(1);
  EXPECT_EQ(cursor.label("only"), "only");
  cursor.reset(0);
  cursor.next();
  cursor.previous();
  EXPECT_EQ(cursor.index(), 0u);
}

// ---- F6: the level tool's solver beside the editor ----

std::string runFolder() {
  std::string folder = LEVEL_TOOL_PATH;
  return folder.erase(folder.rfind('/'));
}

// A folder of its own for a job's files.
std::string jobFolder(const std::string& name) {
  std::string folder = freshPath(name);
  EXPECT_EQ(mkdir(folder.c_str(), 0700), 0) << folder;
  return folder;
}

// Polls as the editor does, a tick at a time, for up to a minute.
bool waitFor(SolveJob& job, SolveReport& report) {
  for (int i = 0; i < 60 * 35; i++) {
    if (job.poll(report)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1000 / 35));
  }
  return false;
}

TEST(SolveJob, ReportsTheRunTheToolFound) {
  resetGameState();
  std::vector<std::string> rows(8, std::string(20, '.'));
  rows[7] = std::string(20, '#');
  rows[6][15] = 'E';
  std::string level = writeTempFile(levelText(rows), "walk.dat");
  std::string folder = jobFolder("walk-job");
  SolveJob job;
  std::string error;
  ASSERT_TRUE(job.start(LEVEL_TOOL_PATH, runFolder(), level, folder, error)) << error;
  EXPECT_TRUE(job.running());
  // the job has its own copy: the editor may rewrite the level meanwhile
  std::ofstream(level.c_str(), std::ios::trunc) << "Broken\n";
  SolveReport report;
  ASSERT_TRUE(waitFor(job, report));
  EXPECT_FALSE(job.running());
  ASSERT_TRUE(report.answered) << report.error;
  EXPECT_TRUE(report.finishable);
  EXPECT_TRUE(report.shortest);
  EXPECT_EQ(report.timeLimit, 100);
  EXPECT_GT(report.states, 0);
  // the keys read back from the trace are the run: as many as its ticks,
  // and they bring the player to the exit in exactly that many
  ASSERT_EQ(static_cast<int>(report.keys.size()), report.ticks);
  EXPECT_NEAR(report.seconds, report.ticks / 35.0, 0.005);
  EXPECT_NEAR(report.spareSeconds, 100 - report.ticks / 35.0, 0.005);
  ASSERT_TRUE(startRun(writeTempFile(levelText(rows), "walk-again.dat"), error)) << error;
  ReplayResult replay = replayKeys(report.keys);
  EXPECT_EQ(replay.outcome, RUN_FINISHED);
  EXPECT_EQ(replay.ticks, report.ticks);
  // nothing is left in the job's folder
  EXPECT_EQ(rmdir(folder.c_str()), 0) << std::strerror(errno);
}

TEST(SolveJob, ReportsAnUnfinishableLevelAndTheToolsTrouble) {
  resetGameState();
  std::vector<std::string> rows(8, std::string(20, '.'));
  rows[7] = std::string(20, '#');
  rows[6][16] = 'E';
  for (int row = 0; row < 7; row++) rows[row][10] = '#';
  std::string folder = jobFolder("wall-job");
  SolveJob job;
  std::string error;
  ASSERT_TRUE(job.start(LEVEL_TOOL_PATH, runFolder(), writeTempFile(levelText(rows), "wall.dat"),
                        folder, error))
      << error;
  SolveReport report;
  ASSERT_TRUE(waitFor(job, report));
  ASSERT_TRUE(report.answered) << report.error;
  EXPECT_FALSE(report.finishable);
  EXPECT_TRUE(report.exhausted);
  EXPECT_TRUE(report.keys.empty());

  // a level the tool cannot load: its message, not an answer
  std::string broken = writeTempFile("Broken\n3,1\n", "broken-solve.dat");
  ASSERT_TRUE(job.start(LEVEL_TOOL_PATH, runFolder(), broken, folder, error)) << error;
  ASSERT_TRUE(waitFor(job, report));
  EXPECT_FALSE(report.answered);
  EXPECT_NE(report.error.find("solve.dat"), std::string::npos) << report.error;
  // no tool there: refused at the start
  EXPECT_FALSE(job.start(folder + "/no-such-tool", runFolder(), broken, folder, error));
  EXPECT_NE(error.find("no-such-tool"), std::string::npos) << error;
  EXPECT_FALSE(job.running());
  EXPECT_FALSE(job.poll(report));
  EXPECT_EQ(rmdir(folder.c_str()), 0) << std::strerror(errno);
}

TEST(SolveJob, CancelStopsTheSolverAtOnce) {
  resetGameState();
  // level 3 takes the solver seconds; the cancel must not wait for it
  std::string folder = jobFolder("cancel-job");
  SolveJob job;
  std::string error;
  ASSERT_TRUE(job.start(LEVEL_TOOL_PATH, runFolder(), std::string(DATA_SOURCE_DIR) + "/level3.dat",
                        folder, error))
      << error;
  pid_t pid = job.processId();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  SolveReport report;
  EXPECT_FALSE(job.poll(report)) << "level 3 solved in 0.3 s?";
  auto began = std::chrono::steady_clock::now();
  job.cancel();
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(1));
  EXPECT_FALSE(job.running());
  EXPECT_FALSE(job.poll(report));
  // gone and reaped: no such process any more
  EXPECT_EQ(kill(pid, 0), -1);
  EXPECT_EQ(errno, ESRCH);
  EXPECT_EQ(rmdir(folder.c_str()), 0) << std::strerror(errno);

  // a job dropped while running is stopped too
  {
    SolveJob dropped;
    ASSERT_TRUE(dropped.start(LEVEL_TOOL_PATH, runFolder(),
                              std::string(DATA_SOURCE_DIR) + "/level3.dat", jobFolder("drop-job"),
                              error))
        << error;
    pid = dropped.processId();
  }
  EXPECT_EQ(kill(pid, 0), -1);
}

}  // namespace
