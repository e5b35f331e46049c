// Credits screen. For now a still page; the scrolling credits come later.
#include "app/credits.h"

#include <allegro.h>

#include "actors/enemy.h"
#include "app/game_state.h"
#include "app/screens.h"
#include "render/renderer.h"

void showCredits() {
  // the Enter that chose Credits must not end the screen at once
  key[KEY_ENTER] = 0;
  runScreenLoop(
      [] {
        clear_to_color(backBuffer, COLOUR_SKY);
        drawBackgrounds();
        textout_ex(backBuffer, mainFont, "CREDITS", 300, 100, COLOUR_WHITE, -1);
        textout_ex(backBuffer, mainFont, "Press <enter> for the main menu", 230, 450,
                   COLOUR_MESSAGE, -1);
        enemyList->updateAll();
        drawEnemies();
        drawTiles();
      },
      [] { return key[KEY_ENTER] != 0; });
}

void runCredits() {
  showCredits();
  runMenu();
}
