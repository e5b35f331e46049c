// brindlecove-edit: the level editor over the game's loader, pictures and
// renderer, and the level tool's check.
#include <allegro.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/game_state.h"
#include "editor_screen.h"
#include "level_editor.h"
#include "level_run.h"
#include "platform/paths.h"

namespace {

const int EXIT_TROUBLE = 1;
const int EXIT_USAGE = 2;

const char* const USAGE =
    "Usage: brindlecove-edit [--data DIR] FILE\n"
    "Edits the Brindlecove level FILE in a window, or makes it when it does not exist.\n"
    "\n"
    "  --data DIR   the folder holding graphics.dat (default: searched for as the\n"
    "               game does)\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "Exit status: 0 after quitting, 1 a file that does not load or no data folder,\n"
    "2 wrong usage.\n";

int usage(const std::string& problem) {
  std::fprintf(stderr, "brindlecove-edit: %s\nTry 'brindlecove-edit --help'.\n", problem.c_str());
  return EXIT_USAGE;
}

void onCloseButton() { requestEditorClose(); }
END_OF_FUNCTION(onCloseButton)

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string dataGiven, file;
  for (size_t i = 0; i < args.size(); i++) {
    if (args[i] == "--help") {
      std::fputs(USAGE, stdout);
      return 0;
    }
    if (args[i] == "--version") {
      std::printf("brindlecove-edit (%s%s)\n", GAME_NAME, GAME_VERSION);
      return 0;
    }
    if (args[i] == "--data") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return usage("--data needs a folder");
      dataGiven = args[++i];
    } else if (args[i].compare(0, 1, "-") == 0 && args[i] != "-") {
      return usage("unknown option " + args[i]);
    } else if (!file.empty()) {
      return usage("one level file at a time");
    } else {
      file = args[i];
    }
  }
  if (file.empty()) return usage("no level file given");

  // a file that does not load opens no window
  LevelEditor editor;
  std::string error;
  if (!editor.open(file, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return EXIT_TROUBLE;
  }
  DataFolder data = findDataFolder(dataGiven);
  if (data.place == DATA_NOT_FOUND) {
    std::fputs(dataFolderMissing("brindlecove-edit", data).c_str(), stderr);
    return EXIT_TROUBLE;
  }
  setDataFolder(data.path);

  if (allegro_init() != 0) {
    std::fprintf(stderr, "brindlecove-edit: cannot initialise Allegro\n");
    return EXIT_TROUBLE;
  }
  install_timer();
  install_keyboard();
  set_color_depth(16);
  if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, SCREEN_W_PIXELS, SCREEN_H_PIXELS, 0, 0) != 0) {
    std::fprintf(stderr, "brindlecove-edit: cannot open an 800 x 600 window at 16 bits: %s\n",
                 allegro_error);
    return EXIT_TROUBLE;
  }
  if (install_mouse() < 0) {
    std::fprintf(stderr, "brindlecove-edit: no mouse\n");
    return EXIT_TROUBLE;
  }
  if (!loadGraphics(data.path, error)) {
    std::fprintf(stderr, "brindlecove-edit: %s\n", error.c_str());
    return EXIT_TROUBLE;
  }
  set_window_title(("Brindlecove editor - " + file).c_str());
  LOCK_FUNCTION(onCloseButton);
  set_close_button_callback(onCloseButton);
  return runEditorScreen(editor);
}
END_OF_MAIN()
