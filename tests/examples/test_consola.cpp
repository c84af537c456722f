// Tests of the serial console example: consola runs as a child process on the
// slave side of a pseudo-terminal, with pipes for its standard streams, and
// the test plays the device on the master side. Start at the fixture;
// bombear() moves bytes all ways at once so that no side blocks another.
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using Reloj = std::chrono::steady_clock;

// Every byte value, `vueltas` times, ascending or descending.
static std::string todos_los_bytes(int vueltas, bool subiendo) {
    std::string s;
    for (int v = 0; v < vueltas; v++)
        for (int b = 0; b < 256; b++) s += (char)(subiendo ? b : 255 - b);
    return s;
}

class Consola : public testing::Test {
  protected:
    int master = -1, slave = -1;
    char nombre[64] = {};
    pid_t pid = -1;
    int entrada = -1, salida = -1, errores = -1; // consola's stdin, stdout, stderr
    std::string a_entrada, a_puerto;             // still to be sent
    std::string leido_salida, leido_errores, leido_puerto;

    // Software flow control off, as `stty -ixon -ixoff` would leave a real port,
    // so that XON and XOFF are data; the rest is up to consola and the helpers.
    void SetUp() override {
        ASSERT_EQ(0, openpty(&master, &slave, nombre, nullptr, nullptr));
        struct termios t;
        ASSERT_EQ(0, tcgetattr(slave, &t));
        t.c_iflag &= ~(IXON | IXOFF);
        ASSERT_EQ(0, tcsetattr(slave, TCSANOW, &t));
        fcntl(master, F_SETFL, O_NONBLOCK);
    }

    void TearDown() override {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        for (int fd : {master, slave, entrada, salida, errores})
            if (fd >= 0) close(fd);
    }

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
            for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1], master, slave}) close(fd);
            execv(CONSOLA_EXE, (char* const*)args.data());
            _exit(127);
        }
        close(in[0]), close(out[1]), close(err[1]);
        entrada = in[1], salida = out[0], errores = err[0];
        for (int fd : {entrada, salida, errores}) fcntl(fd, F_SETFL, O_NONBLOCK);
    }

    // Moves bytes every way until `listo` holds or `ms` pass; false on time out.
    template <class F> bool bombear(F listo, int ms = 5000) {
        auto fin = Reloj::now() + std::chrono::milliseconds(ms);
        while (!listo()) {
            if (Reloj::now() > fin) return false;
            struct pollfd p[4] = {{entrada, (short)(a_entrada.empty() ? 0 : POLLOUT), 0},
                                  {master, (short)(POLLIN | (a_puerto.empty() ? 0 : POLLOUT)), 0},
                                  {salida, POLLIN, 0},
                                  {errores, POLLIN, 0}};
            poll(p, 4, 10);
            mandar(entrada, &a_entrada);
            mandar(master, &a_puerto);
            tomar(master, &leido_puerto);
            tomar(salida, &leido_salida);
            tomar(errores, &leido_errores);
        }
        return true;
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

    // The port is raw once the helpers have printed their YES-- line.
    bool esperar_puerto() {
        return bombear([&] { return leido_errores.find("YES-- ") != std::string::npos; });
    }

    void cerrar_entrada() {
        close(entrada);
        entrada = -1;
    }

    // consola's exit status; -1 if it runs on past `ms`, 1000 + the signal if one killed it.
    int estado_final(int ms = 5000) {
        int estado = 0;
        bool fuera = bombear([&] { return waitpid(pid, &estado, WNOHANG) == pid; }, ms);
        if (!fuera) return -1;
        pid = -1;
        tomar(salida, &leido_salida);
        tomar(errores, &leido_errores);
        return WIFEXITED(estado) ? WEXITSTATUS(estado) : 1000 + WTERMSIG(estado);
    }
};

TEST_F(Consola, CopiesEveryByteValueBothWaysAndKeepsTracesOffTheOutput) {
    const std::string hacia_puerto = todos_los_bytes(16, true);
    const std::string desde_puerto = todos_los_bytes(16, false);
    arrancar({nombre});
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
    arrancar({nombre});
    ASSERT_TRUE(esperar_puerto()) << leido_errores;
    a_entrada = "AT\r";
    ASSERT_TRUE(bombear([&] { return a_entrada.empty(); }));
    cerrar_entrada();
    ASSERT_TRUE(bombear([&] { return leido_puerto == "AT\r"; })) << leido_puerto;
    usleep(100 * 1000); // the device takes its time; consola has seen the end of input by now
    a_puerto = "OK\r\n";
    auto t0 = Reloj::now();
    EXPECT_EQ(0, estado_final());
    EXPECT_EQ("OK\r\n", leido_salida);
    EXPECT_LT(Reloj::now() - t0, std::chrono::seconds(2))
        << "the wait after end of input is not short";
}

TEST_F(Consola, CtrlCEndsWithStatusZeroAndGivesThePortBack) {
    int exclusivo = 0;
    arrancar({nombre});
    ASSERT_TRUE(esperar_puerto()) << leido_errores;
    ASSERT_EQ(0, ioctl(slave, TIOCGEXCL, &exclusivo));
    ASSERT_EQ(1, exclusivo) << "the port should be held exclusively while consola runs";
    kill(pid, SIGINT);
    EXPECT_EQ(0, estado_final(2000));
    ASSERT_EQ(0, ioctl(slave, TIOCGEXCL, &exclusivo));
    EXPECT_EQ(0, exclusivo) << "the port was not closed through CloseRs232";
    EXPECT_EQ("", leido_salida);
}

TEST_F(Consola, LostDeviceEndsWithStatusOneAndSaysSo) {
    arrancar({nombre});
    ASSERT_TRUE(esperar_puerto()) << leido_errores;
    close(master);
    master = -1;
    EXPECT_EQ(1, estado_final(2000));
    EXPECT_NE(std::string::npos, leido_errores.find(std::string("consola: cannot read ") + nombre))
        << leido_errores;
}

TEST_F(Consola, WrongUseEndsWithItsStatusAndAMessageNamingTheCause) {
    char fichero[] = "/tmp/consola-no-terminal-XXXXXX";
    int fd = mkstemp(fichero);
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
        {{fichero}, 1, std::string("consola: cannot open ") + fichero},
    };
    for (const auto& c : casos) {
        leido_salida.clear(), leido_errores.clear();
        arrancar(c.args);
        EXPECT_EQ(c.estado, estado_final()) << c.mensaje;
        EXPECT_NE(std::string::npos, leido_errores.find(c.mensaje)) << leido_errores;
        EXPECT_EQ("", leido_salida) << c.mensaje;
        for (int* f : {&entrada, &salida, &errores}) close(*f), *f = -1;
    }
    unlink(fichero);
}
