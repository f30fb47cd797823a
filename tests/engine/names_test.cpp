// The rules for names and confidences that the editors and `build` share.
#include <gtest/gtest.h>

#include <string>

#include "ExNames.h"

namespace quorvel {
namespace {

TEST(NameRules, VariableAndValueNamesAreJudgedAlike) {
    struct Case {
        std::string name;  // base text
        TNameProblem asVariable;
        TNameProblem asValue;
    };
    const Case cases[] = {
        {"Febre", TNameProblem::None, TNameProblem::None},
        {"", TNameProblem::Blank, TNameProblem::Blank},
        {"   ", TNameProblem::Blank, TNameProblem::Blank},
        {"a\"b", TNameProblem::Quote, TNameProblem::Quote},
        {"\" ", TNameProblem::Quote, TNameProblem::Quote},
        {"DESCONHECIDO", TNameProblem::None, TNameProblem::Unknown},
        {"desconhecido", TNameProblem::None, TNameProblem::Unknown},
        {"DESCONHECIDO2", TNameProblem::None, TNameProblem::None},
        {"Sim", TNameProblem::None, TNameProblem::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckVariableName(c.name), c.asVariable);
        EXPECT_EQ(CheckValueName(c.name), c.asValue);
        EXPECT_EQ(VariableNameMessage(c.asVariable).empty(), c.asVariable == TNameProblem::None);
        EXPECT_EQ(ValueNameMessage(c.asValue).empty(), c.asValue == TNameProblem::None);
    }
    EXPECT_TRUE(IsYesNoName("sim"));
    EXPECT_TRUE(IsYesNoName("N\xC3o"));
    EXPECT_FALSE(IsYesNoName("Simples"));
    EXPECT_EQ(NameKey("n\xE3o"), NameKey("N\xC3O"));
}

TEST(NameRules, ConclusionConfidencesSpanWhatTheBoxCanHold) {
    struct Case {
        std::string typed;
        bool accepted;
        float cnf;
    };
    const Case cases[] = {
        {"", true, 1.0f},       {"90", true, 0.9f},    {"150", true, 1.5f},  {"999", true, 9.99f},
        {"-99", true, -0.99f},  {"2.5", true, 0.025f}, {"50,5", true, 0.505f}, {"abc", false, 0},
        {"9e9", false, 0},      {"1e3", false, 0},     {"1000", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const auto cnf = ConclusionCnfFromTyped(c.typed);
        ASSERT_EQ(cnf.has_value(), c.accepted);
        if (cnf) {
            EXPECT_FLOAT_EQ(*cnf, c.cnf);
            EXPECT_TRUE(IsConclusionCnf(*cnf));
        }
    }
    // A file's finer steps inside the range are kept; percentages written as fractions are not.
    EXPECT_TRUE(IsConclusionCnf(1.0f / 3.0f));
    EXPECT_TRUE(IsConclusionCnf(1e-30f));
    EXPECT_FALSE(IsConclusionCnf(90.0f));
    EXPECT_FALSE(IsConclusionCnf(-1.0f));
}

}  // namespace
}  // namespace quorvel
