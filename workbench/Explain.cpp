#include "Explain.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ExConsultTree.h"
#include "ExExplain.h"
#include "ExSystem.h"
#include "ExText.h"
#include "MessageBoxSink.h"

using quorvel::gui::ScreenText;

TdialogExplanation::TdialogExplanation(const QString& caption, QWidget* parent) : QDialog(parent) {
    setWindowTitle(caption);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    labelHeading = new QLabel(this);
    labelHeading->setTextFormat(Qt::PlainText);
    labelHeading->setWordWrap(true);
    memo = new QPlainTextEdit(this);
    memo->setObjectName(QStringLiteral("memo"));
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    btnClose = new QPushButton(QStringLiteral("Fechar"), this);
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(labelHeading);
    layout->addWidget(memo, 1);
    layout->addLayout(buttons);
    resize(620, 360);
}

void TdialogExplanation::SetText(const QString& heading, const std::vector<std::string>& lines) {
    labelHeading->setText(heading);
    QStringList text;
    for (const std::string& line : lines) text << ScreenText(line);
    memo->setPlainText(text.join(QLatin1Char('\n')));
}

TdialogHow::TdialogHow(QWidget* parent) : TdialogExplanation(QStringLiteral("Como?"), parent) {
    setObjectName(QStringLiteral("dialogHow"));
}

void TdialogHow::Fill(quorvel::TExpertSystem& engine, const quorvel::TExplanationRecorder& recorder, int32_t varCode,
                      const std::string& resultText) {
    std::vector<std::string> lines = recorder.HowOfResult(varCode, resultText);
    if (lines.empty())
        lines.push_back("Nenhuma explica\xE7\xE3o: este valor n\xE3o foi guardado na \xFAltima consulta.");
    const std::string name = [&] {
        quorvel::TSavedCursors saved(engine);
        return engine.VarName(varCode);
    }();
    SetText(QStringLiteral("Como %1 chegou a %2:").arg(ScreenText(name), ScreenText(resultText)), lines);
}

TdialogWhyNot::TdialogWhyNot(QWidget* parent) : TdialogExplanation(QStringLiteral("Por que n\u00E3o?"), parent) {
    setObjectName(QStringLiteral("dialogWhyNot"));
    comboValue = new QComboBox(this);
    comboValue->setObjectName(QStringLiteral("comboValue"));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Valor:"), this));
    row->addWidget(comboValue, 1);
    static_cast<QVBoxLayout*>(layout())->insertLayout(1, row);
    connect(comboValue, &QComboBox::currentIndexChanged, this, [this] { Explain(); });
}

void TdialogWhyNot::Fill(quorvel::TExpertSystem& engine, const quorvel::TExplanationRecorder& recorder,
                         int32_t varCode, const std::string& valueName) {
    engine_ = &engine;
    recorder_ = &recorder;
    varCode_ = varCode;
    std::vector<quorvel::TValueListEntry> values;
    {
        quorvel::TSavedCursors saved(engine);
        engine.ValueList(varCode, values);
    }
    valueCodes_.clear();
    const QSignalBlocker quiet(comboValue);
    comboValue->clear();
    int chosen = 0;
    for (const quorvel::TValueListEntry& value : values) {
        if (quorvel::AnsiSameText(value.Name, valueName)) chosen = comboValue->count();
        comboValue->addItem(ScreenText(value.Name));
        valueCodes_.push_back(value.Value ? value.Value->Code
                                          : (quorvel::AnsiSameText(value.Name, quorvel::kTextYes) ? quorvel::kCodeYes
                                                                                                 : quorvel::kCodeNo));
    }
    comboValue->setCurrentIndex(values.empty() ? -1 : chosen);
    Explain();
}

void TdialogWhyNot::Explain() {
    const int index = comboValue->currentIndex();
    if (!engine_ || !recorder_ || index < 0 || static_cast<std::size_t>(index) >= valueCodes_.size()) {
        SetText(QStringLiteral("Esta vari\u00E1vel n\u00E3o tem valores a explicar."), {});
        return;
    }
    const std::string name = [&] {
        quorvel::TSavedCursors saved(*engine_);
        return engine_->VarName(varCode_);
    }();
    SetText(QStringLiteral("Por que n\u00E3o %1 = %2:").arg(ScreenText(name), comboValue->currentText()),
            recorder_->WhyNotLines(varCode_, valueCodes_[static_cast<std::size_t>(index)]));
}
