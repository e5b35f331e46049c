// Editor screen: the Allegro front end of the level editor. Draws the level
// with the game's own pictures and renderer, reads the mouse and keyboard,
// and turns them into LevelEditor edits.
#ifndef BRINDLECOVE_EDITOR_SCREEN_H
#define BRINDLECOVE_EDITOR_SCREEN_H

class LevelEditor;

// Runs the editor on `editor` (open) until the user quits. Allegro, the
// 800 x 600 window, the keyboard, the mouse and graphics.dat must be up.
// Returns the exit status: 0.
int runEditorScreen(LevelEditor& editor);

// For the window's close button: asks the editor to quit as Escape does.
void requestEditorClose();

#endif
