// Subcommands whose core is still being built register nothing yet.
#include "commands.h"

namespace korvel::cli {

void AddInfoCommand(CLI::App&) {}
void AddFitCommands(CLI::App&) {}

}  // namespace korvel::cli
