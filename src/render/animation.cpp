// Animation: a cyclic list of pictures.
#include "render/animation.h"

Animation::Animation(BITMAP* const* frameArray, int delay, int count)
    : owned(frameArray, frameArray + count),
      frames(owned.data()),
      delay(delay),
      ticks(0),
      index(0),
      count(count) {}

Animation::Animation(SharedFrames, BITMAP* const* frameArray, int delay, int count)
    : frames(frameArray), delay(delay), ticks(0), index(0), count(count) {}

Animation::Animation(const Animation& other)
    : owned(other.owned),
      frames(other.owned.empty() ? other.frames : owned.data()),
      delay(other.delay),
      ticks(other.ticks),
      index(other.index),
      count(other.count) {}

Animation& Animation::operator=(const Animation& other) {
  if (this == &other) return *this;
  owned = other.owned;
  frames = other.owned.empty() ? other.frames : owned.data();
  delay = other.delay;
  ticks = other.ticks;
  index = other.index;
  count = other.count;
  return *this;
}
