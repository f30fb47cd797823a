#include "MessageBoxSink.h"

#include <QMessageBox>
#include <QPushButton>

#include "ExText.h"
#include "DialogStacking.h"

namespace quorvel::gui {

using quorvel::TMsgButtons;
using quorvel::TMsgKind;
using quorvel::TMsgResult;

namespace {

TMessageHook& Hook() {
    static TMessageHook hook;
    return hook;
}

QMessageBox::Icon IconOf(TMsgKind kind) {
    switch (kind) {
        case TMsgKind::Warning: return QMessageBox::Warning;
        case TMsgKind::Error: return QMessageBox::Critical;
        case TMsgKind::Information: return QMessageBox::Information;
        case TMsgKind::Confirmation: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void SetMessageHook(TMessageHook hook) { Hook() = std::move(hook); }

TMsgResult ShowMessage(QWidget* parent, TMsgKind kind, TMsgButtons buttons, const QString& text) {
    if (Hook()) {
        if (const std::optional<TMsgResult> answer = Hook()(kind, buttons, text)) return *answer;
    }
    // Shown over the window the user is looking at; `parent` only when there is none.
    QMessageBox box(IconOf(kind), QStringLiteral("Quorvel"), text, QMessageBox::NoButton);
    box.setTextFormat(Qt::PlainText);
    // The button texts are set here so that they are Portuguese whatever
    // translations the system has.
    switch (buttons) {
        case TMsgButtons::Ok: {
            QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
            box.setDefaultButton(ok);
            box.setEscapeButton(ok);
            ExecModal(box, parent);
            return TMsgResult::Ok;
        }
        case TMsgButtons::YesNo:
        case TMsgButtons::YesNoCancel: {
            QPushButton* yes = box.addButton(QStringLiteral("&Sim"), QMessageBox::YesRole);
            QPushButton* no = box.addButton(QStringLiteral("&Não"), QMessageBox::NoRole);
            QPushButton* cancel = buttons == TMsgButtons::YesNoCancel
                                      ? box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole)
                                      : nullptr;
            box.setDefaultButton(yes);
            box.setEscapeButton(cancel != nullptr ? cancel : no);
            ExecModal(box, parent);
            if (box.clickedButton() == yes) return TMsgResult::Yes;
            if (box.clickedButton() == no || cancel == nullptr) return TMsgResult::No;
            return TMsgResult::Cancel;
        }
    }
    return TMsgResult::Cancel;
}

TMsgResult TMessageBoxSink::ShowMessage(TMsgKind kind, TMsgButtons buttons, const std::string& text) {
    return gui::ShowMessage(parent_, kind, buttons, QString::fromStdString(text));
}

QString UnrepresentableCharacters(const QString& text) {
    QString found;
    for (const char32_t cp : text.toUcs4()) {
        const QString one = QString::fromUcs4(&cp, 1);
        if (!quorvel::Utf8ToCp1252(one.toStdString()) && !found.contains(one)) found += one;
    }
    return found;
}

std::optional<std::string> BaseTextOf(QWidget* parent, const QString& text) {
    if (std::optional<std::string> converted = quorvel::Utf8ToCp1252(text.toStdString())) return converted;
    const QString bad = UnrepresentableCharacters(text);
    ShowMessage(parent, TMsgKind::Error, TMsgButtons::Ok,
                QStringLiteral("O texto digitado contém caracteres que uma base do Quorvel não pode guardar: %1\n"
                               "Apague-os ou troque-os por outros (letras acentuadas do português são aceitas).")
                    .arg(bad));
    return std::nullopt;
}

QString ScreenText(const std::string& baseText) { return QString::fromStdString(quorvel::Cp1252ToUtf8(baseText)); }

}  // namespace quorvel::gui
