// The flow between the menu, the blocking screens and the in-game states,
// driven tick by tick by a scripted keyboard in place of the timer: the
// menu's keys and layout, each way out of an in-game state through the menu
// and back, the blocking screens' exit conditions, the tick backlog, the
// pause and the window's close button.
#include <allegro.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/comforts.h"
#include "app/credits.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "app/keys.h"
#include "app/screens.h"
#include "app/startup.h"
#include "input/tick_input.h"
#include "level/level_sequence.h"
#include "level/tile_map.h"
#include "render/renderer.h"
#include "scores/high_score_table.h"
#include "scores/name_entry.h"
#include "test_support.h"

namespace {

// One hook call is one tick of the timer: the keys of the tick change as a
// keyboard changes them (a press sets the key and queues its character, a
// release clears it; a key held on does nothing, so a key the game marked
// released stays released), then the tick is counted.
class KeyScript {
 public:
  // Keys held together for `ticks` ticks.
  KeyScript& hold(std::set<int> keys, int ticks = 1) {
    for (int i = 0; i < ticks; i++) steps.push_back(keys);
    return *this;
  }
  // One press of a key: held for one tick, released on the next.
  KeyScript& press(int k) { return hold({k}).idle(); }
  KeyScript& idle(int ticks = 1) { return hold({}, ticks); }

  std::vector<std::set<int>> steps;
};

// What one screen or in-game state showed when the script first met it.
struct Visit {
  Screen screen;
  bool suspended, newLevel, gameOver, alive;
  int level, lives, points;
  std::string map;
};

struct Driver {
  std::vector<std::set<int>> steps;
  size_t position = 0;
  int ticksPerCall = 1;
  int calls = 0;
  int extraTicks = 0;  // ticks given after the script ran out
  std::set<int> held;
  std::vector<Visit> visits;
  Screen lastScreen = SCREEN_GAME;
  bool any = false;

  // The keyboard's auto-repeat: a key held this many ticks is pressed again
  // every `repeatEvery` ticks, with no release in between; 0 for none.
  int repeatDelay = 0;
  int repeatEvery = 1;
  std::map<int, int> heldFor;

  static void pressEvent(int k) {
    key[k] = 1;
    onKeyEvent(k);
    simulate_keypress((k << 8) | (k == KEY_ENTER ? 13 : k == KEY_SPACE ? ' ' : 0));
  }

  void apply(const std::set<int>& now) {
    for (int k : held)
      if (!now.count(k)) {
        key[k] = 0;
        onKeyEvent(k | 0x80);
        heldFor.erase(k);
      }
    for (int k : now) {
      if (!held.count(k)) {
        pressEvent(k);
      } else {
        int t = ++heldFor[k];
        if (repeatDelay > 0 && t >= repeatDelay && (t - repeatDelay) % repeatEvery == 0)
          pressEvent(k);
      }
    }
    held = now;
  }

