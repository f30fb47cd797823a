// The question prompt: the answer area of the run-time dialog. It builds the
// input for the variable asked (options with a confidence box each, or a
// number with its interval and slider), mirrors the widget-free prompt model
// (TPromptModel) and submits the answer to the engine through it.
#pragma once

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QScrollArea>
#include <QSlider>
#include <cstdint>
#include <memory>
#include <vector>

#include "ExEvents.h"
#include "ExPromptLogic.h"

namespace quorvel {
class TExpertSystem;
}

class QLabel;
class QLineEdit;

// A confidence box: a percentage typed or stepped by 10 with the arrows
// (0 to 100), at most four characters. Only digits, signs and a decimal
// separator can be typed; an integer outside 0..100 becomes the nearest
// bound when the box is left. Empty and disabled when created.
class TTxtCnf : public QAbstractSpinBox {
    Q_OBJECT

public:
    explicit TTxtCnf(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);
    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

signals:
    // The user changed the text (typing, pasting or the arrows).
    void edited(const QString& text);
    // The box was left; its text is clamped already.
    void left();

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

// An answer option: a check box that knows its confidence box.
class TVarOption : public QCheckBox {
    Q_OBJECT

public:
    using QCheckBox::QCheckBox;
    TTxtCnf* MyCnf = nullptr;
};

// The slider of a numeric interval: moving it writes its position, a whole
// number, into the value edit.
class TScrollValue : public QSlider {
    Q_OBJECT

public:
    explicit TScrollValue(QWidget* parent = nullptr);
};

class TExpertPrompt : public QScrollArea {
    Q_OBJECT

public:
    explicit TExpertPrompt(QWidget* parent = nullptr);
    ~TExpertPrompt() override;

    // Registers the prompt with the engine (and unregisters it from the old one).
    void SetExpertSystem(quorvel::TExpertSystem* engine);
    quorvel::TExpertSystem* ExpertSystem() const { return model_.ExpertSystem(); }
    // The variable asked; setting it rebuilds the prompt, 0 empties it.
    void SetVarCode(int32_t varCode);
    int32_t VarCode() const { return model_.VarCode(); }

    bool ShowErrorMessages() const { return model_.ShowErrorMessages; }
    void SetShowErrorMessages(bool show) { model_.ShowErrorMessages = show; }
    int MaxHeight = 300;
    int MaxWidth = 400;
    int MinHeight = 0;  // 0: no lower bound
    int MinWidth = 0;
    // Sizes the prompt to its content within the bounds; turning it on rebuilds.
    void SetAutoSize(bool autoSize);
    bool AutoSize() const { return autoSize_; }

    // Rebuilds for the current variable (nothing without an engine, a
    // variable or a parent, nor while the base is new).
    void Rebuild();
    // Validates the inputs and stores the answer; false, with nothing
    // stored, when it cannot be accepted now or is invalid.
    bool Submit();
    // Every confidence box emptied.
    void EmptyCnfBoxes();

    const quorvel::TPromptModel& Model() const { return model_; }
    int OptionCount() const { return static_cast<int>(model_.Options().size()); }
    TVarOption* Option(int index) const;
    TTxtCnf* CnfBox(int index) const;
    // The content's natural size, before the bounds.
    QSize ContentSize() const { return contentSize_; }

    // The numeric inputs.
    QLabel* labelValue = nullptr;
    QLineEdit* editValue = nullptr;
    QLabel* panelMin = nullptr;
    QLabel* panelMax = nullptr;
    TScrollValue* scrollValue = nullptr;

protected:
    void changeEvent(QEvent* event) override;

private:
    friend class TExpertPromptInterface;
    void ShowModel();
    void ShowNumeric();
    void ShowOptions();
    void ShowOptionStates();
    void ArrangeOptions();
    void ArrangeNumeric();
    void FitToContent();
    void OptionClicked(int index, bool checked);
    void TakeInputs();
    quorvel::TExCtrlInterface* Notifier();

    quorvel::TPromptModel model_;
    std::unique_ptr<quorvel::TExCtrlInterface> notifier_;
    QWidget* content_ = nullptr;
    std::vector<TVarOption*> options_;
    std::vector<TTxtCnf*> cnfBoxes_;
    QSize contentSize_;
    bool autoSize_ = false;
    bool showing_ = false;
};
