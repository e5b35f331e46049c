// Level file reader: separators, layouts, platforms, and malformed files.
#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>

#include "level/level_file.h"

namespace {

std::string header(const std::string& grid, int cells, const std::string& codeSeparator = ",") {
  std::string text = "Name\n" + grid + "\n32,32\n15\n100\n0\n";
  for (int i = 0; i < cells; i++) text += std::to_string(i % 12) + codeSeparator;
  return text;
}

bool parse(const std::string& text, LevelFile& level, std::string& error) {
  std::istringstream in(text);
  return parseLevelFile(in, level, error);
}

const std::string ELLIPSIS = "\u2026";

// Yields `prefix`, then `fill` as if for ever (like /dev/zero), 16 bytes at
// a time, and counts what it hands out; it ends after 4 MB, so an unbounded
// reader fails the count instead of hanging.
class EndlessBuffer : public std::streambuf {
 public:
  EndlessBuffer(const std::string& prefix, char fill) : prefix(prefix), fill(fill) {}
  size_t pulled = 0;

 protected:
  int_type underflow() override {
    if (pulled > prefix.size() + (4u << 20)) return traits_type::eof();
    for (size_t i = 0; i < sizeof chunk; i++)
      chunk[i] = pulled + i < prefix.size() ? prefix[pulled + i] : fill;
    pulled += sizeof chunk;
    setg(chunk, chunk, chunk + sizeof chunk);
    return traits_type::to_int_type(chunk[0]);
  }

 private:
  std::string prefix;
  char fill;
  char chunk[16];
};

}  // namespace

TEST(LevelFile, GridSeparatorMayBeAnyCharacterWithFreeWhiteSpace) {
  for (const char* grid : {"40,15", "40x15", "40 , 15", "40 x 15", "  40\n,\n15"}) {
    LevelFile level;
    std::string error;
    ASSERT_TRUE(parse(header(grid, 600), level, error)) << grid << ": " << error;
    EXPECT_EQ(level.cols, 40) << grid;
    EXPECT_EQ(level.rows, 15) << grid;
    EXPECT_EQ(level.codes.size(), 600u);
  }
}

TEST(LevelFile, TileRecordsReadTheSameOnOneLineOrOnePerLine) {
  LevelFile oneLine, perLine;
  std::string error;
  ASSERT_TRUE(parse(header("4,3", 12), oneLine, error)) << error;
  ASSERT_TRUE(parse(header("4,3", 12, ",\n"), perLine, error)) << error;
  EXPECT_EQ(oneLine.codes, perLine.codes);
  EXPECT_EQ(oneLine.codes[5], 5);
  EXPECT_EQ(perLine.codeLines[0], 7);
  EXPECT_EQ(perLine.codeLines[11], 18);
}

TEST(LevelFile, ReadsHeaderValuesAndPlatformRecordsInOrder) {
  std::string text =
      "Cinder Heights\n3x1\n32x24\n12\n-5\n2\n100,200,140,200\n"
      "  7 ; 8 ; 9 ; 10\n-1,13,99,";
  LevelFile level;
  std::string error;
  ASSERT_TRUE(parse(text, level, error)) << error;
  EXPECT_EQ(level.name, "Cinder Heights");
  EXPECT_EQ(level.tileWidth, 32);
  EXPECT_EQ(level.tileHeight, 24);
  EXPECT_EQ(level.fallSpeed, 12);
  EXPECT_EQ(level.timeLimit, -5);  // loads; judging it is the level tool's job
  ASSERT_EQ(level.platforms.size(), 2u);
  EXPECT_EQ(level.platforms[1].x, 7);
  EXPECT_EQ(level.platforms[1].yMax, 10);
  EXPECT_EQ(level.platforms[1].line, 8);
  EXPECT_EQ(level.codes, (std::vector<int>{-1, 13, 99}));
}

TEST(LevelFile, NameLineKeepsUpTo29CharactersAndDropsACarriageReturn) {
  LevelFile level;
  std::string error;
  std::string name29(29, 'n');
  ASSERT_TRUE(parse(name29 + "\r\n1,1\n32,32\n15\n100\n0\n0,", level, error)) << error;
  EXPECT_EQ(level.name, name29);
  ASSERT_TRUE(parse(name29 + "\n1,1\n32,32\n15\n100\n0\n0,", level, error)) << error;
  EXPECT_EQ(level.name, name29);
  ASSERT_TRUE(parse("\n1,1\n32,32\n15\n100\n0\n0,", level, error)) << error;
  EXPECT_EQ(level.name, "");
  ASSERT_TRUE(parse("ab\rc\n1,1\n32,32\n15\n100\n0\n0,", level, error)) << error;
  EXPECT_EQ(level.name, "ab\rc");  // only the CR before the line feed goes
}

