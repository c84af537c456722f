// One start of a program under an X server, measured from outside: the time
// from exec to its top-level window being mapped, to the first frame with
// something drawn in it (the window no longer one flat colour), to the first
// frame equal to a reference (the program's settled frame, saved by an
// earlier start), the resident memory one second after the map, and the
// processor time and wake-ups of every thread over an idle period.
// bench/startup.sh runs it many times.
// usage: medir_arranque [-v] [-i IDLE_S] [-g SAVE.ppm] [-r REFERENCE.ppm] PROGRAM [ARG...]
//   -v  one more line per thread        -i  idle period in seconds (10; 0: none)
//   -g  saves the frame shown one second after the map (a binary PPM)
//   -r  frame_ms is the first time the window shows exactly that PPM
// DISPLAY names the server. Prints one line of name=value figures.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/support/files.h"

namespace {

const double ESPERA_MAPA_S = 10;   // give up on a window that never maps
const double ESPERA_DIBUJO_S = 1;  // frames looked for until this long after the map
const double RETRASO_RSS_S = 1;    // resident memory is read this long after the map
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

// The program's own window in w: the first one, breadth first, that carries
// a WM_CLASS (w itself when no window manager framed it); 0 when none does.
Window cliente(Display* d, Window w) {
    std::deque<Window> cola = {w};
    while (!cola.empty()) {
        Window v = cola.front();
        cola.pop_front();
        XClassHint clase;
        error_x = 0;
        if (XGetClassHint(d, v, &clase)) {
            XFree(clase.res_name);
            XFree(clase.res_class);
            return v;
        }
        Window raiz, padre, *hijos = nullptr;
        unsigned n = 0;
        if (XQueryTree(d, v, &raiz, &padre, &hijos, &n)) {
            for (unsigned i = 0; i < n; i++) cola.push_back(hijos[i]);
            if (hijos) XFree(hijos);
        }
    }
    XSync(d, False);
    return 0;
}

// The program's window in the next top-level window to be mapped: a child of
// the root that is not an override-redirect one (a menu, SDL 1.2's hidden
// full-screen window), under a window manager the frame around it. Waits
// until the limit (0: only what has arrived); 0 when none came.
Window siguiente_mapa(Display* d, double limite) {
    int fd = ConnectionNumber(d);
    do {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type != MapNotify || e.xmap.override_redirect) continue;
            if (Window w = cliente(d, e.xmap.window)) return w;
        }
        pollfd p = {fd, POLLIN, 0};
        if (limite) poll(&p, 1, 5);
    } while (ahora() < limite);
    return 0;
}

// A frame as 8-bit red, green and blue bytes, row after row.
struct Cuadro {
    int ancho = 0, alto = 0;
    std::vector<unsigned char> rgb;
    bool operator==(const Cuadro& o) const {
        return ancho == o.ancho && alto == o.alto && rgb == o.rgb;
    }
};

int desplazamiento(unsigned long mascara) {
    int s = 0;
    while (mascara && !(mascara & 1)) mascara >>= 1, s++;
    return s;
}

// The window's pixels now; false when it cannot be read.
bool leer_cuadro(Display* d, Window w, int ancho, int alto, Cuadro& c) {
    error_x = 0;
    XImage* img = XGetImage(d, w, 0, 0, ancho, alto, AllPlanes, ZPixmap);
    XSync(d, False);
    if (!img || error_x) {
        if (img) XDestroyImage(img);
        return false;
    }
    const unsigned long m[3] = {img->red_mask, img->green_mask, img->blue_mask};
    const int s[3] = {desplazamiento(m[0]), desplazamiento(m[1]), desplazamiento(m[2])};
    c.ancho = ancho, c.alto = alto;
    c.rgb.resize((size_t)ancho * alto * 3);
    unsigned char* p = c.rgb.data();
    for (int y = 0; y < alto; y++)
        for (int x = 0; x < ancho; x++) {
            unsigned long v = XGetPixel(img, x, y);
            for (int k = 0; k < 3; k++) *p++ = (unsigned char)((v & m[k]) >> s[k]);
        }
    XDestroyImage(img);
    return true;
}

bool varios_colores(const Cuadro& c) {
    for (size_t i = 3; i < c.rgb.size(); i += 3)
        if (memcmp(&c.rgb[i], &c.rgb[0], 3) != 0) return true;
    return false;
}

bool guardar_ppm(const std::string& ruta, const Cuadro& c) {
    FILE* f = fopen(ruta.c_str(), "wb");
    if (!f) return false;
    fprintf(f, "P6\n%d %d\n255\n", c.ancho, c.alto);
    bool bien = fwrite(c.rgb.data(), 1, c.rgb.size(), f) == c.rgb.size();
    return fclose(f) == 0 && bien;
}

