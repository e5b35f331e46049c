// Bullets and their list.
#include "actors/bullet.h"

#include "actors/enemy.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "level/tile_map.h"

Bullet::Bullet(int x, int y, int speedX, BITMAP* picture)
    : Actor(x, y, speedX, picture), next(0), prev(0) {}

BulletList::BulletList() : head(0), tail(0) {}

BulletList::~BulletList() { clear(); }

void BulletList::add(int x, int y, int direction) {
  Bullet* b = new Bullet(x, y, BULLET_SPEED * direction, graphic(GFX_BULLET));
  b->setPrev(tail);
  if (tail) tail->setNext(b);
  else head = b;
  tail = b;
}

void BulletList::remove(Bullet* b) {
  if (b->getPrev()) b->getPrev()->setNext(b->getNext());
  else head = b->getNext();
  if (b->getNext()) b->getNext()->setPrev(b->getPrev());
  else tail = b->getPrev();
  delete b;
}

void BulletList::clear() {
  Bullet* b = head;
  while (b) {
    Bullet* following = b->getNext();
    delete b;
    b = following;
  }
  head = tail = 0;
}

void BulletList::moveAll() {
  for (Bullet* b = head; b; b = b->getNext()) b->moveX();
}

void BulletList::checkHits() {
  int tileW = currentMap->getTileWidth();
  int tileH = currentMap->getTileHeight();
  int mapW = currentMap->getWidthPixels();
  int mapH = currentMap->getHeightPixels();
  Bullet* b = head;
  while (b) {
    Bullet* following = b->getNext();  // taken before `b` may be freed
    if (b->getX() > mapW || b->getX() < 0 || b->getY() < 0 || b->getBottom() > mapH) {
      remove(b);
      b = following;
      continue;
    }
    // the leading edge; at or past the right border it has left the map too
    int probe = b->getDirection() > 0 ? b->getRight() : b->getX();
    if (probe >= mapW || currentMap->getTile(probe / tileW, b->getY() / tileH)->getType() ==
                             TILE_SOLID) {
      remove(b);
      b = following;
      continue;
    }
    // the first live enemy in list order takes the hit, and only that one
    for (Enemy* e = enemyList->getHead(); e; e = e->getNext()) {
      if (!e->isAlive() || !edgeInSpan(*b, *e)) continue;
      e->hit();
      remove(b);
      break;
    }
    b = following;
  }
}
