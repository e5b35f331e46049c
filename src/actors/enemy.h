// Enemies: walking hazards placed by the level file, and their list.
// They walk at 3 pixels a tick, turn at walls and at the map's borders,
// walk off ledges and fall, and react to solid tiles only.
#ifndef BRINDLECOVE_ENEMY_H
#define BRINDLECOVE_ENEMY_H

#include "actors/actor.h"

const int ENEMY_SPEED = 3;
const int ENEMY_HOP_SPEED = -25;     // a shot enemy's hop
const int ENEMY_BUMP_SPEED = -15;    // rising into a solid tile
const int ENEMY_PICTURE_TICKS = 5;   // a walking picture lasts 5 ticks

class Enemy : public Actor {
 public:
  Enemy(int x, int y, int speedX, BITMAP* sprite);

  Enemy* getNext() const { return next; }
  void setNext(Enemy* enemy) { next = enemy; }

  // One horizontal step: turn at a border or flush against a wall.
  void walk();
  // One vertical step: land, bump, or fall (from the tick after a ledge).
  void fall();
  // The walking picture changes on every fifth call.
  void animate();
  // Struck by a bullet: a sound, killed, and a hop upwards.
  void hit();

  // For tools that save and rewind a run.
  int getAnimTicks() const { return animTicks; }
  void setAnimTicks(int value) { animTicks = value; }

 private:
  bool solidAt(int px, int py) const;

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

  // One tick for every enemy: a live one walks and animates, and every one,
  // dead or alive, falls. Called by the world update and behind the menus.
  void updateAll();
  // Every live enemy that touches the player costs him a life; a dead
  // player loses no more, so one tick costs at most one.
  void checkPlayerContact();

 private:
  Enemy* head;
  Enemy* tail;
};

// Edge-in-span overlap with inclusive bounds: a side edge of `a` lies within
// b's horizontal span and its top or bottom within b's vertical span. A box
// that covers the other entirely without an edge inside does not touch.
bool edgeInSpan(const Actor& a, const Actor& b);

#endif
