// Replays: the recording format and its header check, the command line's
// replay options, a game recorded from a scripted keyboard and replayed to
// the same states, and recorded games replayed headless through the game's
// own loops against the states recorded with them (tests/replays).
#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/moving_platform.h"
#include "actors/player.h"
#include "app/data_objects.h"
#include "app/game_state.h"
#include "app/keys.h"
#include "app/screens.h"
#include "app/startup.h"
#include "input/recording.h"
#include "input/tick_input.h"
#include "level/level_sequence.h"
#include "level/tile_map.h"
#include "platform/options.h"
#include "platform/paths.h"
#include "scores/high_score_table.h"
#include "level_solver.h"
#include "world_state.h"
#include "level_run.h"
#include "test_support.h"

namespace {

const std::string DATA = DATA_SOURCE_DIR;
const std::string REPLAYS = REPLAY_SOURCE_DIR;

// ---- the format ----

TickInput flags(const std::string& word) {
  TickInput in;
  in.left = word.find('L') != std::string::npos;
  in.right = word.find('R') != std::string::npos;
  in.up = word.find('U') != std::string::npos;
  in.down = word.find('D') != std::string::npos;
  in.space = word.find('S') != std::string::npos;
  in.enter = word.find('E') != std::string::npos;
  in.escape = word.find('X') != std::string::npos;
  in.keyPressed = word.find('K') != std::string::npos;
  in.secondTicked = word.find('C') != std::string::npos;
  return in;
}

std::string header(const std::string& levelLine = "level 1 00000000 a.dat") {
  return "brindlecove-recording 1\ngame " + std::string(GAME_VERSION) + "\nlevels 1\n" + levelLine +
         "\nticks\n";
}

TEST(RecordingFormat, WrittenEventsReadBackInOrderWithRunsOfEqualTicksOnOneLine) {
  std::string level = writeTempFile("level bytes", "a.dat");
  Recording header;
  header.game = GAME_VERSION;
  std::string error;
  ASSERT_TRUE(makeRecordingHeader({level}, header, error)) << error;
  std::string path = writeTempFile("", "round.rec");
  RecordingWriter out;
  ASSERT_TRUE(out.open(path, header, error)) << error;
  out.tick(flags("E"));
  for (int i = 0; i < 5; i++) out.tick(flags(""));
  out.tick(flags("E"));
  out.level(1);
  out.worldMoved();
  out.tick(flags("RSKC"));
  out.worldMoved();
  out.tick(flags("RSKC"));
  out.worldMoved();
  out.qualifies(true);
  out.nameKey('A', false, false);
  out.nameKey(13, false, true);
  out.tick(flags("LUDX"));
  out.close();

  std::string text = readFile(path);
  EXPECT_NE(text.find("\n.......... 5\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nlevel 1\n.....E...W\n.R..S..KCW 2\nq 1\nn 65 0 0\nn 13 0 1\n"),
            std::string::npos)
      << text;

  Recording back;
  ASSERT_TRUE(readRecording(path, back, error)) << error;
  EXPECT_EQ(back.game, GAME_VERSION);
  ASSERT_EQ(back.levels.size(), 1u);
  EXPECT_EQ(back.levels[0].crc, header.levels[0].crc);
  // the CRC-32 check value of the zlib polynomial
  uint32_t crc = 0;
  ASSERT_TRUE(fileChecksum(writeTempFile("123456789", "check.dat"), crc));
  EXPECT_EQ(crc, 0xcbf43926u);
  std::vector<RecordedEvent::Kind> kinds;
  for (const RecordedEvent& e : back.events) kinds.push_back(e.kind);
  using K = RecordedEvent;
  std::vector<RecordedEvent::Kind> expected = {K::TICK, K::TICK, K::TICK, K::TICK, K::TICK,
                                               K::TICK, K::LEVEL, K::TICK, K::TICK, K::TICK,
                                               K::QUALIFIES, K::NAME_KEY, K::NAME_KEY, K::TICK};
  ASSERT_EQ(kinds, expected);
  EXPECT_TRUE(back.events[7].input == flags("E") && back.events[7].worldMoved);
  EXPECT_TRUE(back.events[8].input == flags("RSKC") && back.events[9].worldMoved);
  EXPECT_TRUE(back.events[13].input == flags("LUDX") && !back.events[13].worldMoved);
  EXPECT_EQ(back.events[12].value, 13);
  EXPECT_TRUE(back.events[12].enter);
}

TEST(RecordingFormat, DamagedRecordingsAreRefusedWithTheirLine) {
  const struct {
    std::string text, error;
  } cases[] = {
      {"brindlecove-replay 1\n", ":1: not a Brindlecove recording (expected 'brindlecove-recording 1')"},
      {"brindlecove-recording 2\n", ":1: recording format 2; this game reads format 1"},
      {"brindlecove-recording 1\nlevels 1\n", ":2: expected 'game VERSION'"},
      {header("level 2 00000000 a.dat"), ":4: expected 'level 1 CRC32 NAME'"},
      {header("level 1 0000000g a.dat"), ":4: expected 'level 1 CRC32 NAME'"},
      {header() + "..........\n", ":7: the recording is cut short (no end line)"},
      {header() + "......... \nend 1\n", ":6: expected ten tick columns of LRUDSEXKCW (or twelve, with PM) or '.', or a level, q, n or end line"},
      {header() + "R.........\nend 1\n", ":6: expected ten tick columns of LRUDSEXKCW (or twelve, with PM) or '.', or a level, q, n or end line"},
      {header() + ".......... 0\nend 0\n", ":6: a repeat count of 1 to 10000000 expected"},
      {header() + ".......... 3\nend 2\n", ":7: the end line says 2 ticks; the file holds 3"},
      {header() + "q 2\nend 0\n", ":6: expected 'q 0' or 'q 1'"},
      {header() + "n 65 0\nend 0\n", ":6: expected 'n CHARACTER BACKSPACE ENTER'"},
      {header() + "end 0\n..........\n", ":7: nothing may follow the end line"},
      {header() + "# a comment\n.......... 2\nend 2\n", ""},
  };
  for (const auto& c : cases) {
    std::string path = writeTempFile(c.text, "damaged.rec");
    Recording r;
    std::string error;
    bool read = readRecording(path, r, error);
    EXPECT_EQ(read, c.error.empty()) << c.text << error;
    if (!read) {
      EXPECT_EQ(error, path + c.error) << c.text;
    }
  }
}

TEST(RecordingFormat, TheHeaderMustNameThisGameAndTheseLevelFiles) {
  std::string one = writeTempFile("first level", "one.dat");
  std::string two = writeTempFile("second level", "two.dat");
  Recording r;
  r.game = GAME_VERSION;
  std::string error;
  ASSERT_TRUE(makeRecordingHeader({one, two}, r, error)) << error;
  EXPECT_TRUE(recordingMatches(r, GAME_VERSION, {one, two}, error)) << error;
  EXPECT_FALSE(recordingMatches(r, "Version 9", {one, two}, error));
  EXPECT_NE(error.find("recorded by \"" + std::string(GAME_VERSION)), std::string::npos) << error;
  EXPECT_FALSE(recordingMatches(r, GAME_VERSION, {one}, error));
  EXPECT_EQ(error, "recorded with 2 level files; this game has 1");
  EXPECT_FALSE(recordingMatches(r, GAME_VERSION, {one, one}, error));
  EXPECT_EQ(error.rfind("level 2: " + one + " (checksum ", 0), 0u) << error;
}

// ---- the command line ----

int parse(std::vector<std::string> words, Options& options, std::string& err) {
  words.insert(words.begin(), "brindlecove");
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);
  FILE* errFile = std::tmpfile();
  FILE* outFile = std::tmpfile();
  int status = readCommandLine(static_cast<int>(words.size()), argv.data(), options, outFile, errFile);
  std::rewind(errFile);
  char line[512] = {0};
  err = std::fgets(line, sizeof line, errFile) ? line : "";
  std::fclose(errFile);
  std::fclose(outFile);
  return status;
}

