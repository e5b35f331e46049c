// Keyboard controls of the main loop.
#ifndef BRINDLECOVE_INPUT_H
#define BRINDLECOVE_INPUT_H

// Once per tick, before the world update: arrows walk, Up jumps, Space fires
// (once per key-buffer press), Escape opens the menu, Enter leaves a
// suspended state. Keys act on every tick they are held; the key buffer is
// emptied at the end.
void handleInput();

// The keys of play for one tick: walk, jump (only from the ground or a
// platform), fire. Also what a recorded or searched run feeds the world.
void applyPlayKeys(bool left, bool right, bool up, bool fire);

#endif
