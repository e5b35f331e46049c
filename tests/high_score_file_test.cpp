// High score file: damaged files read entry by entry, the backup of a
// damaged file, hostile names, stale and killed saves, failed saves shown on
// the screen, and where the screen's lines are drawn.
#include <allegro.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/game_state.h"
#include "render/renderer.h"
#include "scores/high_score_table.h"
#include "test_support.h"

namespace {

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path.c_str(), std::ios::binary);
  out << text;
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::string newFolder() {
  char pattern[] = "/tmp/brindlecove-hsf-XXXXXX";
  char* made = mkdtemp(pattern);
  EXPECT_NE(made, nullptr);
  return made != nullptr ? made : "/nonexistent";
}

std::string table(const std::vector<int>& scores) {
  std::string text;
  for (size_t i = 0; i < scores.size(); i++)
    text += std::to_string(scores[i]) + "P" + std::to_string(i) + "\n\r";
  return text;
}

// The file the table writes: every entry as digits, name, "\n\r".
std::string fileOf(const HighScoreTable& t) {
  std::string text;
  for (int i = 0; i < t.getCapacity(); i++)
    text += std::to_string(t.getScore(i)) + t.getName(i) + "\n\r";
  return text;
}

std::vector<int> scoresOf(const HighScoreTable& t) {
  std::vector<int> s;
  for (int i = 0; i < t.getCapacity(); i++) s.push_back(t.getScore(i));
  return s;
}

std::vector<std::string> namesOf(const HighScoreTable& t) {
  std::vector<std::string> s;
  for (int i = 0; i < t.getCapacity(); i++) s.push_back(t.getName(i));
  return s;
}

// Reads `path` into a table and returns what the reading said on stderr.
std::string readTable(HighScoreTable*& t, int capacity, const std::string& path) {
  testing::internal::CaptureStderr();
  t = new HighScoreTable(capacity, path);
  return testing::internal::GetCapturedStderr();
}

// The screen: Allegro's built-in 8-pixel font stands in for the game's.
class Screen {
 public:
  Screen() {
    setUpHeadlessAllegro();
    savedFont = mainFont;
    mainFont = font;
    drawn = create_bitmap_ex(16, 800, 600);
    expected = create_bitmap_ex(16, 800, 600);
    clear_to_color(drawn, 0);
    clear_to_color(expected, 0);
  }
  ~Screen() {
    destroy_bitmap(drawn);
    destroy_bitmap(expected);
    mainFont = savedFont;
  }
  // Adds `text` at (x, y) to the expected picture and tells whether the
  // drawn picture holds the same pixels in the text's box (and the text
  // has pixels at all, so an empty box cannot pass).
  bool textAt(const std::string& text, int x, int y) {
    BITMAP* alone = create_bitmap_ex(16, 800, 600);
    clear_to_color(alone, 0);
    textout_ex(alone, font, text.c_str(), x, y, COLOUR_MESSAGE, -1);
    textout_ex(expected, font, text.c_str(), x, y, COLOUR_MESSAGE, -1);
    int w = text_length(font, text.c_str()), h = text_height(font);
    bool same = true, inked = false;
    for (int py = y; py < y + h; py++)
      for (int px = x; px < x + w; px++) {
        if (getpixel(alone, px, py) != 0) inked = true;
        if (getpixel(alone, px, py) != getpixel(drawn, px, py)) same = false;
      }
    destroy_bitmap(alone);
    return same && inked;
  }
  // Nothing drawn beyond the texts given to textAt.
  bool nothingElse() const {
    for (int y = 0; y < 600; y++)
      for (int x = 0; x < 800; x++)
        if (getpixel(drawn, x, y) != getpixel(expected, x, y)) return false;
    return true;
  }

  BITMAP* drawn;

 private:
  BITMAP* expected;
  FONT* savedFont;
};

