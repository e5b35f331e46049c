// Tiles: one cell of the level grid.
#include "level/tile.h"

#include "render/animation.h"

Tile::Tile(int col, int row)
    : col(col), row(row), type(TILE_EMPTY), ownsAnimation(true), animation(0) {}

Tile::Tile(int col, int row, int type, Animation* animation, bool owned)
    : col(col), row(row), type(type), ownsAnimation(owned), animation(animation) {}

Tile::~Tile() {
  if (ownsAnimation) delete animation;
}

void Tile::setAnimation(Animation* newAnimation) {
  if (newAnimation == animation) return;
  if (ownsAnimation) delete animation;
  animation = newAnimation;
  ownsAnimation = true;
}

BITMAP* Tile::getPicture() {
  if (animation == 0) return 0;
  return animation->nextFrame();
}

PickupTile::PickupTile(int col, int row, int type, Animation* anim, bool owned)
    : Tile(col, row, type, anim, owned), points(0), bullets(0), bonusTime(0) {}

DeadlyTile::DeadlyTile(int col, int row, int type, Animation* anim, bool owned)
    : Tile(col, row, type, anim, owned) {}
