// High score table: in memory, drawn on the high score screen.
#include "scores/high_score_table.h"

#include <allegro.h>

#include "app/game_state.h"
#include "render/renderer.h"

HighScoreTable::HighScoreTable(int capacity)
    : capacity(capacity), scores(capacity, 0), names(capacity) {}

bool HighScoreTable::qualifies(int) const { return false; }

void HighScoreTable::draw(BITMAP* target) const {
  for (int i = 0; i < capacity; i++) {
    int y = 10 + 30 * i;
    textprintf_ex(target, mainFont, 300, y, COLOUR_MESSAGE, -1, "%i. %s", i + 1, names[i].c_str());
    textprintf_ex(target, mainFont, 500, y, COLOUR_MESSAGE, -1, "%i", scores[i]);
  }
  textout_ex(target, mainFont, "Press <enter> for the main menu", 230, 450, COLOUR_MESSAGE, -1);
}
