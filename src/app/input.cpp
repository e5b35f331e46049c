// Keyboard controls of the main loop.
#include "app/input.h"

#include <allegro.h>

#include "actors/player.h"
#include "app/comforts.h"
#include "app/game_state.h"
#include "app/keys.h"
#include "app/screens.h"
#include "input/tick_input.h"
#include "level/level_sequence.h"
#include "scores/high_score_table.h"
#include "scores/name_entry.h"

void applyPlayKeys(bool left, bool right, bool up, bool fire) {
  if (left) player->setSpeedX(-PLAYER_WALK_SPEED);
  // with both arrows held the player goes right
  if (right) player->setSpeedX(PLAYER_WALK_SPEED);
  if (up && (player->isOnGround() || player->isOnPlatform())) player->jump();
  if (fire) player->fire();
}

void handleInput() {
  // the mute key at any time; the pause key only in play
  if (inputMutePressed()) toggleMute();
  if (inputPausePressed() && !playSuspended) togglePause();
  // a shot needs Space held and a press (or auto-repeat) since the last tick
  if (!playSuspended && !gamePaused)
    applyPlayKeys(inputHeld(KEY_LEFT), inputHeld(KEY_RIGHT), inputHeld(KEY_UP),
                  inputHeld(KEY_SPACE) && inputKeyPressed());
  if (keyDown(KEY_ESC)) {
    runMenu();
    // the game paused is over: a new one is set up, or the program ends
    forgetPause();
  }
  if (keyDown(KEY_ENTER)) {
    // Cleared before the screens below: a new game started from the menu
    // they end in must keep its level 1 welcome.
    newLevel = false;
    if (playSuspended) {
      playSuspended = false;
      if (gameOver) {
        gameOver = false;
        int points = player->getPoints();
        if (inputScoreQualifies(highScores->qualifies(points))) runNameEntry();
        runHighScoreScreen();
      } else if (!player->isAlive()) {
        // restarted, but frozen until Enter is seen on a later tick
        startLevel();
      }
    }
  }
  inputClearBuffer();
}