TEST(ReplayOptions, RecordReplayAndSpeedAreReadAndWrongUsesRefused) {
  Options o;
  std::string err;
  EXPECT_EQ(parse({"--record", "a.rec"}, o, err), -1);
  EXPECT_EQ(o.recordFile, "a.rec");
  EXPECT_EQ(parse({"--replay", "b.rec", "--replay-speed", "0"}, o, err), -1);
  EXPECT_EQ(o.replayFile, "b.rec");
  EXPECT_EQ(o.replaySpeed, 0);
  EXPECT_EQ(parse({"--replay", "b.rec"}, o, err), -1);
  EXPECT_EQ(o.replaySpeed, 1);
  EXPECT_EQ(parse({"--replay", "b.rec", "--replay-speed=100"}, o, err), -1);
  EXPECT_EQ(o.replaySpeed, 100);
  for (const char* bad : {"101", "-1", "2x", "", "+3"}) {
    EXPECT_EQ(parse({"--replay", "b.rec", "--replay-speed", bad}, o, err), EXIT_USAGE_ERROR) << bad;
  }
  EXPECT_EQ(parse({"--replay-speed", "4"}, o, err), EXIT_USAGE_ERROR);
  EXPECT_EQ(err, "brindlecove: --replay-speed needs --replay\n");
  EXPECT_EQ(parse({"--record", "a", "--replay", "b"}, o, err), EXIT_USAGE_ERROR);
  EXPECT_EQ(err, "brindlecove: --record and --replay cannot go together\n");
  EXPECT_EQ(parse({"--record"}, o, err), EXIT_USAGE_ERROR);
  EXPECT_EQ(parse({}, o, err), -1);
  EXPECT_TRUE(o.recordFile.empty() && o.replayFile.empty());
  EXPECT_EQ(o.replaySpeed, 1);
}

