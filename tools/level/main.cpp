// brindlecove-level: checks, pictures, solves and replays level files with
// the game's own loader and world update.
#include <allegro.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/game_state.h"
#include "level/tile_map.h"
#include "platform/paths.h"
#include "level_check.h"
#include "level_picture.h"
#include "level_run.h"
#include "level_solver.h"

namespace {

// Exit statuses besides 0 and 1 of each command: wrong usage (as POSIX
// utilities have it), and a file that does not load or cannot be written,
// no data folder, or a run the tool cannot vouch for.
const int EXIT_USAGE = 2;
const int EXIT_TROUBLE = 3;

const char* const USAGE =
    "Usage: brindlecove-level COMMAND [--data DIR] ...\n"
    "Checks, draws, solves and replays Brindlecove level files with the game's\n"
    "own loader and world update.\n"
    "\n"
    "  check [--menu] [--deep [--budget N]] FILE...\n"
    "                                  load errors and design faults, FILE:LINE: what;\n"
    "                                  --menu: the files after it are menu backdrops\n"
    "                                  (no exit or clock needed); --deep: also pickups\n"
    "                                  no run takes on its way to the exit (a search\n"
    "                                  of N states a pickup at most)\n"
    "  picture FILE OUT.png            the whole map with the game's pictures\n"
    "  solve [--step K] [--budget N] [--trace OUT] [--json] FILE\n"
    "                                  searches a run from the start to the exit\n"
    "  replay FILE TRACE               runs a trace and says whether it reaches the exit\n"
    "  --data DIR                      the folder holding graphics.dat (default: searched\n"
    "                                  for as the game does: $BRINDLECOVE_DATA_DIR, the\n"
    "                                  current folder, this program's folder,\n"
    "                                  ../share/brindlecove beside it, the installed one)\n"
    "  --help                          show this help and exit\n"
    "  --version                       show the version and exit\n"
    "\n"
    "Exit status: 0 clean / finishable / reached, 1 design fault / not finishable /\n"
    "not reached, 2 wrong usage, 3 a file that does not load or cannot be written,\n"
    "or no data folder.\n";

int usage(const std::string& problem) {
  std::fprintf(stderr, "brindlecove-level: %s\nTry 'brindlecove-level --help'.\n",
               problem.c_str());
  return EXIT_USAGE;
}

// Headless Allegro at the pictures' depth and graphics.dat, which gives
// the actors their sizes. No timer: it needs a display here.
bool setUp(const std::string& dataGiven) {
  DataFolder data = findDataFolder(dataGiven);
  if (data.place == DATA_NOT_FOUND) {
    std::fputs(dataFolderMissing("brindlecove-level", data).c_str(), stderr);
    return false;
  }
  if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
    std::fprintf(stderr, "brindlecove-level: cannot initialise Allegro\n");
    return false;
  }
  set_color_depth(16);
  std::string error;
  if (!loadGraphics(data.path, error)) {
    std::fprintf(stderr, "brindlecove-level: %s\n", error.c_str());
    return false;
  }
  makeWorld();
  return true;
}

bool parseNumber(const std::string& text, long low, long& value) {
  char* end = NULL;
  errno = 0;
  value = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && errno == 0 && value >= low;
}

int runCheck(const std::vector<std::string>& args) {
  CheckOptions options = checkOptionsFromGraphics();
  int status = CHECK_CLEAN;
  int files = 0;
  for (size_t i = 0; i < args.size(); i++) {
    const std::string& arg = args[i];
    if (arg == "--menu") {
      options.menu = true;
      continue;
    }
    if (arg == "--deep") {
      options.deep = true;
      continue;
    }
    if (arg == "--budget") {
      if (++i == args.size() || !parseNumber(args[i], 1, options.deepBudget))
        return usage("check: --budget needs a number of states, at least 1");
      continue;
    }
    if (arg.compare(0, 2, "--") == 0) return usage("check: unknown option " + arg);
    files++;
    std::vector<Finding> findings;
    int fileStatus = checkLevel(arg, options, findings);
    for (const Finding& f : findings) std::printf("%s\n", formatFinding(arg, f).c_str());
    if (fileStatus > status) status = fileStatus;
  }
  if (files == 0) return usage("check: no level file given");
  return status == CHECK_LOAD_ERROR ? EXIT_TROUBLE : status;
}

