// Player: the one actor the user steers; movement against the tiles,
// jumping, pickups, deadly tiles, the exit, lives, firing and his pictures.
#ifndef BRINDLECOVE_PLAYER_H
#define BRINDLECOVE_PLAYER_H

#include "actors/actor.h"

class PickupTile;
class Tile;

const int PLAYER_START_X = 50;
const int PLAYER_START_Y = 50;
const int PLAYER_WALK_SPEED = 6;
const int PLAYER_JUMP_SPEED = -30;
const int PLAYER_BUMP_SPEED = -15;
const int PLAYER_START_LIVES = 3;
const int PLAYER_WALK_PICTURE_TICKS = 5;  // a walking picture lasts 5 ticks

class Player : public Actor {
 public:
  Player(int x, int y, int speedX, BITMAP* sprite);

  // Keyboard: shoot from the left edge at half height, or click when empty.
  void fire();
  // Keyboard, only on the ground or a platform: speedY -30 and the first
  // vertical step at once, so the tick of a jump makes two vertical steps.
  void jump();
  // One life less and killed, unless already dead or without lives.
  void loseLife();
  // The picture for this tick: in the air, standing, or walking.
  void animate();
  // The collected bonus seconds, cleared.
  int takeBonusTime();

  // One step each way against the solid tiles; tiles touched on the way act.
  void moveHorizontally();
  void moveVertically();
  void touchTile(Tile* tile);
  void collectPickup(PickupTile* tile);

  int getPoints() const { return points; }
  void setPoints(int value) { points = value; }
  int getBullets() const { return bullets; }
  void setBullets(int value) { bullets = value; }
  int getBonusTime() const { return bonusTime; }
  void setLives(int value) { lives = value; }
  // For tools that save and rewind a run.
  void setBonusTime(int value) { bonusTime = value; }
  int getAnimTicks() const { return animTicks; }
  void setAnimTicks(int value) { animTicks = value; }

 private:
  int animTicks;  // ticks since the walking picture last changed
  int bullets;
  int points;
  int bonusTime;  // seconds collected and not yet on the clock
};

#endif
