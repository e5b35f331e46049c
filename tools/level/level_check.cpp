// Level check: load errors and design faults of a level file.
#include "level_check.h"

#include <allegro.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "level/level_file.h"
#include "level/tile_map.h"
#include "level_run.h"

namespace {

const int CODE_ENEMY = 2;
const int CODE_NOTHING = 12;

std::string cell(int col, int row) {
  return "column " + std::to_string(col) + ", row " + std::to_string(row);
}

// "PATH: line N: problem" becomes line N and the problem.
Finding loadErrorFinding(const std::string& path, const std::string& error) {
  std::string rest = error;
  if (rest.compare(0, path.size() + 2, path + ": ") == 0) rest = rest.substr(path.size() + 2);
  if (rest.compare(0, 5, "line ") == 0) {
    size_t colon = rest.find(": ");
    if (colon != std::string::npos) {
      int line = std::atoi(rest.substr(5, colon - 5).c_str());
      if (line > 0) return {line, rest.substr(colon + 2)};
    }
  }
  return {0, rest};
}

class LevelChecker {
 public:
  LevelChecker(TileMap& map, const LevelFile& level, const CheckOptions& options,
               std::vector<Finding>& findings)
      : map(map), level(level), options(options), findings(findings) {}

  void run() {
    if (!options.menu) checkExit();
    checkStart();
    checkEnemies();
    checkPlatforms();
    if (!options.menu) checkTimeLimit();
    checkCodes();
  }

 private:
  int codeLine(int col, int row) const { return level.codeLines[row * level.cols + col]; }
  int tileType(int col, int row) { return map.getTile(col, row)->getType(); }

  void add(int line, const std::string& message) { findings.push_back({line, message}); }

  void checkExit() {
    for (int row = 0; row < level.rows; row++)
      for (int col = 0; col < level.cols; col++)
        if (tileType(col, row) == TILE_EXIT) return;
    add(0, "no exit tile (code 9): the level cannot be finished");
  }

  void checkStart() {
    int tileW = level.tileWidth, tileH = level.tileHeight;
    int firstCol = PLAYER_START_X / tileW;
    int lastCol = (PLAYER_START_X + options.playerWidth - 1) / tileW;
    int firstRow = PLAYER_START_Y / tileH;
    int lastRow = (PLAYER_START_Y + options.playerHeight - 1) / tileH;
    std::string start = "the start (" + std::to_string(PLAYER_START_X) + ", " +
                        std::to_string(PLAYER_START_Y) + ")";
    for (int row = firstRow; row <= lastRow && row < level.rows; row++)
      for (int col = firstCol; col <= lastCol && col < level.cols; col++) {
        if (tileType(col, row) == TILE_SOLID)
          add(codeLine(col, row), start + " lies inside the solid tile at " + cell(col, row));
        if (tileType(col, row) == TILE_DEADLY)
          add(codeLine(col, row), start + " touches the deadly tile at " + cell(col, row));
      }

    for (int row = firstRow; row < level.rows; row++)
      for (int col = firstCol; col <= lastCol && col < level.cols; col++)
        if (tileType(col, row) == TILE_SOLID) return;
    // A platform passing beneath may catch him, depending on its timing.
    for (const PlatformRecord& p : level.platforms) {
      MovingPlatform platform(p.x, p.y, p.xMax, p.yMax, graphic(GFX_PLATFORM));
      PlatformTravel travel = platformTravel(platform);
      if (travel.minX < PLAYER_START_X + options.playerWidth &&
          PLAYER_START_X < travel.maxX + platform.getWidth() && travel.maxY > PLAYER_START_Y)
        return;
    }
    add(0, start + " is over a pit: no solid tile below columns " + std::to_string(firstCol) +
               " to " + std::to_string(lastCol) + ", so the player falls out of the map");
  }

