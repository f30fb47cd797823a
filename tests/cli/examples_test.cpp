// The example bases: each JSON source builds with the real tool, and scripted
// consultations of it ask the expected questions and reach the expected
// results.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "CliTestSupport.h"

namespace quorvel::cli::test {
namespace {

std::string ExamplePath(const std::string& name) { return std::string(QUORVEL_TEST_DATA) + "/../../examples/" + name; }

using TValues = std::vector<std::pair<std::string, std::string>>;  // value, cnf

struct TExampleCase {
    const char* title;
    const char* base;
    // The answers file: an example's own, or the text of one.
    const char* answersFile;
    const char* answers;
    std::vector<std::string> asked;
    std::vector<std::pair<std::string, TValues>> results;
};

const std::vector<TExampleCase>& Cases() {
    static const std::vector<TExampleCase> cases = {
        {"planta regada demais ao sol",
         "cuidados_plantas",
         "cuidados_plantas.respostas.txt",
         nullptr,
         {"Folhas amareladas", "Terra", "Folhas murchas", "Sinais", "Luz"},
         {{"Problema", {{"excesso de rega", "90"}, {"excesso de sol", "80"}}},
          {"Cuidados",
           {{"regar só quando a terra secar e conferir a drenagem", "90"},
            {"afastar do sol forte do meio-dia", "80"}}}}},
        {"planta com pragas",
         "cuidados_plantas",
         nullptr,
         "Folhas amareladas = Não\nFolhas murchas = Não\nSinais = teias finas, bolinhas brancas : 60\n",
         {"Folhas amareladas", "Folhas murchas", "Sinais"},
         {{"Problema", {{"ácaros", "85"}, {"cochonilhas", "51"}}},
          {"Cuidados",
           {{"lavar as folhas com água e isolar a planta", "85"},
            {"limpar com algodão e álcool e isolar a planta", "51"}}}}},
        {"crédito aprovado",
         "credito_pessoal",
         "credito_pessoal.respostas.txt",
         nullptr,
         {"Restrição", "Renda", "Dívidas", "Parcela", "Idade", "Emprego"},
         {{"Decisão", {{"aprovado", "85.5"}}}, {"Limite de parcela", {{"1000", "100"}}}}},
        {"renda comprometida demais",
         "credito_pessoal",
         nullptr,
         "Restrição = Não\nRenda = 3000\nDívidas = 1200\nParcela = 600\n",
         {"Restrição", "Renda", "Dívidas", "Parcela"},
         {{"Decisão", {{"recusado", "90"}}}, {"Limite de parcela", {{"0", "100"}}}}},
        {"nome com restrição",
         "credito_pessoal",
         nullptr,
         "Restrição = Sim\nRenda = 2000\nDívidas = 0\n",
         {"Restrição", "Renda", "Dívidas"},
         {{"Decisão", {{"recusado", "100"}}}, {"Limite de parcela", {{"600", "100"}}}}},
        {"sem garantia vai para análise",
         "credito_pessoal",
         nullptr,
         "Restrição = Não\nRenda = 4000\nDívidas = 800\nParcela = 800\nGarantia = Não\n",
         {"Restrição", "Renda", "Dívidas", "Parcela", "Garantia"},
         {{"Decisão", {{"em análise", "70"}}}, {"Limite de parcela", {{"400", "100"}}}}},
        {"com garantia",
         "credito_pessoal",
         nullptr,
         "Restrição = Não\nRenda = 4000\nDívidas = 800\nParcela = 800\nGarantia = Sim\n",
         {"Restrição", "Renda", "Dívidas", "Parcela", "Garantia"},
         {{"Decisão", {{"aprovado com garantia", "85"}}}, {"Limite de parcela", {{"400", "100"}}}}},
        // No income: the share of it cannot be worked out, so nothing is decided (and nothing divides by zero).
        {"renda zero",
         "credito_pessoal",
         nullptr,
         "Restrição = Não\nRenda = 0\n",
         {"Restrição", "Renda"},
         {{"Decisão", {{"Nenhum valor encontrado.", "100"}}},
          {"Limite de parcela", {{"Nenhum valor encontrado.", "100"}}}}},
    };
    return cases;
}

TEST(ExampleBases, ScriptedConsultationsReachTheExpectedResults) {
    ScratchDir scratch;
    for (const char* base : {"cuidados_plantas", "credito_pessoal"}) {
        const TRun built =
            RunCli({"build", ExamplePath(std::string(base) + ".bct"), "-o", scratch.File(std::string(base) + ".bcm")},
                   scratch);
        ASSERT_EQ(built.Status, 0) << base << ": " << built.Err;
    }
    for (const TExampleCase& c : Cases()) {
        SCOPED_TRACE(c.title);
        std::string answers = c.answersFile ? ExamplePath(c.answersFile) : scratch.File("respostas.txt");
        if (!c.answersFile) WriteText(answers, c.answers);
        const TRun run =
            RunCli({"consult", scratch.File(std::string(c.base) + ".bcm"), "--answers", answers, "--json"}, scratch);
        ASSERT_EQ(run.Status, 0) << run.Err;
        const nlohmann::json document = nlohmann::json::parse(run.Out);
        EXPECT_TRUE(document["error"].is_null());

        std::vector<std::string> asked;
        for (const auto& question : document["questions"]) asked.push_back(question["variable"]);
        EXPECT_EQ(asked, c.asked);

        std::vector<std::pair<std::string, TValues>> results;
        for (const auto& result : document["results"]) {
            TValues values;
            for (const auto& value : result["values"]) values.emplace_back(value["value"], value["cnf"]);
            results.emplace_back(result["variable"], std::move(values));
        }
        EXPECT_EQ(results, c.results);
    }
}

// The examples' own questions carry the author's reasons where the rule
// alone would not explain them, and every question has a text of its own.
TEST(ExampleBases, QuestionsExplainThemselves) {
    ScratchDir scratch;
    ASSERT_EQ(RunCli({"build", ExamplePath("credito_pessoal.bct"), "-o", scratch.File("c.bcm")}, scratch).Status, 0);
    const TRun run =
        RunCli({"consult", scratch.File("c.bcm"), "--answers", ExamplePath("credito_pessoal.respostas.txt"), "--json"},
               scratch);
    ASSERT_EQ(run.Status, 0) << run.Err;
    const nlohmann::json questions = nlohmann::json::parse(run.Out)["questions"];
    ASSERT_FALSE(questions.empty());
    EXPECT_EQ(questions[0]["why"],
              nlohmann::json::array({"Um nome com restrição impede a aprovação, qualquer que seja a renda."}));
    // Idade is asked for the rule of a stable profile, and its line is marked.
    const auto idade = std::find_if(questions.begin(), questions.end(),
                                    [](const nlohmann::json& q) { return q["variable"] == "Idade"; });
    ASSERT_NE(idade, questions.end());
    EXPECT_EQ((*idade)["why"], nlohmann::json::array({"Para concluir", " -  Perfil = estável", "eu preciso saber se",
                                                      "==> Idade >= 21", " -  Emprego >= 2"}));
    for (const auto& question : questions)
        EXPECT_EQ(question["text"].get<std::string>().rfind("Qual o valor de ", 0), std::string::npos)
            << question["variable"];
}

}  // namespace
}  // namespace quorvel::cli::test
