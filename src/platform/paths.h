// Paths: where the data folder is, the files in it, and the per-user files
// (high scores, settings) under the XDG base directories.
#ifndef BRINDLECOVE_PATHS_H
#define BRINDLECOVE_PATHS_H

#include <string>
#include <vector>

// Where a data folder was found, in the order they are tried.
enum DataPlace {
  DATA_GIVEN,           // --data DIR: the only place tried when given
  DATA_ENVIRONMENT,     // $BRINDLECOVE_DATA_DIR
  DATA_CURRENT,         // the current folder, as "."
  DATA_PROGRAM,         // the program's own folder (the build's run folder)
  DATA_PREFIX,          // <program's folder>/../share/brindlecove: a moved install
  DATA_INSTALLED,       // the folder compiled in at build time
  DATA_NOT_FOUND
};

struct DataFolder {
  std::string path;                 // as tried: "." for the current folder
  DataPlace place = DATA_NOT_FOUND;
  std::vector<std::string> looked;  // every place tried, in order
};

// The first of the places above that holds graphics.dat. Empty strings and
// null stand for a place that does not apply (no --data, the variable not
// set, the program's folder unknown).
DataFolder findDataFolder(const std::string& given, const char* environment,
                          const std::string& programFolder, const std::string& installed);

// The same for this process: `given` is --data (empty when not given), then
// $BRINDLECOVE_DATA_DIR, /proc/self/exe's folder and the compiled-in folder.
DataFolder findDataFolder(const std::string& given);

// "PROGRAM: no data folder (graphics.dat) found; looked in:" and one place
// a line, then how to say where it is.
std::string dataFolderMissing(const std::string& program, const DataFolder& data);

// The folder of the running executable (/proc/self/exe); empty if unknown.
std::string programFolder();

// The folder the build would install the data to.
const char* installedDataFolder();

// The data folder the game loads from: "." until start-up sets the one
// found, so tests and tools that run in a data folder need no set-up.
void setDataFolder(const std::string& folder);
const std::string& dataFolder();
// FILE inside the data folder: dataPath("data/menu.dat") is "./data/menu.dat".
std::string dataPath(const std::string& file);

// The high score file. `given` (--scores) wins; else, for a data folder
// found in the current folder or beside the program whose data/game.hs is
// writable (or can be created), that file ("portable": a build or an
// unpacked copy keeps its own table); else
// $XDG_DATA_HOME/brindlecove/game.hs, with ~/.local/share for an unset,
// empty or relative $XDG_DATA_HOME. `perUser` tells the last case, whose
// table is seeded from the data folder's data/game.hs.
std::string scoresFilePath(const std::string& given, const DataFolder& data,
                           const char* xdgDataHome, const char* home, bool& perUser);

// $XDG_CONFIG_HOME/brindlecove/brindlecove.cfg, with ~/.config for an
// unset, empty or relative $XDG_CONFIG_HOME. It need not exist.
std::string settingsFilePath(const char* xdgConfigHome, const char* home);

// $HOME, or the password database's home when it is unset or empty.
const char* homeFolder();

// Makes `folder` and every missing folder above it, each with mode 0700 as
// the XDG base directories ask. False, with errno set, when one cannot be made.
bool makeFolders(const std::string& folder);

#endif
