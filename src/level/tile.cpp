// Tiles: one cell of the level grid.
#include "level/tile.h"

#include "render/animation.h"

Tile::Tile(int col, int row) : col(col), row(row), type(TILE_EMPTY), animation(0) {}

Tile::Tile(int col, int row, int type, Animation* animation)
    : col(col), row(row), type(type), animation(animation) {}

Tile::~Tile() { delete animation; }

void Tile::setAnimation(Animation* newAnimation) {
  if (newAnimation == animation) return;
  delete animation;
  animation = newAnimation;
}

BITMAP* Tile::getPicture() {
  if (animation == 0) return 0;
  return animation->nextFrame();
}

PickupTile::PickupTile(int col, int row, int type, Animation* anim)
    : Tile(col, row), points(0), bullets(0), bonusTime(0) {
  animation = anim;
  this->type = type;
}

DeadlyTile::DeadlyTile(int col, int row, int type, Animation* anim) : Tile(col, row) {
  animation = anim;
  this->type = type;
}
