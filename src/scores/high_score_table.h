// High score table: the ten best scores with their names, best first, kept
// in one file ("./data/game.hs" in the run folder, or the player's own, see
// platform/paths.h). Each entry is written as the score's digits, the name
// and then a line feed and a carriage return, with nothing in between.
#ifndef BRINDLECOVE_HIGH_SCORE_TABLE_H
#define BRINDLECOVE_HIGH_SCORE_TABLE_H

#include <string>
#include <vector>

struct BITMAP;

const int HIGH_SCORE_PLACES = 10;
const int HIGH_SCORE_NAME_MAX = 29;  // characters read back per name
// Bytes the reader takes from the file at most (a table of up to 97 places
// fits; a bigger one raises it to 42 bytes a place). Anything past it is
// reported as damage and kept in the backup, never read.
const int HIGH_SCORE_READ_BUDGET = 4096;
extern const char* const HIGH_SCORE_FILE;

class HighScoreTable {
 public:
  // Reads at most the read budget of the file, at once. Each unreadable
  // entry (no score, a score outside int, a name over 29 characters or with
  // a NUL, an entry cut short, bytes past the budget) is reported on stderr
  // as "brindlecove: FILE:LINE: ..." and the reading goes on after the next
  // line feed, so every readable entry is kept. Entries out of order are
  // sorted best first (said on stderr). Places left over get score 0 and an
  // empty name. A capacity below 1 counts as 1.
  //
  // A table kept per player passes `seedFile`, the shipped table: while
  // FILE does not exist the seed is read in its place (its faults reported
  // under its own name, nothing of it backed up or changed), and a save
  // first makes FILE's missing folders (mode 0700).
  explicit HighScoreTable(int capacity, const std::string& fileName = HIGH_SCORE_FILE,
                          const std::string& seedFile = "");

  // Strictly better than the lowest entry; an equal score does not enter.
  bool qualifies(int score) const;
  // Places the entry above every entry with an equal or lower score (the
  // lowest drops out), then saves. Only for a score that qualifies. The
  // name keeps at most 29 characters; line feeds and carriage returns in it
  // become blanks, since they would split the entry in the file.
  void insert(int score, const char* name);
  // Writes the whole table to FILE.new, syncs it, renames it over FILE and
  // syncs the folder, so a failure or a kill at any point leaves the old file
  // whole. If the file read at start-up was damaged, the first save copies it
  // to FILE.bak beforehand and gives up if that fails. Returns false (after
  // a message on stderr naming FILE) when it could not; the table in memory
  // is kept either way.
  bool save();
  // Why the last save failed, in a few words ("Permission denied"); empty
  // before any save and after a successful one.
  const std::string& saveProblem() const { return problem; }
  // The rows at y 10, 40, ... and the prompt, for the high score screen;
  // after a failed save one more line at (230, 480) says why.
  void draw(BITMAP* target) const;

  int getCapacity() const { return capacity; }
  int getScore(int i) const { return scores[i]; }
  const std::string& getName(int i) const { return names[i]; }

 private:
  // Reads `path`; false (nothing read or reported) when it does not exist.
  bool read(const std::string& path);
  bool keepBackup();
  bool writeAndReplace();

  int capacity;
  std::string fileName;
  std::string seedFile;  // read while fileName is absent; "" for none
  std::vector<int> scores;
  std::vector<std::string> names;
  bool damaged;       // the file had parts the reader could not keep
  bool backedUp;      // FILE.bak already holds the damaged file
  std::string problem;  // see saveProblem()
};

#endif
