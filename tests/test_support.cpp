// Test support: headless Allegro, stand-in pictures and test levels.
#include "test_support.h"

#include <allegro.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"
#include "render/animation.h"

namespace {

DATAFILE fakeGraphics[GFX_COUNT + 1];

void pictureSize(int index, int& w, int& h) {
  w = 32;
  h = 32;
  switch (index) {
    case GFX_NEAR_BACKGROUND: w = TEST_BACKGROUND_W; h = TEST_NEAR_BACKGROUND_H; break;
    case GFX_FAR_BACKGROUND: w = TEST_BACKGROUND_W; h = TEST_FAR_BACKGROUND_H; break;
    case GFX_BULLET: w = 10; h = 4; break;
    case GFX_ENEMY_WALK_1: case GFX_ENEMY_WALK_2: w = TEST_ENEMY_W; h = TEST_ENEMY_H; break;
    case GFX_PLATFORM: w = 64; h = 16; break;
    case GFX_GAME_OVER_1: case GFX_GAME_OVER_2: w = 200; h = 60; break;
    case GFX_TITLE: w = 400; h = 120; break;
    case GFX_PLAYER_AIR: case GFX_PLAYER_STAND: case GFX_PLAYER_WALK:
      w = TEST_PLAYER_W; h = TEST_PLAYER_H; break;
    default: break;
  }
}

}  // namespace

void setUpHeadlessAllegro() {
  static bool done = false;
  if (done) return;
  done = true;
  ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
  set_color_depth(16);
  for (int i = 0; i < GFX_COUNT; i++) {
    int w, h;
    pictureSize(i, w, h);
    BITMAP* b = create_bitmap_ex(16, w, h);
    clear_to_color(b, makecol16(i * 8, 100, 200));
    fakeGraphics[i].dat = b;
    fakeGraphics[i].type = DAT_BITMAP;
    fakeGraphics[i].size = 0;
    fakeGraphics[i].prop = NULL;
  }
  fakeGraphics[GFX_COUNT].type = DAT_END;
  fakeGraphics[GFX_COUNT].dat = NULL;
  graphicsData = fakeGraphics;
}

void setUpHeadlessScreens() {
  setUpHeadlessAllegro();
  if (!screen) screen = create_bitmap_ex(16, 800, 600);
  if (!backBuffer) backBuffer = create_bitmap_ex(16, 800, 600);
  mainFont = font;
  noticeFont = font;
  static BITMAP* frames[2] = {graphic(GFX_GAME_OVER_1), graphic(GFX_GAME_OVER_2)};
  if (!gameOverAnimation) gameOverAnimation = new Animation(frames, 5, 2);
}

void resetGameState() {
  setUpHeadlessAllegro();
  if (!enemyList) enemyList = new EnemyList();
  if (!bulletList) bulletList = new BulletList();
  enemyList->clear();
  bulletList->clear();
  delete player;
  player = new Player(50, 50, 0, graphic(GFX_PLAYER_STAND));
  delete currentMap;
  currentMap = NULL;
  delete platformList;
  platformList = new PlatformList(0);
  tickCounter = 0;
  timeLeft = 100;
  playSuspended = false;
  newLevel = false;
  gameOver = false;
  quitRequested = 0;
  levelNumber = 0;
  scrollX = 0;
  scrollY = 0;
  for (int i = 0; i < KEY_MAX; i++) key[i] = 0;
}

std::string levelText(const std::vector<std::string>& rows, int fallSpeed, int timeLimit,
                      const std::vector<TestPlatform>& platforms, const std::string& name) {
  static const std::map<char, int> CODES = {
      {'.', 0}, {'#', 1}, {'e', 2}, {'o', 3}, {'B', 4}, {'S', 5}, {'a', 6},
      {'F', 7}, {'D', 8}, {'E', 9}, {'C', 10}, {'t', 11}, {'x', 12}};
  std::string text = name + "\n";
  text += std::to_string(rows[0].size()) + "," + std::to_string(rows.size()) + "\n32,32\n";
  text += std::to_string(fallSpeed) + "\n" + std::to_string(timeLimit) + "\n";
  text += std::to_string(platforms.size()) + "\n";
  for (const TestPlatform& p : platforms)
    text += std::to_string(p.x) + "," + std::to_string(p.y) + "," + std::to_string(p.xMax) +
            "," + std::to_string(p.yMax) + "\n";
  for (const std::string& row : rows) {
    for (char c : row) text += std::to_string(CODES.at(c)) + ",";
    text += "\n";
  }
  return text;
}

std::string writeTempFile(const std::string& text, const std::string& fileName) {
  static std::string folder;
  if (folder.empty()) {
    char pattern[] = "/tmp/brindlecove-test-XXXXXX";
    folder = mkdtemp(pattern);
  }
  static int counter = 0;
  std::string path = folder + "/" + std::to_string(counter++) + "-" + fileName;
  std::ofstream out(path.c_str(), std::ios::binary);
  out << text;
  return path;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

TileMap* useLevel(const std::string& text) {
  setUpHeadlessAllegro();
  delete currentMap;
  currentMap = new TileMap(writeTempFile(text));
  std::string error;
  EXPECT_TRUE(currentMap->tryLoad(error)) << error;
  return currentMap;
}
