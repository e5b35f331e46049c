// World update: one game tick of the level, in a fixed order.
#ifndef BRINDLECOVE_WORLD_H
#define BRINDLECOVE_WORLD_H

// Called by the main loop once per tick, after the keyboard handler and
// before the frame is drawn, only while play is not suspended.
void updateWorld();

#endif
