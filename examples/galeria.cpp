// Toolkit gallery: one 640 x 480 window with every widget kind, answering the
// mouse the way an owner of each widget does it. F1 prints every widget's
// creation statement, Escape or closing the window ends. Start reading at
// crear(), which fills the lists that repintar(), soltar() and listar_todo()
// walk.
#include "graphics/xgrafi.h"
#include "widgets/objetos.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <iterator>

// DejaVu Sans, from Debian's fonts-dejavu-core; Windows has no such system
// font, so there it comes with the gallery, in the program's own folder.
static const char* fuente() {
#ifdef _WIN32
    static std::string ruta = dato("DejaVuSans.ttf");
    return ruta.c_str();
#else
    return "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
#endif
}

static const int PUNTOS = 14; // label font size: fits the 24-pixel-high widgets

// The gallery's widgets, one list per kind, all made once by crear().
static Boton* botones[2];
static const bool HUNDIDO[2] = {false, true}; // resting look of each push button
static CBoton* conmutadores[2];
static TextoE* campos[1];
static TextoS* rotulos[10]; // drawn in the fixed text colour
static TextoS* avisos[2];   // drawn in the current colour
static Chequeo* casillas[2];
static SpinBox* giros[1];
static SpinBoxD* listasD[1];
static SpinBoxS* listasS[1];

// SpinBoxS keeps these pointers, so the texts must outlive it.
static const char* const DIAS[] = {"Lunes", "Martes", "Miercoles", "Jueves", "Viernes"};

static int apretado = -1; // push button under a held left button, or -1
static int raton_x, raton_y;

// F1 prints these statements back, less what Valor() leaves out: a text
// field's size, a check box's state, a spin box's own size and limits.
static void crear() {
    rotulos[0] = new TextoS(20, 92, "Boton");
    botones[0] = new Boton(110, 90, 90, 24, "Aceptar");
    botones[1] = new Boton(210, 90, 90, 24, "Hundido");
    rotulos[1] = new TextoS(20, 172, "CBoton");
    conmutadores[0] = new CBoton(110, 170, 90, 24, "Luz");
    conmutadores[1] = new CBoton(210, 170, 90, 24, "Sonido");
    rotulos[2] = new TextoS(20, 252, "TextoE");
    campos[0] = new TextoE(110, 250, 190, 24, "Pulse un boton");
    rotulos[3] = new TextoS(20, 332, "TextoS");
    rotulos[4] = new TextoS(110, 332, "Color fijo");
    avisos[0] = new TextoS(210, 332, "Color actual");

    rotulos[5] = new TextoS(340, 92, "Chequeo");
    casillas[0] = new Chequeo(430, 94, "Negrita", true);
    casillas[1] = new Chequeo(530, 94, "Cursiva");
    rotulos[6] = new TextoS(340, 172, "SpinBox");
    giros[0] = new SpinBox(430, 170, 80, 24, 0, 100, 5);
    rotulos[7] = new TextoS(340, 252, "SpinBoxD");
    listasD[0] = new SpinBoxD(430, 250, 120, 24);
    rotulos[8] = new TextoS(340, 332, "SpinBoxS");
    listasS[0] = new SpinBoxS(430, 330, 120, 24);

    avisos[1] = new TextoS(20, 20, "Galeria de objetos");
    rotulos[9] = new TextoS(20, 430, "F1: lista  Esc: fin");

    conmutadores[0]->SetValue(true);
    conmutadores[1]->SetValue(false);
    for (const char* color : {"Rojo", "Verde", "Azul", "Amarillo"}) listasD[0]->Append(color);
    for (const char* dia : DIAS) listasS[0]->Append(dia);
}

template <class W, size_t N> static void dibujar(W* (&lista)[N]) {
    for (W* w : lista) w->Dibujar();
}

