// Level check: what is wrong with a level file, read with the game's own
// loader, each finding with the line of the item where there is one.
#ifndef BRINDLECOVE_LEVEL_CHECK_H
#define BRINDLECOVE_LEVEL_CHECK_H

#include <string>
#include <vector>

enum CheckStatus {
  CHECK_CLEAN = 0,
  CHECK_FAULTS = 1,      // loads, but has design faults
  CHECK_LOAD_ERROR = 2   // the game would not load it
};

struct Finding {
  int line;  // 0 when it concerns the whole file
  std::string message;
};

struct CheckOptions {
  // A menu backdrop needs neither an exit nor a clock.
  bool menu = false;
  // The player's standing picture and the enemy's walking picture.
  int playerWidth = 24, playerHeight = 30;
  int enemyWidth = 28, enemyHeight = 28;
  // The tile pictures' size; a map smaller than the screen shows sky beside
  // it (a side of 0: not checked).
  int pictureWidth = 32, pictureHeight = 32;
  int screenWidth = 800, screenHeight = 600;
  // Also search, for every pickup, a run that takes it and can still reach
  // the exit in time (slow: a search a pickup), on this many states each.
  bool deep = false;
  long deepBudget = 300000;
};

// The sizes of the loaded graphics.dat's pictures.
CheckOptions checkOptionsFromGraphics();

// Load errors (the loader's message), then design faults in line order:
// no exit, a start inside a solid or deadly tile or over a bottomless pit,
// enemies inside walls, platforms whose range makes them jitter or leaves
// the map, a time limit of 0 or less, a fall speed of 0, a map smaller than
// the screen, tiles not the pictures' size, codes that build nothing or are
// unknown. With the text laid out one item a line, also a platform count
// that differs from the platform lines and a row without its last separator
// (these also beside a load error, whose cause they usually are).
CheckStatus checkLevel(const std::string& path, const CheckOptions& options,
                       std::vector<Finding>& findings);

// FILE:LINE: what, or FILE: what.
std::string formatFinding(const std::string& path, const Finding& finding);

#endif