  void tick() {
    calls++;
    if (!any || activeScreen != lastScreen) {
      Visit v{activeScreen,     playSuspended.load(), newLevel,           gameOver,
              player->isAlive(), levelNumber,          player->getLives(), player->getPoints(),
              currentMap ? currentMap->getFileName() : ""};
      visits.push_back(v);
      lastScreen = activeScreen;
      any = true;
    }
    if (position < steps.size()) {
      apply(steps[position++]);
    } else {
      // Out of script: press Enter and Escape together until the program
      // ends (Exit on the menu; the other screens end on Enter).
      if (++extraTicks > 400) {
        std::fprintf(stderr, "the scripted game never ended\n");
        std::_Exit(3);
      }
      apply(extraTicks % 2 ? std::set<int>{KEY_ENTER, KEY_ESC} : std::set<int>{});
    }
    tickCounter += ticksPerCall;
  }
};

Driver* driver = NULL;
void driverTick() { driver->tick(); }

std::string screensOf(const std::vector<Visit>& visits) {
  static const char* const NAMES[] = {"game", "menu", "credits", "scores", "name"};
  std::string text;
  for (const Visit& v : visits) text += std::string(text.empty() ? "" : " ") + NAMES[v.screen];
  return text;
}

std::string scoresText(int score) {
  std::string text;
  for (int i = 0; i < 10; i++) text += std::to_string(score) + "Best" + std::to_string(i) + "\n\r";
  return text;
}

const int FLOOR_ROW = 12;

std::string floorLevel(const std::string& name) {
  std::vector<std::string> rows(FLOOR_ROW, std::string(30, '.'));
  rows.push_back(std::string(30, '#'));
  return levelText(rows, 15, 90, {}, name);
}

class FlowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setUpHeadlessAllegro();
    char pattern[] = "/tmp/brindlecove-flow-XXXXXX";
    runDir = mkdtemp(pattern);
    std::string data = runDir + "/data";
    mkdir(data.c_str(), 0755);
    for (int i = 1; i <= 3; i++)
      writeFile(data + "/level" + std::to_string(i) + ".dat", floorLevel("Level" + std::to_string(i)));
    writeFile(data + "/menu.dat", floorLevel("Menu"));
    setUpHeadlessScreens();
  }

  static void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path.c_str(), std::ios::binary);
    out << text;
  }

  void SetUp() override {
    ASSERT_EQ(getcwd(oldDir, sizeof oldDir), oldDir);
    ASSERT_EQ(chdir(runDir.c_str()), 0);
    resetRun();
  }

  static void letGoOfEveryKey() {
    for (int i = 0; i < KEY_MAX; i++) {
      key[i] = 0;
      onKeyEvent(i | 0x80);
    }
    clear_keybuf();
  }

  // A fresh game state, keyboard and script; for each case of a table too.
  void resetRun() {
    resetGameState();
    letGoOfEveryKey();
    drive = Driver();
    scoresPath = runDir + "/data/game.hs";
    // nobody's 0 points beat these
    writeFile(scoresPath, scoresText(1000));
    delete highScores;
    highScores = new HighScoreTable(10, scoresPath);
    clear_keybuf();
    activeScreen = SCREEN_GAME;
    framesShown = 0;
    tickWaitHook = driverTick;
    driver = &drive;
  }

  void TearDown() override {
    tickWaitHook = NULL;
    driver = NULL;
    letGoOfEveryKey();
    ASSERT_EQ(chdir(oldDir), 0);
  }

  // A game just started from the menu: level 1, suspended at its intro.
  void startGame() {
    player->setLives(3);
    player->setPoints(0);
    player->setBullets(0);
    levelNumber = 0;
    gameOver = false;
    advanceLevel();
  }

  // The in-game states by name, set up as the game reaches them.
  void enterState(const std::string& state) {
    startGame();
    if (state == "intro") return;
    newLevel = false;
    if (state == "playing") {
      playSuspended = false;
      return;
    }
    player->loseLife();
    if (state == "life lost") return;
    if (state == "ready") {
      startLevel();
      return;
    }
    // game ended: the last life lost
    player->loseLife();
    player->loseLife();
    gameOver = true;
  }

  void run(const KeyScript& script) {
    drive.steps = script.steps;
    quitRequested = 0;
    runMainLoop();
  }

  static std::string runDir;
  std::string scoresPath;
  char oldDir[4096];
  Driver drive;
};

std::string FlowTest::runDir;

const char* const IN_GAME_STATES[] = {"intro", "playing", "life lost", "ready", "game ended"};

// Escape, then the menu's Exit chosen with Enter (Down three times).
KeyScript& exitThroughMenu(KeyScript& s) {
  return s.press(KEY_ESC).press(KEY_DOWN).press(KEY_DOWN).press(KEY_DOWN).hold({KEY_ENTER}, 3);
}

}  // namespace

