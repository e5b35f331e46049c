// Level check: load errors and design faults of a level file.
#include "level_check.h"

#include <allegro.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <system_error>

#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/level_file.h"
#include "level/tile_map.h"
#include "level_run.h"
#include "level_solver.h"

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

// How the lines after the platform count are laid out, read again from the
// text: a load error names where reading broke down, not the miscount or
// the missing separator that caused it.
struct Layout {
  int platformCount = 0, countLine = 0;
  bool oneItemALine = false;  // the count stands alone, platforms and rows follow
  int platformLines = 0;      // lines of x,y,xMax,yMax right after the count
  int rowWithoutSeparator = 0;  // not the last: there the loader meets the file's end
};

// Only files a level could be are read again; huge and endless ones are not.
const std::uintmax_t LAYOUT_MAX_BYTES = 16 << 20;

Layout readLayout(const std::string& path) {
  Layout layout;
  std::error_code code;
  if (!std::filesystem::is_regular_file(path, code) ||
      std::filesystem::file_size(path, code) > LAYOUT_MAX_BYTES || code)
    return layout;
  std::ifstream in(path.c_str(), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The loader, as far as it gets, finds the count and its line.
  LevelFile level;
  std::string error;
  std::istringstream again(text);
  parseLevelFile(again, level, error);
  if (level.platformCountLine == 0) return layout;
  layout.platformCount = level.platformCount;
  layout.countLine = level.platformCountLine;
  size_t at = 0;
  for (int line = 1; line < layout.countLine && at != std::string::npos; line++) {
    at = text.find('\n', at);
    if (at != std::string::npos) at++;
  }
  if (at == std::string::npos) return layout;
  size_t lineEnd = text.find('\n', at);
  static const std::regex aloneOnItsLine("\\s*[-+]?\\d+\\s*");
  layout.oneItemALine = std::regex_match(text.substr(at, lineEnd - at), aloneOnItsLine);
  if (!layout.oneItemALine || lineEnd == std::string::npos) return layout;

  // Four numbers and three separators, no fourth: a platform line; a tile
  // row ends with its separator.
  static const std::regex platformShape(
      "\\s*[-+]?\\d+\\s*[^\\s\\d]\\s*[-+]?\\d+\\s*[^\\s\\d]\\s*[-+]?\\d+\\s*"
      "[^\\s\\d]\\s*[-+]?\\d+\\s*");
  size_t start = lineEnd + 1;
  int line = layout.countLine + 1;
  bool inPlatforms = true;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string row = text.substr(start, end - start);
    size_t last = row.find_last_not_of(" \t\r\v\f");
    if (last != std::string::npos) {
      if (inPlatforms && row.size() < 200 && std::regex_match(row, platformShape)) {
        layout.platformLines++;
      } else {
        inPlatforms = false;
        if (layout.rowWithoutSeparator == 0 && std::isdigit(static_cast<unsigned char>(row[last])) &&
            text.find_first_not_of(" \t\r\n\v\f", end) != std::string::npos)
          layout.rowWithoutSeparator = line;
      }
    }
    start = end + 1;
    line++;
  }
  return layout;
}

