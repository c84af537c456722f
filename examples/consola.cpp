// Serial console: `consola DEVICE` opens DEVICE with the serial helpers, then
// copies standard input to the port and what the port receives to standard
// output, until end of input or Ctrl+C. Start reading at main(); copiar() is
// the loop. Standard output carries the port's bytes and nothing else: the
// helpers' trace lines (YES--, Error ...) are sent to standard error.
// Exit status: 0 after a normal end, 1 when the port can't be opened or fails,
// 2 for a wrong command line.
#include "serial/port.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

static const int kBloque = 256;      // bytes moved at most per pass, each way
static const int kEsperaFinal = 500; // ms the port is still copied after end of input

static const int kSenales[] = {SIGINT, SIGTERM, SIGHUP}; // each ends the console cleanly

static volatile sig_atomic_t fin_pedido = 0;

static void al_recibir(int) { fin_pedido = 1; }

static long long ahora_ms() {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

static bool escribir_todo(int fd, const char* bytes, int n) {
    while (n > 0) {
        ssize_t k = write(fd, bytes, (size_t)n);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        bytes += k, n -= (int)k;
    }
    return true;
}

// The signals stay blocked except while ppoll() waits, so a Ctrl+C can't slip
// in between testing fin_pedido and starting to wait. *espera is the mask for ppoll().
static void preparar_senales(sigset_t* espera) {
    sigset_t bloqueo;
    sigemptyset(&bloqueo);
    struct sigaction accion = {};
    accion.sa_handler = al_recibir;
    for (int s : kSenales) {
        sigaddset(&bloqueo, s);
        sigaction(s, &accion, nullptr);
    }
    sigprocmask(SIG_BLOCK, &bloqueo, espera);
    for (int s : kSenales) sigdelset(espera, s);
    // A reader that goes away shows up as a failed write instead of killing us with the port held.
    signal(SIGPIPE, SIG_IGN);
}

// Copies what the port holds. ReadSerie() doesn't tell how many bytes it
// brought, so it is asked for one at a time: such a read ends as soon as its byte is in.
static int del_puerto(int salida, const char* nombre) {
    char bytes[kBloque];
    int n = 0;
    struct pollfd puerto = {hSerial, POLLIN, 0};
    do {
        int r = ReadSerie(hSerial, &bytes[n], 1);
        if (r == -1) {
            fprintf(stderr, "consola: cannot read %s\n", nombre);
            return 1;
        }
        if (r == -2) break;
        n++;
    } while (n < kBloque && poll(&puerto, 1, 0) > 0);
    if (!escribir_todo(salida, bytes, n)) {
        fprintf(stderr, "consola: cannot write standard output\n");
        return 1;
    }
    return 0;
}

// The loop; returns the exit status. After end of input the port is copied for
// kEsperaFinal ms more, so that the answer to the last bytes sent still gets out.
static int copiar(int salida, const char* nombre, const sigset_t* espera) {
    struct pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {hSerial, POLLIN, 0}};
    long long fin = 0; // end of the final wait, ms; 0 while input lasts
    while (!fin_pedido) {
        struct timespec plazo = {0, 0};
        if (fin != 0) {
            long long resto = fin - ahora_ms();
            if (resto <= 0) return 0;
            plazo.tv_sec = resto / 1000;
            plazo.tv_nsec = resto % 1000 * 1000000;
        }
        if (ppoll(fds, 2, fin != 0 ? &plazo : nullptr, espera) < 0) {
            if (errno == EINTR) continue;
            perror("consola: poll");
            return 1;
        }
        if (fds[1].revents != 0) {
            int estado = del_puerto(salida, nombre);
            if (estado != 0) return estado;
        }
        if (fds[0].revents != 0) {
            char bytes[kBloque];
            ssize_t n = read(STDIN_FILENO, bytes, sizeof bytes);
            if (n > 0) {
                WriteSerie(hSerial, bytes, (int)n); // a failed write is reported by the helper
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                fds[0].fd = -1;
                fin = ahora_ms() + kEsperaFinal;
            }
        }
    }
    return 0;
}

int main(int argc, char* argv[]) {
    if (argc != 2) {
        fprintf(stderr, "usage: consola DEVICE\n");
        return 2;
    }
    // The port's bytes go to a copy of standard output; descriptor 1, where
    // the helpers print their trace lines, becomes standard error.
    fflush(stdout);
    int salida = dup(STDOUT_FILENO);
    if (salida < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        perror("consola: standard output");
        return 1;
    }
    sigset_t espera;
    preparar_senales(&espera);

    MODEMDEVICE = argv[1];
    if (IniRs232() != 0) {
        CloseRs232(); // a port whose settings could not be read is still open
        fprintf(stderr, "consola: cannot open %s\n", argv[1]);
        return 1;
    }
    int estado = copiar(salida, argv[1], &espera);
    CloseRs232();
    return estado;
}
