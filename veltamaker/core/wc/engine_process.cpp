#include "wc/engine_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "velta_error.h"

extern char** environ;

namespace velta {
namespace {

int StatusOf(int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) return 128 + WTERMSIG(wait_status);
  return -1;
}

}  // namespace

EngineProcess::~EngineProcess() {
  if (pid_ > 0 && !status_) ExitStatus();
}

void EngineProcess::Start(const std::vector<std::string>& argv, const std::string& log_path) {
  if (argv.empty()) throw VeltaError("No engine to start");
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw VeltaError("Cannot start " + argv[0] + ": " + std::strerror(rc));
  pid_ = pid;
  status_.reset();
}

std::optional<int> EngineProcess::ExitStatus() {
  if (pid_ <= 0 || status_) return status_;
  int wait_status = 0;
  const pid_t done = ::waitpid(static_cast<pid_t>(pid_), &wait_status, WNOHANG);
  if (done == static_cast<pid_t>(pid_)) status_ = StatusOf(wait_status);
  else if (done < 0 && errno == ECHILD) status_ = -1;  // reaped elsewhere
  return status_;
}

void EngineProcess::Stop() {
  if (pid_ <= 0 || ExitStatus()) return;
  ::kill(static_cast<pid_t>(pid_), SIGTERM);
  for (int i = 0; i < 20 && !ExitStatus(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (!ExitStatus()) {
    ::kill(static_cast<pid_t>(pid_), SIGKILL);
    int wait_status = 0;
    if (::waitpid(static_cast<pid_t>(pid_), &wait_status, 0) == static_cast<pid_t>(pid_))
      status_ = StatusOf(wait_status);
  }
}

}  // namespace velta
