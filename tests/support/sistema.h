// Test support: what the tests ask of the operating system, the same on POSIX
// systems and on Windows: environment variables, and the one way the tests
// start a program (Programa): in a folder, its standard output in a file, or
// its three streams on pipes, or (POSIX) in a pseudo-terminal; then waited for
// with a time limit, asked to quit as its user would, or killed.
#ifndef TESTS_SUPPORT_SISTEMA_H
#define TESTS_SUPPORT_SISTEMA_H

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace testsupport {

// Sets an environment variable for this process and the programs it starts;
// a null value takes it out.
inline void set_env(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    value ? setenv(name, value, 1) : unsetenv(name);
#endif
}

// What a program wrote to the file `path`, its lines ending in '\n': on Windows
// the C library ends a text stream's lines with "\r\n".
inline std::string salida(const std::string& path) {
    std::string s = read_file(path), t;
    for (size_t i = 0; i < s.size(); i++)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) t += s[i];
    return t;
}

using Entorno = std::vector<std::pair<const char*, const char*>>; // name, value or null

// A program asked to quit needs a video driver that takes the request: SIGTERM
// reaches any (SDL turns it into a quit event), while Windows has no such
// signal, and there the request is the window's close: a real window.
#ifdef _WIN32
constexpr const char* kDriverQueSePuedeCerrar = nullptr; // SDL's default, GDI
#else
constexpr const char* kDriverQueSePuedeCerrar = "dummy";
#endif

// One end of a pipe, a terminal or a serial line, read and written without
// waiting.
#ifdef _WIN32
typedef HANDLE Tubo;
const Tubo kCerrado = INVALID_HANDLE_VALUE;
inline void cerrar(Tubo* t) {
    if (*t != kCerrado) CloseHandle(*t);
    *t = kCerrado;
}
// Sends what the other end takes now and drops it from `s`.
inline void mandar(Tubo t, std::string* s) {
    DWORD k = 0;
    if (t != kCerrado && !s->empty() && WriteFile(t, s->data(), (DWORD)s->size(), &k, nullptr))
        s->erase(0, k);
}
// Adds what has arrived to `s`. A pipe's read waits for a byte, so a pipe is
// read only as far as it holds; a COM port's reads return at once.
inline void tomar(Tubo t, std::string* s) {
    char b[4096];
    DWORD hay = sizeof b, k = 0;
    bool tubo = t != kCerrado && GetFileType(t) == FILE_TYPE_PIPE;
    while (t != kCerrado &&
           (!tubo || (PeekNamedPipe(t, nullptr, 0, nullptr, &hay, nullptr) && hay)) &&
           ReadFile(t, b, hay < sizeof b ? hay : sizeof b, &k, nullptr) && k > 0)
        s->append(b, k);
}
#else
typedef int Tubo;
const Tubo kCerrado = -1;
inline void cerrar(Tubo* t) {
    if (*t >= 0) close(*t);
    *t = kCerrado;
}
inline void mandar(Tubo t, std::string* s) {
    ssize_t k = t < 0 || s->empty() ? 0 : write(t, s->data(), s->size());
    if (k > 0) s->erase(0, (size_t)k);
}
inline void tomar(Tubo t, std::string* s) {
    char b[4096];
    for (ssize_t k; t >= 0 && (k = read(t, b, sizeof b)) > 0;) s->append(b, (size_t)k);
}
#endif

// One run of a program. How it ended: `codigo` is its exit status, unless
// `senal` says which signal ended it. A run still going when its Programa
// goes is killed.
class Programa {
  public:
    int codigo = -1, senal = 0;
    // With pipes: its standard input, output and error, and our copy of the
    // end its input is read from (what it left unread). In a terminal,
    // `salida` is the terminal's other end.
    Tubo entrada = kCerrado, salida = kCerrado, errores = kCerrado, resto = kCerrado;

    Programa() = default;
    Programa(const Programa&) = delete;
    Programa& operator=(const Programa&) = delete;
    ~Programa() { matar(); }