struct Malformed {
  const char* what;
  std::string text;
  std::string message;  // expected within the error
};

TEST(LevelFile, MalformedFilesAreRefusedWithTheLineAndTheProblem) {
  const std::string tail = "\n32,32\n15\n100\n0\n", one = "1,1" + tail + "0,";
  const std::string sevens(1 << 20, '7');
  const std::vector<Malformed> cases = {
      {"empty file", "", "the level file is empty"},
      {"name line only", "\n", "line 2: expected the number of columns, found the end of the file"},
      {"words for numbers", "N\nabc,3" + tail, "line 2: expected the number of columns, found 'a'"},
      {"grid cut short", "N\n4,\n", "expected the number of rows, found the end of the file"},
      {"sign without digits", "N\n-,3" + tail, "expected the number of columns, found '-,'"},
      {"zero columns", "N\n0,15" + tail, "line 2: the grid of 0 x 15 cells"},
      {"negative rows", "N\n4,-2" + tail, "the grid of 4 x -2 cells"},
      {"absurd grid", "N\n100000,100000" + tail, "is larger than the 1048576 cells"},
      {"number past int", "N\n99999999999,2" + tail, "line 2: the number of columns 99999999999 is out of range"},
      {"zero tile width", "N\n2,2\n0,32\n15\n100\n0\n", "line 3: the tile size 0 x 32"},
      {"huge tiles", "N\n2,2\n32,5000\n15\n100\n0\n", "the tile size 32 x 5000"},
      {"map too tall", "N\n1,1048576\n32,32\n15\n100\n0\n", "larger than 16777216 pixels"},
      {"negative fall speed", "N\n2,2\n32,32\n-3\n100\n0\n", "line 4: the fall speed -3"},
      {"negative platform count", "N\n2,2\n32,32\n15\n100\n-1\n", "line 6: the number of platforms -1"},
      {"short platform record", "N\n2,2\n32,32\n15\n100\n1\n5,5,5\n", "line 7: expected a separator after the xMax of platform 1"},
      {"name too long", std::string(30, 'n') + "\n1,1" + tail + "0,", "line 1: the level name is longer than 29 characters"},
      {"control character for a number", "N\n\x01,3" + tail, "line 2: expected the number of columns, found '\\x01'"},
      {"too few tile records", "N\n2,2" + tail + "1,1,\n1,", "tile record 4 of 4 (column 1, row 1), found the end of the file"},
      {"last separator missing", "N\n2,2" + tail + "1,1,1,1", "line 7: expected a separator after tile record 4 of 4"},
      {"text in the tiles", "N\n2,2" + tail + "1,1,\nx,1,", "line 8: expected tile record 3 of 4 (column 0, row 1), found 'x'"},
      {"row without its last separator", "N\n2,2" + tail + "1,1\n0,1,", "line 7: the line ends without a separator after its last code, so the '0' starting line 8 was taken for it"},
      // an over-long name or number is quoted short: 40 characters at most, a sign counted
      {"30 and CR LF", std::string(30, 'd') + "\r\n" + one, "characters: '" + std::string(30, 'd') + "'"},
      {"only one CR dropped", std::string(29, 'e') + "\r\r\n" + one, "characters: '" + std::string(29, 'e') + "\\x0D'"},
      {"40 shown whole", std::string(40, 'f') + "\n" + one, "characters: '" + std::string(40, 'f') + "'"},
      {"41 cut", std::string(41, 'g') + "\n" + one, "characters: '" + std::string(40, 'g') + ELLIPSIS + "'"},
      {"NUL and high bytes", std::string(5, '\0') + std::string(40, '\xff') + "\n" + one,
       "characters: '\\x00\\x00\\x00\\x00\\x00\\xFF\\xFF\\xFF\\xFF\\xFF" + ELLIPSIS + "'"},
      {"a megabyte of digits", "N\n" + sevens + ",2" + tail, "line 2: the number of columns " + std::string(40, '7') + ELLIPSIS + " is out"},
      {"a sign and a megabyte", "N\n2,-" + sevens + tail, "line 2: the number of rows -" + std::string(39, '7') + ELLIPSIS + " is out"},
      {"zeros, then 11 digits", "N\n" + std::string(100, '0') + "12345678901,1" + tail, "columns " + std::string(40, '0') + ELLIPSIS + " is out"},
      {"one past int", "N\n1,1" + tail + "2147483648,", "(column 0, row 0) 2147483648 is out of range"},
      {"far below int", "N\n1,1" + tail + "-2147483649,", "(column 0, row 0) -2147483649 is out of range"},
  };
  for (const Malformed& c : cases) {
    LevelFile level;
    std::string error;
    EXPECT_FALSE(parse(c.text, level, error)) << c.what;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": got \"" << error << "\"";
    EXPECT_LT(error.size(), 120u) << c.what;
  }
}

