// Serial port helpers over a POSIX terminal device. The first half is a small
// layer of our own with the seven port operations the helpers need (open,
// read settings, apply settings, apply time limits, write, read, close); the
// second half is the public functions, which use it in the order IniRs232()
// shows. Time limits are kept by poll() against a monotonic clock, because
// termios' VTIME counts tenths of a second.
#include "serial/port.h"

#include <SDL.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

// 10 ms between bytes, 1 ms per byte + 2 ms per read, 2 ms per byte + 50 ms per write.
static const SerialTimeouts kLimites = {10, 1, 2, 2, 50};

static const struct {
    int baudios;
    speed_t codigo;
} kVelocidades[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

static const long long kSinLimite = LLONG_MAX; // a deadline that never comes, µs

const char* MODEMDEVICE = nullptr;
int MiBAUDIOS = 115200;
int hSerial = PUERTO_CERRADO;
SerialParams dcbSerialParams = {};
SerialTimeouts time_out = {};

static SerialTimeouts limites = {}; // limits in force for reads and writes, ms

// Opens an existing device for reading and writing, for us alone: TIOCEXCL
// shuts out other openers of a terminal, the advisory lock other users of
// this module. O_NONBLOCK keeps open() from waiting for a carrier and write()
// from waiting past its limit; every wait goes through esperar() instead. A
// non-terminal can't take TIOCEXCL; reading its settings refuses it next.
static int abrir_puerto(const char* nombre) {
    if (!nombre) return PUERTO_CERRADO;
    int fd = open(nombre, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return PUERTO_CERRADO;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY)) {
        close(fd);
        return PUERTO_CERRADO;
    }
    return fd;
}

static speed_t codigo_de(int baudios) {
    for (const auto& v : kVelocidades)
        if (v.baudios == baudios) return v.codigo;
    return B0;
}

static int baudios_de(speed_t codigo) {
    for (const auto& v : kVelocidades)
        if (v.codigo == codigo) return v.baudios;
    return 0;
}

static bool leer_ajustes(int fd, SerialParams* p) {
    if (tcgetattr(fd, &p->tio) != 0) return false;
    p->baudios = baudios_de(cfgetospeed(&p->tio));
    return true;
}

// Applies the record and reads it back: tcsetattr() succeeds when any part of
// a change took, so speed and framing are checked on what the port now holds.
static bool aplicar_ajustes(int fd, SerialParams* p) {
    speed_t codigo = codigo_de(p->baudios);
    if (codigo == B0) return false;
    if (cfsetispeed(&p->tio, codigo) != 0 || cfsetospeed(&p->tio, codigo) != 0) return false;
    if (tcsetattr(fd, TCSANOW, &p->tio) != 0) return false;
    struct termios hay;
    const tcflag_t marco = CSIZE | PARENB | CSTOPB;
    return tcgetattr(fd, &hay) == 0 && cfgetospeed(&hay) == codigo && cfgetispeed(&hay) == codigo &&
           (hay.c_cflag & marco) == (p->tio.c_cflag & marco);
}

// The limits are kept here, by esperar(), not by the terminal; they take on an open descriptor.
static bool aplicar_tiempos(int fd, const SerialTimeouts& t) {
    if (fcntl(fd, F_GETFD) < 0) return false;
    limites = t;
    return true;
}

// Microseconds on the monotonic clock.
static long long ahora() {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000LL + t.tv_nsec / 1000;
}

// A deadline `ms` milliseconds after `desde`; zero milliseconds is no limit.
static long long plazo(long long desde, long long ms) {
    return ms == 0 ? kSinLimite : desde + ms * 1000;
}

// Waits until fd is ready for `eventos` or the deadline passes: >0 ready, 0 out of time, <0
// failure. The timeout is rounded up so that a wait never ends before its deadline.
static int esperar(int fd, short eventos, long long hasta) {
    for (;;) {
        int ms = -1;
        if (hasta != kSinLimite) {
            long long resto = hasta - ahora();
            ms = resto <= 0 ? 0 : resto >= INT_MAX / 2 ? INT_MAX / 2 : (int)((resto + 999) / 1000);
        }
        struct pollfd p = {fd, eventos, 0};
        int r = poll(&p, 1, ms);
        if (r >= 0 || errno != EINTR) return r;
    }
}

