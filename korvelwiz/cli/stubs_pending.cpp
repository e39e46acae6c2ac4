// Subcommands built in their own files may be absent from a partial build;
// these weak definitions then register nothing.
#include "commands.h"

namespace korvel::cli {

__attribute__((weak)) void AddFitCommands(CLI::App&) {}

}  // namespace korvel::cli
