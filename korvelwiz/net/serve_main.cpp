// korvel-serve: the optimization link served headless (`korvel serve`).
#include "net/serve.h"

int main(int argc, char** argv) { return korvel::net::ServeMain(argc, argv); }
