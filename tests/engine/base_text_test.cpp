// The .bct text of a knowledge base: every construct read into the base,
// every error with its line and column, and exact round trips (base -> text
// -> the same file bytes; canonical text -> base -> the same text).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "ExBaseText.h"
#include "ExSystem.h"
#include "ExText.h"
#include "TestSupport.h"
#include "engine/RandomBase.h"

namespace quorvel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string ErrorsText(const std::vector<TBaseTextError>& errors) {
    std::string text;
    for (const auto& error : errors) text += FormatBaseTextError("t.bct", error) + "\n";
    return text;
}

// Reads a text that must be valid.
void ReadValid(const std::string& text, TExpertSystem& base, TBaseTextSourceMap* map = nullptr,
               const TBaseTextReadOptions& options = {}) {
    std::vector<TBaseTextError> errors;
    ASSERT_TRUE(ReadBaseText(text, base, errors, map, options)) << ErrorsText(errors);
}

std::vector<uint8_t> Bytes(TExpertSystem& base) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(base.SaveBytes(bytes)) << base.LastSaveError();
    return bytes;
}

// The base as its file holds it: saved, then opened with its password.
void ThroughFile(TExpertSystem& base, TExpertSystem& loaded, const std::string& password) {
    TFixedPasswordPrompt prompt(password);
    loaded.SetPasswordPrompt(&prompt);
    ASSERT_TRUE(loaded.LoadBytes(Bytes(base)));
    loaded.SetPasswordPrompt(nullptr);
}

// base -> text -> base gives the same bytes, and the text is canonical.
void ExpectRoundTrip(TExpertSystem& base) {
    const std::string text = WriteBaseText(base, {true});
    test::TCapturingSink sink;
    TExpertSystem again(&sink);
    ReadValid(text, again);
    EXPECT_EQ(Bytes(again), Bytes(base)) << text;
    EXPECT_EQ(WriteBaseText(again, {true}), text);
}

std::string ExamplePath(const std::string& name) {
    return std::string(QUORVEL_TEST_DATA) + "/../../examples/" + name;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ------------------------------------------------------------ round trips

TEST(BaseTextRoundTrip, RandomBasesOfBothVersionsGiveBackTheirBytes) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        test::RandomBase random(seed);
        test::TCapturingSink sink;
        TExpertSystem built(&sink);
        random.Fill(built);
        TExpertSystem loaded(&sink);
        ThroughFile(built, loaded, random.Password());
        ExpectRoundTrip(loaded);
        if (HasFailure()) break;
    }
}

TEST(BaseTextRoundTrip, ExampleSourcesAreCanonical) {
    for (const char* name : {"cuidados_plantas.bct", "credito_pessoal.bct"}) {
        SCOPED_TRACE(name);
        const std::string text = FileText(ExamplePath(name));
        ASSERT_FALSE(text.empty());
        test::TCapturingSink sink;
        TExpertSystem base(&sink);
        ReadValid(text, base);
        EXPECT_EQ(WriteBaseText(base), text);
        ExpectRoundTrip(base);
    }
}

// The complete example of the manual is a base that compiles.
TEST(BaseTextRoundTrip, TheManualsExampleCompiles) {
    const std::string manual = FileText(std::string(QUORVEL_TEST_DATA) + "/../../resources/help/quorvel.html");
    const std::size_t start = manual.find("<pre># Triagem de cr");
    ASSERT_NE(start, std::string::npos);
    const std::size_t end = manual.find("</pre>", start);
    std::string text = manual.substr(start + 5, end - start - 5);
    for (const auto& [entity, character] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
        for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at))
            text.replace(at, std::string(entity).size(), character);
    }
    test::TCapturingSink sink;
    TExpertSystem base(&sink);
    ReadValid(text, base);
    EXPECT_EQ(base.Rules().Count(), 3);
}

// A base with one of every kind of line, and names that only read back in quotes.
const char* const kEveryLine = R"(BASE "  Nome com brancos  "
VERSÃO 1.1
AUTORES Autora
ABERTURA Primeira linha
ABERTURA
ABERTURA "# não é comentário"
MOSTRAR ABERTURA
ARQUIVO DE AJUDA C:\ajuda\base.hlp
CNF DA CONJUNÇÃO MIN(CNF1, CNF2)
CNF DA DISJUNÇÃO INATIVA CNF1+CNF2
CNF DA CONCLUSÃO
PRECEDÊNCIA OU
CNF MÍNIMO 62.5%
AVALIAR TODAS AS PREMISSAS
UTILIZAR SENHA
RESTRIÇÃO EXECUÇÃO E VISUALIZAÇÃO
SENHA tem "aspas"

VARIÁVEL SIM/NÃO Não sei
  PERGUNTA "Sabe?\tTab"
  MOTIVO Primeiro motivo
  MOTIVO
  SEM CNF

