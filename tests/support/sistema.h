// Test support: what the tests ask of the operating system, the same on POSIX
// systems and on Windows: environment variables, and a program started in a
// folder with its standard output in a file, waited for with a time limit,
// asked to quit as its user would, or killed.
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

// One run of a program. How it ended: `codigo` is its exit status, unless
// `senal` says which signal ended it.
class Programa {
  public:
    int codigo = -1, senal = 0;

    // Starts `exe` in `dir` with its standard output in the file `salida`
    // and the environment changed as `entorno` says; false when it cannot.
    bool lanzar(const std::string& exe, const std::string& dir, const std::string& salida,
                const Entorno& entorno = {}) {
#ifdef _WIN32
        std::vector<std::pair<const char*, std::string>> antes;
        for (const auto& e : entorno) {
            const char* v = getenv(e.first);
            antes.push_back({e.first, v ? v : ""});
            set_env(e.first, e.second);
        }
        std::string linea = "\"" + barras(exe) + "\"";
        SECURITY_ATTRIBUTES heredable = {sizeof heredable, nullptr, TRUE};
        HANDLE out = CreateFileA(salida.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &heredable,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = out;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION pi = {};
        bool hecho = out != INVALID_HANDLE_VALUE &&
                     CreateProcessA(nullptr, &linea[0], nullptr, nullptr, TRUE, 0, nullptr,
                                    barras(dir).c_str(), &si, &pi);
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        for (const auto& a : antes) set_env(a.first, a.second.empty() ? nullptr : a.second.c_str());
        if (!hecho) return false;
        CloseHandle(pi.hThread);
        proceso_ = pi.hProcess;
        id_ = pi.dwProcessId;
        return true;
#else
        pid_ = fork();
        if (pid_ == 0) {
            if (chdir(dir.c_str()) != 0 || !freopen(salida.c_str(), "w", stdout)) _exit(127);
            for (const auto& e : entorno) set_env(e.first, e.second);
            execl(exe.c_str(), exe.c_str(), (char*)nullptr);
            _exit(127);
        }
        return pid_ > 0;
#endif
    }

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
        for (int t = 0;; t += 10) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                codigo = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                senal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
                return true;
            }
            if (t >= ms) return false;
            usleep(10000);
        }
#endif
    }

    // Asks the program to quit as a user does: SIGTERM, or on Windows a close
    // request to each of its windows.
    void pedir_fin() {
#ifdef _WIN32
        EnumWindows(cerrar_si_es_suya, (LPARAM)id_);
#else
        kill(pid_, SIGTERM);
#endif
    }

    void matar() {
#ifdef _WIN32
        if (proceso_) TerminateProcess(proceso_, 1);
#else
        kill(pid_, SIGKILL);
#endif
        esperar(5000);
    }

  private:
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
#else
    pid_t pid_ = -1;
#endif
};

} // namespace testsupport

#endif
