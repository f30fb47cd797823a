// The formula language: short arithmetic expressions over numbers, variables,
// the confidence operands CNF1 and CNF2 and a few functions, parsed and
// evaluated in one pass every time their value is needed.
//
// Every intermediate result is a single-precision float; each operation runs
// in extended precision (long double) and is rounded back once. The final
// value is truncated toward zero to two decimals.
#pragma once

#include <string>
#include <string_view>

#include "ExExceptions.h"

namespace quorvel {

// What a formula needs from the engine.
class IFormulaHost {
public:
    virtual ~IFormulaHost() = default;
    // The confidence operands, readable as CNF1 and CNF2.
    virtual float Cnf1() = 0;
    virtual float Cnf2() = 0;
    // The value of a variable named in a formula. upperName is already upper
    // case (Windows-1252 bytes). Returns false when no variable has that name.
    // Otherwise sets value, or sets unknown when the variable holds no number:
    //   numeric instantiation      -> value = the number, unknown = false;
    //   non-numeric instantiation  -> unknown = true ("DESCONHECIDO");
    //   none yet                   -> derive (or ask) the variable and look again.
    // When the consultation is stopped or rolls back meanwhile, set unknown:
    // the formula then ends quietly and its caller discards the result.
    // May run other formulas, and may throw; such exceptions pass through.
    virtual bool VariableValue(std::string_view upperName, long double& value, bool& unknown) = 0;
};

struct TFormulaResult {
    float Value = 0.0f;
    // A variable used by the formula had no number. Value is then meaningless.
    bool Unknown = false;
};

// Parses and evaluates one formula (Windows-1252 text, as stored).
// Throws EExpSyntaxError for a formula that cannot be read (also for an
// undeclared variable) and EExpArithmeticError for a value that cannot be
// computed, both as "<error> Função: <formula>" cut to 255 characters. Once a
// variable turned out unknown, such faults of this formula end it quietly with
// Unknown set instead. Exceptions thrown by the host pass through unchanged.
TFormulaResult EvaluateFormula(std::string_view formulaText, IFormulaHost& host);

// The formula error texts (Windows-1252).
namespace formula_error {
inline constexpr const char* Empty = "F\xF3rmula vazia!";
inline constexpr const char* OpenParenExpected = "( esperado!";
inline constexpr const char* CommaOrCloseExpected = ", ou ) esperado!";
inline constexpr const char* CommaExpected = ", esperado!";
inline constexpr const char* CloseParenExpected = ") esperado!";
inline constexpr const char* QuoteExpected = "\" esperado!";
inline constexpr const char* OperandExpected = ") ou identificador esperado!";
inline constexpr const char* InvalidCharacter = "Caractere inv\xE1lido!";
inline constexpr const char* UnexpectedEnd = "Final inesperado de express\xE3o matem\xE1tica!";
inline constexpr const char* UndeclaredVariable = "Vari\xE1vel n\xE3o declarada: ";  // + name + "!\r\n"
// Only reachable with texts longer than a stored formula can be.
inline constexpr const char* TooDeep = "Express\xE3o aninhada demais!";

inline constexpr const char* DivisionByZero = "Divis\xE3o por zero.";
inline constexpr const char* LogOfNonPositive = "Logaritmo de n\xFAmero menor ou igual a zero.";
inline constexpr const char* BadLogBase = "Base de logaritmo inv\xE1lida: deve ser maior que zero e diferente de um.";
inline constexpr const char* SqrtOfNegative = "Raiz quadrada de n\xFAmero negativo.";
inline constexpr const char* PowerOfNonPositive = "Pot\xEAncia com base menor ou igual a zero.";
inline constexpr const char* Overflow = "Estouro num\xE9rico: valor grande demais.";
inline constexpr const char* ResultTooLarge =
    "O valor da f\xF3rmula \xE9 grande demais: o limite \xE9 21474836,47 (positivo ou negativo).";

// The tail every formula error ends with, before the formula text.
inline constexpr const char* Tail = " Fun\xE7\xE3o: ";
}  // namespace formula_error

}  // namespace quorvel
