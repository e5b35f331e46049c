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

  // The same, but the frame list is used where it stands, not copied: it
  // must outlive the animation. The tile map builds a million of these for
  // its largest levels, over a handful of lists it keeps itself.
  struct SharedFrames {};
  Animation(SharedFrames, BITMAP* const* frames, int delay, int count);

  Animation(const Animation& other);
  Animation& operator=(const Animation& other);

  // One step, then the current picture. Called once per frame for the
  // game-over picture and twice per frame for tiles near the view.
  BITMAP* nextFrame() {
    // A still picture: nothing to count.
    if (delay == 0) return frames[index];
    ticks++;
    if (ticks == delay) {
      index++;
      if (index >= count) index = 0;
      ticks = 0;
    }
    return frames[index];
  }

  int getIndex() const { return index; }

 private:
  std::vector<BITMAP*> owned;  // the copied frames; empty when shared
  BITMAP* const* frames;       // owned.data() or the shared list
  int delay;
  int ticks;   // calls since the picture last changed
  int index;   // current picture
  int count;
};

#endif
