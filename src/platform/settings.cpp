// Settings: the per-user config file read line by line, so that every
// refused value can name its line (Allegro's own reader cannot).
#include "platform/settings.h"

#include <allegro.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

const char* const ACTION_NAMES[ACTION_COUNT] = {"left",  "right", "jump",  "fire",
                                                "enter", "menu",  "pause", "mute"};
// today's keys: the arrows, Space, Enter, Escape, P and M
const int DEFAULT_KEYS[ACTION_COUNT] = {KEY_LEFT,  KEY_RIGHT, KEY_UP, KEY_SPACE,
                                        KEY_ENTER, KEY_ESC,   KEY_P,  KEY_M};
// most pads: A, B, Back, Start (buttons 1, 2, 7, 8); the walk is on the sticks
const int DEFAULT_PAD_BUTTONS[ACTION_COUNT] = {-1, -1, 0, 1, 7, 6, -1, -1};
// the left stick, and the d-pad where a pad reports it as its fourth stick
const int DEFAULT_PAD_STICKS[] = {0, 3};

struct KeyName {
  const char* name;
  int scancode;
};

// Allegro's KEY_ constants without the prefix; letters and digits are made below.
const KeyName KEY_NAMES[] = {
    {"F1", KEY_F1}, {"F2", KEY_F2}, {"F3", KEY_F3}, {"F4", KEY_F4}, {"F5", KEY_F5},
    {"F6", KEY_F6}, {"F7", KEY_F7}, {"F8", KEY_F8}, {"F9", KEY_F9}, {"F10", KEY_F10},
    {"F11", KEY_F11}, {"F12", KEY_F12}, {"ESC", KEY_ESC}, {"TILDE", KEY_TILDE},
    {"MINUS", KEY_MINUS}, {"EQUALS", KEY_EQUALS}, {"BACKSPACE", KEY_BACKSPACE}, {"TAB", KEY_TAB},
    {"OPENBRACE", KEY_OPENBRACE}, {"CLOSEBRACE", KEY_CLOSEBRACE}, {"ENTER", KEY_ENTER},
    {"COLON", KEY_COLON}, {"QUOTE", KEY_QUOTE}, {"BACKSLASH", KEY_BACKSLASH},
    {"COMMA", KEY_COMMA}, {"STOP", KEY_STOP}, {"SLASH", KEY_SLASH}, {"SPACE", KEY_SPACE},
    {"INSERT", KEY_INSERT}, {"DEL", KEY_DEL}, {"HOME", KEY_HOME}, {"END", KEY_END},
    {"PGUP", KEY_PGUP}, {"PGDN", KEY_PGDN}, {"LEFT", KEY_LEFT}, {"RIGHT", KEY_RIGHT},
    {"UP", KEY_UP}, {"DOWN", KEY_DOWN}, {"SLASH_PAD", KEY_SLASH_PAD},
    {"ASTERISK", KEY_ASTERISK}, {"MINUS_PAD", KEY_MINUS_PAD}, {"PLUS_PAD", KEY_PLUS_PAD},
    {"DEL_PAD", KEY_DEL_PAD}, {"ENTER_PAD", KEY_ENTER_PAD}, {"LSHIFT", KEY_LSHIFT},
    {"RSHIFT", KEY_RSHIFT}, {"LCONTROL", KEY_LCONTROL}, {"RCONTROL", KEY_RCONTROL},
    {"ALT", KEY_ALT}, {"ALTGR", KEY_ALTGR}, {"LWIN", KEY_LWIN}, {"RWIN", KEY_RWIN},
    {"MENU", KEY_MENU}, {"SCRLOCK", KEY_SCRLOCK}, {"NUMLOCK", KEY_NUMLOCK},
    {"CAPSLOCK", KEY_CAPSLOCK}, {"PAUSE", KEY_PAUSE},
    // the names players say
    {"ESCAPE", KEY_ESC}, {"RETURN", KEY_ENTER}, {"DELETE", KEY_DEL},
};

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// A whole number from `lo` to `hi`, and nothing else.
bool readNumber(const std::string& text, int lo, int hi, int& value) {
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  value = std::stoi(text);
  return value >= lo && value <= hi;
}

