// Tests of the serial port helpers on a real line whose far end the test
// plays (class Extremo). On POSIX systems the line is a pseudo-terminal: the
// helpers open the slave by name and the test holds the master. On Windows it
// is two COM ports that socat joins end to end, named in CALC_PUERTO (the
// helpers' port) and CALC_PUERTO_EXTREMO (the far end); tests/serial/
// linea_wine.sh sets them up under Wine. The same tests run on both; those
// about POSIX terminals alone skip on Windows. Start at the fixture; timing
// checks measure and allow generous slack.
#include "serial/port.h"
#include "tests/serial/extremo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using Reloj = std::chrono::steady_clock;

template <class F> static std::string salida(F f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

static double ms(Reloj::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

static void dormir(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// An empty file of our own in the system's temporary folder.
static std::string archivo_temporal() {
    std::string nombre = (std::filesystem::temp_directory_path() / "port_XXXXXX").string();
    close(mkstemp(&nombre[0]));
    return nombre;
}

#ifdef _WIN32
static const int kNoExiste = ERROR_FILE_NOT_FOUND;
static const ErrorSerie kCarpeta = SERIE_OCUPADO; // Windows opens a folder with "access denied"
static int ultimo_error() { return (int)GetLastError(); }
static bool abierto(PuertoSerie h) {
    DWORD f;
    return GetHandleInformation(h, &f) != 0;
}
static int en_cola() { // bytes waiting at the open port
    DWORD e;
    COMSTAT s;
    return ClearCommError(hSerial, &e, &s) ? (int)s.cbInQue : -1;
}
static void vaciar(Extremo&) { PurgeComm(hSerial, PURGE_RXCLEAR); }
static PuertoSerie propio(Extremo& e) { return e.lejos; } // a handle of the test's own

// Another program opening the port as this module does.
static bool otro_cliente_entra(const std::string& nombre) {
    HANDLE h = Extremo::abrir_com(nombre);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

// Opens `archivo`, where the system may hand out the handle a closed port had.
static PuertoSerie ocupar(PuertoSerie, const std::string& archivo) {
    return CreateFileA(archivo.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}
static void soltar(PuertoSerie h) { CloseHandle(h); }

// Nobody reads the far end, so socat stops taking bytes: the line is full
// once a write to it took nothing in a quarter second.
static void llenar(Extremo&) {
    COMMTIMEOUTS corto = {0, 0, 0, 0, 250};
    COMMTIMEOUTS t = {time_out.read_interval, time_out.read_per_byte, time_out.read_constant,
                      time_out.write_per_byte, time_out.write_constant};
    SetCommTimeouts(hSerial, &corto);
    static char lleno[1024];
    DWORD n;
    do n = 0;
    while (WriteFile(hSerial, lleno, sizeof lleno, &n, nullptr) && n > 0);
    SetCommTimeouts(hSerial, &t);
}
#else
static const int kNoExiste = ENOENT;
static const ErrorSerie kCarpeta = SERIE_NO_ES_SERIE;
static int ultimo_error() { return errno; }
static bool abierto(PuertoSerie fd) { return fcntl(fd, F_GETFD) >= 0; }
static int en_cola() {
    int n = -1;
    ioctl(hSerial, FIONREAD, &n);
    return n;
}
static void vaciar(Extremo& e) { tcflush(e.slave, TCIFLUSH); }
static PuertoSerie propio(Extremo& e) { return e.slave; } // a descriptor of the test's own

// A second process opening and locking the device as this module would; root
// passes TIOCEXCL, so the child drops to an ordinary user first.
static bool otro_cliente_entra(const std::string& nombre) {
    pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        int fd = open(nombre.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        _exit(fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
    }
    int estado = 0;
    waitpid(pid, &estado, 0);
    return WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
}

// Opens `archivo` under the number a closed port had.
static PuertoSerie ocupar(PuertoSerie viejo, const std::string& archivo) {
    int fd = open(archivo.c_str(), O_RDWR);
    if (fd != viejo) {
        dup2(fd, viejo);
        close(fd);
    }
    return viejo;
}
static void soltar(PuertoSerie fd) { close(fd); }

static void ajustar(Extremo& e, tcflag_t i, tcflag_t i_deja, tcflag_t c, tcflag_t l, speed_t v) {
    struct termios t;
    tcgetattr(e.slave, &t);
    t.c_iflag = (t.c_iflag & i_deja) | i;
    t.c_cflag |= c;
    t.c_lflag |= l;
    cfsetspeed(&t, v);
    tcsetattr(e.slave, TCSANOW, &t);
}

// Fills the line through our own descriptor, nobody reading it. The master
// side takes some in after a moment, later still on a busy machine: the line
// is full once it stayed full for a quarter second.
static void llenar(Extremo& e) {
    fcntl(e.slave, F_SETFL, O_NONBLOCK);
    char lleno[4096] = {};
    struct pollfd p = {e.slave, POLLOUT, 0};
    do {
        while (write(e.slave, lleno, sizeof lleno) > 0) continue;
    } while (poll(&p, 1, 250) > 0);
}
#endif

class Port : public testing::Test {
  protected:
    Extremo extremo;

    void SetUp() override {
        if (!extremo.abrir()) GTEST_SKIP() << Extremo::kSinLinea;
        MODEMDEVICE = extremo.nombre.c_str();
        MiBAUDIOS = 115200;
    }
    void TearDown() override {
        CloseRs232();
        extremo.cerrar();
    }
    void abrir() {
        ASSERT_EQ("YES-- " + extremo.nombre + " \n", salida([] { ASSERT_EQ(0, IniRs232()); }));
    }
    // Sends bytes from the far end and waits until they wait at our port.
    void mandar(const std::string& s) {
        std::string resto = s;
        for (int k = 0; k < 1000 && !resto.empty(); k++) extremo.mandar(&resto);
        ASSERT_EQ("", resto) << "stayed unsent";
        Reloj::time_point fin = Reloj::now() + std::chrono::seconds(2);
        while (en_cola() < (int)s.size() && Reloj::now() < fin)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
};

TEST_F(Port, IniRs232SetsLine115200Cs8NoParityOneStopRawButKeepsFlowControl) {
#ifdef _WIN32
    extremo.ajustar(9600, TWOSTOPBITS, TRUE);
    abrir();
    DCB d = {};
    d.DCBlength = sizeof d;
    ASSERT_TRUE(GetCommState(hSerial, &d));
    EXPECT_EQ(115200u, d.BaudRate);
    EXPECT_EQ(8, d.ByteSize);
    EXPECT_EQ(NOPARITY, d.Parity);
    EXPECT_EQ(ONESTOPBIT, d.StopBits);
    EXPECT_TRUE(d.fOutX && d.fInX) << "flow control is the port's own";
#else
    ajustar(extremo, ICRNL | INLCR | IXON | IXOFF, ~0u, CSTOPB | CRTSCTS,
            ICANON | ECHO | ISIG | IEXTEN, B9600);
    abrir();
    struct termios t;
    tcgetattr(extremo.slave, &t);
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
    std::string visto = " ";
    ASSERT_EQ(0, testsupport::correr("stty", {"-F", extremo.nombre, "-a"}, &visto));
    std::replace_if(
        visto.begin(), visto.end(), [](char c) { return c == '\n' || c == ';'; }, ' ');
    for (const char* w : {" speed 115200 baud ", " cs8 ", " -parenb ", " -cstopb ", " cread ",
                          " -icanon ", " -echo ", " -isig ", " -icrnl ", " -opost ", " crtscts "})
        EXPECT_NE(std::string::npos, visto.find(w)) << w << " in\n" << visto;
#endif
}

TEST_F(Port, IniRs232FailuresSayWhatTheyShouldAndLeaveOnlyTheUnreadPortOpen) {
    std::string archivo = archivo_temporal(), falta = archivo + ".nada";
    std::string carpeta = std::filesystem::temp_directory_path().string();
    const struct {
        const char* dispositivo;
        int baudios;
        const char* dice;
        bool queda_abierto, no_existe;
        ErrorSerie razon;
    } casos[] = {
        {falta.c_str(), 115200, "", false, true, SERIE_NO_EXISTE},
        {carpeta.c_str(), 115200, "", false, false, kCarpeta},
        {nullptr, 115200, "", false, false, SERIE_NO_EXISTE},
        {archivo.c_str(), 115200, "Error get Status!!\n", true, false, SERIE_NO_ES_SERIE},
        {extremo.nombre.c_str(), 12345, "Error get Status2!!\n", false, false,
         SERIE_AJUSTES_RECHAZADOS},
#ifdef _WIN32
        {"COM250", 115200, "", false, true, SERIE_NO_EXISTE}, // a port nobody has
#endif
    };
    for (const auto& c : casos) {
        MODEMDEVICE = c.dispositivo;
        MiBAUDIOS = c.baudios;
        int error = 0;
        EXPECT_EQ(c.dice, salida([&] {
                      int r = IniRs232();
                      error = ultimo_error();
                      EXPECT_EQ(-1, r);
                  }))
            << c.dice;
        if (c.no_existe) {
            EXPECT_EQ(kNoExiste, error) << c.dispositivo;
        }
        EXPECT_EQ(c.razon, ErrorRs232()) << c.dice << ": " << TextoErrorRs232();
        EXPECT_STRNE("", TextoErrorRs232());
        PuertoSerie puerto = hSerial;
        EXPECT_EQ(c.queda_abierto, puerto != PUERTO_CERRADO) << c.dice;
        EXPECT_EQ(0, CloseRs232());
        EXPECT_FALSE(abierto(puerto));
    }
    EXPECT_FALSE(std::filesystem::exists(falta));
    EXPECT_TRUE(otro_cliente_entra(extremo.nombre));
    std::filesystem::remove(archivo);
    MODEMDEVICE = extremo.nombre.c_str();
    MiBAUDIOS = 115200;
    abrir();
    EXPECT_EQ(SERIE_SIN_ERROR, ErrorRs232()) << "each IniRs232 starts afresh";
}

TEST_F(Port, PortIsOursAloneUntilClosedOrGivenUpForAnother) {
#ifdef _WIN32
    GTEST_SKIP() << "checks TIOCEXCL and flock, which belong to POSIX terminals; Wine lets "
                    "every opener have a device whatever the share mode";
#else
    abrir();
    int excl = 0;
    ioctl(extremo.slave, TIOCGEXCL, &excl);
    EXPECT_EQ(1, excl);
    EXPECT_FALSE(otro_cliente_entra(extremo.nombre));
    // root passes TIOCEXCL, not the lock
    int propio = open(extremo.nombre.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (propio >= 0) {
        EXPECT_NE(0, flock(propio, LOCK_EX | LOCK_NB));
        close(propio);
    }
    EXPECT_EQ(0, CloseRs232());
    ioctl(extremo.slave, TIOCGEXCL, &excl);
    EXPECT_EQ(0, excl);
    EXPECT_TRUE(otro_cliente_entra(extremo.nombre));
    int suyo = open(extremo.nombre.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_EQ(0, flock(suyo, LOCK_EX));
    EXPECT_EQ("", salida([] { EXPECT_EQ(-1, IniRs232()); }));
    EXPECT_EQ(SERIE_OCUPADO, ErrorRs232()) << TextoErrorRs232();
    close(suyo);

    int master2, slave2;
    char nombre2[64];
    ASSERT_EQ(0, openpty(&master2, &slave2, nombre2, nullptr, nullptr));
    abrir();
    MODEMDEVICE = nombre2;
    EXPECT_EQ("YES-- " + std::string(nombre2) + " \n", salida([] { EXPECT_EQ(0, IniRs232()); }));
    EXPECT_TRUE(otro_cliente_entra(extremo.nombre));
    EXPECT_EQ(0u, salida([] { EXPECT_EQ(0, IniRs232()); }).find("YES-- ")); // same device again
    CloseRs232();
    close(master2);
    close(slave2);
#endif
}

TEST_F(Port, ReadSerieEndsAtItsTimeLimits) {
    const struct {
        const char* caso;
        int llegan, pedidos, resultado;
        double minimo, maximo_mediana; // ms
        SerialTimeouts limites = {};   // other limits, through LimitesRs232; zero: IniRs232's
    } casos[] = {
        {"nothing of 10", 0, 10, -2, 12, 72},
        {"nothing of 100", 0, 100, -2, 102, 162},
        {"3 of 10, then silence", 3, 10, 1, 10, 72},
        {"3 of 200: the pause ends it", 3, 200, 1, 10, 100},
        {"all 100 at once", 100, 100, 1, 0, 50},
        {"nothing of 10 in 40 ms more", 0, 10, -2, 52, 112, {10, 1, 42, 2, 50}},
        {"3 of 10, then 30 ms of silence", 3, 10, 1, 30, 92, {30, 10, 0, 2, 50}},
    };
    abrir();
    const SerialTimeouts propios = time_out;
    char enviados[200], buffer[200];
    for (int i = 0; i < 200; i++) enviados[i] = (char)('a' + i % 26);
    for (const auto& c : casos) {
        std::vector<double> medidas;
        ASSERT_EQ(0, LimitesRs232(c.limites.write_constant ? &c.limites : &propios)) << c.caso;
        EXPECT_EQ(c.limites.write_constant ? c.limites.read_constant : 2u, time_out.read_constant);
        for (int vez = 0; vez < 10; vez++) {
            vaciar(extremo);
            std::fill(buffer, buffer + sizeof buffer, '#');
            mandar(std::string(enviados, c.llegan));
            Reloj::time_point t0 = Reloj::now();
            ASSERT_EQ(c.resultado, ReadSerie(hSerial, buffer, c.pedidos)) << c.caso;
            medidas.push_back(ms(Reloj::now() - t0));
            EXPECT_GE(medidas.back(), c.minimo) << c.caso;
            EXPECT_EQ(std::string(enviados, c.llegan), std::string(buffer, c.llegan));
            EXPECT_EQ('#', buffer[c.llegan]) << c.caso;
        }
        std::sort(medidas.begin(), medidas.end());
        EXPECT_LE((medidas[4] + medidas[5]) / 2, c.maximo_mediana) << c.caso;
        fprintf(stderr, "[ median ] %s: %.2f ms\n", c.caso, (medidas[4] + medidas[5]) / 2);
    }
}

// A byte every 2 ms never lets the 10 ms pause pass, so a read of 298 bytes
// ends at its whole limit of 300 ms with what had come by then; the bytes
// still coming wait for the next reads.
TEST_F(Port, ReadSerieEndsAtItsTotalLimitWhileBytesKeepComingAndLosesNone) {
    std::string enviados;
    for (int i = 0; i < 300; i++) enviados += (char)('a' + i % 26);
    std::vector<Reloj::time_point> salen; // when each byte left the far end
    abrir();
    std::thread goteo([&] {
        for (char b : enviados) {
            std::string uno(1, b);
            salen.push_back(Reloj::now());
            extremo.mandar(&uno);
            dormir(2);
        }
    });
    char buffer[298];
    std::fill(buffer, buffer + sizeof buffer, '#');
    dormir(5);
    Reloj::time_point t0 = Reloj::now();
    int r = ReadSerie(hSerial, buffer, sizeof buffer);
    Reloj::time_point fin = Reloj::now();
    goteo.join();
    ASSERT_EQ(1, r);
    std::string leidos(buffer, std::find(buffer, buffer + sizeof buffer, '#'));

    // Bytes that left 20 ms before the read ended had arrived. A pause of 10 ms,
    // which a busy machine may make, ends the read early; Wine's timer, up to a
    // millisecond early.
    size_t llegados = 0;
    double pausa = 0;
    for (size_t i = 0; i < salen.size() && salen[i] < fin; i++) {
        if (i > 0) pausa = std::max(pausa, ms(salen[i] - salen[i - 1]));
        llegados += salen[i] < fin - std::chrono::milliseconds(20);
    }
    if (pausa < 9) {
        EXPECT_GE(ms(fin - t0), 298);
    }
    EXPECT_LE(ms(fin - t0), 400);
    EXPECT_GE(leidos.size(), llegados);
    fprintf(stderr, "[ trickle ] %zu bytes in %.2f ms, longest pause %.2f ms\n", leidos.size(),
            ms(fin - t0), pausa);

    for (int k = 0; k < 300 && ReadSerie(hSerial, buffer, sizeof buffer) == 1; k++) {
        leidos.append(buffer, std::find(buffer, buffer + sizeof buffer, '#'));
        std::fill(buffer, buffer + sizeof buffer, '#');
    }
    EXPECT_EQ(enviados, leidos);
}

TEST_F(Port, BytesPassUntouchedBothWaysAndWritesSendNothingMore) {
    const char especiales[] = {0, 10, 13, 17, 19, 127, (char)255, 3, 4, 21, 26, 28, 10, 13};
    std::string todos(especiales, sizeof especiales);
    for (int b = 0; b < 256; b++) todos += (char)b;
    abrir();
    mandar(todos);
    std::vector<char> buffer(todos.size());
    EXPECT_EQ(1, ReadSerie(hSerial, buffer.data(), (int)buffer.size()));
    EXPECT_EQ(todos, std::string(buffer.begin(), buffer.end()));
    EXPECT_EQ("", extremo.recibido()) << "echoed";
    EXPECT_EQ("", salida([&] {
                  EXPECT_EQ(1, WriteSerie(hSerial, todos.data(), (int)todos.size()));
                  PrintSerial("hola");
                  PrintSerial("");
              }));
    EXPECT_EQ(todos + "hola", extremo.recibido());
}

TEST_F(Port, ShortWritesReturnMinusOneAndSayHowManyBytesWentOut) {
    abrir();
    llenar(extremo);
    Reloj::time_point t0 = Reloj::now();
    std::string dice = salida([] { EXPECT_EQ(-1, WriteSerie(hSerial, "0123456789", 10)); });
    EXPECT_GE(ms(Reloj::now() - t0), 70); // 2 ms per byte + 50 ms
    unsigned long hechos = 10;
    char tras[8] = {};
    ASSERT_EQ(2, sscanf(dice.c_str(), "Error mandado Bytes %lu%7[ \n]", &hechos, tras)) << dice;
    EXPECT_STREQ("   \n", tras);
    EXPECT_LT(hechos, 10u);
    EXPECT_EQ(SERIE_TIEMPO_AGOTADO, ErrorRs232());
}

TEST_F(Port, WritesAndReadsAfterTheFarEndHungUpReturnMinusOneWithTheirMessage) {
    if (!Extremo::puede_colgar()) GTEST_SKIP() << Extremo::kNoCuelga;
    abrir();
    extremo.colgar();
    char buffer[5];
    EXPECT_EQ("Error mandado Bytes 0   \n",
              salida([] { EXPECT_EQ(-1, WriteSerie(hSerial, "abc", 3)); }));
    EXPECT_EQ(SERIE_PERDIDO, ErrorRs232()) << TextoErrorRs232();
    EXPECT_EQ("Error leyendo Bytes 0 \n",
              salida([&] { EXPECT_EQ(-1, ReadSerie(hSerial, buffer, 5)); }));
    EXPECT_EQ(SERIE_PERDIDO, ErrorRs232()) << TextoErrorRs232();
}

TEST_F(Port, RefusedCallsTouchNothingAndSayNothing) {
    std::string archivo = archivo_temporal();
    char buffer[4];
    PuertoSerie suyo = propio(extremo), otro = PUERTO_CERRADO;
    auto rechazos = [&](PuertoSerie viejo) {
        return std::vector<int>{WriteSerie(hSerial, nullptr, 3), WriteSerie(hSerial, "abc", 0),
                                WriteSerie(hSerial, "abc", -1),  ReadSerie(hSerial, nullptr, 3),
                                ReadSerie(hSerial, buffer, 0),   ReadSerie(viejo, buffer, 1),
                                WriteSerie(viejo, "abc", 3),     WriteSerie(suyo, "abc", 3)};
    };
    std::vector<int> con_puerto, sin_puerto;
    abrir();
    PuertoSerie viejo = hSerial;
    EXPECT_EQ("", salida([&] {
                  con_puerto = rechazos(PUERTO_CERRADO);
                  EXPECT_EQ(0, CloseRs232());
                  otro = ocupar(viejo, archivo); // what the port was may now be another file
                  sin_puerto = rechazos(viejo);
                  PrintSerial("abc");
                  sin_puerto.push_back(LimitesRs232(&time_out));
                  EXPECT_EQ(0, CloseRs232());
              }));
    EXPECT_EQ(SERIE_LLAMADA_INVALIDA, ErrorRs232());
    EXPECT_EQ(std::vector<int>(8, -1), con_puerto);
    EXPECT_EQ(std::vector<int>(9, -1), sin_puerto);
    EXPECT_EQ("", extremo.recibido());
    EXPECT_TRUE(abierto(otro));
    soltar(otro);
    EXPECT_EQ(0u, std::filesystem::file_size(archivo));
    std::filesystem::remove(archivo);
}

TEST_F(Port, BytesThatArriveBeforeAHangUpAreHandedOverAndTheNextReadFails) {
    if (!Extremo::puede_colgar()) GTEST_SKIP() << Extremo::kNoCuelga;
    abrir();
    mandar("abc");
    // The other side hangs up while ReadSerie still waits for more.
    std::thread cuelga([this] {
        dormir(3);
        extremo.colgar();
    });
    char buffer[10] = {};
    std::string dice = salida([&] { EXPECT_EQ(1, ReadSerie(hSerial, buffer, 10)); });
    cuelga.join();
    EXPECT_EQ("", dice);
    EXPECT_EQ("abc", std::string(buffer, 3));
    EXPECT_EQ("Error leyendo Bytes 0 \n",
              salida([&] { EXPECT_EQ(-1, ReadSerie(hSerial, buffer, 10)); }));
}
