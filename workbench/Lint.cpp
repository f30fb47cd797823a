#include "Lint.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "Base.h"
#include "ExSystem.h"
#include "Main.h"
#include "MessageBoxSink.h"

using quorvel::gui::ScreenText;

TdialogLint::TdialogLint(QWidget* parent, std::function<void(const quorvel::TLintFinding&)> open)
    : QDialog(parent), open_(std::move(open)) {
    setObjectName(QStringLiteral("dialogLint"));
    setWindowTitle(QStringLiteral("Verificar base"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    listFindings = new QTreeWidget(this);
    listFindings->setObjectName(QStringLiteral("listFindings"));
    listFindings->setRootIsDecorated(false);
    listFindings->setUniformRowHeights(true);
    listFindings->setHeaderLabels({QStringLiteral("C\u00F3digo"), QStringLiteral("Tipo"), QStringLiteral("Mensagem")});
    listFindings->header()->setStretchLastSection(true);
    connect(listFindings, &QTreeWidget::itemDoubleClicked, this, [this] { listFindingsDblClick(); });
    labelSummary = new QLabel(this);
    labelSummary->setTextFormat(Qt::PlainText);
    btnCheck = new QPushButton(QStringLiteral("Verificar de novo"), this);
    btnCheck->setAutoDefault(false);
    connect(btnCheck, &QPushButton::clicked, this, [this] {
        if (engine_) Fill(*engine_);
    });
    btnClose = new QPushButton(QStringLiteral("Fechar"), this);
    btnClose->setAutoDefault(false);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(labelSummary, 1);
    buttons->addWidget(btnCheck);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(listFindings, 1);
    layout->addLayout(buttons);
    resize(720, 360);
}

void TdialogLint::Fill(quorvel::TExpertSystem& engine) {
    engine_ = &engine;
    findings_ = quorvel::LintBase(engine);
    listFindings->clear();
    int errors = 0;
    for (const quorvel::TLintFinding& finding : findings_) {
        const bool error = finding.Severity == quorvel::TLintSeverity::Error;
        errors += error;
        auto* item = new QTreeWidgetItem(listFindings);
        item->setText(0, QString::fromStdString(finding.Code));
        item->setText(1, error ? QStringLiteral("erro") : QStringLiteral("aviso"));
        QString message = ScreenText(finding.Message);
        if (finding.Line) message = QStringLiteral("linha %1: %2").arg(*finding.Line).arg(message);
        item->setText(2, message);
        if (error) item->setForeground(1, QColor(Qt::darkRed));
    }
    listFindings->resizeColumnToContents(0);
    listFindings->resizeColumnToContents(1);
    if (!findings_.empty()) listFindings->setCurrentItem(listFindings->topLevelItem(0));
    const int warnings = static_cast<int>(findings_.size()) - errors;
    labelSummary->setText(findings_.empty() ? QStringLiteral("Nenhum problema encontrado.")
                                            : QStringLiteral("%1 erro(s), %2 aviso(s)").arg(errors).arg(warnings));
}

void TdialogLint::listFindingsDblClick() {
    const int row = listFindings->indexOfTopLevelItem(listFindings->currentItem());
    if (row < 0 || static_cast<std::size_t>(row) >= findings_.size() || !open_) return;
    open_(findings_[static_cast<std::size_t>(row)]);
}

// ------------------------------------------------------------ main window

void TfrmMain::CheckBase() {
    if (!baseWindow_ || ConsultationRunning()) return;
    if (!dialogLint_) {
        dialogLint_ = new TdialogLint(this, [this](const quorvel::TLintFinding& finding) { OpenLintFinding(finding); });
        dialogLint_->setAttribute(Qt::WA_DeleteOnClose);
    }
    dialogLint_->Fill(*expertSystem_);
    dialogLint_->show();
    dialogLint_->raise();
    dialogLint_->activateWindow();
}

void TfrmMain::OpenLintFinding(const quorvel::TLintFinding& finding) {
    if (!baseWindow_ || ConsultationRunning()) return;
    using quorvel::TLintSubject;
    switch (finding.Subject) {
        case TLintSubject::Rule: {
            const int row = baseWindow_->RuleRow(finding.RuleCode);
            if (row < 0) return;
            baseWindow_->listRules->setCurrentRow(row);
            ForwardToBase(TBaseCommand::OpenRule);
            return;
        }
        case TLintSubject::Variable:
        case TLintSubject::Formula:
            ForwardToBase(TBaseCommand::Vars);
            return;
        case TLintSubject::Target:
            ForwardToBase(TBaseCommand::Targets);
            return;
        case TLintSubject::Question:
            ForwardToBase(TBaseCommand::Questions);
            return;
        case TLintSubject::Settings:
            ShowOptions();
            return;
    }
}
