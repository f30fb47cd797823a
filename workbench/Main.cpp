#include "Main.h"

#include <QMdiArea>

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent), expertSystem_(std::make_unique<quorvel::TExpertSystem>()) {
    setWindowTitle(QStringLiteral("Quorvel"));
    mdiArea_ = new QMdiArea(this);
    setCentralWidget(mdiArea_);
    resize(535, 379);
}

TfrmMain::~TfrmMain() = default;
