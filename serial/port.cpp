// Serial port helpers: the public functions, over the port layer of
// serial/linea.h (port_posix.cpp or port_win32.cpp, whichever the system
// builds). Everything the helpers decide lives here once for both: the order
// of IniRs232(), the settings and limits, the messages, the results, and which
// calls are refused. Start at IniRs232().
#include "serial/port.h"
#include "serial/linea.h"

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

static ErrorSerie error = SERIE_SIN_ERROR; // the last failure's reason
static char texto_error[160];              // and the system's words for it, if any

// Why the port operation just called failed, from what the system recorded;
// `si_no` when it recorded nothing that says more. Called before anything
// else can overwrite that record (printing can).
static void anotar(ErrorSerie si_no) {
    error = linea::fallo(si_no, texto_error, sizeof texto_error);
}

static void anotar_sin_sistema(ErrorSerie e) {
    error = e;
    texto_error[0] = '\0';
}

static void avisar(const char* texto) {
    puts(texto);
    fflush(stdout);
}

static bool utilizable(PuertoSerie port, const void* bytes, int n) {
    bool si = port != PUERTO_CERRADO && port == hSerial && bytes && n >= 1;
    if (!si) anotar_sin_sistema(SERIE_LLAMADA_INVALIDA);
    return si;
}

extern "C" int IniRs232(void) {
    CloseRs232(); // the module holds one port: a second call gives up the first
    anotar_sin_sistema(SERIE_SIN_ERROR);

    if (!MODEMDEVICE) {
        anotar_sin_sistema(SERIE_NO_EXISTE);
        return -1;
    }
    linea::olvidar_fallo();
    hSerial = linea::abrir(MODEMDEVICE);
    if (hSerial == PUERTO_CERRADO) {
        anotar(SERIE_OTRO);
        return -1;
    }

    linea::olvidar_fallo();
    if (!linea::leer_ajustes(hSerial, &dcbSerialParams)) {
        anotar(SERIE_NO_ES_SERIE);
        avisar("Error get Status!!");
        return -1; // the port stays open until CloseRs232()
    }
    linea::poner_8n1(&dcbSerialParams, MiBAUDIOS);
    linea::olvidar_fallo();
    if (!linea::aplicar_ajustes(hSerial, &dcbSerialParams)) {
        anotar(SERIE_AJUSTES_RECHAZADOS);
        CloseRs232();
        avisar("Error get Status2!!");
        return -1;
    }

    time_out = kLimites;
    linea::olvidar_fallo();
    if (!linea::aplicar_tiempos(hSerial, time_out)) {
        anotar(SERIE_OTRO);
        avisar("Error SetCommTimeouts ");
    }

    printf("YES-- %s \n", MODEMDEVICE);
    fflush(stdout);
    return 0;
}

int WriteSerie(PuertoSerie port, const char* bytes, int n) {
    if (!utilizable(port, bytes, n)) return -1;
    int hechos = 0;
    linea::olvidar_fallo();
    bool escrito = linea::escribir(port, bytes, n, &hechos);
    if (!escrito || hechos < n) {
        if (escrito)
            anotar_sin_sistema(SERIE_TIEMPO_AGOTADO);
        else
            anotar(SERIE_PERDIDO);
        printf("Error mandado Bytes %lu   \n", (unsigned long)hechos);
        fflush(stdout);
        return -1;
    }
    return 1;
}

int ReadSerie(PuertoSerie port, char* buffer, int n) {
    if (!utilizable(port, buffer, n)) return -1;
    int hechos = 0;
    linea::olvidar_fallo();
    if (!linea::leer(port, buffer, n, &hechos)) {
        anotar(SERIE_PERDIDO);
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

extern "C" int LimitesRs232(const SerialTimeouts* t) {
    if (hSerial == PUERTO_CERRADO || !t) {
        anotar_sin_sistema(SERIE_LLAMADA_INVALIDA);
        return -1;
    }
    linea::olvidar_fallo();
    if (!linea::aplicar_tiempos(hSerial, *t)) {
        anotar(SERIE_OTRO);
        return -1;
    }
    time_out = *t;
    return 0;
}

extern "C" ErrorSerie ErrorRs232(void) { return error; }

// The reasons in words, for when the system gave none.
static const struct {
    ErrorSerie error;
    const char* texto;
} kTextos[] = {
    {SERIE_SIN_ERROR, "sin error"},
    {SERIE_NO_EXISTE, "no existe ese dispositivo"},
    {SERIE_OCUPADO, "el puerto está en uso"},
    {SERIE_SIN_PERMISO, "sin permiso para abrir el puerto"},
    {SERIE_NO_ES_SERIE, "no es una línea serie"},
    {SERIE_PERDIDO, "se perdió la línea"},
    {SERIE_AJUSTES_RECHAZADOS, "el puerto no acepta la velocidad o el formato"},
    {SERIE_TIEMPO_AGOTADO, "se acabó el tiempo antes de mandarlo todo"},
    {SERIE_LLAMADA_INVALIDA, "no hay puerto abierto, búfer o bytes"},
    {SERIE_OTRO, "error del puerto"},
};

extern "C" const char* TextoErrorRs232(void) {
    if (texto_error[0]) return texto_error;
    for (const auto& t : kTextos)
        if (t.error == error) return t.texto;
    return "error del puerto";
}
