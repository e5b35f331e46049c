// High score table: the ten best scores with their names, best first, kept
// in "./data/game.hs". Each entry is written as the score's digits, the name
// and then a line feed and a carriage return, with nothing in between.
#ifndef BRINDLECOVE_HIGH_SCORE_TABLE_H
#define BRINDLECOVE_HIGH_SCORE_TABLE_H

#include <string>
#include <vector>

struct BITMAP;

const int HIGH_SCORE_PLACES = 10;
const int HIGH_SCORE_NAME_MAX = 29;  // characters read back per name
extern const char* const HIGH_SCORE_FILE;

class HighScoreTable {
 public:
  // Reads the file at once. Entries missing from it, cut short or
  // unreadable get score 0 and an empty name; nothing read can overflow.
  explicit HighScoreTable(int capacity, const std::string& fileName = HIGH_SCORE_FILE);

  // Strictly better than the lowest entry; an equal score does not enter.
  bool qualifies(int score) const;
  // Places the entry above every entry with an equal or lower score (the
  // lowest drops out), then saves. Only for a score that qualifies.
  void insert(int score, const char* name);
  // Writes the whole table to a temporary file beside the real one and
  // renames it over it, so a failure at any point leaves the old file
  // whole. Returns false (after a message on stderr) when it could not.
  bool save() const;
  // The rows at y 10, 40, ... and the prompt, for the high score screen.
  void draw(BITMAP* target) const;

  int getCapacity() const { return capacity; }
  int getScore(int i) const { return scores[i]; }
  const std::string& getName(int i) const { return names[i]; }

 private:
  void read();

  int capacity;
  std::string fileName;
  std::vector<int> scores;
  std::vector<std::string> names;
};

#endif
