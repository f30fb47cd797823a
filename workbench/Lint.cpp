#include "Lint.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "Base.h"
#include "ExSystem.h"
#include "Main.h"
#include "MessageBoxSink.h"

using quorvel::gui::ScreenText;

// The findings' rows: code, kind ("erro" in dark red, or "aviso") and message.
class TLintRows : public QAbstractTableModel {
public:
    explicit TLintRows(QObject* parent) : QAbstractTableModel(parent) {}

    void Assign(std::vector<quorvel::TLintFinding> findings) {
        beginResetModel();
        findings_ = std::move(findings);
        endResetModel();
    }
    const std::vector<quorvel::TLintFinding>& Findings() const { return findings_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(findings_.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 3; }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
        if (!index.isValid() || index.row() >= rowCount()) return {};
        const quorvel::TLintFinding& finding = findings_[static_cast<std::size_t>(index.row())];
        const bool error = finding.Severity == quorvel::TLintSeverity::Error;
        if (role == Qt::ForegroundRole)
            return error && index.column() == 1 ? QVariant(QColor(Qt::darkRed)) : QVariant();
        if (role != Qt::DisplayRole) return {};
        switch (index.column()) {
            case 0:
                return QString::fromStdString(finding.Code);
            case 1:
                return error ? QStringLiteral("erro") : QStringLiteral("aviso");
            default: {
                const QString message = ScreenText(finding.Message);
                return finding.Line ? QStringLiteral("linha %1: %2").arg(*finding.Line).arg(message) : message;
            }
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 2) return {};
        static const QString titles[] = {QStringLiteral("C\u00F3digo"), QStringLiteral("Tipo"),
                                         QStringLiteral("Mensagem")};
        return titles[section];
    }

private:
    std::vector<quorvel::TLintFinding> findings_;
};

TdialogLint::TdialogLint(QWidget* parent, std::function<void(const quorvel::TLintFinding&)> open)
    : QDialog(parent), open_(std::move(open)) {
    setObjectName(QStringLiteral("dialogLint"));
    setWindowTitle(QStringLiteral("Verificar base"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    listFindings = new QTreeView(this);
    listFindings->setObjectName(QStringLiteral("listFindings"));
    listFindings->setRootIsDecorated(false);
    listFindings->setUniformRowHeights(true);
    listFindings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rows_ = new TLintRows(listFindings);
    listFindings->setModel(rows_);
    listFindings->header()->setStretchLastSection(true);
    connect(listFindings, &QAbstractItemView::doubleClicked, this, [this] { listFindingsDblClick(); });
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
    rows_->Assign(quorvel::LintBase(engine));
    const std::vector<quorvel::TLintFinding>& findings = Findings();
    const auto errors = static_cast<int>(std::count_if(findings.begin(), findings.end(), [](const auto& finding) {
        return finding.Severity == quorvel::TLintSeverity::Error;
    }));
    listFindings->resizeColumnToContents(0);
    listFindings->resizeColumnToContents(1);
    if (!findings.empty()) listFindings->setCurrentIndex(rows_->index(0, 0));
    const int warnings = static_cast<int>(findings.size()) - errors;
    labelSummary->setText(findings.empty() ? QStringLiteral("Nenhum problema encontrado.")
                                           : QStringLiteral("%1 erro(s), %2 aviso(s)").arg(errors).arg(warnings));
}

const std::vector<quorvel::TLintFinding>& TdialogLint::Findings() const { return rows_->Findings(); }

void TdialogLint::listFindingsDblClick() {
    const int row = listFindings->currentIndex().row();
    if (row < 0 || static_cast<std::size_t>(row) >= Findings().size() || !open_) return;
    open_(Findings()[static_cast<std::size_t>(row)]);
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