// Checks the rows, the prompt and (when `problem` is not empty) the line
// that tells a failed save.
void expectScreen(const HighScoreTable& t, const std::string& problem, const std::string& what) {
  Screen screen;
  t.draw(screen.drawn);
  for (int i = 0; i < t.getCapacity(); i++) {
    int y = 10 + 30 * i;
    EXPECT_TRUE(screen.textAt(std::to_string(i + 1) + ". " + t.getName(i), 300, y))
        << what << ": row " << i;
    EXPECT_TRUE(screen.textAt(std::to_string(t.getScore(i)), 500, y)) << what << ": score " << i;
  }
  EXPECT_TRUE(screen.textAt("Press <enter> for the main menu", 230, 450)) << what;
  if (!problem.empty()) {
    std::string line = "The high scores could not be saved: " + problem;
    EXPECT_LE(line.size(), 70u) << what;
    EXPECT_TRUE(screen.textAt(line, 230, 480)) << what;
  }
  EXPECT_TRUE(screen.nothingElse()) << what;
}

}  // namespace

TEST(HighScoreFile, EachUnreadableEntryIsReportedAndTheReadingGoesOnAfterIt) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<int> scores;
    std::vector<std::string> names;
    std::vector<std::string> said;  // each after "FILE" on stderr; none: a clean file
  };
  std::string L40(40, 'L'), L29(29, 'L');
  const std::vector<Case> cases = {
      {"clean", "30a\n\r20b\n\r10c\n\r", {30, 20, 10}, {"a", "b", "c"}, {}},
      {"plain line feeds", "30a\n20b\n10c\n", {30, 20, 10}, {"a", "b", "c"}, {}},
      {"text-mode ends", "30a\r\n\r20b\r\n\r", {30, 20, 0}, {"a", "b", ""}, {}},
      {"blank lines", "30a\n\r\n\r \n\r20b\n\r", {30, 20, 0}, {"a", "b", ""}, {}},
      {"empty file", "", {0, 0, 0}, {"", "", ""}, {}},
      {"a name of 29", "7" + L29 + "\n\r", {7, 0, 0}, {L29, "", ""}, {}},
      {"negative scores", "-3minus\n\r-7x\n\r", {0, -3, -7}, {"", "minus", "x"}, {}},
      {"int limits", "2147483647y\n\r-2147483648z\n\r", {2147483647, 0, -2147483647 - 1},
       {"y", "", "z"}, {}},
      {"garbage in the middle", "30a\n\rxx\n\r10c\n\r", {30, 10, 0}, {"a", "c", ""},
       {":2: no score; entry skipped: \"xx\"\n"}},
      {"binary garbage", std::string("30a\n\r\x01\xff\0z\\\n\r10c\n\r", 17), {30, 10, 0},
       {"a", "c", ""}, {":2: no score; entry skipped: \"\\x01\\xFF\\x00z\\x5C\"\n"}},
      {"letters first", "abc\n\r20b\n\r", {20, 0, 0}, {"b", "", ""},
       {":1: no score; entry skipped: \"abc\"\n"}},
      {"a sign alone", "-\n\r20b\n\r", {20, 0, 0}, {"b", "", ""}, {":1: no score"}},
      {"huge score", "99999999999999999999x\n\r5y\n\r", {5, 0, 0}, {"y", "", ""},
       {":1: score out of range; entry skipped: \"99999999999999999999x\"\n"}},
      {"just past int", "2147483648x\n\r-2147483649w\n\r5y\n\r", {5, 0, 0}, {"y", "", ""},
       {":1: score out of range", ":2: score out of range"}},
      {"long name", "10" + L40 + "\n\r5cd\n\r", {10, 5, 0}, {L29, "cd", ""},
       {":1: name longer than 29 characters; kept its first 29: \"10" + std::string(38, 'L') +
        "\"\xE2\x80\xA6\n"}},
      {"stray NUL", std::string("10a\0b\n\r5c\n\r", 11), {10, 5, 0}, {"a", "c", ""},
       {":1: NUL in the name; kept what comes before it: \"10a\\x00b\"\n"}},
      {"cut in a name", "10ab\n\r5cd", {10, 5, 0}, {"ab", "cd", ""},
       {":2: the last entry has no end; the file may be cut short"}},
      {"cut after a score", "10ab\n\r5", {10, 5, 0}, {"ab", "", ""},
       {":2: the last entry has no end"}},
      {"trailing garbage", "30a\n\r20b\n\r10c\n\r\x7fjunk", {30, 20, 10}, {"a", "b", "c"},
       {":4: no score; entry skipped: \"\\x7Fjunk\"\n"}},
      {"out of order", "10a\n\r30b\n\r20c\n\r", {30, 20, 10}, {"b", "c", "a"},
       {": entries out of order; sorted best first"}},
      {"out of order, ties kept in file order", "10a\n\r30b\n\r10c\n\r", {30, 10, 10},
       {"b", "a", "c"}, {": entries out of order"}},
      {"more entries than places", "40a\n\r30b\n\r20c\n\r10d\n\r", {40, 30, 20}, {"a", "b", "c"},
       {": 4 entries for 3 places; the lowest 1 dropped"}},
  };
  std::string folder = newFolder();
  int n = 0;
  for (const Case& c : cases) {
    std::string path = folder + "/" + std::to_string(n++) + ".hs";
    writeFile(path, c.text);
    HighScoreTable* t;
    std::string said = readTable(t, 3, path);
    EXPECT_EQ(scoresOf(*t), c.scores) << c.what;
    EXPECT_EQ(namesOf(*t), c.names) << c.what;
    for (const std::string& s : c.said) {
      EXPECT_NE(said.find("brindlecove: " + path + s), std::string::npos)
          << c.what << ": wanted " << s << " in\n" << said;
    }
    if (c.said.empty()) {
      EXPECT_EQ(said, "") << c.what;
    } else {
      EXPECT_NE(said.find(path + ": damaged; the next save keeps it as " + path + ".bak"),
                std::string::npos)
          << c.what;
    }

    // the save keeps a damaged file as it was, and writes what it read
    testing::internal::CaptureStderr();
    EXPECT_TRUE(t->save()) << c.what;
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(exists(path + ".bak"), !c.said.empty()) << c.what;
    if (!c.said.empty()) {
      EXPECT_EQ(readFile(path + ".bak"), c.text) << c.what;
    }
    EXPECT_EQ(readFile(path), fileOf(*t)) << c.what;
    delete t;

    // which reads back cleanly as the same table
    std::string again = readTable(t, 3, path);
    EXPECT_EQ(again, "") << c.what;
    EXPECT_EQ(scoresOf(*t), c.scores) << c.what;
    EXPECT_EQ(namesOf(*t), c.names) << c.what;
    delete t;
  }
}

