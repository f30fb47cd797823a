#include "Main.h"
#include "BaseTextFile.h"

#include "Consultation.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextEdit>
#include <QTimer>

#include "About.h"
#include "Base.h"
#include "DataFiles.h"
#include "Depend.h"
#include "ExText.h"
#include "Export.h"
#include "Help.h"
#include "MessageBoxSink.h"
#include "Options.h"
#include "Passwd.h"
#include "PrintSetup.h"
#include "StatusBar.h"
#include "Totd.h"
#include "DialogStacking.h"

// The icons live in the GUI library's resources, which a static library
// must register explicitly (outside any namespace).
static void InitResources() { Q_INIT_RESOURCE(icons); }

namespace {

bool IsTextInput(const QObject* object) {
    return qobject_cast<const QLineEdit*>(object) || qobject_cast<const QTextEdit*>(object) ||
           qobject_cast<const QPlainTextEdit*>(object) || qobject_cast<const QAbstractSpinBox*>(object);
}

bool IsReadOnlyText(const QObject* object) {
    if (auto* edit = qobject_cast<const QLineEdit*>(object)) return edit->isReadOnly();
    if (auto* memo = qobject_cast<const QPlainTextEdit*>(object)) return memo->isReadOnly();
    if (auto* rich = qobject_cast<const QTextEdit*>(object)) return rich->isReadOnly();
    if (auto* spin = qobject_cast<const QAbstractSpinBox*>(object)) return spin->isReadOnly();
    return true;
}

}  // namespace

TfrmMain::TfrmMain(quorvel::IMessageSink* sink, QWidget* parent) : QMainWindow(parent) {
    InitResources();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Quorvel"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quorvel.svg")));
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kMainWindow);

    // The engine, its host services and its events, in the order they are assigned.
    SetMessageSink(sink);
    expertSystem_ = std::make_unique<quorvel::TExpertSystem>(sink_);
    expertSystem_->SetMessageLoop(&messageLoop_);
    passwordPrompt_ = std::make_unique<TDialogPasswordPrompt>(this);
    expertSystem_->SetPasswordPrompt(passwordPrompt_.get());
    AssignEngineEvents();
    consultation_ = new TConsultationWindows(*expertSystem_, this, sink_);
    connect(consultation_, &TConsultationWindows::consultationResumed, this, [this] { SetRunningCommands(); });
    // Every step of a consultation leaves the message panel at "Pronto.", not
    // at the hint of the command that started it.
    connect(consultation_, &TConsultationWindows::stateChanged, this, [this] {
        if (statusPanels_) statusPanels_->ShowHint({});
    });

    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName(QStringLiteral("mdiArea"));
    // The workspace colour, shaded a little from top to bottom.
    QLinearGradient workspace(0, 0, 0, 1);
    workspace.setCoordinateMode(QGradient::StretchToDeviceMode);
    workspace.setColorAt(0.0, palette().color(QPalette::Dark).lighter(108));
    workspace.setColorAt(1.0, palette().color(QPalette::Dark).darker(112));
    mdiArea_->setBackground(workspace);
    setCentralWidget(mdiArea_);
    CreateMenus();
    CreateToolBars();
    CreateStatusBar();

    // Design size, centred on the screen; the settings file may say otherwise.
    resize(535, 379);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setMinimumWidth(kMinimumWidth);

    LoadSettings();
    LoadRecentFiles();

    BaseOpen = false;
    statusPanels_->Tick();
    statusPanels_->StartClock();
    InstallHooks();
    statusPanels_->UpdateKeyStates();

    dialogOptions = new TdialogOptions(*expertSystem_, this);
}

TfrmMain::~TfrmMain() {
    RemoveHooks();
    // The children that may still refer to the engine go before it.
    if (baseWindow_) {
        baseWindow_->DropWithoutQuery();
        delete baseWindow_.data();
    }
    for (QMdiSubWindow* child : mdiArea_->subWindowList()) delete child;
    delete dialogOptions;
    dialogOptions = nullptr;
}

TfrmBase* TfrmMain::BaseWindow() const { return baseWindow_.data(); }

