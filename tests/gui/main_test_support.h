// Shared helpers of the main window's tests: knowledge bases made with the
// engine in a scratch folder, message boxes answered from a script, modal
// dialogs driven while they are shown, and the usable state of a command.
#pragma once

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "ExPasswd.h"
#include "ExSystem.h"
#include "ExText.h"
#include "IniFile.h"
#include "Main.h"
#include "MessageBoxSink.h"

namespace maintest {

using quorvel::TMsgButtons;
using quorvel::TMsgKind;
using quorvel::TMsgResult;

struct TShown {
    TMsgKind kind;
    QString text;
};

// Answers every message box of the workbench from a script and records it.
// Without a script OK is pressed, or Yes on a question; `unscripted` counts
// the questions answered that way.
class TMessageScript {
public:
    TMessageScript() {
        quorvel::gui::SetMessageHook(
            [this](TMsgKind kind, TMsgButtons buttons, const QString& text) -> std::optional<TMsgResult> {
                shown.push_back({kind, text});
                if (!answers.empty()) {
                    const TMsgResult answer = answers.front();
                    answers.pop_front();
                    return answer;
                }
                if (buttons == TMsgButtons::Ok) return TMsgResult::Ok;
                ++unscripted;
                return TMsgResult::Yes;
            });
    }
    ~TMessageScript() { quorvel::gui::SetMessageHook(nullptr); }
    TMessageScript(const TMessageScript&) = delete;
    TMessageScript& operator=(const TMessageScript&) = delete;

    QStringList Texts() const {
        QStringList texts;
        for (const TShown& message : shown) texts << message.text;
        return texts;
    }
    void Clear() { shown.clear(); }

    std::vector<TShown> shown;
    std::deque<TMsgResult> answers;
    int unscripted = 0;
};

// Runs `step` on the next modal dialog of type T as soon as it is shown.
template <class T>
void WhenModal(std::function<void(T*)> step) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, step] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            step(dialog);
        }
    });
    poll->start();
}

// The next file dialog chooses `path` (or is cancelled when path is empty);
// `seen` receives the dialog's proposed file and folder.
struct TFileDialogView {
    QString proposedFile;
    QString folder;
    QString defaultSuffix;
    bool shown = false;
};

inline void ChooseFile(const QString& path, TFileDialogView* seen = nullptr) {
    // The choice is made again until the dialog has closed, in case the
    // dialog was still busy with its folder; the script ends with the dialog,
    // so that it never answers a later showing.
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, path, seen] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (!poll->property("handled").toBool()) {
            poll->setProperty("handled", true);
            QObject::connect(dialog, &QDialog::finished, poll, [poll] {
                poll->stop();
                poll->deleteLater();
            });
            if (seen) {
                seen->shown = true;
                seen->proposedFile = dialog->selectedFiles().value(0);
                seen->folder = dialog->directory().absolutePath();
                seen->defaultSuffix = dialog->defaultSuffix();
            }
        }
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        // Typed into the name box, as a user would (selectFile leaves a
        // focused name box alone).
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(path);
        else
            dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    });
    poll->start();
}

// A small base: two rules that conclude "Diagnóstico" from the questions
// about "Febre" and "Tosse", with one target.
inline void FillBase(quorvel::TExpertSystem& engine) {
    engine.ClearBase();
    engine.Vars().AddVariable(1, "Febre", false, false);
    engine.Vars().AddVariable(2, "Tosse", false, false);
    engine.Vars().AddVariable(3, "Diagn\xF3stico", false, false);
    engine.Values().AddValue(1, "Gripe", 3, 1);
    engine.Values().AddValue(2, "Resfriado", 3, 2);
    engine.Rules().AddRule(1, "Gripe", 1);
    engine.Tails().AddPremise(1, 1, "=", quorvel::kCodeYes, 2, false);
    engine.Heads().AddConclusion(1, 3, 1, 0.8f);
    engine.Rules().AddRule(2, "Diagn\xF3stico", 2);
    engine.Tails().AddPremise(2, 2, "=", quorvel::kCodeYes, 2, false);
    engine.Heads().AddConclusion(2, 3, 2, 0.6f);
    engine.Questions().AddQuestion(1, "Tem febre?", false);
    engine.Questions().AddQuestion(2, "Tem tosse?", false);
    engine.Targets().Add(3, true);
}

struct TBaseOptions {
    std::string baseName = "Base de teste";
    std::string version = "1.1";
    std::optional<int16_t> restriction;  // set: protected by the password "segredo"
};

// Writes a base with the engine; false when it could not be written.
inline bool MakeBase(const QString& path, const TBaseOptions& options = {}) {
    quorvel::TExpertSystem engine;
    FillBase(engine);
    engine.BaseName = options.baseName;
    engine.Version = options.version;
    if (options.restriction) {
        engine.PasswordBlock.Password = quorvel::ScrambleText("segredo");
        engine.PasswordBlock.Restriction = *options.restriction;
        engine.PasswordBlock.UsePassword = true;
    }
    return engine.Save(QFile::encodeName(path).toStdString());
}

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

// Each test starts without a settings file.
inline void RemoveSettings() { QFile::remove(quorvel::gui::SettingsFilePath()); }

// A command the user can reach: enabled and shown, and so is every menu it sits in.
inline bool Usable(const QAction* action) {
    if (!action || !action->isEnabled() || !action->isVisible()) return false;
    for (QObject* owner : action->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(owner)) {
            if (menu->menuAction() == action) continue;
            return Usable(menu->menuAction());
        }
    }
    return true;
}

// The frame keeps its menus, toolbars and commands to itself; the tests find
// them as a user names them, by their component names.
// A menu item or toolbar button (a menu's own item for a menu's name), or null.
inline QAction* Command(const TfrmMain& frame, const QString& name) {
    for (QAction* action : frame.findChildren<QAction*>(name))
        if (action->objectName() == name) return action;
    if (auto* menu = frame.findChild<QMenu*>(name)) return menu->menuAction();
    return nullptr;
}

inline QMenu* MenuOf(const TfrmMain& frame, const QString& name) { return frame.findChild<QMenu*>(name); }

inline QToolBar* ToolBarOf(const TfrmMain& frame, const QString& name) {
    return frame.findChild<QToolBar*>(name, Qt::FindDirectChildrenOnly);
}

inline QFileDialog* FileDialogOf(const TfrmMain& frame, const QString& name) {
    return frame.findChild<QFileDialog*>(name, Qt::FindDirectChildrenOnly);
}

// The four recent-file items of the File menu, first to last.
inline std::vector<QAction*> RecentFileItems(const TfrmMain& frame) {
    std::vector<QAction*> items;
    for (int i = 1; i <= 4; ++i) items.push_back(Command(frame, QStringLiteral("mnuLastFile%1").arg(i)));
    return items;
}

// The names among `names` whose commands are usable.
inline QStringList UsableOf(const TfrmMain& frame, const QStringList& names) {
    QStringList usable;
    for (const QString& name : names)
        if (Usable(Command(frame, name))) usable << name;
    return usable;
}

}  // namespace maintest