static void repintar() {
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 250, 250, 245));
    for (size_t i = 0; i < std::size(botones); i++) {
        bool sostenido = (int)i == apretado && botones[i]->get(raton_x, raton_y);
        botones[i]->Dibujar(HUNDIDO[i] || sostenido);
    }
    dibujar(conmutadores);
    dibujar(campos);
    dibujar(rotulos);
    dibujar(casillas);
    dibujar(giros);
    dibujar(listasD);
    dibujar(listasS);
    // Widgets leave their own colours behind: set the one these texts are meant to have.
    setcolor(0, 70, 160);
    for (TextoS* t : avisos) t->DibujarColor();
    SDL_Flip(screen);
}

// The spin boxes tell which arrow is hit; stepping is the owner's call.
template <class W, size_t N> static bool flechas(W* (&lista)[N], int x, int y) {
    bool cambio = false;
    for (W* w : lista) {
        int flecha = w->get(x, y);
        if (flecha == 1) w->Increm();
        if (flecha == 2) w->Decrem();
        cambio |= flecha != 0;
    }
    return cambio;
}

// Left button down: a push button under it shows the pressed look until release.
static bool apretar(int x, int y) {
    raton_x = x, raton_y = y;
    for (size_t i = 0; i < std::size(botones); i++)
        if (botones[i]->get(x, y)) apretado = (int)i;
    return apretado >= 0;
}

// While a push button is held, the look follows whether the pointer is over it.
static bool mover(int x, int y) {
    if (apretado < 0) return false;
    bool antes = botones[apretado]->get(raton_x, raton_y);
    raton_x = x, raton_y = y;
    return antes != botones[apretado]->get(x, y);
}

// Left button up: a click counts where the button is released.
static bool soltar(int x, int y) {
    bool cambio = apretado >= 0;
    if (apretado >= 0 && botones[apretado]->get(x, y)) {
        char texto[20];
        snprintf(texto, sizeof texto, "Pulsado: %s", botones[apretado]->ValorS());
        campos[0]->Text(texto);
    }
    apretado = -1;
    for (CBoton* c : conmutadores)
        if (c->get(x, y)) c->SetValue(!c->GetValue()), cambio = true;
    for (Chequeo* c : casillas)
        if (c->get(x, y)) c->set(!c->value()), cambio = true;
    cambio |= flechas(giros, x, y);
    cambio |= flechas(listasD, x, y);
    cambio |= flechas(listasS, x, y);
    return cambio;
}

template <class W, size_t N> static void listar(W* (&lista)[N]) {
    for (W* w : lista) puts(w->Valor());
}

// The listing is C++ that recreates the layout.
static void listar_todo() {
    listar(botones);
    listar(conmutadores);
    listar(campos);
    listar(rotulos);
    listar(avisos);
    listar(casillas);
    listar(giros);
    listar(listasD);
    listar(listasS);
    fflush(stdout);
}

// One event; true when the frame must be drawn again.
static bool atender(const SDL_Event& e, bool* salir) {
    switch (e.type) {
    case SDL_QUIT: *salir = true; return false;
    case SDL_KEYDOWN:
        if (e.key.keysym.sym == SDLK_ESCAPE) *salir = true;
        if (e.key.keysym.sym == SDLK_F1) listar_todo();
        return false;
    case SDL_VIDEOEXPOSE: return true;
    case SDL_MOUSEMOTION: return mover(e.motion.x, e.motion.y);
    case SDL_MOUSEBUTTONDOWN:
        return e.button.button == SDL_BUTTON_LEFT && apretar(e.button.x, e.button.y);
    case SDL_MOUSEBUTTONUP:
        return e.button.button == SDL_BUTTON_LEFT && soltar(e.button.x, e.button.y);
    default: return false;
    }
}

int main(int, char*[]) {
    if (!init(640, 480)) return avisar_fallo("Galeria", 1);
    SDL_WM_SetCaption("Galeria", nullptr);
    SIZEfont = PUNTOS;
    if (!load_files(nullptr, nullptr, fuente())) return avisar_fallo("Galeria", 2);
    crear();
    repintar();

    bool salir = false;
    SDL_Event evento;
    while (!salir) {
        SDL_Delay(10);
        bool cambio = false;
        while (SDL_PollEvent(&evento)) cambio |= atender(evento, &salir);
        if (cambio && !salir) repintar();
    }
    clean_up();
    return 0;
}
