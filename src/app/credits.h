// Credits screen: the credit lines over the live menu backdrop.
#ifndef BRINDLECOVE_CREDITS_H
#define BRINDLECOVE_CREDITS_H

// The credits until Enter, then the menu.
void runCredits();
// The same without the menu at the end; the menu's own loop uses it.
void showCredits();

#endif
