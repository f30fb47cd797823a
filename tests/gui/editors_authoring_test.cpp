// A knowledge engineer's session end to end: a base is written from "SEM
// NOME" through the real windows (variables of the three kinds with values
// and an interval, rules with E, OU, NÃO, formulas and several conclusions,
// targets in a chosen order, questions with reasons, information and help
// contexts), saved, opened again, and consulted with quorvel-cli: its
// answers must be those of the same base written directly with the engine.
// With QUORVEL_SCREENSHOT_DIR set the rule-base window, a rule window with
// its line editor and the variables editor are saved there as PNG images.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMdiArea>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "AskCode.h"
#include "Base.h"
#include "EditorCommon.h"
#include "Infocode.h"
#include "IniFile.h"
#include "Main.h"
#include "Newrule.h"
#include "RuleCode.h"
#include "Ruleedit.h"
#include "Targcode.h"
#include "VarsCode.h"
#include "editors_test_support.h"

using namespace edtest;

namespace {

template <class T>
T* Child(TfrmMain& frame) {
    for (QMdiSubWindow* window : frame.MdiArea()->subWindowList())
        if (auto* found = qobject_cast<T*>(window)) return found;
    return nullptr;
}

void Enter(QLineEdit* box, const QString& text) {
    box->setText(text);
    QTest::keyClick(box, Qt::Key_Return);
}

// One line as the line editor takes it: a premise or, with `cnf`, a conclusion.
struct TLine {
    QString var;
    QString value;  // a value, or a formula for a numeric variable
    QString op = QStringLiteral("=");
    bool negated = false;
    bool orBefore = false;  // joined to the line above by OU
    QString cnf;            // conclusions
};

TLine Premise(const char* var, const char* value, const char* op = "=", bool negated = false, bool orBefore = false) {
    return {QString::fromUtf8(var), QString::fromUtf8(value), QString::fromUtf8(op), negated, orBefore, QString()};
}

TLine Conclusion(const char* var, const char* value, const char* cnf = "") {
    return {QString::fromUtf8(var), QString::fromUtf8(value), QStringLiteral("="), false, false,
            QString::fromUtf8(cnf)};
}

void Type(TdialogEditRule* editor, const TLine& line) {
    editor->comboVars->setEditText(line.var);
    editor->comboVarsClick();
    if (editor->editFormula->isVisibleTo(editor))
        editor->editFormula->setText(line.value);
    else
        editor->comboValues->setEditText(line.value);
    if (editor->PremiseMode()) {
        editor->comboOperators->setEditText(line.op);
        editor->checkNot->setChecked(line.negated);
        (line.orBefore ? editor->radioOr : editor->radioAnd)->setChecked(true);
    } else {
        editor->comboCnf->setEditText(line.cnf);
    }
}

QString ScreenshotDir() { return qEnvironmentVariable("QUORVEL_SCREENSHOT_DIR"); }

void Shoot(QWidget* widget, const QString& name) {
    if (ScreenshotDir().isEmpty()) return;
    QDir().mkpath(ScreenshotDir());
    QApplication::processEvents();
    QVERIFY(widget->grab().save(QDir(ScreenshotDir()).filePath(name)));
}

// Writes a rule in the rule window: its lines through the line editor in
// insert mode, then its name. With `screenshot` the window and the editor
// are photographed while the editor is open.
void WriteRule(TfrmRule* window, const QString& name, const std::vector<TLine>& premises,
               const std::vector<TLine>& conclusions, const QString& screenshot = {}) {
    window->SelectRow(0);
    WhenModal<TdialogEditRule>([premises, conclusions, screenshot, window](TdialogEditRule* editor) {
        for (const TLine& line : premises) {
            Type(editor, line);
            editor->btnInsert->click();
        }
        editor->btnSwitch->click();
        for (const TLine& line : conclusions) {
            Type(editor, line);
            editor->btnInsert->click();
        }
        if (!screenshot.isEmpty() && !ScreenshotDir().isEmpty()) {
            // The rule window with the editor over it, as the user sees them.
            QApplication::processEvents();
            QPixmap shot = window->grab();
            const QPixmap dialog = editor->grab();
            QPixmap both(std::max(shot.width(), dialog.width() + 40), shot.height() + dialog.height() / 2 + 20);
            both.fill(Qt::darkGray);
            QPainter painter(&both);
            painter.drawPixmap(0, 0, shot);
            painter.drawPixmap(40, shot.height() - dialog.height() / 2, dialog);
            painter.setPen(Qt::black);
            painter.drawRect(40, shot.height() - dialog.height() / 2, dialog.width() - 1, dialog.height() - 1);
            painter.end();
            QDir().mkpath(ScreenshotDir());
            both.save(QDir(ScreenshotDir()).filePath(screenshot));
        }
        editor->btnCancel->click();  // Fechar
    });
    window->btnNew->click();
    window->editName->setText(name);
}

// The same base written directly with the engine, as the author meant it.
void WriteReference(quorvel::TExpertSystem& engine) {
    engine.ClearBase();
    engine.BaseName = "Triagem de gripe";
    engine.Authors = "Equipe de teste";
    engine.OpeningText = {"Responda com calma.",
                          "Nenhuma resposta substitui o m\xE9"
                          "dico."};
    engine.HelpFile = "TRIAGEM.HLP";
    engine.Vars().AddVariable(1, "Temperatura", false, true);
    engine.Vars().AddVariable(2, "Sintomas", true, false);
    engine.Vars().AddVariable(3, "Vacinado", false, false);
    engine.Vars().AddVariable(4, "Diagn\xF3stico", false, false);
    engine.Vars().AddVariable(5, "Cuidados", true, false);
    engine.Vars().AddVariable(6, "Dose", false, true);
    engine.Values().AddValue(1, "35;42", 1, 1);
    engine.Values().AddValue(2, "tosse", 2, 1);
    engine.Values().AddValue(3, "coriza", 2, 2);
    engine.Values().AddValue(4, "dor de garganta", 2, 3);
    engine.Values().AddValue(5, "gripe", 4, 1);
    engine.Values().AddValue(6, "resfriado", 4, 2);
    engine.Values().AddValue(7, "repouso", 5, 1);
    engine.Values().AddValue(8, "hidrata\xE7\xE3o", 5, 2);
    engine.Values().AddValue(9,
                             "procurar m\xE9"
                             "dico",
                             5, 3);
    engine.Formulas().Add(1, "38");
    engine.Formulas().Add(2, "37");
    engine.Formulas().Add(3, "(TEMPERATURA-37)*10");
    engine.Rules().AddRule(1, "Gripe", 1);
    engine.Tails().AddPremise(1, 1, ">=", 1, 0, false);
    engine.Tails().AddPremise(1, 2, "=", 2, 2, false);
    engine.Heads().AddConclusion(1, 4, 5, 0.9f);
    engine.Heads().AddConclusion(1, 5, 7, 0.8f);
    engine.Rules().AddRule(2, "Resfriado", 2);
    engine.Tails().AddPremise(2, 2, "=", 3, 1, false);
    engine.Tails().AddPremise(2, 2, "=", 4, 2, false);
    engine.Heads().AddConclusion(2, 4, 6, 0.7f);
    engine.Heads().AddConclusion(2, 5, 8, 1.0f);
    engine.Rules().AddRule(3, "Sem vacina", 3);
    engine.Tails().AddPremise(3, 3, "=", quorvel::kCodeYes, 0, true);
    engine.Tails().AddPremise(3, 4, "=", 5, 2, false);
    engine.Heads().AddConclusion(3, 5, 9, 1.0f);
    engine.Rules().AddRule(4, "Dose", 4);
    engine.Tails().AddPremise(4, 1, ">", 2, 2, false);
    engine.Heads().AddConclusion(4, 6, 3, 1.0f);
    engine.Targets().Add(4);
    engine.Targets().Add(5);
    engine.Targets().Add(6);
    const std::vector<std::string> why = {"A febre indica uma infec\xE7\xE3o."};
    engine.Questions().AddQuestion(1, "Qual \xE9 a sua temperatura?", false, &why);
    const std::vector<std::string> symptoms = {"Tosse e coriza distinguem gripe de resfriado."};
    engine.Questions().AddQuestion(2, "Quais sintomas voc\xEA tem?", true, &symptoms);
    engine.Questions().AddQuestion(3, "Tomou a vacina da gripe este ano?", false);
    engine.HelpContexts().AddContext(5, 10);
}

QString CliPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/../../cli/quorvel-cli"); }

// A consultation of a base with quorvel-cli, as its JSON document.
QJsonObject Consult(const QString& base, const QString& answers) {
    QProcess cli;
    cli.start(CliPath(),
              {QStringLiteral("consult"), base, QStringLiteral("--answers"), answers, QStringLiteral("--json")});
    if (!cli.waitForFinished(-1) || cli.exitCode() != 0) {
        qWarning() << cli.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
}

}  // namespace

class EditorsAuthoringTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QFile::remove(quorvel::gui::SettingsFilePath()); }

    void aBaseWrittenInTheWorkbenchConsultsAsIntended() {
        QVERIFY2(QFileInfo::exists(CliPath()), "quorvel-cli must be built");
        QTemporaryDir dir;
        TMessageScript messages;
        TfrmMain frame;
        frame.resize(1100, 760);
        frame.show();
        Command(frame, "btnNew")->trigger();
        TfrmBase* base = frame.BaseWindow();
        QVERIFY(base);
        QCOMPARE(base->windowTitle(), QStringLiteral("SEM NOME"));

        // ---- variables of the three kinds, values and an interval
        base->btnVars->click();
        TfrmVars* vars = Child<TfrmVars>(frame);
        QVERIFY(vars);
        base->btnVars->click();  // a second click opens no second editor
        QCOMPARE(frame.MdiArea()->findChildren<TfrmVars*>().size(), 1);
        struct TVariable {
            QString name;
            QRadioButton* TfrmVars::*kind;
            QStringList values;
        };
        const TVariable variables[] = {
            {"Temperatura", &TfrmVars::optionNumeric, {"35;42"}},
            {"Sintomas", &TfrmVars::optionMulti, {"tosse", "coriza", "dor de garganta"}},
            {"Vacinado", &TfrmVars::optionUni, {}},
            {"Diagnóstico", &TfrmVars::optionUni, {"gripe", "resfriado"}},
            {"Cuidados", &TfrmVars::optionMulti, {"repouso", "hidratação", "procurar médico"}},
            {"Dose", &TfrmVars::optionNumeric, {}},
        };
        for (const TVariable& variable : variables) {
            vars->btnNewVar->click();
            Enter(vars->editVar, variable.name);
            (vars->*variable.kind)->click();
            for (const QString& value : variable.values) Enter(vars->editValue, value);
        }
        Click(vars->listVars, QStringLiteral("Sintomas"));
        Shoot(vars, QStringLiteral("variables-editor.png"));
        QCOMPARE(Rows(vars->listValues), (QStringList{"tosse", "coriza", "dor de garganta"}));
        vars->btnOk->click();
        QVERIFY(messages.shown.empty());
        QVERIFY(base->btnNewRule->isEnabled());

        // ---- rules: the first from Nova Regra, the others chained with Nova...
        struct TRule {
            QString name;
            std::vector<TLine> premises;
            std::vector<TLine> conclusions;
        };
        const TRule rules[] = {
            {"Gripe",
             {Premise("Temperatura", "38", ">="), Premise("Sintomas", "tosse")},
             {Conclusion("Diagnóstico", "gripe", "90"), Conclusion("Cuidados", "repouso", "80")}},
            {"Resfriado",
             {Premise("Sintomas", "coriza"), Premise("Sintomas", "dor de garganta", "=", false, true)},
             {Conclusion("Diagnóstico", "resfriado", "70"), Conclusion("Cuidados", "hidratação")}},
            {"Sem vacina",
             {Premise("Vacinado", "Sim", "=", true), Premise("Diagnóstico", "gripe")},
             {Conclusion("Cuidados", "procurar médico", "100")}},
            {"Dose", {Premise("Temperatura", "37", ">")}, {Conclusion("Dose", "(TEMPERATURA-37)*10")}},
        };
        WhenModal<TdialogNewRule>([](TdialogNewRule* dialog) {
            QCOMPARE(dialog->editOrder->text(), QStringLiteral("1"));
            dialog->btnOk->click();
        });
        base->btnNewRule->click();
        for (std::size_t i = 0; i < std::size(rules); ++i) {
            TfrmRule* window = Child<TfrmRule>(frame);
            QVERIFY(window);
            QCOMPARE(window->windowTitle(), QStringLiteral("Regra %1").arg(i + 1));
            WriteRule(window, rules[i].name, rules[i].premises, rules[i].conclusions,
                      i == 2 ? QStringLiteral("rule-window-with-line-editor.png") : QString());
            if (i + 1 == std::size(rules)) {
                window->btnOk->click();
                break;
            }
            const int order = static_cast<int>(i) + 2;
            WhenModal<TdialogNewRule>([order](TdialogNewRule* dialog) {
                QCOMPARE(dialog->editOrder->text(), QString::number(order));
                dialog->btnOk->click();
            });
            const QPointer<TfrmRule> saved = window;
            window->btnNextRule->click();
            QTRY_VERIFY(!saved && Child<TfrmRule>(frame));
        }
        QVERIFY2(messages.shown.empty(), qPrintable(messages.Texts().join('\n')));
        QCOMPARE(Rows(base->listRules), (QStringList{"REGRA  1     Gripe", "REGRA  2     Resfriado",
                                                     "REGRA  3     Sem vacina", "REGRA  4     Dose"}));
        QVERIFY(base->btnOpenRule->isEnabled());
        QVERIFY(base->Modified());

        // ---- targets: three chosen at once arrive Dose, Diagnóstico, Cuidados;
        // Dose is dragged to the end.
        base->btnTargets->click();
        TfrmTargets* targets = Child<TfrmTargets>(frame);
        QVERIFY(targets);
        for (const char* name : {"Cuidados", "Diagnóstico", "Dose"})
            SelectAlso(targets->SrcList, QString::fromUtf8(name));
        targets->IncludeBtn->click();
        QCOMPARE(Rows(targets->DstList), (QStringList{"Dose", "Diagnóstico", "Cuidados"}));
        DragRow(targets->DstList, 0, 2);
        QCOMPARE(Rows(targets->DstList), (QStringList{"Diagnóstico", "Cuidados", "Dose"}));
        targets->OKBtn->click();

        // ---- questions with reasons
        base->btnQuestions->click();
        TfrmQuestions* questions = Child<TfrmQuestions>(frame);
        QVERIFY(questions);
        struct TQuestion {
            QString var;
            QString text;
            QString why;
            bool useCnf;
        };
        const TQuestion asked[] = {
            {"Temperatura", "Qual é a sua temperatura?", "A febre indica uma infecção.", false},
            {"Sintomas", "Quais sintomas você tem?", "Tosse e coriza distinguem gripe de resfriado.", true},
            {"Vacinado", "Tomou a vacina da gripe este ano?", "", false},
        };
        for (const TQuestion& question : asked) {
            Click(questions->SrcList, question.var);
            questions->IncludeBtn->click();
            questions->editQuestion->setText(question.text);
            questions->memoWhy->setPlainText(question.why);
            questions->checkUseCNF->setChecked(question.useCnf);
        }
        questions->btnOk->click();

        // ---- information and a help context
        base->btnInfo->click();
        TfrmInfos* infos = Child<TfrmInfos>(frame);
        QVERIFY(infos);
        infos->editName->setText(QStringLiteral("Triagem de gripe"));
        infos->editAuthors->setText(QStringLiteral("Equipe de teste"));
        infos->memoOverture->setPlainText(QStringLiteral("Responda com calma.\nNenhuma resposta substitui o médico."));
        infos->TabSet->setCurrentIndex(1);
        infos->editHelpName->setText(QStringLiteral("TRIAGEM.HLP"));
        Click(infos->listTargets, QStringLiteral("Diagnóstico"));
        Click(infos->listValues, QStringLiteral("gripe"));
        Enter(infos->editContext, QStringLiteral("10"));
        infos->OKBtn->click();
        QVERIFY2(messages.shown.empty(), qPrintable(messages.Texts().join('\n')));
        base->listRules->setCurrentRow(2);
        Shoot(base, QStringLiteral("rule-base-window.png"));

        // ---- save, close, open again
        const QString path = dir.filePath(QStringLiteral("triagem.bcm"));
        frame.CurrentFile = path;  // the file a Save As would have chosen
        QVERIFY(frame.btnSaveClick());
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(!base->Modified());
        base->btnClose->click();
        QTRY_VERIFY(!frame.BaseWindow());
        QVERIFY(frame.OpenBase(path));
        QCOMPARE(Rows(frame.BaseWindow()->listRules), (QStringList{"REGRA  1     Gripe", "REGRA  2     Resfriado",
                                                                   "REGRA  3     Sem vacina", "REGRA  4     Dose"}));
        QCOMPARE(Screen(frame.ExpertSystem().BaseName), QStringLiteral("Triagem de gripe"));

        // ---- the consultation, and the same one of the intended base
        quorvel::TExpertSystem reference;
        WriteReference(reference);
        const QString referencePath = dir.filePath(QStringLiteral("referencia.bcm"));
        QVERIFY(reference.Save(QFile::encodeName(referencePath).toStdString()));
        const QString answers = dir.filePath(QStringLiteral("respostas.txt"));
        {
            QFile file(answers);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Temperatura = 38,5\nSintomas = tosse : 80\nVacinado = N\xC3\xA3o\n");
        }
        const QJsonObject authored = Consult(path, answers);
        const QJsonObject intended = Consult(referencePath, answers);
        QVERIFY(!authored.isEmpty());
        QCOMPARE(authored.value("error"), QJsonValue(QJsonValue::Null));
        QCOMPARE(authored.value("questions"), intended.value("questions"));
        QCOMPARE(authored.value("results"), intended.value("results"));
        QCOMPARE(authored.value("tree"), intended.value("tree"));

        // What the consultation found, in the targets' order: gripe from
        // rule 1 (90 % of the 80 % given to tosse), procurar médico from rule
        // 3 (NÃO Vacinado = Sim E Diagnóstico = gripe), the dose from a formula.
        auto values = [&authored](int target) {
            QStringList found;
            const QJsonObject result = authored.value("results").toArray()[target].toObject();
            found << result.value("variable").toString();
            for (const QJsonValue& value : result.value("values").toArray())
                found << value["value"].toString() + QStringLiteral(" ") + value["cnf"].toString();
            return found;
        };
        QCOMPARE(authored.value("results").toArray().size(), 3);
        QCOMPARE(values(0), (QStringList{"Diagnóstico", "gripe 72"}));
        QCOMPARE(values(1), (QStringList{"Cuidados", "procurar médico 72", "repouso 64"}));
        QCOMPARE(values(2), (QStringList{"Dose", "15 100"}));
        const QJsonArray asks = authored.value("questions").toArray();
        QCOMPARE(asks.size(), 3);
        QCOMPARE(asks[0]["text"].toString(), QStringLiteral("Qual é a sua temperatura?"));
        QVERIFY2(messages.shown.empty(), qPrintable(messages.Texts().join('\n')));
        frame.BaseWindow()->DropWithoutQuery();
    }
};

QTEST_MAIN(EditorsAuthoringTest)
#include "editors_authoring_test.moc"
