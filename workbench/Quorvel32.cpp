// The workbench program: the command line, the splash, the main window, the
// base named on the command line and the tip of the day, then the message loop.
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>

#include "CommandLine.h"
#include "ExSystem.h"
#include "Main.h"
#include "Overture.h"
#include "Totd.h"
#include "Translations.h"

static void InitResources() { Q_INIT_RESOURCE(icons); }

namespace {

// Set when a screenshot or the start probe has ended the program early.
bool endRequested = false;

// QUORVEL_SCREENSHOT=file.png: once the workbench has settled, the whole
// screen is saved there and the program ends (for checking the look under a
// virtual display).
void ScheduleScreenshot() {
    const QString file = qEnvironmentVariable("QUORVEL_SCREENSHOT");
    if (file.isEmpty()) return;
    bool ok = false;
    int delay = qEnvironmentVariableIntValue("QUORVEL_SCREENSHOT_DELAY", &ok);
    if (!ok) delay = 1500;
    QTimer::singleShot(delay, qApp, [file] {
        if (QScreen* screen = QGuiApplication::primaryScreen()) screen->grabWindow(0).save(file);
        endRequested = true;
        // Ends the dialog that may be open at start-up as well.
        QApplication::exit(0);
    });
}

// QUORVEL_START_PROBE=1: once the main window has been exposed and painted
// for the first time, the wall-clock time is printed on standard output as
// "main window shown at <seconds since the epoch>" and the program ends (for
// measuring how long the workbench takes to start).
class TStartProbe : public QObject {
public:
    static void Attach(QWidget& frame) {
        if (qEnvironmentVariableIsEmpty("QUORVEL_START_PROBE")) return;
        frame.winId();
        frame.windowHandle()->installEventFilter(new TStartProbe(&frame));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !reported_ && static_cast<QWindow*>(watched)->isExposed()) {
            reported_ = true;
            // Queued behind the painting that the exposure starts.
            QTimer::singleShot(0, qApp, [] {
                timespec now{};
                clock_gettime(CLOCK_REALTIME, &now);
                std::printf("main window shown at %lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
                std::fflush(stdout);
                endRequested = true;
                QApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    using QObject::QObject;
    bool reported_ = false;
};

constexpr int kExitUsage = 64;

QStringList RawArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void Print(std::FILE* stream, const QString& text) { std::fputs(text.toLocal8Bit().constData(), stream); }

// "--help" and "--version" are answered on the terminal, without a window,
// so that they also work where there is no display.
int AnswerOnTheTerminal(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    quorvel::gui::InstallQtTranslations();
    TCommandLine commandLine;
    commandLine.Parse(QCoreApplication::arguments());
    Print(stdout, commandLine.HelpRequested() ? commandLine.HelpText() : TCommandLine::VersionText());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (TCommandLine::AsksForTextOnly(RawArguments(argc, argv))) return AnswerOnTheTerminal(argc, argv);
    // Long chains of rules recurse deeply while consulting.
    quorvel::RaiseStackLimit(quorvel::kConsultationStack);
    QApplication app(argc, argv);
    quorvel::gui::InstallQtTranslations();
    // Qt has taken its own options out of the arguments by now.
    TCommandLine commandLine;
    if (!commandLine.Parse(QApplication::arguments())) {
        Print(stderr, commandLine.ErrorText());
        return kExitUsage;
    }
    InitResources();
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quorvel.svg")));
#ifdef QUORVEL_APP_ID
    // Lets the desktop match the windows with the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVEL_APP_ID));
#endif

    auto* splash = new TfrmFirstOne;
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    TfrmMain frame;
    splash->close();
    TStartProbe::Attach(frame);
    frame.show();
    ScheduleScreenshot();

    if (!commandLine.BaseName().isEmpty()) frame.OpenBase(commandLine.BaseName());
    if (frame.ShowTips && !endRequested) ShowTipOfTheDay(&frame, frame.LastTip, frame.ShowTips);
    if (endRequested) return 0;
    return QApplication::exec();
}
