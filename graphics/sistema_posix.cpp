// What graphics/sistema.h says, on POSIX systems: X11 and Wayland, setenv,
// the signal mask, open() that does not wait. Failures are told on standard
// output alone, where a terminal or a log shows them: the system part of
// xgrafi.h is inline there.
#include "graphics/sistema.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

const char* const sistema::VENTANAS[] = {"x11", "wayland", nullptr};
const char* const sistema::SIN_VENTANAS = "no window system answered (is DISPLAY set?)";

void sistema::poner_entorno(const char* nombre, const char* valor) {
    valor ? setenv(nombre, valor, 1) : unsetenv(nombre);
}

static sigset_t antes; // the mask retener_senales() found

void sistema::retener_senales() {
    sigset_t senales;
    sigemptyset(&senales);
    sigaddset(&senales, SIGINT);
    sigaddset(&senales, SIGTERM);
    sigprocmask(SIG_BLOCK, &senales, &antes);
}

void sistema::soltar_senales() { sigprocmask(SIG_SETMASK, &antes, nullptr); }

FILE* sistema::abrir_lectura(const char* nombre) {
    int fd = open(nombre, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    FILE* f = fd >= 0 && fcntl(fd, F_SETFL, 0) == 0 ? fdopen(fd, "rb") : nullptr;
    if (fd >= 0 && !f) close(fd);
    return f;
}
