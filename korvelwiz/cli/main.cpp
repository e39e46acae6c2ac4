// korvel: the command line over the korvelwiz core.
#include <CLI/CLI.hpp>
#include <clocale>
#include <cstdio>
#include <exception>

#include "commands.h"

int main(int argc, char** argv) {
  // Numbers in files are always written with "."; keep the C locale.
  std::setlocale(LC_ALL, "C");
  CLI::App app{
      "korvel - simulate and fit continuous-wave EPR spectra of nitroxide spin labels.\n"
      "Spectral files of a project are looked up in the folder of its .mtp file."};
  app.require_subcommand(1);
  korvel::cli::AddOpenCommand(app);
  korvel::cli::AddSynthCommand(app);
  korvel::cli::AddInfoCommand(app);
  korvel::cli::AddFitCommands(app);
  korvel::cli::AddServeCommand(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const korvel::cli::ExitStatus& s) {
    return s.code;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvel: %s\n", e.what());
    return 1;
  }
  return 0;
}
