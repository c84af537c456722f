// The port layer under the serial helpers: the seven operations they need of a
// port (open, read settings, apply settings, apply time limits, write, read,
// close), plus the one change of settings they make. One implementation per
// system, picked at build time: port_posix.cpp over a terminal device,
// port_win32.cpp over the Win32 communications API. port.cpp uses them.
#ifndef SERIAL_LINEA_H
#define SERIAL_LINEA_H

#include "serial/port.h"

#include <stddef.h>

namespace linea {

// An existing device, for reading and writing, for us alone; PUERTO_CERRADO when it can't be had.
PuertoSerie abrir(const char* nombre);
bool leer_ajustes(PuertoSerie puerto, SerialParams* p);
// Speed `baudios`, 8 data bits, no parity, one stop bit; the rest of the record as it was.
void poner_8n1(SerialParams* p, int baudios);
// Applies speed and framing, and checks that the port now holds them.
bool aplicar_ajustes(PuertoSerie puerto, SerialParams* p);
bool aplicar_tiempos(PuertoSerie puerto, const SerialTimeouts& t);
// Write and read end within the limits in force; *hechos counts the bytes
// moved, also when they return false for a failure.
bool escribir(PuertoSerie puerto, const char* bytes, int n, int* hechos);
bool leer(PuertoSerie puerto, char* buffer, int n, int* hechos);
void cerrar(PuertoSerie puerto);

// The system's record of the last failure (errno, GetLastError): cleared
// before an operation, read right after it failed. `fallo` gives its class,
// or `si_no` when the system gave no code or one of no known class, and its
// words in texto (empty when there is no code).
void olvidar_fallo();
ErrorSerie fallo(ErrorSerie si_no, char* texto, size_t n);

} // namespace linea

#endif
