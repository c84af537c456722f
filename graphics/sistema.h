// Graphics layer, internal: what differs between the systems the layer runs
// on, one implementation per system picked at build time, as serial/linea.h
// does for the serial port: sistema_posix.cpp, sistema_win32.cpp. xgrafi.cpp
// and datos.cpp use it; the part programs call (dato, avisar_fallo,
// recordar_fallo, and on Windows abrir_lectura) is declared in xgrafi.h, and
// on POSIX systems is inline there. Not installed.
#ifndef GRAPHICS_SISTEMA_H
#define GRAPHICS_SISTEMA_H

#include <cstdio>

namespace sistema {

// The video drivers that are window systems, in the order they are asked
// for, ending in null; and SDL's error when none answers.
extern const char* const VENTANAS[];
extern const char* const SIN_VENTANAS;

// Sets a variable of the environment SDL reads; a null value takes it out.
void poner_entorno(const char* nombre, const char* valor);

// SIGINT and SIGTERM held back from retener_senales() to soltar_senales(),
// where the system has them.
void retener_senales();
void soltar_senales();

// A file opened for reading without waiting on it (a FIFO would hold an open
// until some writer came, for good); null when it cannot be opened. The name
// is UTF-8.
FILE* abrir_lectura(const char* nombre);

} // namespace sistema

#endif
