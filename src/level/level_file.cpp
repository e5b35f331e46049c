// Level file reader: numbers and separators, with the line of every item.
#include "level/level_file.h"

#include <climits>
#include <cstdio>
#include <filesystem>
#include <ios>
#include <istream>
#include <sstream>
#include <system_error>

namespace {

// A name line is refused once this much of it is read: enough for the name,
// a CR of a CR LF file and an excerpt that shows it went on.
const size_t NAME_LOOK_AHEAD = LEVEL_EXCERPT_MAX + 1;

// An item's name in a message: given, or made by a function only once a
// message needs it (a million tile records would otherwise each build one).
std::string itemName(const std::string& name) { return name; }
template <typename Describe>
auto itemName(const Describe& describe) -> decltype(describe()) {
  return describe();
}

// Reads numbers the way a formatted stream reads an int, but counts lines
// and says what it expected when the file is wrong. It reads the stream's
// buffer directly, a character at a time; a read error comes as an exception.
class LevelReader {
 public:
  explicit LevelReader(std::streambuf& buf) : buf(buf), line(1) {}

  int getLine() const { return line; }

  // The first line, up to its line feed; a CR before the line feed is
  // dropped. Reads at most NAME_LOOK_AHEAD characters of it.
  bool name(std::string& name, std::string& error) {
    std::string text;
    bool ended = false;  // the line feed or the end of the file was reached
    while (text.size() < NAME_LOOK_AHEAD) {
      int c = buf.sbumpc();
      if (c == EOF || c == '\n') {
        ended = true;
        break;
      }
      text += static_cast<char>(c);
    }
    line = 2;
    if (ended && !text.empty() && text.back() == '\r') text.pop_back();  // a file saved with CR LF
    if (!ended || text.size() > static_cast<size_t>(LEVEL_NAME_MAX)) {
      error = "line 1: the level name is longer than " + std::to_string(LEVEL_NAME_MAX) +
              " characters: '" + levelExcerpt(text, !ended) + "'";
      return false;
    }
    name = text;
    return true;
  }

  template <typename What>
  bool number(int& value, const What& what, std::string& error) {
    skipSpace();
    int startLine = line;
    // Only an excerpt's worth of the text is kept; leading zeros may run
    // on, but once the value is past any int the reading stops.
    std::string text;
    bool more = false;  // digits were left unread
    int c = buf.sgetc();
    if (c == '+' || c == '-') {
      text += static_cast<char>(buf.sbumpc());
      c = buf.sgetc();
    }
    long long result = 0;
    bool tooBig = false;
    bool hasDigits = false;
    while (c != EOF && c >= '0' && c <= '9') {
      if (tooBig && text.size() > static_cast<size_t>(LEVEL_EXCERPT_MAX)) {
        more = true;
        break;
      }
      buf.sbumpc();
      hasDigits = true;
      if (text.size() <= static_cast<size_t>(LEVEL_EXCERPT_MAX)) text += static_cast<char>(c);
      result = result * 10 + (c - '0');
      if (result > static_cast<long long>(INT_MAX) + 1) tooBig = true, result = INT_MAX;
      c = buf.sgetc();
    }
    if (!hasDigits) {
      std::ostringstream out;
      out << "line " << startLine << ": expected " << itemName(what) << ", found ";
      if (c == EOF && text.empty()) out << "the end of the file";
      else if (c == EOF) out << "'" << levelExcerpt(text) << "'";
      else out << "'" << levelExcerpt(text + static_cast<char>(c)) << "'";
      error = out.str();
      return false;
    }
    bool negative = text[0] == '-';
    if (tooBig || (!negative && result > INT_MAX)) {
      error = "line " + std::to_string(startLine) + ": " + itemName(what) + " " +
              levelExcerpt(text, more) + " is out of range";
      return false;
    }
    value = static_cast<int>(negative ? -result : result);
    return true;
  }

  // Any one character that is not white space; it is thrown away.
  template <typename What>
  bool separator(const What& after, std::string& error) {
    int itemLine = line;
    skipSpace();
    int c = buf.sbumpc();
    if (c == EOF) {
      error = "line " + std::to_string(itemLine) + ": expected a separator after " +
              itemName(after) + ", found the end of the file";
      return false;
    }
    // A digit from the next line is taken as the separator: the item's line
    // most likely lacks its last one, which a later error is blamed on.
    if (line > itemLine && c >= '0' && c <= '9' && digitTakenLine == 0) {
      digitTakenLine = itemLine;
      digitTaken = static_cast<char>(c);
    }
    return true;
  }

