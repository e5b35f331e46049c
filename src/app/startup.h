// Start-up, the two timers, the main loop and shutdown.
#ifndef BRINDLECOVE_STARTUP_H
#define BRINDLECOVE_STARTUP_H

#include <string>

#include "platform/settings.h"
#include "scores/high_score_table.h"

struct DATAFILE;

// What start-up takes from the command line and the paths, settled before
// Allegro is initialised. The defaults are the game run in its run folder.
struct StartPlan {
  bool fullscreen = false;                  // --fullscreen
  bool mute = false;                        // --mute
  std::string scoresFile = HIGH_SCORE_FILE;
  std::string scoresSeed;                   // the shipped table, for a per-user file
  std::string settingsFile;                 // read at start-up when it exists
  int ticksPerSecond = 35;                  // a replay's --replay-speed times 35; 0 unpaced
  bool rest = false;                        // --rest or wait = rest: loops yield while waiting
  Settings settings;                        // the settings file's, read before any window
};

// Before any window: reads the command line, finds the data folder (and
// makes it the one the game loads from), sets the level sequence and the
// files. Returns -1 to go on with `plan`, else the exit status after a
// message: 0 for --help/--version, 1 for no data folder or a level that
// does not load, 2 for wrong usage.
int planStart(int argc, char** argv, StartPlan& plan);

// Once, right after the library is initialised: timers, window, back
// buffer, keyboard, title, sound, high scores, data files, player and lists,
// then the player's settings file. Anything the game cannot run without
// ends the program with a message.
void startUp(const StartPlan& plan);
void loadGraphicsAndFonts();
void loadSounds();

// Timer callbacks, on the library's timer thread.
void onGameTick();  // 35 times a second
void onSecond();    // once a second: the level clock, while play runs; while the
                    // input is recorded or replayed, the tick's input carries it

// One tick at a time: input, world (unless suspended or paused), frame.
// Spins while no tick is pending; ends once the menu's Exit is chosen.
void runMainLoop();

// Where every loop waits while no tick is pending. The game spins: the loop
// tests the counter again at once; with --rest (wait = rest) it yields
// with rest(1) instead. A closed window ends the program here. A test sets
// `tickWaitHook` to play the timer and the keyboard in the machine's place.
void waitForTick();
extern void (*tickWaitHook)();

void shutDown();

// Whether a loaded data file holds at least `count` objects whose types
// are `types` (DAT_ID values); otherwise says which object is wrong.
bool checkDataFile(const DATAFILE* data, const int* types, int count, std::string& problem);

#endif