VARIÁVEL Resposta @3
  VALOR Sim
  VALOR "@5" @7
    AJUDA -12
  VALOR "  x  "
  PERGUNTA Qual?

VARIÁVEL MULTIVALORADA a=b
  VALOR x

VARIÁVEL NUMÉRICA Número
  INTERVALO 0;10

VARIÁVEL NUMÉRICA MULTIVALORADA OCULTO

VARIÁVEL SIM/NÃO "MULTIVALORADA demais"

OBJETIVO Resposta
OBJETIVO OCULTO "OCULTO"
OBJETIVO Resposta

REGRA
  SE NÃO "Não sei" = Sim
  OU Resposta = @-2
  E Resposta <> "@5"
  ENTÃO Resposta = Sim CNF 33.33333%
  E "a=b" = x CNF -25%

REGRA Numérica @9
  SE Número >= "DESCONHECIDO"
  E Número < DESCONHECIDO
  E NÃO Número <= "1 #2" @4
  ENTÃO Número = "\"Número\"" CNF 1e-28%
  E Número = "1 #2" CNF 150%

FÓRMULA sem uso
FÓRMULA Repetida
FÓRMULA Repetida @8
)";

TEST(BaseTextRoundTrip, EveryKindOfLineReadsBackToTheSameText) {
    test::TCapturingSink sink;
    TExpertSystem base(&sink);
    ReadValid(kEveryLine, base);
    EXPECT_EQ(WriteBaseText(base, {true}), kEveryLine);
    ExpectRoundTrip(base);
    TExpertSystem v10(&sink);
    ReadValid("VERSÃO 1.0\nVARIÁVEL A\n  VALOR x\n  PERGUNTA P\n", v10);
    ExpectRoundTrip(v10);
}

// Without the option a text carries no password; the compiler takes it apart.
TEST(BaseTextRoundTrip, PasswordIsWrittenOnlyWhenAskedForAndAtFullAccess) {
    test::TCapturingSink sink;
    TExpertSystem base(&sink);
    ReadValid("UTILIZAR SENHA\nRESTRIÇÃO NENHUMA\nSENHA Segredo\n", base);
    EXPECT_EQ(base.PasswordBlock.Password, ScrambleText("Segredo"));
    const std::string withPassword = WriteBaseText(base, {true});
    EXPECT_NE(withPassword.find("SENHA Segredo\n"), std::string::npos);
    const std::string without = WriteBaseText(base);
    EXPECT_EQ(without.find("SENHA Segredo"), std::string::npos);
    EXPECT_NE(without.find("UTILIZAR SENHA\n"), std::string::npos);

    std::vector<TBaseTextError> errors;
    TExpertSystem rebuilt(&sink);
    EXPECT_FALSE(ReadBaseText(without, rebuilt, errors));
    TBaseTextReadOptions options;
    options.Password = "Segredo";
    ReadValid(without, rebuilt, nullptr, options);
    EXPECT_EQ(Bytes(rebuilt), Bytes(base));

    base.AccessLevel = kAccessConsultAndView;
    EXPECT_EQ(WriteBaseText(base, {true}).find("SENHA Segredo"), std::string::npos);
}

// ------------------------------------------------------------ constructs

struct TConstructCase {
    const char* title;
    const char* text;
    std::function<void(TExpertSystem&)> check;
};

const TValNode* ValueNamed(TExpertSystem& base, int32_t varCode, const std::string& name) {
    for (const TNode* node : base.Values().Records(kKeyCode)) {
        const auto* value = static_cast<const TValNode*>(node);
        if (value->VarCode == varCode && value->Name == name) return value;
    }
    return nullptr;
}

std::vector<const TTailNode*> Premises(TExpertSystem& base) {
    std::vector<const TTailNode*> lines;
    for (const TNode* node : base.Tails().Records(kKeyCode)) lines.push_back(static_cast<const TTailNode*>(node));
    return lines;
}

std::vector<const THeadNode*> Conclusions(TExpertSystem& base) {
    std::vector<const THeadNode*> lines;
    for (const TNode* node : base.Heads().Records(kKeyCode)) lines.push_back(static_cast<const THeadNode*>(node));
    return lines;
}