void TfrmMain::SetMessageSink(quorvel::IMessageSink* sink) {
    if (sink) {
        sink_ = sink;
    } else {
        if (!ownSink_) ownSink_ = std::make_unique<quorvel::gui::TMessageBoxSink>(this);
        sink_ = ownSink_.get();
    }
    if (expertSystem_) expertSystem_->SetMessageSink(sink_);
}

namespace {

// The dialog in which a base is opened or saved.
QFileDialog* MakeBaseDialog(QWidget* parent, QFileDialog::AcceptMode mode) {
    const bool open = mode == QFileDialog::AcceptOpen;
    auto* dialog = new QFileDialog(parent, open ? QStringLiteral("Abrir base de conhecimento")
                                                : QStringLiteral("Salvar base de conhecimento"));
    dialog->setObjectName(open ? QStringLiteral("dialogOpen") : QStringLiteral("dialogSave"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->setDefaultSuffix(QStringLiteral("bcm"));
    if (open)
        quorvel::gui::SetOpenBaseFilters(dialog);
    else
        quorvel::gui::SetSaveBaseFilters(dialog);
    return dialog;
}

}  // namespace

QFileDialog* TfrmMain::DialogOpen() {
    if (!dialogOpen) dialogOpen = MakeBaseDialog(this, QFileDialog::AcceptOpen);
    return dialogOpen;
}

QFileDialog* TfrmMain::DialogSave() {
    if (!dialogSave) dialogSave = MakeBaseDialog(this, QFileDialog::AcceptSave);
    return dialogSave;
}

QFileDialog* TfrmMain::DialogExport() {
    if (!dialogExport) dialogExport = MakeExportDialog(this).release();
    return dialogExport;
}

// A folder that does not exist leaves the dialog where it was.
// Before any folder was worked in, the open dialog starts among the examples.
void TfrmMain::SetDialogFolder(QFileDialog* dialog) {
    if (WorkingFolder.isEmpty() || !QFileInfo(WorkingFolder).isDir()) {
        if (dialog != dialogOpen) return;
        if (const QString examples = ExamplesFolder(); !examples.isEmpty()) dialog->setDirectory(examples);
        return;
    }
    dialog->setDirectory(WorkingFolder);
}

// ------------------------------------------------------------------ hooks

void TfrmMain::InstallHooks() {
    if (hooksInstalled_) return;
    qApp->installEventFilter(this);
    hooksInstalled_ = true;
}

void TfrmMain::RemoveHooks() {
    if (!hooksInstalled_) return;
    qApp->removeEventFilter(this);
    hooksInstalled_ = false;
}

// The application-wide hooks: hints to the message panel, the lock keys to
// their panels, and text that the bases' code page cannot hold refused where
// it is typed or pasted.
bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::StatusTip:
            statusPanels_->ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
            return true;
        case QEvent::ApplicationActivate:
            if (watched == qApp) statusPanels_->UpdateKeyStates();
            break;
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
            // The pointer's hint belonged to the window that was in front;
            // the next control it rests on tells its own.
            if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) statusPanels_->ShowHint({});
            break;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            // A key event travels from the focused widget up to its window;
            // only its first receiver counts.
            QWidget* first = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
            if (watched != first) break;
            auto* key = static_cast<QKeyEvent*>(event);
            switch (key->key()) {
                case Qt::Key_Insert:
                    if (event->type() == QEvent::KeyPress && !key->isAutoRepeat()) statusPanels_->ToggleInsert();
                    break;
                case Qt::Key_CapsLock:
                case Qt::Key_NumLock:
                case Qt::Key_ScrollLock:
                    // The server changes its indicators once the key was handled.
                    QTimer::singleShot(0, statusPanels_, &TStatusPanels::UpdateKeyStates);
                    break;
                default:
                    break;
            }
            if (event->type() != QEvent::KeyPress) break;
            if (IsTextInput(watched) && !IsReadOnlyText(watched)) {
                if (key->matches(QKeySequence::Paste)) return RefuseUnrepresentable(QApplication::clipboard()->text());
                if (!key->text().isEmpty() && key->text().front().isPrint()) return RefuseUnrepresentable(key->text());
            }
            break;
        }
        case QEvent::InputMethod:
            if (IsTextInput(watched) && !IsReadOnlyText(watched))
                return RefuseUnrepresentable(static_cast<QInputMethodEvent*>(event)->commitString());
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TfrmMain::RefuseUnrepresentable(const QString& text) {
    const QString refused = quorvel::gui::UnrepresentableCharacters(text);
    if (refused.isEmpty()) return false;
    sink_->ShowMessage(quorvel::TMsgKind::Error, quorvel::TMsgButtons::Ok,
                       QStringLiteral("O texto não foi aceito: uma base do Quorvel não pode guardar estes caracteres: "
                                      "%1\nUse outros (letras acentuadas do português são aceitas).")
                           .arg(refused)
                           .toStdString());
    return true;
}

