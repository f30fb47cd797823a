// The .bct text of a knowledge base: every construct read into the base,
// every error with its line and column, and exact round trips (base -> text
// -> the same file bytes; canonical text -> base -> the same text).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
  VALOR "  "
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

}  // namespace
}  // namespace quorvel
