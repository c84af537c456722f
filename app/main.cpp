// Process entry: SDL 1.2 supplies no start-up wrapper on this platform, so
// main hands over to SDL_main and returns its exit status.
#include "app/shell.h"

int main(int argc, char* argv[]) { return SDL_main(argc, argv); }
