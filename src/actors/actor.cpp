// Actor: position, speeds, size from the sprite, and the tile-blind steps.
#include "actors/actor.h"

#include <allegro.h>

#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/game_state.h"
#include "level/tile_map.h"

Actor::Actor(int x, int y, int speedX, BITMAP* picture)
    : x(x),
      y(y),
      speedX(speedX),
      speedY(0),
      width(picture ? picture->w : 0),
      height(picture ? picture->h : 0),
      direction(1),  // facing right until the first move says otherwise
      onGround(false),
      dead(false),
      sprite(picture),
      lives(1),
      platform(0) {}

void Actor::setSprite(BITMAP* picture) {
  sprite = picture;
  width = picture ? picture->w : 0;
  height = picture ? picture->h : 0;
}

int Actor::getPlatformSpeedY() const { return platform ? platform->getVerticalSpeed() : 0; }

void Actor::moveX() {
  if (platform) speedX += platform->getSpeedX();
  x += speedX;
  if (speedX > 0) direction = 1;
  if (speedX < 0) direction = -1;
}

void Actor::applyGravity() {
  if (platform) {
    y = platform->getY() - height;
    return;
  }
  int fall = currentMap->getFallSpeed();
  if (speedY + fall < fall) speedY++;
  if (!onGround) y += speedY + fall;
  if (this == player && y > currentMap->getHeightPixels()) player->loseLife();
}
