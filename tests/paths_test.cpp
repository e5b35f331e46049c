// Paths: the data folder search order, the high score file rule (given,
// portable, per user), the settings path, and a per-user table seeded from
// the shipped one whose folder is made on the first save.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "scores/high_score_table.h"
#include "test_support.h"

namespace {

std::string newFolder() {
  char pattern[] = "/tmp/brindlecove-paths-XXXXXX";
  const char* made = mkdtemp(pattern);
  return made != nullptr ? made : "/nonexistent";
}

void removeTree(const std::string& folder) {
  EXPECT_EQ(std::system(("rm -rf " + folder).c_str()), 0);
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path.c_str(), std::ios::binary) << text;
}

void makeDataFolder(const std::string& folder) {
  ASSERT_TRUE(makeFolders(folder + "/data"));
  writeFile(folder + "/graphics.dat", "");
}

// Runs in `folder` and comes back, for the search's "." place.
class InFolder {
 public:
  explicit InFolder(const std::string& folder) {
    EXPECT_NE(getcwd(previous, sizeof previous), nullptr);
    EXPECT_EQ(chdir(folder.c_str()), 0);
  }
  ~InFolder() { EXPECT_EQ(chdir(previous), 0); }

 private:
  char previous[4096];
};

}  // namespace

TEST(DataFolderSearch, TakesTheFirstPlaceHoldingGraphicsInOrder) {
  // base/env, base/cwd, base/bin (the program's folder),
  // base/share/brindlecove (beside bin) and base/installed
  const std::string base = newFolder();
  const std::string env = base + "/env", cwd = base + "/cwd", bin = base + "/bin",
                    prefix = bin + "/../share/brindlecove", installed = base + "/installed";
  for (const std::string& f : {env, cwd, bin, base + "/share/brindlecove", installed})
    ASSERT_TRUE(makeFolders(f)) << f;
  const std::string all[] = {env, cwd, bin, prefix, installed};
  const std::vector<std::string> lookedEverywhere = {env, ".", bin, prefix, installed};
  const struct {
    std::vector<std::string> holding;  // folders given a graphics.dat
    std::string given;                 // --data
    DataPlace place;
    std::string path;
    size_t looked;  // places tried before it was found (or not)
  } cases[] = {
      {{env, cwd, bin, prefix, installed}, "", DATA_ENVIRONMENT, env, 1},
      {{cwd, bin, prefix, installed}, "", DATA_CURRENT, ".", 2},
      {{bin, prefix, installed}, "", DATA_PROGRAM, bin, 3},
      {{prefix, installed}, "", DATA_PREFIX, prefix, 4},
      {{installed}, "", DATA_INSTALLED, installed, 5},
      {{}, "", DATA_NOT_FOUND, "", 5},
      // a folder named with --data is the only place tried
      {{env, cwd, bin, prefix, installed}, installed, DATA_GIVEN, installed, 1},
      {{env, cwd, bin, prefix}, installed, DATA_NOT_FOUND, "", 1},
  };
  InFolder inCwd(cwd);
  for (const auto& c : cases) {
    for (const std::string& f : all) std::remove((f + "/graphics.dat").c_str());
    for (const std::string& f : c.holding) writeFile(f + "/graphics.dat", "");
    DataFolder found = findDataFolder(c.given, env.c_str(), bin, installed);
    const std::string what = "holding " + std::to_string(c.holding.size()) + ", given '" + c.given + "'";
    EXPECT_EQ(found.place, c.place) << what;
    EXPECT_EQ(found.path, c.path) << what;
    if (c.given.empty())
      EXPECT_EQ(found.looked, std::vector<std::string>(lookedEverywhere.begin(),
                                                       lookedEverywhere.begin() + c.looked))
          << what;
    else
      EXPECT_EQ(found.looked, std::vector<std::string>{c.given}) << what;
  }
  // places that do not apply are not tried; a folder of the name is no file
  for (const std::string& f : all) std::remove((f + "/graphics.dat").c_str());
  ASSERT_EQ(mkdir((cwd + "/graphics.dat").c_str(), 0700), 0);
  DataFolder none = findDataFolder("", "", "", "");
  EXPECT_EQ(none.place, DATA_NOT_FOUND);
  EXPECT_EQ(none.looked, std::vector<std::string>{"."});
  std::string message = dataFolderMissing("brindlecove", findDataFolder("", nullptr, bin, installed));
  EXPECT_EQ(message, "brindlecove: no data folder (one holding graphics.dat) found; looked in:\n"
                     "  .\n  " + bin + "\n  " + prefix + "\n  " + installed +
                     "\nSay where it is with --data DIR or BRINDLECOVE_DATA_DIR.\n");
  removeTree(base);
}

TEST(DataFolderSearch, DataPathsFollowTheFolderFound) {
  EXPECT_EQ(dataPath("data/menu.dat"), "./data/menu.dat");  // the default, as the game had it
  setDataFolder("/usr/share/brindlecove/");
  EXPECT_EQ(dataPath("graphics.dat"), "/usr/share/brindlecove/graphics.dat");
  setDataFolder("/opt/bc");
  EXPECT_EQ(dataPath("data/level1.dat"), "/opt/bc/data/level1.dat");
  setDataFolder(".");
}

