// Finding marks: reading the places out of the check's messages, which
// name cells as "column C, row R" and platforms by their 1-based number.
#include "finding_marks.h"

#include <algorithm>
#include <cstdio>

#include "level/level_file.h"
#include "actors/player.h"

std::vector<MarkBox> findingMarks(const std::string& message, const LevelFile& level,
                                  const MarkSizes& sizes) {
  std::vector<MarkBox> marks;
  for (size_t at = message.find("column "); at != std::string::npos;
       at = message.find("column ", at + 1)) {
    int col = 0, row = 0;
    if (std::sscanf(message.c_str() + at, "column %d, row %d", &col, &row) == 2)
      marks.push_back({col * level.tileWidth, row * level.tileHeight, level.tileWidth,
                       level.tileHeight});
  }
  int number = 0;
  if (std::sscanf(message.c_str(), "platform %d ", &number) == 1 && number >= 1 &&
      number <= static_cast<int>(level.platforms.size())) {
    const PlatformRecord& p = level.platforms[number - 1];
    // the file's range: xMax counts for a sideways mover, yMax for the others
    bool sideways = p.y == p.yMax;
    int left = sideways ? std::min(p.x, p.xMax) : p.x;
    int right = sideways ? std::max(p.x, p.xMax) : p.x;
    int top = sideways ? p.y : std::min(p.y, p.yMax);
    int bottom = sideways ? p.y : std::max(p.y, p.yMax);
    marks.push_back({left, top, right - left + sizes.platformW, bottom - top + sizes.platformH});
  }
  if (message.compare(0, 10, "the start ") == 0)
    marks.push_back({PLAYER_START_X, PLAYER_START_Y, sizes.playerW, sizes.playerH});
  return marks;
}

void FindingCursor::reset(size_t count) {
  total = count;
  if (at >= total) at = 0;
}

void FindingCursor::next() {
  if (total > 0) at = (at + 1) % total;
}

void FindingCursor::previous() {
  if (total > 0) at = (at + total - 1) % total;
}

std::string FindingCursor::label(const std::string& message) const {
  if (total <= 1) return message;
  return std::to_string(at + 1) + "/" + std::to_string(total) + ": " + message;
}
