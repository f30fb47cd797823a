// The dependency dialog driven through its widgets: the tree and its images,
// the conflict message and list, expanding, collapsing and going to a
// conflict. Setting QUORVEL_SCREENSHOT_DIR keeps a picture of the dialog.
#include "Depend.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "ExSystem.h"
#include "ExText.h"
#include "MessageBoxSink.h"

using quorvel::TMsgButtons;
using quorvel::TMsgKind;
using quorvel::TMsgResult;

namespace {

// Answers every message box in place of the user and keeps what was shown.
class TMessageRecorder {
public:
    TMessageRecorder() {
        quorvel::gui::SetMessageHook([this](TMsgKind kind, TMsgButtons, const QString& text) {
            kinds.push_back(kind);
            texts << text;
            return std::optional<TMsgResult>(TMsgResult::Ok);
        });
    }
    ~TMessageRecorder() { quorvel::gui::SetMessageHook({}); }
    std::vector<TMsgKind> kinds;
    QStringList texts;
};

struct TRuleSketch {
    QString concludes;
    QStringList premises;
};

// Yes/no variables coded 1, 2, ... in the order named; one rule per entry.
void MakeBase(quorvel::TExpertSystem& engine, const QStringList& vars, const std::vector<TRuleSketch>& rules,
              const QStringList& targets) {
    engine.ClearBase();
    std::map<QString, int32_t> code;
    for (const QString& name : vars) {
        const int32_t c = static_cast<int32_t>(code.size()) + 1;
        code[name] = c;
        engine.Vars().AddVariable(c, *quorvel::Utf8ToCp1252(name.toStdString()), false, false);
    }
    int32_t rule = 0;
    for (const TRuleSketch& sketch : rules) {
        ++rule;
        engine.Rules().AddRule(rule, "R", rule);
        for (int i = 0; i < sketch.premises.size(); ++i)
            engine.Tails().AddPremise(rule, code.at(sketch.premises[i]), "=", quorvel::kCodeYes,
                                      i + 1 == sketch.premises.size() ? 2 : 0, false);
        engine.Heads().AddConclusion(rule, code.at(sketch.concludes), quorvel::kCodeYes, 1.0f);
    }
    for (const QString& target : targets) engine.Targets().Add(code.at(target));
}

// Every item in display order, indented by two blanks per level.
QStringList TreeLines(const QTreeWidget* tree) {
    QStringList lines;
    std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int level) {
        lines << QString(level * 2, QLatin1Char(' ')) + item->text(0);
        for (int i = 0; i < item->childCount(); ++i) walk(item->child(i), level + 1);
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i) walk(tree->topLevelItem(i), 0);
    return lines;
}

QStringList ListLines(const QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
}

bool ShowsImage(const QTreeWidgetItem* item, int image) { return TdialogDepend::ShownImage(item) == image; }

// Whether exactly the items on the way to `item` (and it) are expanded.
bool OnlyPathExpanded(const QTreeWidget* tree, const QTreeWidgetItem* item) {
    QSet<const QTreeWidgetItem*> path;
    for (const QTreeWidgetItem* at = item; at != nullptr; at = at->parent()) path.insert(at);
    bool ok = true;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* at) {
        if (at->childCount() > 0 && at->isExpanded() != path.contains(at)) ok = false;
        for (int i = 0; i < at->childCount(); ++i) walk(at->child(i));
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i) walk(tree->topLevelItem(i));
    return ok;
}

// A base with a circle between Temperatura and Febre, seen from two targets.
void MakeConflictBase(quorvel::TExpertSystem& engine) {
    MakeBase(engine, {"Diagnóstico", "Febre", "Temperatura", "Tosse", "Idade", "Gravidade"},
             {{"Diagnóstico", {"Febre", "Tosse"}},
              {"Febre", {"Temperatura"}},
              {"Temperatura", {"Febre", "Idade"}},
              {"Gravidade", {"Diagnóstico", "Idade"}}},
             {"Diagnóstico", "Gravidade"});
}

}  // namespace

class DependTest : public QObject {
    Q_OBJECT

private slots:
    void baseWithoutTargetsShowsAnEmptyTree() {
        TMessageRecorder messages;
        quorvel::TExpertSystem engine;
        MakeBase(engine, {"A", "B"}, {{"A", {"B"}}}, {});
        TdialogDepend dialog(engine);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Dependências"));
        QCOMPARE(dialog.pages->tabText(0), QStringLiteral("Variáveis"));
        QCOMPARE(dialog.TreeView->topLevelItemCount(), 0);
        QVERIFY(messages.texts.isEmpty());
        QVERIFY(!dialog.listErrors->isVisible());
    }

    void targetNoRuleConcludesHasTheUserLeaf() {
        TMessageRecorder messages;
        quorvel::TExpertSystem engine;
        MakeBase(engine, {"Chuva"}, {}, {"Chuva"});
        TdialogDepend dialog(engine);
        dialog.show();
        QCOMPARE(TreeLines(dialog.TreeView), QStringList({"Chuva", "  Usuário"}));
        QVERIFY(ShowsImage(dialog.NodeItem(1), quorvel::kDependImageUser));
        QVERIFY(messages.texts.isEmpty());
        QVERIFY(!dialog.listErrors->isVisible());
    }

