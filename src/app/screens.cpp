// Blocking screens: the main menu and the high score screen.
#include "app/screens.h"

#include <allegro.h>

#include "actors/enemy.h"
#include "actors/player.h"
#include "app/comforts.h"
#include "app/credits.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "app/keys.h"
#include "app/startup.h"
#include "input/tick_input.h"
#include "level/level_sequence.h"
#include "level/tile_map.h"
#include "platform/paths.h"
#include "render/renderer.h"
#include "scores/high_score_table.h"

namespace {

// in the data folder: "./data/menu.dat" when the game runs in its run folder
const char* const MENU_FILE = "data/menu.dat";
const char* const MENU_ITEMS[] = {"Play game!", "Credits", "High Score", "Exit"};
const int MENU_ITEM_COUNT = 4;

// Shows the menu until a choice is made and returns it.
int chooseFromMenu() {
  stopMusic();
  TileMap* backdrop = new TileMap(dataPath(MENU_FILE));
  delete currentMap;
  currentMap = backdrop;
  currentMap->load();
  scrollX = 0;
  scrollY = 0;
  // the Escape that opened the menu and the Enter that left the last screen
  // must not act here: a new press is needed
  inputClearBuffer();
  markReleased(KEY_ESC);
  markReleased(KEY_ENTER);
  int selected = MENU_PLAY;
  int choice = 0;
  runScreenLoop(SCREEN_MENU, [&] { drawMenuFrame(selected, choice); }, [&] { return choice != 0; });
  return selected;
}

void startNewGame() {
  quitRequested = 0;
  player->setLives(PLAYER_START_LIVES);
  player->setPoints(0);
  player->setBullets(0);
  // An arrow held on the tick that opened the menu must not walk the new
  // game's player on its first tick of play.
  player->setSpeedX(0);
  levelNumber = 0;
  gameOver = false;
  advanceLevel();
  // The Enter that chose Play game! is still held; without this it would
  // also dismiss the level intro on the next tick.
  markReleased(KEY_ENTER);
}

}  // namespace

void runScreenLoop(Screen screen, const std::function<void()>& drawScreen,
                   const std::function<bool()>& done) {
  Screen previous = activeScreen;
  activeScreen = screen;
  while (!done()) {
    while (tickCounter > 0 && !done()) {
      tickCounter--;
      // input for this tick, read by the screen's keys below
      beginInputTick();
      if (inputMutePressed()) toggleMute();
      acquire_screen();
      drawScreen();
      showBackBuffer();
      release_screen();
    }
    if (!done()) waitForTick();
  }
  activeScreen = previous;
}

void drawMenuFrame(int& selected, int& choice) {
  clear_to_color(backBuffer, COLOUR_SKY);
  drawBackgrounds();
  // keys: Up and Down move once per press, Escape chooses Exit
  if (inputHeld(KEY_DOWN) && selected < MENU_ITEM_COUNT) {
    selected++;
    inputTake(KEY_DOWN);
    playSound(SND_MENU_MOVE);
  }
  if (inputHeld(KEY_UP) && selected > 1) {
    selected--;
    inputTake(KEY_UP);
    playSound(SND_MENU_MOVE);
  }
  if (keyDown(KEY_ENTER)) {
    choice = selected;
    playSound(SND_MENU_CHOOSE);
  }
  if (keyDown(KEY_ESC)) {
    selected = MENU_EXIT;
    choice = MENU_EXIT;
  }
  draw_sprite(backBuffer, graphic(GFX_TITLE), 200, 10);
  for (int i = 0; i < MENU_ITEM_COUNT; i++)
    textout_ex(backBuffer, mainFont, MENU_ITEMS[i], 350, 150 + 30 * i, COLOUR_MESSAGE, -1);
  draw_sprite(backBuffer, graphic(GFX_POINTS_FIRST), 310, 30 * (selected + 4));
  // the backdrop's enemies walk; its tiles are drawn over the title and items
  enemyList->updateAll();
  drawEnemies();
  drawTiles();
  textout_ex(backBuffer, noticeFont, "(c) 2026 The Brindlecove developers", 250, 500,
             COLOUR_NOTICE, -1);
  textout_ex(backBuffer, noticeFont, "Contact: our issue tracker", 330, 520, COLOUR_NOTICE, -1);
  textout_ex(backBuffer, noticeFont, "Artwork made by our own asset generator", 230, 540,
             COLOUR_NOTICE, -1);
  textout_ex(backBuffer, noticeFont, "Art notes: assets/README.md", 340, 560, COLOUR_NOTICE, -1);
}

void runMenu() {
  for (;;) {
    int choice = chooseFromMenu();
    // The Enter that made the choice is still held: it must not act again in
    // whatever runs next, least of all in the keyboard handler the menu
    // returns to.
    markReleased(KEY_ENTER);
    switch (choice) {
      case MENU_PLAY:
        startNewGame();
        return;
      case MENU_CREDITS:
        showCredits();
        break;
      case MENU_HIGH_SCORE:
        showHighScores();
        break;
      default:
        quitRequested = 1;
        return;
    }
  }
}

void showHighScores() {
  stopMusic();
  markReleased(KEY_ENTER);
  runScreenLoop(
      SCREEN_HIGH_SCORES,
      [] {
        clear_to_color(backBuffer, COLOUR_SKY);
        drawBackgrounds();
        enemyList->updateAll();
        drawEnemies();
        drawTiles();
        highScores->draw(backBuffer);
      },
      [] { return keyDown(KEY_ENTER); });
}

void runHighScoreScreen() {
  showHighScores();
  runMenu();
}
