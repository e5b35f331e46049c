// Tiles: one cell of the level grid, its type and its picture.
#ifndef BRINDLECOVE_TILE_H
#define BRINDLECOVE_TILE_H

class Animation;
struct BITMAP;

// How the player, the enemies and the bullets treat a tile. Enemies and
// bullets test only for TILE_SOLID; the others act on the player alone.
enum TileType {
  TILE_EMPTY = 0,
  TILE_SOLID = 1,
  TILE_PICKUP = 2,   // always a PickupTile
  TILE_DEADLY = 3,
  TILE_EXIT = 4
};

class Tile {
 public:
  Tile(int col, int row);
  // Takes ownership of `animation` (may be none) unless `owned` is false:
  // the tile map keeps its tiles' pictures itself and frees them together.
  Tile(int col, int row, int type, Animation* animation, bool owned = true);
  ~Tile();
  Tile(const Tile&) = delete;
  Tile& operator=(const Tile&) = delete;

  int getCol() const { return col; }
  int getRow() const { return row; }
  int getType() const { return type; }
  void setType(int newType) { type = newType; }
  // Replaces the picture, freeing the old one when the tile owned it, and
  // takes ownership of the new one; none when a pickup is collected.
  void setAnimation(Animation* newAnimation);
  bool hasPicture() const { return animation != 0; }

  // Advances the animation one step and returns its picture; none without
  // one. Every call advances, so the caller decides the speed.
  BITMAP* getPicture();

 protected:
  int col;
  int row;
  int type;
  bool ownsAnimation;
  Animation* animation;
};

// A tile that gives points, ammunition or seconds when collected.
class PickupTile : public Tile {
 public:
  PickupTile(int col, int row, int type, Animation* animation, bool owned = true);

  int getPoints() const { return points; }
  int getBullets() const { return bullets; }
  int getBonusTime() const { return bonusTime; }
  void setPoints(int value) { points = value; }
  void setBullets(int value) { bullets = value; }
  void setBonusTime(int value) { bonusTime = value; }

 private:
  int points;
  int bullets;
  int bonusTime;
};

// A tile that costs the player a life on contact.
class DeadlyTile : public Tile {
 public:
  DeadlyTile(int col, int row, int type, Animation* animation, bool owned = true);
};

#endif
