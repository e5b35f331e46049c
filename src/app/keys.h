// Keys a screen marks released: they stay released until the player lets
// go of them, whatever the keyboard's auto-repeat sends meanwhile.
#ifndef BRINDLECOVE_KEYS_H
#define BRINDLECOVE_KEYS_H

// Once, after install_keyboard: follows every key's presses and releases.
void installKeyTracking();

// The keyboard's event callback: a scancode, with bit 0x80 set on release.
// Public so that a test can play a keyboard.
void onKeyEvent(int scancode);

// key[scancode] = 0, so that a screen's Enter or Escape needs a new press.
// A key still held stays released through its auto-repeat until it is let
// go: without this, holding Enter past the repeat delay would run through
// the name entry, the table and the menu on its own.
void markReleased(int scancode);

// key[scancode], except for a key marked released and not let go since.
// While the input is recorded or replayed, the tick's input in its place.
bool keyDown(int scancode);

// Whether the key is held on the keyboard, as its presses and releases say
// (auto-repeat does not change it), or on the pad. Like keyDown and
// markReleased, it takes a logical key (devices.h) to the player's key.
bool keyHeld(int scancode);

// Whether the key (a physical scancode) went down since the last call;
// its auto-repeat does not count. The pause and mute keys act once per press.
bool takeKeyPress(int scancode);

#endif
