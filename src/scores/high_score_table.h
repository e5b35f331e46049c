// High score table: the ten best scores and their names.
// For now the table lives in memory only, starts empty and takes no new
// entries; reading and saving the file come with the high score table.
#ifndef BRINDLECOVE_HIGH_SCORE_TABLE_H
#define BRINDLECOVE_HIGH_SCORE_TABLE_H

#include <string>
#include <vector>

struct BITMAP;

const int HIGH_SCORE_PLACES = 10;

class HighScoreTable {
 public:
  explicit HighScoreTable(int capacity);

  // Whether a score would enter the table.
  bool qualifies(int score) const;
  // The rows and the prompt of the high score screen.
  void draw(BITMAP* target) const;

  int getCapacity() const { return capacity; }
  int getScore(int i) const { return scores[i]; }
  const std::string& getName(int i) const { return names[i]; }

 private:
  int capacity;
  std::vector<int> scores;
  std::vector<std::string> names;
};

#endif