    // Starts `exe` in `dir` with its standard output in the file `archivo`,
    // and its standard error in `archivo`.err, and the environment changed as
    // `entorno` says; false when it cannot.
    bool lanzar(const std::string& exe, const std::string& dir, const std::string& archivo,
                const Entorno& entorno = {}) {
        return empezar(exe, {}, dir, entorno, ARCHIVO, archivo);
    }
    // Starts `exe` with `args`, its three standard streams on pipes.
    bool lanzar_con_tubos(const std::string& exe, const std::vector<std::string>& args = {},
                          const std::string& dir = "", const Entorno& entorno = {}) {
        return empezar(exe, args, dir, entorno, TUBOS, "");
    }
#ifndef _WIN32
    // Starts `exe` in a new pseudo-terminal, as from a shell.
    bool lanzar_en_terminal(const std::string& exe, const std::string& dir,
                            const Entorno& entorno) {
        return empezar(exe, {}, dir, entorno, TERMINAL, "");
    }
    pid_t pid() const { return pid_; }
    void enviar(int s) { kill(pid_, s); }
#endif

    // Waits up to `ms` milliseconds for the program to end: true when it did.
    bool esperar(int ms) {
#ifdef _WIN32
        if (!proceso_ || WaitForSingleObject(proceso_, (DWORD)ms) != WAIT_OBJECT_0) return false;
        DWORD c = 0;
        GetExitCodeProcess(proceso_, &c);
        codigo = (int)c;
        CloseHandle(proceso_);
        proceso_ = nullptr;
        return true;
#else
        for (int t = 0; pid_ > 0; t += 10) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                codigo = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                senal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
                pid_ = -1;
                return true;
            }
            if (t >= ms) return false;
            usleep(10000);
        }
        return false;
#endif
    }

    // Asks the program to quit as a user does: SIGTERM, or on Windows a close
    // request to each of its windows.
    void pedir_fin() {
#ifdef _WIN32
        EnumWindows(cerrar_si_es_suya, (LPARAM)id_);
#else
        enviar(SIGTERM);
#endif
    }

    void matar() {
#ifdef _WIN32
        if (proceso_) TerminateProcess(proceso_, 1);
        if (proceso_) esperar(5000);
#else
        if (pid_ > 0) kill(pid_, SIGKILL), esperar(5000);
#endif
        for (Tubo* t : {&entrada, &salida, &errores, &resto}) cerrar(t);
    }

  private:
    enum Flujos { ARCHIVO, TUBOS, TERMINAL };

