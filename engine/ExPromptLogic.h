// The widget-free side of the question prompt: what the run-time dialog
// shows for a variable (question, hint, options or numeric interval,
// confidence boxes, the why button), the state of its inputs, and the
// validation that turns them into the engine's Instantiate calls. The Qt
// prompt mirrors this model; the command-line consultation drives it
// directly. Display texts are base texts (Windows-1252); the messages go to
// the engine's message sink in UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ExSystem.h"

namespace quorvel {

enum class TPromptKind { None, Univalued, Multivalued, Numeric };

// One answer option and its confidence box.
struct TPromptOption {
    int32_t ValueCode = 0;  // a value record's code, or -2 "Sim" / -3 "Não"
    std::string Text;
    bool Checked = false;
    bool CnfEnabled = false;
    std::string CnfText;  // the confidence box's text, a percentage
};

// The admissible interval of a numeric variable, stored as "min;max" with
// either side possibly empty. A side that is empty or not a number is no
// bound: it is neither announced nor enforced.
struct TPromptInterval {
    std::string MinText;
    std::string MaxText;
    std::optional<long double> Min;
    std::optional<long double> Max;
    // Both bounds are whole numbers in order: the slider can span them.
    bool Slider = false;
    int32_t SliderMin = 0;
    int32_t SliderMax = 0;

    bool HasMin() const { return Min.has_value(); }
    bool HasMax() const { return Max.has_value(); }
};

// The confidence box: a percentage from 0 to 100, arrows step by 10, at most
// four characters.
inline constexpr int kCnfBoxMin = 0;
inline constexpr int kCnfBoxMax = 100;
inline constexpr int kCnfBoxStep = 10;
inline constexpr int kCnfBoxMaxLength = 4;

// Whether a typed character may enter a confidence box: digits, signs, a
// decimal separator ("," or ".", both read by TextToNumber) and control
// characters other than Enter.
bool CnfBoxAcceptsChar(char ch);
// The text a confidence box keeps when it is left: an integer outside
// 0..100 becomes the nearest bound; any other text stays as typed.
std::string ClampCnfText(std::string_view text);

class TPromptModel {
public:
    explicit TPromptModel(TExpertSystem* engine = nullptr) : engine_(engine) {}

    // Rebuilds for the current variable.
    void SetExpertSystem(TExpertSystem* engine);
    TExpertSystem* ExpertSystem() const { return engine_; }

    // Sets the variable asked and rebuilds; 0 empties the prompt.
    void SetVarCode(int32_t varCode);
    int32_t VarCode() const { return varCode_; }
    // Reads the variable again. Nothing happens without an engine or a
    // variable, or while the base is new; a variable that is not in the base
    // empties the prompt and sets VarCode to 0.
    void Rebuild();
    // VarCode 0 and nothing to show (the engine's clear notification).
    void Clear();

    bool ShowErrorMessages = true;

    // ---- what the prompt shows
    TPromptKind Kind() const { return kind_; }
    bool Numeric() const { return kind_ == TPromptKind::Numeric; }
    bool Multivalued() const { return kind_ == TPromptKind::Multivalued; }
    const TPromptInterval& Interval() const { return interval_; }
    const std::vector<TPromptOption>& Options() const { return options_; }
    // Confidence boxes are shown when the variable has no question or its
    // question asks for a confidence.
    bool ShowCnfBoxes() const { return showCnfBoxes_; }
    const std::string& QuestionText() const { return questionText_; }
    const std::string& InfoText() const { return infoText_; }
    // Hidden for bases that may only be executed, unless the question has
    // reasons of its own.
    bool WhyVisible() const { return whyVisible_; }

    // ---- inputs
    const std::string& ValueText() const { return valueText_; }
    void SetValueText(std::string text) { valueText_ = std::move(text); }
    // Moving the slider writes its position into the value edit.
    void SetSliderPosition(int32_t position) { valueText_ = std::to_string(position); }
    // Checking enables the option's box with "100" and, unless the variable
    // is multivalued, unchecks the others; unchecking empties and disables
    // the box. Out-of-range indexes are ignored.
    void SetChecked(std::size_t index, bool checked);
    void SetCnfText(std::size_t index, std::string text);
    // The box is left: ClampCnfText.
    void LeaveCnfBox(std::size_t index);
    // Every confidence box emptied (the dialog does it when shown without a value edit).
    void EmptyCnfBoxes();

    // ---- the answer
    // A consultation is running and waits for this answer: not rolling back,
    // and either waiting or neither paused nor held at a step.
    bool CanAccept() const;
    // Validates the inputs and stores the answer with Instantiate. False,
    // with nothing stored, when the answer cannot be accepted now or is
    // invalid (after the message, when ShowErrorMessages).
    bool Submit();

private:
    void Empty();
    // Rebuilds from the running consultation's plan; false when it cannot.
    bool RebuildFromPlan();
    // What the prompt shows of a variable and its question (a question
    // record or the plan's copy of one; null for none). The options and a
    // number's interval are left to the caller.
    template <class Question>
    void ShowVariable(bool numeric, bool multivalued, const std::string& varName, const Question* question);
    void Offer(int32_t valueCode, const std::string& text);
    void BuildNumeric();
    void BuildOptions();
    bool SubmitNumber();
    bool SubmitOptions();
    void Show(TMsgKind kind, const std::string& text) const;

    TExpertSystem* engine_ = nullptr;
    int32_t varCode_ = 0;
    TPromptKind kind_ = TPromptKind::None;
    TPromptInterval interval_;
    std::vector<TPromptOption> options_;
    bool showCnfBoxes_ = false;
    std::string questionText_;
    std::string infoText_;
    bool whyVisible_ = false;
    std::string valueText_;
};

}  // namespace quorvel
