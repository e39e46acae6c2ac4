#pragma once
// Starting the outside weight-fitting engine without waiting for it, and
// asking later whether it is still running.
#include <optional>
#include <string>
#include <vector>

namespace velta {

class EngineProcess {
 public:
  EngineProcess() = default;
  ~EngineProcess();  // a running engine is left running; its end is reaped
  EngineProcess(const EngineProcess&) = delete;
  EngineProcess& operator=(const EngineProcess&) = delete;

  // Starts argv[0] with the arguments argv[1..]; its standard output and
  // error go to `log_path` (replaced), its input is empty. Throws
  // VeltaError when the program cannot be started.
  void Start(const std::vector<std::string>& argv, const std::string& log_path);

  bool Started() const { return pid_ > 0; }
  // Without blocking: the exit status once the engine has ended (128 +
  // signal when a signal ended it), nothing while it runs or before Start.
  std::optional<int> ExitStatus();
  // Ends a running engine (SIGTERM, then SIGKILL after 2 s) and reaps it.
  void Stop();

 private:
  long pid_ = 0;
  std::optional<int> status_;
};

}  // namespace velta