TEST(BaseTextRead, EveryConstructReachesTheBase) {
    const TConstructCase cases[] = {
        {"an empty text is a new base", "",
         [](TExpertSystem& b) {
             EXPECT_EQ(b.BaseName, "SEM NOME");
             EXPECT_EQ(b.Version, "1.1");
             EXPECT_FLOAT_EQ(b.MinimumCnf, 0.5f);
             EXPECT_EQ(b.PasswordBlock.Restriction, 1);
         }},
        {"general information, any letter case, accents optional",
         "base Minha base\nversao 1.0\nAutores Ana e Rui\nabertura Olá\nAbertura\nmostrar abertura\n"
         "arquivo de ajuda x.hlp\nprecedencia ou\ncnf minimo 75 %\navaliar todas as premissas\n",
         [](TExpertSystem& b) {
             EXPECT_EQ(b.BaseName, "Minha base");
             EXPECT_EQ(b.Version, "1.0");
             EXPECT_EQ(b.Authors, "Ana e Rui");
             EXPECT_THAT(b.OpeningText, ElementsAre("Ol\xE1", ""));
             EXPECT_TRUE(b.ShowOpening);
             EXPECT_EQ(b.HelpFile, "x.hlp");
             EXPECT_EQ(b.Precedence, 1);
             EXPECT_FLOAT_EQ(b.MinimumCnf, 0.75f);
             EXPECT_TRUE(b.EvaluateAllPremises);
         }},
        {"confidence formulas, in use and kept aside",
         "CNF DA CONJUNÇÃO CNF1*CNF2\nCNF DA DISJUNÇÃO INATIVA MAX(CNF1, CNF2)\nCNF DA CONCLUSÃO\n",
         [](TExpertSystem& b) {
             EXPECT_EQ(b.AndFormula.Text, "CNF1*CNF2");
             EXPECT_FALSE(b.AndFormula.UseDefault);
             EXPECT_EQ(b.OrFormula.Text, "MAX(CNF1, CNF2)");
             EXPECT_TRUE(b.OrFormula.UseDefault);
             EXPECT_EQ(b.ConclusionFormula.Text, "");
             EXPECT_FALSE(b.ConclusionFormula.UseDefault);
         }},
        {"protection", "UTILIZAR SENHA\nRESTRIÇÃO SOMENTE EXECUÇÃO\nSENHA abc\n",
         [](TExpertSystem& b) {
             EXPECT_TRUE(b.PasswordBlock.UsePassword);
             EXPECT_EQ(b.PasswordBlock.Restriction, 2);
             EXPECT_EQ(b.PasswordBlock.Password, ScrambleText("abc"));
         }},
        {"kinds of variables and codes following the declarations",
         "VARIÁVEL A\n VALOR x\nVARIÁVEL SIM/NÃO B @10\nVARIÁVEL MULTIVALORADA C\nVARIÁVEL NUMÉRICA D\n"
         " INTERVALO 0;9\nVARIÁVEL MULTIVALORADA NUMÉRICA E @2\n",
         [](TExpertSystem& b) {
             ASSERT_TRUE(b.Vars().Find(1));
             EXPECT_FALSE(b.Vars().GetMultivalued() || b.Vars().GetNumeric());
             ASSERT_TRUE(b.Vars().Find(10));
             EXPECT_EQ(b.Vars().GetName(), "B");
             ASSERT_TRUE(b.Vars().Find(11));
             EXPECT_TRUE(b.Vars().GetMultivalued());
             ASSERT_TRUE(b.Vars().Find(12));
             EXPECT_TRUE(b.Vars().GetNumeric());
             ASSERT_TRUE(b.Vars().Find(2));
             EXPECT_TRUE(b.Vars().GetNumeric() && b.Vars().GetMultivalued());
             ASSERT_NE(ValueNamed(b, 12, "0;9"), nullptr);
         }},
        {"values in position order, codes running on across variables, help contexts",
         "VARIÁVEL A\n VALOR x @5\n  AJUDA 7\n VALOR y\nVARIÁVEL B\n VALOR z\n",
         [](TExpertSystem& b) {
             const TValNode* x = ValueNamed(b, 1, "x");
             const TValNode* y = ValueNamed(b, 1, "y");
             const TValNode* z = ValueNamed(b, 2, "z");
             ASSERT_TRUE(x && y && z);
             EXPECT_EQ(x->Code, 5);
             EXPECT_EQ(y->Code, 6);
             EXPECT_EQ(z->Code, 7);
             EXPECT_EQ(y->Position, 2);
             ASSERT_TRUE(b.HelpContexts().Find(5));
             EXPECT_EQ(b.HelpContexts().GetHelpContext(), 7);
         }},
        {"questions with reasons and the confidence flag",
         "VARIÁVEL A\n PERGUNTA Tudo bem?\n MOTIVO um\n MOTIVO dois\n SEM CNF\nVARIÁVEL B\n PERGUNTA Sim?\n",
         [](TExpertSystem& b) {
             ASSERT_TRUE(b.Questions().Find(1));
             EXPECT_EQ(b.Questions().GetText(), "Tudo bem?");
             EXPECT_THAT(b.Questions().GetReasons(), ElementsAre("um", "dois"));
             EXPECT_FALSE(b.Questions().GetUseCnf());
             ASSERT_TRUE(b.Questions().Find(2));
             EXPECT_TRUE(b.Questions().GetUseCnf());
         }},
        {"targets in order, hidden ones, by name in any case",
         "VARIÁVEL Alfa\nVARIÁVEL Beta\nOBJETIVO beta\nOBJETIVO OCULTO ALFA\n",
         [](TExpertSystem& b) {
             ASSERT_EQ(b.Targets().Count(), 2);
             EXPECT_EQ(b.Targets().Get(0).VarCode, 2);
             EXPECT_TRUE(b.Targets().Get(0).ShowResults);
             EXPECT_EQ(b.Targets().Get(1).VarCode, 1);
             EXPECT_FALSE(b.Targets().Get(1).ShowResults);
         }},
        {"rules: connectives, negation, operators, conclusions and their confidences",
         "VARIÁVEL A\n VALOR x\n VALOR y\nVARIÁVEL SIM/NÃO B\nREGRA Primeira\n SE A = x\n OU NÃO B = Não\n"
         " E A<>y\n ENTÃO A = y CNF 80%\n E B = Sim\nREGRA @7\n SE B = desconhecido\n ENTÃO B = nao CNF 12,5%\n",
         [](TExpertSystem& b) {
             ASSERT_TRUE(b.Rules().Find(1));
             EXPECT_EQ(b.Rules().GetName(), "Primeira");
             EXPECT_EQ(b.Rules().GetOrder(), 1);
             ASSERT_TRUE(b.Rules().Find(7));
             EXPECT_EQ(b.Rules().GetOrder(), 2);
             const auto premises = Premises(b);
             ASSERT_EQ(premises.size(), 4u);
             EXPECT_EQ(premises[0]->Connective, 1);
             EXPECT_EQ(premises[1]->Connective, 0);
             EXPECT_TRUE(premises[1]->Negated);
             EXPECT_EQ(premises[1]->ValueCode, kCodeNo);
             EXPECT_EQ(premises[2]->Operator, "<>");
             EXPECT_EQ(premises[2]->Connective, 2);
             EXPECT_EQ(premises[3]->ValueCode, kCodeUnknown);
             const auto conclusions = Conclusions(b);
             ASSERT_EQ(conclusions.size(), 3u);
             EXPECT_FLOAT_EQ(conclusions[0]->Cnf, 0.8f);
             EXPECT_FLOAT_EQ(conclusions[1]->Cnf, 1.0f);
             EXPECT_EQ(conclusions[1]->ValueCode, kCodeYes);
             EXPECT_FLOAT_EQ(conclusions[2]->Cnf, 0.125f);
         }},
        {"a variable's own value named Sim comes before the yes/no value",
         "VARIÁVEL A\n VALOR Sim\n VALOR Não\nREGRA\n SE A = sim\n E A = @-2\n ENTÃO A = Não\n",
         [](TExpertSystem& b) {
             const auto premises = Premises(b);
             ASSERT_EQ(premises.size(), 2u);
             EXPECT_EQ(premises[0]->ValueCode, 1);
             EXPECT_EQ(premises[1]->ValueCode, kCodeYes);
             EXPECT_EQ(Conclusions(b)[0]->ValueCode, 2);
         }},
        {"formulas: the same text shares its code, new ones take the lowest free code, unused ones kept",
         "VARIÁVEL NUMÉRICA N\nFÓRMULA sobra @1\nREGRA\n SE N > 2*N\n E N < 0 @5\n E N = DESCONHECIDO\n"
         " ENTÃO N = 2*N\n E N = @5\n",
         [](TExpertSystem& b) {
             const auto premises = Premises(b);
             ASSERT_EQ(premises.size(), 3u);
             EXPECT_EQ(premises[0]->ValueCode, 2);
             EXPECT_EQ(premises[1]->ValueCode, 5);
             EXPECT_EQ(premises[2]->ValueCode, kCodeUnknown);
             const auto conclusions = Conclusions(b);
             EXPECT_EQ(conclusions[0]->ValueCode, 2);
             EXPECT_EQ(conclusions[1]->ValueCode, 5);
             EXPECT_EQ(b.Formulas().Count(), 3);
             ASSERT_TRUE(b.Formulas().Find(1));
             EXPECT_EQ(b.Formulas().GetName(), "sobra");
         }},
        {"quotes, escapes, comments, blank lines, CRLF and a byte-order mark",
         "\xEF\xBB\xBF# comentário\r\n\r\nBASE \"a \\\"b\\\" \\\\ \\u20AC\\t\" # fim\r\n  # recuado\r\nAUTORES C#\r\n",
         [](TExpertSystem& b) {
             EXPECT_EQ(b.BaseName, "a \"b\" \\ \x80\t");
             EXPECT_EQ(b.Authors, "C#");
         }},
        {"blocks in any order: rules before the variables they use",
         "REGRA\n SE A = x\n ENTÃO A = x\nVARIÁVEL A\n VALOR x\n",
         [](TExpertSystem& b) { EXPECT_EQ(Premises(b)[0]->VarCode, 1); }},
        {"variables and values named by code", "VARIÁVEL A\n VALOR x @4\nOBJETIVO @1\nREGRA\n SE @1 = @4\n ENTÃO A = x\n",
         [](TExpertSystem& b) {
             EXPECT_EQ(b.Targets().Get(0).VarCode, 1);
             EXPECT_EQ(Premises(b)[0]->ValueCode, 4);
         }},
    };
    for (const TConstructCase& c : cases) {
        SCOPED_TRACE(c.title);
        test::TCapturingSink sink;
        TExpertSystem base(&sink);
        ReadValid(c.text, base);
        c.check(base);
        EXPECT_THAT(sink.Messages, IsEmpty());
    }
}