int runPicture(const std::vector<std::string>& args) {
  if (args.size() != 2) return usage("picture: needs FILE and OUT.png");
  std::string error;
  // the level as its file sets it out, before the welcome's tick
  if (!startRun(args[0], error, false)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return EXIT_TROUBLE;
  }
  BITMAP* picture = drawLevelPicture();
  if (!picture) {
    std::fprintf(stderr, "brindlecove-level: cannot make a picture of %d x %d pixels\n",
                 currentMap->getWidthPixels(), currentMap->getHeightPixels());
    return EXIT_TROUBLE;
  }
  bool saved = savePng(picture, args[1], error);
  destroy_bitmap(picture);
  if (!saved) {
    std::fprintf(stderr, "brindlecove-level: %s\n", error.c_str());
    return EXIT_TROUBLE;
  }
  return 0;
}

// Seconds to the hundredth, as the plain output prints them.
double hundredths(double seconds) { return std::round(seconds * 100.0) / 100.0; }

// The solve result as one JSON object; ordered so the keys come as
// documented. Fields that have no value for an unfinishable level are null.
nlohmann::ordered_json solveJson(const SolveResult& result, int timeLimit) {
  nlohmann::ordered_json out;
  out["finishable"] = result.finishable;
  if (result.finishable) {
    double seconds = static_cast<double>(result.ticks) / TICKS_PER_SECOND;
    out["ticks"] = result.ticks;
    out["seconds"] = hundredths(seconds);
    out["time_limit"] = timeLimit;
    out["spare_seconds"] = hundredths(timeLimit - seconds);
    out["shortest"] = result.shortest;
  } else {
    out["ticks"] = nullptr;
    out["seconds"] = nullptr;
    out["time_limit"] = timeLimit;
    out["spare_seconds"] = nullptr;
    out["exhausted"] = result.exhausted;
  }
  out["states"] = result.states;
  return out;
}

