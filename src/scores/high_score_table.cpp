// High score table: reading, ranking, saving and drawing.
#include "scores/high_score_table.h"

#include <allegro.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "app/game_state.h"
#include "render/renderer.h"

const char* const HIGH_SCORE_FILE = "./data/game.hs";

namespace {

// A signed decimal score after optional white space; false when there is
// none or it does not fit an int.
bool readScore(std::istream& in, int& score) {
  in >> std::ws;
  int c = in.peek();
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    in.get();
    c = in.peek();
  }
  long long value = 0;
  int digits = 0;
  while (c != EOF && c >= '0' && c <= '9') {
    value = value * 10 + (in.get() - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return false;
    digits++;
    c = in.peek();
  }
  if (digits == 0) return false;
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return false;
  score = static_cast<int>(value);
  return true;
}

}  // namespace

HighScoreTable::HighScoreTable(int capacity, const std::string& fileName)
    : capacity(capacity), fileName(fileName), scores(capacity, 0), names(capacity) {
  read();
}

void HighScoreTable::read() {
  std::ifstream in(fileName.c_str(), std::ios::binary);
  if (!in) return;
  for (int i = 0; i < capacity; i++) {
    if (in.peek() == EOF) return;
    if (!readScore(in, scores[i])) {
      scores[i] = 0;
      return;  // the rest of the file cannot be trusted
    }
    // The rest of the line is the name; a damaged over-long line keeps its
    // first characters and the reading goes on with the next line.
    std::string name;
    int c;
    while ((c = in.get()) != EOF && c != '\n')
      if (name.size() < static_cast<size_t>(HIGH_SCORE_NAME_MAX)) name += static_cast<char>(c);
    names[i] = name.c_str();  // up to a stray NUL
    if (c == EOF) return;
  }
}

bool HighScoreTable::qualifies(int score) const { return score > scores[capacity - 1]; }

void HighScoreTable::insert(int score, const char* name) {
  bool stored = false;
  for (int i = capacity - 1; i >= 0; i--) {
    if (score < scores[i]) {
      // below the lowest entry there is no room: such a score never qualifies
      if (i + 1 < capacity) {
        scores[i + 1] = score;
        names[i + 1] = name;
      }
      stored = true;
      break;
    }
    // the lowest entry is not moved down: it drops out
    if (i + 1 < capacity) {
      scores[i + 1] = scores[i];
      names[i + 1] = names[i];
    }
  }
  if (!stored) {
    scores[0] = score;
    names[0] = name;
  }
  save();
}

bool HighScoreTable::save() const {
  std::string temporary = fileName + ".new";
  std::FILE* out = std::fopen(temporary.c_str(), "wb");
  bool ok = out != NULL;
  for (int i = 0; ok && i < capacity; i++)
    ok = std::fprintf(out, "%d%s\n\r", scores[i], names[i].c_str()) >= 0;
  if (out != NULL) {
    ok = std::fflush(out) == 0 && ok;
    ok = std::fclose(out) == 0 && ok;
  }
  if (ok) ok = std::rename(temporary.c_str(), fileName.c_str()) == 0;
  if (!ok) {
    std::fprintf(stderr, "brindlecove: cannot save the high scores to %s (%s); %s is unchanged\n",
                 temporary.c_str(), std::strerror(errno), fileName.c_str());
    std::remove(temporary.c_str());
  }
  return ok;
}

void HighScoreTable::draw(BITMAP* target) const {
  for (int i = 0; i < capacity; i++) {
    int y = 10 + 30 * i;
    textprintf_ex(target, mainFont, 300, y, COLOUR_MESSAGE, -1, "%i. %s", i + 1, names[i].c_str());
    textprintf_ex(target, mainFont, 500, y, COLOUR_MESSAGE, -1, "%i", scores[i]);
  }
  textout_ex(target, mainFont, "Press <enter> for the main menu", 230, 450, COLOUR_MESSAGE, -1);
}
