// High score file: damaged files read entry by entry and backed up once,
// the read budget, hostile names, stale and killed saves, and failed saves
// shown on the screen.
#include <allegro.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>

#include "app/game_state.h"
#include "render/renderer.h"
#include "scores/high_score_table.h"
#include "test_support.h"

namespace {

const size_t NONE = std::string::npos;

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path.c_str(), std::ios::binary) << text;
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::string newFolder() {
  char pattern[] = "/tmp/brindlecove-hsf-XXXXXX";
  const char* made = mkdtemp(pattern);
  return made != nullptr ? made : "/nonexistent";
}

// What `act` said on stderr.
std::string stderrOf(const std::function<void()>& act) {
  testing::internal::CaptureStderr();
  act();
  return testing::internal::GetCapturedStderr();
}

std::unique_ptr<HighScoreTable> readTable(const std::string& path, std::string* said = nullptr,
                                          int places = 3) {
  std::unique_ptr<HighScoreTable> t;
  std::string s = stderrOf([&] { t.reset(new HighScoreTable(places, path)); });
  if (said != nullptr) *said = s;
  return t;
}

// "score name|" for each entry: a digit cannot pass between score and name unseen.
std::string entriesOf(const HighScoreTable& t) {
  std::string text;
  for (int i = 0; i < t.getCapacity(); i++)
    text += std::to_string(t.getScore(i)) + " " + t.getName(i) + "|";
  return text;
}

// Whether the table's screen shows its rows, the prompt and (unless
// `problem` is empty) why the save failed, and nothing else. Allegro's
// built-in 8-pixel font stands in for the game's.
bool screenShows(const HighScoreTable& t, const std::string& problem) {
  setUpHeadlessAllegro();
  FONT* savedFont = mainFont;
  mainFont = font;
  BITMAP* drawn = create_bitmap_ex(16, 800, 600);
  BITMAP* wanted = create_bitmap_ex(16, 800, 600);
  clear_to_color(drawn, 0);
  clear_to_color(wanted, 0);
  t.draw(drawn);
  mainFont = savedFont;
  auto put = [&](const std::string& text, int x, int y) {
    textout_ex(wanted, font, text.c_str(), x, y, COLOUR_MESSAGE, -1);
  };
  for (int i = 0; i < t.getCapacity(); i++) {
    put(std::to_string(i + 1) + ". " + t.getName(i), 300, 10 + 30 * i);
    put(std::to_string(t.getScore(i)), 500, 10 + 30 * i);
  }
  put("Press <enter> for the main menu", 230, 450);
  if (!problem.empty()) put("The high scores could not be saved: " + problem, 230, 480);
  bool same = true;
  for (int y = 0; y < 600; y++)
    for (int x = 0; x < 800; x++) same = same && getpixel(drawn, x, y) == getpixel(wanted, x, y);
  destroy_bitmap(drawn);
  destroy_bitmap(wanted);
  return same;
}

}  // namespace

