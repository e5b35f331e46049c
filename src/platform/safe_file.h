// Safe files: bounded reads that never block, and the one locked, atomic
// save that every file written whole goes through.
//
// Reads: a file the player names may be a FIFO, a device or a folder, and a
// file shared between players may be of any size. Every reader opens it
// with O_NONBLOCK, refuses anything but a regular file and reads no more
// than its own bound.
//
// Saves: the text goes to FILE.new, created new in FILE's own folder
// (O_CREAT | O_EXCL | O_NOFOLLOW after a stale one is removed without
// following it), is synced, renamed over FILE, and the folder is synced, so
// a kill or a power cut at any point leaves the old file or the new one
// whole. An existing file keeps its mode (and, where the system lets us,
// its owner). A FILE that is a symbolic link is written through: the link
// stays and its target gets the new text, since the player made it so. A
// save holds an advisory lock (flock on FILE.lock, beside the target), so
// two games never share a temporary file, and a caller that must merge
// with what another process wrote holds the lock across read and save.
#ifndef BRINDLECOVE_SAFE_FILE_H
#define BRINDLECOVE_SAFE_FILE_H

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

enum ReadResult {
  READ_OK,
  READ_MISSING,      // no such file (the normal first start for most files)
  READ_NOT_REGULAR,  // a folder, a FIFO, a device or a socket
  READ_TOO_BIG,      // longer than the reader's bound; `contents` holds none of it
  READ_FAILED        // any other failure; `problem` says which
};

// Opens `path` for reading without blocking on a FIFO and checks that it
// is a regular file. The descriptor, or -1 with `result` and `problem` set
// ("not a regular file", "is a folder", or the system's words).
int openRegularFile(const std::string& path, ReadResult& result, std::string& problem);

// The whole of `path` into `contents` when it is a regular file of at most
// `maxBytes` bytes. `problem` says why in a few words when it is not
// READ_OK ("longer than 262144 bytes", "not a regular file", "Permission
// denied").
ReadResult readRegularFile(const std::string& path, size_t maxBytes, std::string& contents,
                           std::string& problem);

// The file a save of `path` writes: `path` itself, or the end of the chain
// of symbolic links that starts there (which need not exist yet). False
// with errno set (ELOOP) for a chain that does not end.
bool saveTarget(const std::string& path, std::string& target);

// An advisory lock on a file's saves: flock on TARGET.lock, where TARGET
// is saveTarget(path), so that a link and its target share one lock. The
// constructor waits until the lock is held (or it cannot be had: a lock
// file that cannot be made, or one that is a link). Released by the
// destructor. Locks of one process on one file do not nest.
class FileLock {
 public:
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool held() const { return fd >= 0; }
  // Why it is not held, in a few words; empty when it is.
  const std::string& problem() const { return why; }
  // The path the lock was taken for.
  const std::string& path() const { return lockedPath; }
  // The errno of the failure; 0 when held.
  int error() const { return err; }

 private:
  int fd;
  int err;
  std::string lockedPath;
  std::string why;
};

// Writes a save's bytes to `fd`; false with errno set when it cannot.
typedef std::function<bool(int fd)> SaveWriter;

// Saves `text` as the whole of `path`, as the header says. `newFileMode` is
// the mode of a file that does not exist yet (before the umask). A caller
// that holds `held` (a lock taken for `path`) passes it; otherwise the save
// takes the lock itself. False, with `problem` in a few words ("Permission
// denied", "No space left on device") and errno set, when the file could
// not be replaced; `path` is then untouched and no temporary is left.
bool saveFile(const std::string& path, const std::string& text, std::string& problem,
              mode_t newFileMode = 0666, const FileLock* held = nullptr);

// The same, with the bytes written by `write` instead of a string.
bool saveFileWith(const std::string& path, const SaveWriter& write, std::string& problem,
                  mode_t newFileMode = 0666, const FileLock* held = nullptr);

// The temporary name a save of `target` writes first: "TARGET.new".
std::string saveTemporaryOf(const std::string& target);

// Writes all of `length` bytes, through short writes and interrupts;
// false with errno set when the system refuses.
bool writeAll(int fd, const char* data, size_t length);

#endif