// ---- games through the real loops ----

struct ReplayStopped : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct ReplayDiverged : std::runtime_error {
  using std::runtime_error::runtime_error;
};
[[noreturn]] void throwStopped(const std::string& why) { throw ReplayStopped(why); }
[[noreturn]] void throwDiverged(const std::string& what) { throw ReplayDiverged(what); }

// FNV-1a over what a tick leaves behind: the flow, the clock, the view,
// the player, and every enemy, bullet and platform.
struct StateHash {
  uint32_t h = 2166136261u;
  void add(long v) {
    for (int i = 0; i < 8; i++) {
      h ^= static_cast<uint32_t>((v >> (8 * i)) & 0xFF);
      h *= 16777619u;
    }
  }
};

uint32_t worldHash() {
  StateHash s;
  for (long v : {static_cast<long>(levelNumber), static_cast<long>(timeLeft.load()),
                 static_cast<long>(playSuspended.load()), static_cast<long>(gameOver),
                 static_cast<long>(newLevel), static_cast<long>(activeScreen),
                 static_cast<long>(scrollX), static_cast<long>(scrollY)})
    s.add(v);
  for (long v : {player->getX(), player->getY(), player->getSpeedX(), player->getSpeedY(),
                 static_cast<int>(player->isAlive()), player->getPoints(), player->getBullets(),
                 player->getLives()})
    s.add(v);
  for (Enemy* e = enemyList->getHead(); e; e = e->getNext()) {
    s.add(e->getX());
    s.add(e->getY());
    s.add(e->isAlive());
  }
  for (Bullet* b = bulletList->getHead(); b; b = b->getNext()) {
    s.add(b->getX());
    s.add(b->getY());
  }
  for (int i = 0; platformList && i < platformList->getCount(); i++) {
    s.add(platformList->get(i)->getX());
    s.add(platformList->get(i)->getY());
  }
  return s.h;
}

