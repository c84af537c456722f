// Tests of the calculator engine through its key handlers, reading the
// display line as the user would see it after every key.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "app/engine.h"
#include "tests/support/display.h"
#include "widgets/objetos.h"

namespace {

// The engine alone: its two display widgets, as the keypad creates them, and
// no window; `repintar` stays null.
class Engine : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        lcd0 = new TextoE(32, 160, 192, 32, "TextoE1");
        lcd0S = new TextoS(6, 168, "TextoE1S");
    }
    void SetUp() override {
        ASSERT_NE(lcd0S, nullptr);
        FunC();
        lcd0->Text("TextoE1");
        Fquit = 0;
    }
};

// One character per key: digits, '.', '+', '-', 'x', '/', '=', 'r' (sqr), '%', 'C'.
void press(char k) {
    if (k >= '0' && k <= '9') {
        insertar(k);
        return;
    }
    switch (k) {
    case '.': FunPunto(); break;
    case '+': FunMas(); break;
    case '-': FunMenos(); break;
    case 'x': FunPor(); break;
    case '/': FunDIV(); break;
    case '=': FunIgual(); break;
    case 'r': FunRaiz(); break;
    case '%': FunCiento(); break;
    case 'C': FunC(); break;
    default: FAIL() << "no key " << k;
    }
}

std::string shown() {
    std::string line = lcd0S->ValorS();
    EXPECT_EQ(line.size(), 15u) << "[" << line << "]";
    return testsupport::display_text(line);
}

// Presses the keys and returns the display after each one.
std::vector<std::string> run(const std::string& keys) {
    std::vector<std::string> out;
    for (char k : keys) {
        press(k);
        out.push_back(shown());
    }
    return out;
}

struct Sequence {
    const char* keys;
    std::vector<std::string> display;
};

void check(const Sequence* cases, size_t n) {
    for (size_t i = 0; i < n; i++) {
        FunC();
        EXPECT_EQ(run(cases[i].keys), cases[i].display) << "keys: " << cases[i].keys;
    }
}

TEST_F(Engine, EntryShowsTheTextAsTypedWithinElevenCharacters) {
    const Sequence cases[] = {
        {"123", {"1", "12", "123"}},
        {"007", {"0", "00", "007"}},
        {"3.", {"3", "3."}},
        {".5", {".", ".5"}},
        {"1..", {"1", "1.", "1."}},
        {"1.5.5", {"1", "1.", "1.5", "1.5", "1.55"}},
        {"123456789012",
         {"1", "12", "123", "1234", "12345", "123456", "1234567", "12345678", "123456789",
          "1234567890", "12345678901", "12345678901"}},
        {"1234567890.1+.5",
         {"1", "12", "123", "1234", "12345", "123456", "1234567", "12345678", "123456789",
          "1234567890", "1234567890.", "1234567890.", "1234567890.", ".", ".5"}},
        {"99999999999+0=",
         {"9", "99", "999", "9999", "99999", "999999", "9999999", "99999999", "999999999",
          "9999999999", "99999999999", "99999999999", "0", "99999997952"}},
    };
    check(cases, std::size(cases));
    FunC();
    run(".5");
    EXPECT_EQ(DISPLAY, 0.5f);
    EXPECT_EQ(caracteres, 2);
    FunC();
    run("12345678901.");
    EXPECT_TRUE(Fpunto) << "a refused point still counts as the entry's point";
    EXPECT_EQ(strlen(LCD), 11u);
}

TEST_F(Engine, OperatorsCompleteThePendingOperationWithoutPrecedence) {
    const Sequence cases[] = {
        {"2+3+4=", {"2", "2", "3", "5", "4", "9"}},
        {"9-4=", {"9", "9", "4", "5"}},
        {"8/2=", {"8", "8", "2", "4"}},
        {"6x7==", {"6", "6", "7", "42", "42"}},
        {"12+", {"1", "12", "12"}},
        {"5+=", {"5", "5", "5"}},
        {"2+3=4", {"2", "2", "3", "5", "34"}},
        {"16+9r=", {"1", "16", "16", "9", "3", "19"}},
        {"0r", {"0", "0"}},
        {"2r", {"2", "1.414"}},
        {"1/3=", {"1", "1", "3", "0.333"}},
        {"2/3=", {"2", "2", "3", "0.666"}},
        {"1/10=", {"1", "1", "1", "10", "0.100"}},
        {"1.05x1=", {"1", "1.", "1.0", "1.05", "1.05", "1", "1.049"}},
        {"1/20=", {"1", "1", "2", "20", "0.050"}},
        {"1.0004x1=", {"1", "1.", "1.0", "1.00", "1.000", "1.0004", "1.0004", "1", "1"}},
        {"0-.5=", {"0", "0", ".", ".5", "-0.500"}},
        {"0-1.25=", {"0", "0", "1", "1.", "1.2", "1.25", "-1.250"}},
        {"0-.0004=", {"0", "0", ".", ".0", ".00", ".000", ".0004", "0"}},
        {"3-7=", {"3", "3", "7", "-4"}},
    };
    check(cases, std::size(cases));
}

