// The look of the consultation windows: nothing cut off, nothing on top of
// anything else. With QUORVEL_SCREENSHOT_DIR set, the question dialog, the
// results window's four pages and the trace window are also saved there as
// PNG files, for looking at them under a real display.
#include <QHeaderView>
#include <QScrollBar>
#include <QtTest>

#include "ConsultViews.h"
#include "MessageBoxSink.h"
#include "RuleView.h"
#include "consult_test_support.h"

using namespace consulttest;

namespace {

void Save(QWidget* window, const QString& name) {
    const QString folder = qEnvironmentVariable("QUORVEL_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    QVERIFY(window->grab().save(QDir(folder).filePath(name + QStringLiteral(".png"))));
}

// Every shown direct child lies inside the window, and no two of the given
// widgets overlap.
void CheckLayout(QWidget* window, const QList<QWidget*>& apart) {
    const QRect inside = window->rect();
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isHidden() || child->isWindow()) continue;
        QVERIFY2(inside.contains(child->geometry()), qPrintable(child->metaObject()->className()));
    }
    for (int i = 0; i < apart.size(); ++i)
        for (int j = i + 1; j < apart.size(); ++j) {
            if (apart[i]->isHidden() || apart[j]->isHidden()) continue;
            QVERIFY2(!apart[i]->geometry().intersects(apart[j]->geometry()),
                     qPrintable(apart[i]->objectName() + QLatin1Char('/') + apart[j]->objectName()));
        }
}

// The question, the options and their boxes can all be read.
void CheckQuestion(TRunTime* q) {
    QVERIFY(q->labelQuestion->height() >= q->labelQuestion->heightForWidth(q->labelQuestion->width()));
    CheckLayout(q, {q->labelQuestion, q->labelInfo, q->Frame3D, q->btnOk, q->btnWhy});
    QWidget* viewport = q->Prompt->viewport();
    for (int i = 0; i < q->Prompt->OptionCount(); ++i) {
        QWidget* option = q->Prompt->Option(i);
        QVERIFY(option->width() >= option->sizeHint().width());
        TTxtCnf* box = q->Prompt->CnfBox(i);
        if (box->isHidden()) continue;
        QVERIFY(!option->geometry().intersects(box->geometry()));
        const QRect shown(box->mapTo(viewport, QPoint(0, 0)), box->size());
        QVERIFY(viewport->rect().contains(shown));
    }
    QVERIFY(!q->Prompt->horizontalScrollBar()->isVisible());
}

}  // namespace

class ConsultScreensTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        quorvel::gui::SetMessageHook(
            [](TMsgKind, TMsgButtons, const QString&) { return std::optional<TMsgResult>(TMsgResult::Ok); });
    }
    void cleanup() { quorvel::gui::SetMessageHook(nullptr); }

    void WindowsAreLaidOutReadably();
};

void ConsultScreensTest::WindowsAreLaidOutReadably() {
    TFrame f;
    TScript script;
    f.Guard(script);
    script
        .Then(
            "parado", [&] { return f.windows->frmTrace->DebugPanel->Waiting(); },
            [&] {
                TfrmTrace* trace = f.windows->frmTrace;
                CheckLayout(trace, {trace->DebugPanel, trace->btnClose});
                Save(trace, QStringLiteral("depurador"));
                f.windows->TurnOnExecutionMode();
            })
        .Then(
            "Febre", [&] { return f.Asking(kFebre); },
            [&] {
                ChooseOption(f.Question(), 0);
                TypeCnf(f.Question(), 0, QStringLiteral("80"));
                CheckQuestion(f.Question());
                Save(f.Question(), QStringLiteral("pergunta_opcoes"));
                Click(f.Question()->btnOk);
            })
        .Then(
            "Tosse", [&] { return f.Asking(kTosse); },
            [&] {
                ChooseOption(f.Question(), 0);
                Click(f.Question()->btnOk);
            })
        .Then(
            "resultados", [&] { return f.windows->frmResults->isVisible(); },
            [&] { Click(f.windows->frmResults->btnOk); })
        .Then(
            "Idade", [&] { return f.Asking(kIdade); },
            [&] {
                TypeValue(f.Question(), QStringLiteral("45"));
                CheckQuestion(f.Question());
                Save(f.Question(), QStringLiteral("pergunta_numero"));
                Click(f.Question()->btnOk);
            })
        .Then(
            "Sintomas", [&] { return f.Asking(kSintomas); },
            [&] {
                ChooseOption(f.Question(), 0);
                ChooseOption(f.Question(), 1);
                TypeCnf(f.Question(), 1, QStringLiteral("60"));
                CheckQuestion(f.Question());
                Save(f.Question(), QStringLiteral("pergunta_varias"));
                Click(f.Question()->btnOk);
            })
        .Then(
            "resultados de Risco", [&] { return f.windows->frmResults->isVisible(); },
            [&] {
                TfrmResults* r = f.windows->frmResults;
                const char* names[] = {"resultados_1_valores", "resultados_2_historico", "resultados_3_todos",
                                       "resultados_4_sistema"};
                for (int page = 0; page < 4; ++page) {
                    r->SetPage(page);
                    if (page == TfrmResults::kPageAllValues) r->AllVars->ExpandEverything();
                    QCoreApplication::processEvents();
                    CheckLayout(r, {});
                    Save(r, QString::fromLatin1(names[page]));
                }
                // Both columns of the grid fit its width.
                const QHeaderView* header = r->ValuesGrid->horizontalHeader();
                QVERIFY(header->sectionSize(0) + header->sectionSize(1) <= r->ValuesGrid->viewport()->width());
                QVERIFY(header->sectionSize(1) >= r->ValuesGrid->fontMetrics().horizontalAdvance("CNF (%)"));
                Click(r->btnOk);
            });
    f.windows->ExecuteStep();
    QVERIFY2(script.Done(), qPrintable(script.Waiting()));
}

QTEST_MAIN(ConsultScreensTest)
#include "consult_screens_test.moc"
