// The pad and remapped keys through the input seam: a scripted pad's
// sticks and buttons as logical keys, its presses and repeats in the key
// buffer as the keyboard's, marked keys, and keys the player chose.
#include <allegro.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "actors/player.h"
#include "app/comforts.h"
#include "app/game_state.h"
#include "app/input.h"
#include "app/keys.h"
#include "input/devices.h"
#include "input/tick_input.h"
#include "scores/high_score_table.h"
#include "scores/name_entry.h"
#include "test_support.h"

namespace {

PadState scripted;
bool scriptedPresent = true;
bool readScripted(PadState& pad) {
  pad = scripted;
  return scriptedPresent;
}

// A pad with two sticks of a d-pad's kind and eight buttons, at rest.
PadState restingPad(int sticks = 4) {
  PadState pad;
  pad.stickCount = sticks;
  pad.buttonCount = 8;
  return pad;
}

std::string heldText(const PadState& pad, const Settings& s) {
  bool held[PAD_KEY_COUNT];
  padKeys(pad, s, held);
  std::string text;
  for (int k = 0; k < PAD_KEY_COUNT; k++) text += held[k] ? "LRUDSEXPM"[k] : '.';
  return text;
}

class PadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetGameState();
    std::vector<std::string> rows(7, std::string(20, '.'));
    rows.push_back(std::string(20, '#'));
    useLevel(levelText(rows));
    player->setX(100);
    player->setY(7 * 32 - TEST_PLAYER_H);
    player->setOnGround(true);
    clear_keybuf();
    scripted = restingPad();
    scriptedPresent = true;
    padReader = readScripted;
    useSettings(Settings());
  }
  void TearDown() override {
    scripted = restingPad();
    beginInputTick();  // the pad let go
    padReader = readAllegroPad;
    useSettings(Settings());
    for (int i = 0; i < KEY_MAX; i++) key[i] = 0;
    clear_keybuf();
  }
  // One tick of the main loop's input with the scripted pad.
  void tick() {
    beginInputTick();
    handleInput();
  }
};

}  // namespace

TEST(PadMapping, SticksAndButtonsHoldTheLogicalKeysTheSettingsGiveThem) {
  Settings standard;
  Settings custom;
  custom.padSticks = {1};
  custom.padButtons[ACTION_JUMP] = 3;
  custom.padButtons[ACTION_FIRE] = -1;
  custom.padButtons[ACTION_PAUSE] = 4;
  struct Case {
    const char* name;
    const Settings& settings;
    int stick;
    char direction;
    int button;
    const char* held;
  } cases[] = {
      {"left stick left", standard, 0, 'l', -1, "L........"},
      {"d-pad (fourth stick) down", standard, 3, 'd', -1, "...D....."},
      {"a trigger's stick is not read", standard, 1, 'l', -1, "........."},
      {"first button jumps", standard, -1, 0, 0, "..U......"},
      {"second button fires", standard, -1, 0, 1, "....S...."},
      {"start is Enter", standard, -1, 0, 7, ".....E..."},
      {"back is Escape", standard, -1, 0, 6, "......X.."},
      {"chosen stick", custom, 1, 'r', -1, ".R......."},
      {"the other stick no longer", custom, 0, 'r', -1, "........."},
      {"chosen jump button", custom, -1, 0, 3, "..U......"},
      {"fire set to none", custom, -1, 0, 1, "........."},
      {"chosen pause button", custom, -1, 0, 4, ".......P."},
  };
  for (const Case& c : cases) {
    PadState pad = restingPad();
    if (c.stick >= 0) {
      PadState::Stick& st = pad.sticks[c.stick];
      st.left = c.direction == 'l';
      st.right = c.direction == 'r';
      st.up = c.direction == 'u';
      st.down = c.direction == 'd';
    }
    if (c.button >= 0) pad.buttons[c.button] = true;
    EXPECT_EQ(heldText(pad, c.settings), c.held) << c.name;
  }
  // a pad with fewer sticks or buttons than the settings name: the rest is not read
  PadState small = restingPad(1);
  small.buttonCount = 1;
  small.buttons[1] = true;
  small.sticks[3].up = true;
  EXPECT_EQ(heldText(small, standard), ".........");
}