// ------------------------------------------------------------- the window

void TfrmMain::closeEvent(QCloseEvent* event) {
    // The open base may still want to be saved; the user may cancel.
    if (baseWindow_ && !baseWindow_->CloseQuery()) {
        event->ignore();
        return;
    }
    SaveSettings();
    statusPanels_->StopClock();
    if (BaseOpen) expertSystem_->Stop();
    RemoveHooks();
    event->accept();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (width() < kMinimumWidth && !isMinimized()) resize(kMinimumWidth, height());
}

// ------------------------------------------------------------------- help

void TfrmMain::ShowHelpContents() { quorvel::gui::ShowHelpContents(this, quorvel::gui::ProgramHelpFile()); }

void TfrmMain::ShowHelpSearch() { quorvel::gui::ShowHelpSearch(this, quorvel::gui::ProgramHelpFile()); }

void TfrmMain::ShowHelpOnHelp() { quorvel::gui::ShowHelpOnHelp(this); }

void TfrmMain::ShowTipOfTheDay() { ::ShowTipOfTheDay(this, LastTip, ShowTips); }

void TfrmMain::ShowAbout() {
    TdialogAbout about(this);
    quorvel::gui::ExecModal(about);
}

void TfrmMain::ShowOptions() {
    if (!baseWindow_ || !mnuOptions->isEnabled()) return;
    if (dialogOptions->Execute() && baseWindow_) baseWindow_->SetModified(true);
}

// ------------------------------------------------- printing, export, analysis

void TfrmMain::PrintBase() {
    if (!baseWindow_ || ConsultationRunning()) return;
    ::PrintBase(this, *expertSystem_, CurrentFile, WorkingFolder);
}

// The export commands are the only ones that move the working folder.
void TfrmMain::ExportBase() {
    if (!baseWindow_ || ConsultationRunning()) return;
    ::ExportBase(this, *expertSystem_, WorkingFolder, CurrentFile, DialogExport());
}

void TfrmMain::ExportCodes() {
    if (!baseWindow_ || ConsultationRunning()) return;
    ::ExportCodes(this, *expertSystem_, WorkingFolder, CurrentFile, DialogExport());
}

void TfrmMain::ShowDependencies() {
    if (!baseWindow_ || ConsultationRunning()) return;
    ::ShowDependencies(this, *expertSystem_);
}

// ------------------------------------------------------------ hook points
// The consultation windows attach here; until they do, the workbench runs
// without them and these do nothing.

// OnStart: the trace panel and the results window's rule view are refilled
// from the base and the results window's consultation tree is cleared.
void TfrmMain::RefillConsultationViews() { consultation_->RefillViews(); }
// OnShowResults: the results window is filled for the target and shown modally.
void TfrmMain::ShowResultsWindow(int32_t varCode) { consultation_->ShowResults(varCode); }
// Pause and Step show the trace window; Start and Continue hide it.
void TfrmMain::ShowTraceWindow() { consultation_->ShowTrace(); }
void TfrmMain::HideTraceWindow() { consultation_->HideTrace(); }
// Watch shows the watch window (modeless); OnFinish closes it.
void TfrmMain::ShowWatchWindow() { consultation_->ShowWatch(); }
void TfrmMain::CloseWatchWindow() { consultation_->CloseWatch(); }
// Add shows the add-watch dialog modally.
void TfrmMain::ShowAddWatchDialog() { consultation_->ShowAddWatch(); }
