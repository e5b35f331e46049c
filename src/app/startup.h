// Start-up, the two timers, the main loop and shutdown.
#ifndef BRINDLECOVE_STARTUP_H
#define BRINDLECOVE_STARTUP_H

#include <string>

struct DATAFILE;

// Once, right after the library is initialised: timers, window, back
// buffer, keyboard, title, sound, high scores, data files, player and lists.
// Anything the game cannot run without ends the program with a message.
void startUp();
void loadGraphicsAndFonts();
void loadSounds();

// Timer callbacks, on the library's timer thread.
void onGameTick();  // 35 times a second
void onSecond();    // once a second: the level clock, while play runs

// One tick at a time: input, world (unless suspended), frame. Spins while
// no tick is pending; ends once the menu's Exit is chosen.
void runMainLoop();

// Where every loop waits while no tick is pending. The game spins: the loop
// tests the counter again at once. A test sets `tickWaitHook` to play the
// timer and the keyboard in the machine's place.
void waitForTick();
extern void (*tickWaitHook)();

void shutDown();

// Whether a loaded data file holds at least `count` objects whose types
// are `types` (DAT_ID values); otherwise says which object is wrong.
bool checkDataFile(const DATAFILE* data, const int* types, int count, std::string& problem);

#endif
