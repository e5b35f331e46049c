// Paths: the data folder search, files in the data folder, XDG per-user files.
#include "platform/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#ifndef BRINDLECOVE_INSTALL_DATA_DIR
#define BRINDLECOVE_INSTALL_DATA_DIR "/usr/local/share/brindlecove"
#endif

namespace {

std::string currentDataFolder = ".";

bool holdsGraphics(const std::string& folder) {
  struct stat info;
  std::string file = folder + "/graphics.dat";
  return ::stat(file.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) &&
         ::access(file.c_str(), R_OK) == 0;
}

// "DIR/NAME", without doubling a slash the folder ends with.
std::string join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// An XDG base directory: the variable when it holds an absolute path (the
// XDG rules say to ignore a relative one), else HOME/fallback.
std::string baseFolder(const char* variable, const char* home, const char* fallback) {
  if (variable != nullptr && variable[0] == '/') return variable;
  std::string base = home != nullptr ? home : "";
  return join(base.empty() ? "/" : base, fallback);
}

}  // namespace

DataFolder findDataFolder(const std::string& given, const char* environment,
                          const std::string& programFolder, const std::string& installed) {
  DataFolder data;
  auto tryPlace = [&](const std::string& path, DataPlace place) {
    data.looked.push_back(path);
    if (!holdsGraphics(path)) return false;
    data.path = path;
    data.place = place;
    return true;
  };
  // a folder asked for by name is not second-guessed by the search
  if (!given.empty()) {
    tryPlace(given, DATA_GIVEN);
    return data;
  }
  if (environment != nullptr && environment[0] != '\0' &&
      tryPlace(environment, DATA_ENVIRONMENT))
    return data;
  if (tryPlace(".", DATA_CURRENT)) return data;
  if (!programFolder.empty()) {
    if (tryPlace(programFolder, DATA_PROGRAM)) return data;
    if (tryPlace(join(programFolder, "../share/brindlecove"), DATA_PREFIX)) return data;
  }
  if (!installed.empty()) tryPlace(installed, DATA_INSTALLED);
  return data;
}

DataFolder findDataFolder(const std::string& given) {
  return findDataFolder(given, std::getenv("BRINDLECOVE_DATA_DIR"), programFolder(),
                        installedDataFolder());
}

std::string dataFolderMissing(const std::string& program, const DataFolder& data) {
  std::string text = program + ": no data folder (one holding graphics.dat) found; looked in:\n";
  for (const std::string& place : data.looked) text += "  " + place + "\n";
  text += "Say where it is with --data DIR or BRINDLECOVE_DATA_DIR.\n";
  return text;
}

std::string programFolder() {
  char path[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "";
  std::string full(path, static_cast<size_t>(n));
  size_t slash = full.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : full.substr(0, slash);
}

const char* installedDataFolder() { return BRINDLECOVE_INSTALL_DATA_DIR; }

void setDataFolder(const std::string& folder) { currentDataFolder = folder; }

const std::string& dataFolder() { return currentDataFolder; }

std::string dataPath(const std::string& file) { return join(currentDataFolder, file); }

std::string scoresFilePath(const std::string& given, const DataFolder& data,
                           const char* xdgDataHome, const char* home, bool& perUser) {
  perUser = false;
  if (!given.empty()) return given;
  if (data.place == DATA_CURRENT || data.place == DATA_PROGRAM) {
    std::string shipped = join(data.path, "data/game.hs");
    if (::access(shipped.c_str(), W_OK) == 0) return shipped;
    if (errno == ENOENT && ::access(join(data.path, "data").c_str(), W_OK) == 0) return shipped;
  }
  perUser = true;
  return join(baseFolder(xdgDataHome, home, ".local/share"), "brindlecove/game.hs");
}

std::string settingsFilePath(const char* xdgConfigHome, const char* home) {
  return join(baseFolder(xdgConfigHome, home, ".config"), "brindlecove/brindlecove.cfg");
}

const char* homeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return home;
  struct passwd* entry = ::getpwuid(::getuid());
  return entry != nullptr ? entry->pw_dir : nullptr;
}

bool makeFolders(const std::string& folder) {
  if (folder.empty()) return true;
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat info;
  if (::stat(folder.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  return true;
}
