// Application shell: start-up, the event loop, the keyboard map, the click
// dispatch and the tick counters. SDL_main is the program; main.cpp calls it.
#ifndef APP_SHELL_H
#define APP_SHELL_H

#include <SDL.h>

extern int pantaX;      // window width in pixels, 248
extern int pantaY;      // window height in pixels, 501
extern SDL_Event event; // the event being handled
extern int mouse_x;     // x of the last mouse-button press or release
extern int mouse_y;     // y of the same event
extern int tiempo1;     // fast tick counter, reloads to 25
extern int tiempo2;     // middle tick counter, reloads to 50
extern int tiempo3;     // slow tick counter, reloads to 100
extern int segundos;    // wraps of tiempo3, about one a second

// The keyboard map: the main keyboard and the numeric keypad feed the same
// handlers. SDL 1.2 reports a key by its unshifted symbol: with Shift held a
// main-keyboard key types another character (Shift+8 is '*' on a US
// keyboard, Shift+minus '_'), and the keys marked OTRA enter nothing then.
enum { MISMA = 0, OTRA = 1 };
struct Atajo {
    int symbol;
    void (*handler)();
    int con_shift; // MISMA: the key does the same with Shift; OTRA: it types another character
};
enum { NUM_ATAJOS = 32 };
extern const Atajo MAPA[NUM_ATAJOS];

int SDL_main(int argc, char* argv[]);

// The two halves of SDL_main. arranque starts the window, loads the data files
// from the working directory and paints the first frame: 0, or the exit status
// of a failure (1 graphics, 3 first flip, 2 data files). bucle runs the event
// loop until a quit request, shuts down and returns 0.
int arranque();
int bucle();

void atender(const SDL_Event& e);
void keyFun(int key);
void Eventos();
void MiTimer();

#endif
