// Blocking screens and the flow between them: the main menu and the high
// score screen. Each runs its own loop over game ticks while the main loop
// waits.
#ifndef BRINDLECOVE_SCREENS_H
#define BRINDLECOVE_SCREENS_H

#include <functional>

#include "app/game_state.h"

enum MenuItem { MENU_PLAY = 1, MENU_CREDITS = 2, MENU_HIGH_SCORE = 3, MENU_EXIT = 4 };

// Returns once Play game! has set up level 1 (suspended at its intro) or
// Exit has set quitRequested. Credits and the high score screen come back
// to the menu through this loop, so no number of hand-overs grows the stack.
void runMenu();

// The high score table until Enter, then the menu.
void runHighScoreScreen();
// The same without the menu at the end; the menu's own loop uses it.
void showHighScores();

// The frame loop of every blocking screen: one frame per pending tick, each
// drawn into the back buffer by `drawScreen` and copied to the screen, until
// `done` holds. `done` is tested before every tick and while none is
// pending, so the screen ends right after the frame that made it true.
// `screen` is the activeScreen while the loop runs.
void runScreenLoop(Screen screen, const std::function<void()>& drawScreen,
                   const std::function<bool()>& done);

// One frame of the menu into the back buffer; reads Up, Down, Enter and
// Escape. `selected` is 1..4; `choice` becomes non-zero once one is made.
void drawMenuFrame(int& selected, int& choice);

#endif
