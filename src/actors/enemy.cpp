// Enemies and their list.
// For now the enemies stand where the level placed them and do not hurt;
// walking, falling and contact come with the enemy update.
#include "actors/enemy.h"

#include "app/data_objects.h"

const int ENEMY_HOP_SPEED = -25;

Enemy::Enemy(int x, int y, int speedX, BITMAP* picture)
    : Actor(x, y, speedX, picture), animTicks(0), next(0) {}

void Enemy::hit() {
  playSound(SND_ENEMY_HIT);
  kill();
  speedY = ENEMY_HOP_SPEED;
}

EnemyList::EnemyList() : head(0), tail(0) {}

EnemyList::~EnemyList() { clear(); }

void EnemyList::add(int x, int y) {
  Enemy* e = new Enemy(x, y, 3, graphic(GFX_ENEMY_WALK_1));
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

void EnemyList::updateAll() {}

void EnemyList::checkPlayerContact() {}
