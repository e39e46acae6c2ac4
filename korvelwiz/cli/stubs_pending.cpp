// Subcommands whose core is still being built register nothing yet.
#include "commands.h"

namespace korvel::cli {

void AddOpenCommand(CLI::App&) {}
void AddSynthCommand(CLI::App&) {}
void AddInfoCommand(CLI::App&) {}
void AddFitCommands(CLI::App&) {}

}  // namespace korvel::cli