// The findings that explain a load error as well as a loaded level.
void layoutFindings(const Layout& layout, std::vector<Finding>& findings) {
  if (!layout.oneItemALine) return;
  if (layout.platformLines != layout.platformCount) {
    std::string lines = std::to_string(layout.platformLines) +
                        (layout.platformLines == 1 ? " platform line follows"
                                                   : " platform lines follow");
    findings.push_back({layout.countLine,
                        "the platform count is " + std::to_string(layout.platformCount) +
                            " but " + lines +
                            " it: each platform takes one line of x,y,xMax,yMax, so the count "
                            "and the lines must agree"});
  }
  if (layout.rowWithoutSeparator > 0)
    findings.push_back({layout.rowWithoutSeparator,
                        "the row ends without a separator after its last code, so the first "
                        "character of line " + std::to_string(layout.rowWithoutSeparator + 1) +
                            " is taken for it"});
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
    checkFallSpeed();
    checkSize();
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
      // Past the map's edge it is out of the player's reach and out of view.
      // The range as the file gives it: the turn a step past each end is
      // the engine's, not the designer's.
      MovingPlatform platform(p.x, p.y, p.xMax, p.yMax, graphic(GFX_PLATFORM));
      bool sideways = p.y == p.yMax;
      int left = sideways ? std::min(p.x, p.xMax) : p.x;
      int top = sideways ? p.y : std::min(p.y, p.yMax);
      int right = (sideways ? std::max(p.x, p.xMax) : p.x) + platform.getWidth();
      int bottom = (sideways ? p.y : std::max(p.y, p.yMax)) + platform.getHeight();
      int mapW = map.getWidthPixels(), mapH = map.getHeightPixels();
      if (left < 0 || top < 0 || right > mapW || bottom > mapH)
        add(p.line, name + " leaves the map: its range covers x " + std::to_string(left) +
                        " to " + std::to_string(right) + ", y " + std::to_string(top) +
                        " to " + std::to_string(bottom) + ", but the map is " +
                        std::to_string(mapW) + " x " + std::to_string(mapH) + " pixels");
    }
  }

  void checkFallSpeed() {
    if (level.fallSpeed == 0)
      add(level.fallSpeedLine, "the fall speed is 0: without gravity the player never falls back "
                           "after a jump");
  }

  void checkSize() {
    int mapW = map.getWidthPixels(), mapH = map.getHeightPixels();
    std::string map = "the map of " + std::to_string(level.cols) + " x " +
                      std::to_string(level.rows) + " cells is " + std::to_string(mapW) + " x " +
                      std::to_string(mapH) + " pixels, ";
    if (options.screenWidth > 0 && mapW < options.screenWidth)
      add(level.sizeLine, map + "narrower than the " + std::to_string(options.screenWidth) +
                               "-pixel screen: the sky shows beside it");
    if (options.screenHeight > 0 && mapH < options.screenHeight)
      add(level.sizeLine, map + "lower than the " + std::to_string(options.screenHeight) +
                               "-pixel screen: the sky shows below it");
    if (level.tileWidth != options.pictureWidth || level.tileHeight != options.pictureHeight)
      add(level.tileSizeLine, "the tile size " + std::to_string(level.tileWidth) + " x " +
                               std::to_string(level.tileHeight) + " is not the pictures' " +
                               std::to_string(options.pictureWidth) + " x " +
                               std::to_string(options.pictureHeight) +
                               ": the tiles overlap or leave gaps");
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

// Pickups no search could take on a run that still ends at the exit.
void pickupFindings(const std::string& path, const LevelFile& level, const CheckOptions& options,
                    std::vector<Finding>& findings) {
  std::string error;
  if (!startRun(path, error)) return;  // it loaded just now; a vanished file says nothing more
  SolveOptions solve;
  solve.budget = options.deepBudget;
  for (const PickupReach& p : reachPickups(solve)) {
    if (p.reached) continue;
    std::string where = "the pickup at " + cell(p.col, p.row);
    std::string states = std::to_string(p.states) + " states searched";
    findings.push_back(
        {level.codeLines[static_cast<size_t>(p.row) * level.cols + p.col],
         p.exhausted ? where + " is taken by no run that still reaches the exit in time (" +
                           states + ")"
                     : where + ": no run found that takes it and still reaches the exit (" +
                           states + ", the budget; --budget searches further)"});
  }
}

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
  if (BITMAP* b = graphic(GFX_BLOCK_A)) {
    options.pictureWidth = b->w;
    options.pictureHeight = b->h;
  }
  options.screenWidth = SCREEN_W_PIXELS;
  options.screenHeight = SCREEN_H_PIXELS;
  return options;
}

CheckStatus checkLevel(const std::string& path, const CheckOptions& options,
                       std::vector<Finding>& findings) {
  size_t first = findings.size();
  auto byLine = [&findings, first] {
    std::stable_sort(findings.begin() + first, findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
  };
  TileMap map(path);
  std::string error;
  if (!map.tryLoad(error)) {
    Finding loadError = loadErrorFinding(path, error);
    findings.push_back(loadError);
    layoutFindings(readLayout(path), findings);
    // The loader may already blame the same line's separator.
    auto same = [&loadError](const Finding& f) {
      return f.line == loadError.line && f.message != loadError.message &&
             f.message.find("separator") != std::string::npos &&
             loadError.message.find("separator") != std::string::npos;
    };
    findings.erase(std::remove_if(findings.begin() + first, findings.end(), same),
                   findings.end());
    byLine();
    return CHECK_LOAD_ERROR;
  }
  // Read again for the lines of the items; the loader does not keep them.
  std::ifstream in(path.c_str(), std::ios::binary);
  LevelFile level;
  if (!readLevelFile(path, in, level, error)) {
    findings.push_back(loadErrorFinding(path, error));
    return CHECK_LOAD_ERROR;
  }
  layoutFindings(readLayout(path), findings);
  LevelChecker(map, level, options, findings).run();
  if (options.deep && !options.menu) pickupFindings(path, level, options, findings);
  byLine();
  return findings.size() > first ? CHECK_FAULTS : CHECK_CLEAN;
}

std::string formatFinding(const std::string& path, const Finding& finding) {
  if (finding.line > 0) return path + ":" + std::to_string(finding.line) + ": " + finding.message;
  return path + ": " + finding.message;
}
