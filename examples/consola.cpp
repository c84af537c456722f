// Serial console: `consola DEVICE` opens DEVICE with the serial helpers, then
// copies standard input to the port and what the port receives to standard
// output, until end of input or Ctrl+C. Start reading at main(); copiar() is
// the loop, the same on every system; how it waits, reads standard input and
// hears Ctrl+C is the system's part, in one section each for POSIX systems
// and Windows. Standard output carries the port's bytes and nothing else: the
// helpers' trace lines (YES--, Error ...) are sent to standard error.
// Exit status: 0 after a normal end, 1 when the port can't be opened or fails,
// 2 for a wrong command line.
#include "serial/port.h"

#include <atomic>
#include <chrono>
#include <errno.h>
#include <stdio.h>
#include <unistd.h>

static const int kBloque = 256;      // bytes moved at most per pass, each way
static const int kEsperaFinal = 500; // ms the port is still copied after end of input

static std::atomic<bool> fin_pedido{false};

static long long ahora_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

#ifdef _WIN32
// Windows: a thread reads standard input, one block at a time, and hands it
// to the loop, which waits on it and on the port's count of received bytes:
// the port is read only when it holds some, so no read of nothing can spin,
// whatever time limits the port keeps.
#include <windows.h>

#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <string.h>
#include <thread>

static const int kPaso = 3; // ms between two looks at an idle port

static std::mutex cerrojo;
static std::condition_variable tomado;  // the loop took what the thread read
static std::condition_variable llegado; // the thread read something, or the end
static std::string pendiente;           // read from standard input, not yet taken
static bool entrada_acabada = false;    // the thread has met the end of input

static BOOL WINAPI al_recibir(DWORD) {
    fin_pedido = true;
    return TRUE;
}

static void leer_entrada() {
    char bytes[kBloque];
    for (;;) {
        int n = read(STDIN_FILENO, bytes, sizeof bytes);
        std::unique_lock<std::mutex> l(cerrojo);
        if (n <= 0) {
            entrada_acabada = true;
            llegado.notify_one();
            return;
        }
        pendiente.assign(bytes, (size_t)n);
        llegado.notify_one();
        tomado.wait(l, [] { return pendiente.empty(); });
    }
}

// Bytes pass untouched: no CR/LF translation, and Ctrl+Z is data.
static void preparar(int salida) {
    _setmode(STDIN_FILENO, _O_BINARY);
    _setmode(salida, _O_BINARY);
    SetConsoleCtrlHandler(al_recibir, TRUE);
}

// Only once the port is open: until then what is typed belongs to whoever
// reads the console next (the prompt, after a port that cannot be opened).
static void empezar_entrada() { std::thread(leer_entrada).detach(); }

// Bytes received and not yet read; -1 when the port cannot tell any more: a
// device that is gone (Windows fails the call; Wine too, where its reads of
// a hung-up line succeed with nothing).
static int en_cola() {
    DWORD errores;
    COMSTAT estado;
    return ClearCommError(hSerial, &errores, &estado) ? (int)estado.cbInQue : -1;
}

static bool hay_mas_en_puerto() { return en_cola() > 0; }

// Waits until the port holds bytes or, while it lasts, standard input has
// something, or until `fin` (ms, 0 for no end), or Ctrl+C. False when the
// port is gone.
static bool esperar(long long fin, bool con_entrada, bool* puerto, bool* entrada) {
    std::unique_lock<std::mutex> l(cerrojo);
    for (;;) {
        int hay = en_cola();
        if (hay < 0) {
            fprintf(stderr, "consola: cannot read %s\n", MODEMDEVICE);
            return false;
        }
        *puerto = hay > 0;
        *entrada = con_entrada && (!pendiente.empty() || entrada_acabada);
        if (*puerto || *entrada || fin_pedido || (fin != 0 && ahora_ms() >= fin)) return true;
        llegado.wait_for(l, std::chrono::milliseconds(kPaso));
    }
}

// >0 bytes taken, 0 at end of input, -1 when nothing is there yet.
static int tomar_entrada(char* bytes, int n) {
    std::lock_guard<std::mutex> l(cerrojo);
    if (pendiente.empty()) return entrada_acabada ? 0 : -1;
    int k = (int)pendiente.size() < n ? (int)pendiente.size() : n;
    memcpy(bytes, pendiente.data(), (size_t)k);
    pendiente.erase(0, (size_t)k);
    tomado.notify_one();
    return k;
}
#else
// POSIX: one ppoll() waits for the port, standard input and the signals.
#include <poll.h>
#include <signal.h>
#include <time.h>

static const int kSenales[] = {SIGINT, SIGTERM, SIGHUP}; // each ends the console cleanly

