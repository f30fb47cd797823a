#include "ExPromptLogic.h"

#include <cmath>
#include <limits>

#include "ExConsultTree.h"
#include "ExPasswd.h"
#include "ExText.h"

namespace quorvel {

namespace {

// Messages of the prompt (UTF-8, for the message sink).
constexpr const char* kInvalidNumber = "Valor numérico inválido!";
constexpr const char* kBelowMinimum = "O valor não pode ser inferior ao mínimo!";
constexpr const char* kAboveMaximum = "O valor não pode exceder o máximo!";
constexpr const char* kBadEntry = "Há um erro na entrada número ";
constexpr const char* kBadCnf = "Grau de confiança inválido na entrada ";

// Hints under the question (base texts).
constexpr const char* kInfoMultivalued = "(Marque quantas alternativas desejar)";
constexpr const char* kInfoNumber = "(Entre um valor num\xE9rico)";
constexpr const char* kInfoMaximum = "(Valor m\xE1ximo: ";
constexpr const char* kInfoMinimum = "(Valor m\xEDnimo: ";
constexpr const char* kInfoRange = "(Coloque na faixa abaixo de valores)";
constexpr const char* kInfoUnivalued = "(Marque somente uma alternativa)";

std::optional<int32_t> WholeNumber(long double value) {
    if (value != std::trunc(value)) return std::nullopt;
    if (value < static_cast<long double>(std::numeric_limits<int32_t>::min()) ||
        value > static_cast<long double>(std::numeric_limits<int32_t>::max()))
        return std::nullopt;
    return static_cast<int32_t>(value);
}

// One side of "min;max": its text when it reads as a number, else no bound.
void ReadBound(std::string text, std::string& boundText, std::optional<long double>& bound) {
    bound = TextToNumber(text);
    boundText = bound ? std::move(text) : std::string();
}

}  // namespace

// ------------------------------------------------------- confidence box

bool CnfBoxAcceptsChar(char ch) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte == '\r') return false;
    if (byte < 0x20 || byte == 0x7F) return true;
    return (ch >= '0' && ch <= '9') || ch == '+' || ch == '-' || ch == ',' || ch == '.';
}

std::string ClampCnfText(std::string_view text) {
    std::size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) at = 1;
    if (at == text.size()) return std::string(text);
    long long magnitude = 0;
    for (std::size_t i = at; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::string(text);
        // Anything past 100 is clamped alike: stop growing to stay in range.
        if (magnitude <= kCnfBoxMax) magnitude = magnitude * 10 + (text[i] - '0');
    }
    if (negative && magnitude > 0) return std::to_string(kCnfBoxMin);
    if (!negative && magnitude > kCnfBoxMax) return std::to_string(kCnfBoxMax);
    return std::string(text);
}

// ---------------------------------------------------------------- model

namespace {

// What the prompt asks about a variable without a question of its own.
std::string DefaultQuestion(const std::string& varName) { return "Qual o valor de " + varName + " ?"; }

}  // namespace

void TPromptModel::SetExpertSystem(TExpertSystem* engine) {
    engine_ = engine;
    Rebuild();
}

void TPromptModel::SetVarCode(int32_t varCode) {
    varCode_ = varCode;
    if (varCode == 0)
        Empty();
    else
        Rebuild();
}

void TPromptModel::Clear() {
    varCode_ = 0;
    Empty();
}

void TPromptModel::Empty() {
    kind_ = TPromptKind::None;
    interval_ = {};
    options_.clear();
    showCnfBoxes_ = false;
    questionText_.clear();
    infoText_.clear();
    whyVisible_ = false;
    valueText_.clear();
}

void TPromptModel::Rebuild() {
    if (!engine_ || varCode_ == 0 || engine_->IsNew()) return;
    if (RebuildFromPlan()) return;
    TSavedCursors keep(*engine_);
    TVars& vars = engine_->Vars();
    if (!vars.Find(varCode_)) {
        Clear();
        return;
    }
    const TVarNode var = *vars.CurrentVar();
    TQuestions& questions = engine_->Questions();
    ShowVariable(var.Numeric, var.Multivalued, var.Name,
                 questions.Find(varCode_) ? questions.CurrentQuestion() : nullptr);
    if (var.Numeric)
        BuildNumeric();
    else
        BuildOptions();
}

bool TPromptModel::RebuildFromPlan() {
    // While a consultation runs the plan holds the variable, its question
    // and its values; a number's interval is read from its value record.
    const TPlanVar* var = engine_->PlannedVar(varCode_);
    if (!var || var->Numeric || !var->OptionsPlanned) return false;
    const TConsultPlan& plan = *engine_->Plan();
    ShowVariable(false, var->Multivalued, var->Name, plan.QuestionOf(*var));
    const std::span<const int32_t> values = plan.ValueOptions(*var);
    if (values.empty()) {
        Offer(kCodeYes, kTextYes);
        Offer(kCodeNo, kTextNo);
    } else {
        options_.reserve(values.size());
        for (const int32_t valueCode : values) Offer(valueCode, *plan.ValueName(valueCode));
    }
    return true;
}

template <class Question>
void TPromptModel::ShowVariable(bool numeric, bool multivalued, const std::string& varName, const Question* question) {
    Empty();
    kind_ = numeric ? TPromptKind::Numeric : multivalued ? TPromptKind::Multivalued : TPromptKind::Univalued;
    questionText_ = question ? question->Text : DefaultQuestion(varName);
    whyVisible_ = engine_->AccessLevel != kAccessConsultOnly || (question && !question->Reasons.empty());
    if (numeric) return;
    showCnfBoxes_ = !question || question->UseCnf;
    infoText_ = multivalued ? kInfoMultivalued : kInfoUnivalued;
}

