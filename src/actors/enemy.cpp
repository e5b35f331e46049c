// Enemies and their list.
#include "actors/enemy.h"

#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"

namespace {
// An enemy that fell this far below the map is out of play for good; it
// stops there so its position cannot overflow however long the level runs.
const int FALL_LIMIT_BELOW_MAP = 600;
}  // namespace

bool edgeInSpan(const Actor& a, const Actor& b) {
  bool horizontal = (b.getX() <= a.getX() && a.getX() <= b.getRight()) ||
                    (b.getX() <= a.getRight() && a.getRight() <= b.getRight());
  bool vertical = (b.getY() <= a.getY() && a.getY() <= b.getBottom()) ||
                  (b.getY() <= a.getBottom() && a.getBottom() <= b.getBottom());
  return horizontal && vertical;
}

Enemy::Enemy(int x, int y, int speedX, BITMAP* picture)
    : Actor(x, y, speedX, picture), animTicks(0), next(0) {}

// Points outside the grid are open space.
bool Enemy::solidAt(int px, int py) const {
  return currentMap->getTile(px / currentMap->getTileWidth(), py / currentMap->getTileHeight())
             ->getType() == TILE_SOLID;
}

void Enemy::walk() {
  TileMap* map = currentMap;
  int tileW = map->getTileWidth();
  int mapW = map->getWidthPixels();
  int mapH = map->getHeightPixels();
  int v = map->getFallSpeed() + speedY;

  // the leading edge after the step, and the row limit of this tick's fall
  int ax = x + speedX + (direction > 0 ? width : 0);
  int ay = y + v + (v > 0 ? height : 0);
  if (ax < 0 || ax > mapW || ay <= 0 || ay >= mapH || y <= 0 || y >= mapH) {
    speedX = -speedX;
    moveX();
    return;
  }
  int d = v > 0 ? -1 : 1;
  for (int i = 0; i < 3; i++) {
    int py = y + (height / 2) * i + d;
    if (!solidAt(ax, py)) continue;
    int col = ax / tileW;
    if (direction > 0) x = col * tileW - width;
    else x = col * tileW + tileW;
    // turned, but `direction` follows only with the next moveX
    speedX = -speedX;
    return;
  }
  moveX();
}

void Enemy::fall() {
  TileMap* map = currentMap;
  int tileH = map->getTileHeight();
  int mapH = map->getHeightPixels();
  if (y > mapH + FALL_LIMIT_BELOW_MAP) return;
  int v = map->getFallSpeed() + speedY;

  int ay = y + v + (v > 0 ? height : 0);
  if (ay <= 0 || ay >= mapH) {
    applyGravity();
    return;
  }
  int columns[2] = {x, direction > 0 ? x + width - 1 : x + width + 1};
  for (int px : columns) {
    if (!solidAt(px, ay)) continue;
    int row = ay / tileH;
    if (v > 0) {
      y = row * tileH - height;
      onGround = true;
      speedY = 0;
    } else {
      y = row * tileH + tileH;
      onGround = false;
      speedY = ENEMY_BUMP_SPEED;
    }
    return;
  }
  // cleared after the step: off a ledge, the drop starts one tick later
  applyGravity();
  onGround = false;
}

void Enemy::animate() {
  animTicks++;
  if (animTicks < ENEMY_PICTURE_TICKS) return;
  animTicks = 0;
  setSprite(graphic(sprite == graphic(GFX_ENEMY_WALK_1) ? GFX_ENEMY_WALK_2 : GFX_ENEMY_WALK_1));
}

void Enemy::hit() {
  playSound(SND_ENEMY_HIT);
  kill();
  speedY = ENEMY_HOP_SPEED;
}

EnemyList::EnemyList() : head(0), tail(0) {}

EnemyList::~EnemyList() { clear(); }

void EnemyList::add(int x, int y) {
  Enemy* e = new Enemy(x, y, ENEMY_SPEED, graphic(GFX_ENEMY_WALK_1));
  if (!head) {
    head = e;
  } else if (!tail) {
    head->setNext(e);
    tail = e;
  } else {
    tail->setNext(e);
    tail = e;
  }
}

void EnemyList::clear() {
  Enemy* e = head;
  while (e) {
    Enemy* following = e->getNext();
    delete e;
    e = following;
  }
  head = tail = 0;
}

void EnemyList::updateAll() {
  if (!currentMap) return;
  for (Enemy* e = head; e; e = e->getNext()) {
    if (e->isAlive()) {
      e->walk();
      e->animate();
    }
    e->fall();
  }
}

void EnemyList::checkPlayerContact() {
  for (Enemy* e = head; e; e = e->getNext())
    if (e->isAlive() && edgeInSpan(*e, *player)) player->loseLife();
}
