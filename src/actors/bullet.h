// Bullets: the player's shots, flying straight along their row, and their list.
#ifndef BRINDLECOVE_BULLET_H
#define BRINDLECOVE_BULLET_H

#include "actors/actor.h"

const int BULLET_SPEED = 15;

class Bullet : public Actor {
 public:
  Bullet(int x, int y, int speedX, BITMAP* sprite);

  Bullet* getNext() const { return next; }
  void setNext(Bullet* bullet) { next = bullet; }
  Bullet* getPrev() const { return prev; }
  void setPrev(Bullet* bullet) { prev = bullet; }

 private:
  Bullet* next;
  Bullet* prev;
};

// Doubly linked; owns its bullets: one taken out is destroyed at once.
class BulletList {
 public:
  BulletList();
  ~BulletList();
  BulletList(const BulletList&) = delete;
  BulletList& operator=(const BulletList&) = delete;

  // A bullet at (x, y) flying 15 pixels a tick in `direction` (+1 or -1).
  void add(int x, int y, int direction);
  void remove(Bullet* bullet);
  void clear();
  Bullet* getHead() const { return head; }
  Bullet* getTail() const { return tail; }

  void moveAll();
  // Removes bullets that left the map, met a solid tile or struck an enemy.
  void checkHits();

 private:
  Bullet* head;
  Bullet* tail;
};

#endif
