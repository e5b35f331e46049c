// Level sequence: the levels in turn, and the start of a level.
#ifndef BRINDLECOVE_LEVEL_SEQUENCE_H
#define BRINDLECOVE_LEVEL_SEQUENCE_H

#include <string>
#include <vector>

// The files played in turn, set once at start-up before the first game.
// Until then (and in tests) the shipped three: "./data/level1.dat" .. 3.
void setLevelFiles(const std::vector<std::string>& files);
int levelCount();

// The file of level 1..levelCount().
const char* levelFileName(int level);

// FOLDER/level1.dat, level2.dat, ... for as many as exist in a row; an
// empty list when there is no level1.dat.
std::vector<std::string> levelFilesIn(const std::string& folder);

// On to the next level (Play game! from levelNumber 0, or the exit reached);
// after the last the game ends with the last level frozen behind it.
void advanceLevel();

// (Re)starts the current level: music, the file read again, the player at
// the start, view and tick counter reset, clock full, play suspended.
void startLevel();

// The view at the map's corner and the player at the start, alive, at rest
// vertically and on no platform; the rest of the player carries over.
void putPlayerAtStart();

#endif
