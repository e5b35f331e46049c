// World update: enemies, bullets, platforms, then the player and the view,
// then the outcome (lost life, end of the clock, end of the game).
#include "actors/world.h"

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/game_state.h"
#include "level/level_sequence.h"
#include "level/tile_map.h"
#include "render/camera.h"

void updateWorld() {
  // the exit was reached last tick: on to the next level, nothing else moves
  if (currentMap->isFinished()) {
    advanceLevel();
    return;
  }
  enemyList->updateAll();
  enemyList->checkPlayerContact();
  bulletList->moveAll();
  bulletList->checkHits();
  platformList->moveAll();

  // One branch of three, chosen once: a player killed by his own step still
  // finishes it (and can still collect pickups and touch the exit); he is
  // found dead in the next tick.
  bool alive = player->isAlive();
  if (alive && timeLeft > 0) {
    player->animate();
    // the timer thread may lower the clock at the same moment
    timeLeft.fetch_add(player->takeBonusTime());
    int x = player->getX();
    int width = player->getWidth();
    int speedX = player->getSpeedX();
    // the step must keep the player strictly inside the left and right borders
    if (speedX + x > 0 && speedX + x + width < currentMap->getWidthPixels())
      player->moveHorizontally();
    x = player->getX();
    width = player->getWidth();
    if (x - scrollX > 0 && x + width < width + scrollX + SCREEN_W_PIXELS) scrollHorizontally();
    player->moveVertically();
    int y = player->getY();
    int height = player->getHeight();
    if (y - scrollY > 0 && y + height < scrollY - height + SCREEN_H_PIXELS) scrollVertically();
    player->setSpeedX(0);
  } else if (alive) {
    // the clock ran out
    if (player->getLives() > 0) player->loseLife();
  } else {
    playSuspended = true;
    if (player->getLives() <= 0) gameOver = true;
  }
  platformList->findPlatformUnderPlayer();
}
