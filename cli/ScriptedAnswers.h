// Answering a consultation's questions from a script (an answers file or a
// test case), exactly as a user would fill the question dialog, and the small
// text helpers the scripted commands share.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "CmdConsult.h"
#include "ExMessages.h"
#include "ExPromptLogic.h"
#include "ExSystem.h"

namespace quorvel::cli {

// An answer that the question dialog would not take, or a question the
// script does not answer: the consultation cannot go on.
class TAnswersError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Blanks, tabs and carriage returns removed from both ends.
std::string Trim(std::string_view text);
std::vector<std::string> Split(const std::string& text, char separator);
std::string Utf8(const std::string& baseText);
// An empty answer, or "?": the question is left without an answer.
bool NoAnswer(const std::string& text);

// The messages the engine and the prompt show during the consultation; the
// terminal user sees them at once when there is somewhere to echo them.
class TConsultSink : public IMessageSink {
public:
    explicit TConsultSink(std::ostream* echo) : echo_(echo) {}
    TMsgResult ShowMessage(TMsgKind kind, TMsgButtons buttons, const std::string& text) override;
    std::vector<std::string> texts;

private:
    std::ostream* echo_;
};

// Answers the question about the variable with the scripted answer and lets
// the engine go on. Throws TAnswersError when the script has no answer for it
// (`source` says where the answer was looked for: "no arquivo de respostas")
// or the dialog would refuse it.
void AnswerFromScript(TExpertSystem& engine, TPromptModel& model, TConsultSink& sink,
                      const std::map<std::string, TScriptedAnswer>& answers, int32_t varCode,
                      const std::string& source = "no arquivo de respostas");

}  // namespace quorvel::cli
