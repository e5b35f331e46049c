// Name entry after a game whose score enters the high score table.
#ifndef BRINDLECOVE_NAME_ENTRY_H
#define BRINDLECOVE_NAME_ENTRY_H

// Blocks until the name is entered, then stores it with the player's points.
void runNameEntry();

#endif
