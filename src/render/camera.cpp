// The view that follows the player.
#include "render/camera.h"

#include "actors/player.h"
#include "app/game_state.h"
#include "level/tile_map.h"

namespace {
const int DEAD_ZONE_LEFT = 200;
const int DEAD_ZONE_RIGHT = 600;
const int DEAD_ZONE_TOP = 200;
const int DEAD_ZONE_BOTTOM = 400;
}  // namespace

void scrollHorizontally() {
  int v = player->getSpeedX();
  if (scrollX + v <= 0 || scrollX + v >= currentMap->getWidthPixels() - SCREEN_W_PIXELS) return;
  if (v > 0) {
    if (player->getRight() - scrollX > DEAD_ZONE_RIGHT) scrollX += v;
  } else {
    if (player->getX() - scrollX < DEAD_ZONE_LEFT) scrollX += v;
  }
}

void scrollVertically() {
  int v = player->getPlatformSpeedY();
  if (!player->isOnPlatform() || v == 0) v = currentMap->getFallSpeed() + player->getSpeedY();
  if (scrollY + v <= 0 || scrollY + v >= currentMap->getHeightPixels() - SCREEN_H_PIXELS) return;
  if (player->getBottom() - scrollY > DEAD_ZONE_BOTTOM && v > 0) scrollY += v;
  else if (player->getY() - scrollY < DEAD_ZONE_TOP && v < 0) scrollY += v;
}
