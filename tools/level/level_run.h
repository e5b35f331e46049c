// Level runs: a level started headless as the game starts it, stepped one
// tick at a time with given keys, and the trace files that record the keys.
#ifndef BRINDLECOVE_LEVEL_RUN_H
#define BRINDLECOVE_LEVEL_RUN_H

#include <string>
#include <vector>

class MovingPlatform;

// The keys of play held during one tick.
struct TickKeys {
  bool left = false;
  bool right = false;
  bool up = false;
  bool fire = false;

  bool operator==(const TickKeys& other) const {
    return left == other.left && right == other.right && up == other.up && fire == other.fire;
  }
};

enum RunOutcome {
  RUN_PLAYING = 0,
  RUN_FINISHED,    // the exit was touched and the player is alive
  RUN_DIED,        // killed, or fallen out of the map
  RUN_OUT_OF_TIME  // the level clock reached 0
};

// Loads graphics.dat from `folder` as the game's data (headless Allegro
// must be up, at 16-bit colour); false and `error` when it cannot.
bool loadGraphics(const std::string& folder, std::string& error);
// The enemy and bullet lists the game makes at start-up, where missing.
void makeWorld();

// The level start without music or timers: the file read with the game's
// loader into currentMap, a fresh player at (50, 50), the view at 0, the
// clock full, play running, and (unless `pastWelcome` is false: the level
// as its file sets it out) the world moved once with no keys, as the tick
// that ends the level's welcome in the game moves it. False and the loader's message when the file
// does not load. A fresh player carries no ammunition over from a level
// before, so runs measured here never count on any.
bool startRun(const std::string& path, std::string& error, bool pastWelcome = true);

// One game tick: the keys as the keyboard handler applies them (and as
// Player::animate reads them), the world update, and the clock, which
// loses a second after every 35th tick of the run. `tick` counts the
// ticks run so far and is advanced here.
RunOutcome runTick(const TickKeys& keys, int& tick);

// How a run stands after a tick.
RunOutcome runOutcome();

// Trace files are the game's recordings (input/recording.h): writeTrace
// writes a whole game of the current map's level file as `brindlecove
// --level FILE --replay TRACE` plays it: Enter on the menu, Enter on the
// level's welcome (a tick in which the game moves the world without keys),
// then the run's keys, the clock's seconds after every 35th tick, and two
// seconds of the finish.
bool writeTrace(const std::string& path, const std::string& levelName,
                const std::vector<TickKeys>& keys, std::string& error);
// Reads a recording made by the game or by writeTrace, and gives the keys
// of the first level played in it: the ticks in which the world moved,
// from the first after the welcome to the first in which it stood still.
// The older trace files (a comment header, then one line per tick of four
// 0/1 columns, L R U S; '#' starts a comment) are read as before.
bool readTrace(const std::string& path, std::vector<TickKeys>& keys, std::string& error);

struct ReplayResult {
  RunOutcome outcome = RUN_PLAYING;
  int ticks = 0;  // ticks run until the outcome, or the whole trace
};

// Runs the keys on the started level until the run ends or the keys do.
ReplayResult replayKeys(const std::vector<TickKeys>& keys);

// The extent of a platform's travel, found by running a copy of it round
// once: it turns one step past an end, so this reaches 4 pixels beyond the
// file's range.
struct PlatformTravel {
  int minX, minY, maxX, maxY;  // of its top-left corner
};
PlatformTravel platformTravel(const MovingPlatform& platform);

// A platform as it stands and after each tick of one round of its travel,
// up to the tick it is back as it was (not repeated); empty when that takes
// more than `maxTicks` ticks.
std::vector<MovingPlatform> platformRound(const MovingPlatform& platform, int maxTicks);

#endif