TEST(HighScoreFile, TheReaderStopsAtItsBudgetHoweverBigTheFile) {
  const int budget = HIGH_SCORE_READ_BUDGET;
  std::string folder = newFolder();
  std::string start = "30a\n\r20b\n\r";

  struct Case {
    const char* what;
    std::string path;
    std::vector<int> scores;
    std::string said;
  };
  // a long run of letters after two entries, past the budget and over
  // several copy chunks
  std::string longTail = start + std::string(100000, 'z');
  std::string longPath = folder + "/long.hs";
  writeFile(longPath, longTail);
  // an entry that ends exactly at the budget, with a good one after it
  std::string exact = "30a\n\r" + std::string(budget - 6, ' ') + "\n" + "20b\n\r";
  std::string exactPath = folder + "/exact.hs";
  writeFile(exactPath, exact);
  // 4 GiB without the disk: two entries, then a hole
  std::string sparsePath = folder + "/sparse.hs";
  writeFile(sparsePath, start);
  ASSERT_EQ(truncate(sparsePath.c_str(), 4LL << 30), 0);

  const std::vector<Case> cases = {
      {"long tail", longPath, {30, 20, 0},
       ":3: the file goes on past 4096 bytes; not read from here: \"zzzz"},
      {"an entry ends at the budget", exactPath, {30, 0, 0},
       ": the file goes on past 4096 bytes; the rest is not read"},
      {"4 GiB sparse file", sparsePath, {30, 20, 0},
       ":3: the file goes on past 4096 bytes; not read from here: \"\\x00\\x00"},
      {"/dev/zero", "/dev/zero", {0, 0, 0}, ":1: the file goes on past 4096 bytes"},
  };
  for (const Case& c : cases) {
    HighScoreTable* t;
    std::string said = readTable(t, 3, c.path);
    EXPECT_EQ(scoresOf(*t), c.scores) << c.what;
    EXPECT_NE(said.find(c.path + c.said), std::string::npos) << c.what << ":\n" << said;
    delete t;
  }

  // a pipe or a device cannot be kept in a backup, so it is never
  // replaced (a pipe of our own: a fault here must not reach /dev)
  std::string devicePath = folder + "/pipe.hs";
  ASSERT_EQ(mkfifo(devicePath.c_str(), 0600), 0);
  HighScoreTable* t;
  readTable(t, 3, devicePath);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(t->save());
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(t->saveProblem(), "not a file");
  struct stat info;
  ASSERT_EQ(lstat(devicePath.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_FALSE(exists(devicePath + ".new"));
  delete t;

  // the backup is the whole file, not just what was read
  readTable(t, 3, longPath);
  testing::internal::CaptureStderr();
  t->insert(40, "new");
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(readFile(longPath + ".bak"), longTail);
  EXPECT_EQ(readFile(longPath), "40new\n\r30a\n\r20b\n\r");
  delete t;
  unlink(sparsePath.c_str());
}

TEST(HighScoreFile, ADamagedFileIsBackedUpOnceBeforeTheFirstSaveAndACleanOneNever) {
  std::string folder = newFolder();
  std::string path = folder + "/game.hs";
  std::string damaged = "30a\n\rxx\n\r10c\n\r";
  writeFile(path, damaged);
  writeFile(path + ".bak", "an older backup");

  HighScoreTable* t;
  readTable(t, 3, path);
  EXPECT_EQ(readFile(path + ".bak"), "an older backup");  // reading alone changes nothing
  testing::internal::CaptureStderr();
  t->insert(20, "b");
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("the damaged " + path + " is kept as " + path + ".bak"), std::string::npos);
  EXPECT_EQ(readFile(path + ".bak"), damaged);
  EXPECT_EQ(readFile(path), "30a\n\r20b\n\r10c\n\r");
  t->insert(40, "d");
  EXPECT_EQ(readFile(path + ".bak"), damaged);  // not replaced by the first save's table
  EXPECT_FALSE(exists(path + ".bak.new"));
  delete t;

  // the file is clean now: its saves leave the backup alone
  std::string clean = readTable(t, 3, path);
  EXPECT_EQ(clean, "");
  t->insert(50, "e");
  EXPECT_EQ(readFile(path + ".bak"), damaged);
  delete t;

  std::string cleanPath = folder + "/clean.hs";
  writeFile(cleanPath, "30a\n\r20b\n\r10c\n\r");
  readTable(t, 3, cleanPath);
  t->insert(40, "d");
  EXPECT_FALSE(exists(cleanPath + ".bak"));
  delete t;

  // no backup, no save: the damaged file stays as it was
  writeFile(path, damaged);
  readTable(t, 3, path);
  ASSERT_EQ(mkdir((path + ".bak.new").c_str(), 0700), 0);
  testing::internal::CaptureStderr();
  t->insert(60, "f");
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(t->saveProblem(), "no backup: Is a directory");
  EXPECT_EQ(readFile(path), damaged);
  EXPECT_EQ(t->getName(0), "f");
  rmdir((path + ".bak.new").c_str());
  EXPECT_TRUE(t->save());
  EXPECT_EQ(t->saveProblem(), "");
  EXPECT_EQ(readFile(path + ".bak"), damaged);
  EXPECT_EQ(readFile(path), "60f\n\r30a\n\r10c\n\r");
  delete t;
}

TEST(HighScoreFile, HostileNamesComeBackAsTheyWereSaved) {
  const std::vector<std::string> names = {
      "  two blanks",
      std::string(29, 'N'),
      "!\"#$&'()*+,-./:;<=>?@[]^_`{|}",  // 29 characters
      "%s%n%d%% 100",
      "back\\slash\\",
      "\xC3\xA9t\xE9\xFF\x80\x9B",
      " ",
      "",
      "-minus first",
      " 7 after a blank",
      "tab\there~",
  };
  std::string path = newFolder() + "/names.hs";
  {
    HighScoreTable t(static_cast<int>(names.size()), path);
    for (size_t i = 0; i < names.size(); i++)
      t.insert(static_cast<int>(1000 - i), names[i].c_str());
  }
  HighScoreTable* again;
  EXPECT_EQ(readTable(again, static_cast<int>(names.size()), path), "");
  for (size_t i = 0; i < names.size(); i++) {
    EXPECT_EQ(again->getScore(static_cast<int>(i)), static_cast<int>(1000 - i)) << i;
    EXPECT_EQ(again->getName(static_cast<int>(i)), names[i]) << i;
  }
  delete again;

  // what the file cannot hold is changed at the entry, not lost later
  HighScoreTable t(3, path + "2");
  t.insert(9, std::string(40, 'x').c_str());
  t.insert(8, "two\nlines\r");
  EXPECT_EQ(t.getName(0), std::string(29, 'x'));
  EXPECT_EQ(t.getName(1), "two lines ");
  EXPECT_EQ(readFile(path + "2"), "9" + std::string(29, 'x') + "\n\r8two lines \n\r0\n\r");
}

TEST(HighScoreFile, AStaleTemporaryFileIsNeverReadAndIsReplaced) {
  std::string path = newFolder() + "/game.hs";
  std::string original = table({90, 80, 70});
  writeFile(path, original);
  std::string stale;
  for (int i = 0; i < 50; i++) stale += "999999999evil\n\r";
  stale += std::string("\0\xff\n", 3);
  writeFile(path + ".new", stale);

  HighScoreTable* t;
  EXPECT_EQ(readTable(t, 3, path), "");
  EXPECT_EQ(scoresOf(*t), (std::vector<int>{90, 80, 70}));
  t->insert(85, "Mid");
  EXPECT_EQ(readFile(path), "90P0\n\r85Mid\n\r80P1\n\r");
  EXPECT_FALSE(exists(path + ".new"));
  EXPECT_FALSE(exists(path + ".bak"));
  delete t;
}

TEST(HighScoreFile, ASaveKilledMidwayLeavesTheOldFileWhole) {
  std::string path = newFolder() + "/game.hs";
  std::string original = table({90, 80, 70, 60, 50, 40, 30, 20, 10, 5});
  writeFile(path, original);
  HighScoreTable t(10, path);
  const rlim_t limit = 16;  // bytes: the first write stops short, the next is killed

  std::fflush(NULL);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    struct rlimit noCore = {0, 0};
    struct rlimit tiny = {limit, limit};
    setrlimit(RLIMIT_CORE, &noCore);
    setrlimit(RLIMIT_FSIZE, &tiny);
    signal(SIGXFSZ, SIG_DFL);
    t.insert(1000, "Killed");
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the save was not killed, status " << status;
  EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
  EXPECT_EQ(readFile(path + ".new").size(), static_cast<size_t>(limit));  // killed mid-write
  EXPECT_EQ(readFile(path), original);

  HighScoreTable* after;
  EXPECT_EQ(readTable(after, 10, path), "");
  EXPECT_EQ(fileOf(*after), original);
  after->insert(1000, "Saved");
  EXPECT_EQ(after->saveProblem(), "");
  EXPECT_EQ(readFile(path).substr(0, 11), "1000Saved\n\r");
  EXPECT_EQ(readFile(path).size(), original.size() + 11 - 5);  // "5P9\n\r" dropped out
  EXPECT_FALSE(exists(path + ".new"));
  delete after;
}

TEST(HighScoreFile, AFailedSaveIsShownOnTheScreenUntilASaveSucceeds) {
  struct Case {
    const char* what;
    bool needsNonRoot;  // permission bits do not stop root
    std::string reason;
    void (*breakIt)(const std::string& folder, const std::string& path);
    void (*mendIt)(const std::string& folder, const std::string& path);
    const char* fileInFolder;
  };
  const std::vector<Case> cases = {
      {"the folder is missing", false, "No such file or directory",
       [](const std::string&, const std::string&) {},
       [](const std::string& folder, const std::string&) {
         mkdir((folder + "/missing").c_str(), 0700);
       },
       "/missing/game.hs"},
      {"a folder in the file's place", false, "Is a directory",
       [](const std::string&, const std::string& path) { mkdir(path.c_str(), 0700); },
       [](const std::string&, const std::string& path) { rmdir(path.c_str()); }, "/game.hs"},
      {"a full disk", false, "No space left on device",
       [](const std::string&, const std::string& path) {
         writeFile(path, "30a\n\r");
         symlink("/dev/full", (path + ".new").c_str());
       },
       [](const std::string&, const std::string& path) { unlink((path + ".new").c_str()); },
       "/game.hs"},
      {"a read-only folder", true, "Permission denied",
       [](const std::string& folder, const std::string& path) {
         writeFile(path, "30a\n\r");
         chmod(folder.c_str(), 0555);
       },
       [](const std::string& folder, const std::string&) { chmod(folder.c_str(), 0755); },
       "/game.hs"},
  };
  for (const Case& c : cases) {
    if (c.needsNonRoot && geteuid() == 0) {
      std::printf("[ SKIPPED  ] %s: running as root\n", c.what);
      continue;
    }
    std::string folder = newFolder();
    std::string path = folder + c.fileInFolder;
    c.breakIt(folder, path);
    std::string before = readFile(path);

    HighScoreTable* t;
    readTable(t, 3, path);
    testing::internal::CaptureStderr();
    t->insert(100, "Ann");
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(t->saveProblem(), c.reason) << c.what;
    EXPECT_NE(said.find("cannot save the high scores to " + path + " (" + c.reason + ")"),
              std::string::npos)
        << c.what << ":\n" << said;
    EXPECT_EQ(said.find(".new"), std::string::npos) << c.what << ": " << said;
    EXPECT_EQ(t->getScore(0), 100) << c.what;
    EXPECT_EQ(t->getName(0), "Ann") << c.what;
    EXPECT_EQ(readFile(path), before) << c.what;
    expectScreen(*t, c.reason, c.what);

    c.mendIt(folder, path);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(t->save()) << c.what;
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(t->saveProblem(), "") << c.what;
    EXPECT_EQ(readFile(path).substr(0, 8), "100Ann\n\r") << c.what;
    expectScreen(*t, "", c.what);
    delete t;
  }
}

TEST(HighScoreScreen, RowsScoresAndPromptLandWhereTheScreenExpectsThem) {
  // 22 characters of the 8-pixel font from x 300 stay clear of the scores
  std::string text = "2147483647Top\n\r500 %s%d\n\r400back\\slash\n\r300" +
                     std::string(19, 'W') + "\n\r-5below zero\n\r";
  HighScoreTable* t;
  readTable(t, 10, writeTempFile(text, "screen.hs"));
  expectScreen(*t, "", "ten places");
  delete t;
  readTable(t, 1, writeTempFile("7one\n\r", "one.hs"));
  expectScreen(*t, "", "one place");
  delete t;
}
