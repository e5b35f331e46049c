// Name entry: "Congratulations!!", the typed name, Enter to store it.
#include "scores/name_entry.h"

#include <allegro.h>

#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "app/keys.h"
#include "input/tick_input.h"
#include "render/renderer.h"
#include "scores/high_score_table.h"

bool applyNameKey(char* name, int& count, int character, bool backspaceHeld) {
  if (backspaceHeld) {
    if (count == 0) return false;
    name[--count] = '\0';
    return true;
  }
  // keys without a printable character (arrows, Escape, Enter) are ignored
  if (character < 32 || character > 126 || count >= NAME_ENTRY_MAX) return false;
  if (count == 0 && character >= '0' && character <= '9') return false;
  name[count++] = static_cast<char>(character);
  name[count] = '\0';
  return true;
}

void runNameEntry() {
  stopMusic();
  // the Enter that ended the game must not end the entry at once
  markReleased(KEY_ENTER);
  Screen previous = activeScreen;
  activeScreen = SCREEN_NAME_ENTRY;
  char name[NAME_ENTRY_MAX + 1] = {0};
  int count = 0;
  // a key of value 0 lets the first pass draw the screen without waiting
  simulate_keypress(0);
  do {
    // Wait for the key before taking the screen: under X11 the held screen
    // lock would keep the key from ever arriving.
    bool backspace = false;
    int pressed = inputNameKey(backspace);
    applyNameKey(name, count, pressed, backspace);
    acquire_screen();
    clear_to_color(backBuffer, COLOUR_SKY);
    drawBackgrounds();
    textout_ex(backBuffer, mainFont, "Congratulations!! You've got a HIGH SCORE!", 150, 150,
               COLOUR_MESSAGE, -1);
    textout_ex(backBuffer, mainFont, "Please enter your name", 300, 250, COLOUR_MESSAGE, -1);
    // the characters stand 15 pixels apart whatever their width
    for (int k = 0; k < count; k++)
      textprintf_ex(backBuffer, mainFont, 300 + 15 * k, 350, COLOUR_MESSAGE, -1, "%c", name[k]);
    showBackBuffer();
    release_screen();
    // keys typed while this pass was drawn are dropped
    inputClearBuffer();
  } while (!keyDown(KEY_ENTER));
  highScores->insert(player->getPoints(), name);
  // the ticks that piled up while the player typed are dropped
  tickCounter = 0;
  activeScreen = previous;
}
