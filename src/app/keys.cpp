// Keys a screen marks released, kept released through auto-repeat.
#include "app/keys.h"

#include <allegro.h>

#include <atomic>

#include "input/tick_input.h"

namespace {

// Written on the keyboard's own thread, read on the main thread.
std::atomic<bool> held[KEY_MAX];
std::atomic<bool> swallowed[KEY_MAX];

}  // namespace

void onKeyEvent(int scancode) {
  int k = scancode & 0x7F;
  bool released = (scancode & 0x80) != 0;
  held[k] = !released;
  if (released) swallowed[k] = false;
}
END_OF_FUNCTION(onKeyEvent)

void installKeyTracking() {
  LOCK_VARIABLE(held);
  LOCK_VARIABLE(swallowed);
  LOCK_FUNCTION(onKeyEvent);
  keyboard_lowlevel_callback = onKeyEvent;
}

void markReleased(int scancode) {
  if (inputSource() != INPUT_KEYBOARD) {
    sampledMarkReleased(scancode);
    return;
  }
  key[scancode] = 0;
  if (held[scancode]) swallowed[scancode] = true;
}

bool keyDown(int scancode) {
  if (inputSource() != INPUT_KEYBOARD) return sampledKeyDown(scancode);
  return key[scancode] && !swallowed[scancode];
}

bool keyHeld(int scancode) { return held[scancode]; }
