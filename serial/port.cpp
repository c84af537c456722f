// Serial port helpers: the public functions, over the port layer of
// serial/linea.h (port_posix.cpp or port_win32.cpp, whichever the system
// builds). Everything the helpers decide lives here once for both: the order
// of IniRs232(), the settings and limits, the messages, the results, and which
// calls are refused. Start at IniRs232().
#include "serial/port.h"
#include "serial/linea.h"

#include <SDL.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>

// 10 ms between bytes, 1 ms per byte + 2 ms per read, 2 ms per byte + 50 ms per write.
static const SerialTimeouts kLimites = {10, 1, 2, 2, 50};

const char* MODEMDEVICE = nullptr;
int MiBAUDIOS = 115200;
PuertoSerie hSerial = PUERTO_CERRADO;
SerialParams dcbSerialParams = {};
SerialTimeouts time_out = {};

static void avisar(const char* texto) {
    puts(texto);
    fflush(stdout);
}

static bool utilizable(PuertoSerie port, const void* bytes, int n) {
    return port != PUERTO_CERRADO && port == hSerial && bytes && n >= 1;
}

extern "C" int IniRs232(void) {
    CloseRs232(); // the module holds one port: a second call gives up the first

    hSerial = linea::abrir(MODEMDEVICE);
    if (hSerial == PUERTO_CERRADO) return -1;

    if (!linea::leer_ajustes(hSerial, &dcbSerialParams)) {
        avisar("Error get Status!!");
        return -1; // the port stays open until CloseRs232()
    }
    linea::poner_8n1(&dcbSerialParams, MiBAUDIOS);
    if (!linea::aplicar_ajustes(hSerial, &dcbSerialParams)) {
        CloseRs232();
        avisar("Error get Status2!!");
        return -1;
    }

    time_out = kLimites;
    if (!linea::aplicar_tiempos(hSerial, time_out)) avisar("Error SetCommTimeouts ");

    printf("YES-- %s \n", MODEMDEVICE);
    fflush(stdout);
    return 0;
}

int WriteSerie(PuertoSerie port, const char* bytes, int n) {
    if (!utilizable(port, bytes, n)) return -1;
    int hechos = 0;
    if (!linea::escribir(port, bytes, n, &hechos) || hechos < n) {
        printf("Error mandado Bytes %lu   \n", (unsigned long)hechos);
        fflush(stdout);
        return -1;
    }
    return 1;
}

int ReadSerie(PuertoSerie port, char* buffer, int n) {
    if (!utilizable(port, buffer, n)) return -1;
    int hechos = 0;
    if (!linea::leer(port, buffer, n, &hechos)) {
        printf("Error leyendo Bytes %lu \n", (unsigned long)hechos);
        fflush(stdout);
        return -1;
    }
    return hechos == 0 ? -2 : 1;
}

extern "C" void PrintSerial(const char* text) {
    if (!text) return;
    size_t largo = strlen(text);
    WriteSerie(hSerial, text, largo > INT_MAX ? INT_MAX : (int)largo);
}

// Marks the port closed so that no later call reaches a descriptor or handle
// the system has since given to another file.
extern "C" int CloseRs232(void) {
    if (hSerial != PUERTO_CERRADO) linea::cerrar(hSerial);
    hSerial = PUERTO_CERRADO;
    return 0;
}

extern "C" void DelayMs(uint32_t ms) { SDL_Delay(ms); }
