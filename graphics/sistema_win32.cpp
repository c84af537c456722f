// What graphics/sistema.h and the system part of xgrafi.h say, on Windows.
// Its window systems are GDI (windib, SDL's default there) and DirectDraw;
// its C library has no setenv, and _putenv_s with an empty value takes a
// variable out; it sends a window program no SIGINT or SIGTERM, and has no
// signal mask. Names travel through the program as UTF-8 and become UTF-16
// only here, at the wide-character calls, so that a folder named in any
// script works; the ANSI calls know only the letters of the system's code
// page. A window program has no console: its failures are also shown in a
// message box (avisar_fallo).
#include "graphics/sistema.h"
#include "graphics/xgrafi.h"

#include <cstring>
#include <windows.h>

static std::wstring ancho(const char* texto) {
    int n = MultiByteToWideChar(CP_UTF8, 0, texto, -1, nullptr, 0);
    std::wstring w(n > 0 ? (size_t)n : 1, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, texto, -1, &w[0], n);
    w.resize(wcslen(w.c_str()));
    return w;
}

static std::string estrecho(const wchar_t* texto) {
    int n = WideCharToMultiByte(CP_UTF8, 0, texto, -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? (size_t)n : 1, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, texto, -1, &s[0], n, nullptr, nullptr);
    s.resize(strlen(s.c_str()));
    return s;
}

const char* const sistema::VENTANAS[] = {"windib", "directx", nullptr};
const char* const sistema::SIN_VENTANAS = "no window system answered";

void sistema::poner_entorno(const char* nombre, const char* valor) {
    _putenv_s(nombre, valor ? valor : "");
}

void sistema::retener_senales() {}
void sistema::soltar_senales() {}

// Windows has no FIFO that could hold an open, and refuses to open a folder.
FILE* abrir_lectura(const char* nombre) { return _wfopen(ancho(nombre).c_str(), L"rb"); }
FILE* sistema::abrir_lectura(const char* nombre) { return ::abrir_lectura(nombre); }

static bool existe(const std::wstring& ruta) {
    return GetFileAttributesW(ruta.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string dato(const char* nombre) {
    std::wstring w = ancho(nombre);
    if (existe(w)) return nombre;
    std::wstring ruta(32768, L'\0'); // the longest path Windows has
    DWORD n = GetModuleFileNameW(nullptr, &ruta[0], (DWORD)ruta.size());
    if (n == 0 || n >= ruta.size()) return nombre;
    ruta.resize(n);
    size_t barra = ruta.find_last_of(L"\\/");
    if (barra == std::wstring::npos) return nombre;
    ruta.replace(barra + 1, std::wstring::npos, w);
    return existe(ruta) ? estrecho(ruta.c_str()) : nombre;
}

// The failures' lines, for the box; a few hundred characters are all a box
// can show, and a run fails once.
static char fallos[2048];

void recordar_fallo(const char* texto) {
    size_t hay = strlen(fallos);
    snprintf(fallos + hay, sizeof fallos - hay, "%s", texto);
}

static bool salida_leida() {
    HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD tipo = h && h != INVALID_HANDLE_VALUE ? GetFileType(h) : FILE_TYPE_UNKNOWN;
    return tipo == FILE_TYPE_DISK || tipo == FILE_TYPE_PIPE;
}

int avisar_fallo(const char* programa, int estado) {
    if (estado != 0 && fallos[0] && !salida_leida())
        MessageBoxW(nullptr, ancho(fallos).c_str(), ancho(programa).c_str(),
                    MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return estado;
}