void TPromptModel::Offer(int32_t valueCode, const std::string& text) {
    TPromptOption& option = options_.emplace_back();
    option.ValueCode = valueCode;
    option.Text = text;
}

void TPromptModel::BuildNumeric() {
    TValues& values = engine_->Values();
    if (values.FindByVarCode(varCode_) && values.GetVarCode() == varCode_) {
        const std::string text = values.GetName();
        const auto split = text.find(';');
        if (split != std::string::npos) {
            ReadBound(text.substr(0, split), interval_.MinText, interval_.Min);
            ReadBound(text.substr(split + 1), interval_.MaxText, interval_.Max);
        }
    }
    if (interval_.Min && interval_.Max) {
        const auto low = WholeNumber(*interval_.Min);
        const auto high = WholeNumber(*interval_.Max);
        if (low && high && *low <= *high) {
            interval_.Slider = true;
            interval_.SliderMin = *low;
            interval_.SliderMax = *high;
        }
        infoText_ = kInfoRange;
    } else if (interval_.Max) {
        infoText_ = std::string(kInfoMaximum) + interval_.MaxText + ")";
    } else if (interval_.Min) {
        infoText_ = std::string(kInfoMinimum) + interval_.MinText + ")";
    } else {
        infoText_ = kInfoNumber;
    }
}

void TPromptModel::BuildOptions() {
    std::vector<TValueListEntry> list;
    engine_->ValueList(varCode_, list);
    int32_t implicitCode = kCodeYes;
    for (const TValueListEntry& entry : list) Offer(entry.Value ? entry.Value->Code : implicitCode--, entry.Name);
}

void TPromptModel::SetChecked(std::size_t index, bool checked) {
    if (index >= options_.size() || options_[index].Checked == checked) return;
    TPromptOption& option = options_[index];
    option.Checked = checked;
    option.CnfEnabled = checked;
    option.CnfText = checked ? std::to_string(kCnfBoxMax) : std::string();
    if (!checked || Multivalued()) return;
    for (std::size_t i = 0; i < options_.size(); ++i)
        if (i != index) SetChecked(i, false);
}

void TPromptModel::SetCnfText(std::size_t index, std::string text) {
    if (index < options_.size()) options_[index].CnfText = std::move(text);
}

void TPromptModel::LeaveCnfBox(std::size_t index) {
    if (index < options_.size()) options_[index].CnfText = ClampCnfText(options_[index].CnfText);
}

void TPromptModel::EmptyCnfBoxes() {
    for (TPromptOption& option : options_) option.CnfText.clear();
}

bool TPromptModel::CanAccept() const {
    if (!engine_ || varCode_ == 0 || kind_ == TPromptKind::None) return false;
    const TExpertSystem& e = *engine_;
    return e.Running && !e.RollingBack && (e.Waiting || (!e.Paused && !e.StepWait));
}

bool TPromptModel::Submit() {
    if (!CanAccept()) return false;
    return Numeric() ? SubmitNumber() : SubmitOptions();
}

bool TPromptModel::SubmitNumber() {
    if (valueText_.empty()) {
        engine_->Instantiate(varCode_, std::to_string(kCodeUnknown), true, engine_->TrueCnf);
        return true;
    }
    const auto number = TextToNumber(valueText_);
    if (!number) {
        Show(TMsgKind::Error, kInvalidNumber);
        return false;
    }
    if (interval_.Min && *number < *interval_.Min) {
        Show(TMsgKind::Error, kBelowMinimum);
        return false;
    }
    if (interval_.Max && *number > *interval_.Max) {
        Show(TMsgKind::Error, kAboveMaximum);
        return false;
    }
    // Copies: Instantiate may reach hosts that rebuild this prompt.
    const int32_t varCode = varCode_;
    const std::string text = valueText_;
    engine_->Instantiate(varCode, text, false, engine_->TrueCnf);
    return true;
}

bool TPromptModel::SubmitOptions() {
    std::vector<std::pair<int32_t, float>> answers;
    const long double lowest = static_cast<long double>(engine_->FalseCnf) * 100;
    const long double highest = static_cast<long double>(engine_->TrueCnf) * 100;
    for (std::size_t i = 0; i < options_.size(); ++i) {
        const TPromptOption& option = options_[i];
        float cnf = engine_->TrueCnf;
        if (!option.CnfText.empty()) {
            const auto number = TextToNumber(option.CnfText);
            if (!number) {
                Show(TMsgKind::Error, kBadEntry + std::to_string(i + 1) + ".");
                return false;
            }
            if (!(*number >= lowest && *number <= highest)) {
                Show(TMsgKind::Information, kBadCnf + std::to_string(i + 1) + ".");
                return false;
            }
            cnf = static_cast<float>(*number / 100);
        }
        if (option.Checked) answers.emplace_back(option.ValueCode, cnf);
    }
    const int32_t varCode = varCode_;
    if (answers.empty()) {
        engine_->Instantiate(varCode, std::to_string(kCodeUnknown), true, engine_->TrueCnf);
        return true;
    }
    for (const auto& [valueCode, cnf] : answers) engine_->Instantiate(varCode, std::to_string(valueCode), true, cnf);
    return true;
}

void TPromptModel::Show(TMsgKind kind, const std::string& text) const {
    if (ShowErrorMessages) engine_->Sink().ShowMessage(kind, TMsgButtons::Ok, text);
}

}  // namespace quorvel
