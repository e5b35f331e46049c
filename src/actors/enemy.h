// Enemies: walking hazards placed by the level file, and their list.
#ifndef BRINDLECOVE_ENEMY_H
#define BRINDLECOVE_ENEMY_H

#include "actors/actor.h"

class Enemy : public Actor {
 public:
  Enemy(int x, int y, int speedX, BITMAP* sprite);

  Enemy* getNext() const { return next; }
  void setNext(Enemy* enemy) { next = enemy; }

  // Struck by a bullet: a sound, killed, and a hop upwards.
  void hit();

 private:
  int animTicks;
  Enemy* next;  // the list owns every enemy
};

// Singly linked, in the order the level file placed them. `tail` is set
// only once the list holds two or more.
class EnemyList {
 public:
  EnemyList();
  ~EnemyList();
  EnemyList(const EnemyList&) = delete;
  EnemyList& operator=(const EnemyList&) = delete;

  // A new enemy walking right with the first walking picture, appended.
  void add(int x, int y);
  void clear();
  Enemy* getHead() const { return head; }
  Enemy* getTail() const { return tail; }

  // One tick of movement for every enemy (world update and the backdrop of
  // the menu screens).
  void updateAll();
  // Every live enemy that touches the player costs him a life.
  void checkPlayerContact();

 private:
  Enemy* head;
  Enemy* tail;
};

#endif
