// Keyboard controls of the main loop.
#include "app/input.h"

#include <allegro.h>

#include "actors/player.h"
#include "app/game_state.h"
#include "app/screens.h"
#include "level/level_sequence.h"
#include "scores/high_score_table.h"
#include "scores/name_entry.h"

void handleInput() {
  if (!playSuspended) {
    if (key[KEY_LEFT]) player->setSpeedX(-PLAYER_WALK_SPEED);
    // with both arrows held the player goes right
    if (key[KEY_RIGHT]) player->setSpeedX(PLAYER_WALK_SPEED);
    if (key[KEY_UP] && (player->isOnGround() || player->isOnPlatform())) player->jump();
    // a shot needs a press (or auto-repeat) since the last tick
    if (key[KEY_SPACE] && keypressed()) player->fire();
  }
  if (key[KEY_ESC]) runMenu();
  if (key[KEY_ENTER]) {
    if (playSuspended) {
      playSuspended = false;
      if (gameOver) {
        gameOver = false;
        int points = player->getPoints();
        if (highScores->qualifies(points)) runNameEntry();
        runHighScoreScreen();
      } else if (!player->isAlive()) {
        // restarted, but frozen until Enter is seen on a later tick
        startLevel();
      }
    }
    newLevel = false;
  }
  clear_keybuf();
}
