// The workbench program.
#include <QApplication>

#include "Main.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    TfrmMain frame;
    frame.show();
    return QApplication::exec();
}
