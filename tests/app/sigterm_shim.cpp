// Preloaded into the program by the shell test: raises SIGTERM as soon as
// SDL_SetVideoMode has opened the window, before the first frame is drawn,
// the moment at which a quit request used to be lost.
#include <SDL.h>
#include <csignal>
#include <dlfcn.h>

extern "C" SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags) {
    using Real = SDL_Surface* (*)(int, int, int, Uint32);
    static const Real real = (Real)dlsym(RTLD_NEXT, "SDL_SetVideoMode");
    SDL_Surface* s = real(width, height, bpp, flags);
    raise(SIGTERM);
    return s;
}
