// TRunTime: the run-time question dialog, a small always-on-top window with
// the question, the answer prompt and the button that explains why the
// question is asked. The engine creates one per consultation through the
// host's factory, shows it for each question and closes it at the end.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>

#include "ExEvents.h"

namespace quorvel {
class TExpertSystem;
}

class QFrame;
class QLabel;
class QPushButton;
class TExpertPrompt;
class TdlgWhy;

class TRunTime : public QDialog, public quorvel::IQuestionDialog {
    Q_OBJECT

public:
    explicit TRunTime(QWidget* parent = nullptr);

    // The caption becomes the base's name when it has one; the prompt gets the engine.
    void SetExpertSystem(quorvel::TExpertSystem* engine);
    quorvel::TExpertSystem* ExpertSystem() const { return engine_; }

    // Prepares the dialog for a variable and shows it without waiting.
    void ShowQuestion(int32_t varCode) override;
    void HideQuestion() override;
    bool IsShown() const override { return isVisible(); }
    // The end of a consultation that was not stopped: "Fim da consulta"
    // (when the engine reports endings), then the dialog is gone.
    void CloseAtEnd() override;

    // OK: the answer is submitted and, when accepted, the engine goes on.
    void btnOkClick();
    void btnWhyClick();

    QLabel* labelQuestion = nullptr;
    QLabel* labelInfo = nullptr;
    QFrame* Frame3D = nullptr;
    QLabel* panelOption = nullptr;
    QLabel* panelCnf = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnWhy = nullptr;
    TExpertPrompt* Prompt = nullptr;
    TdlgWhy* dlgWhy = nullptr;

public slots:
    // Esc asks like the close box.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Closed();
    void Arrange();

    quorvel::TExpertSystem* engine_ = nullptr;
};

// The engine's handle on a TRunTime made for one consultation: it owns the
// dialog and forwards the engine's calls. The dialog may go first (its
// parent window closing); the handle then does nothing.
std::unique_ptr<quorvel::IQuestionDialog> MakeQuestionDialog(quorvel::TExpertSystem& engine, QWidget* parent);
// The dialog behind a handle made by MakeQuestionDialog, or null.
TRunTime* RunTimeOf(quorvel::IQuestionDialog* dialog);
