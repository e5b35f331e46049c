// Safe files: planted links, kept modes, refused FIFOs, bounded reads and
// two processes saving one file through the lock.
#include "platform/safe_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "test_support.h"

namespace {

std::string newFolder() {
  char pattern[] = "/tmp/brindlecove-safe-XXXXXX";
  const char* made = mkdtemp(pattern);
  EXPECT_NE(made, nullptr);
  return made ? made : "/tmp";
}

void put(const std::string& path, const std::string& text) {
  std::string problem;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0) << path;
  ASSERT_TRUE(writeAll(fd, text.data(), text.size()));
  ::close(fd);
}

mode_t modeOf(const std::string& path) {
  struct stat info;
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

bool isLink(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

}  // namespace

TEST(SafeFileSave, ReplacesTheFileWholeAndLeavesNoTemporary) {
  std::string folder = newFolder();
  std::string file = folder + "/table";
  std::string problem;
  ASSERT_TRUE(saveFile(file, "first\n", problem)) << problem;
  ASSERT_TRUE(saveFile(file, "second\n", problem)) << problem;
  EXPECT_EQ(readFile(file), "second\n");
  EXPECT_TRUE(problem.empty());
  EXPECT_NE(::access((file + ".new").c_str(), F_OK), 0);
}

TEST(SafeFileSave, PlantedLinksAtTheTemporaryAndTheLockAreNeverFollowed) {
  std::string folder = newFolder();
  std::string file = folder + "/game.hs";
  std::string victim = folder + "/victim";
  put(victim, "precious");
  put(file, "old");
  std::string problem;

  // a link at the temporary's name: removed, and the victim keeps its bytes
  ASSERT_EQ(::symlink(victim.c_str(), (file + ".new").c_str()), 0);
  ASSERT_TRUE(saveFile(file, "new", problem)) << problem;
  EXPECT_EQ(readFile(victim), "precious");
  EXPECT_EQ(readFile(file), "new");
  EXPECT_FALSE(isLink(file));

  // a dangling link there must not create its target either
  std::string nowhere = folder + "/made-through-link";
  ASSERT_EQ(::symlink(nowhere.c_str(), (file + ".new").c_str()), 0);
  ASSERT_TRUE(saveFile(file, "newer", problem)) << problem;
  EXPECT_NE(::access(nowhere.c_str(), F_OK), 0);

  // a link at the lock's name: the save refuses, nothing is touched
  std::string other = folder + "/other";
  ASSERT_EQ(::symlink(victim.c_str(), (other + ".lock").c_str()), 0);
  EXPECT_FALSE(saveFile(other, "x", problem));
  EXPECT_NE(problem.find("lock"), std::string::npos) << problem;
  EXPECT_EQ(readFile(victim), "precious");
  EXPECT_NE(::access(other.c_str(), F_OK), 0);
}

TEST(SafeFileSave, ALinkedFileIsWrittenThroughToItsTarget) {
  std::string folder = newFolder();
  std::string elsewhere = newFolder();
  std::string target = elsewhere + "/real.hs";
  put(target, "old");
  ::chmod(target.c_str(), 0600);
  std::string link = folder + "/game.hs";
  // relative links are read from the link's own folder
  ASSERT_EQ(::symlink(("../" + elsewhere.substr(5) + "/real.hs").c_str(), link.c_str()), 0);
  std::string resolved;
  ASSERT_TRUE(saveTarget(link, resolved));
  EXPECT_EQ(readFile(resolved), "old");

  std::string problem;
  ASSERT_TRUE(saveFile(link, "new", problem)) << problem;
  EXPECT_TRUE(isLink(link));
  EXPECT_EQ(readFile(target), "new");
  EXPECT_EQ(modeOf(target), 0600u);
  // the temporary was made beside the target, not beside the link
  EXPECT_NE(::access((folder + "/game.hs.new").c_str(), F_OK), 0);
}

TEST(SafeFileSave, ALinkLoopIsRefused) {
  std::string folder = newFolder();
  std::string a = folder + "/a", b = folder + "/b";
  ASSERT_EQ(::symlink(b.c_str(), a.c_str()), 0);
  ASSERT_EQ(::symlink(a.c_str(), b.c_str()), 0);
  std::string problem;
  EXPECT_FALSE(saveFile(a, "x", problem));
  EXPECT_FALSE(problem.empty());
}

TEST(SafeFileSave, KeepsTheModeOfAnExistingFileAndUsesTheGivenOneForANewFile) {
  std::string folder = newFolder();
  std::string file = folder + "/kept";
  put(file, "a");
  ::chmod(file.c_str(), 0640);
  std::string problem;
  ASSERT_TRUE(saveFile(file, "b", problem)) << problem;
  EXPECT_EQ(modeOf(file), 0640u);

  mode_t old = ::umask(022);
  ASSERT_TRUE(saveFile(folder + "/fresh", "c", problem, 0600)) << problem;
  ::umask(old);
  EXPECT_EQ(modeOf(folder + "/fresh"), 0600u);
}

TEST(SafeFileSave, NeverReplacesAFifoOrAFolder) {
  std::string folder = newFolder();
  std::string fifo = folder + "/pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string problem;
  EXPECT_FALSE(saveFile(fifo, "x", problem));
  struct stat info;
  ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_FALSE(saveFile(folder, "x", problem));
}

TEST(SafeFileSave, AFailedWriteLeavesTheOldFileAndNoTemporary) {
  std::string folder = newFolder();
  std::string file = folder + "/kept";
  put(file, "old");
  std::string problem;
  bool saved = saveFileWith(
      file, [](int) { errno = ENOSPC; return false; }, problem);
  EXPECT_FALSE(saved);
  EXPECT_EQ(problem, std::strerror(ENOSPC));
  EXPECT_EQ(readFile(file), "old");
  EXPECT_NE(::access((file + ".new").c_str(), F_OK), 0);
}

TEST(SafeFileRead, RefusesFifosFoldersAndFilesPastTheBound) {
  std::string folder = newFolder();
  std::string fifo = folder + "/pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string contents, problem;
  // would block for ever without O_NONBLOCK: no writer ever comes
  EXPECT_EQ(readRegularFile(fifo, 100, contents, problem), READ_NOT_REGULAR);
  EXPECT_EQ(problem, "not a regular file");
  EXPECT_EQ(readRegularFile(folder, 100, contents, problem), READ_NOT_REGULAR);
  EXPECT_EQ(problem, "is a folder");
  EXPECT_EQ(readRegularFile("/dev/zero", 100, contents, problem), READ_NOT_REGULAR);
  EXPECT_EQ(readRegularFile(folder + "/none", 100, contents, problem), READ_MISSING);

  std::string file = folder + "/ten";
  put(file, "0123456789");
  EXPECT_EQ(readRegularFile(file, 10, contents, problem), READ_OK);
  EXPECT_EQ(contents, "0123456789");
  EXPECT_EQ(readRegularFile(file, 9, contents, problem), READ_TOO_BIG);
  EXPECT_TRUE(contents.empty());
  EXPECT_EQ(problem, "longer than 9 bytes");
}

// Two processes add lines to one file, each reading it under the lock and
// saving it whole, as the high score table does: no line may be lost.
TEST(SafeFileLock, TwoProcessesMergingUnderTheLockLoseNothing) {
  std::string folder = newFolder();
  std::string file = folder + "/shared";
  const int rounds = 1000;
  pid_t children[2];
  for (int c = 0; c < 2; c++) {
    children[c] = ::fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      for (int i = 0; i < rounds; i++) {
        FileLock lock(file);
        if (!lock.held()) std::_Exit(3);
        std::string text, problem;
        if (readRegularFile(file, 1 << 20, text, problem) == READ_FAILED) std::_Exit(4);
        text += std::to_string(c) + ":" + std::to_string(i) + "\n";
        if (!saveFile(file, text, problem, 0666, &lock)) std::_Exit(5);
      }
      std::_Exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  std::string text = readFile(file);
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  EXPECT_EQ(lines, 2u * rounds);
  for (int c = 0; c < 2; c++)
    EXPECT_NE(text.find(std::to_string(c) + ":" + std::to_string(rounds - 1) + "\n"),
              std::string::npos);
}

TEST(SafeFileSave, AFolderThatCannotHoldTheFileIsReportedInTheSystemsWords) {
  // the lock file fails first; the player hears why the save failed, not
  // a word about locks
  std::string folder = newFolder();
  std::string problem;
  EXPECT_FALSE(saveFile(folder + "/missing/table", "x", problem));
  EXPECT_EQ(problem, std::strerror(ENOENT));
}