// What a game left: its end state and the world's hash every 35 ticks.
struct GameTrail {
  std::vector<std::pair<long, uint32_t>> hashes;
  long ticks = 0;
  int level = 0, score = 0, lives = 0, ammo = 0;
  std::string stop;

  std::string finalLine() const {
    return "final ticks " + std::to_string(ticks) + " level " + std::to_string(level) +
           " score " + std::to_string(score) + " lives " + std::to_string(lives) + " ammo " +
           std::to_string(ammo);
  }
};

// Keys held per tick, as the flow test's keyboard plays them; empty sets
// once the script runs out.
std::vector<std::set<int>>* script = nullptr;
std::set<int> heldKeys;
size_t scriptAt = 0;
GameTrail* trail = nullptr;
long hashedAt = -1;

// Lets go of the keys held before and presses the new ones, as a keyboard
// would: key states, the key tracking, and a press into the key buffer.
void holdKeys(const std::set<int>& now) {
  for (int k : heldKeys)
    if (!now.count(k)) {
      key[k] = 0;
      onKeyEvent(k | 0x80);
    }
  for (int k : now)
    if (!heldKeys.count(k)) {
      key[k] = 1;
      onKeyEvent(k);
      int ascii = k == KEY_ENTER ? 13 : k == KEY_SPACE ? ' ' : 'a';
      if (k >= KEY_A && k <= KEY_Z) ascii = 'A' + (k - KEY_A);
      simulate_keypress((k << 8) | ascii);
    }
  heldKeys = now;
}

// Picks the keys of the next tick from what the game shows; set by a test.
std::set<int> (*plannedKeys)() = nullptr;

// The actors after each tick the game has taken, by its input tick count,
// when a test asks for them.
std::map<long, std::vector<int>>* actorsByTick = nullptr;

std::vector<int> actorsNow() {
  std::vector<int> v = {player->getX(), player->getY(), player->getSpeedY(), player->isAlive()};
  for (Enemy* e = enemyList->getHead(); e; e = e->getNext())
    v.insert(v.end(), {e->getX(), e->getY(), e->isAlive()});
  for (int i = 0; platformList && i < platformList->getCount(); i++)
    v.insert(v.end(), {platformList->get(i)->getX(), platformList->get(i)->getY()});
  return v;
}

void tickHook() {
  long t = inputTicks();
  if (actorsByTick && player && enemyList) (*actorsByTick)[t] = actorsNow();
  if (t % TICKS_PER_SECOND == 0 && t != hashedAt && t > 0) {
    trail->hashes.push_back({t, worldHash()});
    hashedAt = t;
  }
  if (script) {
    std::set<int> now = scriptAt < script->size() ? (*script)[scriptAt] : std::set<int>();
    scriptAt++;
    if (scriptAt > script->size() + 200) throw ReplayStopped("the scripted game never ended");
    holdKeys(now);
  } else if (plannedKeys) {
    holdKeys(plannedKeys());
  }
  tickCounter += 1;
}

class GameReplay : public ::testing::Test {
 protected:
  void SetUp() override {
    resetGameState();
    setUpHeadlessScreens();
    // the menu backdrop is the shipped one, read as data/menu.dat
    setDataFolder(DATA + "/..");
    scores = writeTempFile("", "game.hs");
    std::remove(scores.c_str());
    delete highScores;
    highScores = new HighScoreTable(10, scores);
    for (int i = 0; i < KEY_MAX; i++) onKeyEvent(i | 0x80);
    clear_keybuf();
    heldKeys.clear();
    scriptAt = 0;
    hashedAt = -1;
    activeScreen = SCREEN_GAME;
    replayEndHook = throwStopped;
    replayMismatchHook = throwDiverged;
    tickWaitHook = tickHook;
  }

  void TearDown() override {
    stopInputCapture();
    tickWaitHook = NULL;
    script = nullptr;
    plannedKeys = nullptr;
    trail = nullptr;
    actorsByTick = nullptr;
    for (int i = 0; i < KEY_MAX; i++) {
      key[i] = 0;
      onKeyEvent(i | 0x80);
    }
    clear_keybuf();
  }


