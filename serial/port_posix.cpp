// The port layer over a POSIX terminal device (serial/linea.h says what each
// operation must do). Time limits are kept by poll() against a monotonic
// clock, because termios' VTIME counts tenths of a second. Start at abrir().
#include "serial/linea.h"

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

static const struct {
    int baudios;
    speed_t codigo;
} kVelocidades[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

static const long long kSinLimite = LLONG_MAX; // a deadline that never comes, µs

static SerialTimeouts limites = {}; // limits in force for reads and writes, ms

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

// Opens an existing device for reading and writing, for us alone: TIOCEXCL
// shuts out other openers of a terminal, the advisory lock other users of
// this module. O_NONBLOCK keeps open() from waiting for a carrier and write()
// from waiting past its limit; every wait goes through esperar() instead. A
// non-terminal can't take TIOCEXCL; reading its settings refuses it next.
PuertoSerie linea::abrir(const char* nombre) {
    if (!nombre) return PUERTO_CERRADO;
    int fd = open(nombre, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return PUERTO_CERRADO;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY)) {
        close(fd);
        return PUERTO_CERRADO;
    }
    return fd;
}

bool linea::leer_ajustes(PuertoSerie fd, SerialParams* p) {
    if (tcgetattr(fd, &p->tio) != 0) return false;
    p->baudios = baudios_de(cfgetospeed(&p->tio));
    return true;
}

// 8 data bits, no parity, one stop bit, and a line that passes bytes untouched: no canonical
// mode, echo, signals, or CR/LF translation either way. Flow control (IXON, IXOFF, IXANY,
// CRTSCTS) and the modem lines (CLOCAL, HUPCL) stay as the port reported them.
void linea::poner_8n1(SerialParams* p, int baudios) {
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

// Applies the record and reads it back: tcsetattr() succeeds when any part of
// a change took, so speed and framing are checked on what the port now holds.
bool linea::aplicar_ajustes(PuertoSerie fd, SerialParams* p) {
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
bool linea::aplicar_tiempos(PuertoSerie fd, const SerialTimeouts& t) {
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
bool linea::escribir(PuertoSerie fd, const char* bytes, int n, int* hechos) {
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
bool linea::leer(PuertoSerie fd, char* buffer, int n, int* hechos) {
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
void linea::cerrar(PuertoSerie fd) {
    ioctl(fd, TIOCNXCL);
    close(fd);
}

void linea::olvidar_fallo() { errno = 0; }

// errno's values by what a program can do about them.
static const struct {
    int codigo;
    ErrorSerie error;
} kFallos[] = {
    {ENOENT, SERIE_NO_EXISTE},   {ENODEV, SERIE_NO_EXISTE},    {ENOTDIR, SERIE_NO_EXISTE},
    {EBUSY, SERIE_OCUPADO},      {EWOULDBLOCK, SERIE_OCUPADO}, {EACCES, SERIE_SIN_PERMISO},
    {EPERM, SERIE_SIN_PERMISO},  {EROFS, SERIE_SIN_PERMISO},   {ENOTTY, SERIE_NO_ES_SERIE},
    {EISDIR, SERIE_NO_ES_SERIE}, {EIO, SERIE_PERDIDO},         {ENXIO, SERIE_PERDIDO},
    {EPIPE, SERIE_PERDIDO},      {EBADF, SERIE_PERDIDO},
};

ErrorSerie linea::fallo(ErrorSerie si_no, char* texto, size_t n) {
    const int codigo = errno;
    texto[0] = '\0';
    if (codigo == 0) return si_no;
    snprintf(texto, n, "%s", strerror(codigo));
    for (const auto& f : kFallos)
        if (f.codigo == codigo) return f.error;
    return si_no;
}