TEST_F(FlowTest, EveryInGameStateLeftByExitWithEnterEndsTheProgramAtOnce) {
  for (const char* state : IN_GAME_STATES) {
    resetRun();
    enterState(state);
    int lives = player->getLives();
    bool alive = player->isAlive();
    KeyScript s;
    exitThroughMenu(s.idle());
    run(s);
    EXPECT_EQ(drive.extraTicks, 0) << state << ": the program went on after Exit";
    EXPECT_EQ(screensOf(drive.visits), "game menu") << state;
    EXPECT_EQ(currentMap->getFileName(), "./data/menu.dat") << state << ": a level was reloaded";
    EXPECT_EQ(player->getLives(), lives) << state;
    EXPECT_EQ(player->isAlive(), alive) << state << ": the level was restarted";
    EXPECT_EQ(readFile(scoresPath), scoresText(1000)) << state;
  }
}

TEST_F(FlowTest, EveryInGameStateLeftForANewGameOpensTheLevelOneWelcome) {
  for (const char* state : IN_GAME_STATES) {
    resetRun();
    enterState(state);
    player->setPoints(55);
    KeyScript s;
    s.idle().press(KEY_ESC).hold({KEY_ENTER}, 3).idle(2).press(KEY_ESC).press(KEY_ESC);
    run(s);
    ASSERT_EQ(screensOf(drive.visits), "game menu game menu") << state;
    const Visit& fresh = drive.visits[2];
    EXPECT_TRUE(fresh.suspended && fresh.newLevel && fresh.alive && !fresh.gameOver) << state;
    EXPECT_EQ(fresh.level, 1) << state;
    EXPECT_EQ(fresh.lives, 3) << state;
    EXPECT_EQ(fresh.points, 0) << state;
    EXPECT_EQ(fresh.map, "./data/level1.dat") << state;
    EXPECT_EQ(drive.extraTicks, 0) << state;
  }
}

TEST_F(FlowTest, AFinishedGameLeadsThroughTheScoresToANewGameWithItsWelcome) {
  enterState("game ended");
  KeyScript s;
  // Enter: scores (no place for 0 points); Enter: menu; Enter: Play game!
  s.idle().hold({KEY_ENTER}, 2).idle(2).press(KEY_ENTER).idle().press(KEY_ENTER).idle(3);
  s.press(KEY_ESC).press(KEY_ESC);
  run(s);
  ASSERT_EQ(screensOf(drive.visits), "game scores menu game menu");
  const Visit& fresh = drive.visits[3];
  EXPECT_TRUE(fresh.newLevel) << "the new game shows the restart text, not its welcome";
  EXPECT_TRUE(fresh.suspended);
  EXPECT_FALSE(fresh.gameOver);
  EXPECT_EQ(fresh.level, 1);
  EXPECT_EQ(fresh.lives, 3);
  EXPECT_EQ(drive.extraTicks, 0);
}

TEST_F(FlowTest, ExitChosenAfterAFinishedGameEndsWithoutAnotherScoreCheck) {
  enterState("game ended");
  KeyScript s;
  s.idle().press(KEY_ENTER).press(KEY_ENTER);  // scores, then the menu
  s.press(KEY_DOWN).press(KEY_DOWN).press(KEY_DOWN).hold({KEY_ENTER}, 4);
  run(s);
  EXPECT_EQ(screensOf(drive.visits), "game scores menu");
  EXPECT_EQ(drive.extraTicks, 0);
  EXPECT_EQ(currentMap->getFileName(), "./data/menu.dat");
}

TEST_F(FlowTest, EnterHeldAfterALostLifeRestartsThenResumesButNeverOpensAScreen) {
  enterState("life lost");
  KeyScript s;
  s.idle().hold({KEY_ENTER}, 2).idle(3).press(KEY_ESC).press(KEY_ESC);
  run(s);
  EXPECT_EQ(screensOf(drive.visits), "game menu");
  // restarted on the first tick, resumed on the second
  EXPECT_TRUE(player->isAlive());
  EXPECT_EQ(player->getLives(), 2);
}

