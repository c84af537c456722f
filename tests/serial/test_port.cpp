// Tests of the serial port helpers on real pseudo-terminals: the test holds the
// master side and the helpers open the slave by name through MODEMDEVICE.
// Start at the fixture; timing checks measure and allow generous slack.
#include "serial/port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using Reloj = std::chrono::steady_clock;

template <class F> static std::string salida(F f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

// Everything the master side receives until 30 ms pass without a byte.
static std::string recibido(int master) {
    std::string r;
    char b[4096];
    struct pollfd p = {master, POLLIN, 0};
    for (ssize_t k; poll(&p, 1, 30) > 0 && (k = read(master, b, sizeof b)) > 0;) r.append(b, k);
    return r;
}

// A second process opening and locking the device as this module would; root
// passes TIOCEXCL, so the child drops to an ordinary user first.
static bool otro_cliente_entra(const char* nombre) {
    pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        int fd = open(nombre, O_RDWR | O_NOCTTY | O_NONBLOCK);
        _exit(fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
    }
    int estado = 0;
    waitpid(pid, &estado, 0);
    return WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
}

class Port : public testing::Test {
  protected:
    int master = -1, slave = -1;
    char nombre[64] = {};

    // A fresh terminal (cooked, echoing, 38400 baud) without software flow
    // control, so that XON and XOFF bytes are data.
    void SetUp() override {
        ASSERT_EQ(0, openpty(&master, &slave, nombre, nullptr, nullptr));
        ajustar(0, ~(tcflag_t)(IXON | IXOFF), 0, 0);
        fchmod(slave, 0666);
        MODEMDEVICE = nombre;
        MiBAUDIOS = 115200;
    }
    void TearDown() override {
        CloseRs232();
        if (master >= 0) close(master);
        close(slave);
    }
    void ajustar(tcflag_t i, tcflag_t i_deja, tcflag_t c, tcflag_t l, speed_t v = B0) {
        struct termios t;
        tcgetattr(slave, &t);
        t.c_iflag = (t.c_iflag & i_deja) | i;
        t.c_cflag |= c;
        t.c_lflag |= l;
        if (v != B0) cfsetspeed(&t, v);
        tcsetattr(slave, TCSANOW, &t);
    }
    void abrir() {
        ASSERT_EQ("YES-- " + std::string(nombre) + " \n", salida([] { ASSERT_EQ(0, IniRs232()); }));
    }
};

TEST_F(Port, IniRs232SetsLine115200Cs8NoParityOneStopRawButKeepsFlowControl) {
    ajustar(ICRNL | INLCR | IXON | IXOFF, ~0u, CSTOPB | CRTSCTS, ICANON | ECHO | ISIG | IEXTEN,
            B9600);
    abrir();
    struct termios t;
    tcgetattr(slave, &t);
    EXPECT_EQ(B115200, cfgetospeed(&t));
    EXPECT_EQ(B115200, cfgetispeed(&t));
    EXPECT_EQ((tcflag_t)(IXON | IXOFF), t.c_iflag & (ICRNL | INLCR | IXON | IXOFF));
    EXPECT_EQ((tcflag_t)CRTSCTS, t.c_cflag & (CSTOPB | CRTSCTS));
    EXPECT_EQ(0u, t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
    EXPECT_EQ(0u, t.c_oflag & OPOST);
    // A pty forces cs8 without parity by itself, so what was asked is read from the record.
    EXPECT_EQ((tcflag_t)CS8, dcbSerialParams.tio.c_cflag & (CSIZE | PARENB | CSTOPB));

    // A second client, as `stty` is. TIOCEXCL shuts out an ordinary user, which is the
    // point; lift it for the read-back then.
    if (geteuid() != 0) ioctl(hSerial, TIOCNXCL);
    std::string orden = "stty -F " + std::string(nombre) + " -a", visto = " ";
    FILE* p = popen(orden.c_str(), "r");
    for (int c; p && (c = fgetc(p)) != EOF;) visto += c == '\n' || c == ';' ? ' ' : (char)c;
    if (p) pclose(p);
    for (const char* w : {" speed 115200 baud ", " cs8 ", " -parenb ", " -cstopb ", " cread ",
                          " -icanon ", " -echo ", " -isig ", " -icrnl ", " -opost ", " crtscts "})
        EXPECT_NE(std::string::npos, visto.find(w)) << w << " in\n" << visto;
}

TEST_F(Port, IniRs232FailuresSayWhatTheyShouldAndLeaveOnlyTheUnreadPortOpen) {
    char archivo[] = "/tmp/port_XXXXXX";
    close(mkstemp(archivo));
    std::string falta = std::string(archivo) + ".nada";
    const struct {
        const char* dispositivo;
        int baudios;
        const char* dice;
        bool queda_abierto;
    } casos[] = {
        {falta.c_str(), 115200, "", false},
        {"/tmp", 115200, "", false},
        {nullptr, 115200, "", false},
        {archivo, 115200, "Error get Status!!\n", true},
        {nombre, 12345, "Error get Status2!!\n", false},
    };
    for (const auto& c : casos) {
        MODEMDEVICE = c.dispositivo;
        MiBAUDIOS = c.baudios;
        EXPECT_EQ(c.dice, salida([] { EXPECT_EQ(-1, IniRs232()); })) << c.dice;
        int fd = hSerial;
        EXPECT_EQ(c.queda_abierto, fd != PUERTO_CERRADO) << c.dice;
        EXPECT_EQ(0, CloseRs232());
        EXPECT_EQ(-1, fcntl(fd, F_GETFD));
    }
    struct stat st;
    EXPECT_NE(0, stat(falta.c_str(), &st));
    EXPECT_TRUE(otro_cliente_entra(nombre));
    unlink(archivo);
}

TEST_F(Port, PortIsOursAloneUntilClosedOrGivenUpForAnother) {
    abrir();
    int excl = 0;
    ioctl(slave, TIOCGEXCL, &excl);
    EXPECT_EQ(1, excl);
    EXPECT_FALSE(otro_cliente_entra(nombre));
    int propio = open(nombre, O_RDWR | O_NOCTTY | O_NONBLOCK); // root passes TIOCEXCL, not the lock
    if (propio >= 0) {
        EXPECT_NE(0, flock(propio, LOCK_EX | LOCK_NB));
        close(propio);
    }
    EXPECT_EQ(0, CloseRs232());
    ioctl(slave, TIOCGEXCL, &excl);
    EXPECT_EQ(0, excl);
    EXPECT_TRUE(otro_cliente_entra(nombre));

    int master2, slave2;
    char nombre2[64];
    ASSERT_EQ(0, openpty(&master2, &slave2, nombre2, nullptr, nullptr));
    abrir();
    MODEMDEVICE = nombre2;
    EXPECT_EQ("YES-- " + std::string(nombre2) + " \n", salida([] { EXPECT_EQ(0, IniRs232()); }));
    EXPECT_TRUE(otro_cliente_entra(nombre));
    EXPECT_EQ(0u, salida([] { EXPECT_EQ(0, IniRs232()); }).find("YES-- ")); // same device again
    CloseRs232();
    close(master2);
    close(slave2);
}

TEST_F(Port, ReadSerieEndsAtItsTimeLimits) {
    const struct {
        const char* caso;
        int llegan, pedidos, resultado;
        double minimo, maximo_mediana; // ms
    } casos[] = {
        {"nothing of 10", 0, 10, -2, 12, 72},
        {"nothing of 100", 0, 100, -2, 102, 162},
        {"3 of 10, then silence", 3, 10, 1, 10, 72},
        {"3 of 200: the pause ends it", 3, 200, 1, 10, 100},
        {"all 100 at once", 100, 100, 1, 0, 50},
    };
    abrir();
    char enviados[200], buffer[200];
    for (int i = 0; i < 200; i++) enviados[i] = (char)('a' + i % 26);
    for (const auto& c : casos) {
        std::vector<double> ms;
        for (int vez = 0; vez < 10; vez++) {
            tcflush(slave, TCIFLUSH);
            std::fill(buffer, buffer + sizeof buffer, '#');
            ASSERT_EQ(c.llegan, write(master, enviados, c.llegan));
            Reloj::time_point t0 = Reloj::now();
            ASSERT_EQ(c.resultado, ReadSerie(hSerial, buffer, c.pedidos)) << c.caso;
            ms.push_back(std::chrono::duration<double, std::milli>(Reloj::now() - t0).count());
            EXPECT_GE(ms.back(), c.minimo) << c.caso;
            EXPECT_EQ(std::string(enviados, c.llegan), std::string(buffer, c.llegan));
            EXPECT_EQ('#', buffer[c.llegan]) << c.caso;
        }
        std::sort(ms.begin(), ms.end());
        EXPECT_LE((ms[4] + ms[5]) / 2, c.maximo_mediana) << c.caso;
        fprintf(stderr, "[ median ] %s: %.2f ms\n", c.caso, (ms[4] + ms[5]) / 2);
    }
}

TEST_F(Port, BytesPassUntouchedBothWaysAndWritesSendNothingMore) {
    const char bytes[] = {0, 10, 13, 17, 19, 127, (char)255, 3, 4, 21, 26, 28, 10, 13};
    const std::string todos(bytes, sizeof bytes);
    abrir();
    ASSERT_EQ((ssize_t)sizeof bytes, write(master, bytes, sizeof bytes));
    char buffer[sizeof bytes] = {};
    EXPECT_EQ(1, ReadSerie(hSerial, buffer, sizeof bytes));
    EXPECT_EQ(todos, std::string(buffer, sizeof buffer));
    EXPECT_EQ("", recibido(master)) << "echoed";
    EXPECT_EQ("", salida([&] {
                  EXPECT_EQ(1, WriteSerie(hSerial, bytes, sizeof bytes));
                  PrintSerial("hola");
                  PrintSerial("");
              }));
    EXPECT_EQ(todos + "hola", recibido(master));
}

TEST_F(Port, FailedOrShortWritesAndFailedReadsReturnMinusOneWithTheirMessage) {
    abrir();
    fcntl(slave, F_SETFL, O_NONBLOCK); // fill the line through our own descriptor; nobody reads it
    char lleno[4096] = {};
    struct pollfd p = {slave, POLLOUT, 0};
    // The master side takes some in after a moment, later still on a busy machine.
    do {
        while (write(slave, lleno, sizeof lleno) > 0) continue;
    } while (poll(&p, 1, 250) > 0);
    Reloj::time_point t0 = Reloj::now();
    std::string dice = salida([] { EXPECT_EQ(-1, WriteSerie(hSerial, "0123456789", 10)); });
    EXPECT_GE(Reloj::now() - t0, std::chrono::milliseconds(70)); // 2 ms per byte + 50 ms
    unsigned long hechos = 10;
    char tras[8] = {};
    ASSERT_EQ(2, sscanf(dice.c_str(), "Error mandado Bytes %lu%7[ \n]", &hechos, tras)) << dice;
    EXPECT_STREQ("   \n", tras);
    EXPECT_LT(hechos, 10u);

    close(master); // the other side has gone
    master = -1;
    EXPECT_EQ("Error mandado Bytes 0   \n",
              salida([] { EXPECT_EQ(-1, WriteSerie(hSerial, "abc", 3)); }));
    EXPECT_EQ("Error leyendo Bytes 0 \n",
              salida([&] { EXPECT_EQ(-1, ReadSerie(hSerial, lleno, 5)); }));
}

TEST_F(Port, RefusedCallsTouchNothingAndSayNothing) {
    char archivo[] = "/tmp/port_XXXXXX", buffer[4];
    int otro = mkstemp(archivo);
    auto rechazos = [&](int viejo) {
        return std::vector<int>{WriteSerie(hSerial, nullptr, 3), WriteSerie(hSerial, "abc", 0),
                                WriteSerie(hSerial, "abc", -1),  ReadSerie(hSerial, nullptr, 3),
                                ReadSerie(hSerial, buffer, 0),   ReadSerie(viejo, buffer, 1),
                                WriteSerie(viejo, "abc", 3),     WriteSerie(slave, "abc", 3)};
    };
    std::vector<int> abierto, cerrado;
    abrir();
    int viejo = hSerial;
    EXPECT_EQ("", salida([&] {
                  abierto = rechazos(-1);
                  EXPECT_EQ(0, CloseRs232());
                  dup2(otro, viejo); // the number the port had now names another file
                  cerrado = rechazos(viejo);
                  PrintSerial("abc");
                  EXPECT_EQ(0, CloseRs232());
              }));
    EXPECT_EQ(std::vector<int>(8, -1), abierto);
    EXPECT_EQ(std::vector<int>(8, -1), cerrado);
    EXPECT_EQ("", recibido(master));
    EXPECT_GE(fcntl(viejo, F_GETFD), 0);
    EXPECT_EQ(0, lseek(otro, 0, SEEK_END));
    close(viejo);
    close(otro);
    unlink(archivo);
}

TEST_F(Port, BytesThatArriveBeforeAHangUpAreHandedOverAndTheNextReadFails) {
    abrir();
    ASSERT_EQ(3, write(master, "abc", 3));
    // The other side hangs up while ReadSerie still waits for more.
    std::thread cuelga([this] {
        usleep(3000);
        close(master);
    });
    char buffer[10] = {};
    std::string dice = salida([&] { EXPECT_EQ(1, ReadSerie(hSerial, buffer, 10)); });
    cuelga.join();
    master = -1;
    EXPECT_EQ("", dice);
    EXPECT_EQ("abc", std::string(buffer, 3));
    EXPECT_EQ("Error leyendo Bytes 0 \n",
              salida([&] { EXPECT_EQ(-1, ReadSerie(hSerial, buffer, 10)); }));
}
