// The far end of a serial line, which a test plays while the code under test
// opens the near end by `nombre`. On POSIX systems the line is a fresh
// pseudo-terminal: the near end is its slave, the far end (lejos) its master. On
// Windows it is two COM ports that socat joins end to end, named in
// CALC_PUERTO (the near end) and CALC_PUERTO_EXTREMO (the far end);
// tests/serial/linea_wine.sh sets them up under Wine. Used by test_port and
// test_consola.
#ifndef TESTS_SERIAL_EXTREMO_H
#define TESTS_SERIAL_EXTREMO_H

#include <gtest/gtest.h>

#include "tests/support/sistema.h"

#include <chrono>
#include <stdlib.h>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

class Extremo {
  public:
    static constexpr const char* kSinLinea =
        "no line: CALC_PUERTO and CALC_PUERTO_EXTREMO name none (tests/serial/linea_wine.sh "
        "sets them up)";
    std::string nombre;                              // the near end
    testsupport::Tubo lejos = testsupport::kCerrado; // the far end

#ifdef _WIN32
    static constexpr const char* kNoCuelga =
        "no CALC_COLGAR: socat holds both ends of the line, and only tests/serial/linea_wine.sh "
        "can hang it up";
    static bool puede_colgar() { return getenv("CALC_COLGAR") != nullptr; }

    static HANDLE abrir_com(const std::string& com) {
        return CreateFileA(("\\\\.\\" + com).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    }

    // The line outlives each test, so each starts it afresh: the near end
    // without software flow control, so that XON and XOFF are data, and
    // nothing waiting at either end. False when there is no line.
    bool abrir() {
        const char *cerca = getenv("CALC_PUERTO"), *lejano = getenv("CALC_PUERTO_EXTREMO");
        if (!cerca || !lejano) return false;
        nombre = cerca;
        ajustar(0, ONESTOPBIT, FALSE);
        lejos = abrir_com(lejano);
        EXPECT_NE(INVALID_HANDLE_VALUE, lejos) << lejano << ": error " << GetLastError();
        COMMTIMEOUTS t = {MAXDWORD, 0, 0, 0, 0}; // a read takes what is there and returns
        SetCommTimeouts(lejos, &t);
        recibido(); // what an earlier test left in flight
        return true;
    }
    void cerrar() { testsupport::cerrar(&lejos); }
    // The near end as another program leaves it; a speed of 0 keeps the speed.
    void ajustar(DWORD baudios, BYTE parada, BOOL xon_xoff) {
        HANDLE h = abrir_com(nombre);
        DCB d = {};
        d.DCBlength = sizeof d;
        EXPECT_TRUE(GetCommState(h, &d)) << nombre << ": error " << GetLastError();
        if (baudios != 0) d.BaudRate = baudios;
        d.StopBits = parada, d.fOutX = d.fInX = xon_xoff;
        EXPECT_TRUE(SetCommState(h, &d));
        PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);
        CloseHandle(h);
    }
    // linea_wine.sh ends socat when the file CALC_COLGAR names appears, and
    // takes the file away once a new line has the ports' names: both ends of
    // this line are dead from then on.
    void colgar() {
        const char* pedido = getenv("CALC_COLGAR");
        if (!pedido) return;
        cerrar();
        HANDLE h = CreateFileA(pedido, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h) << pedido << ": error " << GetLastError();
        CloseHandle(h);
        for (int i = 0; i < 500 && GetFileAttributesA(pedido) != INVALID_FILE_ATTRIBUTES; i++)
            Sleep(10);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(pedido)) << "no hang-up in 5 s";
    }
#else
    static constexpr const char* kNoCuelga = "";
    static bool puede_colgar() { return true; }
    int slave = -1;

    // A fresh terminal is cooked, echoing, at 38400 baud; without software flow
    // control, so that XON and XOFF bytes are data; open to every user.
    bool abrir() {
        char n[64] = {};
        EXPECT_EQ(0, openpty(&lejos, &slave, n, nullptr, nullptr));
        nombre = n;
        struct termios t;
        EXPECT_EQ(0, tcgetattr(slave, &t));
        t.c_iflag &= ~(IXON | IXOFF);
        EXPECT_EQ(0, tcsetattr(slave, TCSANOW, &t));
        fchmod(slave, 0666);
        fcntl(lejos, F_SETFL, O_NONBLOCK);
        return true;
    }
    void cerrar() {
        colgar();
        testsupport::cerrar(&slave);
    }
    void colgar() { testsupport::cerrar(&lejos); }
#endif

    // Sends what the line takes now and drops it from `s`.
    void mandar(std::string* s) { testsupport::mandar(lejos, s); }
    // Adds what has arrived to `s`, without waiting.
    void tomar(std::string* s) { testsupport::tomar(lejos, s); }

    // Everything that arrives until 30 ms pass without a byte.
    std::string recibido() {
        using Reloj = std::chrono::steady_clock;
        const auto pausa = std::chrono::milliseconds(30);
        std::string r;
        for (Reloj::time_point tope = Reloj::now() + pausa; Reloj::now() < tope;) {
            size_t antes = r.size();
            tomar(&r);
            if (r.size() > antes) tope = Reloj::now() + pausa;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return r;
    }
};

#endif