    void circleIsToldListedAndShown() {
        TMessageRecorder messages;
        quorvel::TExpertSystem engine;
        MakeBase(engine, {"A", "B"}, {{"A", {"B"}}, {"B", {"A"}}}, {"A"});
        TdialogDepend dialog(engine);
        dialog.show();
        QTRY_COMPARE(messages.texts, QStringList({"Conflito entre variáveis!"}));
        QCOMPARE(messages.kinds.front(), TMsgKind::Error);
        QCOMPARE(TreeLines(dialog.TreeView), QStringList({"A", "  B", "    A", "      CONFLITO!"}));
        QCOMPARE(ListLines(dialog.listErrors), QStringList({"Dependência circular entre B e A"}));
        QVERIFY(dialog.listErrors->isVisible());
        QVERIFY(ShowsImage(dialog.NodeItem(3), quorvel::kDependImageConflict));
        // Built expanded: the variables with children show the open image.
        for (int node : {0, 1, 2}) QVERIFY(ShowsImage(dialog.NodeItem(node), quorvel::kDependImageExpanded));
    }

    void expandCollapseAndImages() {
        TMessageRecorder messages;
        quorvel::TExpertSystem engine;
        MakeConflictBase(engine);
        TdialogDepend dialog(engine);
        dialog.show();
        QTreeWidgetItem* target = dialog.TreeView->topLevelItem(0);

        QTest::mouseClick(dialog.btnCollapse, Qt::LeftButton);
        QVERIFY(!target->isExpanded());
        QVERIFY(ShowsImage(target, quorvel::kDependImageVariable));
        // The user opens one node: it alone shows the open image.
        target->setExpanded(true);
        QVERIFY(ShowsImage(target, quorvel::kDependImageExpanded));
        QVERIFY(ShowsImage(target->child(0), quorvel::kDependImageVariable));

        QTest::mouseClick(dialog.btnExpand, Qt::LeftButton);
        std::function<void(QTreeWidgetItem*)> allOpen = [&](QTreeWidgetItem* item) {
            if (item->childCount() == 0) return;
            QVERIFY(item->isExpanded());
            QVERIFY(ShowsImage(item, quorvel::kDependImageExpanded));
            for (int i = 0; i < item->childCount(); ++i) allOpen(item->child(i));
        };
        for (int i = 0; i < dialog.TreeView->topLevelItemCount(); ++i) allOpen(dialog.TreeView->topLevelItem(i));

        QCOMPARE(dialog.btnExpand->toolTip(), QStringLiteral("Expandir tudo"));
        QCOMPARE(dialog.btnCollapse->statusTip(), QStringLiteral("Fecha todos os nós da árvore de dependências."));
    }

    // A double click on each line of the list opens just the way to its
    // conflict and selects it.
    void doubleClickGoesToTheConflict() {
        TMessageRecorder messages;
        quorvel::TExpertSystem engine;
        MakeConflictBase(engine);
        TdialogDepend dialog(engine);
        dialog.show();
        const auto& conflicts = dialog.Analysis().Conflicts();
        QCOMPARE(ListLines(dialog.listErrors), QStringList({"Dependência circular entre Temperatura e Febre",
                                                            "Dependência circular entre Temperatura e Febre"}));
        QCOMPARE(int(conflicts.size()), 2);
        for (int row = 0; row < dialog.listErrors->count(); ++row) {
            QListWidgetItem* line = dialog.listErrors->item(row);
            dialog.listErrors->setCurrentItem(line);
            const QRect place = dialog.listErrors->visualItemRect(line);
            // A double click is a press, a release and a second press.
            QTest::mouseClick(dialog.listErrors->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
            QTest::mouseDClick(dialog.listErrors->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
            QTreeWidgetItem* node = dialog.NodeItem(conflicts[static_cast<std::size_t>(row)].NodeIndex);
            QCOMPARE(dialog.TreeView->currentItem(), node);
            QCOMPARE(node->text(0), QStringLiteral("Febre"));
            QCOMPARE(node->child(0)->text(0), QStringLiteral("CONFLITO!"));
            QVERIFY(OnlyPathExpanded(dialog.TreeView, node));
            QVERIFY(ShowsImage(node, quorvel::kDependImageExpanded));
        }
        // The two conflicts are under different targets.
        const auto targetOf = [&](int row) {
            QTreeWidgetItem* item = dialog.NodeItem(conflicts[static_cast<std::size_t>(row)].NodeIndex);
            while (item->parent() != nullptr) item = item->parent();
            return item->text(0);
        };
        QCOMPARE(targetOf(0), QStringLiteral("Diagnóstico"));
        QCOMPARE(targetOf(1), QStringLiteral("Gravidade"));
    }

    void notShownForABaseThatMayOnlyBeExecuted() {
        TMessageRecorder messages;
        quorvel::TExpertSystem engine;
        MakeConflictBase(engine);
        engine.AccessLevel = quorvel::kAccessConsultOnly;
        bool shown = false;
        QTimer guard;
        QObject::connect(&guard, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                shown = true;
                modal->close();
            }
        });
        guard.start(10);
        ShowDependencies(nullptr, engine);
        QVERIFY(!shown);
        QVERIFY(messages.texts.isEmpty());
    }

    void screenshotWithConflict() {
        TMessageRecorder messages;
        quorvel::TExpertSystem engine;
        MakeConflictBase(engine);
        TdialogDepend dialog(engine);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QString folder = qEnvironmentVariable("QUORVEL_SCREENSHOT_DIR");
        const auto keep = [&](const QString& name) {
            QApplication::processEvents();
            const QImage picture = dialog.grab().toImage();
            QVERIFY(!picture.isNull());
            if (folder.isEmpty()) return;
            QDir().mkpath(folder);
            QVERIFY(picture.save(folder + QLatin1Char('/') + name));
        };
        // As opened: everything expanded.
        keep(QStringLiteral("dependencias-aberta.png"));
        // After a double click on the second conflict.
        dialog.listErrors->setCurrentRow(1);
        dialog.listErrorsDblClick();
        keep(QStringLiteral("dependencias.png"));
    }
};

QTEST_MAIN(DependTest)
#include "depend_test.moc"