TEST_F(FlowTest, ArrowHeldWhenAGameIsAbandonedDoesNotMoveTheNextOne) {
  enterState("playing");
  KeyScript s;
  // Right and Escape in the same tick, then Play game! and Enter at the intro
  s.idle().hold({KEY_RIGHT, KEY_ESC}).idle().press(KEY_ENTER).idle();
  s.hold({KEY_ENTER});
  run(s);
  // stopped by the script running out on the first tick of play
  EXPECT_EQ(player->getX(), PLAYER_START_X);
}

TEST_F(FlowTest, TheMenuChoiceIsCarriedOutRightAfterTheFrameThatSawEnter) {
  KeyScript s;
  s.idle(4).press(KEY_ENTER);
  drive.steps = s.steps;
  runMenu();
  // one frame per tick: four idle ticks and the tick on which Enter was seen
  EXPECT_EQ(framesShown, 5);
  EXPECT_EQ(levelNumber, 1);
  EXPECT_TRUE(newLevel);
  EXPECT_EQ(key[KEY_ENTER], 0) << "the choosing Enter must not reach the game";
}

TEST_F(FlowTest, BlockingScreensIgnoreTheEnterHeldWhenTheyOpenAndEndOnANewPress) {
  struct Case {
    const char* name;
    void (*show)();
  } cases[] = {{"credits", showCredits}, {"scores", showHighScores}};
  for (const Case& c : cases) {
    resetRun();
    startGame();
    key[KEY_ENTER] = 1;  // the press that opened the screen, still held
    drive.held = {KEY_ENTER};
    KeyScript s;
    s.hold({KEY_ENTER}, 5).idle(2).hold({KEY_ENTER}, 3);
    drive.steps = s.steps;
    c.show();
    // five ticks of the old hold, two idle, and the tick of the new press
    // ends the screen before its frame is drawn
    EXPECT_EQ(framesShown, 7) << c.name;
    EXPECT_EQ(drive.calls, 8) << c.name;
  }
}

TEST_F(FlowTest, PendingTicksAfterAStallAreEachPlayedAndDrawnNoneSkipped) {
  enterState("playing");
  // a floor under the player so that only the walking moves him
  player->setY(FLOOR_ROW * 32 - TEST_PLAYER_H);
  player->setOnGround(true);
  drive.ticksPerCall = 7;
  KeyScript s;
  s.hold({KEY_RIGHT}, 3).hold({KEY_ESC}).idle().press(KEY_ESC);
  run(s);
  // three stalls of seven ticks each with Right held: 21 steps of 6 pixels
  EXPECT_EQ(player->getX(), PLAYER_START_X + 21 * 6);
  // 21 frames of play; Escape on the first of the next seven opens the
  // menu, which draws all seven (the main loop counts its tick only after
  // the menu returns); seven more while Escape is let go; and the frame
  // that sees the second Escape, after which the program ends
  EXPECT_EQ(framesShown, 21 + 7 + 7 + 1);
  EXPECT_EQ(drive.calls, 6);
}

TEST_F(FlowTest, MenuKeysMoveOncePerPressStopAtTheEndsAndEscapeWins) {
  struct Step {
    std::set<int> keys;
    int selected, choice;
    bool downStillHeld;
  };
  struct Case {
    const char* name;
    int start;
    std::vector<Step> steps;
  } cases[] = {
      {"down once per press", 1, {{{KEY_DOWN}, 2, 0, false}, {{}, 2, 0, false}}},
      {"no wrap below Exit", 4, {{{KEY_DOWN}, 4, 0, true}}},
      {"no wrap above Play", 1, {{{KEY_UP}, 1, 0, false}}},
      {"up and down together", 2, {{{KEY_UP, KEY_DOWN}, 2, 0, false}}},
      {"down at Exit with up", 4, {{{KEY_UP, KEY_DOWN}, 3, 0, true}}},
      {"enter chooses", 3, {{{KEY_ENTER}, 3, 3, false}}},
      {"escape beats enter", 1, {{{KEY_ENTER, KEY_ESC}, 4, 4, false}}},
  };
  useLevel(floorLevel("Menu"));
  for (const Case& c : cases) {
    int selected = c.start, choice = 0;
    for (const Step& step : c.steps) {
      for (int i = 0; i < KEY_MAX; i++) key[i] = 0;
      for (int k : step.keys) key[k] = 1;
      drawMenuFrame(selected, choice);
      EXPECT_EQ(selected, step.selected) << c.name;
      EXPECT_EQ(choice, step.choice) << c.name;
      EXPECT_EQ(key[KEY_DOWN] != 0, step.downStillHeld) << c.name;
    }
  }
}

