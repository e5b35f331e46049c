// Background layer: a parallax picture that repeats side by side.
#include "render/background_layer.h"

#include <allegro.h>

BackgroundLayer::BackgroundLayer(int y, BITMAP* image, float parallax)
    : y(y), image(image), parallax(parallax) {}

int BackgroundLayer::firstCopyX(int sx) const {
  float t = sx * parallax;
  int w = image->w;
  return static_cast<int>(static_cast<float>((static_cast<int>(t) / w) * w) - t);
}

void BackgroundLayer::draw(int sx, int sy, BITMAP* target) const {
  int x0 = firstCopyX(sx);
  int top = y - sy;
  if (target->h + sy <= top) return;
  draw_sprite(target, image, x0, top);
  // Only two copies: a picture narrower than the view leaves a gap on purpose.
  if (x0 + image->w < target->w) draw_sprite(target, image, x0 + image->w, top);
}
