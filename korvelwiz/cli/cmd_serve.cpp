// korvel serve: the optimization link runs on the Qt event loop, so it lives
// in its own program, korvel-serve, installed beside korvel. This
// subcommand hands every argument after "serve" to it unchanged.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "commands.h"

namespace korvel::cli {
namespace {

std::filesystem::path ServeProgram() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) throw std::runtime_error("cannot find the folder of korvel: " + ec.message());
  return self.parent_path() / "korvel-serve";
}

}  // namespace

void AddServeCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "serve",
      "Serve the experiments of a project to remote optimizers over TCP "
      "(korvel serve PROJECT.mtp [--save OUT.mtp] [--listen ADDRESS] [--ports A,B,C] "
      "[--reply-host HOST]; korvel serve --help for details)");
  // Everything after "serve", --help included, belongs to korvel-serve.
  cmd->prefix_command();
  cmd->set_help_flag();
  cmd->allow_extras();
  cmd->callback([cmd] {
    const std::filesystem::path program = ServeProgram();
    std::vector<std::string> args{"korvel serve"};
    for (const std::string& a : cmd->remaining()) args.push_back(a);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    throw std::runtime_error("cannot start " + program.string() + ": " + std::strerror(errno) +
                             " (it is built with the Qt front ends)");
  });
}

}  // namespace korvel::cli
