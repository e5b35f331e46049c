// Animation: a cyclic list of pictures, advanced only when asked for one.
#ifndef BRINDLECOVE_ANIMATION_H
#define BRINDLECOVE_ANIMATION_H

#include <vector>

struct BITMAP;

class Animation {
 public:
  // `delay` calls of nextFrame per picture; 0 keeps the first picture for ever.
  // The frame pointers are copied; the bitmaps stay the data file's.
  Animation(BITMAP* const* frames, int delay, int count);

  // One step, then the current picture. Called once per frame for the
  // game-over picture and twice per frame for tiles near the view.
  BITMAP* nextFrame();

  int getIndex() const { return index; }

 private:
  std::vector<BITMAP*> frames;
  int delay;
  int ticks;   // calls since the picture last changed
  int index;   // current picture
  int count;
};

#endif
