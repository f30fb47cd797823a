#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ExFormula.h"
#include "ExText.h"

namespace quorvel {
namespace {

// A host with a fixed set of variables; nullopt stands for "DESCONHECIDO".
class TTestHost : public IFormulaHost {
public:
    float cnf1 = 0.0f;
    float cnf2 = 0.0f;
    std::map<std::string, std::optional<long double>> vars;
    std::vector<std::string> lookedUp;
    // Runs before a lookup, e.g. to evaluate another formula meanwhile.
    std::function<void(std::string_view)> onLookup;

    float Cnf1() override { return cnf1; }
    float Cnf2() override { return cnf2; }
    bool VariableValue(std::string_view upperName, long double& value, bool& unknown) override {
        lookedUp.emplace_back(upperName);
        if (onLookup) onLookup(upperName);
        const auto it = vars.find(std::string(upperName));
        if (it == vars.end()) return false;
        if (it->second)
            value = *it->second;
        else
            unknown = true;
        return true;
    }
};

// Formula texts in these tests are written in UTF-8 and stored as the base stores them.
std::string Base(const std::string& utf8) { return Utf8ToCp1252(utf8).value(); }

TFormulaResult Eval(const std::string& utf8, TTestHost& host) { return EvaluateFormula(Base(utf8), host); }

TEST(Formula, ComputesAndTruncatesToTwoDecimals) {
    struct Case {
        const char* text;
        float value;
    };
    const Case cases[] = {
        {"2+3*4", 14.0f},
        {"(2+3)*4", 20.0f},
        {"10/4", 2.5f},
        {"7/3", 2.33f},  // truncated, not rounded
        {"-7/3", -2.33f},
        {"2/3", 0.66f},
        {"-2.567", -2.56f},  // toward zero
        {"1.5", 1.5f},
        {"0.7", 0.7f},  // held as 0.69999999: the hundredfold is rounded first
        {"0.1+0.2", 0.3f},
        {"16777217", 16777216.0f},  // the number is read in single precision
        {"8-3+2", 7.0f},            // left to right
        {"8/4/2", 1.0f},
        {"--2", 2.0f},
        {"-2*3", -6.0f},
        {"2*-3+4", -2.0f},
        {"-(2)+3", 1.0f},
        {"+ - + 4", -4.0f},
        {"  1  +  2  ", 3.0f},
        {"max(1, 7, 3)", 7.0f},
        {"MAX(-1,-5)", -1.0f},
        {"Min( 3 , 1 , 2 )", 1.0f},
        {"MIN(4)", 4.0f},
        {"POT(2,10)", 1024.0f},
        {"pot(4, 0.5)", 2.0f},
        {"LOG(8,2)", 3.0f},
        {"LOG(100, 10)", 2.0f},
        {"SQR(2)", 1.41f},
        {"ABS (-3)", 3.0f},
        {"EXP(1)", 2.71f},
        {"LN(EXP(2))", 2.0f},
        {"SEN(0)", 0.0f},
        {"COS(0)", 1.0f},
        {"TAN(0.5)", 0.54f},
        {"2*(3+MAX(1,SQR(16)))-LOG(9,3)", 12.0f},
        {"21474834", 21474834.0f},
        {"-21474836", -21474836.0f},
    };
    TTestHost host;
    for (const auto& c : cases) {
        const TFormulaResult result = Eval(c.text, host);
        EXPECT_EQ(result.Value, c.value) << c.text;
        EXPECT_FALSE(result.Unknown) << c.text;
    }
    EXPECT_TRUE(host.lookedUp.empty());
}

TEST(Formula, ReadsVariablesAndTheConfidenceOperands) {
    struct Case {
        const char* text;
        float value;
    };
    const Case cases[] = {
        {"X*2", 5.0f},
        {"x * 2", 5.0f},  // names are upper-cased before the lookup
        {"X1 + 1", 11.0f},
        {"\"pressão arterial\" / 10", 12.0f},
        {"\"  Pressão Arterial\"", 120.0f},  // blanks after the opening quote are skipped
        {"\"MAX\" + MAX(1, 2)", 9.0f},       // a quoted name is never a function
        {"CNF1*CNF2", 0.4f},
        {"cnf1 + \" cnf2\"", 1.3f},  // CNF1 and CNF2 hide variables of the same name
    };
    TTestHost host;
    host.cnf1 = 0.8f;
    host.cnf2 = 0.5f;
    host.vars = {{"X", 2.5L},   {"X1", 10.0L},   {Base("PRESSÃO ARTERIAL"), 120.0L},
                 {"MAX", 7.0L}, {"CNF1", 50.0L}, {"CNF2", 60.0L}};
    for (const auto& c : cases) {
        const TFormulaResult result = Eval(c.text, host);
        EXPECT_EQ(result.Value, c.value) << c.text;
        EXPECT_FALSE(result.Unknown) << c.text;
    }
    for (const auto& name : host.lookedUp) EXPECT_TRUE(name != "CNF1" && name != "CNF2") << name;
}

TEST(Formula, ProductOfConfidencesIsRoundedToSinglePrecisionBeforeTruncation) {
    struct Case {
        float cnf1, cnf2;
        const char* text;
        float value;
    };
    const Case cases[] = {
        {0.8f, 0.5f, "CNF1*CNF2", 0.4f},
        {0.9f, 0.9f, "CNF1*CNF2", 0.8f},  // 0.80999994, not 0.81
        {0.8f, 0.35f, "MIN(CNF1, CNF2)", 0.35f},
        {0.8f, 0.35f, "MAX(CNF1, CNF2)", 0.8f},
    };
    for (const auto& c : cases) {
        TTestHost host;
        host.cnf1 = c.cnf1;
        host.cnf2 = c.cnf2;
        EXPECT_EQ(Eval(c.text, host).Value, c.value) << c.text << " " << c.cnf1 << " " << c.cnf2;
    }
}

TEST(Formula, SyntaxErrorsCarryTheExactTextAndTheFormula) {
    struct Case {
        std::string text;  // UTF-8
        const char* error;
    };
    const Case cases[] = {
        {"", "Fórmula vazia!"},
        {"   ", ") ou identificador esperado!"},
        {"1.", "Caractere inválido!"},
        {"1.+2", "Caractere inválido!"},
        {".5", ") ou identificador esperado!"},
        {"2+", ") ou identificador esperado!"},
        {"MIN()", ") ou identificador esperado!"},
        {"MAX(1 2)", ", ou ) esperado!"},
        {"SQR 4", "( esperado!"},
        {"POT 2, 3)", "( esperado!"},
        {"POT(1)", ", esperado!"},
        {"LOG(8,2", ") esperado!"},
        {"SQR(4,2)", ") esperado!"},
        {"(1+2", ") esperado!"},
        {"\"X", "\" esperado!"},
        {"1 2", "Final inesperado de expressão matemática!"},
        {"1,5", "Final inesperado de expressão matemática!"},
        {"1.5.3", "Final inesperado de expressão matemática!"},
        {"1E5", "Final inesperado de expressão matemática!"},
        {"1\t+ 2", "Final inesperado de expressão matemática!"},  // a tab is no blank
        {"\t1", ") ou identificador esperado!"},
        {std::string("1\0+9", 4), "Final inesperado de expressão matemática!"},  // NUL is no end
        {"MY VAR", "Final inesperado de expressão matemática!"},                 // unquoted, the first word is the name
        {"PRESSÃO", "Final inesperado de expressão matemática!"},                // an accent ends an unquoted name
        {"NOSUCH + 1", "Variável não declarada: NOSUCH!\r\n"},
        {"\"não há\" + 1", "Variável não declarada: NÃO HÁ!\r\n"},
        {"X + 1/0 + NOSUCH", "Divisão por zero."},  // the first fault wins
    };
    TTestHost host;
    host.vars = {{"MY", 1.0L}, {"PRESS", 1.0L}, {"X", 1.0L}};
    for (const auto& c : cases) {
        try {
            EvaluateFormula(Base(c.text), host);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const EExpertSystem& e) {
            // what() ends at a NUL byte of the formula
            EXPECT_EQ(e.what(), std::string(c.error) + " Função: " + c.text.c_str()) << c.text;
            const bool arithmetic = dynamic_cast<const EExpArithmeticError*>(&e) != nullptr;
            EXPECT_EQ(arithmetic, std::string(c.error) == "Divisão por zero.") << c.text;
        }
    }
}

TEST(Formula, ArithmeticFaultsRaiseClearErrorsInsteadOfInfinities) {
    struct Case {
        const char* text;
        const char* error;
    };
    const char* kLog = "Logaritmo de número menor ou igual a zero.";
    const char* kBase = "Base de logaritmo inválida: deve ser maior que zero e diferente de um.";
    const char* kOverflow = "Estouro numérico: valor grande demais.";
    const char* kTooLarge = "O valor da fórmula é grande demais: o limite é 21474836,47 (positivo ou negativo).";
    const Case cases[] = {
        {"1/0", "Divisão por zero."},
        {"0/(2-2)", "Divisão por zero."},
        {"LN(0)", kLog},
        {"LN(-1)", kLog},
        {"LOG(0,2)", kLog},
        {"LOG(8,1)", kBase},
        {"LOG(8,0)", kBase},
        {"LOG(8,-2)", kBase},
        {"SQR(-0.01)", "Raiz quadrada de número negativo."},
        {"POT(0,2)", "Potência com base menor ou igual a zero."},
        {"POT(-2,2)", "Potência com base menor ou igual a zero."},
        {"EXP(100)", kOverflow},
        {"POT(10, 39)", kOverflow},
        {"1000000000000000000000000000000000000000", kOverflow},  // 10^39: past single precision
        {"30000000*30000000*30000000*30000000*30000000", kOverflow},
        {"21474836", kTooLarge},
        {"-30000000", kTooLarge},
    };
    TTestHost host;
    for (const auto& c : cases) {
        try {
            EvaluateFormula(c.text, host);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const EExpertSystem& e) {
            EXPECT_EQ(e.what(), std::string(c.error) + " Função: " + c.text) << c.text;
        }
    }
    EXPECT_THROW(EvaluateFormula("SQR(-1)", host), EExpArithmeticError);
    EXPECT_THROW(EvaluateFormula("1/0", host), EExpArithmeticError);
}

TEST(Formula, MessageIsCutTo255CharactersOfTheBaseCodePage) {
    TTestHost host;
    // Accented letters take two bytes in UTF-8 but one in the base's code page.
    const std::string text = "1 2 " + std::string(300, '\xE1');
    try {
        EvaluateFormula(text, host);
        ADD_FAILURE();
    } catch (const EExpSyntaxError& e) {
        const std::string message = Utf8ToCp1252(e.what()).value();
        EXPECT_EQ(message.size(), 255u);
        EXPECT_EQ(message, (Base("Final inesperado de expressão matemática! Função: ") + text).substr(0, 255));
    }
}

TEST(Formula, UnknownVariableMakesTheFormulaUnknownAndSilencesItsLaterFaults) {
    struct Case {
        const char* text;
        bool throws;  // the fault comes before the unknown variable
    };
    const Case cases[] = {
        {"X + 1", false},     {"10/X", false},  {"X + (", false},   {"X + NOSUCH", false},     {"X 1", false},
        {"(1 + X", false},    {"LN(X)", false}, {"X + 1/0", false}, {"X*0 + 30000000", false}, {"1/0 + X", true},
        {"NOSUCH + X", true}, {"(* X", true},
    };
    for (const auto& c : cases) {
        TTestHost host;
        host.vars = {{"X", std::nullopt}};
        if (c.throws) {
            EXPECT_THROW(EvaluateFormula(c.text, host), EExpertSystem) << c.text;
        } else {
            EXPECT_TRUE(EvaluateFormula(c.text, host).Unknown) << c.text;
        }
    }
}

TEST(Formula, KeepsLookingUpVariablesAfterAnUnknownOne) {
    TTestHost host;
    host.vars = {{"X", std::nullopt}, {"Y", 3.0L}};
    EXPECT_TRUE(Eval("x + y", host).Unknown);
    EXPECT_EQ(host.lookedUp, (std::vector<std::string>{"X", "Y"}));
}

TEST(Formula, NestedEvaluationsAreIndependentAndTheirErrorsPassThrough) {
    TTestHost host;
    host.vars = {{"X", std::nullopt}, {"Y", 0.0L}, {"Z", 0.0L}};
    // Deriving Y evaluates another formula meanwhile; deriving Z meets a faulty one.
    host.onLookup = [&host](std::string_view name) {
        if (name == "Y") host.vars["Y"] = static_cast<long double>(EvaluateFormula("2*3", host).Value);
        if (name == "Z") EvaluateFormula("2+", host);
    };
    EXPECT_EQ(Eval("Y + 1", host).Value, 7.0f);
    // The unknown X silences this formula's own faults, not those of another formula.
    EXPECT_THROW(Eval("X + Z", host), EExpSyntaxError);
}

TEST(Formula, DeepNestingIsBoundedAndLongSignRunsAreFine) {
    TTestHost host;
    const auto nested = [](int depth) { return std::string(depth, '(') + "1" + std::string(depth, ')'); };
    EXPECT_EQ(EvaluateFormula(nested(120), host).Value, 1.0f);
    EXPECT_EQ(EvaluateFormula("MAX(" + nested(100) + ", 0)", host).Value, 1.0f);
    EXPECT_THROW(EvaluateFormula(nested(5000), host), EExpSyntaxError);
    EXPECT_EQ(EvaluateFormula(std::string(100001, '-') + "1", host).Value, -1.0f);
}

TEST(Formula, LongFractionsDoNotOverflow) {
    TTestHost host;
    const float nines = EvaluateFormula("1." + std::string(60, '9'), host).Value;
    EXPECT_TRUE(nines == 1.99f || nines == 2.0f) << nines;
    EXPECT_EQ(EvaluateFormula("5." + std::string(60, '0') + "1", host).Value, 5.0f);
}

}  // namespace
}  // namespace quorvel