TEST(BaseTextRead, SourceMapGivesTheLineOfEveryRecord) {
    const char* text =
        "VARIÁVEL A\n"        // 1
        "  VALOR x\n"         // 2
        "    AJUDA 3\n"       // 3
        "  PERGUNTA P?\n"     // 4
        "VARIÁVEL NUMÉRICA N\n"  // 5
        "OBJETIVO A\n"        // 6
        "CNF DA CONJUNÇÃO CNF1\n"  // 7
        "REGRA R @4\n"        // 8
        "  SE A = x\n"        // 9
        "  E N > 1\n"         // 10
        "  ENTÃO A = x\n"     // 11
        "FÓRMULA f\n";        // 12
    test::TCapturingSink sink;
    TExpertSystem base(&sink);
    TBaseTextSourceMap map;
    ReadValid(text, base, &map);
    EXPECT_EQ(map.Variables, (std::map<int32_t, int>{{1, 1}, {2, 5}}));
    EXPECT_EQ(map.Values, (std::map<int32_t, int>{{1, 2}}));
    EXPECT_EQ(map.HelpContexts, (std::map<int32_t, int>{{1, 3}}));
    EXPECT_EQ(map.Questions, (std::map<int32_t, int>{{1, 4}}));
    EXPECT_THAT(map.Targets, ElementsAre(6));
    EXPECT_EQ(map.AndFormula, 7);
    ASSERT_EQ(map.Rules.size(), 1u);
    EXPECT_EQ(map.Rules[0].Code, 4);
    EXPECT_EQ(map.RuleLineByCode(4), 8);
    EXPECT_THAT(map.Rules[0].Premises, ElementsAre(9, 10));
    EXPECT_THAT(map.Rules[0].Conclusions, ElementsAre(11));
    EXPECT_EQ(map.Formulas, (std::map<int32_t, int>{{1, 10}, {2, 12}}));
}