 public:
  // The game from its first menu, as main() runs it, until the program
  // ends or the replay stops.
  GameTrail play() {
    GameTrail result;
    trail = &result;
    quitRequested = 0;
    try {
      runMenu();
      runMainLoop();
    } catch (const ReplayStopped& stopped) {
      result.stop = stopped.what();
    }
    result.ticks = inputTicks();
    result.level = levelNumber;
    result.score = player->getPoints();
    result.lives = player->getLives();
    result.ammo = player->getBullets();
    trail = nullptr;
    return result;
  }

  std::string scores;
};

std::vector<std::string> shippedLevels(int count) {
  std::vector<std::string> files;
  for (int n = 1; n <= count; n++) files.push_back(DATA + "/level" + std::to_string(n) + ".dat");
  return files;
}

TEST_F(GameReplay, AGameRecordedFromTheKeyboardReplaysThroughTheSameStates) {
  // the same game without and with a pause and the mute key
  for (bool comforts : {false, true}) {
    SetUp();
    setLevelFiles(shippedLevels(1));
    std::vector<std::set<int>> keys;
    auto hold = [&](std::set<int> k, int ticks) {
      for (int i = 0; i < ticks; i++) keys.push_back(k);
    };
    // Play game!, the welcome, a walk with jumps and shots, then the menu's Exit
    hold({KEY_ENTER}, 2);
    hold({}, 3);
    hold({KEY_ENTER}, 1);
    for (int i = 0; i < 12; i++) {
      hold({KEY_RIGHT}, 20);
      hold({KEY_RIGHT, KEY_UP}, 4);
      hold({KEY_RIGHT, KEY_SPACE}, 2);
      hold({KEY_LEFT}, 3);
      if (comforts && i == 5) {
        // paused while walking on, then M during the pause
        hold({KEY_RIGHT, KEY_P}, 1);
        hold({KEY_RIGHT}, 30);
        hold({KEY_M}, 1);
        hold({KEY_P}, 1);
      }
    }
    hold({}, 40);
    hold({KEY_ESC}, 1);
    hold({}, 1);
    for (int i = 0; i < 3; i++) {
      hold({KEY_DOWN}, 1);
      hold({}, 1);
    }
    hold({KEY_ENTER}, 2);
    script = &keys;
    std::string path = writeTempFile("", "keyboard.rec");
    std::string error;
    ASSERT_TRUE(startRecording(path, shippedLevels(1), error)) << error;
    GameTrail live = play();
    stopInputCapture();
    ASSERT_EQ(quitRequested, 1) << live.stop;
    ASSERT_GT(live.ticks, 300);
    EXPECT_GT(player->getX(), 0);
    // P and M get their columns on their ticks alone
    std::string text = readFile(path);
    EXPECT_EQ(text.find(".P. ") != std::string::npos || text.find(".P.\n") != std::string::npos,
              comforts)
        << text;
    EXPECT_EQ(text.find(".M\n") != std::string::npos, comforts) << text;

    Recording recording;
    ASSERT_TRUE(readRecording(path, recording, error)) << error;
    ASSERT_TRUE(recordingMatches(recording, GAME_VERSION, shippedLevels(1), error)) << error;
    SetUp();
    script = nullptr;
    setLevelFiles(shippedLevels(1));
    startReplay(recording);
    GameTrail replayed;
    ASSERT_NO_THROW(replayed = play());
    EXPECT_EQ(quitRequested, 1) << replayed.stop;
    EXPECT_EQ(replayed.finalLine(), live.finalLine());
    EXPECT_EQ(replayed.hashes, live.hashes);
    stopInputCapture();
  }
}

