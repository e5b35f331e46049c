// Keys a screen marks released, kept released through auto-repeat.
#include "app/keys.h"

#include <allegro.h>

#include <atomic>

#include "input/devices.h"
#include "input/tick_input.h"

namespace {

// Written on the keyboard's own thread, read on the main thread.
std::atomic<bool> held[KEY_MAX];
std::atomic<bool> swallowed[KEY_MAX];
std::atomic<bool> wentDown[KEY_MAX];  // a press since takeKeyPress last looked

}  // namespace

void onKeyEvent(int scancode) {
  int k = scancode & 0x7F;
  bool released = (scancode & 0x80) != 0;
  // auto-repeat sends presses of a held key: only the first counts
  if (!released && !held[k]) wentDown[k] = true;
  held[k] = !released;
  if (released) swallowed[k] = false;
}
END_OF_FUNCTION(onKeyEvent)

void installKeyTracking() {
  LOCK_VARIABLE(held);
  LOCK_VARIABLE(swallowed);
  LOCK_VARIABLE(wentDown);
  LOCK_FUNCTION(onKeyEvent);
  keyboard_lowlevel_callback = onKeyEvent;
}

void markReleased(int scancode) {
  if (inputSource() != INPUT_KEYBOARD) {
    sampledMarkReleased(scancode);
    return;
  }
  // the key the player chose for it, and the pad's
  int k = physicalKey(scancode);
  key[k] = 0;
  if (held[k]) swallowed[k] = true;
  padMarkReleased(scancode);
}

bool keyDown(int scancode) {
  if (inputSource() != INPUT_KEYBOARD) return sampledKeyDown(scancode);
  int k = physicalKey(scancode);
  return (key[k] && !swallowed[k]) || padKeyDown(scancode);
}

bool keyHeld(int scancode) { return held[physicalKey(scancode)] || padKeyHeld(scancode); }

bool takeKeyPress(int scancode) { return wentDown[scancode].exchange(false); }
