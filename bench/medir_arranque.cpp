// One start of a program under an X server, measured from outside: the time
// from exec to its top-level window being mapped, to the first frame with
// something drawn in it (the window no longer one flat colour), the resident
// memory one second after the map, and the processor time and wake-ups of
// every thread over 10 idle seconds. bench/startup.sh runs it many times.
// usage: medir_arranque [-v] PROGRAM [ARG...]   (DISPLAY names the server)
// Prints one line of name=value figures; -v adds one line per thread.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/files.h"

namespace {

const double ESPERA_MAPA_S = 10;   // give up on a window that never maps
const double ESPERA_DIBUJO_S = 1;  // a window still one flat colour by then: "none"
const double RETRASO_RSS_S = 1;    // resident memory is read this long after the map
const double REPOSO_S = 10;        // idle period for processor time and wake-ups
const int SONDEO_DIBUJO_US = 2000; // between two looks at the window's pixels

double ahora() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

void dormir_hasta(double t) {
    double d = t - ahora();
    if (d > 0) usleep((useconds_t)(d * 1e6));
}

int error_x = 0;
int anotar_error_x(Display*, XErrorEvent* e) {
    error_x = e->error_code;
    return 0;
}

// The first top-level window (a child of the root that is not an override-
// redirect one such as a menu or SDL's hidden full-screen window) to be mapped.
Window esperar_mapa(Display* d, double limite) {
    int fd = ConnectionNumber(d);
    while (ahora() < limite) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == MapNotify && !e.xmap.override_redirect) return e.xmap.window;
        }
        pollfd p = {fd, POLLIN, 0};
        poll(&p, 1, 5);
    }
    return 0;
}

// True once the window shows more than one colour.
bool dibujada(Display* d, Window w, int ancho, int alto) {
    error_x = 0;
    XImage* img = XGetImage(d, w, 0, 0, ancho, alto, AllPlanes, ZPixmap);
    XSync(d, False);
    if (!img || error_x) {
        if (img) XDestroyImage(img);
        return false;
    }
    unsigned long primero = XGetPixel(img, 0, 0);
    bool varios = false;
    for (int y = 0; y < alto && !varios; y++)
        for (int x = 0; x < ancho && !varios; x++) varios = XGetPixel(img, x, y) != primero;
    XDestroyImage(img);
    return varios;
}

struct Hilo {
    std::string nombre;
    unsigned long long ns = 0;      // time on a processor
    unsigned long long cambios = 0; // voluntary + involuntary context switches
};

unsigned long long campo(const std::string& status, const char* nombre) {
    size_t i = status.find(nombre);
    return i == std::string::npos ? 0 : strtoull(status.c_str() + i + strlen(nombre), nullptr, 10);
}

// Every thread of the process, from /proc/PID/task.
std::map<int, Hilo> hilos(pid_t pid) {
    std::map<int, Hilo> v;
    std::string base = "/proc/" + std::to_string(pid) + "/task/";
    DIR* dir = opendir(base.c_str());
    if (!dir) return v;
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        std::string t = base + e->d_name + "/";
        Hilo h;
        h.nombre = testsupport::read_file(t + "comm");
        if (!h.nombre.empty() && h.nombre.back() == '\n') h.nombre.pop_back();
        h.ns = strtoull(testsupport::read_file(t + "schedstat").c_str(), nullptr, 10);
        std::string status = testsupport::read_file(t + "status");
        h.cambios = campo(status, "voluntary_ctxt_switches:") +
                    campo(status, "nonvoluntary_ctxt_switches:");
        v[atoi(e->d_name)] = h;
    }
    closedir(dir);
    return v;
}

void terminar(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 300; i++) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char* argv[]) {
    int primero = 1;
    bool detalle = argc > 1 && strcmp(argv[1], "-v") == 0;
    if (detalle) primero++;
    if (argc <= primero) {
        fprintf(stderr, "usage: medir_arranque [-v] PROGRAM [ARG...]\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        fprintf(stderr, "medir_arranque: cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(anotar_error_x);
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);

    double t0 = ahora();
    pid_t pid = fork();
    if (pid == 0) {
        int nulo = open("/dev/null", O_WRONLY);
        dup2(nulo, 1);
        dup2(nulo, 2);
        execvp(argv[primero], argv + primero);
        _exit(127);
    }
    Window w = esperar_mapa(d, t0 + ESPERA_MAPA_S);
    double t_mapa = ahora();
    if (!w) {
        fprintf(stderr, "medir_arranque: %s mapped no window\n", argv[primero]);
        terminar(pid);
        return 1;
    }
    XWindowAttributes a;
    XGetWindowAttributes(d, w, &a);
    double t_dibujo = 0;
    while (ahora() < t_mapa + ESPERA_DIBUJO_S) {
        if (dibujada(d, w, a.width, a.height)) {
            t_dibujo = ahora();
            break;
        }
        usleep(SONDEO_DIBUJO_US);
    }

    dormir_hasta(t_mapa + RETRASO_RSS_S);
    unsigned long long rss =
        campo(testsupport::read_file("/proc/" + std::to_string(pid) + "/status"), "VmRSS:");
    std::map<int, Hilo> antes = hilos(pid);
    double t_antes = ahora();
    dormir_hasta(t_antes + REPOSO_S);
    std::map<int, Hilo> despues = hilos(pid);
    double lapso = ahora() - t_antes;

    unsigned long long ns = 0, cambios = 0;
    std::string lineas;
    for (const auto& h : despues) {
        Hilo a0 = antes.count(h.first) ? antes.at(h.first) : Hilo();
        unsigned long long dns = h.second.ns - a0.ns, dc = h.second.cambios - a0.cambios;
        ns += dns, cambios += dc;
        char linea[200];
        snprintf(linea, sizeof linea, "thread tid=%d name=%s cpu_pct=%.3f wakeups_per_s=%.1f\n",
                 h.first, h.second.nombre.c_str(), dns / 1e7 / lapso, dc / lapso);
        lineas += linea;
    }
    char dibujo[32] = "none";
    if (t_dibujo > 0) snprintf(dibujo, sizeof dibujo, "%.1f", (t_dibujo - t0) * 1e3);
    printf("map_ms=%.1f draw_ms=%s rss_kb=%llu cpu_pct=%.3f wakeups_per_s=%.1f threads=%zu "
           "size=%dx%d\n",
           (t_mapa - t0) * 1e3, dibujo, rss, ns / 1e7 / lapso, cambios / lapso, despues.size(),
           a.width, a.height);
    if (detalle) fputs(lineas.c_str(), stdout);
    terminar(pid);
    XCloseDisplay(d);
    return 0;
}
