// Feeds arbitrary bytes to the high score reader as the high score file,
// then saves the table and reads it back. The reader must never keep a
// name the screen cannot show, and what the game saves it must read back.
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "scores/high_score_table.h"

namespace {

const int PLACES = 10;

// One fixed file per process: parallel fuzzing jobs do not share it, and a
// long run does not leave a trail of files behind. RAM-backed when it can;
// fuzz/run.sh names a folder of its own (BRINDLECOVE_FUZZ_TMP) and removes
// it afterwards, with whatever a crashed input left in it.
const std::string& scoreFile() {
  static const std::string path = [] {
    const char* given = std::getenv("BRINDLECOVE_FUZZ_TMP");
    std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    if (given != NULL && *given != '\0') dir = given;
    return dir + "/brindlecove-fuzz-" + std::to_string(getpid()) + ".hs";
  }();
  return path;
}

// Control bytes and the backslash as \xNN, so two names that differ only
// in them do not look the same in the report.
std::string shown(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 32 && c < 127 && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    }
  }
  return "\"" + out + "\"";
}

// The table's file and those a save makes beside it.
void removeFiles(const std::string& path) {
  for (const char* suffix : {"", ".new", ".bak", ".bak.new"}) std::remove((path + suffix).c_str());
}

void check(bool ok, const char* what, int place, const std::string& detail) {
  if (ok) return;
  std::fprintf(stderr, "fuzz_high_scores: place %d: %s\n%s\n", place + 1, what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = scoreFile();
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == NULL) std::abort();
  if ((size > 0 && std::fwrite(data, 1, size, out) != size) || std::fclose(out) != 0)
    std::abort();

  HighScoreTable table(PLACES, path);
  check(table.getCapacity() == PLACES, "the capacity changed", 0,
        std::to_string(table.getCapacity()));
  for (int i = 0; i < PLACES; i++) {
    const std::string& name = table.getName(i);
    check(name.size() <= static_cast<size_t>(HIGH_SCORE_NAME_MAX), "the name is too long", i,
          shown(name));
    check(name.find('\n') == std::string::npos, "the name holds a line feed", i, shown(name));
  }

  // The table saves over the file it was read from, which is our own copy.
  check(table.save(), "the table could not be saved", 0, path);
  HighScoreTable reread(PLACES, path);
  // A name that starts with a digit runs into its score's digits when
  // saved; from there on the file no longer says what the table held.
  for (int i = 0; i < PLACES; i++) {
    const std::string& name = table.getName(i);
    if (!name.empty() && std::isdigit(static_cast<unsigned char>(name[0]))) break;
    check(reread.getScore(i) == table.getScore(i), "the score read back differs", i,
          std::to_string(table.getScore(i)) + " saved, " + std::to_string(reread.getScore(i)) +
              " read back");
    check(reread.getName(i) == name, "the name read back differs", i,
          shown(name) + " saved, " + shown(reread.getName(i)) + " read back");
  }
  removeFiles(path);
  return 0;
}