TEST_F(Engine, PercentFollowsTheOperatorItWasMadeWith) {
    const Sequence cases[] = {
        {"200+10%=", {"2", "20", "200", "200", "1", "10", "20", "220"}},
        {"200-10%=", {"2", "20", "200", "200", "1", "10", "20", "180"}},
        {"200x10%=", {"2", "20", "200", "200", "1", "10", "20", "20"}},
        {"200+10%+", {"2", "20", "200", "200", "1", "10", "20", "220"}},
        {"200x10%-", {"2", "20", "200", "200", "1", "10", "20", "180"}},
        {"100/4%=", {"1", "10", "100", "100", "4", "4", "4"}},
        {"7%", {"7", "7"}},
        // Fciento lives until "C": an operator then "=" uses the first operand twice.
        {"200+10%=5+=", {"2", "20", "200", "200", "1", "10", "20", "220", "105", "105", "210"}},
    };
    check(cases, std::size(cases));
}

TEST_F(Engine, ErrorLatchShowsItsTextAndBlocksEveryKeyButClear) {
    const Sequence cases[] = {
        {"7/0=", {"7", "7", "0", "Infinite"}},
        {"5-9=r", {"5", "5", "9", "-4", "Error SQRT -"}},
    };
    for (const auto& c : cases) {
        FunC();
        EXPECT_EQ(run(c.keys), c.display) << c.keys;
        EXPECT_TRUE(Ferror);
        EXPECT_STREQ(lcd0->ValorS(), c.display.back().c_str());
        float before = DISPLAY;
        for (char k : std::string("5.+-x/=r%")) {
            press(k);
            EXPECT_EQ(shown(), c.display.back()) << "key " << k << " after " << c.keys;
        }
        EXPECT_EQ(DISPLAY, before);
        EXPECT_EQ(Fcomando, 0);
        press('C');
        EXPECT_EQ(shown(), "0");
        EXPECT_FALSE(Ferror);
        EXPECT_STREQ(lcd0->ValorS(), c.display.back().c_str()) << "C leaves the field's text";
        EXPECT_EQ(run("12"), (std::vector<std::string>{"1", "12"}));
    }
}

TEST_F(Engine, ClearLeavesNothingPending) {
    run("200+10%=5x3.");
    FunC();
    EXPECT_EQ(shown(), "0");
    EXPECT_EQ(DISPLAY, 0.0f);
    EXPECT_EQ(ACUMULADOR, 0.0f);
    EXPECT_EQ(Fcomando, 0);
    EXPECT_EQ(Fciento, 0);
    EXPECT_FALSE(Fpunto);
    EXPECT_EQ(caracteres, 0);
    EXPECT_EQ(run("5+="), (std::vector<std::string>{"5", "5", "5"}));
}

TEST_F(Engine, EveryValueFitsTheFifteenColumns) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.1f, "0.100"},
        {1.0f / 3.0f, "0.333"},
        {1.0499999f, "1.049"},
        {7.0f, "7"},
        {-7.0f, "-7"},
        {12.5f, "12.500"},
        {-0.5f, "-0.500"},
        {-1.25f, "-1.250"},
        {-0.0004f, "0"},
        {-0.0f, "0"},
        {99999997952.0f, "99999997952"},
        {2147483648.0f, "2147483648"},
        {-2147483648.0f, "-2147483648"},
        {1e15f, "999999986991104"},
        {-1e15f, "-1.000000e+15"},
        {1e16f, "1.000000e+16"},
        {1e20f, "1.000000e+20"},
        {-3e38f, "-3.000000e+38"},
        {inf, "Infinite"},
        {-inf, "-Infinite"},
        {std::nanf(""), "Error"},
    };
    for (const auto& c : cases) {
        DISPLAY = c.value;
        setDisplay();
        EXPECT_EQ(shown(), c.text) << c.value;
    }
}

TEST_F(Engine, OverflowAndInfinityMinusInfinityShowTheirTexts) {
    run("99999999999x99999999999=");
    EXPECT_EQ(shown(), "1.000000e+22");
    run("x99999999999x99999999999=");
    EXPECT_EQ(shown(), "Infinite");
    EXPECT_FALSE(Ferror) << "overflow is not an error";
    ACUMULADOR = DISPLAY;
    Fcomando = '-';
    FunIgual();
    EXPECT_EQ(shown(), "Error");
    EXPECT_TRUE(std::isnan(DISPLAY));
    FunDIV();
    run("2=");
    EXPECT_EQ(shown(), "Error") << "NaN is divided, not latched";
    EXPECT_FALSE(Ferror);
}

TEST_F(Engine, OnKeyWritesEndAndSetsQuitInEveryState) {
    run("7/0=");
    ::testing::internal::CaptureStdout();
    Fun_on_off();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "END\n");
    EXPECT_EQ(Fquit, 1);
    Fquit = 0;
}

TEST_F(Engine, PrintLcdKeepsTheLastFifteenCharacters) {
    printLCD("abcdefghijklmnopqrst");
    EXPECT_STREQ(lcd0S->ValorS(), "fghijklmnopqrst");
    printLCD("");
    EXPECT_STREQ(lcd0S->ValorS(), "               ");
}

} // namespace
