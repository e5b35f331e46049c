// Devices: the key map, the pad's state as logical keys, the pad's repeats.
#include "input/devices.h"

#include <allegro.h>

#include "app/game_state.h"

const int PAD_KEY_SCANCODES[PAD_KEY_COUNT] = {KEY_LEFT,  KEY_RIGHT, KEY_UP, KEY_DOWN, KEY_SPACE,
                                              KEY_ENTER, KEY_ESC,   KEY_P,  KEY_M};

namespace {

Settings settings;
// physical key of each logical scancode; 0 where the scancode is no logical key
int physical[KEY_MAX];

const int ACTION_SCANCODE[ACTION_COUNT] = {KEY_LEFT,  KEY_RIGHT, KEY_UP, KEY_SPACE,
                                           KEY_ENTER, KEY_ESC,   KEY_P,  KEY_M};
const int PAD_KEY_ACTION[PAD_KEY_COUNT] = {ACTION_LEFT,  ACTION_RIGHT, ACTION_JUMP,
                                           -1,           ACTION_FIRE,  ACTION_ENTER,
                                           ACTION_MENU,  ACTION_PAUSE, ACTION_MUTE};

// 660 ms and 25 a second, in ticks of 1/35 s
const int REPEAT_DELAY_TICKS = 23;
const int REPEATS_PER_SECOND = 25;

struct Init {
  Init() { useSettings(Settings()); }
} init;

}  // namespace

int padKeyOf(int scancode) {
  for (int k = 0; k < PAD_KEY_COUNT; k++)
    if (PAD_KEY_SCANCODES[k] == scancode) return k;
  return -1;
}

void useSettings(const Settings& s) {
  settings = s;
  for (int i = 0; i < KEY_MAX; i++) physical[i] = 0;
  for (int a = 0; a < ACTION_COUNT; a++) physical[ACTION_SCANCODE[a]] = s.keys[a];
}

const Settings& currentSettings() { return settings; }

int physicalKey(int logical) {
  if (logical <= 0 || logical >= KEY_MAX || physical[logical] == 0) return logical;
  return physical[logical];
}

void padKeys(const PadState& pad, const Settings& s, bool held[PAD_KEY_COUNT]) {
  for (int k = 0; k < PAD_KEY_COUNT; k++) held[k] = false;
  for (int stick : s.padSticks) {
    if (stick < 0 || stick >= pad.stickCount) continue;
    const PadState::Stick& d = pad.sticks[stick];
    held[PAD_LEFT] = held[PAD_LEFT] || d.left;
    held[PAD_RIGHT] = held[PAD_RIGHT] || d.right;
    held[PAD_UP] = held[PAD_UP] || d.up;
    held[PAD_DOWN] = held[PAD_DOWN] || d.down;
  }
  for (int k = 0; k < PAD_KEY_COUNT; k++) {
    int action = PAD_KEY_ACTION[k];
    if (action < 0) continue;
    int button = s.padButtons[action];
    if (button >= 0 && button < pad.buttonCount && pad.buttons[button]) held[k] = true;
  }
}

bool readAllegroPad(PadState& pad) {
  if (num_joysticks < 1 || poll_joystick() != 0) return false;
  const JOYSTICK_INFO& j = joy[0];
  pad.stickCount = j.num_sticks < PAD_STICKS_MAX ? j.num_sticks : PAD_STICKS_MAX;
  for (int i = 0; i < pad.stickCount; i++) {
    const JOYSTICK_STICK_INFO& st = j.stick[i];
    PadState::Stick& d = pad.sticks[i];
    d.left = st.num_axis > 0 && st.axis[0].d1;
    d.right = st.num_axis > 0 && st.axis[0].d2;
    d.up = st.num_axis > 1 && st.axis[1].d1;
    d.down = st.num_axis > 1 && st.axis[1].d2;
  }
  pad.buttonCount = j.num_buttons < PAD_BUTTONS_MAX ? j.num_buttons : PAD_BUTTONS_MAX;
  for (int b = 0; b < pad.buttonCount; b++) pad.buttons[b] = j.button[b].b != 0;
  return true;
}

bool (*padReader)(PadState& pad) = readAllegroPad;

void installPad() {
  if (install_joystick(JOY_TYPE_AUTODETECT) != 0 || num_joysticks < 1) remove_joystick();
}

bool padPressedAt(int ticks) {
  if (ticks == 1) return true;
  int since = ticks - 1 - REPEAT_DELAY_TICKS;
  if (since < 0) return false;
  if (since == 0) return true;
  return since * REPEATS_PER_SECOND / TICKS_PER_SECOND !=
         (since - 1) * REPEATS_PER_SECOND / TICKS_PER_SECOND;
}
