// Tests of the serial console example: consola runs as a child process with
// pipes for its standard streams, on one end of a serial line whose far end
// the test plays (tests/serial/extremo.h: a pseudo-terminal, or under Wine two
// COM ports that socat joins). Start at the fixture, whose system part starts
// consola and waits; bombear() moves bytes all ways at once so that no side
// blocks another.
#include "tests/serial/extremo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using Reloj = std::chrono::steady_clock;

// Every byte value, `vueltas` times, ascending or descending.
static std::string todos_los_bytes(int vueltas, bool subiendo) {
    std::string s;
    for (int v = 0; v < vueltas; v++)
        for (int b = 0; b < 256; b++) s += (char)(subiendo ? b : 255 - b);
    return s;
}

#ifdef _WIN32
typedef HANDLE Tubo; // one end of a pipe
static const Tubo kCerrado = INVALID_HANDLE_VALUE;

static void cerrar(Tubo* t) {
    if (*t != kCerrado) CloseHandle(*t);
    *t = kCerrado;
}

static void mandar(Tubo t, std::string* s) {
    DWORD k = 0;
    if (t != kCerrado && !s->empty() && WriteFile(t, s->data(), (DWORD)s->size(), &k, nullptr))
        s->erase(0, k);
}

// What the pipe holds, without waiting.
static void tomar(Tubo t, std::string* s) {
    char b[4096];
    DWORD hay = 0, k = 0;
    while (t != kCerrado && PeekNamedPipe(t, nullptr, 0, nullptr, &hay, nullptr) && hay > 0 &&
           ReadFile(t, b, hay < sizeof b ? hay : sizeof b, &k, nullptr) && k > 0)
        s->append(b, k);
}
#else
typedef int Tubo; // one end of a pipe
static const Tubo kCerrado = -1;

static void cerrar(Tubo* t) {
    if (*t >= 0) close(*t);
    *t = kCerrado;
}

static void mandar(int fd, std::string* s) {
    if (fd < 0 || s->empty()) return;
    ssize_t k = write(fd, s->data(), s->size());
    if (k > 0) s->erase(0, (size_t)k);
}

static void tomar(int fd, std::string* s) {
    char b[4096];
    ssize_t k;
    while (fd >= 0 && (k = read(fd, b, sizeof b)) > 0) s->append(b, (size_t)k);
}
#endif

class Consola : public testing::Test {
  protected:
    Extremo puerto; // the far end of consola's line; consola opens puerto.nombre
    Tubo entrada = kCerrado, salida = kCerrado,
         errores = kCerrado;         // consola's stdin, stdout, stderr
    Tubo resto = kCerrado;           // our copy of the end consola reads its stdin from
    std::string a_entrada, a_puerto; // still to be sent
    std::string leido_salida, leido_errores, leido_puerto;

    void SetUp() override {
        if (!puerto.abrir()) GTEST_SKIP() << Extremo::kSinLinea;
    }

    void TearDown() override {
        matar();
        for (Tubo* t : {&entrada, &salida, &errores, &resto}) cerrar(t);
        puerto.cerrar();
    }

#ifdef _WIN32
    PROCESS_INFORMATION hijo = {};

