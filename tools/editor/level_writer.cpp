// Level writer: formatting and the atomic save.
#include "level_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "level/level_file.h"

std::string formatLevelFile(const LevelFile& level) {
  std::string out = level.name + "\n";
  out += std::to_string(level.cols) + "," + std::to_string(level.rows) + "\n";
  out += std::to_string(level.tileWidth) + "," + std::to_string(level.tileHeight) + "\n";
  out += std::to_string(level.fallSpeed) + "\n";
  out += std::to_string(level.timeLimit) + "\n";
  out += std::to_string(level.platforms.size()) + "\n";
  for (const PlatformRecord& p : level.platforms)
    out += std::to_string(p.x) + "," + std::to_string(p.y) + "," + std::to_string(p.xMax) + "," +
           std::to_string(p.yMax) + "\n";
  for (int row = 0; row < level.rows; row++) {
    for (int col = 0; col < level.cols; col++)
      out += std::to_string(level.codes[static_cast<size_t>(row) * level.cols + col]) + ",";
    out += "\n";
  }
  return out;
}

namespace {

bool failed(const std::string& path, const char* what, std::string& error) {
  error = path + ": " + what + ": " + std::strerror(errno);
  return false;
}

// The folder's own entry for the renamed file reaches the disk too.
void syncFolder(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool writeFileAtomically(const std::string& path, const std::string& text, std::string& error) {
  std::string temporary = path + ".new";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return failed(temporary, "cannot create", error);
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed(temporary, "cannot write", error);
      close(fd);
      unlink(temporary.c_str());
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (fsync(fd) != 0) {
    failed(temporary, "cannot flush", error);
    close(fd);
    unlink(temporary.c_str());
    return false;
  }
  if (close(fd) != 0) {
    failed(temporary, "cannot close", error);
    unlink(temporary.c_str());
    return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    failed(path, "cannot replace", error);
    unlink(temporary.c_str());
    return false;
  }
  syncFolder(path);
  return true;
}
