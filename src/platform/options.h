// Command line: the options a player can give, read once at start-up.
#ifndef BRINDLECOVE_OPTIONS_H
#define BRINDLECOVE_OPTIONS_H

#include <cstdio>
#include <string>

// What the command line asked for. The defaults are the game as it runs
// with no arguments: data searched for, scores by the rule in paths.h, the
// shipped levels, a window, sound on.
struct Options {
  std::string dataFolder;  // --data DIR; empty: searched for
  std::string scoresFile;  // --scores FILE; empty: per user or portable
  std::string levelFile;   // --level FILE: the whole game is this one level
  std::string levelsFolder;  // --levels DIR: DIR/level1.dat, level2.dat, ...
  bool fullscreen = false;   // --fullscreen: 800 x 600 full screen, else the window
  bool mute = false;         // --mute: sound installed, volume 0
  std::string recordFile;    // --record FILE: every tick's input written to FILE
  std::string replayFile;    // --replay FILE: the input read from FILE instead
  int replaySpeed = 1;       // --replay-speed N: N times 35 ticks a second; 0 as fast as it draws
  bool rest = false;         // --rest: loops yield with rest(1) while no tick is pending
};

// The fastest --replay-speed that is a multiple of the tick rate.
const int REPLAY_SPEED_MAX = 100;

// Status for a command line that is not accepted (POSIX utilities' habit).
const int EXIT_USAGE_ERROR = 2;

// Reads argv with getopt_long. Returns -1 when the game should start with
// `options`; otherwise the exit status after printing: usage on `out` for
// --help and the name and version for --version (0), or one line saying
// what is wrong and "Try 'brindlecove --help'." on `err` (2). Called once,
// before Allegro is initialised; it may be called again (a test does).
int readCommandLine(int argc, char** argv, Options& options, FILE* out, FILE* err);

#endif
