// The view that follows the player: a dead zone of 200 pixels at the left
// and top and 600 / 400 at the right and bottom; outside it the view moves
// by the player's own step. A step that would reach or cross a border of the
// map is refused whole, not shortened, so the view never quite reaches 0 or
// the far border once it has moved: deliberate.
#ifndef BRINDLECOVE_CAMERA_H
#define BRINDLECOVE_CAMERA_H

// After the player's horizontal move, while his left edge is inside the view.
void scrollHorizontally();
// After the player's vertical move, while he is well inside the view.
void scrollVertically();

#endif