// ------------------------------------------------------------ errors

struct TErrorCase {
    std::string text;
    std::vector<std::string> errors;  // "line:column: message"
};

std::vector<std::string> ErrorLines(const std::string& text, const TBaseTextReadOptions& options = {}) {
    test::TCapturingSink sink;
    TExpertSystem base(&sink);
    base.BaseName = "intacta";
    std::vector<TBaseTextError> errors;
    EXPECT_FALSE(ReadBaseText(text, base, errors, nullptr, options));
    EXPECT_EQ(base.BaseName, "intacta");
    std::vector<std::string> lines;
    for (const auto& error : errors)
        lines.push_back(std::to_string(error.Line) + ":" + std::to_string(error.Column) + ": " + error.Message);
    return lines;
}

TEST(BaseTextErrors, EveryErrorNamesItsLineAndColumnAndNothingReachesTheBase) {
    const std::string tooLong(256, 'a');
    const TErrorCase cases[] = {
        {"BASE \"aberto", {"1:6: falta fechar as aspas"}},
        {"BASE \"a\\u00ZZ\"", {"1:8: \\u deve ser seguido de quatro dígitos hexadecimais"}},
        {"BASE \"\\u4E2D\"", {"1:7: o caractere U+4E2D não existe em Windows-1252"}},
        {"BASE \"\\q\"", {"1:7: sequência de escape inválida: \\q (use \\\", \\\\, \\t, \\n, \\r ou \\uXXXX)"}},
        {"BASE x \xE2\x86\x92 # \xE2\x86\x92", {"1:8: o caractere \"\xE2\x86\x92\" (U+2192) não existe em Windows-1252"}},
        {"# \xE2\x86\x92 num comentário\nBASE \xFF", {"2:6: sequência UTF-8 inválida (o arquivo deve estar em UTF-8)"}},
        {"  PALAVRA qualquer", {"1:3: linha não reconhecida: \"PALAVRA\" não é uma palavra-chave"}},
        {"AUTORES " + tooLong, {"1:9: texto de 256 caracteres; o máximo é 255"}},
        {"MOSTRAR ABERTURA sim", {"1:18: texto inesperado depois de MOSTRAR ABERTURA"}},
        {"BASE a\nBASE b", {"2:1: BASE repetido (já na linha 1)"}},
        {"VERSÃO 2.0", {"1:8: versão \"2.0\" desconhecida; use 1.0 ou 1.1"}},
        {"CNF MÍNIMO", {"1:11: falta a porcentagem, como 80%"}},
        {"CNF MÍNIMO muito", {"1:12: porcentagem inválida: \"muito\""}},
        {"CNF MÍNIMO 150%", {"1:12: o CNF mínimo deve estar entre 0% e 100%"}},
        {"PRECEDÊNCIA talvez", {"1:13: precedência desconhecida; use E ou OU"}},
        {"RESTRIÇÃO total",
         {"1:11: restrição desconhecida; use NENHUMA, SOMENTE EXECUÇÃO ou EXECUÇÃO E VISUALIZAÇÃO"}},
        {"VARIÁVEL A @0", {"1:12: o código deve ser de 1 a 32767, não 0"}},
        {"VARIÁVEL A @32767\nVARIÁVEL B", {"2:1: o código seguinte passaria de 32767; indique um código com @n"}},
        {"VARIÁVEL A\nVARIÁVEL B @1", {"2:12: código @1 já usado na linha 1"}},
        {"VARIÁVEL @3", {"1:10: falta o nome da variável"}},
        {"VARIÁVEL \"a\\\"b\"", {"1:10: o nome de uma variável não pode ter aspas"}},
        {"VARIÁVEL Casa\nVARIÁVEL CASA", {"2:10: variável \"CASA\" já declarada na linha 1"}},
        {"VALOR x", {"1:1: VALOR fora de uma VARIÁVEL"}},
        {"VARIÁVEL SIM/NÃO A\n  VALOR x", {"2:3: uma variável SIM/NÃO não tem valores além de Sim e Não"}},
        {"VARIÁVEL A\n  INTERVALO 0;1", {"2:3: INTERVALO só em variável NUMÉRICA; use VALOR"}},
        {"VARIÁVEL NUMÉRICA A\n  VALOR x", {"2:3: uma variável NUMÉRICA tem INTERVALO, não VALOR"}},
        {"VARIÁVEL A\n  VALOR x\n  VALOR X", {"3:9: valor \"X\" repetido (já na linha 2)"}},
        // the variables editor's rules for values, intervals and names
        {"VARIÁVEL A\n  VALOR desconhecido",
         {"2:9: DESCONHECIDO é o valor de toda variável que não pôde ser determinada e não pode ser o nome de um "
          "valor!"}},
        {"VARIÁVEL A\n  VALOR \"a\\\"b\"", {"2:9: Não se pode utilizar aspas duplas no nome do valor!"}},
        {"VARIÁVEL A\n  VALOR \"  \"", {"2:9: O nome do valor não pode ser somente espaços em branco!"}},
        {"VARIÁVEL NUMÉRICA N\n  INTERVALO 10;0",
         {"2:13: intervalo \"10;0\" inválido; use min;max, min; ou ;max com max maior que min"}},
        {"VARIÁVEL NUMÉRICA N\n  INTERVALO 0;1\n  INTERVALO 2;3",
         {"3:3: Você não pode incluir mais nenhum valor em uma variável numérica!"}},
        {"VARIÁVEL A\n  AJUDA 3", {"2:3: AJUDA deve seguir o VALOR a que se refere"}},
        {"VARIÁVEL A\n  VALOR x\n  AJUDA 3\n  AJUDA 4", {"4:3: o valor já tem AJUDA (na linha 3)"}},
        {"VARIÁVEL A\n  VALOR x\n  AJUDA 1.5",
         {"3:9: o contexto de ajuda deve ser um número inteiro de -32768 a 32767"}},
        {"VARIÁVEL A\n  PERGUNTA a\n  PERGUNTA b", {"3:3: a variável já tem PERGUNTA (na linha 2)"}},
        {"VARIÁVEL A\n  MOTIVO m", {"2:3: MOTIVO deve seguir a PERGUNTA"}},
        {"VARIÁVEL A\n  SEM CNF", {"2:3: SEM CNF deve seguir a PERGUNTA"}},
        {"OBJETIVO", {"1:9: falta a variável do OBJETIVO"}},
        {"SE A = x", {"1:1: SE fora de uma REGRA"}},
        {"VARIÁVEL A\nREGRA\n  SE A = Sim\n  SE A = Não\n  ENTÃO A = Sim",
         {"4:3: SE repetido; as outras premissas começam por E ou OU"}},
        {"VARIÁVEL A\nREGRA\n  E A = Sim\n  ENTÃO A = Sim", {"3:3: a primeira premissa começa por SE"}},
        {"VARIÁVEL A\nREGRA\n  SE A = Sim\n  ENTÃO A = Sim\n  OU A = Não",
         {"5:3: as conclusões se juntam por E, não por OU"}},
        {"VARIÁVEL A\nREGRA\n  SE A = Sim\n  ENTÃO A = Sim\n  ENTÃO A = Não",
         {"5:3: ENTÃO repetido; as outras conclusões começam por E"}},
        {"VARIÁVEL A\nREGRA\n  ENTÃO A = Sim", {"3:3: a regra não tem premissas: escreva SE antes de ENTÃO"}},
        {"VARIÁVEL A\nREGRA\n  SE A = Sim\n  ENTÃO A <> Sim", {"4:11: uma conclusão usa só o operador ="}},
        {"VARIÁVEL A\nREGRA\n  SE\n  ENTÃO A = Sim", {"3:5: falta a comparação, como Variável = valor"}},
        {"VARIÁVEL A\nREGRA\n  SE = Sim\n  ENTÃO A = Sim", {"3:6: falta a variável antes do operador"}},
        {"VARIÁVEL A\nREGRA\n  SE A Sim\n  ENTÃO A = Sim", {"3:6: falta o operador (=, <>, >, <, >= ou <=)"}},
        {"VARIÁVEL A\nREGRA\n  SE A =\n  ENTÃO A = Sim", {"3:9: falta o valor depois do operador"}},
        {"REGRA vazia", {"1:1: a regra não tem premissas nem conclusões (SE ... ENTÃO ...)"}},
        {"VARIÁVEL A\nREGRA\n  SE A = Sim\nOBJETIVO A", {"2:1: a regra não tem conclusões: falta ENTÃO"}},
        {"VARIÁVEL A\nOBJETIVO B\nOBJETIVO @9",
         {"2:10: variável \"B\" não declarada", "3:10: variável @9 não declarada"}},
        {"VARIÁVEL NUMÉRICA N\nREGRA\n  SE N > 1 @1\n  ENTÃO N = 2 @1",
         {"4:15: a fórmula @1 já tem outro texto: \"1\" (linha 3)"}},
        {"VARIÁVEL A\n  VALOR x\nREGRA\n  SE A = @7\n  ENTÃO A = Sim", {"4:10: a variável \"A\" não tem o valor @7"}},
        {"VARIÁVEL A\n  VALOR x\nREGRA\n  SE A = x @1\n  ENTÃO A = Sim",
         {"4:12: um valor é escrito pelo nome ou pelo código, não pelos dois"}},
        {"VARIÁVEL A\n  VALOR x\nREGRA\n  SE A = y\n  ENTÃO A = Sim", {"4:10: a variável \"A\" não tem o valor \"y\""}},
        {"VARIÁVEL A\nREGRA\n  SE A = y\n  ENTÃO A = Sim",
         {"3:10: a variável \"A\" não tem o valor \"y\" (seus valores são Sim e Não)"}},
        {"VARIÁVEL NUMÉRICA N\nREGRA\n  SE N > @3\n  ENTÃO N = 1", {"3:10: a fórmula @3 não existe"}},
        {"VARIÁVEL A\nREGRA\n  SE A = Sim\n  ENTÃO A = Sim CNF x%", {"4:21: porcentagem inválida: \"x%\""}},
        {"VARIÁVEL A\nREGRA\n  SE A = Sim\n  ENTÃO A = Sim CNF 9000%",
         {"4:21: grau de confiança fora de -99% a 999%, o que o editor de regras aceita"}},
        {"VARIÁVEL A\nREGRA\n  SE A = Sim\n  ENTÃO A = Sim CNF 1e41 %",
         {"4:21: a porcentagem 1e41 não pode ser gravada no arquivo"}},
        {"VARIÁVEL NUMÉRICA N\nREGRA\n  SE N > 1 @0\n  ENTÃO N = 1", {"3:12: o código deve ser de 1 a 32767, não 0"}},
        {"VERSÃO 1.0\nCNF DA CONJUNÇÃO CNF1\nVARIÁVEL A\n  PERGUNTA p\n  SEM CNF\nOBJETIVO OCULTO A",
         {"2:1: a versão 1.0 não grava fórmulas de CNF; use VERSÃO 1.1",
          "5:3: a versão 1.0 não grava SEM CNF; use VERSÃO 1.1",
          "6:1: a versão 1.0 não grava OBJETIVO OCULTO; use VERSÃO 1.1"}},
        {"UTILIZAR SENHA\nRESTRIÇÃO NENHUMA",
         {"1:1: a base é protegida, mas o texto não traz a SENHA (escreva-a ou informe-a ao compilar)"}},
        {"UTILIZAR SENHA\nSENHA x",
         {"1:1: uma base protegida precisa de uma RESTRIÇÃO (NENHUMA, SOMENTE EXECUÇÃO ou EXECUÇÃO E "
          "VISUALIZAÇÃO)"}},
        // Independent errors are all reported at once, in the order of the text.
        {"VERSÃO 3\nVARIÁVEL A\n  VALOR x\nREGRA\n  SE A = z\n  ENTÃO B = x\nPALAVRA",
         {"1:8: versão \"3\" desconhecida; use 1.0 ou 1.1", "5:10: a variável \"A\" não tem o valor \"z\"",
          "6:9: variável \"B\" não declarada", "7:1: linha não reconhecida: \"PALAVRA\" não é uma palavra-chave"}},
    };
    for (const TErrorCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ErrorLines(c.text), c.errors);
    }
    TBaseTextReadOptions options;
    options.Password = std::string(256, 'x');
    EXPECT_THAT(ErrorLines("", options), ElementsAre("1:1: a senha tem mais de 255 caracteres"));
}