TEST(HighScoreFile, EachUnreadableEntryIsReportedAndTheReadingGoesOnAfterIt) {
  const std::string L29(29, 'L');
  const struct {
    const char* what;
    std::string text;
    std::string entries;
    std::vector<std::string> said;  // each after "brindlecove: FILE"; none: a clean file
  } cases[] = {
      {"clean", "30a\n\r20b\n\r10c\n\r", "30 a|20 b|10 c|", {}},
      {"plain line feeds", "30a\n20b\n10c\n", "30 a|20 b|10 c|", {}},
      {"text-mode ends", "30a\r\n\r20" + L29 + "\r\r\n\r", "30 a|20 " + L29 + "|0 |", {}},
      {"blank lines", "30a\n\r\n\r \n\r20b\n\r", "30 a|20 b|0 |", {}},
      {"empty file", "", "0 |0 |0 |", {}},
      {"negative scores", "-3minus\n\r-7x\n\r", "0 |-3 minus|-7 x|", {}},
      {"int limits", "2147483647y\n\r-2147483648z\n\r", "2147483647 y|0 |-2147483648 z|", {}},
      {"garbage in the middle", "30a\n\rxx\n\r10c\n\r", "30 a|10 c|0 |",
       {":2: no score; entry skipped: \"xx\"\n"}},
      {"binary garbage, last and unended", std::string("30a\n\r10c\n\r\x01\xff\0z\\\x7f", 16),
       "30 a|10 c|0 |", {":3: no score; entry skipped: \"\\x01\\xFF\\x00z\\x5C\\x7F\"\n"}},
      {"a sign alone", "-\n\r20b\n\r", "20 b|0 |0 |", {":1: no score"}},
      {"huge score", "99999999999999999999x\n\r5y\n\r", "5 y|0 |0 |",
       {":1: score out of range; entry skipped: \"99999999999999999999x\"\n"}},
      {"just past int", "2147483648x\n\r-2147483649w\n\r5y\n\r", "5 y|0 |0 |",
       {":1: score out of range", ":2: score out of range"}},
      {"long name", "10" + std::string(40, 'L') + "\n\r5cd\n\r", "10 " + L29 + "|5 cd|0 |",
       {":1: name longer than 29 characters; kept its first 29: \"10" + std::string(38, 'L') +
        "\"\xE2\x80\xA6\n"}},
      {"stray NUL", std::string("10a\0b\n\r5c\n\r", 11), "10 a|5 c|0 |",
       {":1: NUL in the name; kept what comes before it: \"10a\\x00b\"\n"}},
      {"cut in a name", "10ab\n\r5cd", "10 ab|5 cd|0 |",
       {":2: the last entry has no end; the file may be cut short"}},
      {"cut after a score", "10ab\n\r5", "10 ab|5 |0 |", {":2: the last entry has no end"}},
      {"out of order, ties kept in file order", "10a\n\r30b\n\r10c\n\r", "30 b|10 a|10 c|",
       {": entries out of order; sorted best first"}},
      {"more entries than places", "40a\n\r30b\n\r20c\n\r10d\n\r", "40 a|30 b|20 c|",
       {": 4 entries for 3 places; the lowest 1 dropped"}},
  };
  for (const auto& c : cases) {
    std::string path = writeTempFile(c.text, "resync.hs"), said, again;
    auto t = readTable(path, &said);
    EXPECT_EQ(entriesOf(*t), c.entries) << c.what;
    for (const std::string& s : c.said)
      EXPECT_NE(said.find("brindlecove: " + path + s), NONE) << c.what << ": " << s << "\n" << said;
    bool damaged = !c.said.empty();
    if (damaged)
      EXPECT_NE(said.find(path + ": damaged; the next save keeps it as " + path + ".bak"), NONE)
          << c.what;
    else
      EXPECT_EQ(said, "") << c.what;

    // the save keeps a damaged file as it was; what it writes reads back
    // cleanly as the same table
    stderrOf([&] { EXPECT_TRUE(t->save()) << c.what; });
    EXPECT_EQ(exists(path + ".bak") ? readFile(path + ".bak") : "none", damaged ? c.text : "none")
        << c.what;
    EXPECT_EQ(entriesOf(*readTable(path, &again)), c.entries) << c.what;
    EXPECT_EQ(again, "") << c.what;
  }
}

