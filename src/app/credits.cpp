// Credits screen.
#include "app/credits.h"

#include <allegro.h>

#include "actors/enemy.h"
#include "app/game_state.h"
#include "app/keys.h"
#include "app/screens.h"
#include "render/renderer.h"

const CreditsLine CREDITS_LINES[CREDITS_LINE_COUNT] = {
    {0, "CREDITS"},
    {100, "Main Programming"},
    {20, "---------------"},
    {20, "The Brindlecove team"},
    {100, "Graphics"},
    {20, "------------"},
    {20, "The Brindlecove asset generator"},
    {20, "The Brindlecove team"},
    {20, "Various from the internet"},
    {100, "Sound"},
    {20, "------------"},
    {20, "The Internet :)"},
    {100, "Beta Testing"},
    {20, "------------"},
    {20, "The unit tests"},
    {20, "The end-to-end tests"},
    {20, "The sanitizers"},
    {20, "The level checker"},
    {20, "Every player who reports a bug"},
    {20, "The Brindlecove team"},
    {100, "Special thanks"},
    {20, "------------"},
    {20, "Everyone who likes this game ;)"},
    {20, "Allegro"},
    {100, "If you have any questions"},
    {20, "or suggestions, "},
    {20, "feel free to mail me at:"},
    {40, "the project's issue tracker"},
    {200, "See ya!"},
};

int creditsLinePosition(int line) {
  int position = 0;
  for (int i = 0; i <= line; i++) position += CREDITS_LINES[i].gap;
  return position;
}

bool creditsLineShown(int y) { return y > CREDITS_BAND_TOP && y < CREDITS_BAND_BOTTOM; }

int nextCreditsScroll(int scroll) {
  scroll -= 2;
  return scroll < CREDITS_END_SCROLL ? CREDITS_START_SCROLL : scroll;
}

void showCredits() {
  // the Enter that chose Credits must not end the screen at once
  markReleased(KEY_ENTER);
  int scroll = CREDITS_START_SCROLL;
  runScreenLoop(
      SCREEN_CREDITS,
      [&] {
        clear_to_color(backBuffer, COLOUR_SKY);
        drawBackgrounds();
        // Only a line's top is tested: one at 338 reaches below the band, as designed.
        for (int i = 0; i < CREDITS_LINE_COUNT; i++) {
          int y = scroll + creditsLinePosition(i);
          if (creditsLineShown(y))
            textout_ex(backBuffer, mainFont, CREDITS_LINES[i].text, 300, y, COLOUR_WHITE, -1);
        }
        textout_ex(backBuffer, mainFont, "Press <enter> for the main menu", 230, 450,
                   COLOUR_MESSAGE, -1);
        scroll = nextCreditsScroll(scroll);
        // the backdrop's enemies walk, and its tiles are drawn over the lines
        enemyList->updateAll();
        drawEnemies();
        drawTiles();
      },
      [] { return keyDown(KEY_ENTER); });
}

void runCredits() {
  showCredits();
  runMenu();
}
