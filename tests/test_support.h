// Test support: Allegro without a display, stand-in pictures of fixed sizes,
// and levels written from rows of symbols.
#ifndef BRINDLECOVE_TEST_SUPPORT_H
#define BRINDLECOVE_TEST_SUPPORT_H

#include <string>
#include <vector>

class TileMap;

// Sizes of the stand-in pictures (the real art keeps the same ones).
const int TEST_PLAYER_W = 24;
const int TEST_PLAYER_H = 30;
const int TEST_ENEMY_W = 28;
const int TEST_ENEMY_H = 28;
const int TEST_BACKGROUND_W = 800;
const int TEST_NEAR_BACKGROUND_H = 200;
const int TEST_FAR_BACKGROUND_H = 300;

// Brings Allegro up without a display (once) and installs stand-in
// graphics objects; fonts and sounds stay unloaded.
void setUpHeadlessAllegro();

// What the screens and the frame draw with: a memory bitmap as the screen,
// the back buffer, Allegro's own font as both fonts, the game-over
// animation (once).
void setUpHeadlessScreens();

// Fresh global game state: a new player at the start, empty lists, no map,
// play running, the clock at 100.
void resetGameState();

// Symbols of a level grid: '.' empty, '#' code 1, 'e' enemy (2), 'o' points
// (3), 'B' code 4, 'S' spikes (5), 'a' ammunition (6), 'F' fire (7),
// 'D' code 8, 'E' exit (9), 'C' code 10, 't' time (11), 'x' code 12.
struct TestPlatform {
  int x, y, xMax, yMax;
};
std::string levelText(const std::vector<std::string>& rows, int fallSpeed = 15,
                      int timeLimit = 100, const std::vector<TestPlatform>& platforms = {},
                      const std::string& name = "Test level");

// Writes `text` to a new file in a temporary folder and returns its path.
std::string writeTempFile(const std::string& text, const std::string& fileName = "level.dat");

// The whole of a file, bytes as they are; empty when it cannot be read.
std::string readFile(const std::string& path);

// Builds a map from `text`, makes it the current map and returns it; the
// test fails if the level does not load.
TileMap* useLevel(const std::string& text);

#endif