TEST(HighScoreFile, TheReaderStopsAtItsBudgetHoweverBigTheFile) {
  const std::string start = "30a\n\r20b\n\r", past = ": the file goes on past 4096 bytes";
  // past the budget and over several copy chunks
  const std::string longTail = start + std::string(100000, 'z');
  const std::string longPath = writeTempFile(longTail, "long.hs");
  const std::string sparse = writeTempFile(start, "sparse.hs");  // 4 GiB without the disk
  ASSERT_EQ(truncate(sparse.c_str(), 4LL << 30), 0);
  const struct {
    std::string path;
    std::string entries;
    std::string said;
  } cases[] = {
      {longPath, "30 a|20 b|0 |", ":3" + past + "; not read from here: \"zzzz"},
      {writeTempFile("30a\n\r" + std::string(HIGH_SCORE_READ_BUDGET - 6, ' ') + "\n20b\n\r",
                     "exact.hs"),  // an entry that ends right at the budget
       "30 a|0 |0 |", past + "; the rest is not read"},
      {sparse, "30 a|20 b|0 |", ":3" + past + "; not read from here: \"\\x00\\x00"},
      {"/dev/zero", "0 |0 |0 |", ":1" + past},
  };
  for (const auto& c : cases) {
    std::string said;
    EXPECT_EQ(entriesOf(*readTable(c.path, &said)), c.entries) << c.path;
    EXPECT_NE(said.find(c.path + c.said), NONE) << c.path << ":\n" << said;
  }
  unlink(sparse.c_str());

  // a pipe (of our own: a fault here must not reach /dev) is never replaced
  std::string pipe = newFolder() + "/pipe.hs";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  auto t = readTable(pipe);
  stderrOf([&] { EXPECT_FALSE(t->save()); });
  EXPECT_EQ(t->saveProblem(), "not a file");
  struct stat info;
  EXPECT_TRUE(lstat(pipe.c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
  EXPECT_FALSE(exists(pipe + ".new"));

  // the backup is the whole file, not just what was read
  t = readTable(longPath);
  stderrOf([&] { t->insert(40, "new"); });
  EXPECT_EQ(readFile(longPath + ".bak"), longTail);
  EXPECT_EQ(readFile(longPath), "40new\n\r30a\n\r20b\n\r");
}

TEST(HighScoreFile, ADamagedFileIsBackedUpOnceBeforeTheFirstSaveOrNotSaved) {
  const std::string damaged = "30a\n\rxx\n\r10c\n\r";
  const std::string path = writeTempFile(damaged, "game.hs"), backup = path + ".bak";
  writeFile(backup, "an older backup");
  auto t = readTable(path);
  EXPECT_EQ(readFile(backup), "an older backup");  // reading alone changes nothing
  std::string said = stderrOf([&] { t->insert(20, "b"); });
  EXPECT_NE(said.find("the damaged " + path + " is kept as " + backup), NONE) << said;
  EXPECT_EQ(readFile(backup), damaged);
  EXPECT_EQ(readFile(path), "30a\n\r20b\n\r10c\n\r");
  t->insert(40, "d");
  EXPECT_EQ(readFile(backup), damaged);  // not replaced by the first save's table
  EXPECT_FALSE(exists(backup + ".new"));

  // no backup, no save: the damaged file stays as it was
  const std::string other = "30a\n\ryy\n\r10c\n\r";
  writeFile(path, other);
  t = readTable(path);
  ASSERT_EQ(mkdir((backup + ".new").c_str(), 0700), 0);
  stderrOf([&] { t->insert(60, "f"); });
  EXPECT_EQ(t->saveProblem(), "no backup: Is a directory");
  EXPECT_EQ(readFile(path), other);
  EXPECT_EQ(t->getName(0), "f");
  rmdir((backup + ".new").c_str());
  stderrOf([&] { EXPECT_TRUE(t->save()); });
  EXPECT_EQ(t->saveProblem(), "");
  EXPECT_EQ(readFile(backup), other);
  EXPECT_EQ(readFile(path), "60f\n\r30a\n\r10c\n\r");
}

TEST(HighScoreFile, HostileNamesComeBackAsTheyWereSaved) {
  const std::vector<std::string> names = {
      "  two blanks", std::string(29, 'N'), "!\"#$&'()*+,-./:;<=>?@[]^_`{|}", "%s%n%d%% 100",
      "back\\slash\\", "\xC3\xA9t\xE9\xFF\x80\x9B", " ", "", "-minus first", " 7 after a blank",
      "tab\there~"};
  const int n = static_cast<int>(names.size());
  const std::string path = writeTempFile("", "names.hs");
  {
    HighScoreTable t(n, path);
    for (int i = 0; i < n; i++) t.insert(1000 - i, names[i].c_str());
  }
  std::string said, entries;
  for (int i = 0; i < n; i++) entries += std::to_string(1000 - i) + " " + names[i] + "|";
  EXPECT_EQ(entriesOf(*readTable(path, &said, n)), entries);
  EXPECT_EQ(said, "");

  // what the file cannot hold is changed at the entry, not lost later
  HighScoreTable t(3, path + "2");
  t.insert(9, std::string(40, 'x').c_str());
  t.insert(8, "two\nlines\r");
  EXPECT_EQ(entriesOf(t), "9 " + std::string(29, 'x') + "|8 two lines |0 |");
  EXPECT_EQ(readFile(path + "2"), "9" + std::string(29, 'x') + "\n\r8two lines \n\r0\n\r");
}

TEST(HighScoreFile, ASaveKilledMidwayLeavesTheOldFileWholeAndAStaleTemporaryFileUnread) {
  std::string original, said;
  for (int score = 100; score > 0; score -= 10) original += std::to_string(score) + "P\n\r";
  const std::string path = writeTempFile(original, "game.hs");
  HighScoreTable t(10, path);
  const rlim_t limit = 16;  // bytes: the first write stops short, the next is killed

  std::fflush(NULL);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    struct rlimit noCore = {0, 0}, tiny = {limit, limit};
    setrlimit(RLIMIT_CORE, &noCore);
    setrlimit(RLIMIT_FSIZE, &tiny);
    signal(SIGXFSZ, SIG_DFL);
    t.insert(1000, "Killed");
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "status " << status;
  EXPECT_EQ(readFile(path + ".new").size(), limit);  // killed mid-write
  EXPECT_EQ(readFile(path), original);

  // a stale temporary file, longer than the next save, is never read
  std::string stale;
  for (int i = 0; i < 50; i++) stale += "999999999evil\n\r";
  writeFile(path + ".new", stale + std::string("\0\xff\n", 3));
  auto after = readTable(path, &said, 10);
  EXPECT_EQ(said, "");
  after->insert(1000, "Saved");
  EXPECT_EQ(after->saveProblem(), "");
  EXPECT_EQ(readFile(path), "1000Saved\n\r" + original.substr(0, original.size() - 5));
  EXPECT_FALSE(exists(path + ".new"));
}

TEST(HighScoreFile, AFailedSaveIsShownOnTheScreenUntilASaveSucceeds) {
  for (bool folderInPlace : {false, true}) {
    const std::string folder = newFolder();
    const std::string path = folder + (folderInPlace ? "/game.hs" : "/missing/game.hs");
    const std::string reason = folderInPlace ? "Is a directory" : "No such file or directory";
    if (folderInPlace) mkdir(path.c_str(), 0700);
    auto t = readTable(path);
    std::string said = stderrOf([&] { t->insert(100, "Ann"); });
    EXPECT_EQ(t->saveProblem(), reason);
    EXPECT_NE(said.find("cannot save the high scores to " + path + " (" + reason + ")"), NONE)
        << said;
    EXPECT_EQ(said.find(".new"), NONE) << said;
    EXPECT_EQ(entriesOf(*t), "100 Ann|0 |0 |") << reason;
    EXPECT_EQ(readFile(path), "") << reason;
    EXPECT_TRUE(screenShows(*t, reason)) << reason;

    folderInPlace ? rmdir(path.c_str()) : mkdir((folder + "/missing").c_str(), 0700);
    stderrOf([&] { EXPECT_TRUE(t->save()) << reason; });
    EXPECT_EQ(t->saveProblem(), "") << reason;
    EXPECT_EQ(readFile(path), "100Ann\n\r0\n\r0\n\r") << reason;
    EXPECT_TRUE(screenShows(*t, "")) << reason;
  }
}

TEST(HighScoreScreen, RowsScoresAndPromptLandWhereTheScreenExpectsThem) {
  // 22 characters of the 8-pixel font from x 300 stay clear of the scores
  std::string text = "2147483647Top\n\r500 %s%d\n\r400back\\slash\n\r300" +
                     std::string(19, 'W') + "\n\r-5below zero\n\r";
  EXPECT_TRUE(screenShows(*readTable(writeTempFile(text, "screen.hs"), nullptr, 10), ""));
  EXPECT_TRUE(screenShows(*readTable(writeTempFile("7one\n\r", "one.hs"), nullptr, 1), ""));
}
