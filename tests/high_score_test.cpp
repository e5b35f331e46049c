// High score table: ranking, the file format, missing files, safe saving
// and random files; and the keys of the name entry.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "scores/high_score_table.h"
#include "scores/name_entry.h"
#include "test_support.h"

namespace {

std::string table(const std::vector<int>& scores) {
  std::string text;
  for (size_t i = 0; i < scores.size(); i++)
    text += std::to_string(scores[i]) + "P" + std::to_string(i) + "\n\r";
  return text;
}

std::vector<int> scoresOf(const HighScoreTable& t) {
  std::vector<int> s;
  for (int i = 0; i < t.getCapacity(); i++) s.push_back(t.getScore(i));
  return s;
}

}  // namespace

TEST(HighScores, OnlyAScoreAboveTheLowestQualifies) {
  HighScoreTable t(10, writeTempFile(table({900, 800, 700, 600, 500, 400, 300, 200, 150, 100})));
  EXPECT_FALSE(t.qualifies(100));
  EXPECT_TRUE(t.qualifies(101));
  EXPECT_FALSE(t.qualifies(-5));
}

TEST(HighScores, ANewScoreGoesAboveEqualOnesAndTheLowestDropsOut) {
  std::string path = writeTempFile(table({500, 400, 400, 300, 250, 200, 150, 100, 50, 10}));
  HighScoreTable t(10, path);
  t.insert(400, "New");
  EXPECT_EQ(scoresOf(t), (std::vector<int>{500, 400, 400, 400, 300, 250, 200, 150, 100, 50}));
  EXPECT_EQ(t.getName(1), "New");
  EXPECT_EQ(t.getName(2), "P1");
  EXPECT_EQ(t.getName(3), "P2");

  t.insert(1000, "Top");
  EXPECT_EQ(t.getName(0), "Top");
  EXPECT_EQ(t.getName(1), "P0");
  EXPECT_EQ(t.getScore(9), 100);

  t.insert(101, "Low");
  EXPECT_EQ(t.getName(9), "Low");
  EXPECT_EQ(t.getScore(8), 150);
}

TEST(HighScores, TheFileHoldsDigitsNameAndLineFeedCarriageReturn) {
  std::string path = writeTempFile(table(std::vector<int>(10, 0)));
  HighScoreTable t(10, path);
  t.insert(1200, "abc");
  std::string text = readFile(path);
  EXPECT_EQ(text.substr(0, 9), "1200abc\n\r");
  EXPECT_EQ(text.substr(9, 5), "0P0\n\r");
}

TEST(HighScores, SavingAndReadingBackKeepsEveryEntry) {
  std::string path = writeTempFile("", "round.hs");
  {
    HighScoreTable t(10, path);  // no file yet: all empty
    t.insert(50, "  two blanks");
    t.insert(7, "TenLetters");
    t.insert(-3, "minus");
    t.insert(2147483647, "max");
  }
  HighScoreTable again(10, path);
  EXPECT_EQ(again.getScore(0), 2147483647);
  EXPECT_EQ(again.getName(1), "  two blanks");
  EXPECT_EQ(again.getName(2), "TenLetters");
  EXPECT_EQ(again.getScore(2), 7);
  EXPECT_EQ(again.getName(3), "");  // one of the starting zeros, now below 7
  EXPECT_EQ(again.getScore(9), 0);
  // the empty place ranks by its score 0, so the table stays best first
  HighScoreTable withNegatives(3, writeTempFile("-3minus\n\r-7x\n\r"));
  EXPECT_EQ(withNegatives.getScore(0), 0);
  EXPECT_EQ(withNegatives.getName(0), "");
  EXPECT_EQ(withNegatives.getScore(1), -3);
  EXPECT_EQ(withNegatives.getName(1), "minus");
  EXPECT_EQ(withNegatives.getScore(2), -7);
}

TEST(HighScores, AMissingFileOrAFolderInItsPlaceGivesAnEmptyTable) {
  HighScoreTable missing(10, "/nonexistent/game.hs");
  EXPECT_EQ(missing.getScore(9), 0);
  EXPECT_TRUE(missing.qualifies(1));
  char pattern[] = "/tmp/brindlecove-hs-XXXXXX";
  std::string folder = mkdtemp(pattern);
  HighScoreTable directory(10, folder);
  EXPECT_EQ(directory.getScore(0), 0);
  EXPECT_EQ(directory.getName(0), "");
  EXPECT_FALSE(directory.save());  // cannot replace a folder
  rmdir(folder.c_str());
}

