// Brindlecove: the program's entry.
#include <allegro.h>

#include <cstdio>

#include "app/game_state.h"
#include "app/screens.h"
#include "app/startup.h"

int main(int argc, char** argv) {
  // the command line, the data folder and given levels can refuse to start;
  // they do so before Allegro opens anything
  StartPlan plan;
  int status = planStart(argc, argv, plan);
  if (status >= 0) return status;
  if (allegro_init() != 0) {
    std::fprintf(stderr, "brindlecove: cannot initialise Allegro: %s\n", allegro_error);
    return 1;
  }
  startUp(plan);
  quitRequested = 0;
  runMenu();
  runMainLoop();
  shutDown();
  return 0;
}
END_OF_MAIN()
