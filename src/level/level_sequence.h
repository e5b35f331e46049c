// Level sequence: the three levels in turn, and the start of a level.
#ifndef BRINDLECOVE_LEVEL_SEQUENCE_H
#define BRINDLECOVE_LEVEL_SEQUENCE_H

const int LEVEL_COUNT = 3;

// The file of level 1..3.
const char* levelFileName(int level);

// On to the next level (Play game! from levelNumber 0, or the exit reached);
// after the third the game ends with the last level frozen behind it.
void advanceLevel();

// (Re)starts the current level: music, the file read again, the player at
// the start, view and tick counter reset, clock full, play suspended.
void startLevel();

// The view at the map's corner and the player at the start, alive, at rest
// vertically and on no platform; the rest of the player carries over.
void putPlayerAtStart();

#endif
