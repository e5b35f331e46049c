// Level file reader: numbers and separators, with the line of every item.
#include "level/level_file.h"

#include <climits>
#include <istream>
#include <sstream>

namespace {

// Reads numbers the way a formatted stream reads an int, but counts lines
// and says what it expected when the file is wrong.
class LevelReader {
 public:
  explicit LevelReader(std::istream& in) : in(in), line(1) {}

  int getLine() const { return line; }

  void countFirstLine() { line = 2; }

  bool number(int& value, const std::string& what, std::string& error) {
    skipSpace();
    int startLine = line;
    std::string text;
    int c = in.peek();
    if (c == '+' || c == '-') {
      text += static_cast<char>(in.get());
      c = in.peek();
    }
    long long result = 0;
    bool tooBig = false;
    while (c != EOF && c >= '0' && c <= '9') {
      text += static_cast<char>(in.get());
      result = result * 10 + (c - '0');
      if (result > static_cast<long long>(INT_MAX) + 1) tooBig = true, result = INT_MAX;
      c = in.peek();
    }
    bool hasDigits = !text.empty() && text.back() >= '0' && text.back() <= '9';
    if (!hasDigits) {
      std::ostringstream out;
      out << "line " << startLine << ": expected " << what << ", found ";
      if (c == EOF && text.empty()) out << "the end of the file";
      else out << "'" << text << (c == EOF ? "" : std::string(1, static_cast<char>(c))) << "'";
      error = out.str();
      return false;
    }
    bool negative = text[0] == '-';
    if (tooBig || (!negative && result > INT_MAX)) {
      error = "line " + std::to_string(startLine) + ": " + what + " " + text + " is out of range";
      return false;
    }
    value = static_cast<int>(negative ? -result : result);
    return true;
  }

  // Any one character that is not white space; it is thrown away.
  bool separator(const std::string& after, std::string& error) {
    int itemLine = line;
    skipSpace();
    int c = in.get();
    if (c == EOF) {
      error = "line " + std::to_string(itemLine) + ": expected a separator after " + after +
              ", found the end of the file";
      return false;
    }
    return true;
  }

 private:
  void skipSpace() {
    int c = in.peek();
    while (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
      if (in.get() == '\n') line++;
      c = in.peek();
    }
  }

  std::istream& in;
  int line;
};

bool fail(std::string& error, int line, const std::string& what) {
  error = "line " + std::to_string(line) + ": " + what;
  return false;
}

bool inRange(int value, int low, int high) { return value >= low && value <= high; }

}  // namespace

bool parseLevelFile(std::istream& in, LevelFile& level, std::string& error) {
  LevelReader reader(in);

  std::string name;
  std::getline(in, name);
  if (!name.empty() && name.back() == '\r') name.pop_back();  // a file saved with CR LF
  if (name.size() > static_cast<size_t>(LEVEL_NAME_MAX))
    return fail(error, 1, "the level name is " + std::to_string(name.size()) +
                              " characters long; at most " + std::to_string(LEVEL_NAME_MAX) +
                              " fit");
  level.name = name;
  reader.countFirstLine();

  if (!reader.number(level.cols, "the number of columns", error) ||
      !reader.separator("the number of columns", error) ||
      !reader.number(level.rows, "the number of rows", error))
    return false;
  int gridLine = reader.getLine();
  if (level.cols <= 0 || level.rows <= 0)
    return fail(error, gridLine, "the grid of " + std::to_string(level.cols) + " x " +
                                     std::to_string(level.rows) +
                                     " cells needs at least one column and one row");
  if (static_cast<long long>(level.cols) * level.rows > LEVEL_MAX_CELLS)
    return fail(error, gridLine, "the grid of " + std::to_string(level.cols) + " x " +
                                     std::to_string(level.rows) + " cells is larger than the " +
                                     std::to_string(LEVEL_MAX_CELLS) + " cells a level may have");

  if (!reader.number(level.tileWidth, "the tile width", error) ||
      !reader.separator("the tile width", error) ||
      !reader.number(level.tileHeight, "the tile height", error))
    return false;
  int tileLine = reader.getLine();
  if (!inRange(level.tileWidth, 1, LEVEL_MAX_TILE_SIZE) ||
      !inRange(level.tileHeight, 1, LEVEL_MAX_TILE_SIZE))
    return fail(error, tileLine, "the tile size " + std::to_string(level.tileWidth) + " x " +
                                     std::to_string(level.tileHeight) + " is not within 1 to " +
                                     std::to_string(LEVEL_MAX_TILE_SIZE) + " pixels");
  if (static_cast<long long>(level.cols) * level.tileWidth > LEVEL_MAX_PIXELS ||
      static_cast<long long>(level.rows) * level.tileHeight > LEVEL_MAX_PIXELS)
    return fail(error, tileLine, "the map is larger than " + std::to_string(LEVEL_MAX_PIXELS) +
                                     " pixels on a side");

  if (!reader.number(level.fallSpeed, "the fall speed", error)) return false;
  if (!inRange(level.fallSpeed, 0, LEVEL_MAX_FALL_SPEED))
    return fail(error, reader.getLine(), "the fall speed " + std::to_string(level.fallSpeed) +
                                             " is not within 0 to " +
                                             std::to_string(LEVEL_MAX_FALL_SPEED));
  if (!reader.number(level.timeLimit, "the time limit", error)) return false;
  level.timeLimitLine = reader.getLine();
  if (!inRange(level.timeLimit, -LEVEL_MAX_TIME, LEVEL_MAX_TIME))
    return fail(error, reader.getLine(), "the time limit " + std::to_string(level.timeLimit) +
                                             " is out of range");

  int platformCount = 0;
  if (!reader.number(platformCount, "the number of platforms", error)) return false;
  if (!inRange(platformCount, 0, LEVEL_MAX_PLATFORMS))
    return fail(error, reader.getLine(), "the number of platforms " +
                                             std::to_string(platformCount) +
                                             " is not within 0 to " +
                                             std::to_string(LEVEL_MAX_PLATFORMS));
  level.platforms.clear();
  for (int i = 0; i < platformCount; i++) {
    std::string item = "platform " + std::to_string(i + 1);
    PlatformRecord p;
    if (!reader.number(p.x, "the x of " + item, error)) return false;
    p.line = reader.getLine();
    if (!reader.separator("the x of " + item, error) ||
        !reader.number(p.y, "the y of " + item, error) ||
        !reader.separator("the y of " + item, error) ||
        !reader.number(p.xMax, "the xMax of " + item, error) ||
        !reader.separator("the xMax of " + item, error) ||
        !reader.number(p.yMax, "the yMax of " + item, error))
      return false;
    const int limit = LEVEL_MAX_COORDINATE;
    if (!inRange(p.x, -limit, limit) || !inRange(p.y, -limit, limit) ||
        !inRange(p.xMax, -limit, limit) || !inRange(p.yMax, -limit, limit))
      return fail(error, p.line, item + " lies out of range");
    level.platforms.push_back(p);
  }

  int cells = level.cols * level.rows;
  level.codes.assign(cells, 0);
  level.codeLines.assign(cells, 0);
  for (int k = 0; k < cells; k++) {
    std::string item = "tile record " + std::to_string(k + 1) + " of " + std::to_string(cells) +
                       " (column " + std::to_string(k % level.cols) + ", row " +
                       std::to_string(k / level.cols) + ")";
    if (!reader.number(level.codes[k], item, error)) return false;
    level.codeLines[k] = reader.getLine();
    if (!reader.separator(item, error)) return false;
  }
  return true;
}
