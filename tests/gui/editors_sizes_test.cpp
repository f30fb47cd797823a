// The editors' windows as a person resizes them: the lists and the text
// boxes take the room a bigger window gives, and no window gets smaller than
// its own minimum nor than what shows every box, label and button whole.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QtTest>
#include <functional>
#include <vector>

#include "AskCode.h"
#include "CodeRows.h"
#include "EditorCommon.h"
#include "Infocode.h"
#include "RuleCode.h"
#include "Targcode.h"
#include "VarsCode.h"
#include "editors_test_support.h"

using namespace edtest;

namespace {

struct TEditorCase {
    QMdiSubWindow* window;
    QSize minimum;
    // The boxes that are to grow with the window.
    std::vector<QWidget*> growing;
};

// Every visible button, label and line box is at least as large as it needs
// to be shown whole.
void CheckNothingCut(QWidget* window) {
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (!child->isVisibleTo(window)) continue;
        if (!qobject_cast<QAbstractButton*>(child) && !qobject_cast<QLabel*>(child) && !qobject_cast<QLineEdit*>(child))
            continue;
        const QSize needed = child->minimumSizeHint();
        QVERIFY2(child->width() >= needed.width() && child->height() >= needed.height(),
                 qPrintable(QStringLiteral("%1 \"%2\" cut: %3x%4 < %5x%6")
                                .arg(QString::fromLatin1(child->metaObject()->className()), child->objectName())
                                .arg(child->width())
                                .arg(child->height())
                                .arg(needed.width())
                                .arg(needed.height())));
    }
}

}  // namespace

class EditorsSizesTest : public QObject {
    Q_OBJECT

    quorvel::TExpertSystem engine_;

private slots:
    void init() { FillSample(engine_); }

    void windowsGrowTheirListsAndKeepTheirMinimum() {
        TTestHost host(engine_);
        host.EditorArea()->resize(1400, 1000);
        auto* vars = new TfrmVars(host);
        auto* targets = new TfrmTargets(host);
        auto* questions = new TfrmQuestions(host);
        auto* infos = new TfrmInfos(host);
        TfrmRule* rule = host.OpenRule(1);
        const std::vector<TEditorCase> cases{
            {vars, {TfrmVars::kMinimumWidth, TfrmVars::kMinimumHeight}, {vars->listVars, vars->listValues}},
            {targets, {TfrmTargets::kMinimumWidth, TfrmTargets::kMinimumHeight}, {targets->SrcList, targets->DstList}},
            {questions,
             {TfrmQuestions::kMinimumWidth, TfrmQuestions::kMinimumHeight},
             {questions->SrcList, questions->DstList, questions->memoWhy}},
            {infos, {TfrmInfos::kMinimumWidth, TfrmInfos::kMinimumHeight}, {infos->memoOverture}},
            {rule, {TfrmRule::kMinimumWidth, TfrmRule::kMinimumHeight}, {rule->listRules}},
        };
        for (const TEditorCase& c : cases) {
            const QString name = c.window->objectName();
            c.window->show();
            c.window->resize(40, 40);
            QApplication::processEvents();
            QVERIFY2(c.window->width() >= c.minimum.width() && c.window->height() >= c.minimum.height(),
                     qPrintable(name));
            CheckNothingCut(c.window);
            if (QTest::currentTestFailed()) QFAIL(qPrintable(name + QStringLiteral(" at its smallest")));

            std::vector<QSize> small;
            for (QWidget* box : c.growing) small.push_back(box->size());
            c.window->resize(c.window->size() + QSize(300, 240));
            QApplication::processEvents();
            for (std::size_t i = 0; i < c.growing.size(); ++i) {
                const QSize grown = c.growing[i]->size();
                QVERIFY2(grown.width() > small[i].width() && grown.height() > small[i].height() + 40,
                         qPrintable(name + QLatin1Char(' ') + c.growing[i]->objectName()));
            }
            CheckNothingCut(c.window);
        }
    }
};

QTEST_MAIN(EditorsSizesTest)
#include "editors_sizes_test.moc"
