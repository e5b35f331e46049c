// Name entry after a game whose score enters the high score table.
#ifndef BRINDLECOVE_NAME_ENTRY_H
#define BRINDLECOVE_NAME_ENTRY_H

const int NAME_ENTRY_MAX = 10;  // characters of a name

// Blocks, redrawing once per key, until Enter; then stores the name with
// the player's points in the table, which saves its file.
void runNameEntry();

// One key of the entry: with Backspace held the last character goes;
// otherwise a printable character (32 to 126) is appended while there is
// room, except a digit as the first one, which would read back as part of
// the score. Returns whether the name changed. `name` holds 11 characters.
bool applyNameKey(char* name, int& count, int character, bool backspaceHeld);

#endif
