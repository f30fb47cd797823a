// The help layer: where a base's help file is found, the program's manual
// and its context topics, and the viewer's contents, search and F1 key.
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

#include "Help.h"
#include "MessageBoxSink.h"

using namespace quorvel::gui;

namespace {

void WriteFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Key presses carrying each character (QTest's keyClicks takes Latin-1 only).
void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

// As the search folds texts: lower case without accents.
QString Folded(const QString& text) {
    QString folded;
    for (const QChar c : text.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing) folded += c;
    return folded.toCaseFolded();
}

QString TopicTitle(THelpViewer* viewer, int index) {
    return viewer->Topics().at(std::size_t(index)).title;
}

QString ShownTopic(THelpViewer* viewer) {
    const int current = viewer->CurrentTopic();
    return current < 0 ? QString() : TopicTitle(viewer, current);
}

// Every context the windows use, with a word its topic must speak of.
struct TContextTopic {
    int context;
    const char* word;
};
const TContextTopic kContexts[] = {
    {help::kMainWindow, "menus"},        {help::kRuleBase, "regras"},
    {help::kRuleWindow, "premissa"},     {help::kVariables, "multivalorada"},
    {help::kTargets, "objetivos"},       {help::kInformation, "contexto"},
    {help::kRuleViewer, "regras"},       {help::kQuestions, "pergunta"},
    {help::kAddWatch, "observação"},     {help::kNewRule, "regra"},
    {help::kNewRuleModel, "modelo"},     {help::kNewRuleOrder, "ordem"},
    {help::kNewRuleOk, "OK"},            {help::kNewRuleCancel, "Cancelar"},
    {help::kOptions, "opções"},          {help::kCreatePassword, "senha"},
    {help::kPassword, "senha"},          {help::kDependencies, "circular"},
    {help::kResults, "Histórico"},       {help::kTrace, "Passo"},
    {help::kWatch, "variáveis"},         {help::kIntroduction, "abertura"},
    {help::kTipOfTheDay, "QUORVEL.TIP"}, {help::kQuestionPrompt, "DESCONHECIDO"},
    {help::kWhy, "Para concluir"},       {help::kPrint, "relatório"},
    {help::kExport, "códigos"},          {help::kAbout, "Quorvel"},
    {help::kConfidence, "CNF1"},         {help::kFormulas, "POT"},
    {help::kConsultation, "encadeamento"}, {help::kDebugging, "Depurador"},
    {help::kPasswords, "restrição"},     {help::kCommandLine, "quorvel-cli"},
    {help::kSettings, "QUORVEL.INI"},    {help::kUsingHelp, "Procurar"},
};

}  // namespace

class HelpTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        SetMessageHook([this](quorvel::TMsgKind, quorvel::TMsgButtons, const QString& text) {
            messages_ << text;
            return std::optional<quorvel::TMsgResult>(quorvel::TMsgResult::Ok);
        });
        messages_.clear();
    }
    void cleanup() { SetMessageHook({}); }

    // ---------------------------------------------------------------- base help files

    void baseHelpFileIsLookedUpInOrder_data() {
        QTest::addColumn<QString>("stored");    // as the base keeps it; %1 = the temporary folder
        QTest::addColumn<QStringList>("files");  // files present, relative to the folder
        QTest::addColumn<QString>("expected");  // relative to the folder; empty: none
        const QString none;
        QTest::newRow("as stored, full path") << "%1/outra/ajuda.hlp"
                                              << QStringList{"outra/ajuda.hlp", "bases/ajuda.hlp"} << "outra/ajuda.hlp";
        QTest::newRow("as stored, from the current folder")
            << "ajuda.html" << QStringList{"atual/ajuda.html", "bases/ajuda.html"} << "atual/ajuda.html";
        QTest::newRow("beside the base") << "ajuda.html" << QStringList{"bases/ajuda.html"} << "bases/ajuda.html";
        QTest::newRow("Windows folder, beside the base")
            << "C:\\AJUDA\\RESPIRA.HTM" << QStringList{"bases/RESPIRA.HTM"} << "bases/RESPIRA.HTM";
        QTest::newRow("subfolder beside the base") << "doc/ajuda.htm" << QStringList{"bases/doc/ajuda.htm"}
                                                    << "bases/doc/ajuda.htm";
        QTest::newRow(".html in place of .hlp") << "RESPIRA.HLP" << QStringList{"bases/RESPIRA.html"}
                                                << "bases/RESPIRA.html";
        QTest::newRow(".html before .htm") << "ajuda.hlp" << QStringList{"bases/ajuda.htm", "bases/ajuda.html"}
                                           << "bases/ajuda.html";
        QTest::newRow(".htm") << "ajuda.hlp" << QStringList{"bases/ajuda.htm"} << "bases/ajuda.htm";
        QTest::newRow("name in another case") << "C:\\BASES\\RESPIRA.HLP" << QStringList{"bases/respira.html"}
                                              << "bases/respira.html";
        QTest::newRow("old binary help file is skipped")
            << "antiga.hlp" << QStringList{"bases/antiga.hlp:binary", "bases/antiga.htm"} << "bases/antiga.htm";
        QTest::newRow("a .hlp that is HTML is shown") << "texto.hlp" << QStringList{"bases/texto.hlp"}
                                                      << "bases/texto.hlp";
        QTest::newRow("nothing found") << "nada.hlp" << QStringList{"bases/outra.html"} << none;
        QTest::newRow("no help file") << "" << QStringList{"bases/ajuda.html"} << none;
    }
    void baseHelpFileIsLookedUpInOrder() {
        QFETCH(QString, stored);
        QFETCH(QStringList, files);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        for (const QString& file : files) {
            const bool binary = file.endsWith(QLatin1String(":binary"));
            const QString name = binary ? file.chopped(7) : file;
            WriteFile(root + QLatin1Char('/') + name,
                      binary ? QByteArray("?_\x03\0\x10\0\0\0", 8) : QByteArray("<html><body>x</body></html>"));
        }
        QDir().mkpath(root + QStringLiteral("/atual"));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(root + QStringLiteral("/atual")));
        auto restore = qScopeGuard([&] { QDir::setCurrent(previous); });

        const QString found = ResolveBaseHelpFile(stored.arg(root), root + QStringLiteral("/bases/base.bcm"));
        QCOMPARE(found, expected.isEmpty() ? QString() : root + QLatin1Char('/') + expected);
    }

    void baseHelpOpensAtTheValuesContext() {
        QTemporaryDir dir;
        WriteFile(dir.filePath(QStringLiteral("bases/respira.html")),
                  "<html><head><title>Ajuda respiratória</title></head><body>"
                  "<h1>Orientação</h1><p>Texto.</p><h2 id=\"25\">Pneumonia</h2><p>Infecção dos pulmões.</p>"
                  "<h2 id=\"26\">Gripe</h2><p>Vírus.</p></body></html>");
        QVERIFY(ShowBaseHelp(nullptr, QStringLiteral("RESPIRA.HLP"), dir.filePath(QStringLiteral("bases/base.bcm")),
                             26));
        THelpViewer* viewer = HelpViewer();
        QCOMPARE(QFileInfo(viewer->CurrentFile()).fileName(), QStringLiteral("respira.html"));
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Ajuda respiratória"));
        QCOMPARE(viewer->Browser->source().fragment(), QStringLiteral("26"));
        QCOMPARE(ShownTopic(viewer), QStringLiteral("Gripe"));
        QVERIFY(messages_.isEmpty());

        // A help file that is not there is reported, and nothing else is shown.
        QVERIFY(!ShowBaseHelp(nullptr, QStringLiteral("AUSENTE.HLP"), dir.filePath(QStringLiteral("bases/base.bcm")),
                              0));
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].contains(QStringLiteral("AUSENTE.HLP")));
        QVERIFY(!ShowHelpContents(nullptr, dir.filePath(QStringLiteral("nenhum.html"))));
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(QFileInfo(viewer->CurrentFile()).fileName(), QStringLiteral("respira.html"));

        // A context the file lacks: the file from its start, and a note.
        QVERIFY(ShowHelpContext(nullptr, viewer->CurrentFile(), 99));
        QVERIFY(viewer->Note->isVisible());
        QVERIFY(viewer->Note->text().contains(QStringLiteral("99")));
    }

    // ---------------------------------------------------------------- the manual

    void manualHasATopicForEveryContext_data() {
        QTest::addColumn<int>("context");
        QTest::addColumn<QString>("word");
        for (const TContextTopic& topic : kContexts)
            QTest::newRow(QByteArray::number(topic.context).constData()) << topic.context
                                                                         << QString::fromUtf8(topic.word);
    }
    void manualHasATopicForEveryContext() {
        QFETCH(int, context);
        QFETCH(QString, word);
        QVERIFY(!ProgramHelpFile().isEmpty());
        QVERIFY(ShowHelpContext(nullptr, ProgramHelpFile(), context));
        THelpViewer* viewer = HelpViewer();
        QVERIFY(viewer->isVisible());
        QVERIFY2(viewer->HasContext(context), "the manual has no element with this id");
        QVERIFY(!viewer->Note->isVisible());
        QCOMPARE(viewer->Browser->source().fragment(), QString::number(context));
        // The topic shown at the top of the page speaks of its window.
        const int current = viewer->CurrentTopic();
        QVERIFY(current >= 0);
        QString text = viewer->Topics()[std::size_t(current)].text;
        for (std::size_t next = std::size_t(current) + 1;
             next < viewer->Topics().size() && viewer->Topics()[next].level > viewer->Topics()[std::size_t(current)].level;
             ++next)
            text += viewer->Topics()[next].text;
        QVERIFY2(text.contains(Folded(word)), qPrintable(ShownTopic(viewer)));
        QVERIFY(messages_.isEmpty());
    }

    void manualContentsListsItsTopicsAndLeadsToThem() {
        QVERIFY(ShowHelpContents(nullptr, ProgramHelpFile()));
        THelpViewer* viewer = HelpViewer();
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Ajuda do Quorvel"));
        QCOMPARE(viewer->Tabs->currentIndex(), 0);
        QTreeWidget* tree = viewer->ContentsTree;
        QCOMPARE(tree->topLevelItemCount(), 1);  // the manual's title, holding the chapters
        QTreeWidgetItem* manual = tree->topLevelItem(0);
        QStringList chapters;
        for (int i = 0; i < manual->childCount(); ++i) chapters << manual->child(i)->text(0);
        for (const char* chapter : {"A janela principal", "Regras", "Fatores de confiança (CNF)", "Fórmulas",
                                    "Consultando uma base", "Depuração", "Senhas e restrições", "Como usar a ajuda"})
            QVERIFY2(chapters.contains(QString::fromUtf8(chapter)), chapter);
        QVERIFY(chapters.size() >= 15);

        QTreeWidgetItem* formulas = manual->child(int(chapters.indexOf(QStringLiteral("Fórmulas"))));
        tree->scrollToItem(formulas);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(formulas).center());
        QCOMPARE(viewer->Browser->source().fragment(), QString::number(help::kFormulas));
        QCOMPARE(ShownTopic(viewer), QStringLiteral("Fórmulas"));
        QVERIFY(formulas->childCount() >= 3);  // writing, functions, error messages
    }

    void searchFindsTopicsByWordsWithoutAccents_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("firstTitle");  // empty: nothing found
        QTest::newRow("no accent, title first") << "formulas" << "Fórmulas";
        QTest::newRow("two words") << "SENHA restrições" << "Senhas e restrições";
        QTest::newRow("word in the text") << "encadeamento" << "Consultando uma base";
        QTest::newRow("function name") << "pot" << "Funções";
        QTest::newRow("nothing") << "xilofone" << "";
    }
    void searchFindsTopicsByWordsWithoutAccents() {
        QFETCH(QString, typed);
        QFETCH(QString, firstTitle);
        QVERIFY(ShowHelpSearch(nullptr, ProgramHelpFile()));
        THelpViewer* viewer = HelpViewer();
        QCOMPARE(viewer->Tabs->currentIndex(), 1);
        viewer->SearchEdit->clear();
        TypeText(viewer->SearchEdit, typed);
        QListWidget* results = viewer->SearchResults;
        QVERIFY(results->count() >= 1);
        if (firstTitle.isEmpty()) {
            QCOMPARE(results->count(), 1);
            QCOMPARE(results->item(0)->text(), QStringLiteral("Nenhum tópico contém essas palavras."));
            return;
        }
        QCOMPARE(results->item(0)->text(), firstTitle);
        // Enter goes to the first topic found.
        QTest::keyClick(viewer->SearchEdit, Qt::Key_Return);
        QCOMPARE(ShownTopic(viewer), firstTitle);
    }

    // ---------------------------------------------------------------- F1

    void f1OpensTheTopicOfTheFocusedControl() {
        QDialog dialog;
        auto* plain = new QLineEdit(&dialog);
        auto* formula = new QLineEdit(&dialog);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(plain);
        layout->addWidget(formula);
        InstallHelpKey(&dialog, help::kOptions);
        SetHelpContext(formula, help::kFormulas);
        QCOMPARE(HelpContextOf(plain), help::kOptions);
        QCOMPARE(HelpContextOf(formula), help::kFormulas);
        QCOMPARE(HelpContextOf(nullptr), 0);

        // While the dialog is modal the viewer must still take input: it
        // becomes a window of the dialog.
        QString shownForPlain;
        QString shownForFormula;
        bool viewerUsable = false;
        QTimer::singleShot(0, &dialog, [&] {
            if (!QTest::qWaitForWindowActive(&dialog)) return dialog.reject();
            plain->setFocus();
            QTest::keyClick(plain, Qt::Key_F1);
            shownForPlain = HelpViewer()->Browser->source().fragment();
            formula->setFocus();
            QTest::keyClick(formula, Qt::Key_F1);
            shownForFormula = HelpViewer()->Browser->source().fragment();
            viewerUsable = HelpViewer()->parentWidget() == &dialog && HelpViewer()->isVisible();
            dialog.accept();
        });
        dialog.exec();
        QCOMPARE(shownForPlain, QString::number(help::kOptions));
        QCOMPARE(shownForFormula, QString::number(help::kFormulas));
        QVERIFY(viewerUsable);
    }

    void helpOnHelpOpensItsTopic() {
        QVERIFY(ShowHelpOnHelp(nullptr));
        QCOMPARE(HelpViewer()->Browser->source().fragment(), QString::number(help::kUsingHelp));
        QCOMPARE(ShownTopic(HelpViewer()), QStringLiteral("Como usar a ajuda"));
    }

private:
    QStringList messages_;
};

QTEST_MAIN(HelpTest)
#include "help_test.moc"
