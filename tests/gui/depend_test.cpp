// The dependency dialog driven through its widgets: the tree and its images,
// the conflict message and list, expanding, collapsing and going to a
// conflict. Setting QUORVEL_SCREENSHOT_DIR keeps a picture of the dialog.
#include "Depend.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "CodeRows.h"
#include "ExEditing.h"
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

// Calls `visit` on every row of the tree in display order, with its level.
void WalkTree(const QTreeView* tree, const std::function<void(const QModelIndex&, int)>& visit) {
    const QAbstractItemModel* model = tree->model();
    std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent, int level) {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex at = model->index(row, 0, parent);
            visit(at, level);
            walk(at, level + 1);
        }
    };
    walk(QModelIndex(), 0);
}

// Every row in display order, indented by two blanks per level.
QStringList TreeLines(const QTreeView* tree) {
    QStringList lines;
    WalkTree(tree, [&](const QModelIndex& at, int level) {
        lines << QString(level * 2, QLatin1Char(' ')) + at.data().toString();
    });
    return lines;
}

QStringList ListLines(const TCodeList* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) lines << list->RowText(i);
    return lines;
}

bool ShowsImage(const TdialogDepend& dialog, const QModelIndex& index, int image) {
    return dialog.ShownImage(index) == image;
}

// Whether exactly the rows on the way to `index` (and it) are expanded.
bool OnlyPathExpanded(const QTreeView* tree, const QModelIndex& index) {
    QSet<QModelIndex> path;
    for (QModelIndex at = index; at.isValid(); at = at.parent()) path.insert(at);
    bool ok = true;
    WalkTree(tree, [&](const QModelIndex& at, int) {
        if (tree->model()->hasChildren(at) && tree->isExpanded(at) != path.contains(at)) ok = false;
    });
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
        QCOMPARE(dialog.TreeView->model()->rowCount(), 0);
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
        QVERIFY(ShowsImage(dialog, dialog.NodeItem(1), quorvel::kDependImageUser));
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
        QVERIFY(ShowsImage(dialog, dialog.NodeItem(3), quorvel::kDependImageConflict));
        // Built expanded: the variables with children show the open image.
        for (int node : {0, 1, 2}) QVERIFY(ShowsImage(dialog, dialog.NodeItem(node), quorvel::kDependImageExpanded));
    }

    void expandCollapseAndImages() {
        TMessageRecorder messages;
        quorvel::TExpertSystem engine;
        MakeConflictBase(engine);
        TdialogDepend dialog(engine);
        dialog.show();
        QAbstractItemModelTester tester(dialog.TreeView->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QModelIndex target = dialog.TreeView->model()->index(0, 0);

        QTest::mouseClick(dialog.btnCollapse, Qt::LeftButton);
        QVERIFY(!dialog.TreeView->isExpanded(target));
        QVERIFY(ShowsImage(dialog, target, quorvel::kDependImageVariable));
        // The user opens one node: it alone shows the open image.
        dialog.TreeView->expand(target);
        QVERIFY(ShowsImage(dialog, target, quorvel::kDependImageExpanded));
        QVERIFY(ShowsImage(dialog, target.model()->index(0, 0, target), quorvel::kDependImageVariable));

        QTest::mouseClick(dialog.btnExpand, Qt::LeftButton);
        WalkTree(dialog.TreeView, [&](const QModelIndex& at, int) {
            if (!at.model()->hasChildren(at)) return;
            QVERIFY(dialog.TreeView->isExpanded(at));
            QVERIFY(ShowsImage(dialog, at, quorvel::kDependImageExpanded));
        });

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
            dialog.listErrors->setCurrentRow(row);
            const QRect place = dialog.listErrors->visualRect(dialog.listErrors->model()->index(row, 0));
            // A double click is a press, a release and a second press.
            QTest::mouseClick(dialog.listErrors->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
            QTest::mouseDClick(dialog.listErrors->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
            const QModelIndex node = dialog.NodeItem(conflicts[static_cast<std::size_t>(row)].NodeIndex);
            QCOMPARE(dialog.TreeView->currentIndex(), node);
            QCOMPARE(node.data().toString(), QStringLiteral("Febre"));
            QCOMPARE(node.model()->index(0, 0, node).data().toString(), QStringLiteral("CONFLITO!"));
            QVERIFY(OnlyPathExpanded(dialog.TreeView, node));
            QVERIFY(ShowsImage(dialog, node, quorvel::kDependImageExpanded));
        }
        // The two conflicts are under different targets.
        const auto targetOf = [&](int row) {
            QModelIndex at = dialog.NodeItem(conflicts[static_cast<std::size_t>(row)].NodeIndex);
            while (at.parent().isValid()) at = at.parent();
            return at.data().toString();
        };
        QCOMPARE(targetOf(0), QStringLiteral("Diagnóstico"));
        QCOMPARE(targetOf(1), QStringLiteral("Gravidade"));
    }

    // As many targets as a base holds: the tree has them all at once and
    // reaches the last one's leaf.
    void aTreeAtTheLimitOfTheFormatShowsItsLastRow() {
        TMessageRecorder messages;
        quorvel::TExpertSystem engine;
        QStringList names;
        for (int code = 1; code <= quorvel::kMaxRecordCode; ++code)
            names << QStringLiteral("V%1").arg(code, 5, 10, QLatin1Char('0'));
        MakeBase(engine, names, {}, names);
        TdialogDepend dialog(engine);
        dialog.show();
        const QAbstractItemModel* rows = dialog.TreeView->model();
        QCOMPARE(rows->rowCount(), int(quorvel::kMaxRecordCode));
        const QModelIndex last = rows->index(rows->rowCount() - 1, 0);
        QCOMPARE(last.data().toString(), QStringLiteral("V32767"));
        const QModelIndex leaf = rows->index(0, 0, last);
        QCOMPARE(leaf.data().toString(), QStringLiteral("Usuário"));
        QCOMPARE(dialog.NodeItem(int(dialog.Analysis().Nodes().size()) - 1), leaf);
        dialog.TreeView->scrollTo(leaf);
        QVERIFY(dialog.TreeView->viewport()->rect().contains(dialog.TreeView->visualRect(leaf)));
        QVERIFY(ShowsImage(dialog, last, quorvel::kDependImageExpanded));
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
