/// \file
/// Serial port helpers: one RS-232 port, named by MODEMDEVICE, opened and set to
/// MiBAUDIOS 8N1 with short time limits by IniRs232(), then written, read and
/// closed. Start reading at IniRs232() in port.cpp; the port layer it stands
/// on (serial/linea.h) is a terminal device on POSIX systems and the Win32
/// communications API on Windows. The same functions, names and results on
/// both; the port's handle and its settings record are the system's own.
/// Results: 0 or 1 for success, negative codes for failure; ErrorRs232() and
/// TextoErrorRs232() then tell why. DelayMs() sleeps through SDL: a program
/// that calls it links SDL 1.2; no other function needs SDL.
#ifndef SERIAL_PORT_H
#define SERIAL_PORT_H

#include <stdint.h>

#ifdef _WIN32
// HANDLE and DCB, without the rest of <windows.h>.
#include <windef.h>
#include <winbase.h>

typedef HANDLE PuertoSerie;                 ///< the open port
const PuertoSerie PUERTO_CERRADO = nullptr; ///< value of hSerial while no port is open

/// The line settings of the port as last read from it, and changed by IniRs232().
typedef DCB SerialParams;
#else
#include <termios.h>

typedef int PuertoSerie;               ///< descriptor of the open port
const PuertoSerie PUERTO_CERRADO = -1; ///< value of hSerial while no port is open

/// The line settings of the port as last read from it, and changed by IniRs232().
struct SerialParams {
    struct termios tio; ///< everything but the speed as the terminal reports it
    int baudios;        ///< line speed in baud; 0 when the terminal's speed has no entry
};
#endif

/// The five time limits, in milliseconds. A read of n bytes ends when n bytes
/// are in, or read_interval after a byte without another, or after
/// read_per_byte * n + read_constant in all; a write of n bytes is given
/// write_per_byte * n + write_constant. A zero interval, or a zero total, is no limit.
struct SerialTimeouts {
    uint32_t read_interval;
    uint32_t read_per_byte;
    uint32_t read_constant;
    uint32_t write_per_byte;
    uint32_t write_constant;
};

/// Device to open, e.g. "/dev/ttyUSB0"; on Windows "COM12", which is opened as
/// "\\.\COM12" (ports above 9 need that form), or any name CreateFileA takes.
/// Null until a caller sets it.
extern const char* MODEMDEVICE;
extern int MiBAUDIOS;                ///< speed IniRs232() sets, in baud; 115200
extern PuertoSerie hSerial;          ///< the open port, or PUERTO_CERRADO
extern SerialParams dcbSerialParams; ///< settings read and changed by IniRs232(); all zero at start
extern SerialTimeouts time_out;      ///< limits IniRs232() applies, ms; all zero at start

/// Why the last call that failed, failed: IniRs232() starts afresh, and every
/// failure of a call below sets it (a refused call and the time limits that
/// IniRs232() could not apply too). What to do after each: SERIE_NO_EXISTE,
/// check the name; SERIE_OCUPADO, another program or a second IniRs232()
/// holds the port; SERIE_SIN_PERMISO, the user may not open it (on Linux, the
/// group dialout); SERIE_NO_ES_SERIE, the name is not a serial line;
/// SERIE_PERDIDO, the device is gone or the far end hung up: close the port,
/// it will not come back by itself; SERIE_AJUSTES_RECHAZADOS, the port cannot
/// run at MiBAUDIOS 8N1; SERIE_TIEMPO_AGOTADO, a write could not finish in its
/// time limit (flow control held it); SERIE_LLAMADA_INVALIDA, no open port, a
/// null buffer or fewer than one byte.
enum ErrorSerie {
    SERIE_SIN_ERROR = 0,
    SERIE_NO_EXISTE,
    SERIE_OCUPADO,
    SERIE_SIN_PERMISO,
    SERIE_NO_ES_SERIE,
    SERIE_PERDIDO,
    SERIE_AJUSTES_RECHAZADOS,
    SERIE_TIEMPO_AGOTADO,
    SERIE_LLAMADA_INVALIDA,
    SERIE_OTRO,
};

extern "C" {
void DelayMs(uint32_t ms);
void PrintSerial(const char* text);
int CloseRs232(void);
int IniRs232(void);
enum ErrorSerie ErrorRs232(void);
/// The reason in words: the system's own (errno's or GetLastError's message)
/// when it gave one, else a short Spanish phrase for the reason; never null.
const char* TextoErrorRs232(void);
/// Applies other time limits to the open port and keeps them in time_out:
/// 0, or -1 when there is no open port, t is null or the port refuses them.
int LimitesRs232(const SerialTimeouts* t);
}

/// Both act only on the open port (port == hSerial); anything else, a null
/// buffer or n < 1 is refused with -1 before any I/O and without a message.
/// WriteSerie: 1 when all n bytes went out in time; -1 when the write failed or was short.
/// ReadSerie: 1 when at least one byte arrived (how many is not told; no
/// terminator is added), -2 when none arrived in time, -1 on a read error.
int WriteSerie(PuertoSerie port, const char* bytes, int n);
int ReadSerie(PuertoSerie port, char* buffer, int n);

#endif
