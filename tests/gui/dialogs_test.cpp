// The workbench's dialogs driven through their widgets: tip of the day,
// password entry and creation, options, the opening screen and the message
// boxes.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QSet>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <vector>

#include "ExConsts.h"
#include "ExSystem.h"
#include "Intro.h"
#include "MessageBoxSink.h"
#include "NewPassw.h"
#include "Options.h"
#include "Passwd.h"
#include "Totd.h"

using quorvel::TMsgButtons;
using quorvel::TMsgKind;
using quorvel::TMsgResult;

Q_DECLARE_METATYPE(quorvel::TMsgKind)
Q_DECLARE_METATYPE(quorvel::TMsgButtons)
Q_DECLARE_METATYPE(quorvel::TMsgResult)

namespace {

struct TMessage {
    TMsgKind kind;
    TMsgButtons buttons;
    QString text;
};

// Answers every message box in place of the user and keeps what was shown.
class TMessageRecorder {
public:
    TMessageRecorder() {
        quorvel::gui::SetMessageHook([this](TMsgKind kind, TMsgButtons buttons, const QString& text) {
            messages.push_back({kind, buttons, text});
            return std::optional<TMsgResult>(TMsgResult::Ok);
        });
    }
    ~TMessageRecorder() { quorvel::gui::SetMessageHook({}); }
    QStringList Texts() const {
        QStringList texts;
        for (const TMessage& m : messages) texts << m.text;
        return texts;
    }
    std::vector<TMessage> messages;
};

// Runs the action on the next modal window as soon as it is shown; the
// action answers it as a user would.
void OnNextModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

// Key presses carrying each character, accented ones included (QTest's
// keyClicks takes Latin-1 only).
void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

// A click on the indicator end of a button: radio buttons and check boxes
// answer only on their indicator and text, not on the whole widget.
void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

// Replaces what the box holds by typing over its selected text.
void TypeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    TypeText(edit, text);
}

