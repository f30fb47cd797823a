// The workbench at the format's limits: opening a base of 32,767 rules until
// its rule-base window has been painted on the screen. Runs on whatever Qt
// platform is set (a virtual X display with a window manager is closest to a
// person's desktop; "offscreen" works anywhere).
//
//   quorvel_bench_workbench [--benchmark_...] : the large base, generated
//   QUORVEL_BENCH_BASE=file.bcm quorvel_bench_workbench : also that base
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <string>

#include "Base.h"
#include "ExSystem.h"
#include "LargeBase.h"
#include "Main.h"
#include "MessageBoxSink.h"

namespace {

// Notes the first paint of a widget inside the window named `window`
// (for the rule-base window, its list of rules).
class TPainted : public QObject {
public:
    TPainted(const char* window, const char* widget) : window_(window), widget_(widget) {
        qApp->installEventFilter(this);
    }
    ~TPainted() override { qApp->removeEventFilter(this); }

    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (painted || event->type() != QEvent::Paint) return false;
        for (QObject* up = watched; up; up = up->parent()) {
            if (up->objectName() == QLatin1String(window_)) {
                painted = widget_.isEmpty() || InsideWidget(watched);
                break;
            }
        }
        return false;
    }

private:
    bool InsideWidget(QObject* watched) const {
        for (QObject* up = watched; up; up = up->parent())
            if (up->objectName() == widget_) return true;
        return false;
    }

    const char* window_;
    QString widget_;
};

void WaitUntil(const bool& painted) {
    while (!painted) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

class TSilentSink : public quorvel::IMessageSink {
public:
    quorvel::TMsgResult ShowMessage(quorvel::TMsgKind, quorvel::TMsgButtons, const std::string&) override {
        return quorvel::TMsgResult::Ok;
    }
};

QString gLargeBase;

// One opening: from the Open command's call until the rule list has been
// painted; then the base is closed again, untimed.
void MeasureOpening(benchmark::State& state, const QString& file) {
    TfrmMain frame;
    frame.resize(1024, 768);
    frame.show();
    if (!QTest::qWaitForWindowExposed(&frame)) state.SkipWithError("the main window was never shown");
    int rules = 0;
    for (auto _ : state) {
        TPainted shown("frmBase", "listRules");
        if (!frame.OpenBase(file)) {
            state.SkipWithError("the base did not open");
            break;
        }
        WaitUntil(shown.painted);
        state.PauseTiming();
        if (TfrmBase* window = frame.BaseWindow()) {
            rules = window->RuleCount();
            window->close();
        }
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rules"] = rules;
}

// An editor of the large base, from its command until it has been painted.
void MeasureEditor(benchmark::State& state, TBaseCommand command, const char* window) {
    TfrmMain frame;
    frame.resize(1024, 768);
    frame.show();
    if (!QTest::qWaitForWindowExposed(&frame) || !frame.OpenBase(gLargeBase) || !frame.BaseWindow()) {
        state.SkipWithError("the large base did not open");
        return;
    }
    TfrmBase& base = *frame.BaseWindow();
    for (auto _ : state) {
        TPainted shown(window, "");
        base.Command(command)->trigger();
        WaitUntil(shown.painted);
        state.PauseTiming();
        for (QMdiSubWindow* editor : frame.MdiArea()->subWindowList())
            if (editor->objectName() == QLatin1String(window)) editor->close();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_OpenLargeBaseInWorkbench(benchmark::State& state) { MeasureOpening(state, gLargeBase); }

void BM_OpenGivenBaseInWorkbench(benchmark::State& state) {
    MeasureOpening(state, qEnvironmentVariable("QUORVEL_BENCH_BASE"));
}

void BM_OpenVariablesEditor(benchmark::State& state) { MeasureEditor(state, TBaseCommand::Vars, "frmVars"); }
void BM_OpenTargetsEditor(benchmark::State& state) { MeasureEditor(state, TBaseCommand::Targets, "frmTargets"); }
void BM_OpenQuestionsEditor(benchmark::State& state) { MeasureEditor(state, TBaseCommand::Questions, "frmQuestions"); }
void BM_OpenInfosEditor(benchmark::State& state) { MeasureEditor(state, TBaseCommand::Info, "frmInfos"); }

// The engine's share of the same opening: loading the file alone.
void BM_LoadLargeBaseInEngine(benchmark::State& state) {
    TSilentSink sink;
    quorvel::TExpertSystem sys(&sink);
    for (auto _ : state)
        if (!sys.Load(gLargeBase.toStdString())) state.SkipWithError("load failed");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    // Settings of its own, so that no tip of the day or recent file of the
    // person running it comes in the way.
    qputenv("QUORVEL_CONFIG_DIR", scratch.path().toLocal8Bit());
    gLargeBase = scratch.filePath(QStringLiteral("large.bcm"));
    {
        TSilentSink sink;
        quorvel::TExpertSystem sys(&sink);
        quorvel::BuildLargeBase(sys);
        if (!sys.Save(gLargeBase.toStdString())) {
            std::fprintf(stderr, "%s\n", sys.LastSaveError().c_str());
            return 1;
        }
    }
    benchmark::RegisterBenchmark("BM_LoadLargeBaseInEngine", BM_LoadLargeBaseInEngine)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_OpenLargeBaseInWorkbench", BM_OpenLargeBaseInWorkbench)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (auto [name, run] : {std::pair{"BM_OpenVariablesEditor", &BM_OpenVariablesEditor},
                             std::pair{"BM_OpenTargetsEditor", &BM_OpenTargetsEditor},
                             std::pair{"BM_OpenQuestionsEditor", &BM_OpenQuestionsEditor},
                             std::pair{"BM_OpenInfosEditor", &BM_OpenInfosEditor}})
        benchmark::RegisterBenchmark(name, run)->Unit(benchmark::kMillisecond)->UseRealTime();
    if (QFileInfo::exists(qEnvironmentVariable("QUORVEL_BENCH_BASE")))
        benchmark::RegisterBenchmark("BM_OpenGivenBaseInWorkbench", BM_OpenGivenBaseInWorkbench)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