// Reads what guardar_ppm wrote (no comments in the header).
bool leer_ppm(const std::string& ruta, Cuadro& c) {
    std::string s = testsupport::read_file(ruta);
    int maximo = 0, n = 0;
    if (sscanf(s.c_str(), "P6 %d %d %d%n", &c.ancho, &c.alto, &maximo, &n) != 3 || maximo != 255)
        return false;
    size_t bytes = (size_t)c.ancho * c.alto * 3;
    if (c.ancho <= 0 || c.alto <= 0 || s.size() < (size_t)n + 1 + bytes) return false;
    c.rgb.assign(s.begin() + n + 1, s.begin() + n + 1 + bytes);
    return true;
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

// "none" or the milliseconds from t0 to t.
std::string ms_desde(double t0, double t) {
    char s[32] = "none";
    if (t > 0) snprintf(s, sizeof s, "%.1f", (t - t0) * 1e3);
    return s;
}

int uso() {
    fprintf(stderr, "usage: medir_arranque [-v] [-i IDLE_S] [-g SAVE.ppm] [-r REFERENCE.ppm] "
                    "PROGRAM [ARG...]\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    bool detalle = false;
    double reposo = 10;
    std::string guardar, referencia;
    int opcion;
    while ((opcion = getopt(argc, argv, "+vi:g:r:")) != -1) {
        switch (opcion) {
        case 'v': detalle = true; break;
        case 'i': reposo = atof(optarg); break;
        case 'g': guardar = optarg; break;
        case 'r': referencia = optarg; break;
        default: return uso();
        }
    }
    if (optind >= argc) return uso();
    Cuadro esperado;
    if (!referencia.empty() && !leer_ppm(referencia, esperado)) {
        fprintf(stderr, "medir_arranque: %s is no frame saved by -g\n", referencia.c_str());
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
        execvp(argv[optind], argv + optind);
        _exit(127);
    }
    Window w = siguiente_mapa(d, t0 + ESPERA_MAPA_S);
    double t_mapa = ahora();
    if (!w) {
        fprintf(stderr, "medir_arranque: %s mapped no window\n", argv[optind]);
        terminar(pid);
        return 1;
    }
    XWindowAttributes a;
    XGetWindowAttributes(d, w, &a);
    // The first frame not of one flat colour, and the first equal to the
    // reference: a window can show something else before its settled frame.
    double t_pintada = 0, t_cuadro = 0;
    Cuadro c;
    while (ahora() < t_mapa + ESPERA_DIBUJO_S &&
           (!t_pintada || (!referencia.empty() && !t_cuadro))) {
        // SDL 2 replaces its first window by one for OpenGL: follow the newest.
        if (Window nueva = siguiente_mapa(d, 0)) {
            w = nueva;
            XGetWindowAttributes(d, w, &a);
        }
        if (leer_cuadro(d, w, a.width, a.height, c)) {
            double t = ahora();
            if (!t_pintada && varios_colores(c)) t_pintada = t;
            if (!t_cuadro && !referencia.empty() && c == esperado) t_cuadro = t;
        }
        usleep(SONDEO_DIBUJO_US);
    }

    dormir_hasta(t_mapa + RETRASO_RSS_S);
    unsigned long long rss =
        campo(testsupport::read_file("/proc/" + std::to_string(pid) + "/status"), "VmRSS:");
    if (!guardar.empty() && !(leer_cuadro(d, w, a.width, a.height, c) && guardar_ppm(guardar, c)))
        fprintf(stderr, "medir_arranque: could not save the frame to %s\n", guardar.c_str());

    // Processor time and wake-ups of every thread over the idle period.
    std::string reposo_cifras, lineas;
    std::map<int, Hilo> despues = hilos(pid);
    if (reposo > 0) {
        std::map<int, Hilo> antes = despues;
        double t_antes = ahora();
        dormir_hasta(t_antes + reposo);
        despues = hilos(pid);
        double lapso = ahora() - t_antes;
        unsigned long long ns = 0, cambios = 0;
        for (const auto& h : despues) {
            Hilo a0 = antes.count(h.first) ? antes.at(h.first) : Hilo();
            unsigned long long dns = h.second.ns - a0.ns, dc = h.second.cambios - a0.cambios;
            ns += dns, cambios += dc;
            char linea[200];
            snprintf(linea, sizeof linea, "thread tid=%d name=%s cpu_pct=%.3f wakeups_per_s=%.1f\n",
                     h.first, h.second.nombre.c_str(), dns / 1e7 / lapso, dc / lapso);
            lineas += linea;
        }
        char s[100];
        snprintf(s, sizeof s, " cpu_pct=%.3f wakeups_per_s=%.1f", ns / 1e7 / lapso,
                 cambios / lapso);
        reposo_cifras = s;
    }
    printf("map_ms=%.1f paint_ms=%s frame_ms=%s rss_kb=%llu%s threads=%zu size=%dx%d\n",
           (t_mapa - t0) * 1e3, ms_desde(t0, t_pintada).c_str(), ms_desde(t0, t_cuadro).c_str(),
           rss, reposo_cifras.c_str(), despues.size(), a.width, a.height);
    if (detalle) fputs(lineas.c_str(), stdout);
    terminar(pid);
    XCloseDisplay(d);
    return 0;
}