  void checkEnemies() {
    int tileW = level.tileWidth, tileH = level.tileHeight;
    for (int row = 0; row < level.rows; row++)
      for (int col = 0; col < level.cols; col++) {
        if (level.codes[row * level.cols + col] != CODE_ENEMY) continue;
        int x = col * tileW, y = row * tileH;
        bool reported = false;
        for (int r = y / tileH; r <= (y + options.enemyHeight - 1) / tileH && !reported; r++)
          for (int c = x / tileW; c <= (x + options.enemyWidth - 1) / tileW && !reported; c++)
            if (r < level.rows && c < level.cols && tileType(c, r) == TILE_SOLID) {
              add(codeLine(col, row), "the enemy at " + cell(col, row) +
                                          " is inside the solid tile at " + cell(c, r));
              reported = true;
            }
      }
  }

  void checkPlatforms() {
    for (size_t i = 0; i < level.platforms.size(); i++) {
      const PlatformRecord& p = level.platforms[i];
      std::string name = "platform " + std::to_string(i + 1);
      // It turns once a step takes it beyond xMax (or yMax), so a range
      // that ends at or before the start turns it back on every step.
      if (p.y == p.yMax && p.xMax <= p.x)
        add(p.line, name + " jitters in place: it moves sideways (y equals yMax) but xMax " +
                        std::to_string(p.xMax) + " is not right of x " + std::to_string(p.x));
      if (p.y != p.yMax && p.yMax <= p.y)
        add(p.line, name + " jitters in place: it moves up and down (y differs from yMax) but "
                           "yMax " + std::to_string(p.yMax) + " is not below y " +
                        std::to_string(p.y));
    }
  }

  void checkTimeLimit() {
    if (level.timeLimit <= 0)
      add(level.timeLimitLine, "the time limit of " + std::to_string(level.timeLimit) +
                                   " seconds leaves no time to play");
  }

  void checkCodes() {
    for (int row = 0; row < level.rows; row++)
      for (int col = 0; col < level.cols; col++) {
        int code = level.codes[row * level.cols + col];
        if (code == CODE_NOTHING)
          add(codeLine(col, row), "code 12 at " + cell(col, row) + " builds nothing");
        else if (code < 0 || code > CODE_NOTHING)
          add(codeLine(col, row), "unknown code " + std::to_string(code) + " at " +
                                      cell(col, row) + " (read as an empty cell)");
      }
  }

  TileMap& map;
  const LevelFile& level;
  const CheckOptions& options;
  std::vector<Finding>& findings;
};

}  // namespace

CheckOptions checkOptionsFromGraphics() {
  CheckOptions options;
  if (BITMAP* p = graphic(GFX_PLAYER_STAND)) {
    options.playerWidth = p->w;
    options.playerHeight = p->h;
  }
  if (BITMAP* e = graphic(GFX_ENEMY_WALK_1)) {
    options.enemyWidth = e->w;
    options.enemyHeight = e->h;
  }
  return options;
}

CheckStatus checkLevel(const std::string& path, const CheckOptions& options,
                       std::vector<Finding>& findings) {
  TileMap map(path);
  std::string error;
  if (!map.tryLoad(error)) {
    findings.push_back(loadErrorFinding(path, error));
    return CHECK_LOAD_ERROR;
  }
  // Read again for the lines of the items; the loader does not keep them.
  std::ifstream in(path.c_str(), std::ios::binary);
  LevelFile level;
  if (!readLevelFile(path, in, level, error)) {
    findings.push_back(loadErrorFinding(path, error));
    return CHECK_LOAD_ERROR;
  }
  size_t first = findings.size();
  LevelChecker(map, level, options, findings).run();
  std::stable_sort(findings.begin() + first, findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  return findings.size() > first ? CHECK_FAULTS : CHECK_CLEAN;
}

std::string formatFinding(const std::string& path, const Finding& finding) {
  if (finding.line > 0) return path + ":" + std::to_string(finding.line) + ": " + finding.message;
  return path + ": " + finding.message;
}
