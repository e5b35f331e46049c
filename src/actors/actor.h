// Actor: the record shared by everything that moves on the level.
//
// Coordinates are level pixels (origin at the map's top-left corner, y grows
// downwards); the right edge x + width and the bottom y + height are one past
// the last pixel covered. Speeds count pixels per game tick. An actor's
// vertical step in a tick is speedY + the level's fall speed F: speedY is 0 at
// rest, negative after a jump or a bump, and grows by 1 a tick back to 0.
#ifndef BRINDLECOVE_ACTOR_H
#define BRINDLECOVE_ACTOR_H

struct BITMAP;
class MovingPlatform;

class Actor {
 public:
  Actor(int x, int y, int speedX, BITMAP* sprite);

  int getX() const { return x; }
  int getY() const { return y; }
  int getSpeedX() const { return speedX; }
  int getSpeedY() const { return speedY; }
  int getWidth() const { return width; }
  int getHeight() const { return height; }
  int getDirection() const { return direction; }
  int getLives() const { return lives; }
  BITMAP* getSprite() const { return sprite; }
  int getRight() const { return x + width; }
  int getBottom() const { return y + height; }

  void setX(int value) { x = value; }
  void setY(int value) { y = value; }
  void setSpeedX(int value) { speedX = value; }
  void setSpeedY(int value) { speedY = value; }
  void setDirection(int value) { direction = value; }
  // The collision box follows the picture's size.
  void setSprite(BITMAP* picture);

  bool isOnGround() const { return onGround; }
  void setOnGround(bool value) { onGround = value; }

  // Only the player ever rides a platform.
  void setPlatform(MovingPlatform* ridden) { platform = ridden; }
  MovingPlatform* getPlatform() const { return platform; }
  bool isOnPlatform() const { return platform != 0; }
  int getPlatformSpeedY() const;

  void kill() { dead = true; }
  bool isAlive() const { return !dead; }
  void setAlive(bool alive) { dead = !alive; }

  // One horizontal step, ignoring tiles. A ridden platform's speed is added
  // to the actor's own speed (not only to this step), so it accumulates
  // unless the owner resets speedX.
  void moveX();
  // One vertical step, ignoring tiles: stand on the ridden platform, or decay
  // speedY and fall unless on the ground. The player below the map loses a life.
  void applyGravity();

 protected:
  int x;
  int y;
  int speedX;
  int speedY;
  int width;
  int height;
  int direction;  // +1 facing right, -1 facing left
  bool onGround;
  bool dead;
  BITMAP* sprite;  // the data file's, not owned
  int lives;
  MovingPlatform* platform;
};

#endif