// A recorded game in tests/replays: NAME.rec the input, NAME.expect the
// states recorded with it ("hash TICK HEX" lines and the final line). With
// BRINDLECOVE_WRITE_EXPECTED set the states are written instead, for a
// recording that is meant to change.
void checkRecordedGame(GameReplay& fixture, const std::string& name, int levels,
                       GameTrail (GameReplay::*playIt)()) {
  setLevelFiles(shippedLevels(levels));
  Recording recording;
  std::string error;
  ASSERT_TRUE(readRecording(REPLAYS + "/" + name + ".rec", recording, error)) << error;
  ASSERT_TRUE(recordingMatches(recording, GAME_VERSION, shippedLevels(levels), error)) << error;
  startReplay(recording);
  GameTrail got;
  try {
    got = (fixture.*playIt)();
  } catch (const ReplayDiverged& diverged) {
    FAIL() << name << ": " << diverged.what();
  }
  std::string expectPath = REPLAYS + "/" + name + ".expect";
  if (std::getenv("BRINDLECOVE_WRITE_EXPECTED")) {
    std::ofstream out(expectPath.c_str());
    for (const auto& h : got.hashes) {
      char hex[9];
      std::snprintf(hex, sizeof hex, "%08x", h.second);
      out << "hash " << h.first << " " << hex << "\n";
    }
    out << got.finalLine() << "\n";
    return;
  }
  std::ifstream in(expectPath.c_str());
  ASSERT_TRUE(in) << expectPath;
  std::string line, finalLine;
  size_t i = 0;
  while (std::getline(in, line)) {
    if (line.rfind("final ", 0) == 0) {
      finalLine = line;
      continue;
    }
    std::istringstream row(line);
    std::string word, hex;
    long tick = 0;
    row >> word >> tick >> hex;
    ASSERT_LT(i, got.hashes.size()) << name << ": the replay ended before tick " << tick;
    char mine[9];
    std::snprintf(mine, sizeof mine, "%08x", got.hashes[i].second);
    // the first tick whose world differs is where the physics changed
    ASSERT_TRUE(got.hashes[i].first == tick && hex == mine)
        << name << ": the world first differs at tick " << tick << " (within the 35 ticks "
        << "before it)";
    i++;
  }
  EXPECT_EQ(i, got.hashes.size()) << name << ": the replay ran on past the recorded states";
  EXPECT_EQ(got.finalLine(), finalLine) << name;
}

TEST_F(GameReplay, TheSolversRunOfLevelOneReplaysToTheRecordedEnd) {
  checkRecordedGame(*this, "level1-solver", 1, &GameReplay::play);
  // the run reaches the exit in the game too: the one level is done
  EXPECT_EQ(levelNumber, 2);
  EXPECT_TRUE(gameOver);
}

// The solver's best run of a shipped level, as a trace, played by the game:
// it must finish the level there, the only one played.
void playSolversRun(GameReplay& fixture, int level) {
  const std::string path = DATA + "/level" + std::to_string(level) + ".dat";
  std::string error;
  ASSERT_TRUE(startRun(path, error)) << error;
  SolveResult best = solveLevel(SolveOptions());
  ASSERT_TRUE(best.finishable);
  std::string trace = writeTempFile("", "solved.trace");
  ASSERT_TRUE(writeTrace(trace, "level " + std::to_string(level), best.keys, error)) << error;
  setLevelFiles({path});
  Recording recording;
  ASSERT_TRUE(readRecording(trace, recording, error)) << error;
  startReplay(recording);
  try {
    fixture.play();
  } catch (const ReplayDiverged& diverged) {
    FAIL() << "level " << level << ": " << diverged.what();
  }
  EXPECT_EQ(levelNumber, 2) << "level " << level;
  EXPECT_TRUE(gameOver) << "level " << level;
}

TEST_F(GameReplay, TheSolversRunOfLevelTwoFinishesItInTheGame) { playSolversRun(*this, 2); }

TEST_F(GameReplay, TheSolversRunOfLevelThreeFinishesItInTheGame) { playSolversRun(*this, 3); }

