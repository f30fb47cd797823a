// The workbench program: the splash, the main window, the base named on the
// command line and the tip of the day, then the message loop.
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "ExSystem.h"
#include "Main.h"
#include "Overture.h"
#include "Totd.h"

static void InitResources() { Q_INIT_RESOURCE(icons); }

namespace {

bool screenshotTaken = false;

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
        screenshotTaken = true;
        // Ends the dialog that may be open at start-up as well.
        QApplication::exit(0);
    });
}

}  // namespace

int main(int argc, char** argv) {
    // Long chains of rules recurse deeply while consulting.
    quorvel::RaiseStackLimit(quorvel::kConsultationStack);
    QApplication app(argc, argv);
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
    frame.show();
    ScheduleScreenshot();

    // Qt has taken its own options out of argv: the first one left names a base.
    if (argc > 1) frame.OpenBase(QFile::decodeName(argv[1]));
    if (frame.ShowTips && !screenshotTaken) ShowTipOfTheDay(&frame, frame.LastTip, frame.ShowTips);
    if (screenshotTaken) return 0;
    return QApplication::exec();
}