TEST_F(FlowTest, MenuDrawsItsItemsAndTheMarkerBesideTheSelectedOne) {
  // an empty backdrop, so that nothing but the menu is drawn over the sky
  std::vector<std::string> rows(19, std::string(25, '.'));
  useLevel(levelText(rows, 15, 90, {}, "Menu"));
  const char* items[] = {"Play game!", "Credits", "High Score", "Exit"};
  BITMAP* expected = create_bitmap_ex(16, 120, 16);
  for (int selected = 1; selected <= 4; selected++) {
    int s = selected, choice = 0;
    drawMenuFrame(s, choice);
    for (int i = 0; i < 4; i++) {
      clear_to_color(expected, COLOUR_SKY);
      textout_ex(expected, font, items[i], 0, 0, COLOUR_MESSAGE, -1);
      int y = 150 + 30 * i;
      int differing = 0;
      for (int dy = 0; dy < 8; dy++)
        for (int dx = 0; dx < 100; dx++)
          differing += getpixel(backBuffer, 350 + dx, y + dy) != getpixel(expected, dx, dy);
      EXPECT_EQ(differing, 0) << items[i];
      // the marker (the first points picture, 32 x 32) sits left of its item
      bool marker = getpixel(backBuffer, 310 + 16, y + 16) == getpixel(graphic(GFX_POINTS_FIRST), 16, 16);
      EXPECT_EQ(marker, i + 1 == selected) << "item " << i + 1 << " with " << selected << " selected";
    }
  }
  destroy_bitmap(expected);
}

TEST_F(FlowTest, KeysHeldThroughAHandOverStayReleasedThroughTheirAutoRepeat) {
  // held past the repeat delay: Enter from the game-ended picture into the
  // scores, Escape from the game into the menu
  enterState("game ended");
  drive.repeatDelay = 23;  // two thirds of a second
  drive.repeatEvery = 2;
  KeyScript s;
  s.idle().hold({KEY_ENTER}, 100).idle().press(KEY_ENTER).press(KEY_ENTER);
  s.hold({KEY_ESC}, 100).idle().press(KEY_ENTER);
  s.idle(3).press(KEY_ESC).press(KEY_ESC);
  run(s);
  EXPECT_EQ(screensOf(drive.visits), "game scores menu game menu game menu");
  EXPECT_EQ(drive.extraTicks, 0);
  EXPECT_EQ(levelNumber, 1);
}

TEST_F(FlowTest, AMarkedKeyCountsAgainOnceLetGoAndPressedAnew) {
  // a key up when it is marked: the mark is only the write of 0
  key[KEY_ENTER] = 1;
  markReleased(KEY_ENTER);
  EXPECT_EQ(key[KEY_ENTER], 0);
  key[KEY_ENTER] = 1;
  EXPECT_TRUE(keyDown(KEY_ENTER));
  // held when marked: its repeats do not count, a release and press does
  Driver::pressEvent(KEY_ENTER);
  markReleased(KEY_ENTER);
  Driver::pressEvent(KEY_ENTER);
  EXPECT_FALSE(keyDown(KEY_ENTER));
  key[KEY_ENTER] = 0;
  onKeyEvent(KEY_ENTER | 0x80);
  Driver::pressEvent(KEY_ENTER);
  EXPECT_TRUE(keyDown(KEY_ENTER));
  // unmarked keys are read as they are, repeats included
  Driver::pressEvent(KEY_LEFT);
  Driver::pressEvent(KEY_LEFT);
  EXPECT_TRUE(keyDown(KEY_LEFT));
  onKeyEvent(KEY_ENTER | 0x80);
  onKeyEvent(KEY_LEFT | 0x80);
}