int actionOf(const std::string& name) {
  for (int a = 0; a < ACTION_COUNT; a++)
    if (name == ACTION_NAMES[a]) return a;
  return -1;
}

std::string padButtonText(int button) { return std::to_string(button + 1); }

// A value the file set for an action, and where.
struct Assigned {
  int value = 0;
  int line = 0;  // 0: not set in the file
};

// Two actions on one key (or pad button) cannot both work: the one set
// later in the file goes back to its default, until no two clash. Down
// keeps the menu marker moving and is no action of its own.
void settleClashes(int* values, const int* defaults, Assigned* set, int reserved,
                   const char* reservedName, const std::string& where, const char* section,
                   std::string (*show)(int), std::vector<std::string>& messages) {
  for (int a = 0; a < ACTION_COUNT; a++)
    if (set[a].line) values[a] = set[a].value;
  for (;;) {
    int worst = -1, other = -1;
    for (int a = 0; a < ACTION_COUNT; a++) {
      if (!set[a].line || values[a] < 0) continue;
      int clash = -2;
      if (values[a] == reserved) clash = -1;
      for (int b = 0; b < ACTION_COUNT && clash == -2; b++)
        if (b != a && values[b] == values[a] && (!set[b].line || set[b].line <= set[a].line))
          clash = b;
      if (clash != -2 && (worst < 0 || set[a].line > set[worst].line)) {
        worst = a;
        other = clash;
      }
    }
    if (worst < 0) return;
    std::string with = other == -1 ? std::string(reservedName) : std::string(ACTION_NAMES[other]);
    messages.push_back(where + ":" + std::to_string(set[worst].line) + ": [" + section + "] " +
                       ACTION_NAMES[worst] + " = " + show(values[worst]) + " clashes with " +
                       with + "; keeping " + (defaults[worst] < 0 ? "none" : show(defaults[worst])));
    values[worst] = defaults[worst];
    set[worst].line = 0;
  }
}

}  // namespace

Settings::Settings() : padSticks(std::begin(DEFAULT_PAD_STICKS), std::end(DEFAULT_PAD_STICKS)) {
  for (int a = 0; a < ACTION_COUNT; a++) {
    keys[a] = DEFAULT_KEYS[a];
    padButtons[a] = DEFAULT_PAD_BUTTONS[a];
  }
}

int keyFromName(const std::string& name) {
  std::string n = upper(trim(name));
  if (n.rfind("KEY_", 0) == 0) n = n.substr(4);
  if (n.size() == 1 && n[0] >= 'A' && n[0] <= 'Z') return KEY_A + (n[0] - 'A');
  if (n.size() == 1 && n[0] >= '0' && n[0] <= '9') return KEY_0 + (n[0] - '0');
  if (n.size() == 5 && n.compare(1, 4, "_PAD") == 0 && n[0] >= '0' && n[0] <= '9')
    return KEY_0_PAD + (n[0] - '0');
  for (const KeyName& k : KEY_NAMES)
    if (n == k.name) return k.scancode;
  return 0;
}

std::string keyName(int scancode) {
  if (scancode >= KEY_A && scancode <= KEY_Z) return std::string(1, 'A' + (scancode - KEY_A));
  if (scancode >= KEY_0 && scancode <= KEY_9) return std::string(1, '0' + (scancode - KEY_0));
  if (scancode >= KEY_0_PAD && scancode <= KEY_9_PAD)
    return std::string(1, '0' + (scancode - KEY_0_PAD)) + "_PAD";
  for (const KeyName& k : KEY_NAMES)
    if (k.scancode == scancode) return k.name;
  return "?";
}

const char* actionName(int action) { return ACTION_NAMES[action]; }

