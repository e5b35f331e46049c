// Level file reader: the text format of a level, read and checked before
// anything of the map is built.
//
// Format: the name on the first line (at most 29 characters), then numbers
// separated by white space: cols SEP rows, tileWidth SEP tileHeight,
// fallSpeed, timeLimit, platformCount, platformCount records of
// x SEP y SEP xMax SEP yMax, and rows x cols tile records of code SEP.
// A separator is any one character that is not white space; after the first
// line the layout is free.
//
// The reader takes no more of a file than the format allows: an over-long
// name line or number is refused after a short look-ahead, so a huge or
// endless file costs no memory and ends at once. Runs of white space and of
// leading zeros are skipped without being kept.
#ifndef BRINDLECOVE_LEVEL_FILE_H
#define BRINDLECOVE_LEVEL_FILE_H

#include <iosfwd>
#include <string>
#include <vector>

// Limits that keep every pixel coordinate of a level far from overflow.
const int LEVEL_NAME_MAX = 29;             // characters of the name line
const int LEVEL_MAX_CELLS = 1 << 20;       // cols x rows
const int LEVEL_MAX_TILE_SIZE = 512;       // pixels, each side
const int LEVEL_MAX_PIXELS = 1 << 24;      // cols x tileWidth, rows x tileHeight
const int LEVEL_MAX_FALL_SPEED = 1000;     // pixels per tick
const int LEVEL_MAX_TIME = 1000000;        // seconds, either sign
const int LEVEL_MAX_PLATFORMS = 10000;
const int LEVEL_MAX_COORDINATE = 1 << 24;  // platform positions, either sign

// Characters of file text a message quotes at most.
const int LEVEL_EXCERPT_MAX = 40;

struct PlatformRecord {
  int x, y, xMax, yMax;
  int line;  // where the record starts in the file
};

struct LevelFile {
  std::string name;
  int cols = 0, rows = 0;
  int tileWidth = 0, tileHeight = 0;
  int fallSpeed = 0;
  int timeLimit = 0;
  // Where the header's items stand (0: not read). A read that fails keeps
  // those it got to, so a checker can still point at them.
  int sizeLine = 0, tileSizeLine = 0, fallSpeedLine = 0, timeLimitLine = 0;
  int platformCount = 0, platformCountLine = 0;
  std::vector<PlatformRecord> platforms;
  std::vector<int> codes;      // rows x cols, row by row from the top
  std::vector<int> codeLines;  // the line of each code
};

// Reads a whole level. On a malformed file returns false and leaves in
// `error` what is wrong, starting with "line N: " where the line is known.
// An empty stream is "the level file is empty".
bool parseLevelFile(std::istream& in, LevelFile& level, std::string& error);

// Reads the level from `in`, a stream opened on the file at `path` (failed
// when it did not open). The error starts with "PATH: "; a directory, a file
// that did not open and an empty file each say so.
bool readLevelFile(const std::string& path, std::istream& in, LevelFile& level,
                   std::string& error);

// File text as a message quotes it: at most LEVEL_EXCERPT_MAX characters,
// bytes outside printable ASCII as \xNN and a backslash doubled, then "…"
// when the text was cut or `more` says the file went on. No quotes added.
std::string levelExcerpt(const std::string& text, bool more = false);

#endif
