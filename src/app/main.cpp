// Brindlecove: the program's entry.
#include <allegro.h>

#include <cstdio>

#include "app/game_state.h"
#include "app/screens.h"
#include "app/startup.h"

int main() {
  if (allegro_init() != 0) {
    std::fprintf(stderr, "brindlecove: cannot initialise Allegro: %s\n", allegro_error);
    return 1;
  }
  startUp();
  quitRequested = 0;
  runMenu();
  runMainLoop();
  shutDown();
  return 0;
}
END_OF_MAIN()
