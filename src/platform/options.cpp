// Command line: getopt_long over the game's options, usage and version.
#include "platform/options.h"

#include <getopt.h>

#include <stdexcept>
#include <string>

#include "app/game_state.h"

namespace {

const char* const USAGE =
    "Usage: brindlecove [OPTION]...\n"
    "Side-scrolling platform game: walk, jump and shoot through the levels\n"
    "before the clock runs out.\n"
    "\n"
    "  --data DIR       the folder holding graphics.dat and the levels\n"
    "                   (default: searched for, see below)\n"
    "  --scores FILE    keep the high score table in FILE\n"
    "  --level FILE     play this one level file\n"
    "  --levels DIR     play DIR/level1.dat, level2.dat, ... in turn\n"
    "  --fullscreen     an 800 x 600 full-screen mode instead of the window\n"
    "  --mute           no music and no sound effects (M switches them on and off)\n"
    "  --rest           wait for the next tick with rest(1) instead of spinning,\n"
    "                   which spares the processor (as the setting wait = rest)\n"
    "  --record FILE    write every tick's keys to FILE, to be replayed\n"
    "  --replay FILE    play the recorded game FILE back (Escape ends it)\n"
    "  --replay-speed N replay at N times 35 ticks a second, 1 to 100;\n"
    "                   0 as fast as it can draw (default 1)\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "The data folder is the first of: --data DIR; $BRINDLECOVE_DATA_DIR; the\n"
    "current folder; the program's folder; ../share/brindlecove beside the\n"
    "program's folder; the folder it was installed to.\n"
    "High scores: --scores FILE; else data/game.hs in the data folder when it is\n"
    "the current or the program's folder and that file is writable; else\n"
    "$XDG_DATA_HOME/brindlecove/game.hs (~/.local/share/brindlecove/game.hs).\n"
    "Settings: $XDG_CONFIG_HOME/brindlecove/brindlecove.cfg\n"
    "(~/.config/brindlecove/brindlecove.cfg): wait, pause_on_focus_loss,\n"
    "sound_volume, music_volume, the [keys] and the [pad] (see the README).\n"
    "\n"
    "Exit status: 0 the game ended through its menu, 1 the game could not run\n"
    "(no data folder, a level file that does not load, ...), 2 wrong usage.\n";

enum OptionId { OPT_DATA = 256, OPT_SCORES, OPT_LEVEL, OPT_LEVELS, OPT_FULLSCREEN, OPT_MUTE,
                OPT_HELP, OPT_VERSION, OPT_RECORD, OPT_REPLAY, OPT_REPLAY_SPEED, OPT_REST };

const struct option LONG_OPTIONS[] = {
    {"data", required_argument, nullptr, OPT_DATA},
    {"scores", required_argument, nullptr, OPT_SCORES},
    {"level", required_argument, nullptr, OPT_LEVEL},
    {"levels", required_argument, nullptr, OPT_LEVELS},
    {"fullscreen", no_argument, nullptr, OPT_FULLSCREEN},
    {"mute", no_argument, nullptr, OPT_MUTE},
    {"rest", no_argument, nullptr, OPT_REST},
    {"record", required_argument, nullptr, OPT_RECORD},
    {"replay", required_argument, nullptr, OPT_REPLAY},
    {"replay-speed", required_argument, nullptr, OPT_REPLAY_SPEED},
    {"help", no_argument, nullptr, OPT_HELP},
    {"version", no_argument, nullptr, OPT_VERSION},
    {nullptr, 0, nullptr, 0},
};

int usageError(FILE* err, const std::string& problem) {
  std::fprintf(err, "brindlecove: %s\nTry 'brindlecove --help'.\n", problem.c_str());
  return EXIT_USAGE_ERROR;
}

// What getopt_long refused in `word`, said the way GNU tools say it.
// A letter in `shortOption` is a refused short option (the game has none);
// otherwise `word` is the long option refused.
std::string refused(const char* word, int shortOption) {
  if (shortOption > 0 && shortOption < OPT_DATA)
    return std::string("invalid option -- '") + static_cast<char>(shortOption) + "'";
  std::string name(word + 2);
  size_t equals = name.find('=');
  if (equals != std::string::npos) {
    for (const struct option* o = LONG_OPTIONS; o->name; o++)
      if (o->has_arg == no_argument && name.compare(0, equals, o->name) == 0)
        return "option '--" + name.substr(0, equals) + "' takes no argument";
  }
  return std::string("unrecognized option '") + word + "'";
}

}  // namespace

int readCommandLine(int argc, char** argv, Options& options, FILE* out, FILE* err) {
  options = Options();
  // 0, not 1: getopt starts afresh, so a second reading works
  optind = 0;
  opterr = 0;
  bool speedGiven = false;
  for (;;) {
    int id = getopt_long(argc, argv, ":", LONG_OPTIONS, nullptr);
    if (id == -1) break;
    std::string value = optarg != nullptr ? optarg : "";
    // an empty value names no file; the game would only fail later
    bool needsValue = id == OPT_DATA || id == OPT_SCORES || id == OPT_LEVEL || id == OPT_LEVELS ||
                      id == OPT_RECORD || id == OPT_REPLAY || id == OPT_REPLAY_SPEED;
    if (needsValue && value.empty())
      return usageError(err, std::string("option '") + argv[optind - 1] + "' needs a value");
    switch (id) {
      case OPT_DATA: options.dataFolder = value; break;
      case OPT_SCORES: options.scoresFile = value; break;
      case OPT_LEVEL: options.levelFile = value; break;
      case OPT_LEVELS: options.levelsFolder = value; break;
      case OPT_FULLSCREEN: options.fullscreen = true; break;
      case OPT_MUTE: options.mute = true; break;
      case OPT_REST: options.rest = true; break;
      case OPT_RECORD: options.recordFile = value; break;
      case OPT_REPLAY: options.replayFile = value; break;
      case OPT_REPLAY_SPEED: {
        size_t used = 0;
        int speed = -1;
        try {
          speed = std::stoi(value, &used);
        } catch (const std::exception&) {
          used = 0;
        }
        if (used != value.size() || value[0] == '+' || speed < 0 || speed > REPLAY_SPEED_MAX)
          return usageError(err, "--replay-speed takes a whole number from 0 to " +
                                     std::to_string(REPLAY_SPEED_MAX) + ", not '" + value + "'");
        options.replaySpeed = speed;
        speedGiven = true;
        break;
      }
      case OPT_HELP:
        std::fputs(USAGE, out);
        return 0;
      case OPT_VERSION:
        std::fprintf(out, "%s%s\n", GAME_NAME, GAME_VERSION);
        return 0;
      case ':':
        return usageError(err, std::string("option '") + argv[optind - 1] + "' needs a value");
      default:
        return usageError(err, refused(argv[optind - 1], optopt));
    }
  }
  if (optind < argc) return usageError(err, std::string("unexpected argument '") + argv[optind] + "'");
  if (!options.levelFile.empty() && !options.levelsFolder.empty())
    return usageError(err, "--level and --levels cannot go together");
  if (!options.recordFile.empty() && !options.replayFile.empty())
    return usageError(err, "--record and --replay cannot go together");
  if (speedGiven && options.replayFile.empty())
    return usageError(err, "--replay-speed needs --replay");
  return -1;
}
