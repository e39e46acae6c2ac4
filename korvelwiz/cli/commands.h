#pragma once
// Subcommands of `korvel`. Each Add* registers its subcommand with its
// options and callback; a callback throws on failure and main turns the
// message into standard error and exit status 1.
#include <CLI/CLI.hpp>

namespace korvel::cli {

void AddOpenCommand(CLI::App& app);
void AddSynthCommand(CLI::App& app);
void AddInfoCommand(CLI::App& app);
void AddFitCommands(CLI::App& app);
void AddServeCommand(CLI::App& app);

// Exit status a callback asks for without an error message.
struct ExitStatus {
  int code;
};

}  // namespace korvel::cli
