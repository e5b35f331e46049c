// High score table: reading, ranking, saving and drawing.
#include "scores/high_score_table.h"

#include <allegro.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "app/game_state.h"
#include "platform/paths.h"
#include "render/renderer.h"

const char* const HIGH_SCORE_FILE = "./data/game.hs";

namespace {

// The longest entry the game writes: a sign and ten digits, a full name,
// "\n\r".
const size_t ENTRY_MAX_BYTES = 11 + HIGH_SCORE_NAME_MAX + 2;
const size_t EXCERPT_BYTES = 40;
const size_t COPY_CHUNK = 16384;
// Longest save problem line drawn: 70 characters of the 8-pixel font from
// x 230 end before x 800.
const size_t PROBLEM_LINE_MAX = 70;

struct Entry {
  int score;
  std::string name;
};

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

enum ScoreRead { SCORE_READ, NO_SCORE, SCORE_OUT_OF_RANGE };

// An optional sign and decimal digits from entry[i]; `i` moves past all the
// digits, even when they do not fit an int.
ScoreRead readScore(const char* entry, size_t length, size_t& i, int& score) {
  bool negative = false;
  if (i < length && (entry[i] == '+' || entry[i] == '-')) negative = entry[i++] == '-';
  size_t digitsFrom = i;
  long long value = 0;
  bool outOfRange = false;
  for (; i < length && entry[i] >= '0' && entry[i] <= '9'; i++) {
    value = value * 10 + (entry[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) {
      outOfRange = true;
      value = 0;  // keeps the product in range while the digits run on
    }
  }
  if (i == digitsFrom) return NO_SCORE;
  if (negative) value = -value;
  if (outOfRange || value > INT_MAX || value < INT_MIN) return SCORE_OUT_OF_RANGE;
  score = static_cast<int>(value);
  return SCORE_READ;
}

// Up to 40 bytes of an entry for a message, printable ASCII as it is and
// every other byte (and the backslash) as \xNN, then "…" if there was more.
std::string excerpt(const char* begin, size_t length) {
  std::string text = "\"";
  for (size_t i = 0; i < length && i < EXCERPT_BYTES; i++) {
    unsigned char c = static_cast<unsigned char>(begin[i]);
    if (c >= 32 && c < 127 && c != '\\') {
      text += static_cast<char>(c);
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  text += "\"";
  if (length > EXCERPT_BYTES) text += "\xE2\x80\xA6";
  return text;
}

void reportLine(const std::string& file, int line, const std::string& what, const char* begin,
                size_t length) {
  std::fprintf(stderr, "brindlecove: %s:%d: %s: %s\n", file.c_str(), line, what.c_str(),
               excerpt(begin, length).c_str());
}

// The folder that holds `file`, for syncing the rename.
std::string folderOf(const std::string& file) {
  size_t slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return file.substr(0, slash);
}

// Writes all of `length` bytes, through short writes and interrupts;
// false with errno set when the system refuses.
bool writeAll(int fd, const char* data, size_t length) {
  while (length > 0) {
    ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

// Makes a finished rename last through a power cut. Some file systems
// cannot sync a folder (EINVAL); the rename stands anyway, so only a real
// failure is mentioned.
void syncFolder(const std::string& file) {
  int fd = ::open(folderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
    std::fprintf(stderr, "brindlecove: %s may not survive a power cut (%s)\n", file.c_str(),
                 std::strerror(errno));
  ::close(fd);
}

// Writes `length` bytes from `in` (until its end when `in` >= 0) or from
// `data` into `temporary`, syncs it and renames it to `file`; on failure
// the temporary file is removed, `file` is untouched and errno says why.
bool replaceThroughTemporary(const std::string& file, const std::string& temporary, int in,
                             const std::string& data) {
  // O_TRUNC: a temporary file left by a killed save is overwritten, never read
  int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) return false;
  bool ok = true;
  if (in >= 0) {
    std::vector<char> chunk(COPY_CHUNK);
    for (;;) {
      ssize_t n = ::read(in, &chunk[0], chunk.size());
      if (n < 0 && errno == EINTR) continue;
      if (n == 0) break;
      if (n < 0 || !writeAll(out, &chunk[0], static_cast<size_t>(n))) {
        ok = false;
        break;
      }
    }
  } else {
    ok = writeAll(out, data.data(), data.size());
  }
  int err = ok ? 0 : errno;
  // the data must be on the disk before the name points at it
  if (ok && ::fsync(out) != 0) {
    ok = false;
    err = errno;
  }
  if (::close(out) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::rename(temporary.c_str(), file.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    errno = err;
    return false;
  }
  syncFolder(file);
  return true;
}

}  // namespace

HighScoreTable::HighScoreTable(int capacity, const std::string& fileName,
                               const std::string& seedFile)
    : capacity(std::max(capacity, 1)),
      fileName(fileName),
      seedFile(seedFile),
      scores(this->capacity, 0),
      names(this->capacity),
      damaged(false),
      backedUp(false) {
  if (!read(fileName) && !seedFile.empty()) {
    read(seedFile);
    // the player's own file is still to be made: nothing of it to keep
    damaged = false;
  }
}

bool HighScoreTable::read(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // a FIFO must not hang
  if (fd < 0) {
    // no file yet is the normal first start
    if (errno == ENOENT) return false;
    std::fprintf(stderr, "brindlecove: %s: cannot read the high scores (%s)\n", path.c_str(),
                 std::strerror(errno));
    damaged = true;
    return true;
  }
  size_t budget = std::max(static_cast<size_t>(HIGH_SCORE_READ_BUDGET),
                           static_cast<size_t>(capacity) * ENTRY_MAX_BYTES);
  std::vector<char> bytes(budget + 1);  // one byte more tells whether the file goes on
  size_t size = 0;
  while (size < bytes.size()) {
    ssize_t n = ::read(fd, &bytes[size], bytes.size() - size);
    if (n > 0) {
      size += static_cast<size_t>(n);
    } else if (n == 0 || errno == EAGAIN) {
      break;
    } else if (errno != EINTR) {
      // a folder or a failing disk: nothing is kept, and the save will
      // refuse to replace a file it could not copy
      std::fprintf(stderr, "brindlecove: %s: cannot read the high scores (%s)\n",
                   path.c_str(), std::strerror(errno));
      damaged = true;
      ::close(fd);
      return true;
    }
  }
  struct stat info;
  bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  ::close(fd);
  bool goesOn = size > budget;
  if (goesOn) size = budget;

  std::vector<Entry> entries;
  const char* text = &bytes[0];
  size_t pos = 0;
  for (int line = 1; pos < size; line++) {
    const char* found = static_cast<const char*>(std::memchr(text + pos, '\n', size - pos));
    size_t end = found ? static_cast<size_t>(found - text) : size;
    size_t next = found ? end + 1 : size;
    // white space before a score is skipped, as the carriage return that
    // ends the entry before it; a blank line holds nothing to lose
    size_t start = pos;
    while (start < end && isBlank(text[start])) start++;
    const char* entry = text + start;
    size_t length = end - start;
    pos = next;
    if (length == 0) continue;
    if (!found && goesOn) {
      // this entry may go on past the budget: its score could be cut
      reportLine(path, line,
                 "the file goes on past " + std::to_string(budget) + " bytes; not read from here",
                 entry, length);
      damaged = true;
      goesOn = false;
      break;
    }

    size_t i = 0;
    int score = 0;
    ScoreRead got = readScore(entry, length, i, score);
    if (got != SCORE_READ) {
      reportLine(path, line,
                 got == NO_SCORE ? "no score; entry skipped" : "score out of range; entry skipped",
                 entry, length);
      damaged = true;
      continue;
    }

    // the name ends before the line feed and the carriage returns a
    // text-mode write puts in front of it
    size_t nameEnd = length;
    while (nameEnd > i && entry[nameEnd - 1] == '\r') nameEnd--;
    std::string name(entry + i, nameEnd - i);
    size_t nul = name.find('\0');
    if (nul != std::string::npos) {
      reportLine(path, line, "NUL in the name; kept what comes before it", entry, length);
      name.resize(nul);
      damaged = true;
    }
    if (name.size() > static_cast<size_t>(HIGH_SCORE_NAME_MAX)) {
      reportLine(path, line,
                 "name longer than " + std::to_string(HIGH_SCORE_NAME_MAX) +
                     " characters; kept its first " + std::to_string(HIGH_SCORE_NAME_MAX),
                 entry, length);
      name.resize(HIGH_SCORE_NAME_MAX);
      damaged = true;
    }
    // A cut name must not end in a carriage return either: written back, it
    // would read as part of the entry's end and the name would change.
    while (!name.empty() && name.back() == '\r') name.pop_back();
    if (!found) {
      reportLine(path, line, "the last entry has no end; the file may be cut short", entry,
                 length);
      damaged = true;
    }
    Entry kept = {score, name};
    entries.push_back(kept);
  }
  if (goesOn) {
    std::fprintf(stderr, "brindlecove: %s: the file goes on past %zu bytes; the rest is not read\n",
                 path.c_str(), budget);
    damaged = true;
  }

  bool inOrder = true;
  for (size_t i = 1; i < entries.size(); i++)
    if (entries[i].score > entries[i - 1].score) inOrder = false;
  if (!inOrder) {
    std::fprintf(stderr, "brindlecove: %s: entries out of order; sorted best first\n",
                 path.c_str());
    damaged = true;
  }
  size_t readCount = entries.size();
  // empty places go below the read entries of equal score; the whole table
  // is sorted so that a saved table reads back unchanged, negative scores
  // included
  while (entries.size() < static_cast<size_t>(capacity)) {
    Entry empty = {0, ""};
    entries.push_back(empty);
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.score > b.score; });
  if (readCount > static_cast<size_t>(capacity)) {
    std::fprintf(stderr, "brindlecove: %s: %zu entries for %d places; the lowest %zu dropped\n",
                 path.c_str(), readCount, capacity, readCount - capacity);
    damaged = true;
  }
  for (int i = 0; i < capacity; i++) {
    scores[i] = entries[i].score;
    names[i] = entries[i].name;
  }
  // a damaged seed is only read: the saves go to the player's own file
  if (path != fileName) return true;
  if (damaged && regular)
    std::fprintf(stderr, "brindlecove: %s: damaged; the next save keeps it as %s.bak\n",
                 path.c_str(), path.c_str());
  else if (damaged)
    std::fprintf(stderr, "brindlecove: %s: not a file; the high scores will not replace it\n",
                 path.c_str());
  return true;
}

bool HighScoreTable::qualifies(int score) const { return score > scores[capacity - 1]; }

void HighScoreTable::insert(int score, const char* name) {
  std::string kept = name != NULL ? name : "";
  if (kept.size() > static_cast<size_t>(HIGH_SCORE_NAME_MAX)) kept.resize(HIGH_SCORE_NAME_MAX);
  std::replace(kept.begin(), kept.end(), '\n', ' ');
  std::replace(kept.begin(), kept.end(), '\r', ' ');
  bool stored = false;
  for (int i = capacity - 1; i >= 0; i--) {
    if (score < scores[i]) {
      // below the lowest entry there is no room: such a score never qualifies
      if (i + 1 < capacity) {
        scores[i + 1] = score;
        names[i + 1] = kept;
      }
      stored = true;
      break;
    }
    // the lowest entry is not moved down: it drops out
    if (i + 1 < capacity) {
      scores[i + 1] = scores[i];
      names[i + 1] = names[i];
    }
  }
  if (!stored) {
    scores[0] = score;
    names[0] = kept;
  }
  save();
}

bool HighScoreTable::save() {
  bool ok = (!damaged || backedUp || keepBackup()) && writeAndReplace();
  if (ok) problem.clear();
  return ok;
}

// Copies the damaged file to FILE.bak (through FILE.bak.new), once per
// table, before the first save replaces it.
bool HighScoreTable::keepBackup() {
  std::string backup = fileName + ".bak";
  int in = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat info;
  if (in < 0 && errno == ENOENT) {
    backedUp = true;  // gone meanwhile: nothing left to lose
    return true;
  }
  bool ok = in >= 0 && ::fstat(in, &info) == 0;
  if (ok && S_ISDIR(info.st_mode)) {
    // nothing to copy, and the rename will refuse to replace a folder
    ::close(in);
    return true;
  }
  if (ok && !S_ISREG(info.st_mode)) {
    // a device or a pipe cannot be copied whole; it is left alone
    ::close(in);
    std::fprintf(stderr, "brindlecove: %s is not a file; the high scores are not saved\n",
                 fileName.c_str());
    problem = "not a file";
    return false;
  }
  ok = ok && replaceThroughTemporary(backup, backup + ".new", in, "");
  int err = errno;
  if (in >= 0) ::close(in);
  if (!ok) {
    std::fprintf(stderr,
                 "brindlecove: cannot keep the damaged %s as %s (%s); the high scores are not "
                 "saved, %s is unchanged\n",
                 fileName.c_str(), backup.c_str(), std::strerror(err), fileName.c_str());
    problem = std::string("no backup: ") + std::strerror(err);
    return false;
  }
  std::fprintf(stderr, "brindlecove: the damaged %s is kept as %s\n", fileName.c_str(),
               backup.c_str());
  backedUp = true;
  return true;
}

bool HighScoreTable::writeAndReplace() {
  // A pipe or a device given as the file (or linked to) is never replaced
  // by a plain file, damaged or not.
  struct stat info;
  if (::stat(fileName.c_str(), &info) == 0 && !S_ISREG(info.st_mode) &&
      !S_ISDIR(info.st_mode)) {
    std::fprintf(stderr, "brindlecove: %s is not a file; the high scores are not saved\n",
                 fileName.c_str());
    problem = "not a file";
    return false;
  }
  // the player's own folder is made on the first save, not at every start
  if (!seedFile.empty() && !makeFolders(folderOf(fileName))) {
    int err = errno;
    std::fprintf(stderr, "brindlecove: cannot make the folder of %s (%s); the high scores are not "
                 "saved\n", fileName.c_str(), std::strerror(err));
    problem = std::strerror(err);
    return false;
  }
  std::string text;
  for (int i = 0; i < capacity; i++) text += std::to_string(scores[i]) + names[i] + "\n\r";
  if (!replaceThroughTemporary(fileName, fileName + ".new", -1, text)) {
    int err = errno;
    std::fprintf(stderr, "brindlecove: cannot save the high scores to %s (%s); it is unchanged\n",
                 fileName.c_str(), std::strerror(err));
    problem = std::strerror(err);
    return false;
  }
  return true;
}

void HighScoreTable::draw(BITMAP* target) const {
  for (int i = 0; i < capacity; i++) {
    int y = 10 + 30 * i;
    textprintf_ex(target, mainFont, 300, y, COLOUR_MESSAGE, -1, "%i. %s", i + 1, names[i].c_str());
    textprintf_ex(target, mainFont, 500, y, COLOUR_MESSAGE, -1, "%i", scores[i]);
  }
  textout_ex(target, mainFont, "Press <enter> for the main menu", 230, 450, COLOUR_MESSAGE, -1);
  if (!problem.empty()) {
    std::string line = "The high scores could not be saved: " + problem;
    if (line.size() > PROBLEM_LINE_MAX) line = line.substr(0, PROBLEM_LINE_MAX - 3) + "...";
    textout_ex(target, mainFont, line.c_str(), 230, 480, COLOUR_MESSAGE, -1);
  }
}