// Writes until all n bytes are out or the write limit passes; *hechos counts what went out.
static bool escribir(int fd, const char* bytes, int n, int* hechos) {
    *hechos = 0;
    long long fin = plazo(ahora(), (long long)limites.write_per_byte * n + limites.write_constant);
    while (*hechos < n) {
        ssize_t k = write(fd, bytes + *hechos, (size_t)(n - *hechos));
        if (k > 0) {
            *hechos += (int)k;
            continue;
        }
        if (k < 0 && errno != EAGAIN && errno != EINTR) return false;
        int r = esperar(fd, POLLOUT, fin);
        if (r < 0) return false;
        if (r == 0) break;
    }
    return true;
}

// Reads until n bytes are in, the pause after a byte passes the interval, or
// the total limit passes. A read of 0 on a raw terminal is a hung-up line.
// Bytes that arrived before a hang-up or an error are handed over as a read
// that succeeded; the next read meets the fault with nothing in hand.
static bool leer(int fd, char* buffer, int n, int* hechos) {
    *hechos = 0;
    long long fin = plazo(ahora(), (long long)limites.read_per_byte * n + limites.read_constant);
    long long pausa = kSinLimite;
    while (*hechos < n) {
        int r = esperar(fd, POLLIN, pausa < fin ? pausa : fin);
        if (r == 0) break;
        ssize_t k = r < 0 ? -1 : read(fd, buffer + *hechos, (size_t)(n - *hechos));
        if (k < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (k <= 0) {
            if (k == 0) errno = EIO;
            return *hechos > 0;
        }
        *hechos += (int)k;
        pausa = plazo(ahora(), limites.read_interval);
    }
    return true;
}

// Exclusivity is a flag of the terminal, not of our descriptor: it outlives close() while
// anyone else holds the device open, so it is given back first.
static void cerrar_puerto(int fd) {
    ioctl(fd, TIOCNXCL);
    close(fd);
}

// 8 data bits, no parity, one stop bit, and a line that passes bytes untouched: no canonical
// mode, echo, signals, or CR/LF translation either way. Flow control (IXON, IXOFF, IXANY,
// CRTSCTS) and the modem lines (CLOCAL, HUPCL) stay as the port reported them.
static void linea_8n1(SerialParams* p, int baudios) {
    struct termios& t = p->tio;
    p->baudios = baudios;
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | INPCK);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    t.c_cflag |= CS8 | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

static void avisar(const char* texto) {
    puts(texto);
    fflush(stdout);
}

static bool utilizable(int port, const void* bytes, int n) {
    return port != PUERTO_CERRADO && port == hSerial && bytes && n >= 1;
}

extern "C" int IniRs232(void) {
    CloseRs232(); // the module holds one port: a second call gives up the first

    hSerial = abrir_puerto(MODEMDEVICE);
    if (hSerial == PUERTO_CERRADO) return -1;

    if (!leer_ajustes(hSerial, &dcbSerialParams)) {
        avisar("Error get Status!!");
        return -1; // the port stays open until CloseRs232()
    }
    linea_8n1(&dcbSerialParams, MiBAUDIOS);
    if (!aplicar_ajustes(hSerial, &dcbSerialParams)) {
        CloseRs232();
        avisar("Error get Status2!!");
        return -1;
    }

    time_out = kLimites;
    if (!aplicar_tiempos(hSerial, time_out)) avisar("Error SetCommTimeouts ");

    printf("YES-- %s \n", MODEMDEVICE);
    fflush(stdout);
    return 0;
}

int WriteSerie(int port, const char* bytes, int n) {
    if (!utilizable(port, bytes, n)) return -1;
    int hechos = 0;
    if (!escribir(port, bytes, n, &hechos) || hechos < n) {
        printf("Error mandado Bytes %lu   \n", (unsigned long)hechos);
        fflush(stdout);
        return -1;
    }
    return 1;
}

int ReadSerie(int port, char* buffer, int n) {
    if (!utilizable(port, buffer, n)) return -1;
    int hechos = 0;
    if (!leer(port, buffer, n, &hechos)) {
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

// Marks the port closed so that no later call reaches a descriptor number the
// system has since given to another file.
extern "C" int CloseRs232(void) {
    if (hSerial != PUERTO_CERRADO) cerrar_puerto(hSerial);
    hSerial = PUERTO_CERRADO;
    return 0;
}

extern "C" void DelayMs(uint32_t ms) { SDL_Delay(ms); }