    void arrancar(std::vector<const char*> args) {
        std::string orden = "\"" CONSOLA_EXE "\"";
        for (const char* a : args) orden += " \"" + std::string(a) + "\"";
        SECURITY_ATTRIBUTES heredable = {sizeof heredable, nullptr, TRUE};
        HANDLE in[2], out[2], err[2]; // read end, write end
        for (HANDLE* p : {in, out, err}) ASSERT_TRUE(CreatePipe(&p[0], &p[1], &heredable, 1 << 16));
        for (HANDLE h : {in[1], out[0], err[0]}) SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = in[0], si.hStdOutput = out[1], si.hStdError = err[1];
        ASSERT_TRUE(CreateProcessA(nullptr, &orden[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                   &si, &hijo))
            << orden;
        for (HANDLE h : {out[1], err[1]}) CloseHandle(h);
        entrada = in[1], salida = out[0], errores = err[0], resto = in[0];
    }

    void esperar_un_poco() { Sleep(1); }

    bool terminado(int* estado) {
        DWORD codigo = 0;
        if (!hijo.hProcess || WaitForSingleObject(hijo.hProcess, 0) != WAIT_OBJECT_0) return false;
        GetExitCodeProcess(hijo.hProcess, &codigo);
        *estado = (int)codigo;
        CloseHandle(hijo.hProcess), CloseHandle(hijo.hThread);
        hijo = {};
        return true;
    }

    void matar() {
        if (!hijo.hProcess) return;
        TerminateProcess(hijo.hProcess, 99);
        WaitForSingleObject(hijo.hProcess, INFINITE);
        CloseHandle(hijo.hProcess), CloseHandle(hijo.hThread);
        hijo = {};
    }
#else
    pid_t pid = -1;

    void arrancar(std::vector<const char*> args) {
        int in[2], out[2], err[2];
        ASSERT_EQ(0, pipe(in));
        ASSERT_EQ(0, pipe(out));
        ASSERT_EQ(0, pipe(err));
        args.insert(args.begin(), CONSOLA_EXE);
        args.push_back(nullptr);
        pid = fork();
        if (pid == 0) {
            dup2(in[0], 0), dup2(out[1], 1), dup2(err[1], 2);
            for (int fd :
                 {in[0], in[1], out[0], out[1], err[0], err[1], puerto.master, puerto.slave})
                close(fd);
            execv(CONSOLA_EXE, (char* const*)args.data());
            _exit(127);
        }
        close(out[1]), close(err[1]);
        entrada = in[1], salida = out[0], errores = err[0], resto = in[0];
        for (int fd : {entrada, salida, errores, resto}) fcntl(fd, F_SETFL, O_NONBLOCK);
    }

    void esperar_un_poco() {
        struct pollfd p[4] = {
            {entrada, (short)(a_entrada.empty() ? 0 : POLLOUT), 0},
            {puerto.master, (short)(POLLIN | (a_puerto.empty() ? 0 : POLLOUT)), 0},
            {salida, POLLIN, 0},
            {errores, POLLIN, 0}};
        poll(p, 4, 10);
    }

    // 1000 + the signal if one killed it.
    bool terminado(int* estado) {
        int e = 0;
        if (waitpid(pid, &e, WNOHANG) != pid) return false;
        pid = -1;
        *estado = WIFEXITED(e) ? WEXITSTATUS(e) : 1000 + WTERMSIG(e);
        return true;
    }

    void matar() {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
#endif

    // Moves bytes every way until `listo` holds or `ms` pass; false on time out.
    template <class F> bool bombear(F listo, int ms = 5000) {
        auto fin = Reloj::now() + std::chrono::milliseconds(ms);
        while (!listo()) {
            if (Reloj::now() > fin) return false;
            esperar_un_poco();
            mandar(entrada, &a_entrada);
            puerto.mandar(&a_puerto);
            puerto.tomar(&leido_puerto);
            tomar(salida, &leido_salida);
            tomar(errores, &leido_errores);
        }
        return true;
    }

    // The port is raw once the helpers have printed their YES-- line.
    bool esperar_puerto() {
        return bombear([&] { return leido_errores.find("YES-- ") != std::string::npos; });
    }

    void cerrar_entrada() { cerrar(&entrada); }

    // consola's exit status; -1 if it runs on past `ms`.
    int estado_final(int ms = 5000) {
        int estado = -1;
        if (!bombear([&] { return terminado(&estado); }, ms)) return -1;
        tomar(salida, &leido_salida);
        tomar(errores, &leido_errores);
        return estado;
    }
};

TEST_F(Consola, CopiesEveryByteValueBothWaysAndKeepsTracesOffTheOutput) {
    const std::string hacia_puerto = todos_los_bytes(16, true);
    const std::string desde_puerto = todos_los_bytes(16, false);
    arrancar({puerto.nombre.c_str()});
    ASSERT_TRUE(esperar_puerto()) << leido_errores;
    a_entrada = hacia_puerto;
    a_puerto = desde_puerto;
    ASSERT_TRUE(bombear([&] {
        return leido_puerto.size() >= hacia_puerto.size() &&
               leido_salida.size() >= desde_puerto.size();
    })) << leido_puerto.size()
        << " bytes reached the port, " << leido_salida.size() << " the output; " << leido_errores;
    cerrar_entrada();
    EXPECT_EQ(0, estado_final()) << leido_errores;
    EXPECT_TRUE(leido_puerto == hacia_puerto);
    EXPECT_TRUE(leido_salida == desde_puerto);
}

TEST_F(Consola, AnswerArrivingRightAfterEndOfInputStillReachesTheOutput) {
    arrancar({puerto.nombre.c_str()});
    ASSERT_TRUE(esperar_puerto()) << leido_errores;
    a_entrada = "AT\r";
    ASSERT_TRUE(bombear([&] { return a_entrada.empty(); }));
    cerrar_entrada();
    ASSERT_TRUE(bombear([&] { return leido_puerto == "AT\r"; })) << leido_puerto;
    std::this_thread::sleep_for(
        std::chrono::milliseconds(100)); // consola has seen the end of input by now
    a_puerto = "OK\r\n";
    auto t0 = Reloj::now();
    EXPECT_EQ(0, estado_final());
    EXPECT_EQ("OK\r\n", leido_salida);
    EXPECT_LT(Reloj::now() - t0, std::chrono::seconds(2))
        << "the wait after end of input is not short";
}

TEST_F(Consola, CtrlCEndsWithStatusZeroAndGivesThePortBack) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine gives a program started without a terminal no console, so no Ctrl+C "
                    "can reach it (AllocConsole and GenerateConsoleCtrlEvent fail)";
#else
    int exclusivo = 0;
    arrancar({puerto.nombre.c_str()});
    ASSERT_TRUE(esperar_puerto()) << leido_errores;
    ASSERT_EQ(0, ioctl(puerto.slave, TIOCGEXCL, &exclusivo));
    ASSERT_EQ(1, exclusivo) << "the port should be held exclusively while consola runs";
    kill(pid, SIGINT);
    EXPECT_EQ(0, estado_final(2000));
    ASSERT_EQ(0, ioctl(puerto.slave, TIOCGEXCL, &exclusivo));
    EXPECT_EQ(0, exclusivo) << "the port was not closed through CloseRs232";
    EXPECT_EQ("", leido_salida);
#endif
}

TEST_F(Consola, LostDeviceEndsWithStatusOneAndSaysSo) {
    if (!Extremo::puede_colgar()) GTEST_SKIP() << Extremo::kNoCuelga;
    arrancar({puerto.nombre.c_str()});
    ASSERT_TRUE(esperar_puerto()) << leido_errores;
    puerto.colgar();
    EXPECT_EQ(1, estado_final(2000));
    EXPECT_NE(std::string::npos, leido_errores.find("consola: cannot read " + puerto.nombre))
        << leido_errores;
}

TEST_F(Consola, WrongUseEndsWithItsStatusAndAMessageNamingTheCause) {
    std::string fichero =
        (std::filesystem::temp_directory_path() / "consola-no-terminal-XXXXXX").string();
    int fd = mkstemp(&fichero[0]);
    ASSERT_GE(fd, 0);
    close(fd);
    const struct {
        std::vector<const char*> args;
        int estado;
        std::string mensaje;
    } casos[] = {
        {{}, 2, "usage: consola DEVICE"},
        {{"/dev/tty0", "/dev/tty1"}, 2, "usage: consola DEVICE"},
        {{"/no/such/device"}, 1, "consola: cannot open /no/such/device"},
        {{fichero.c_str()}, 1, "consola: cannot open " + fichero},
    };
    // What is typed while it fails is left to whoever reads the input next.
    for (const auto& c : casos) {
        leido_salida.clear(), leido_errores.clear();
        std::string tecleado = "AT\r", sin_leer;
        arrancar(c.args);
        mandar(entrada, &tecleado);
        EXPECT_EQ(c.estado, estado_final()) << c.mensaje;
        EXPECT_NE(std::string::npos, leido_errores.find(c.mensaje)) << leido_errores;
        EXPECT_EQ("", leido_salida) << c.mensaje;
        tomar(resto, &sin_leer);
        EXPECT_EQ("AT\r", sin_leer) << c.mensaje << ": consola read its input";
        for (Tubo* t : {&entrada, &salida, &errores, &resto}) cerrar(t);
    }
    std::filesystem::remove(fichero);
}