namespace {

// A music player that moves on one step a tick while it runs.
bool musicRunning = true;
long musicPosition = 0;
void fakePauseMusic() { musicRunning = false; }
void fakeResumeMusic() { musicRunning = true; }

// What pause must hold still: the world, the clock, the music.
std::vector<long> worldNow() {
  std::vector<long> v = {player->getX(), player->getY(), player->getSpeedY(),
                         player->getBullets(), timeLeft.load(), musicPosition};
  for (Enemy* e = enemyList->getHead(); e; e = e->getNext()) v.push_back(e->getX());
  for (int i = 0; i < platformList->getCount(); i++) v.push_back(platformList->get(i)->getX());
  return v;
}

std::vector<std::vector<long>> seen;  // worldNow() before each tick
std::vector<bool> pausedSeen;
Driver* pauseDriver = NULL;

// The timer and the keyboard as the flow test plays them, with the
// one-second clock after every 35th tick and the music going on.
void pauseTick() {
  seen.push_back(worldNow());
  pausedSeen.push_back(gamePaused);
  if (musicRunning) musicPosition++;
  if (pauseDriver->calls > 0 && pauseDriver->calls % 35 == 0) onSecond();
  pauseDriver->tick();
}

struct CloseRequested {};
void throwClosed() { throw CloseRequested(); }
int closeAt = -1;  // the tick of the script on which the window is closed
void closingTick() {
  if (driver->calls == closeAt) closeRequested = true;
  driver->tick();
}

}  // namespace

TEST_F(FlowTest, PauseFreezesTheWorldTheClockAndTheMusicAndNothingElse) {
  enterState("playing");
  // a walking enemy and a shuttle, so that the world has something to move
  std::vector<std::string> rows(FLOOR_ROW, std::string(30, '.'));
  rows[FLOOR_ROW - 1][20] = 'e';
  rows.push_back(std::string(30, '#'));
  useLevel(levelText(rows, 15, 90, {{300, 200, 600, 200}}, "Pause"));
  player->setY(FLOOR_ROW * 32 - TEST_PLAYER_H);
  player->setOnGround(true);
  player->setBullets(3);
  timeLeft = 90;
  musicRunning = true;
  musicPosition = 0;
  void (*savedPause)() = pauseMusic;
  void (*savedResume)() = resumeMusic;
  pauseMusic = fakePauseMusic;
  resumeMusic = fakeResumeMusic;
  seen.clear();
  pausedSeen.clear();
  pauseDriver = &drive;
  tickWaitHook = pauseTick;
  KeyScript s;
  // walk, pause, try every play key for three seconds, resume, walk
  s.hold({KEY_RIGHT}, 5).press(KEY_P).hold({KEY_RIGHT}, 40).hold({KEY_SPACE, KEY_UP}, 30);
  s.idle(40).press(KEY_P).hold({KEY_RIGHT}, 40).press(KEY_ESC).press(KEY_ESC);
  run(s);
  pauseMusic = savedPause;
  resumeMusic = savedResume;
  ASSERT_GT(seen.size(), 150u);
  // the P pressed on call 5 (a tick sees it on the next) pauses from tick 7
  size_t first = 0, last = 0;
  for (size_t i = 0; i < pausedSeen.size(); i++)
    if (pausedSeen[i]) {
      if (!first) first = i;
      last = i;
    }
  EXPECT_EQ(last - first + 1, 40u + 30u + 40u + 2u);
  for (size_t i = first; i <= last; i++) ASSERT_EQ(seen[i], seen[first]) << "paused tick " << i;
  EXPECT_EQ(seen[first][4], 90 - 0) << "no second of the clock went before the pause";
  // before the pause and after it, everything moves on
  EXPECT_NE(seen[first - 2], seen[first]);
  EXPECT_NE(seen[last + 3], seen[last]);
  EXPECT_LT(timeLeft, 90) << "the clock runs again after the pause";
  EXPECT_EQ(player->getBullets(), 3) << "Space fired while paused";
  EXPECT_FALSE(gamePaused);
  // a frame for every tick, the paused ones too
  EXPECT_GE(framesShown, static_cast<long>(seen.size()) - 2);
}

