#pragma once
// `korvel serve PROJECT.mtp [--save OUT.mtp] [--listen ADDRESS]
//  [--ports A,B,C] [--reply-host HOST]`: opens the project as `korvel open`
// does and serves the optimization link headless until SIGINT or SIGTERM,
// logging every status text and link event with a time stamp on standard
// output. Optimized parameters update the project in memory and, with
// --save, are written to OUT.mtp at once (temporary file, then rename).
namespace korvel::net {

// The whole program; returns its exit status (0 after a clean stop, 1 when
// the project cannot be opened or a port cannot be listened on, 2 for bad
// arguments).
int ServeMain(int argc, char** argv);

}  // namespace korvel::net
