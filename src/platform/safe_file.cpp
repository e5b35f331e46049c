// Safe files: the bounded, non-blocking reader and the locked atomic save.
#include "platform/safe_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// As many links as the kernel itself follows before it gives up.
const int LINK_HOPS_MAX = 40;
const size_t READ_CHUNK = 65536;

std::string folderOf(const std::string& file) {
  size_t slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return file.substr(0, slash);
}

// Makes a finished rename last through a power cut. Some file systems
// cannot sync a folder (EINVAL); the rename stands anyway, so only a real
// failure is mentioned.
void syncFolder(const std::string& file) {
  int fd = ::open(folderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
    std::fprintf(stderr, "brindlecove: %s may not survive a power cut (%s)\n", file.c_str(),
                 std::strerror(errno));
  ::close(fd);
}

bool failWith(std::string& problem, int err) {
  problem = std::strerror(err);
  errno = err;
  return false;
}

}  // namespace

int openRegularFile(const std::string& path, ReadResult& result, std::string& problem) {
  // O_NONBLOCK: opening a FIFO for reading would wait for a writer
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    result = errno == ENOENT ? READ_MISSING : READ_FAILED;
    problem = std::strerror(errno);
    return -1;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    result = READ_FAILED;
    problem = std::strerror(errno);
    ::close(fd);
    return -1;
  }
  if (!S_ISREG(info.st_mode)) {
    result = READ_NOT_REGULAR;
    problem = S_ISDIR(info.st_mode) ? "is a folder" : "not a regular file";
    ::close(fd);
    return -1;
  }
  // a regular file never blocks; the flag goes so that reads are plain
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  result = READ_OK;
  problem.clear();
  return fd;
}

ReadResult readRegularFile(const std::string& path, size_t maxBytes, std::string& contents,
                           std::string& problem) {
  contents.clear();
  ReadResult result;
  int fd = openRegularFile(path, result, problem);
  if (fd < 0) return result;
  // one byte more than the bound tells a file that goes on past it
  std::vector<char> chunk(READ_CHUNK);
  for (;;) {
    size_t want = std::min(chunk.size(), maxBytes + 1 - contents.size());
    ssize_t n = ::read(fd, &chunk[0], want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      problem = std::strerror(errno);
      contents.clear();
      ::close(fd);
      return READ_FAILED;
    }
    if (n == 0) break;
    contents.append(&chunk[0], static_cast<size_t>(n));
    if (contents.size() > maxBytes) {
      problem = "longer than " + std::to_string(maxBytes) + " bytes";
      contents.clear();
      ::close(fd);
      return READ_TOO_BIG;
    }
  }
  ::close(fd);
  return READ_OK;
}

bool saveTarget(const std::string& path, std::string& target) {
  target = path;
  for (int hop = 0; hop <= LINK_HOPS_MAX; hop++) {
    struct stat info;
    if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    std::vector<char> link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 2);
    ssize_t n = ::readlink(target.c_str(), &link[0], link.size() - 1);
    if (n < 0) return false;
    std::string to(&link[0], static_cast<size_t>(n));
    if (to.empty()) {
      errno = ENOENT;
      return false;
    }
    // a relative link is read from the folder the link is in
    target = to[0] == '/' ? to : folderOf(target) + "/" + to;
  }
  errno = ELOOP;
  return false;
}

std::string saveTemporaryOf(const std::string& target) { return target + ".new"; }

FileLock::FileLock(const std::string& path) : fd(-1), err(0), lockedPath(path) {
  std::string target;
  if (!saveTarget(path, target)) {
    err = errno;
    why = std::strerror(err);
    return;
  }
  std::string name = target + ".lock";
  // O_NOFOLLOW: a link planted at the lock's name is refused, never opened;
  // nothing is ever written to the lock file, so it is never truncated
  int flags = O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  int lock = ::open(name.c_str(), O_RDWR | flags, 0666);
  // another player's lock file in a shared folder may be read-only to us
  if (lock < 0 && errno == EACCES) lock = ::open(name.c_str(), O_RDONLY | flags, 0666);
  if (lock < 0) {
    err = errno;
    why = name + ": " + std::strerror(err);
    return;
  }
  struct stat info;
  if (::fstat(lock, &info) != 0 || !S_ISREG(info.st_mode)) {
    err = EINVAL;
    why = name + ": not a regular file";
    ::close(lock);
    return;
  }
  while (::flock(lock, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    err = errno;
    why = name + ": " + std::strerror(err);
    ::close(lock);
    return;
  }
  fd = lock;
}

FileLock::~FileLock() {
  // closing the last descriptor releases the lock
  if (fd >= 0) ::close(fd);
}

bool writeAll(int fd, const char* data, size_t length) {
  while (length > 0) {
    ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

bool saveFileWith(const std::string& path, const SaveWriter& write, std::string& problem,
                  mode_t newFileMode, const FileLock* held) {
  std::string target;
  if (!saveTarget(path, target)) return failWith(problem, errno);
  // without a lock two games would write the same temporary file at once
  std::unique_ptr<FileLock> own;
  if (!held) {
    own.reset(new FileLock(path));
    held = own.get();
  }
  if (!held->held()) {
    int why = held->error();
    // a folder we may not write to refuses the save's own files the same
    // way: the player is told that, not a word about locks
    if (why == EACCES || why == EROFS || why == ENOENT || why == ENOSPC || why == EDQUOT)
      return failWith(problem, why);
    problem = "cannot lock " + held->problem();
    errno = why ? why : ENOLCK;
    return false;
  }

  struct stat existing;
  bool exists = ::stat(target.c_str(), &existing) == 0;
  // a pipe or a device is never replaced by a plain file
  if (exists && !S_ISREG(existing.st_mode)) {
    problem = S_ISDIR(existing.st_mode) ? "is a folder" : "not a regular file";
    errno = EINVAL;
    return false;
  }

  // A temporary left by a killed save, or anything planted there, is
  // removed, never followed; O_EXCL then makes the new one ours alone.
  std::string temporary = saveTemporaryOf(target);
  if (::unlink(temporary.c_str()) != 0 && errno != ENOENT) return failWith(problem, errno);
  int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                   newFileMode);
  if (out < 0) return failWith(problem, errno);
  if (exists) {
    // the player's choice of who may read the file stays
    if (::fchown(out, existing.st_uid, existing.st_gid) != 0) {
      // only root may give a file away; a file of our own needs nothing
    }
    ::fchmod(out, existing.st_mode & 07777);
  }
  bool ok = write(out);
  int err = ok ? 0 : errno;
  // the data must be on the disk before the name points at it
  if (ok && ::fsync(out) != 0) {
    ok = false;
    err = errno;
  }
  if (::close(out) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    return failWith(problem, err);
  }
  syncFolder(target);
  problem.clear();
  return true;
}

bool saveFile(const std::string& path, const std::string& text, std::string& problem,
              mode_t newFileMode, const FileLock* held) {
  return saveFileWith(
      path, [&text](int fd) { return writeAll(fd, text.data(), text.size()); }, problem,
      newFileMode, held);
}
