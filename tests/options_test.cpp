// Command line: each option, their combinations and the refused ones with
// their exit statuses; the start plan they make (data folder, levels,
// scores) before any window; a level sequence of any length.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "actors/player.h"
#include "app/game_state.h"
#include "app/startup.h"
#include "level/level_sequence.h"
#include "level/tile_map.h"
#include "platform/options.h"
#include "platform/paths.h"
#include "test_support.h"

namespace {

// A FILE* whose text can be read back.
class Capture {
 public:
  Capture() : file(std::tmpfile()) {}
  ~Capture() { std::fclose(file); }
  FILE* get() { return file; }
  std::string text() {
    std::fflush(file);
    std::rewind(file);
    std::string all;
    char chunk[512];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) all.append(chunk, n);
    return all;
  }

 private:
  FILE* file;
};

int lineCount(const std::string& text) {
  int lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

struct Outcome {
  int status;
  std::string out, err;
};

Outcome readWords(std::vector<std::string> words, Options& options) {
  words.insert(words.begin(), "brindlecove");
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);
  Capture out, err;
  int status = readCommandLine(static_cast<int>(words.size()), argv.data(), options, out.get(),
                               err.get());
  return {status, out.text(), err.text()};
}

const std::string HINT = "Try 'brindlecove --help'.\n";

}  // namespace

TEST(CommandLine, AcceptedOptionsFillTheOptions) {
  const struct {
    std::vector<std::string> words;
    std::string data, scores, level, levels;
    bool fullscreen, mute;
  } cases[] = {
      {{}, "", "", "", "", false, false},
      {{"--data", "/d"}, "/d", "", "", "", false, false},
      {{"--data=/d"}, "/d", "", "", "", false, false},
      {{"--scores", "s.hs"}, "", "s.hs", "", "", false, false},
      {{"--level", "one.dat"}, "", "", "one.dat", "", false, false},
      {{"--levels", "pack"}, "", "", "", "pack", false, false},
      {{"--fullscreen"}, "", "", "", "", true, false},
      {{"--mute"}, "", "", "", "", false, true},
      {{"--full"}, "", "", "", "", true, false},  // an unambiguous abbreviation
      {{"--mute", "--levels", "p", "--data", "/d", "--scores", "x", "--fullscreen"},
       "/d", "x", "", "p", true, true},
      {{"--level", "a", "--level", "b"}, "", "", "b", "", false, false},  // the last one counts
  };
  for (const auto& c : cases) {
    Options options;
    options.mute = !c.mute;  // each reading starts from the defaults
    Outcome got = readWords(c.words, options);
    const std::string what = c.words.empty() ? "(none)" : c.words[0];
    EXPECT_EQ(got.status, -1) << what << got.err;
    EXPECT_EQ(got.out + got.err, "") << what;
    EXPECT_EQ(options.dataFolder, c.data) << what;
    EXPECT_EQ(options.scoresFile, c.scores) << what;
    EXPECT_EQ(options.levelFile, c.level) << what;
    EXPECT_EQ(options.levelsFolder, c.levels) << what;
    EXPECT_EQ(options.fullscreen, c.fullscreen) << what;
    EXPECT_EQ(options.mute, c.mute) << what;
  }
}

TEST(CommandLine, HelpVersionAndRefusalsEndWithTheirStatus) {
  const struct {
    std::vector<std::string> words;
    int status;
    std::string out;  // a part of stdout ("" for none at all)
    std::string err;  // the first line of stderr ("" for none at all)
  } cases[] = {
      {{"--help"}, 0, "Usage: brindlecove [OPTION]...", ""},
      {{"--mute", "--help", "--bogus"}, 0, "--levels DIR", ""},
      {{"--version"}, 0, "Brindlecove Version 0.8a BETA release\n", ""},
      {{"--bogus"}, 2, "", "brindlecove: unrecognized option '--bogus'"},
      {{"--bogus", "--help"}, 2, "", "brindlecove: unrecognized option '--bogus'"},
      {{"-x"}, 2, "", "brindlecove: invalid option -- 'x'"},
      {{"--mute=yes"}, 2, "", "brindlecove: option '--mute' takes no argument"},
      {{"--data"}, 2, "", "brindlecove: option '--data' needs a value"},
      {{"--level"}, 2, "", "brindlecove: option '--level' needs a value"},
      {{"--scores="}, 2, "", "brindlecove: option '--scores=' needs a value"},
      {{"--level", "a", "--levels", "b"}, 2, "", "brindlecove: --level and --levels cannot go together"},
      {{"level1.dat"}, 2, "", "brindlecove: unexpected argument 'level1.dat'"},
  };
  for (const auto& c : cases) {
    Options options;
    Outcome got = readWords(c.words, options);
    const std::string what = c.words[0];
    EXPECT_EQ(got.status, c.status) << what;
    if (c.out.empty()) EXPECT_EQ(got.out, "") << what;
    else EXPECT_NE(got.out.find(c.out), std::string::npos) << what << got.out;
    if (c.err.empty()) {
      EXPECT_EQ(got.err, "") << what;
    } else {
      EXPECT_EQ(got.err, c.err + "\n" + HINT) << what;
      EXPECT_EQ(lineCount(got.err), 2) << what;
    }
  }
}

