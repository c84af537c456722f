// The port layer over the Win32 communications API (serial/linea.h says what
// each operation must do). The port keeps the time limits itself, so reads
// and writes are single synchronous calls. Start at abrir().
#include "serial/linea.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

// "COM" and a port number, in any case: such a name is opened as "\\.\COMn",
// the form ports above 9 need and every port takes.
static bool es_com(const char* nombre) {
    if (_strnicmp(nombre, "COM", 3) != 0 || nombre[3] == '\0' || strlen(nombre) > 8) return false;
    for (const char* c = nombre + 3; *c; c++)
        if (!isdigit((unsigned char)*c)) return false;
    return true;
}

// Share mode 0 keeps every other opener out while the port is ours.
PuertoSerie linea::abrir(const char* nombre) {
    if (!nombre) return PUERTO_CERRADO;
    char completo[16];
    if (es_com(nombre)) {
        snprintf(completo, sizeof completo, "\\\\.\\%s", nombre);
        nombre = completo;
    }
    HANDLE h =
        CreateFileA(nombre, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return h == INVALID_HANDLE_VALUE ? PUERTO_CERRADO : h;
}

bool linea::leer_ajustes(PuertoSerie puerto, SerialParams* p) {
    p->DCBlength = sizeof *p;
    return GetCommState(puerto, p) != 0;
}

// Flow control, the handshake lines and the special characters stay as the port reported them.
void linea::poner_8n1(SerialParams* p, int baudios) {
    p->BaudRate = (DWORD)baudios;
    p->ByteSize = 8;
    p->Parity = NOPARITY;
    p->StopBits = ONESTOPBIT;
}

// Reads the settings back: a driver may take a speed it can't run and keep
// another (Wine over a terminal falls back to 38400 baud, and says nothing).
bool linea::aplicar_ajustes(PuertoSerie puerto, SerialParams* p) {
    DCB hay = {};
    return SetCommState(puerto, p) && leer_ajustes(puerto, &hay) && hay.BaudRate == p->BaudRate &&
           hay.ByteSize == p->ByteSize && hay.Parity == p->Parity && hay.StopBits == p->StopBits;
}

bool linea::aplicar_tiempos(PuertoSerie puerto, const SerialTimeouts& t) {
    COMMTIMEOUTS c = {t.read_interval, t.read_per_byte, t.read_constant, t.write_per_byte,
                      t.write_constant};
    return SetCommTimeouts(puerto, &c) != 0;
}

// A write that runs out of time succeeds with fewer bytes written.
bool linea::escribir(PuertoSerie puerto, const char* bytes, int n, int* hechos) {
    DWORD escritos = 0;
    BOOL bien = WriteFile(puerto, bytes, (DWORD)n, &escritos, nullptr);
    *hechos = (int)escritos;
    return bien != 0;
}

// A read that runs out of time succeeds with what had arrived, perhaps
// nothing. Wine's reads of a line whose far end hung up succeed with nothing
// too, where Windows fails them: an empty read counts only while the port
// still answers for its state.
bool linea::leer(PuertoSerie puerto, char* buffer, int n, int* hechos) {
    DWORD leidos = 0, errores = 0;
    COMSTAT estado;
    BOOL bien = ReadFile(puerto, buffer, (DWORD)n, &leidos, nullptr);
    *hechos = (int)leidos;
    return bien && (leidos > 0 || ClearCommError(puerto, &errores, &estado));
}

void linea::cerrar(PuertoSerie puerto) { CloseHandle(puerto); }

void linea::olvidar_fallo() { SetLastError(0); }

// GetLastError's values by what a program can do about them. A port that
// another program holds opens with "access denied". "Invalid handle" has no
// class of its own: Wine gives it for the settings of a file that is no port.
static const struct {
    DWORD codigo;
    ErrorSerie error;
} kFallos[] = {
    {ERROR_FILE_NOT_FOUND, SERIE_NO_EXISTE},
    {ERROR_PATH_NOT_FOUND, SERIE_NO_EXISTE},
    {ERROR_INVALID_NAME, SERIE_NO_EXISTE},
    {ERROR_BAD_PATHNAME, SERIE_NO_EXISTE},
    {ERROR_ACCESS_DENIED, SERIE_OCUPADO},
    {ERROR_SHARING_VIOLATION, SERIE_OCUPADO},
    {ERROR_BUSY, SERIE_OCUPADO},
    {ERROR_INVALID_FUNCTION, SERIE_NO_ES_SERIE},
    {ERROR_NOT_SUPPORTED, SERIE_NO_ES_SERIE},
    {ERROR_BAD_COMMAND, SERIE_PERDIDO},
    {ERROR_DEVICE_NOT_CONNECTED, SERIE_PERDIDO},
    {ERROR_DEV_NOT_EXIST, SERIE_PERDIDO},
    {ERROR_GEN_FAILURE, SERIE_PERDIDO},
    {ERROR_OPERATION_ABORTED, SERIE_PERDIDO},
    {ERROR_BROKEN_PIPE, SERIE_PERDIDO},
};

ErrorSerie linea::fallo(ErrorSerie si_no, char* texto, size_t n) {
    const DWORD codigo = GetLastError();
    texto[0] = '\0';
    if (codigo == 0) return si_no;
    DWORD k = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             codigo, 0, texto, (DWORD)n, nullptr);
    while (k > 0 && (texto[k - 1] == '\n' || texto[k - 1] == '\r' || texto[k - 1] == '.'))
        texto[--k] = '\0';
    if (k == 0) snprintf(texto, n, "error %lu", (unsigned long)codigo);
    for (const auto& f : kFallos)
        if (f.codigo == codigo) return f.error;
    return si_no;
}
