// Feeds arbitrary bytes to the level reader. Besides the sanitizers'
// faults, it stops on a parse that succeeds with a map the game could not
// build, or a failure whose message would flood the player's screen.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "level/level_file.h"

namespace {

void check(bool ok, const char* what, const std::string& detail) {
  if (ok) return;
  std::fprintf(stderr, "fuzz_level_file: %s\n%s\n", what, detail.substr(0, 400).c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  LevelFile level;
  std::string error;
  if (parseLevelFile(in, level, error)) {
    check(error.empty(), "a successful parse left an error", error);
    check(level.name.size() <= static_cast<size_t>(LEVEL_NAME_MAX), "the name is too long",
          level.name);
    check(level.cols > 0 && level.rows > 0, "a grid without cells was accepted",
          std::to_string(level.cols) + " x " + std::to_string(level.rows));
    check(static_cast<long long>(level.cols) * level.rows <= LEVEL_MAX_CELLS,
          "a grid larger than the limit was accepted", std::to_string(level.cols));
    check(level.tileWidth > 0 && level.tileHeight > 0, "a tile size of 0 or less was accepted",
          std::to_string(level.tileWidth) + " x " + std::to_string(level.tileHeight));
    check(level.codes.size() == static_cast<size_t>(level.cols) * level.rows,
          "the codes do not fill the grid", std::to_string(level.codes.size()));
    check(level.codeLines.size() == level.codes.size(), "a code has no line",
          std::to_string(level.codeLines.size()));
    check(level.platforms.size() <= static_cast<size_t>(LEVEL_MAX_PLATFORMS),
          "too many platforms were accepted", std::to_string(level.platforms.size()));
  } else {
    check(!error.empty(), "a failed parse gave no reason", "");
    check(error.size() < 300, "the error message is too long", error);
  }
  return 0;
}