TEST_F(GameReplay, TheLevelToolsTraceMovesTheGamesWorldAsItMovedTheTools) {
  // Level 3 has enemies and platforms moving from the first tick: a world
  // one tick apart shows in every actor. Right held, two jumps.
  const std::string level = DATA + "/level3.dat";
  std::vector<TickKeys> keys(90);
  for (size_t t = 0; t < keys.size(); t++) {
    keys[t].right = true;
    keys[t].up = t == 20 || t == 70;
  }
  std::string error;
  ASSERT_TRUE(startRun(level, error)) << error;
  std::vector<std::vector<int>> tool = {actorsNow()};
  int tick = 0;
  for (const TickKeys& k : keys) {
    ASSERT_EQ(runTick(k, tick), RUN_PLAYING) << "tick " << tick;
    tool.push_back(actorsNow());
  }
  std::string trace = writeTempFile("", "level3.trace");
  ASSERT_TRUE(writeTrace(trace, "level 3", keys, error)) << error;

  setLevelFiles({level});
  Recording recording;
  ASSERT_TRUE(readRecording(trace, recording, error)) << error;
  startReplay(recording);
  std::map<long, std::vector<int>> game;
  actorsByTick = &game;
  // The trace shows a finished run for two seconds after its keys; this one
  // is not finished, so the world goes on moving then, which the replay
  // stops at. Up to there the two worlds must be the same.
  std::string stopped;
  try {
    play();
  } catch (const ReplayDiverged& diverged) {
    stopped = diverged.what();
  }
  // the trace's game: Enter on the menu, a tick with none, Enter ending
  // the welcome, then the run's ticks
  const long welcomeEnds = 3;
  for (size_t k = 0; k < tool.size(); k++) {
    ASSERT_TRUE(game.count(welcomeEnds + k)) << "tick " << k << ": " << stopped;
    ASSERT_EQ(game[welcomeEnds + k], tool[k]) << "the worlds differ after the run's tick " << k;
  }
}

TEST_F(GameReplay, AWholeGameWithLostLivesReplaysThroughTheNameEntryToTheMenusExit) {
  checkRecordedGame(*this, "whole-game", 3, &GameReplay::play);
  // the game ended through the menu, not by running out of recording
  EXPECT_EQ(quitRequested, 1);
  EXPECT_EQ(levelNumber, 2);
  EXPECT_EQ(player->getLives(), 0);
  // the recorded name went into the (scratch) table with the score
  EXPECT_EQ(highScores->getName(0), "BOB");
  EXPECT_EQ(highScores->getScore(0), player->getPoints());
  EXPECT_GT(player->getPoints(), 0);
}


// ---- a whole game played by the solver ----

// The player of the recorded three-level game: Play game!, every level by
// the solver's best run from where the player stands when it begins
// (platform rides, pickups, shots and kills included), the table and the
// menu's Exit. Enter and Down are let go between presses, as marked keys
// must be.
struct SolverPlayer {
  std::vector<TickKeys> run;
  std::vector<std::pair<int, int>> expected;
  size_t at = 0;
  int plannedLevel = 0;
  bool gameOverSeen = false;
  long playTicks = 0;
  int downs = 0;  // Down pressed and let go on the last menu, one a tick
  bool released = true;

  // A key pressed one tick and let go the next.
  std::set<int> tap(int k) {
    released = !released;
    return released ? std::set<int>() : std::set<int>{k};
  }

  void plan() {
    // the searches set the key array as they go: the keys held stay held
    char keysBefore[KEY_MAX];
    std::copy(key, key + KEY_MAX, keysBefore);
    SolveResult result = solveLevel(SolveOptions());
    if (!result.finishable) throw ReplayStopped("the solver found no run");
    run = result.keys;
    at = 0;
    plannedLevel = levelNumber;
    playTicks = 1;
    // where the run puts the player, tick by tick
    WorldState world;
    std::vector<int> start;
    world.save(0, start);
    int tick = 0;
    expected.clear();
    for (const TickKeys& k : run) {
      runTick(k, tick);
      expected.push_back({player->getX(), player->getY()});
    }
    world.restore(start.data());
    std::copy(keysBefore, keysBefore + KEY_MAX, key);
  }