QString WriteTips(const QTemporaryDir& dir, const QByteArray& content) {
    const QString path = dir.filePath(QStringLiteral("QUORVEL.TIP"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

// A saved base protected by a password, for the password entry.
QString WriteProtectedBase(const QTemporaryDir& dir, const std::string& password, int16_t restriction) {
    quorvel::TExpertSystem es;
    es.PasswordBlock.Password = quorvel::ScrambleText(password);
    es.PasswordBlock.Restriction = restriction;
    es.PasswordBlock.UsePassword = true;
    const QString path = dir.filePath(QStringLiteral("protegida.bcm"));
    if (!es.Save(path.toStdString())) return {};
    return path;
}

const QString kDefaultFormula = QStringLiteral("A fórmula padrão está sendo utilizada.");
const QString kNoPermission =
    QStringLiteral("Lembre-se de que você não tem permissão para alterar esta base de conhecimento!");

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    // ---------------------------------------------------------------- tip of the day

    void tipLinesGiveTitleAndText_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("tip") << QByteArray("^Uma frase.%sOutra frase.") << "Dica do dia..."
                             << "Uma frase.\nOutra frase.";
        QTest::newRow("did you know") << QByteArray("?Sabia?") << "Você sabia?..." << "Sabia?";
        QTest::newRow("quotation") << QByteArray("'Citação.") << "Citação do dia..." << "Citação.";
        QTest::newRow("joke") << QByteArray("!Piada.") << "Piada do dia..." << "Piada.";
        QTest::newRow("message") << QByteArray("#Aviso.") << "Mensagem do dia..." << "Aviso.";
        QTest::newRow("other first character") << QByteArray("xTexto") << "" << "Texto";
        QTest::newRow("five breaks at most") << QByteArray("^a%sb%sc%sd%se%sf%sg") << "Dica do dia..."
                                             << "a\nb\nc\nd\ne\nf%sg";
        QTest::newRow("254 characters at most") << QByteArray("^" + QByteArray(300, 'x')) << "Dica do dia..."
                                                << QString(254, QLatin1Char('x'));
        QTest::newRow("CRLF line") << QByteArray("^Fim.\r\n") << "Dica do dia..." << "Fim.";
    }
    void tipLinesGiveTitleAndText() {
        QFETCH(QByteArray, line);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QTemporaryDir dir;
        TfTipOfTheDay dialog(nullptr, WriteTips(dir, line));
        dialog.show();
        QCOMPARE(dialog.lTitle->text(), title);
        QCOMPARE(dialog.lTip->text(), text);
        QVERIFY(dialog.bNext->isEnabled());
    }

    void tipNavigationWrapsBothWays() {
        QTemporaryDir dir;
        TfTipOfTheDay dialog(nullptr, WriteTips(dir, "^um\n^dois\n\n^três\n"));
        dialog.SetCurrentIndex(0);
        dialog.show();
        // The stored index is the tip last seen: a first start shows the second line.
        QCOMPARE(dialog.lTip->text(), QStringLiteral("dois"));
        const struct {
            QPushButton* button;
            const char* tip;
        } steps[] = {{dialog.bNext, "três"},     {dialog.bNext, "um"},       {dialog.bPrevious, "três"},
                     {dialog.bPrevious, "dois"}, {dialog.bPrevious, "um"},   {dialog.bPrevious, "três"}};
        for (const auto& step : steps) {
            Click(step.button);
            QCOMPARE(dialog.lTip->text(), QString::fromUtf8(step.tip));
        }
    }

    void missingTipsFileKeepsTheDesignTexts() {
        QTemporaryDir dir;
        TfTipOfTheDay dialog(nullptr, dir.filePath(QStringLiteral("QUORVEL.TIP")));
        dialog.SetCurrentIndex(3);
        dialog.show();
        QCOMPARE(dialog.lTitle->text(), QStringLiteral("Oops..."));
        QVERIFY(dialog.lTip->text().startsWith(QStringLiteral("Nenhuma dica disponível.")));
        QVERIFY(!dialog.bNext->isEnabled());
        QVERIFY(!dialog.bPrevious->isEnabled());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.CurrentIndex(), 3);
    }

    // Start after start through ShowTipOfTheDay, as the main window runs it.
    void tipOfTheDayGoesOnAcrossStarts() {
        QTemporaryDir dir;
        const QString tips = WriteTips(dir, "^um\n^dois\n^três\n");
        const QString previousFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));  // the file is found in the current folder
        auto restoreFolder = qScopeGuard([&] { QDir::setCurrent(previousFolder); });
        QCOMPARE(QFileInfo(TipsFilePath()).canonicalFilePath(), QFileInfo(tips).canonicalFilePath());

        int lastTip = 0;
        bool showTips = true;
        QStringList seen;
        auto start = [&](std::function<void(TfTipOfTheDay*)> act) {
            OnNextModal([&seen, act](QWidget* modal) {
                auto* dialog = qobject_cast<TfTipOfTheDay*>(modal);
                QVERIFY(dialog);
                seen << dialog->lTip->text();
                act(dialog);
                Click(dialog->bClose);
            });
            ShowTipOfTheDay(nullptr, lastTip, showTips);
        };
        auto justClose = [](TfTipOfTheDay*) {};
        start(justClose);
        QCOMPARE(lastTip, 1);
        start(justClose);  // the last line
        QCOMPARE(lastTip, 2);
        start(justClose);  // wraps to the first line...
        QCOMPARE(lastTip, 0);
        start(justClose);  // ...and goes on from there rather than repeating it
        // Going back does not make the next start repeat tips.
        start([](TfTipOfTheDay* dialog) {
            Click(dialog->bPrevious);
            Click(dialog->bPrevious);
            dialog->cbShowTips->setChecked(false);
        });
        QCOMPARE(seen, (QStringList{"dois", "três", "um", "dois", "três"}));
        QCOMPARE(lastTip, 1);
        QCOMPARE(showTips, false);
    }

    // The tips shipped beside the program: every line a titled tip.
    void shippedTipsAreWellFormed() {
        const QString shipped = QStringLiteral(QUORVEL_TEST_DATA "/../../resources/QUORVEL.TIP");
        QVERIFY(QFile::exists(shipped));
        TfTipOfTheDay dialog(nullptr, shipped);
        dialog.SetCurrentIndex(-1);
        dialog.show();
        QSet<QString> tips;
        while (dialog.CurrentIndex() == int(tips.size())) {  // until it wraps (or repeats a tip)
            QVERIFY2(!dialog.lTitle->text().isEmpty(), qPrintable(dialog.lTip->text()));
            QVERIFY(dialog.lTip->text().size() > 20);
            QVERIFY2(!dialog.lTip->text().contains(QStringLiteral("%s")), qPrintable(dialog.lTip->text()));
            QVERIFY2(!dialog.lTip->text().contains(QChar::ReplacementCharacter), "not UTF-8");
            tips.insert(dialog.lTip->text());
            Click(dialog.bNext);
        }
        QCOMPARE(dialog.CurrentIndex(), 0);  // wrapped after the last line
        QVERIFY(tips.size() >= 15);
    }

    // ---------------------------------------------------------------- password entry

    void protectedBaseAsksForThePassword_data() {
        QTest::addColumn<int>("restriction");
        QTest::addColumn<QStringList>("entries");  // typed in turn; "<cancel>" presses Cancelar
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("accessLevel");
        const QString invalid = QString::fromUtf8(quorvel::msg::InvalidPassword);
        QTest::newRow("right password") << 2 << QStringList{"Abc123"} << QStringList{} << 1;
        QTest::newRow("wrong, then right") << 3 << QStringList{"xyz", "Abc123"} << QStringList{invalid} << 1;
        QTest::newRow("case differs") << 3 << QStringList{"abc123", "<cancel>"} << QStringList{invalid} << 0;
        QTest::newRow("empty, consult only")
            << 2 << QStringList{""} << QStringList{QString::fromUtf8(quorvel::msg::ExecutionOnly)} << 2;
        QTest::newRow("empty, consult and view")
            << 3 << QStringList{""} << QStringList{QString::fromUtf8(quorvel::msg::ExecutionAndView)} << 3;
        QTest::newRow("empty, no permission")
            << 0 << QStringList{""} << QStringList{QString::fromUtf8(quorvel::msg::NoPermission)} << 0;
        QTest::newRow("cancelled") << 3 << QStringList{"<cancel>"} << QStringList{} << 0;
    }
    void protectedBaseAsksForThePassword() {
        QFETCH(int, restriction);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, messages);
        QFETCH(int, accessLevel);
        QTemporaryDir dir;
        const QString base = WriteProtectedBase(dir, "Abc123", int16_t(restriction));
        QVERIFY(!base.isEmpty());

        TMessageRecorder recorder;
        quorvel::gui::TMessageBoxSink sink;
        quorvel::TExpertSystem es(&sink);
        TDialogPasswordPrompt prompt(nullptr);
        es.SetPasswordPrompt(&prompt);
        bool staysOpenAfterEachWrongEntry = true;
        OnNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<TdialogPasswd*>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Autorização de uso"));
            QCOMPARE(dialog->Password->echoMode(), QLineEdit::Password);
            QCOMPARE(dialog->Password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter), int('*'));
            for (const QString& entry : entries) {
                if (entry == QLatin1String("<cancel>")) {
                    Click(dialog->CancelBtn);
                    break;
                }
                TypeInto(dialog->Password, entry);
                Click(dialog->OKBtn);
                if (entry != QLatin1String("Abc123") && !entry.isEmpty())
                    staysOpenAfterEachWrongEntry &= dialog->isVisible() && dialog->Password->text().isEmpty();
            }
        });
        es.SetFileName(base.toStdString());
        QVERIFY(staysOpenAfterEachWrongEntry);
        QCOMPARE(recorder.Texts(), messages);
        QCOMPARE(int(es.AccessLevel), accessLevel);
        QCOMPARE(es.FileName().empty(), accessLevel == 0);
        for (const TMessage& m : recorder.messages) {
            QCOMPARE(m.buttons, TMsgButtons::Ok);
            QCOMPARE(m.kind, m.text == QString::fromUtf8(quorvel::msg::InvalidPassword) ? TMsgKind::Error
                                                                                        : TMsgKind::Information);
        }
    }

    // A character Windows-1252 cannot hold is refused with a message, not
    // passed on changed (it would then be compared as some other password).
    void passwordEntryRefusesTextABaseCannotHold() {
        TMessageRecorder recorder;
        quorvel::TPasswordCheck check("Abc123", 3, quorvel::DefaultMessageSink());
        TdialogPasswd dialog;
        bool accepted = true;
        OnNextModal([&](QWidget*) {
            dialog.Password->setText(QStringLiteral("Abc123✓"));
            Click(dialog.OKBtn);
            QVERIFY(dialog.isVisible());
            Click(dialog.CancelBtn);
        });
        accepted = dialog.Execute(check);
        QVERIFY(!accepted);
        QCOMPARE(recorder.messages.size(), std::size_t(1));
        QCOMPARE(recorder.messages[0].kind, TMsgKind::Error);
        QVERIFY(recorder.messages[0].text.contains(QStringLiteral("✓")));
        QCOMPARE(check.AccessLevel(), 0);
    }

    // ---------------------------------------------------------------- options

    void minimumConfidenceIsChecked_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<float>("stored");
        QTest::newRow("zero") << "0" << true << 0.0f;
        QTest::newRow("hundred") << "100" << true << 1.0f;
        QTest::newRow("decimal comma") << "55,5" << true << 0.555f;
        QTest::newRow("decimal point") << "20.25" << true << 0.2025f;
        QTest::newRow("above hundred") << "100.5" << false << 0.5f;
        QTest::newRow("negative") << "-1" << false << 0.5f;
        QTest::newRow("not a number") << "cinquenta" << false << 0.5f;
        QTest::newRow("empty") << "" << false << 0.5f;
    }
    void minimumConfidenceIsChecked() {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(float, stored);
        TMessageRecorder recorder;
        quorvel::TExpertSystem es;
        es.MinimumCnf = 0.5f;
        es.Precedence = 1;
        TdialogOptions dialog(es);
        dialog.show();
        QCOMPARE(dialog.editCNF->text(), QStringLiteral("50"));
        QVERIFY(dialog.radioOr->isChecked());
        Click(dialog.radioAND);
        TypeInto(dialog.editCNF, typed);
        dialog.Notebook->setCurrentIndex(0);
        Click(dialog.OKBtn);
        QCOMPARE(dialog.isVisible(), !accepted);
        QCOMPARE(es.MinimumCnf, stored);
        // Nothing at all is stored with a refused number.
        QCOMPARE(es.Precedence, int16_t(accepted ? 0 : 1));
        if (accepted) {
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(recorder.messages.empty());
        } else {
            QCOMPARE(recorder.Texts(), QStringList{"Valor inválido no grau de confiança mínimo!"});
            QCOMPARE(recorder.messages[0].kind, TMsgKind::Error);
            QCOMPARE(dialog.Notebook->currentIndex(), 1);
            QCOMPARE(dialog.focusWidget(), dialog.editCNF);
        }
    }

    void minimumConfidenceIsShownRounded() {
        quorvel::TExpertSystem es;
        es.MinimumCnf = 0.555f;
        TdialogOptions dialog(es);
        dialog.show();
        QCOMPARE(dialog.editCNF->text(), QStringLiteral("56"));
    }

    void formulaRowsSwitchBetweenDefaultAndCustom_data() {
        QTest::addColumn<int>("row");  // 0 conjunction, 1 disjunction, 2 conclusion
        QTest::addColumn<QString>("changeCaption");
        QTest::addColumn<QString>("defaultCaption");
        QTest::newRow("conjunction") << 0 << "&Alterar" << "&Padrão";
        QTest::newRow("disjunction") << 1 << "Alt&erar" << "P&adrão";
        QTest::newRow("conclusion") << 2 << "Alte&rar" << "Pa&drão";
    }
    void formulaRowsSwitchBetweenDefaultAndCustom() {
        QFETCH(int, row);
        QFETCH(QString, changeCaption);
        QFETCH(QString, defaultCaption);
        quorvel::TExpertSystem es;
        quorvel::TCnfFormula* formulas[] = {&es.AndFormula, &es.OrFormula, &es.ConclusionFormula};
        TdialogOptions dialog(es);
        QLineEdit* edits[] = {dialog.editAnd, dialog.editOr, dialog.editConclusion};
        QPushButton* buttons[] = {dialog.btnChangeAnd, dialog.btnChangeOr, dialog.btnChangeConclusion};
        QLineEdit* edit = edits[row];
        QPushButton* button = buttons[row];
        dialog.Notebook->setCurrentIndex(1);

        // Default -> custom text, typed with an accented name.
        dialog.show();
        QCOMPARE(edit->text(), kDefaultFormula);
        QVERIFY(!edit->isEnabled());
        QCOMPARE(button->text(), changeCaption);
        Click(button);
        QVERIFY(edit->isEnabled());
        QVERIFY(edit->text().isEmpty());
        QCOMPARE(dialog.focusWidget(), edit);
        QCOMPARE(button->text(), defaultCaption);
        TypeText(edit, QStringLiteral("MIN(CNF1, CNF2) * \"AJUSTE DA REGIÃO\""));
        Click(dialog.OKBtn);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(formulas[row]->UseDefault, false);
        QCOMPARE(formulas[row]->Text, std::string("MIN(CNF1, CNF2) * \"AJUSTE DA REGI\xC3O\""));
        for (int other = 0; other < 3; ++other)
            if (other != row) QVERIFY(formulas[other]->UseDefault);

        // Custom -> default.
        dialog.show();
        QCOMPARE(edit->text(), QStringLiteral("MIN(CNF1, CNF2) * \"AJUSTE DA REGIÃO\""));
        QVERIFY(edit->isEnabled());
        QCOMPARE(button->text(), defaultCaption);
        Click(button);
        QCOMPARE(edit->text(), kDefaultFormula);
        QVERIFY(!edit->isEnabled());
        Click(dialog.OKBtn);
        QCOMPARE(formulas[row]->UseDefault, true);
        QCOMPARE(formulas[row]->Text, std::string());

        // "Alterar" then OK with nothing typed: an empty custom formula.
        dialog.show();
        Click(button);
        Click(dialog.OKBtn);
        QCOMPARE(formulas[row]->UseDefault, false);
        QCOMPARE(formulas[row]->Text, std::string());
    }

    void formulaWithCharactersABaseCannotHoldIsRefused() {
        TMessageRecorder recorder;
        quorvel::TExpertSystem es;
        es.EvaluateAllPremises = false;
        TdialogOptions dialog(es);
        dialog.show();
        Click(dialog.btnChangeOr);
        dialog.editOr->setText(QStringLiteral("CNF1 ≥ CNF2"));
        dialog.checkAllAvaliation->setChecked(true);
        dialog.Notebook->setCurrentIndex(2);
        Click(dialog.OKBtn);
        QVERIFY(dialog.isVisible());
        QCOMPARE(recorder.messages.size(), std::size_t(1));
        QVERIFY(recorder.messages[0].text.contains(QStringLiteral("≥")));
        QCOMPARE(dialog.Notebook->currentIndex(), 1);
        QVERIFY(es.OrFormula.UseDefault);
        QVERIFY(!es.EvaluateAllPremises);
    }

    void passwordIsSetAndRemoved() {
        TMessageRecorder recorder;
        quorvel::TExpertSystem es;
        TdialogOptions dialog(es);
        dialog.show();
        dialog.Notebook->setCurrentIndex(2);
        QCOMPARE(dialog.labelPasswdStatus->text(), QStringLiteral("Nenhuma senha em uso atualmente."));
        QCOMPARE(dialog.btnNewPasswd->text(), QStringLiteral("&Nova senha..."));
        QVERIFY(!dialog.radioNone->isEnabled());
        QVERIFY(!dialog.checkUsePasswd->isEnabled());
        // A new base has restriction 1: no choice is checked.
        QVERIFY(!dialog.radioNone->isChecked() && !dialog.radioOnlyExec->isChecked() &&
                !dialog.radioExecAndView->isChecked());

        // Typed twice, wrongly confirmed first; at most 8 characters.
        OnNextModal([&](QWidget* modal) {
            auto* create = qobject_cast<TdialogCreatePasswd*>(modal);
            QVERIFY(create);
            QCOMPARE(create->windowTitle(), QStringLiteral("Criação de senha"));
            QVERIFY(create->editPassword->text().isEmpty());
            TypeInto(create->editPassword, QStringLiteral("Senhação123"));
            QCOMPARE(create->editPassword->text(), QStringLiteral("Senhação"));
            TypeInto(create->editConfirm, QStringLiteral("Senhaçao"));
            Click(create->OKBtn);
            QVERIFY(create->isVisible());
            QVERIFY(create->editConfirm->hasFocus());
            QCOMPARE(create->editConfirm->selectedText(), QStringLiteral("Senhaçao"));
            TypeInto(create->editConfirm, QStringLiteral("Senhação"));
            Click(create->OKBtn);
        });
        Click(dialog.btnNewPasswd);
        QCOMPARE(recorder.Texts(), QStringList{"Confirmação errada!"});
        QCOMPARE(dialog.labelPasswdStatus->text(), QStringLiteral("Senha definida."));
        QCOMPARE(dialog.btnNewPasswd->text(), QStringLiteral("&Mudar senha..."));
        QVERIFY(dialog.groupRestrictions->isEnabled() && dialog.radioOnlyExec->isEnabled());
        Click(dialog.radioOnlyExec);
        Click(dialog.checkUsePasswd);
        Click(dialog.OKBtn);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(es.PasswordBlock.Password, quorvel::ScrambleText("Senha\xE7\xE3o"));
        QCOMPARE(es.PasswordBlock.Restriction, int16_t(2));
        QVERIFY(es.PasswordBlock.UsePassword);

        // Reopened: the password is set; "&Limpar" removes it.
        dialog.show();
        QCOMPARE(dialog.labelPasswdStatus->text(), QStringLiteral("Senha definida."));
        QVERIFY(dialog.radioOnlyExec->isChecked() && dialog.checkUsePasswd->isChecked());
        OnNextModal([](QWidget* modal) {
            auto* create = qobject_cast<TdialogCreatePasswd*>(modal);
            QVERIFY(create);
            QCOMPARE(create->editPassword->text(), QStringLiteral("Senhação"));
            Click(create->btnClear);
        });
        Click(dialog.btnNewPasswd);
        QCOMPARE(dialog.labelPasswdStatus->text(), QStringLiteral("Nenhuma senha em uso atualmente."));
        QCOMPARE(dialog.btnNewPasswd->text(), QStringLiteral("&Nova senha..."));
        QVERIFY(!dialog.groupRestrictions->isEnabled() && !dialog.radioNone->isEnabled());
        QVERIFY(!dialog.checkUsePasswd->isEnabled() && !dialog.checkUsePasswd->isChecked());
        Click(dialog.OKBtn);
        QCOMPARE(es.PasswordBlock.Password, std::string());
        QVERIFY(!es.PasswordBlock.UsePassword);
    }

    void passwordCreationCancelledChangesNothing() {
        quorvel::TExpertSystem es;
        es.PasswordBlock = {quorvel::ScrambleText("velha"), 3, true};
        TdialogOptions dialog(es);
        dialog.show();
        OnNextModal([](QWidget* modal) {
            auto* create = qobject_cast<TdialogCreatePasswd*>(modal);
            QVERIFY(create);
            TypeInto(create->editPassword, QStringLiteral("nova"));
            TypeInto(create->editConfirm, QStringLiteral("nova"));
            Click(create->CancelBtn);
        });
        Click(dialog.btnNewPasswd);
        QCOMPARE(dialog.WorkingPassword(), quorvel::ScrambleText("velha"));
        QVERIFY(dialog.radioExecAndView->isChecked());
        // Cancel of the options dialog discards everything.
        dialog.checkUsePasswd->setChecked(false);
        Click(dialog.CancelBtn);
        QCOMPARE(es.PasswordBlock.Password, quorvel::ScrambleText("velha"));
        QVERIFY(es.PasswordBlock.UsePassword);
    }

    void withoutFullAccessNothingIsStored_data() {
        QTest::addColumn<int>("accessLevel");
        QTest::newRow("consult and view") << 3;
        QTest::newRow("consult only") << 2;
    }
    void withoutFullAccessNothingIsStored() {
        QFETCH(int, accessLevel);
        TMessageRecorder recorder;
        quorvel::TExpertSystem es;
        es.AccessLevel = accessLevel;
        TdialogOptions dialog(es);
        dialog.show();
        TypeInto(dialog.editCNF, QStringLiteral("80"));
        Click(dialog.checkAllAvaliation);
        Click(dialog.OKBtn);
        QCOMPARE(recorder.Texts(), QStringList{kNoPermission});
        QCOMPARE(recorder.messages[0].kind, TMsgKind::Information);
        QVERIFY(dialog.isVisible());
        QCOMPARE(es.MinimumCnf, 0.5f);
        QVERIFY(!es.EvaluateAllPremises);
    }

    // ---------------------------------------------------------------- opening screen

    void openingScreenShowsTheBaseAndMayStopTheConsultation_data() {
        QTest::addColumn<QString>("answer");  // the button pressed, or "Esc"
        QTest::addColumn<bool>("stops");
        QTest::newRow("OK") << "OK" << false;
        QTest::newRow("Cancelar") << "Cancelar" << true;
        QTest::newRow("Esc") << "Esc" << true;
    }
    void openingScreenShowsTheBaseAndMayStopTheConsultation() {
        QFETCH(QString, answer);
        QFETCH(bool, stops);
        quorvel::TExpertSystem es;
        es.BaseName = "Diagn\xF3stico de cr\xE9" "dito";
        es.Authors = "Jo\xE3o e Ana";
        es.OpeningText = {"Primeira linha.", "Segunda: a\xE7\xE3o."};
        es.HelpFile = "ajuda.hlp";
        OnNextModal([&](QWidget* modal) {
            auto* intro = qobject_cast<TdialogIntro*>(modal);
            QVERIFY(intro);
            QCOMPARE(intro->windowTitle(), QStringLiteral("Abertura"));
            QCOMPARE(intro->labelName->text(), QStringLiteral("Diagnóstico de crédito"));
            QCOMPARE(intro->labelAuthors->text(), QStringLiteral("João e Ana"));
            // The stored lines of one paragraph flow together.
            QCOMPARE(intro->memoIntro->toPlainText(), QStringLiteral("Primeira linha. Segunda: ação."));
            QVERIFY(intro->memoIntro->isVisible() && intro->memoIntro->isReadOnly());
            QVERIFY(intro->HelpBtn->isEnabled());
            if (answer == QLatin1String("Esc"))
                QTest::keyClick(intro, Qt::Key_Escape);
            else
                Click(answer == QLatin1String("OK") ? intro->OKBtn : intro->CancelBtn);
        });
        ShowIntroduction(nullptr, es, QString());
        QCOMPARE(es.StopRequested, stops);
    }

    void openingTextFlowsInParagraphs_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("shown");
        QTest::newRow("one paragraph") << QStringList{"Esta base avalia", "pedidos de crédito."}
                                       << "Esta base avalia pedidos de crédito.";
        QTest::newRow("two paragraphs") << QStringList{"Primeiro", "parágrafo.", "", "Segundo."}
                                        << "Primeiro parágrafo.\n\nSegundo.";
        QTest::newRow("a list") << QStringList{"Tenha em mãos:", "- a renda;", "- as dívidas.", "1) CPF"}
                                << "Tenha em mãos:\n- a renda;\n- as dívidas.\n1) CPF";
        QTest::newRow("blanks around") << QStringList{"  Texto  ", "  seguido  "} << "Texto seguido";
    }
    void openingTextFlowsInParagraphs() {
        QFETCH(QStringList, lines);
        QFETCH(QString, shown);
        QCOMPARE(ReflowOpeningText(lines), shown);
    }

    void openingScreenWithoutTextOrHelp() {
        quorvel::TExpertSystem es;
        es.BaseName = "Base";
        TdialogIntro intro(es);
        intro.show();
        QVERIFY(!intro.memoIntro->isVisible());
        QVERIFY(!intro.HelpBtn->isEnabled());
        QVERIFY(intro.labelAuthors->text().isEmpty());
    }

    // ---------------------------------------------------------------- message boxes

    void messageBoxesShowKindAndButtons_data() {
        QTest::addColumn<TMsgKind>("kind");
        QTest::addColumn<TMsgButtons>("buttons");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QString>("press");  // a caption, or "Esc"
        QTest::addColumn<TMsgResult>("result");
        QTest::addColumn<int>("icon");
        QTest::newRow("error") << TMsgKind::Error << TMsgButtons::Ok << QStringList{"OK"} << "OK" << TMsgResult::Ok
                               << int(QMessageBox::Critical);
        QTest::newRow("information, Esc") << TMsgKind::Information << TMsgButtons::Ok << QStringList{"OK"} << "Esc"
                                          << TMsgResult::Ok << int(QMessageBox::Information);
        QTest::newRow("warning, no") << TMsgKind::Warning << TMsgButtons::YesNo << QStringList{"&Sim", "&Não"}
                                     << "&Não" << TMsgResult::No << int(QMessageBox::Warning);
        QTest::newRow("yes/no, Esc") << TMsgKind::Confirmation << TMsgButtons::YesNo << QStringList{"&Sim", "&Não"}
                                     << "Esc" << TMsgResult::No << int(QMessageBox::Question);
        QTest::newRow("question, yes") << TMsgKind::Confirmation << TMsgButtons::YesNoCancel
                                       << QStringList{"&Sim", "&Não", "Cancelar"} << "&Sim" << TMsgResult::Yes
                                       << int(QMessageBox::Question);
        QTest::newRow("question, Esc") << TMsgKind::Confirmation << TMsgButtons::YesNoCancel
                                       << QStringList{"&Sim", "&Não", "Cancelar"} << "Esc" << TMsgResult::Cancel
                                       << int(QMessageBox::Question);
    }
    void messageBoxesShowKindAndButtons() {
        QFETCH(TMsgKind, kind);
        QFETCH(TMsgButtons, buttons);
        QFETCH(QStringList, captions);
        QFETCH(QString, press);
        QFETCH(TMsgResult, result);
        QFETCH(int, icon);
        // The hook sees the message and lets the real box be shown.
        QStringList seen;
        quorvel::gui::SetMessageHook([&seen](TMsgKind, TMsgButtons, const QString& text) {
            seen << text;
            return std::optional<TMsgResult>();
        });
        OnNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QStringLiteral("Quorvel"));
            QCOMPARE(box->text(), QStringLiteral("Salvar as modificações feitas?"));
            QCOMPARE(int(box->icon()), icon);
            QStringList shown;
            for (QAbstractButton* button : box->buttons()) shown << button->text();
            shown.sort();
            QStringList expected = captions;
            expected.sort();
            QCOMPARE(shown, expected);
            if (press == QLatin1String("Esc")) {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton* button : box->buttons())
                if (button->text() == press) Click(button);
        });
        quorvel::gui::TMessageBoxSink sink;
        const TMsgResult answer = sink.ShowMessage(kind, buttons, "Salvar as modificações feitas?");
        quorvel::gui::SetMessageHook({});
        QCOMPARE(answer, result);
        QCOMPARE(seen, QStringList{"Salvar as modificações feitas?"});
    }

    void typedTextIsConvertedOrRefused_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("baseText");  // empty: refused
        QTest::addColumn<QString>("named");        // the characters the message names
        QTest::newRow("Portuguese") << "Ação, pêssego e €" << QByteArray("A\xE7\xE3o, p\xEAssego e \x80") << "";
        QTest::newRow("symbols") << "CNF ≥ 50 ✓ ✓" << QByteArray() << "≥✓";
        QTest::newRow("other script") << "名前" << QByteArray() << "名前";
    }
    void typedTextIsConvertedOrRefused() {
        QFETCH(QString, typed);
        QFETCH(QByteArray, baseText);
        QFETCH(QString, named);
        TMessageRecorder recorder;
        const std::optional<std::string> converted = quorvel::gui::BaseTextOf(nullptr, typed);
        QCOMPARE(converted.has_value(), !baseText.isEmpty());
        if (converted) {
            QCOMPARE(QByteArray::fromStdString(*converted), baseText);
            QVERIFY(recorder.messages.empty());
            QCOMPARE(quorvel::gui::ScreenText(*converted), typed);
        } else {
            QCOMPARE(recorder.messages.size(), std::size_t(1));
            QCOMPARE(recorder.messages[0].kind, TMsgKind::Error);
            QVERIFY(recorder.messages[0].text.contains(named));
            QCOMPARE(quorvel::gui::UnrepresentableCharacters(typed), named);
        }
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