TEST(LevelFile, AbsurdGridIsRefusedBeforeAnyTileIsAllocated) {
  LevelFile level;
  std::string error;
  // 1024 x 1025 cells is just over the limit; nothing after the grid exists
  EXPECT_FALSE(parse("N\n1024,1025\n", level, error));
  EXPECT_TRUE(level.codes.empty());
  EXPECT_NE(error.find("larger than"), std::string::npos) << error;
}

TEST(LevelFile, ReaderSurvivesRandomAndTruncatedInput) {
  std::string good = header("5,4", 20);
  unsigned seed = 12345;
  for (int round = 0; round < 3000; round++) {
    std::string text = good;
    seed = seed * 1103515245u + 12345u;
    if (round % 3 == 0) {
      text.resize(seed % (good.size() + 1));
    } else {
      for (int flips = 0; flips < 1 + round % 4; flips++) {
        seed = seed * 1103515245u + 12345u;
        text[seed % text.size()] = static_cast<char>((seed >> 8) & 0xFF);
      }
    }
    LevelFile level;
    std::string error;
    if (parse(text, level, error)) {
      ASSERT_EQ(level.codes.size(), static_cast<size_t>(level.cols) * level.rows);
      ASSERT_LE(level.name.size(), 29u);
    } else {
      ASSERT_FALSE(error.empty());
    }
  }
}

TEST(LevelFile, ExcerptsAreShortPrintableAndSayWhenTheyWereCut) {
  const struct {
    std::string text;
    bool more;
    std::string shown;
  } cases[] = {
      {"back\\slash", true, "back\\\\slash" + ELLIPSIS},
      {std::string(40, 'x'), false, std::string(40, 'x')},
      {std::string(41, 'x'), false, std::string(40, 'x') + ELLIPSIS},
      {std::string("tab\tnul\0", 8), false, "tab\\x09nul\\x00"},
      {"\x7f\x80\xe2", false, "\\x7F\\x80\\xE2"},
      // an escape that would not fit whole is left out rather than split
      {std::string(38, 'y') + "\x01", false, std::string(38, 'y') + ELLIPSIS},
  };
  for (const auto& c : cases) EXPECT_EQ(levelExcerpt(c.text, c.more), c.shown) << c.text;
}

TEST(LevelFile, LeadingZerosAndTheEdgesOfIntStillLoad) {
  LevelFile level;
  std::string error, zeros(1 << 20, '0');
  ASSERT_TRUE(parse("N\n" + zeros + "3,+" + zeros + "1\n32,32\n15\n100\n0\n"
                    "2147483647,-2147483648,-" + zeros + ",",
                    level, error))
      << error;
  EXPECT_EQ(level.cols, 3);
  EXPECT_EQ(level.rows, 1);
  EXPECT_EQ(level.codes, (std::vector<int>{2147483647, -2147483648, 0}));
}

TEST(LevelFile, AnEndlessStreamIsRefusedAfterAFewBytes) {
  const struct {
    std::string prefix;
    char fill;
    std::string message;  // the start of the message
  } cases[] = {
      {"", '\0', "line 1: the level name is longer than 29 characters: '\\x00"},
      {"N\n", '7', "line 2: the number of columns 777"},
      {"N\n4,4\n32,32\n15\n100\n0\n1,2,", '3', "line 7: tile record 3 of 16"},
  };
  for (const auto& c : cases) {
    EndlessBuffer endless(c.prefix, c.fill);
    std::istream in(&endless);
    LevelFile level;
    std::string error;
    EXPECT_FALSE(parseLevelFile(in, level, error)) << c.message;
    EXPECT_EQ(error.compare(0, c.message.size(), c.message), 0) << error;
    EXPECT_NE(error.find(ELLIPSIS), std::string::npos) << error;
    EXPECT_LT(error.size(), 120u) << error;
    // beyond the prefix: the look-ahead and one 16-byte chunk
    EXPECT_LE(endless.pulled, c.prefix.size() + LEVEL_EXCERPT_MAX + 2 + 16) << c.message;
  }
}
