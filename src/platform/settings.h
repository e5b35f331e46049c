// Settings: the player's choices from the per-user Allegro config file.
//
// The file is Allegro's config format (sections in brackets, `name = value`
// lines, '#' comments). The game reads, besides Allegro's own sections:
//
//   wait = spin                 spin (default) or rest: how a loop waits for the next tick
//   pause_on_focus_loss = 0     1: the game pauses when the window loses the focus
//   sound_volume = 255          0 to 255, Allegro's set_volume
//   music_volume = 255
//   [keys]                      one Allegro key name per action
//   left = LEFT  right = RIGHT  jump = UP  fire = SPACE  enter = ENTER
//   menu = ESC   pause = P      mute = M
//   [pad]                       button numbers (1 = the first; 0 = none)
//   jump = 1  fire = 2  menu = 7  enter = 8  pause = 0  mute = 0
//   sticks = 1 4                the pad's sticks that walk and jump (1 = the first)
//
// A value that does not read, an unknown name or two actions on one key is
// reported with the file and line, and that setting keeps its default.
#ifndef BRINDLECOVE_SETTINGS_H
#define BRINDLECOVE_SETTINGS_H

#include <string>
#include <vector>

// The actions a key or a pad button can be given, in the order of [keys].
enum Action {
  ACTION_LEFT,
  ACTION_RIGHT,
  ACTION_JUMP,   // also Up on the menu
  ACTION_FIRE,
  ACTION_ENTER,
  ACTION_MENU,   // Escape: the menu, Exit on the menu
  ACTION_PAUSE,
  ACTION_MUTE,
  ACTION_COUNT
};

// The pad's sticks (Allegro numbers them from 0); at most this many named.
const int PAD_STICKS_MAX = 5;
const int PAD_BUTTONS_MAX = 32;
const int VOLUME_MAX = 255;

struct Settings {
  bool restWhileWaiting = false;   // wait = rest
  bool pauseOnFocusLoss = false;   // pause_on_focus_loss = 1
  int soundVolume = -1;            // 0..255; -1: not given, the driver's own stays
  int musicVolume = -1;
  int keys[ACTION_COUNT];          // Allegro scancodes (KEY_...)
  int padButtons[ACTION_COUNT];    // 0-based button numbers; -1 none (left and right: sticks only)
  std::vector<int> padSticks;      // 0-based stick numbers

  Settings();
};

// The settings in `text`, read as the file `fileName`; one message per
// refused line, "FILE:LINE: what; keeping DEFAULT".
Settings parseSettings(const std::string& text, const std::string& fileName,
                       std::vector<std::string>& messages);

// Reads `path` when it exists and prints each message on stderr after
// "brindlecove: ". No file is the defaults, silently.
Settings readSettings(const std::string& path);

// The scancode of an Allegro key name (the name of its KEY_ constant
// without the prefix, any case: A, F1, LEFT, SPACE, ENTER, ESC, 0_PAD, ...;
// Escape and Return as well); 0 when there is none.
int keyFromName(const std::string& name);
// The name keyFromName reads back: "LEFT", "P".
std::string keyName(int scancode);

// The [keys] name of an action: "left", "jump", ...
const char* actionName(int action);

#endif
