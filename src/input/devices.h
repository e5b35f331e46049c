// Devices: the keys as the player set them, and the pad, in terms of the
// logical keys the handlers test.
//
// The logical keys are the scancodes the game always tested: KEY_LEFT,
// KEY_RIGHT, KEY_UP (jump), KEY_DOWN, KEY_SPACE (fire), KEY_ENTER, KEY_ESC
// (menu), KEY_P (pause) and KEY_M (mute). With the default settings each
// is its own key and no pad is present, so nothing changes.
#ifndef BRINDLECOVE_DEVICES_H
#define BRINDLECOVE_DEVICES_H

#include "platform/settings.h"

// The logical keys a pad can hold, in this order.
enum PadKey { PAD_LEFT, PAD_RIGHT, PAD_UP, PAD_DOWN, PAD_FIRE, PAD_ENTER, PAD_ESCAPE,
              PAD_PAUSE, PAD_MUTE, PAD_KEY_COUNT };
// The logical scancode of each PadKey.
extern const int PAD_KEY_SCANCODES[PAD_KEY_COUNT];
// The PadKey of a logical scancode; -1 for any other.
int padKeyOf(int scancode);

// Once at start-up (and by tests): the key map and the pad's buttons.
void useSettings(const Settings& settings);
const Settings& currentSettings();

// The key the player chose for a logical key; any other scancode is itself.
int physicalKey(int logical);

// One poll of a pad, in Allegro's digital terms.
struct PadState {
  struct Stick {
    bool left = false, right = false, up = false, down = false;
  };
  int stickCount = 0;
  Stick sticks[PAD_STICKS_MAX];
  int buttonCount = 0;
  bool buttons[PAD_BUTTONS_MAX] = {};
};

// The logical keys a pad state holds under `settings`: the named sticks
// walk (left, right), jump (up) and move the menu marker (up, down); the
// buttons do their actions, the jump button holding Up.
void padKeys(const PadState& pad, const Settings& settings, bool held[PAD_KEY_COUNT]);

// Where the seam gets the pad from: Allegro's first joystick, polled (false
// when there is none). A test sets its own scripted pad.
extern bool (*padReader)(PadState& pad);
bool readAllegroPad(PadState& pad);
// Once at start-up: Allegro's joystick driver, kept only when it finds a pad.
void installPad();

// Repeats of a pad button held on, as a keyboard's auto-repeat makes them
// (its usual 660 ms delay, then 25 a second): whether a key held for
// `ticks` ticks (1 on the tick it went down) is pressed anew in this one.
bool padPressedAt(int ticks);

#endif