#ifdef _WIN32
    HANDLE proceso_ = nullptr;
    DWORD id_ = 0;

    static std::string barras(std::string ruta) {
        for (char& c : ruta)
            if (c == '/') c = '\\';
        return ruta;
    }
    static BOOL CALLBACK cerrar_si_es_suya(HWND w, LPARAM id) {
        DWORD suyo = 0;
        GetWindowThreadProcessId(w, &suyo);
        if (suyo == (DWORD)id) PostMessageA(w, WM_CLOSE, 0, 0);
        return TRUE;
    }

    bool empezar(const std::string& exe, const std::vector<std::string>& args,
                 const std::string& dir, const Entorno& entorno, Flujos flujos,
                 const std::string& archivo) {
        matar();
        codigo = -1, senal = 0;
        std::string linea = "\"" + barras(exe) + "\"";
        for (const std::string& a : args) linea += " \"" + a + "\"";
        SECURITY_ATTRIBUTES heredable = {sizeof heredable, nullptr, TRUE};
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        HANDLE suyos[3] = {kCerrado, kCerrado, kCerrado}; // the ends it inherits
        if (flujos == ARCHIVO) {
            for (int i : {1, 2})
                suyos[i] = CreateFileA((archivo + (i == 2 ? ".err" : "")).c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ, &heredable, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
            si.hStdOutput = suyos[1], si.hStdError = suyos[2];
            if (suyos[1] == kCerrado || suyos[2] == kCerrado) return false;
        } else {
            HANDLE in[2], out[2], err[2]; // read end, write end
            for (HANDLE* p : {in, out, err})
                if (!CreatePipe(&p[0], &p[1], &heredable, 1 << 16)) return false;
            for (HANDLE h : {in[1], out[0], err[0]})
                SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
            si.hStdInput = in[0], si.hStdOutput = out[1], si.hStdError = err[1];
            suyos[1] = out[1], suyos[2] = err[1];
            entrada = in[1], salida = out[0], errores = err[0], resto = in[0];
        }
        std::vector<std::pair<const char*, std::string>> antes;
        for (const auto& e : entorno) {
            const char* v = getenv(e.first);
            antes.push_back({e.first, v ? v : ""});
            set_env(e.first, e.second);
        }
        PROCESS_INFORMATION pi = {};
        bool hecho = CreateProcessA(nullptr, &linea[0], nullptr, nullptr, TRUE, 0, nullptr,
                                    dir.empty() ? nullptr : barras(dir).c_str(), &si, &pi);
        for (const auto& a : antes) set_env(a.first, a.second.empty() ? nullptr : a.second.c_str());
        for (HANDLE& h : suyos) cerrar(&h);
        if (!hecho) return false;
        CloseHandle(pi.hThread);
        proceso_ = pi.hProcess;
        id_ = pi.dwProcessId;
        return true;
    }
#else
    pid_t pid_ = -1;

    bool empezar(const std::string& exe, const std::vector<std::string>& args,
                 const std::string& dir, const Entorno& entorno, Flujos flujos,
                 const std::string& archivo) {
        matar();
        codigo = -1, senal = 0;
        int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
        if (flujos == TUBOS && (pipe(in) || pipe(out) || pipe(err))) return false;
        std::vector<const char*> argv = {exe.c_str()};
        for (const std::string& a : args) argv.push_back(a.c_str());
        argv.push_back(nullptr);
        int terminal = -1;
        pid_ = flujos == TERMINAL ? forkpty(&terminal, nullptr, nullptr, nullptr) : fork();
        if (pid_ == 0) {
            if (flujos == TUBOS) dup2(in[0], 0), dup2(out[1], 1), dup2(err[1], 2);
            if (flujos == ARCHIVO && (!freopen(archivo.c_str(), "w", stdout) ||
                                      !freopen((archivo + ".err").c_str(), "w", stderr)))
                _exit(127);
            closefrom(3); // a pipe's or a line's end held here would keep it open
            if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(127);
            for (const auto& e : entorno) set_env(e.first, e.second);
            execvp(exe.c_str(), (char* const*)argv.data()); // a bare name is looked up in PATH
            _exit(127);
        }
        for (int fd : {out[1], err[1]})
            if (fd >= 0) close(fd);
        entrada = in[1], salida = flujos == TERMINAL ? terminal : out[0], errores = err[0],
        resto = in[0];
        for (int fd : {entrada, salida, errores, resto})
            if (fd >= 0) fcntl(fd, F_SETFL, O_NONBLOCK);
        return pid_ > 0;
    }
#endif
};

// Runs `exe` with `args` to its end, within `ms` milliseconds, and gives its
// exit status (-1: it ran on and was killed, or a signal ended it), with what
// it wrote to its standard output added to `*salida`.
inline int correr(const std::string& exe, const std::vector<std::string>& args,
                  std::string* salida = nullptr, int ms = 60000) {
    Programa p;
    std::string leido, errores; // both read, so that neither pipe fills and stops it
    if (!p.lanzar_con_tubos(exe, args)) return -1;
    cerrar(&p.entrada);
    bool acabado = false;
    for (int t = 0; !acabado && t <= ms; t += 10) {
        tomar(p.salida, &leido), tomar(p.errores, &errores);
        acabado = p.esperar(10);
    }
    tomar(p.salida, &leido);
    if (salida) *salida += leido;
    return acabado && p.senal == 0 ? p.codigo : -1;
}

} // namespace testsupport

#endif