Settings parseSettings(const std::string& text, const std::string& fileName,
                       std::vector<std::string>& messages) {
  Settings s;
  Assigned keySet[ACTION_COUNT], padSet[ACTION_COUNT];
  std::istringstream in(text);
  std::string raw, section;
  int line = 0;
  auto refuse = [&](const std::string& what) {
    messages.push_back(fileName + ":" + std::to_string(line) + ": " + what);
  };
  while (std::getline(in, raw)) {
    line++;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string l = trim(raw);
    if (l.empty() || l[0] == '#') continue;
    if (l[0] == '[') {
      size_t close = l.find(']');
      section = close == std::string::npos ? "" : l.substr(1, close - 1);
      continue;
    }
    // Allegro's own sections ([sound], [joystick], ...) are Allegro's business
    bool ours = section.empty() || section == "keys" || section == "pad";
    if (!ours) continue;
    size_t equals = l.find('=');
    if (equals == std::string::npos) {
      refuse("expected 'name = value'");
      continue;
    }
    std::string name = trim(l.substr(0, equals)), value = trim(l.substr(equals + 1));
    int number = 0;
    if (section.empty()) {
      if (name == "wait") {
        if (value == "spin" || value == "rest") s.restWhileWaiting = value == "rest";
        else refuse("wait = " + value + ": expected spin or rest; keeping spin");
      } else if (name == "pause_on_focus_loss") {
        if (value == "0" || value == "1") s.pauseOnFocusLoss = value == "1";
        else refuse("pause_on_focus_loss = " + value + ": expected 0 or 1; keeping 0");
      } else if (name == "sound_volume" || name == "music_volume") {
        int& volume = name == "sound_volume" ? s.soundVolume : s.musicVolume;
        if (readNumber(value, 0, VOLUME_MAX, number)) volume = number;
        else refuse(name + " = " + value + ": out of range 0 to 255; keeping the driver's volume");
      } else {
        refuse("unknown setting '" + name + "'");
      }
    } else if (section == "keys") {
      int action = actionOf(name);
      int scancode = keyFromName(value);
      if (action < 0) refuse("[keys] unknown action '" + name + "'");
      else if (scancode == 0)
        refuse("[keys] " + name + " = " + value + ": no such key; keeping " +
               keyName(DEFAULT_KEYS[action]));
      else keySet[action] = Assigned{scancode, line};
    } else {
      int action = actionOf(name);
      if (name == "sticks") {
        std::istringstream words(value);
        std::vector<int> sticks;
        std::string word;
        bool good = true;
        while (words >> word) {
          good = good && readNumber(word, 1, PAD_STICKS_MAX, number);
          sticks.push_back(number - 1);
        }
        if (good) s.padSticks = sticks;
        else refuse("[pad] sticks = " + value + ": stick numbers from 1 to " +
                    std::to_string(PAD_STICKS_MAX) + " expected; keeping 1 4");
      } else if (action < 0 || action == ACTION_LEFT || action == ACTION_RIGHT) {
        refuse("[pad] unknown action '" + name + "'");
      } else if (!readNumber(value, 0, PAD_BUTTONS_MAX, number)) {
        refuse("[pad] " + name + " = " + value + ": out of range 0 to " +
               std::to_string(PAD_BUTTONS_MAX) + "; keeping " +
               (DEFAULT_PAD_BUTTONS[action] < 0 ? std::string("0")
                                                : padButtonText(DEFAULT_PAD_BUTTONS[action])));
      } else {
        padSet[action] = Assigned{number - 1, line};
      }
    }
  }
  settleClashes(s.keys, DEFAULT_KEYS, keySet, KEY_DOWN, "Down (the menu marker)", fileName, "keys",
                keyName, messages);
  settleClashes(s.padButtons, DEFAULT_PAD_BUTTONS, padSet, -1, "", fileName, "pad",
                padButtonText, messages);
  return s;
}

Settings readSettings(const std::string& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  if (path.empty() || !in) return Settings();
  std::stringstream all;
  all << in.rdbuf();
  std::vector<std::string> messages;
  Settings s = parseSettings(all.str(), path, messages);
  for (const std::string& m : messages) std::fprintf(stderr, "brindlecove: %s\n", m.c_str());
  return s;
}
