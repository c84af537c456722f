// Tests of the serial console example: consola runs as a child process with
// pipes for its standard streams, on one end of a serial line whose far end
// the test plays (tests/serial/extremo.h: a pseudo-terminal, or under Wine two
// COM ports that socat joins). Start at the fixture, whose system part starts
// consola and waits; bombear() moves bytes all ways at once so that no side
// blocks another.
#include "tests/serial/extremo.h"
#include "tests/support/sistema.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/ioctl.h>
#endif

using Reloj = std::chrono::steady_clock;
using testsupport::mandar;
using testsupport::tomar;

// Every byte value, `vueltas` times, ascending or descending.
static std::string todos_los_bytes(int vueltas, bool subiendo) {
    std::string s;
    for (int v = 0; v < vueltas; v++)
        for (int b = 0; b < 256; b++) s += (char)(subiendo ? b : 255 - b);
    return s;
}

class Consola : public testing::Test {
  protected:
    Extremo puerto; // the far end of consola's line; consola opens puerto.nombre
    testsupport::Programa consola;
    std::string a_entrada, a_puerto; // still to be sent
    std::string leido_salida, leido_errores, leido_puerto;

    void SetUp() override {
        if (!puerto.abrir()) GTEST_SKIP() << Extremo::kSinLinea;
    }

    void TearDown() override {
        consola.matar();
        puerto.cerrar();
    }

    void arrancar(const std::vector<std::string>& args) {
        ASSERT_TRUE(consola.lanzar_con_tubos(CONSOLA_EXE, args)) << CONSOLA_EXE;
    }

    // Moves bytes every way until `listo` holds or `ms` pass; false on time out.
    template <class F> bool bombear(F listo, int ms = 5000) {
        auto fin = Reloj::now() + std::chrono::milliseconds(ms);
        while (!listo()) {
            if (Reloj::now() > fin) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            mandar(consola.entrada, &a_entrada);
            puerto.mandar(&a_puerto);
            puerto.tomar(&leido_puerto);
            tomar(consola.salida, &leido_salida);
            tomar(consola.errores, &leido_errores);
        }
        return true;
    }

    // The port is raw once the helpers have printed their YES-- line.
    bool esperar_puerto() {
        return bombear([&] { return leido_errores.find("YES-- ") != std::string::npos; });
    }

    // consola's exit status, 1000 + the signal if one killed it; -1 if it
    // runs on past `ms`.
    int estado_final(int ms = 5000) {
        if (!bombear([&] { return consola.esperar(0); }, ms)) return -1;
        tomar(consola.salida, &leido_salida);
        tomar(consola.errores, &leido_errores);
        return consola.senal ? 1000 + consola.senal : consola.codigo;
    }
};

TEST_F(Consola, CopiesEveryByteValueBothWaysAndKeepsTracesOffTheOutput) {
    const std::string hacia_puerto = todos_los_bytes(16, true);
    const std::string desde_puerto = todos_los_bytes(16, false);
    arrancar({puerto.nombre});
    ASSERT_TRUE(esperar_puerto()) << leido_errores;
    a_entrada = hacia_puerto;
    a_puerto = desde_puerto;
    ASSERT_TRUE(bombear([&] {
        return leido_puerto.size() >= hacia_puerto.size() &&
               leido_salida.size() >= desde_puerto.size();
    })) << leido_puerto.size()
        << " bytes reached the port, " << leido_salida.size() << " the output; " << leido_errores;
    testsupport::cerrar(&consola.entrada);
    EXPECT_EQ(0, estado_final()) << leido_errores;
    EXPECT_TRUE(leido_puerto == hacia_puerto);
    EXPECT_TRUE(leido_salida == desde_puerto);
}

TEST_F(Consola, AnswerArrivingRightAfterEndOfInputStillReachesTheOutput) {
    arrancar({puerto.nombre});
    ASSERT_TRUE(esperar_puerto()) << leido_errores;
    a_entrada = "AT\r";
    ASSERT_TRUE(bombear([&] { return a_entrada.empty(); }));
    testsupport::cerrar(&consola.entrada);
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
    arrancar({puerto.nombre});
    ASSERT_TRUE(esperar_puerto()) << leido_errores;
    ASSERT_EQ(0, ioctl(puerto.slave, TIOCGEXCL, &exclusivo));
    ASSERT_EQ(1, exclusivo) << "the port should be held exclusively while consola runs";
    consola.enviar(SIGINT);
    EXPECT_EQ(0, estado_final(2000));
    ASSERT_EQ(0, ioctl(puerto.slave, TIOCGEXCL, &exclusivo));
    EXPECT_EQ(0, exclusivo) << "the port was not closed through CloseRs232";
    EXPECT_EQ("", leido_salida);
#endif
}

TEST_F(Consola, LostDeviceEndsWithStatusOneAndSaysSo) {
    if (!Extremo::puede_colgar()) GTEST_SKIP() << Extremo::kNoCuelga;
    arrancar({puerto.nombre});
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
        std::vector<std::string> args;
        int estado;
        std::string mensaje;
    } casos[] = {
        {{}, 2, "usage: consola DEVICE"},
        {{"/dev/tty0", "/dev/tty1"}, 2, "usage: consola DEVICE"},
        {{"/no/such/device"}, 1, "consola: cannot open /no/such/device"},
        {{fichero}, 1, "consola: cannot open " + fichero},
    };
    // What is typed while it fails is left to whoever reads the input next.
    for (const auto& c : casos) {
        leido_salida.clear(), leido_errores.clear();
        std::string tecleado = "AT\r", sin_leer;
        arrancar(c.args);
        mandar(consola.entrada, &tecleado);
        EXPECT_EQ(c.estado, estado_final()) << c.mensaje;
        EXPECT_NE(std::string::npos, leido_errores.find(c.mensaje)) << leido_errores;
        EXPECT_EQ("", leido_salida) << c.mensaje;
        tomar(consola.resto, &sin_leer);
        EXPECT_EQ("AT\r", sin_leer) << c.mensaje << ": consola read its input";
    }
    std::filesystem::remove(fichero);
}