// What a .bcm file counts in 16 bits cannot pass 32767 records.
TEST(BaseTextErrors, RecordsBeyondWhatTheFileCountsAreRefusedWhereTheyStart) {
    struct TLimit {
        std::string head;  // holds `inHead` records
        int inHead;
        std::string repeated;
        std::string message;
    };
    const TLimit limits[] = {
        {"", 0, "ABERTURA x\n", "o texto de abertura tem mais de 32767 linhas"},
        {"VARIÁVEL A\nPERGUNTA p\n", 0, "MOTIVO m\n", "a pergunta tem mais de 32767 linhas de motivo"},
        {"VARIÁVEL A\n", 0, "OBJETIVO A\n", "a base tem mais de 32767 objetivos"},
        {"VARIÁVEL A\nREGRA\nSE A = Sim\n", 1, "E A = Sim\n", "a base tem mais de 32767 premissas"},
        {"VARIÁVEL A\nREGRA\nSE A = Sim\nENTÃO A = Sim\n", 1, "E A = Sim\n", "a base tem mais de 32767 conclusões"},
    };
    for (const TLimit& limit : limits) {
        SCOPED_TRACE(limit.message);
        std::string text = limit.head;
        const int repeats = 32768 - limit.inHead;
        for (int i = 0; i < repeats; ++i) text += limit.repeated;
        const int head = static_cast<int>(std::count(limit.head.begin(), limit.head.end(), '\n'));
        EXPECT_THAT(ErrorLines(text), ElementsAre(std::to_string(head + repeats) + ":1: " + limit.message));
    }
    std::string variables;
    for (int i = 0; i < 32768; ++i) variables += "VARIÁVEL V" + std::to_string(i) + " @" + std::to_string(i % 32767 + 1) + "\n";
    EXPECT_THAT(ErrorLines(variables), ElementsAre("32768:1: a base tem mais de 32767 variáveis"));
    std::string values = "VARIÁVEL A\n";
    for (int i = 0; i < 32768; ++i) values += "VALOR v" + std::to_string(i) + " @" + std::to_string(i % 32767 + 1) + "\n";
    EXPECT_THAT(ErrorLines(values), ElementsAre("32769:1: a base tem mais de 32767 valores"));
    std::string rules = "VARIÁVEL A\n";
    for (int i = 0; i < 32768; ++i) rules += "REGRA @" + std::to_string(i % 32767 + 1) + "\nSE A = Sim\nENTÃO A = Sim\n";
    // The refused rule's lines are still read, and go beyond the counts too.
    EXPECT_THAT(ErrorLines(rules), ElementsAre("98303:1: a base tem mais de 32767 regras",
                                               "98304:1: a base tem mais de 32767 premissas",
                                               "98305:1: a base tem mais de 32767 conclusões"));
    std::string formulas;
    for (int i = 0; i < 32768; ++i) formulas += "FÓRMULA f" + std::to_string(i) + "\n";
    EXPECT_THAT(ErrorLines(formulas), ElementsAre("32768:1: o código deve ser de 1 a 32767, não 32768"));
}

TEST(BaseTextErrors, ReadingStopsAfterTheCapWithANote) {
    std::string text;
    for (int i = 0; i < 80; ++i) text += "PALAVRA\n";
    const auto errors = ErrorLines(text);
    ASSERT_EQ(errors.size(), 51u);
    EXPECT_EQ(errors.back(), "50:1: muitos erros; a leitura parou aqui");
}

}  // namespace
}  // namespace quorvel
