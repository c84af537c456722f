// Serial port helpers: DelayMs(), alone in its file because it is the one
// helper that needs SDL. A program that never calls it links none of SDL.
#include "serial/port.h"

#include <SDL.h>

extern "C" void DelayMs(uint32_t ms) { SDL_Delay(ms); }
