// Player: physics against the tile map, tile effects, lives and firing.
#include "actors/player.h"

#include <allegro.h>

#include "actors/bullet.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "input/tick_input.h"
#include "level/tile_map.h"

Player::Player(int x, int y, int speedX, BITMAP* picture)
    : Actor(x, y, speedX, picture), animTicks(0), bullets(0), points(0), bonusTime(0) {
  lives = PLAYER_START_LIVES;
}

void Player::fire() {
  if (bullets > 0) {
    playSound(SND_SHOT);
    bullets--;
    bulletList->add(x, y + height / 2, direction);
  } else {
    playSound(SND_EMPTY_GUN);
  }
}

void Player::jump() {
  playSound(SND_JUMP);
  speedY = PLAYER_JUMP_SPEED;
  onGround = false;
  moveVertically();
}

void Player::loseLife() {
  if (isAlive() && lives > 0) {
    lives--;
    kill();
    // the last life lost is the game over: one sound for it, not two
    playSound(lives > 0 ? SND_LIFE_LOST : SND_GAME_OVER);
  }
}

void Player::animate() {
  animTicks++;
  if (!isOnGround() && !isOnPlatform()) {
    setSprite(graphic(GFX_PLAYER_AIR));
    return;
  }
  if (animTicks < PLAYER_WALK_PICTURE_TICKS) return;
  // the walking keys as the tick's input holds them (keyboard, pad or replay)
  if (inputHeld(KEY_LEFT) || inputHeld(KEY_RIGHT)) {
    animTicks = 0;
    setSprite(graphic(sprite == graphic(GFX_PLAYER_STAND) ? GFX_PLAYER_WALK : GFX_PLAYER_STAND));
  } else {
    setSprite(graphic(GFX_PLAYER_STAND));
  }
}

int Player::takeBonusTime() {
  int seconds = bonusTime;
  bonusTime = 0;
  return seconds;
}

void Player::moveHorizontally() {
  TileMap* map = currentMap;
  int tileW = map->getTileWidth();
  int tileH = map->getTileHeight();
  int mapW = map->getWidthPixels();
  int mapH = map->getHeightPixels();
  int v = map->getFallSpeed() + speedY;

  // The leading edge uses the direction of the previous step on purpose.
  int px = x + speedX + (direction > 0 ? width : 0);
  int py = y + v + (v > 0 ? height : 0);
  if (px < 0 || px >= mapW || py <= 0 || py >= mapH || y <= 0 || y >= mapH) {
    moveX();
    return;
  }
  for (int i = 0; i < 3; i++) {
    int sy = y + i * (height / 2) + (v > 0 ? -1 : 1);
    Tile* tile = map->getTile(px / tileW, sy / tileH);
    if (tile->getType() == TILE_SOLID) {
      if (direction > 0) x = tile->getCol() * tileW - width;
      else x = tile->getCol() * tileW + tileW;
      return;
    }
    touchTile(tile);
  }
  moveX();
}

void Player::moveVertically() {
  TileMap* map = currentMap;
  int tileW = map->getTileWidth();
  int tileH = map->getTileHeight();
  int mapW = map->getWidthPixels();
  int mapH = map->getHeightPixels();
  int v = map->getFallSpeed() + speedY;

  int py = y + v + (v > 0 ? height : 0);
  // On a rising platform the head is probed at the platform's step.
  if (isOnPlatform() && getPlatformSpeedY() < 0) py = y + getPlatformSpeedY();
  if (py <= 0 || py >= mapH || x < 0 || x > mapW) {
    applyGravity();
    return;
  }
  Tile* left = map->getTile(x / tileW, py / tileH);
  Tile* right = map->getTile((x + width - 1) / tileW, py / tileH);
  bool leftSolid = left->getType() == TILE_SOLID;
  if (!leftSolid && right->getType() != TILE_SOLID) {
    touchTile(left);
    touchTile(right);
    applyGravity();
    onGround = false;
    return;
  }
  Tile* wall = leftSolid ? left : right;
  if (v > 0) {
    // Landing: the bottom rests on the tile's top.
    y = wall->getRow() * tileH - height;
    onGround = true;
    speedY = 0;
  } else {
    // Head bump: the top touches the tile's underside.
    y = wall->getRow() * tileH + tileH;
    onGround = false;
    speedY = PLAYER_BUMP_SPEED;
  }
}

void Player::touchTile(Tile* tile) {
  switch (tile->getType()) {
    case TILE_PICKUP: collectPickup(static_cast<PickupTile*>(tile)); break;
    case TILE_DEADLY: loseLife(); break;
    case TILE_EXIT: currentMap->setFinished(); break;
    default: break;
  }
}

void Player::collectPickup(PickupTile* tile) {
  // extra seconds get their own chime so they are told apart from points
  playSound(tile->getBonusTime() > 0 ? SND_BONUS_TIME : SND_PICKUP);
  points += tile->getPoints();
  bullets += tile->getBullets();
  bonusTime += tile->getBonusTime();
  tile->setType(TILE_EMPTY);
  tile->setAnimation(NULL);
}
