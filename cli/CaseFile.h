// Test cases of a base: a text file (UTF-8) holding one or more cases, each
// with the answers of a consultation and what it must give.
//
//   # a comment
//   caso: Rega em excesso
//   Folhas amareladas = Sim                  an answer, as in an answers file
//   Terra = encharcada
//   espera: Problema = excesso de rega       the value is concluded...
//   espera: Problema = excesso de rega >= 80 ...with a confidence in bounds (>=, <=, >, <)
//   espera: Problema = excesso de rega = 90  ...or exactly (as a percentage)
//   ausente: Problema = ácaros               the value is not concluded
//   sem valor: Prazo                         the variable has no value (or only DESCONHECIDO)
//   perguntas: Folhas amareladas, Terra      exactly these questions, in this order
//   erro: Divisão por zero                   the consultation ends with an engine error
//                                            holding this text (empty: any error)
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "CmdConsult.h"

namespace quorvel::cli {

struct TValueExpectation {
    enum class TKind { Present, Absent, NoValue };
    TKind Kind = TKind::Present;
    std::string Variable;  // Windows-1252
    std::string Value;     // Windows-1252; empty for NoValue
    std::string Operator;  // "", ">=", "<=", ">", "<" or "=" for the confidence
    double Percent = 0.0;  // the bound, as a percentage
    std::string Text;      // the line as written (UTF-8), to quote it back
    int Line = 0;
};

struct TTestCase {
    std::string Name;  // UTF-8
    int Line = 0;
    std::map<std::string, TScriptedAnswer> Answers;
    std::vector<TValueExpectation> Values;
    std::optional<std::vector<std::string>> Questions;  // Windows-1252 names
    std::optional<std::string> Error;                   // UTF-8 text the error must hold
};

// Reads a case file; nullopt with the reason ("linha N: ...") when it is not valid.
std::optional<std::vector<TTestCase>> ParseCaseFile(const std::string& text, std::string& reason);

}  // namespace quorvel::cli
