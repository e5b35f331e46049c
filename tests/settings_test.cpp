// The settings file: good values, unknown names, clashes and values out of
// range, each refused with its file and line while the default stays.
#include <allegro.h>
#include <gtest/gtest.h>

#include "platform/settings.h"
#include "test_support.h"

namespace {

Settings parse(const std::string& text, std::vector<std::string>& messages) {
  messages.clear();
  return parseSettings(text, "my.cfg", messages);
}

}  // namespace

TEST(SettingsFile, NoFileAndAnEmptyOneGiveTodaysGame) {
  std::vector<std::string> messages;
  for (const Settings& s : {readSettings("/nonexistent/brindlecove.cfg"), parse("", messages)}) {
    EXPECT_FALSE(s.restWhileWaiting);
    EXPECT_FALSE(s.pauseOnFocusLoss);
    EXPECT_EQ(s.soundVolume, -1);
    EXPECT_EQ(s.musicVolume, -1);
    const int keys[ACTION_COUNT] = {KEY_LEFT, KEY_RIGHT, KEY_UP, KEY_SPACE,
                                    KEY_ENTER, KEY_ESC, KEY_P, KEY_M};
    for (int a = 0; a < ACTION_COUNT; a++) EXPECT_EQ(s.keys[a], keys[a]) << actionName(a);
  }
  EXPECT_TRUE(messages.empty());
}

TEST(SettingsFile, EverySettingReadsInAllegrosFormatBesideAllegrosOwnSections) {
  std::vector<std::string> messages;
  Settings s = parse(
      "# mine\r\nwait = rest\npause_on_focus_loss=1\nsound_volume = 0\nmusic_volume = 255\n"
      "[sound]\ndigi_card = whatever\nnot a setting line\n"
      "[keys]\nleft = a\nright = KEY_D\njump = w\nfire = LCONTROL\nenter = Return\n"
      "menu = F10\npause = pause\nmute = 0_pad\n"
      "[pad]\njump = 3\nfire = 0\nenter = 10\nmenu = 9\npause = 32\nmute = 1\nsticks = 2 5\n",
      messages);
  EXPECT_TRUE(messages.empty()) << messages[0];
  EXPECT_TRUE(s.restWhileWaiting);
  EXPECT_TRUE(s.pauseOnFocusLoss);
  EXPECT_EQ(s.soundVolume, 0);
  EXPECT_EQ(s.musicVolume, 255);
  const int keys[ACTION_COUNT] = {KEY_A, KEY_D, KEY_W, KEY_LCONTROL,
                                  KEY_ENTER, KEY_F10, KEY_PAUSE, KEY_0_PAD};
  for (int a = 0; a < ACTION_COUNT; a++) EXPECT_EQ(s.keys[a], keys[a]) << actionName(a);
  const int buttons[ACTION_COUNT] = {-1, -1, 2, -1, 9, 8, 31, 0};
  for (int a = 0; a < ACTION_COUNT; a++) EXPECT_EQ(s.padButtons[a], buttons[a]) << actionName(a);
  EXPECT_EQ(s.padSticks, (std::vector<int>{1, 4}));
  // names read back as they are written
  for (int k : keys) EXPECT_EQ(keyFromName(keyName(k)), k) << keyName(k);
}

TEST(SettingsFile, RefusedLinesAreNamedAndKeepTheirDefaults) {
  struct Case {
    const char* text;
    const char* message;  // the one message expected
  } cases[] = {
      {"wait = sleep\n", "my.cfg:1: wait = sleep: expected spin or rest; keeping spin"},
      {"\npause_on_focus_loss = yes\n",
       "my.cfg:2: pause_on_focus_loss = yes: expected 0 or 1; keeping 0"},
      {"sound_volume = 256\n",
       "my.cfg:1: sound_volume = 256: out of range 0 to 255; keeping the driver's volume"},
      {"music_volume = -1\n",
       "my.cfg:1: music_volume = -1: out of range 0 to 255; keeping the driver's volume"},
      {"volume = 3\n", "my.cfg:1: unknown setting 'volume'"},
      {"[keys]\nshoot = A\n", "my.cfg:2: [keys] unknown action 'shoot'"},
      {"[keys]\nleft = Leftt\n", "my.cfg:2: [keys] left = Leftt: no such key; keeping LEFT"},
      {"[keys]\njump\n", "my.cfg:2: expected 'name = value'"},
      {"[keys]\nleft = A\nright = A\n",
       "my.cfg:3: [keys] right = A clashes with left; keeping RIGHT"},
      {"[keys]\nfire = P\n", "my.cfg:2: [keys] fire = P clashes with pause; keeping SPACE"},
      {"[keys]\nmute = Down\n",
       "my.cfg:2: [keys] mute = DOWN clashes with Down (the menu marker); keeping M"},
      {"[pad]\nfire = 33\n", "my.cfg:2: [pad] fire = 33: out of range 0 to 32; keeping 2"},
      {"[pad]\nleft = 3\n", "my.cfg:2: [pad] unknown action 'left'"},
      {"[pad]\nmenu = 1\n", "my.cfg:2: [pad] menu = 1 clashes with jump; keeping 7"},
      {"[pad]\nsticks = 1 6\n",
       "my.cfg:2: [pad] sticks = 1 6: stick numbers from 1 to 5 expected; keeping 1 4"},
  };
  Settings defaults;
  for (const Case& c : cases) {
    std::vector<std::string> messages;
    Settings s = parse(c.text, messages);
    ASSERT_EQ(messages.size(), 1u) << c.text;
    EXPECT_EQ(messages[0], c.message);
    EXPECT_EQ(s.restWhileWaiting, defaults.restWhileWaiting) << c.text;
    EXPECT_EQ(s.pauseOnFocusLoss, defaults.pauseOnFocusLoss) << c.text;
    EXPECT_EQ(s.soundVolume, -1) << c.text;
    EXPECT_EQ(s.musicVolume, -1) << c.text;
    EXPECT_EQ(s.padSticks, defaults.padSticks) << c.text;
    for (int a = 0; a < ACTION_COUNT; a++) {
      // only the first of two actions on one key keeps it
      bool firstOfClash = std::string(c.text) == "[keys]\nleft = A\nright = A\n" && a == ACTION_LEFT;
      if (!firstOfClash) {
        EXPECT_EQ(s.keys[a], defaults.keys[a]) << c.text << actionName(a);
      }
      EXPECT_EQ(s.padButtons[a], defaults.padButtons[a]) << c.text << actionName(a);
    }
  }
}

TEST(SettingsFile, AKeyFreedLaterInTheFileCanBeTakenEarlierAndMessagesGoToStderr) {
  std::vector<std::string> messages;
  // pause moves off P below, so fire may have P
  Settings s = parse("[keys]\nfire = P\npause = F1\n", messages);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(s.keys[ACTION_FIRE], KEY_P);
  EXPECT_EQ(s.keys[ACTION_PAUSE], KEY_F1);
  // a file on disk: its path in the message, on stderr
  std::string path = writeTempFile("[keys]\njump = Nope\n", "brindlecove.cfg");
  testing::internal::CaptureStderr();
  Settings fromFile = readSettings(path);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "brindlecove: " + path + ":2: [keys] jump = Nope: no such key; keeping UP\n");
  EXPECT_EQ(fromFile.keys[ACTION_JUMP], KEY_UP);
}