TEST_F(PadTest, PadWalksJumpsAndFiresOncePerPressThenAtTheKeyboardsRepeatRate) {
  scripted.sticks[0].right = true;
  tick();
  EXPECT_EQ(player->getSpeedX(), 6);
  player->setSpeedX(0);
  scripted.sticks[0].right = false;
  scripted.buttons[0] = true;
  tick();
  EXPECT_LT(player->getSpeedY(), 0) << "the first button jumps";
  scripted.buttons[0] = false;
  player->setOnGround(true);
  player->setBullets(100);
  scripted.buttons[1] = true;
  // held: the press, quiet through the repeat delay (23 ticks, 660 ms),
  // then 25 repeats a second, never more than one shot a tick
  std::vector<int> shotAt;
  for (int t = 1; t <= 23 + 70; t++) {
    int before = player->getBullets();
    tick();
    ASSERT_LE(before - player->getBullets(), 1);
    if (player->getBullets() < before) shotAt.push_back(t);
  }
  ASSERT_GE(shotAt.size(), 2u);
  EXPECT_EQ(shotAt[0], 1);
  EXPECT_EQ(shotAt[1], 24);
  EXPECT_EQ(shotAt.size(), 1u + 50u) << "two seconds of repeats at 25 a second";
  EXPECT_FALSE(keypressed()) << "the key buffer is emptied every tick";
}

TEST_F(PadTest, SuspendedPlayIgnoresThePadAndStartActsOncePerPressLikeEnter) {
  playSuspended = true;
  newLevel = true;
  player->setBullets(5);
  scripted.buttons[1] = true;
  scripted.sticks[0].right = true;
  tick();
  EXPECT_EQ(player->getSpeedX(), 0);
  EXPECT_EQ(player->getBullets(), 5);
  // Start resumes play, as Enter does
  scripted = restingPad();
  scripted.buttons[7] = true;
  tick();
  EXPECT_FALSE(playSuspended);
  // marked released, it stays so while held, through its repeats
  markReleased(KEY_ENTER);
  for (int t = 0; t < 40; t++) {
    beginInputTick();
    ASSERT_FALSE(keyDown(KEY_ENTER)) << "tick " << t;
  }
  scripted.buttons[7] = false;
  beginInputTick();
  scripted.buttons[7] = true;
  beginInputTick();
  EXPECT_TRUE(keyDown(KEY_ENTER));
  EXPECT_TRUE(keyHeld(KEY_ENTER));
}

TEST_F(PadTest, RemappedKeysActInPlaceOfTheDefaultOnesWhichActNoMore) {
  Settings s;
  s.keys[ACTION_LEFT] = KEY_A;
  s.keys[ACTION_RIGHT] = KEY_LEFT;  // swapped onto another action's default
  s.keys[ACTION_ENTER] = KEY_TAB;
  useSettings(s);
  key[KEY_A] = 1;
  tick();
  EXPECT_EQ(player->getSpeedX(), -6);
  key[KEY_A] = 0;
  player->setSpeedX(0);
  key[KEY_LEFT] = 1;
  tick();
  EXPECT_EQ(player->getSpeedX(), 6) << "Left is the right key now";
  key[KEY_LEFT] = 0;
  key[KEY_ENTER] = 1;
  EXPECT_FALSE(keyDown(KEY_ENTER));
  key[KEY_ENTER] = 0;
  key[KEY_TAB] = 1;
  EXPECT_TRUE(keyDown(KEY_ENTER));
  markReleased(KEY_ENTER);
  EXPECT_EQ(key[KEY_TAB], 0);
}

TEST_F(PadTest, LosingTheFocusPausesUnpausedPlayAndNothingElse) {
  activeScreen = SCREEN_GAME;
  struct Case {
    const char* name;
    Screen screen;
    bool suspended, paused, pauses;
  } cases[] = {
      {"play", SCREEN_GAME, false, false, true},
      {"already paused", SCREEN_GAME, false, true, false},
      {"level intro", SCREEN_GAME, true, false, false},
      {"menu over a game", SCREEN_MENU, false, false, false},
  };
  for (const Case& c : cases) {
    activeScreen = c.screen;
    playSuspended = c.suspended;
    gamePaused = c.paused;
    onFocusLost();
    beginInputTick();
    EXPECT_EQ(inputPausePressed(), c.pauses) << c.name;
    // it counts once
    beginInputTick();
    EXPECT_FALSE(inputPausePressed()) << c.name;
  }
  activeScreen = SCREEN_GAME;
  gamePaused = false;
}

TEST_F(PadTest, StartEndsTheNameEntryAsEnterDoes) {
  setUpHeadlessScreens();
  std::string table = writeTempFile("", "pad.hs");
  std::remove(table.c_str());
  delete highScores;
  highScores = new HighScoreTable(10, table);
  player->setPoints(70);
  beginInputTick();  // the pad seen, Start up
  scripted.buttons[7] = true;
  // the timer, which the wait polls the pad by; after two seconds the
  // keyboard's Enter, should Start not have ended the entry
  std::atomic<bool> done(false), enterNeeded(false);
  std::thread timer([&] {
    for (int ms = 0; !done; ms += 2) {
      tickCounter++;
      if (ms > 2000 && !enterNeeded) {
        enterNeeded = true;
        key[KEY_ENTER] = 1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  runNameEntry();
  done = true;
  timer.join();
  EXPECT_FALSE(enterNeeded) << "Start did not end the name entry";
  EXPECT_EQ(highScores->getScore(0), 70);
}