TEST_F(FlowTest, PauseIsOnlyForPlayAndEscapeAndEnterKeepTheirMeaning) {
  // P on the intro: nothing; Enter: play; P: paused; Enter: still paused;
  // Escape: the menu; Play game!: a new game, not paused
  enterState("intro");
  KeyScript s;
  s.press(KEY_P).idle(2).press(KEY_ENTER).press(KEY_P).idle(2).press(KEY_ENTER).idle(2);
  s.press(KEY_ESC).press(KEY_ENTER).idle(2).press(KEY_ESC).press(KEY_ESC);
  pausedSeen.clear();
  tickWaitHook = [] {
    pausedSeen.push_back(gamePaused);
    driver->tick();
  };
  run(s);
  ASSERT_GT(pausedSeen.size(), 20u);
  std::string paused;
  for (size_t i = 0; i < 20; i++) paused += pausedSeen[i] ? 'P' : '.';
  // calls 0-4 the intro and its Enter, 6 P (seen on 7), Enter on 10,
  // Escape on 14 opens the menu; Play game! (Enter on 15) ends the pause
  // once the menu has returned
  EXPECT_EQ(paused, ".......PPPPPPPPPP...");
  EXPECT_EQ(screensOf(drive.visits), "game menu game menu");
  EXPECT_FALSE(drive.visits[2].alive && drive.visits[2].suspended && gamePaused);
  EXPECT_EQ(levelNumber, 1);
}

TEST_F(FlowTest, TheCloseButtonEndsTheProgramWithinATickFromAnyScreen) {
  void (*savedHook)() = closeHook;
  closeHook = throwClosed;
  tickWaitHook = closingTick;
  struct Case {
    const char* name;
    std::function<void()> run;
    int closeAt;
  } cases[] = {
      {"menu", [] { runMenu(); }, 3},
      {"credits", [this] { startGame(); showCredits(); }, 3},
      {"scores", [this] { startGame(); showHighScores(); }, 3},
      {"play", [this] { enterState("playing"); run(KeyScript().hold({KEY_RIGHT}, 20)); }, 5},
  };
  for (const Case& c : cases) {
    resetRun();
    tickWaitHook = closingTick;
    closeAt = c.closeAt;
    closeRequested = false;
    drive.steps = KeyScript().idle(50).steps;
    bool closed = false;
    try {
      c.run();
    } catch (const CloseRequested&) {
      closed = true;
    }
    closeRequested = false;
    EXPECT_TRUE(closed) << c.name;
    // the tick after the close is not drawn
    EXPECT_EQ(drive.calls, c.closeAt + 1) << c.name;
    EXPECT_EQ(framesShown, c.closeAt) << c.name;
    EXPECT_EQ(readFile(scoresPath), scoresText(1000)) << c.name;
  }
  // the name entry waits for a key: the close wakes it, and the name
  // typed so far is not stored
  resetRun();
  writeFile(scoresPath, scoresText(0));
  delete highScores;
  highScores = new HighScoreTable(10, scoresPath);
  player->setPoints(500);
  simulate_keypress('A');
  onCloseButton();
  bool closed = false;
  try {
    runNameEntry();
  } catch (const CloseRequested&) {
    closed = true;
  }
  closeRequested = false;
  EXPECT_TRUE(closed);
  EXPECT_EQ(readFile(scoresPath), scoresText(0));
  EXPECT_EQ(highScores->getScore(0), 0);
  closeHook = savedHook;
}
