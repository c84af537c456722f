// Serial port helpers: one RS-232 port, named by MODEMDEVICE, opened and set to
// MiBAUDIOS 8N1 with short time limits by IniRs232(), then written, read and
// closed. Start reading at IniRs232() in port.cpp; the port layer it stands
// on (serial/linea.h) is a terminal device on POSIX systems and the Win32
// communications API on Windows. The same functions, names and results on
// both; the port's handle and its settings record are the system's own.
// Results: 0 or 1 for success, negative codes for failure.
#ifndef SERIAL_PORT_H
#define SERIAL_PORT_H

#include <stdint.h>

#ifdef _WIN32
#include <windows.h>

typedef HANDLE PuertoSerie;                 // the open port
const PuertoSerie PUERTO_CERRADO = nullptr; // value of hSerial while no port is open

// The line settings of the port as last read from it, and changed by IniRs232().
typedef DCB SerialParams;
#else
#include <termios.h>

typedef int PuertoSerie;               // descriptor of the open port
const PuertoSerie PUERTO_CERRADO = -1; // value of hSerial while no port is open

// The line settings of the port as last read from it, and changed by IniRs232().
struct SerialParams {
    struct termios tio; // everything but the speed as the terminal reports it
    int baudios;        // line speed in baud; 0 when the terminal's speed has no entry
};
#endif

// The five time limits, in milliseconds. A read of n bytes ends when n bytes
// are in, or read_interval after a byte without another, or after
// read_per_byte * n + read_constant in all; a write of n bytes is given
// write_per_byte * n + write_constant. A zero interval, or a zero total, is no limit.
struct SerialTimeouts {
    uint32_t read_interval;
    uint32_t read_per_byte;
    uint32_t read_constant;
    uint32_t write_per_byte;
    uint32_t write_constant;
};

// Device to open, e.g. "/dev/ttyUSB0"; on Windows "COM12", which is opened as
// "\\.\COM12" (ports above 9 need that form), or any name CreateFileA takes.
// Null until a caller sets it.
extern const char* MODEMDEVICE;
extern int MiBAUDIOS;                // speed IniRs232() sets, in baud; 115200
extern PuertoSerie hSerial;          // the open port, or PUERTO_CERRADO
extern SerialParams dcbSerialParams; // settings read and changed by IniRs232(); all zero at start
extern SerialTimeouts time_out;      // limits IniRs232() applies, ms; all zero at start

extern "C" {
void DelayMs(uint32_t ms);
void PrintSerial(const char* text);
int CloseRs232(void);
int IniRs232(void);
}

// Both act only on the open port (port == hSerial); anything else, a null
// buffer or n < 1 is refused with -1 before any I/O and without a message.
// WriteSerie: 1 when all n bytes went out in time; -1 when the write failed or was short.
// ReadSerie: 1 when at least one byte arrived (how many is not told; no
// terminator is added), -2 when none arrived in time, -1 on a read error.
int WriteSerie(PuertoSerie port, const char* bytes, int n);
int ReadSerie(PuertoSerie port, char* buffer, int n);

#endif
