// Solve job: starting the level tool, waiting for it without blocking, and
// reading its JSON answer and the trace of its run.
#include "solve_job.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

extern char** environ;

namespace {

std::string readText(const std::string& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

SolveJob::~SolveJob() { cancel(); }

bool SolveJob::start(const std::string& tool, const std::string& dataFolder,
                     const std::string& level, const std::string& workFolder,
                     std::string& error) {
  cancel();
  folder = workFolder;
  removeFiles();
  const std::string copy = folder + "/solve.dat";
  {
    std::ifstream in(level.c_str(), std::ios::binary);
    std::ofstream out(copy.c_str(), std::ios::binary | std::ios::trunc);
    if (!in || !(out << in.rdbuf()) || !out.flush()) {
      error = "cannot copy " + level + " to " + copy;
      return false;
    }
  }
  std::vector<std::string> words = {tool, "--data", dataFolder, "solve", "--json",
                                    "--trace", folder + "/solve.trace", copy};
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, (folder + "/solve.json").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, (folder + "/solve.err").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t child = -1;
  int failed = posix_spawn(&child, tool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    error = "cannot run " + tool + ": " + std::strerror(failed);
    removeFiles();
    return false;
  }
  pid = child;
  return true;
}

bool SolveJob::poll(SolveReport& report) {
  if (pid <= 0) return false;
  int status = 0;
  pid_t done = waitpid(pid, &status, WNOHANG);
  if (done == 0 || (done < 0 && errno == EINTR)) return false;
  pid = -1;
  if (done < 0) {
    report = SolveReport();
    report.error = std::string("the solver was lost: ") + std::strerror(errno);
  } else {
    report = read(status);
  }
  removeFiles();
  return true;
}

void SolveJob::cancel() {
  if (pid <= 0) return;
  kill(pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  pid = -1;
  removeFiles();
}

// Exit status 0 (finishable) and 1 (not) come with the JSON; anything else
// with a message on stderr.
SolveReport SolveJob::read(int status) const {
  SolveReport report;
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (code != 0 && code != 1) {
    std::string message = readText(folder + "/solve.err");
    message = message.substr(0, message.find('\n'));
    if (message.empty())
      message = code < 0 ? "the solver was stopped" : "the solver failed (" + std::to_string(code) + ")";
    report.error = message;
    return report;
  }
  const nlohmann::json json =
      nlohmann::json::parse(readText(folder + "/solve.json"), nullptr, false);
  static const nlohmann::json NONE;
  auto field = [&json](const char* key) -> const nlohmann::json& {
    if (!json.is_object()) return NONE;
    auto it = json.find(key);
    return it == json.end() ? NONE : *it;
  };
  bool wellFormed = field("finishable").is_boolean() && field("time_limit").is_number_integer() &&
                    field("states").is_number_integer();
  if (wellFormed && field("finishable").get<bool>())
    wellFormed = field("ticks").is_number_integer() && field("seconds").is_number() &&
                 field("spare_seconds").is_number() && field("shortest").is_boolean();
  else if (wellFormed)
    wellFormed = field("exhausted").is_boolean();
  if (!wellFormed) {
    report.error = "the solver's answer is not the JSON it should be";
    return report;
  }
  report.finishable = field("finishable").get<bool>();
  report.timeLimit = field("time_limit").get<int>();
  report.states = field("states").get<long>();
  if (report.finishable) {
    report.ticks = field("ticks").get<int>();
    report.seconds = field("seconds").get<double>();
    report.spareSeconds = field("spare_seconds").get<double>();
    report.shortest = field("shortest").get<bool>();
    std::string error;
    if (!readTrace(folder + "/solve.trace", report.keys, error)) {
      report.error = error;
      return report;
    }
  } else {
    report.exhausted = field("exhausted").get<bool>();
  }
  report.answered = true;
  return report;
}

void SolveJob::removeFiles() const {
  if (folder.empty()) return;
  for (const char* name : {"/solve.dat", "/solve.json", "/solve.err", "/solve.trace"})
    unlink((folder + name).c_str());
}
