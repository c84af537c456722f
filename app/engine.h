// Calculator engine: the calculator's state, number entry, the operator keys,
// the error latch and the text of the display line. Every key handler takes
// no arguments; the keyboard map and the click dispatch call them. The engine
// stands on its own: it writes into the two display widgets, asks for a frame
// through `repintar` and for the end through `Fquit`, which the app fills in
// and reads.
#ifndef APP_ENGINE_H
#define APP_ENGINE_H

#include <csignal>

class TextoS;
class TextoE;

extern float DISPLAY;      // current value: the number being typed or the last result
extern float ACUMULADOR;   // first operand, taken when an operator key is pressed
extern char Fcomando;      // pending operator: 0, '+', '-', '*', '/' or '%'
extern char Fciento;       // operator of the last percent calculation: 0, '+', '-' or '*'
extern bool Ferror;        // error latch; only "C" clears it
extern bool Fpunto;        // a point has been typed into the current entry
extern int caracteres;     // characters in the entry, 0..11; 0 starts a new entry
extern char LCD[20];       // the entry as typed, at most 19 characters
extern char tmp[40];       // scratch for formatting a number or the entry plus one character
extern TextoS* lcd0S;      // the display line, 15 columns
extern TextoE* lcd0;       // the display field that receives error texts
extern void (*repintar)(); // draws a whole frame after the display line changes; null: none

// Quit flag: only ever set to 1 ("on", Escape, the window's close, SIGINT and
// SIGTERM); a signal handler writes it, hence its type.
extern volatile sig_atomic_t Fquit;

enum { COLUMNAS_LCD = 15, MAX_CARACTERES = 11 };
// The characters of every number the display line shows.
inline constexpr char CIFRAS_LCD[] = "-.0123456789";

void printLCD(const char* text);
void setDisplay();
void insertar(char c);

void Funcmd0();
void Funcmd1();
void Funcmd2();
void Funcmd3();
void Funcmd4();
void Funcmd5();
void Funcmd6();
void Funcmd7();
void Funcmd8();
void Funcmd9();
void FunPunto();
void FunC();

void precalculo();
void calculo();
void FunMas();
void FunMenos();
void FunPor();
void FunDIV();
void FunIgual();
void FunRaiz();
void FunCiento();
void Fun_on_off();

#endif