namespace {

// planStart sets the data folder and the level sequence for the whole
// program; each case puts the defaults back.
class StartPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/brindlecove-plan-XXXXXX";
    base = mkdtemp(pattern);
    for (int n = 1; n <= levelCount(); n++) defaultLevels.push_back(levelFileName(n));
  }
  void TearDown() override {
    setDataFolder(".");
    setLevelFiles(defaultLevels);
    EXPECT_EQ(std::system(("rm -rf " + base).c_str()), 0);
  }
  void write(const std::string& path, const std::string& text) {
    std::ofstream(path.c_str(), std::ios::binary) << text;
  }
  int plan(std::vector<std::string> words, StartPlan& made, std::string& said) {
    words.insert(words.begin(), "brindlecove");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    int status = planStart(static_cast<int>(words.size()), argv.data(), made);
    testing::internal::GetCapturedStdout();
    said = testing::internal::GetCapturedStderr();
    return status;
  }

  std::string base;
  std::vector<std::string> defaultLevels;
};

}  // namespace

TEST_F(StartPlanTest, LevelsAndDataAreSettledBeforeTheGameStarts) {
  const std::string data = base + "/data-folder", pack = base + "/pack", empty = base + "/empty";
  for (const std::string& f : {data + "/data", pack, empty}) ASSERT_TRUE(makeFolders(f));
  write(data + "/graphics.dat", "");
  const std::string good = levelText({"..E", "###"}, 15, 60, {}, "Good");
  for (int n : {1, 2, 4}) write(pack + "/level" + std::to_string(n) + ".dat", good);
  const std::string bad = base + "/bad.dat";
  write(bad, "Bad\n3,1\n");
  const struct {
    std::vector<std::string> words;
    int status;
    std::vector<std::string> levels;  // the sequence set, when the plan goes on
    std::string said;                 // a part of stderr
  } cases[] = {
      {{"--data", data}, -1,
       {data + "/data/level1.dat", data + "/data/level2.dat", data + "/data/level3.dat"}, ""},
      {{"--data", data, "--level", pack + "/level4.dat"}, -1, {pack + "/level4.dat"}, ""},
      // level4 is no part of the row: level3 is missing
      {{"--data", data, "--levels", pack + "/"}, -1, {pack + "/level1.dat", pack + "/level2.dat"}, ""},
      {{"--data", data, "--level", bad}, 1, {}, "brindlecove: " + bad + ": line "},
      {{"--data", data, "--level", base + "/none.dat"}, 1, {}, base + "/none.dat: cannot open"},
      {{"--data", data, "--levels", empty}, 1, {}, empty + ": no level1.dat"},
      {{"--data", empty}, 1, {}, "looked in:\n  " + empty + "\n"},
      {{"--data", empty, "--level", bad}, 1, {}, "no data folder"},  // the data folder first
      {{"--levels"}, 2, {}, "needs a value"},
      {{"--version"}, 0, {}, ""},
  };
  for (const auto& c : cases) {
    setLevelFiles(defaultLevels);
    StartPlan made;
    std::string said;
    const std::string what = c.words.back();
    EXPECT_EQ(plan(c.words, made, said), c.status) << what << said;
    EXPECT_NE(said.find(c.said), std::string::npos) << what << said;
    if (c.status != -1) continue;
    EXPECT_EQ(dataFolder(), data) << what;
    std::vector<std::string> levels;
    for (int n = 1; n <= levelCount(); n++) levels.push_back(levelFileName(n));
    EXPECT_EQ(levels, c.levels) << what;
  }
}

TEST_F(StartPlanTest, ScoresSettingsAndSwitchesReachThePlan) {
  const std::string data = base + "/data-folder";
  ASSERT_TRUE(makeFolders(data + "/data"));
  write(data + "/graphics.dat", "");
  StartPlan made;
  std::string said;
  ASSERT_EQ(plan({"--data", data, "--mute", "--fullscreen"}, made, said), -1) << said;
  EXPECT_TRUE(made.mute);
  EXPECT_TRUE(made.fullscreen);
  // a folder given with --data is no portable copy: the table is the player's
  EXPECT_NE(made.scoresFile.find("brindlecove/game.hs"), std::string::npos) << made.scoresFile;
  EXPECT_NE(made.scoresFile, data + "/data/game.hs");
  EXPECT_EQ(made.scoresSeed, data + "/data/game.hs");
  EXPECT_NE(made.settingsFile.find("brindlecove/brindlecove.cfg"), std::string::npos);

  StartPlan given;
  ASSERT_EQ(plan({"--data", data, "--scores", base + "/mine.hs"}, given, said), -1) << said;
  EXPECT_EQ(given.scoresFile, base + "/mine.hs");
  EXPECT_EQ(given.scoresSeed, "");
  EXPECT_FALSE(given.mute);
  EXPECT_FALSE(given.fullscreen);
}

TEST_F(StartPlanTest, ASequenceOfOneLevelEndsTheGameWhenItIsFinished) {
  setUpHeadlessAllegro();
  resetGameState();
  const std::string only = base + "/only.dat";
  write(only, levelText({"...E", "####"}, 15, 60, {}, "Only"));
  setLevelFiles({only});
  levelNumber = 0;
  gameOver = false;
  advanceLevel();
  EXPECT_EQ(levelNumber, 1);
  EXPECT_FALSE(gameOver);
  ASSERT_NE(currentMap, nullptr);
  EXPECT_STREQ(currentMap->getName(), "Only");
  advanceLevel();  // the exit reached
  EXPECT_TRUE(gameOver);
  EXPECT_EQ(levelNumber, 2);
}
