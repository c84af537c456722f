// Preloaded into an example program by captura.sh: the program's first
// SDL_Flip saves the screen to the BMP file that CALC_CAPTURA names, then
// queues SDL_QUIT, the window's close request, so that the program ends
// its own way.
#include <SDL.h>
#include <cstdlib>
#include <dlfcn.h>

extern "C" int SDL_Flip(SDL_Surface* s) {
    using Real = int (*)(SDL_Surface*);
    static const Real real = (Real)dlsym(RTLD_NEXT, "SDL_Flip");
    static bool hecho = false;
    int r = real(s);
    if (!hecho) {
        hecho = true;
        const char* archivo = getenv("CALC_CAPTURA");
        if (!archivo || SDL_SaveBMP(s, archivo) != 0) _Exit(99);
        SDL_Event quit;
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
    return r;
}
