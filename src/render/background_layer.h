// Background layer: a parallax picture that repeats side by side.
#ifndef BRINDLECOVE_BACKGROUND_LAYER_H
#define BRINDLECOVE_BACKGROUND_LAYER_H

struct BITMAP;

class BackgroundLayer {
 public:
  // `y` is the picture's top edge in level pixels; `parallax` the share of the
  // horizontal scroll by which it moves (0.3 far, 0.9 near).
  BackgroundLayer(int y, BITMAP* image, float parallax);

  // Two copies side by side, shifted left by the scroll modulo the picture's
  // width; vertically the layer follows the map one to one.
  void draw(int scrollX, int scrollY, BITMAP* target) const;

  // Screen x of the first copy for a horizontal scroll position.
  int firstCopyX(int scrollX) const;

  int getY() const { return y; }
  BITMAP* getImage() const { return image; }
  float getParallax() const { return parallax; }

 private:
  int y;
  BITMAP* image;
  float parallax;
};

#endif
