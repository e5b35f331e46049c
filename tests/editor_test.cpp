// The level editor's logic: edits, undo, and files that the game's reader
// reads back exactly as they were edited.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <unistd.h>

#include "level/level_file.h"
#include "level/tile_map.h"
#include "level_editor.h"
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

}  // namespace
