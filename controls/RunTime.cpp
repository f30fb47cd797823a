#include "RunTime.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "ExDlgWhy.h"
#include "ExPrompt.h"
#include "ExSystem.h"
#include "Help.h"
#include "MessageBoxSink.h"
#include "DialogStacking.h"

using quorvel::gui::ScreenText;

namespace {

constexpr const char* kDesignCaption = "Quorvel - Execu\u00E7\u00E3o";
constexpr const char* kConfirmCancel = "Confirma cancelamento da consulta?";
constexpr const char* kEndOfConsultation = "Fim da consulta";
constexpr int kSide = 20;

QRect ScreenArea(const QWidget* widget) {
    const QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QLabel* CaptionPanel(const QString& text, QWidget* parent) {
    auto* panel = new QLabel(text, parent);
    panel->setAutoFillBackground(true);
    panel->setContentsMargins(4, 0, 4, 0);
    panel->setTextFormat(Qt::PlainText);
    return panel;
}

}  // namespace

TRunTime::TRunTime(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("RunTime"));
    setWindowTitle(QString::fromUtf8(kDesignCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kQuestionPrompt);

    labelQuestion = new QLabel(QStringLiteral("Pergunta"), this);
    labelQuestion->setAlignment(Qt::AlignCenter);
    labelQuestion->setWordWrap(true);
    labelQuestion->setTextFormat(Qt::PlainText);
    QFont questionFont = labelQuestion->font();
    questionFont.setPointSize(12);
    questionFont.setBold(true);
    labelQuestion->setFont(questionFont);

    labelInfo = new QLabel(this);
    labelInfo->setAlignment(Qt::AlignCenter);
    labelInfo->setTextFormat(Qt::PlainText);

    Frame3D = new QFrame(this);
    Frame3D->setFrameShape(QFrame::Box);
    Frame3D->setFrameShadow(QFrame::Sunken);
    Frame3D->setLineWidth(1);

    Prompt = new TExpertPrompt(Frame3D);
    Prompt->setFrameShape(QFrame::NoFrame);
    Prompt->MaxHeight = ScreenArea(this).height() - 200;
    Prompt->SetAutoSize(true);

    panelOption = CaptionPanel(QStringLiteral("Op\u00E7\u00E3o:"), this);
    panelCnf = CaptionPanel(QStringLiteral("Grau de Confian\u00E7a %:"), this);

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setDefault(true);
    btnWhy = new QPushButton(QStringLiteral("&Por que?"), this);
    btnWhy->setAutoDefault(false);
    connect(btnOk, &QPushButton::clicked, this, &TRunTime::btnOkClick);
    connect(btnWhy, &QPushButton::clicked, this, &TRunTime::btnWhyClick);

    dlgWhy = new TdlgWhy(this);
}

void TRunTime::SetExpertSystem(quorvel::TExpertSystem* engine) {
    engine_ = engine;
    setWindowTitle(engine && !engine->BaseName.empty() ? ScreenText(engine->BaseName)
                                                       : QString::fromUtf8(kDesignCaption));
    Prompt->SetExpertSystem(engine);
}

void TRunTime::ShowQuestion(int32_t varCode) {
    if (!engine_) return;
    const QRect area = ScreenArea(this);
    QFont captionFont = font();
    captionFont.setPointSize(12);
    captionFont.setBold(true);
    const int captionWidth = QFontMetrics(captionFont).horizontalAdvance(windowTitle());
    Prompt->MinWidth = std::max(400, captionWidth + 33 - 40);
    Prompt->MaxWidth = area.width() - 40;
    Prompt->MaxHeight = area.height() - 200;
    Prompt->SetVarCode(varCode);

    const quorvel::TPromptModel& model = Prompt->Model();
    labelQuestion->setText(ScreenText(model.QuestionText()));
    labelInfo->setText(ScreenText(model.InfoText()));
    btnWhy->setVisible(model.WhyVisible());
    panelOption->setVisible(!model.Numeric());
    // Without confidence boxes their caption would stand over nothing.
    panelCnf->setVisible(!model.Numeric() && model.ShowCnfBoxes());
    Arrange();
    if (model.WhyVisible()) dlgWhy->Fill(varCode, *engine_);

    move(area.center() - rect().center());
    show();
    raise();
    activateWindow();
    if (!Prompt->editValue->isHidden() && Prompt->editValue->isEnabled()) {
        Prompt->editValue->setFocus();
        Prompt->editValue->selectAll();
    } else {
        Prompt->EmptyCnfBoxes();
    }
}

void TRunTime::Arrange() {
    const int width = Prompt->width() + 2 * kSide;
    int top = 12;
    const int textWidth = width - 24;
    labelQuestion->setGeometry(12, top, textWidth, labelQuestion->heightForWidth(textWidth));
    top = labelQuestion->geometry().bottom() + 6;
    labelInfo->setGeometry(12, top, textWidth, labelInfo->sizeHint().height());
    top = labelInfo->geometry().bottom() + 14;

    // The caption panels sit on the frame's top edge, like a group's title.
    const int captionHeight = panelOption->sizeHint().height();
    if (!panelOption->isHidden()) top += captionHeight / 2;
    const int border = Frame3D->frameWidth();
    Frame3D->setGeometry(kSide - border, top, Prompt->width() + 2 * border, Prompt->height() + 2 * border);
    Prompt->move(border, border);
    panelOption->setGeometry(Frame3D->x() + 8, top - captionHeight / 2, panelOption->sizeHint().width(), captionHeight);
    const int cnfWidth = panelCnf->sizeHint().width();
    panelCnf->setGeometry(Frame3D->geometry().right() - 8 - cnfWidth, top - captionHeight / 2, cnfWidth, captionHeight);
    panelOption->raise();
    panelCnf->raise();

    top = Frame3D->geometry().bottom() + 14;
    const int buttonWidth = std::max({90, btnOk->sizeHint().width(), btnWhy->sizeHint().width()});
    const int buttonHeight = btnOk->sizeHint().height();
    if (!btnWhy->isHidden()) {
        const int left = (width - (2 * buttonWidth + 50)) / 2;
        btnOk->setGeometry(left, top, buttonWidth, buttonHeight);
        btnWhy->setGeometry(left + buttonWidth + 50, top, buttonWidth, buttonHeight);
    } else {
        btnOk->setGeometry((width - buttonWidth) / 2, top, buttonWidth, buttonHeight);
    }
    setFixedSize(width, top + static_cast<int>(std::lround(2.3 * buttonHeight)));
}

void TRunTime::HideQuestion() { hide(); }

void TRunTime::btnOkClick() {
    if (!engine_ || !Prompt->Submit()) return;
    engine_->ReleaseWait();
    hide();
}

void TRunTime::btnWhyClick() { quorvel::gui::ExecModal(*dlgWhy); }

void TRunTime::reject() { close(); }

void TRunTime::closeEvent(QCloseEvent* event) {
    if (engine_ && engine_->Running && !engine_->Finished) {
        const quorvel::TMsgResult answer =
            engine_->Sink().ShowMessage(quorvel::TMsgKind::Confirmation, quorvel::TMsgButtons::YesNo, kConfirmCancel);
        // Declining leaves the consultation exactly as it was: waiting, or held at its step.
        if (answer != quorvel::TMsgResult::Yes) {
            event->ignore();
            return;
        }
        engine_->Stop();
    }
    event->accept();
    Closed();
}

void TRunTime::CloseAtEnd() {
    hide();
    Closed();
}

void TRunTime::Closed() {
    if (!engine_) return;
    if (!engine_->StopRequested && engine_->ReportEnding)
        engine_->Sink().ShowMessage(quorvel::TMsgKind::Information, quorvel::TMsgButtons::Ok, kEndOfConsultation);
    engine_->Stop();
}

// ------------------------------------------------------- the engine's handle

namespace {

class TRunTimeHandle : public quorvel::IQuestionDialog {
public:
    TRunTimeHandle(quorvel::TExpertSystem& engine, QWidget* parent) : dialog_(new TRunTime(parent)) {
        dialog_->SetExpertSystem(&engine);
    }
    ~TRunTimeHandle() override {
        if (dialog_) {
            dialog_->SetExpertSystem(nullptr);
            delete dialog_.data();
        }
    }
    void ShowQuestion(int32_t varCode) override {
        if (dialog_) dialog_->ShowQuestion(varCode);
    }
    void HideQuestion() override {
        if (dialog_) dialog_->HideQuestion();
    }
    bool IsShown() const override { return dialog_ && dialog_->IsShown(); }
    void CloseAtEnd() override {
        if (dialog_) dialog_->CloseAtEnd();
    }
    TRunTime* Dialog() const { return dialog_.data(); }

private:
    QPointer<TRunTime> dialog_;
};

}  // namespace

std::unique_ptr<quorvel::IQuestionDialog> MakeQuestionDialog(quorvel::TExpertSystem& engine, QWidget* parent) {
    return std::make_unique<TRunTimeHandle>(engine, parent);
}

TRunTime* RunTimeOf(quorvel::IQuestionDialog* dialog) {
    if (auto* handle = dynamic_cast<TRunTimeHandle*>(dialog)) return handle->Dialog();
    return dynamic_cast<TRunTime*>(dialog);
}