TEST(ScoresFile, GivenThenPortableThenPerUser) {
  const std::string base = newFolder();
  const std::string writable = base + "/writable", creatable = base + "/creatable",
                    noDataFolder = base + "/bare", readOnly = base + "/readonly";
  makeDataFolder(writable);
  writeFile(writable + "/data/game.hs", "");
  makeDataFolder(creatable);
  ASSERT_TRUE(makeFolders(noDataFolder));
  makeDataFolder(readOnly);
  writeFile(readOnly + "/data/game.hs", "");
  ASSERT_EQ(chmod((readOnly + "/data/game.hs").c_str(), 0444), 0);
  const std::string home = base + "/home", xdg = base + "/xdg";
  const std::string homeTable = home + "/.local/share/brindlecove/game.hs";
  const struct {
    std::string given;
    std::string folder;
    DataPlace place;
    const char* xdgDataHome;
    std::string path;  // expected
    bool perUser;
  } cases[] = {
      {base + "/mine.hs", writable, DATA_CURRENT, nullptr, base + "/mine.hs", false},
      {base + "/mine.hs", readOnly, DATA_INSTALLED, xdg.c_str(), base + "/mine.hs", false},
      // portable: a build's or an unpacked copy's own table
      {"", writable, DATA_CURRENT, xdg.c_str(), writable + "/data/game.hs", false},
      {"", writable, DATA_PROGRAM, xdg.c_str(), writable + "/data/game.hs", false},
      {"", creatable, DATA_PROGRAM, nullptr, creatable + "/data/game.hs", false},
      // per user: a folder found elsewhere, or one whose table cannot be written
      {"", writable, DATA_ENVIRONMENT, nullptr, homeTable, true},
      {"", writable, DATA_GIVEN, nullptr, homeTable, true},
      {"", writable, DATA_PREFIX, nullptr, homeTable, true},
      {"", writable, DATA_INSTALLED, xdg.c_str(), xdg + "/brindlecove/game.hs", true},
      {"", noDataFolder, DATA_CURRENT, "", homeTable, true},
      {"", noDataFolder, DATA_PROGRAM, "relative/xdg", homeTable, true},
      {"", readOnly, DATA_CURRENT, xdg.c_str(), xdg + "/brindlecove/game.hs", true},
  };
  for (const auto& c : cases) {
    // root writes through any mode: the read-only case says nothing then
    if (c.folder == readOnly && c.given.empty() && geteuid() == 0) continue;
    DataFolder data;
    data.path = c.folder;
    data.place = c.place;
    bool perUser = !c.perUser;
    std::string path = scoresFilePath(c.given, data, c.xdgDataHome, home.c_str(), perUser);
    const std::string what = c.folder + " place " + std::to_string(c.place) + " given '" +
                             c.given + "' xdg " + (c.xdgDataHome ? c.xdgDataHome : "unset");
    EXPECT_EQ(path, c.path) << what;
    EXPECT_EQ(perUser, c.perUser) << what;
  }
  removeTree(base);
}

TEST(SettingsFile, UnderTheConfigHomeOrDotConfig) {
  const struct {
    const char* xdgConfigHome;
    const char* home;
    std::string path;
  } cases[] = {
      {"/cfg", "/home/ann", "/cfg/brindlecove/brindlecove.cfg"},
      {"/cfg/", "/home/ann", "/cfg/brindlecove/brindlecove.cfg"},
      {nullptr, "/home/ann", "/home/ann/.config/brindlecove/brindlecove.cfg"},
      {"", "/home/ann", "/home/ann/.config/brindlecove/brindlecove.cfg"},
      {"cfg", "/home/ann/", "/home/ann/.config/brindlecove/brindlecove.cfg"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(settingsFilePath(c.xdgConfigHome, c.home), c.path)
        << (c.xdgConfigHome ? c.xdgConfigHome : "unset");
}

TEST(PerUserScores, SeededFromTheShippedTableAndTheFolderMadeOnTheFirstSave) {
  setUpHeadlessAllegro();
  const std::string base = newFolder();
  const std::string seed = base + "/shipped.hs", own = base + "/home/share/brindlecove/game.hs";
  const std::string shipped = "900Ada\n\r500Bo\n\r";
  writeFile(seed, shipped);
  {
    HighScoreTable table(3, own, seed);
    EXPECT_EQ(table.getScore(0), 900);
    EXPECT_EQ(table.getName(1), "Bo");
    EXPECT_NE(access(base.c_str(), F_OK), -1);
    EXPECT_EQ(access((base + "/home").c_str(), F_OK), -1);  // nothing made by reading
    table.insert(700, "Cy");
    EXPECT_EQ(table.saveProblem(), "");
  }
  struct stat info;
  ASSERT_EQ(stat((base + "/home/share/brindlecove").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(readFile(own), "900Ada\n\r700Cy\n\r500Bo\n\r");
  EXPECT_EQ(readFile(seed), shipped);
  // from now on the player's own table is read, not the seed
  writeFile(seed, "1Zed\n\r");
  HighScoreTable again(3, own, seed);
  EXPECT_EQ(again.getName(1), "Cy");

  // a damaged seed is reported and read as far as it goes, never backed up
  const std::string damagedSeed = base + "/damaged.hs", other = base + "/other/game.hs";
  writeFile(damagedSeed, "x\n\r300Di\n\r");
  testing::internal::CaptureStderr();
  HighScoreTable fromDamaged(3, other, damagedSeed);
  fromDamaged.insert(100, "Ed");
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find(damagedSeed + ":1: no score"), std::string::npos) << said;
  EXPECT_EQ(said.find(".bak"), std::string::npos) << said;
  EXPECT_EQ(readFile(other), "300Di\n\r100Ed\n\r0\n\r");
  EXPECT_EQ(access((damagedSeed + ".bak").c_str(), F_OK), -1);

  // without a seed the table's folder is not made: a given file stays as given
  HighScoreTable plain(3, base + "/missing/game.hs");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(plain.save());
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(access((base + "/missing").c_str(), F_OK), -1);
  removeTree(base);
}