TEST(HighScores, AFailedSaveLeavesTheOldFileWholeAndKeepsTheTableInMemory) {
  std::string original = table({90, 80, 70, 60, 50, 40, 30, 20, 10, 5});
  std::string path = writeTempFile(original, "kept.hs");
  // in place of a full disk, a write refused midway: no file may grow past 16 bytes
  HighScoreTable t(10, path);
  struct rlimit normal;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &normal), 0);
  struct rlimit tiny = {16, normal.rlim_max};
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &tiny);
  t.insert(100, "Lost?");
  setrlimit(RLIMIT_FSIZE, &normal);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(t.saveProblem(), "File too large");
  EXPECT_EQ(readFile(path), original);
  EXPECT_EQ(t.getName(0), "Lost?");
  EXPECT_NE(access((path + ".new").c_str(), F_OK), 0);  // no leftover

  // the temporary file cannot be made at all
  ASSERT_EQ(mkdir((path + ".new").c_str(), 0700), 0);
  EXPECT_FALSE(t.save());
  EXPECT_EQ(readFile(path), original);
  rmdir((path + ".new").c_str());
  EXPECT_TRUE(t.save());
  EXPECT_EQ(readFile(path).substr(0, 10), "100Lost?\n\r");
}

TEST(HighScores, TheReaderSurvivesRandomAndMutatedFiles) {
  std::string good = table({900, 800, 700, 600, 500, 400, 300, 200, 150, 100});
  unsigned seed = 99;
  for (int round = 0; round < 2000; round++) {
    std::string text;
    seed = seed * 1103515245u + 12345u;
    if (round % 2 == 0) {
      text = good;
      for (int flips = 0; flips < 1 + round % 7; flips++) {
        seed = seed * 1103515245u + 12345u;
        text[seed % text.size()] = static_cast<char>(seed >> 13);
      }
      if (round % 4 == 0) text.resize(seed % text.size());
    } else {
      int length = seed % 400;
      for (int i = 0; i < length; i++) {
        seed = seed * 1103515245u + 12345u;
        text += static_cast<char>(seed >> 16);
      }
    }
    std::string path = writeTempFile(text, "fuzz.hs");
    testing::internal::CaptureStderr();  // every damaged file is reported; not checked here
    HighScoreTable t(10, path);
    // a save syncs the disk: a sample of each kind is enough
    bool saved = round % 13 == 0 && t.save();
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(t.getCapacity(), 10);
    for (int i = 0; i < 10; i++) {
      ASSERT_LE(t.getName(i).size(), 29u);
      ASSERT_EQ(t.getName(i).find_first_of(std::string("\n\0", 2)), std::string::npos);
      ASSERT_TRUE(i == 0 || t.getScore(i) <= t.getScore(i - 1)) << "round " << round;
    }
    if (round % 13 != 0) continue;
    // whatever was kept, the saved table reads back the same and cleanly
    ASSERT_TRUE(saved) << "round " << round;
    testing::internal::CaptureStderr();
    HighScoreTable again(10, path);
    ASSERT_EQ(testing::internal::GetCapturedStderr(), "") << "round " << round;
    for (int i = 0; i < 10; i++)
      ASSERT_TRUE(again.getScore(i) == t.getScore(i) && again.getName(i) == t.getName(i))
          << "round " << round << ", entry " << i;
  }
}

TEST(NameEntry, TypingBackspaceAndTheTenCharacterLimit) {
  char name[NAME_ENTRY_MAX + 1] = {0};
  int count = 0;
  applyNameKey(name, count, 'a', false);
  applyNameKey(name, count, 'b', false);
  applyNameKey(name, count, 0, true);  // Backspace
  applyNameKey(name, count, 'c', false);
  EXPECT_STREQ(name, "ac");
  applyNameKey(name, count, 'x', true);  // a key with Backspace held counts as Backspace
  applyNameKey(name, count, 'x', true);
  EXPECT_FALSE(applyNameKey(name, count, 0, true));  // nothing left to remove
  EXPECT_EQ(count, 0);
  for (char c : std::string("ABCDEFGHIJK")) applyNameKey(name, count, c, false);
  EXPECT_STREQ(name, "ABCDEFGHIJ");  // the eleventh is ignored, the tenth kept
}

TEST(NameEntry, KeysWithoutAPrintableCharacterAndALeadingDigitAreRefused) {
  char name[NAME_ENTRY_MAX + 1] = {0};
  int count = 0;
  for (int code : {0, 27, 13, 8, 9, 127, 200, int('7')})
    EXPECT_FALSE(applyNameKey(name, count, code, false)) << code;
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(applyNameKey(name, count, ' ', false));  // a blank may lead
  EXPECT_TRUE(applyNameKey(name, count, '7', false));  // digits after the first
  EXPECT_TRUE(applyNameKey(name, count, '~', false));
  EXPECT_STREQ(name, " 7~");
}
