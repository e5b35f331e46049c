// Finding marks: where on the map each finding of the level tool's check
// points, and which finding the status bar shows. No screen needed.
#ifndef BRINDLECOVE_FINDING_MARKS_H
#define BRINDLECOVE_FINDING_MARKS_H

#include <cstddef>
#include <string>
#include <vector>

struct LevelFile;

// A box on the map, in level pixels.
struct MarkBox {
  int x, y, w, h;
  bool operator==(const MarkBox& other) const {
    return x == other.x && y == other.y && w == other.w && h == other.h;
  }
};

// The sizes the marks are drawn with: the platform's and the player's
// pictures.
struct MarkSizes {
  int platformW = 64, platformH = 16;
  int playerW = 24, playerH = 30;
};

// What a finding's message points at: every cell it names ("column C,
// row R"), the whole range of the platform it names ("platform N ..."),
// and the player's start box when it is about the start. None for a
// finding about the whole file (no exit, the clock, the sizes).
std::vector<MarkBox> findingMarks(const std::string& message, const LevelFile& level,
                                  const MarkSizes& sizes);

// Which of the findings the status bar shows. Stepping wraps round; a new
// check keeps the place when there are still that many findings.
class FindingCursor {
 public:
  void reset(size_t count);
  void next();
  void previous();
  size_t index() const { return at; }
  size_t count() const { return total; }
  // "2/3: what", or "what" alone when there is one.
  std::string label(const std::string& message) const;

 private:
  size_t at = 0, total = 0;
};

#endif
