// The floor under calculadora's start-up and memory: a program with the same
// three libraries (SDL 1.2, SDL_image, SDL_ttf) that starts SDL as init()
// does and shows a green window of the same size, but loads no face, no font
// and draws nothing else. bench/startup.sh measures it beside calculadora.
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>
#include <cstdlib>

int main(int, char*[]) {
    // As init() asks SDL: no OpenGL to show the window under sdl12-compat,
    // and the silent audio driver.
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (SDL_Init(SDL_INIT_EVERYTHING) == -1) return 1;
    SDL_QuitSubSystem(SDL_INIT_TIMER);
    SDL_Surface* screen = SDL_SetVideoMode(248, 501, 32, SDL_SWSURFACE);
    // Referenced so that SDL_image is loaded whatever the linker's habits.
    if (!screen || !IMG_Linked_Version() || TTF_Init() == -1) return 1;
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 21, 170, 48));
    SDL_Flip(screen);
    for (bool fin = false; !fin;) {
        SDL_Delay(10);
        SDL_Event e;
        while (SDL_PollEvent(&e)) fin = fin || e.type == SDL_QUIT;
    }
    SDL_Quit();
    return 0;
}