  // The error told as a missing separator at the end of a line, when a
  // digit was taken for one; else left as it is.
  bool blameMissingSeparator(std::string& error) const {
    if (digitTakenLine > 0)
      error = "line " + std::to_string(digitTakenLine) +
              ": the line ends without a separator after its last code, so the '" +
              std::string(1, digitTaken) + "' starting line " +
              std::to_string(digitTakenLine + 1) + " was taken for it";
    return false;
  }

 private:
  void skipSpace() {
    int c = buf.sgetc();
    while (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
      if (buf.sbumpc() == '\n') line++;
      c = buf.sgetc();
    }
  }

  std::streambuf& buf;
  int line;
  int digitTakenLine = 0;
  char digitTaken = 0;
};

bool fail(std::string& error, int line, const std::string& what) {
  error = "line " + std::to_string(line) + ": " + what;
  return false;
}

bool inRange(int value, int low, int high) { return value >= low && value <= high; }

}  // namespace

std::string levelExcerpt(const std::string& text, bool more) {
  std::string out;
  size_t used = 0;
  for (; used < text.size(); used++) {
    unsigned char c = static_cast<unsigned char>(text[used]);
    std::string shown(1, static_cast<char>(c));
    if (c == '\\') {
      shown = "\\\\";
    } else if (c < 0x20 || c >= 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      shown = hex;
    }
    if (out.size() + shown.size() > static_cast<size_t>(LEVEL_EXCERPT_MAX)) break;
    out += shown;
  }
  if (used < text.size() || more) out += "\u2026";
  return out;
}

namespace {

bool parseLevel(std::istream& in, LevelFile& level, std::string& error) {
  std::streambuf* buf = in.rdbuf();
  if (!buf || buf->sgetc() == EOF) {
    error = "the level file is empty";
    return false;
  }
  LevelReader reader(*buf);
  if (!reader.name(level.name, error)) return false;

  if (!reader.number(level.cols, "the number of columns", error) ||
      !reader.separator("the number of columns", error) ||
      !reader.number(level.rows, "the number of rows", error))
    return false;
  int gridLine = level.sizeLine = reader.getLine();
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
  int tileLine = level.tileSizeLine = reader.getLine();
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
  level.fallSpeedLine = reader.getLine();
  if (!inRange(level.fallSpeed, 0, LEVEL_MAX_FALL_SPEED))
    return fail(error, reader.getLine(), "the fall speed " + std::to_string(level.fallSpeed) +
                                             " is not within 0 to " +
                                             std::to_string(LEVEL_MAX_FALL_SPEED));
  if (!reader.number(level.timeLimit, "the time limit", error)) return false;
  level.timeLimitLine = reader.getLine();
  if (!inRange(level.timeLimit, -LEVEL_MAX_TIME, LEVEL_MAX_TIME))
    return fail(error, reader.getLine(), "the time limit " + std::to_string(level.timeLimit) +
                                             " is out of range");

  int& platformCount = level.platformCount;
  if (!reader.number(platformCount, "the number of platforms", error)) return false;
  level.platformCountLine = reader.getLine();
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
    auto item = [k, cells, &level] {
      return "tile record " + std::to_string(k + 1) + " of " + std::to_string(cells) +
             " (column " + std::to_string(k % level.cols) + ", row " +
             std::to_string(k / level.cols) + ")";
    };
    if (!reader.number(level.codes[k], item, error)) return reader.blameMissingSeparator(error);
    level.codeLines[k] = reader.getLine();
    if (!reader.separator(item, error)) return reader.blameMissingSeparator(error);
  }
  return true;
}

}  // namespace

bool parseLevelFile(std::istream& in, LevelFile& level, std::string& error) {
  // The buffer is read directly, so a read error (a directory, a failing
  // disk) comes as an exception rather than as the stream's state.
  try {
    return parseLevel(in, level, error);
  } catch (const std::ios_base::failure&) {
    error = "the level file cannot be read";
    return false;
  }
}

bool readLevelFile(const std::string& path, std::istream& in, LevelFile& level,
                   std::string& error) {
  std::error_code code;
  if (std::filesystem::is_directory(path, code)) {
    error = path + ": is a directory, not a level file";
    return false;
  }
  if (!in) {
    error = path + ": cannot open the level file";
    return false;
  }
  std::string problem;
  if (!parseLevelFile(in, level, problem)) {
    error = path + ": " + problem;
    return false;
  }
  return true;
}
