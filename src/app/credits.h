// Credits screen: the credit lines scroll up over the live menu backdrop,
// round and round, until Enter.
#ifndef BRINDLECOVE_CREDITS_H
#define BRINDLECOVE_CREDITS_H

const int CREDITS_LINE_COUNT = 29;
const int CREDITS_START_SCROLL = 340;   // the list's top starts at the band's bottom
const int CREDITS_END_SCROLL = -1300;   // below this the scroll starts again
const int CREDITS_BAND_TOP = -20;       // lines are drawn with their top strictly
const int CREDITS_BAND_BOTTOM = 340;    // between these two

struct CreditsLine {
  int gap;           // pixels below the line above
  const char* text;
};
extern const CreditsLine CREDITS_LINES[CREDITS_LINE_COUNT];

// The line's y within the list: its gap plus the gaps of all lines above.
int creditsLinePosition(int line);
// Whether a line whose top is at screen y is drawn.
bool creditsLineShown(int y);
// The scroll after one frame: up 2 pixels, round again after the end.
int nextCreditsScroll(int scroll);

// The credits until Enter, then the menu.
void runCredits();
// The same without the menu at the end; the menu's own loop uses it.
void showCredits();

#endif
