// Animation: a cyclic list of pictures.
#include "render/animation.h"

Animation::Animation(BITMAP* const* frameArray, int delay, int count)
    : frames(frameArray, frameArray + count), delay(delay), ticks(0), index(0), count(count) {}

BITMAP* Animation::nextFrame() {
  ticks++;
  // Equality on purpose: a delay of 0 is never reached, so the picture stays.
  if (ticks == delay) {
    index++;
    if (index >= count) index = 0;
    ticks = 0;
  }
  return frames[index];
}