  std::set<int> next() {
    switch (activeScreen) {
      case SCREEN_MENU:
        if (!gameOverSeen) return tap(KEY_ENTER);
        // Exit is the menu's fourth choice: three presses of Down first
        if (downs < 6) {
          downs++;
          return tap(KEY_DOWN);
        }
        return tap(KEY_ENTER);
      case SCREEN_GAME:
        break;
      default:
        return tap(KEY_ENTER);
    }
    if (gameOver) gameOverSeen = true;
    if (newLevel || playSuspended) return tap(KEY_ENTER);
    released = true;
    // the level clock's seconds as the solver counts them
    if (playTicks > 0 && playTicks % TICKS_PER_SECOND == 0) noteSecond();
    playTicks++;
    // dead: the next tick suspends play
    if (!player->isAlive()) return {};
    // A plan is made where a level's play begins, and again whenever the
    // game stands elsewhere than the plan said (the tick that ends a
    // welcome or a restart moves the world too).
    bool offPlan = at > 0 && at <= expected.size() &&
                   (player->getX() != expected[at - 1].first ||
                    player->getY() != expected[at - 1].second);
    if (plannedLevel != levelNumber || offPlan) plan();
    if (at >= run.size()) return {};
    const TickKeys& k = run[at++];
    std::set<int> keys;
    if (k.left) keys.insert(KEY_LEFT);
    if (k.right) keys.insert(KEY_RIGHT);
    if (k.up) keys.insert(KEY_UP);
    // a shot is a fresh press of Space
    if (k.fire) {
      if (heldKeys.count(KEY_SPACE)) holdKeys({});
      keys.insert(KEY_SPACE);
    }
    return keys;
  }
};

SolverPlayer* solverPlayer = nullptr;
std::set<int> solverKeys() { return solverPlayer->next(); }

// Not a test of its own: with BRINDLECOVE_WRITE_RECORDING=FILE it plays and
// records the game the three-levels recording holds.
TEST_F(GameReplay, MakesTheThreeLevelRecordingWhenAsked) {
  const char* out = std::getenv("BRINDLECOVE_WRITE_RECORDING");
  if (!out) GTEST_SKIP() << "set BRINDLECOVE_WRITE_RECORDING=FILE to write it";
  setLevelFiles(shippedLevels(3));
  // A full table of better scores: the name entry reads the key buffer
  // without waiting for a tick, which this player cannot type into (the
  // whole-game recording has a name entry).
  for (int i = 0; i < 10; i++) highScores->insert(1000000, "TOP");
  SolverPlayer playerAtKeys;
  solverPlayer = &playerAtKeys;
  plannedKeys = solverKeys;
  std::string error;
  ASSERT_TRUE(startRecording(out, shippedLevels(3), error)) << error;
  GameTrail live = play();
  stopInputCapture();
  EXPECT_EQ(quitRequested, 1) << live.stop;
  EXPECT_EQ(live.level, 4);
}

TEST_F(GameReplay, AThreeLevelGameReplaysThroughEveryLevelToTheMenusExit) {
  checkRecordedGame(*this, "three-levels", 3, &GameReplay::play);
  EXPECT_EQ(quitRequested, 1);
  // all three done without a life lost
  EXPECT_EQ(levelNumber, 4);
  EXPECT_EQ(player->getLives(), PLAYER_START_LIVES);
  // recorded against a full table: the score did not qualify
  EXPECT_EQ(highScores->getScore(0), 0);
  EXPECT_GT(player->getPoints(), 0);
  // the runs shoot on the way
  Recording recording;
  std::string error;
  ASSERT_TRUE(readRecording(REPLAYS + "/three-levels.rec", recording, error)) << error;
  long shots = 0;
  for (const RecordedEvent& e : recording.events)
    if (e.kind == RecordedEvent::TICK && e.worldMoved && e.input.space && e.input.keyPressed)
      shots++;
  EXPECT_GT(shots, 0);
}

}  // namespace