static sigset_t espera; // the signal mask while ppoll() waits

static void al_recibir(int) { fin_pedido = true; }

// The signals stay blocked except while ppoll() waits, so a Ctrl+C can't slip
// in between testing fin_pedido and starting to wait.
static void preparar(int) {
    sigset_t bloqueo;
    sigemptyset(&bloqueo);
    struct sigaction accion = {};
    accion.sa_handler = al_recibir;
    for (int s : kSenales) {
        sigaddset(&bloqueo, s);
        sigaction(s, &accion, nullptr);
    }
    sigprocmask(SIG_BLOCK, &bloqueo, &espera);
    for (int s : kSenales) sigdelset(&espera, s);
    // A reader that goes away shows up as a failed write instead of killing us with the port held.
    signal(SIGPIPE, SIG_IGN);
}

// Standard input is read only in the loop, after the port is open.
static void empezar_entrada() {}

static bool hay_mas_en_puerto() {
    struct pollfd puerto = {hSerial, POLLIN, 0};
    return poll(&puerto, 1, 0) > 0;
}

// Waits until the port or, while it lasts, standard input has something, or
// until `fin` (ms, 0 for no end), or a signal. False on a failure, which it reports.
static bool esperar(long long fin, bool con_entrada, bool* puerto, bool* entrada) {
    struct pollfd fds[2] = {{con_entrada ? STDIN_FILENO : -1, POLLIN, 0}, {hSerial, POLLIN, 0}};
    struct timespec plazo = {0, 0};
    if (fin != 0) {
        long long resto = fin - ahora_ms();
        if (resto > 0) plazo = {(time_t)(resto / 1000), (long)(resto % 1000 * 1000000)};
    }
    int r = ppoll(fds, 2, fin != 0 ? &plazo : nullptr, &espera);
    *entrada = r > 0 && fds[0].revents != 0;
    *puerto = r > 0 && fds[1].revents != 0;
    if (r < 0 && errno != EINTR) {
        perror("consola: poll");
        return false;
    }
    return true;
}

// >0 bytes read, 0 at end of input or on a failure, -1 when nothing is there yet.
static int tomar_entrada(char* bytes, int n) {
    ssize_t k = read(STDIN_FILENO, bytes, (size_t)n);
    if (k > 0) return (int)k;
    return k < 0 && (errno == EINTR || errno == EAGAIN) ? -1 : 0;
}
#endif

static bool escribir_todo(int fd, const char* bytes, int n) {
    while (n > 0) {
        int k = (int)write(fd, bytes, (unsigned)n);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        bytes += k, n -= k;
    }
    return true;
}

// Copies what the port holds. ReadSerie() doesn't tell how many bytes it
// brought, so it is asked for one at a time: such a read ends as soon as its byte is in.
static int del_puerto(int salida, const char* nombre) {
    char bytes[kBloque];
    int n = 0;
    do {
        int r = ReadSerie(hSerial, &bytes[n], 1);
        if (r == -1) {
            fprintf(stderr, "consola: cannot read %s\n", nombre);
            return 1;
        }
        if (r == -2) break;
        n++;
    } while (n < kBloque && hay_mas_en_puerto());
    if (!escribir_todo(salida, bytes, n)) {
        fprintf(stderr, "consola: cannot write standard output\n");
        return 1;
    }
    return 0;
}

// The loop; returns the exit status. After end of input the port is copied for
// kEsperaFinal ms more, so that the answer to the last bytes sent still gets out.
static int copiar(int salida, const char* nombre) {
    long long fin = 0; // end of the final wait, ms; 0 while input lasts
    while (!fin_pedido) {
        if (fin != 0 && ahora_ms() >= fin) return 0;
        bool puerto = false, entrada = false;
        if (!esperar(fin, fin == 0, &puerto, &entrada)) return 1;
        if (puerto) {
            int estado = del_puerto(salida, nombre);
            if (estado != 0) return estado;
        }
        if (entrada && fin == 0) {
            char bytes[kBloque];
            int n = tomar_entrada(bytes, kBloque);
            if (n > 0) WriteSerie(hSerial, bytes, n); // a failed write is reported by the helper
            if (n == 0) fin = ahora_ms() + kEsperaFinal;
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
    preparar(salida);

    MODEMDEVICE = argv[1];
    if (IniRs232() != 0) {
        CloseRs232(); // a port whose settings could not be read is still open
        fprintf(stderr, "consola: cannot open %s: %s\n", argv[1], TextoErrorRs232());
        return 1;
    }
    empezar_entrada();
    int estado = copiar(salida, argv[1]);
    CloseRs232();
    return estado;
}