int runSolve(const std::vector<std::string>& args) {
  SolveOptions options;
  std::string file, tracePath;
  bool json = false;
  for (size_t i = 0; i < args.size(); i++) {
    const std::string& arg = args[i];
    bool hasValue = i + 1 < args.size();
    long value = 0;
    if (arg == "--json") {
      json = true;
    } else if (arg == "--trace" && hasValue) {
      tracePath = args[++i];
    } else if (arg == "--step" && hasValue) {
      if (!parseNumber(args[++i], 1, value) || value > 35) return usage("solve: --step 1 to 35");
      options.step = static_cast<int>(value);
    } else if (arg == "--budget" && hasValue) {
      if (!parseNumber(args[++i], 1, value)) return usage("solve: --budget needs a count");
      options.budget = value;
    } else if (arg.compare(0, 2, "--") == 0 || !file.empty()) {
      return usage("solve: unexpected " + arg);
    } else {
      file = arg;
    }
  }
  if (file.empty()) return usage("solve: no level file given");

  std::string error;
  if (!startRun(file, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return EXIT_TROUBLE;
  }
  int timeLimit = currentMap->getTimeLimit();
  auto began = std::chrono::steady_clock::now();
  SolveResult result = solveLevel(options);
  double searchSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  double seconds = static_cast<double>(result.ticks) / TICKS_PER_SECOND;
  // The search branches by putting the world back; the run found must
  // also hold when played straight through from the start.
  if (result.finishable) {
    ReplayResult check = replayKeys(result.keys);
    if (check.outcome != RUN_FINISHED || check.ticks != result.ticks) {
      std::fprintf(stderr, "brindlecove-level: %s: the run found does not replay to the exit\n",
                   file.c_str());
      return EXIT_TROUBLE;
    }
  }

  if (result.finishable && !tracePath.empty() &&
      !writeTrace(tracePath, currentMap->getName(), result.keys, error)) {
    std::fprintf(stderr, "brindlecove-level: %s\n", error.c_str());
    return EXIT_TROUBLE;
  }
  if (json) {
    std::fputs((solveJson(result, timeLimit).dump() + "\n").c_str(), stdout);
  } else if (result.finishable) {
    std::printf("%s: finishable in %d ticks (%.2f s of %d s, %.2f s to spare); %s; "
                "%ld states searched in %.1f s\n",
                file.c_str(), result.ticks, seconds, timeLimit, timeLimit - seconds,
                result.shortest ? "shortest run"
                                : "best run found, not proven shortest (the budget ran out; "
                                  "try a larger --budget)",
                result.states, searchSeconds);
  } else if (result.states == 0) {
    std::printf("%s: not finishable (%s)\n", file.c_str(),
                timeLimit <= 0 ? "the time limit leaves no time to play" : "no exit tile");
  } else if (result.exhausted) {
    std::printf("%s: not finishable: no run reaches the exit (every run of %d-tick steps "
                "within %d s tried; %ld states searched in %.1f s)\n",
                file.c_str(), options.step, timeLimit, result.states, searchSeconds);
  } else {
    std::printf("%s: not shown finishable (every pass spent its budget, %ld states in all, "
                "in %.1f s; try a larger --budget)\n",
                file.c_str(), result.states, searchSeconds);
  }
  return result.finishable ? 0 : 1;
}

int runReplay(const std::vector<std::string>& args) {
  if (args.size() != 2) return usage("replay: needs FILE and TRACE");
  std::string error;
  std::vector<TickKeys> keys;
  if (!startRun(args[0], error) || !readTrace(args[1], keys, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return EXIT_TROUBLE;
  }
  ReplayResult replay = replayKeys(keys);
  const char* what = "the trace ends before the exit";
  switch (replay.outcome) {
    case RUN_FINISHED: what = "reaches the exit"; break;
    case RUN_DIED: what = "the player dies"; break;
    case RUN_OUT_OF_TIME: what = "the clock runs out"; break;
    default: break;
  }
  std::printf("%s: %s after %d ticks (%.2f s)\n", args[0].c_str(), what, replay.ticks,
              static_cast<double>(replay.ticks) / TICKS_PER_SECOND);
  return replay.outcome == RUN_FINISHED ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string dataFolder;
  // --help, --version and --data go with every command, before or after its name
  for (size_t i = 0; i < args.size();) {
    if (args[i] == "--help") {
      std::fputs(USAGE, stdout);
      return 0;
    }
    if (args[i] == "--version") {
      std::printf("brindlecove-level (%s%s)\n", GAME_NAME, GAME_VERSION);
      return 0;
    }
    if (args[i].compare(0, 7, "--data=") == 0) {
      dataFolder = args[i].substr(7);
      if (dataFolder.empty()) return usage("--data needs a folder");
      args.erase(args.begin() + i);
      continue;
    }
    if (args[i] != "--data") {
      i++;
      continue;
    }
    if (i + 1 >= args.size() || args[i + 1].empty()) return usage("--data needs a folder");
    dataFolder = args[i + 1];
    args.erase(args.begin() + i, args.begin() + i + 2);
  }
  if (args.empty()) return usage("no command given");
  std::string command = args[0];
  args.erase(args.begin());
  if (command != "check" && command != "picture" && command != "solve" && command != "replay")
    return usage("unknown command '" + command + "'");
  if (!setUp(dataFolder)) return EXIT_TROUBLE;
  if (command == "check") return runCheck(args);
  if (command == "picture") return runPicture(args);
  if (command == "solve") return runSolve(args);
  return runReplay(args);
}
END_OF_MAIN()
