// TfrmMain: the workbench's MDI frame. It owns the one engine, carries the
// menus, the four dockable toolbars and the status bar, runs the document
// lifecycle (new, open, save, save as, recent files) and moves the workbench
// between editing and consultation by enabling and disabling its commands.
// Its menus, toolbars and actions are its own: the rule-base window reaches
// it only as a TBaseFrame and through its signals, and the frame reads the
// state of the rule-base window's commands from that window's actions.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <array>
#include <memory>
#include <utility>

#include "BaseFrame.h"
#include "EventLoop.h"
#include "ExSystem.h"

class QAction;
class QFileDialog;
class QMdiArea;
class TConsultationWindows;
class QMenu;
class QToolBar;
class TStatusPanels;
class TfrmBase;
class TdialogOptions;
class TdialogLint;
namespace quorvel {
struct TLintFinding;
}

// Sets a toolbar button's hint: the part before "|" is its tooltip, the part
// after it the text of the status bar's message panel.
void SetButtonHint(QAction* button, const QString& hint);

class TfrmMain : public QMainWindow, public TBaseFrame {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 250;

    // `sink` shows the messages of the workbench and the engine; by default
    // they go to message boxes.
    explicit TfrmMain(quorvel::IMessageSink* sink = nullptr, QWidget* parent = nullptr);
    ~TfrmMain() override;

    quorvel::TExpertSystem& ExpertSystem() override { return *expertSystem_; }
    QMdiArea* MdiArea() const override { return mdiArea_; }
    quorvel::IMessageSink& Sink() const override { return *sink_; }
    // Routes the workbench's and the engine's messages elsewhere (null: message boxes).
    void SetMessageSink(quorvel::IMessageSink* sink);
    TStatusPanels& StatusPanels() const { return *statusPanels_; }

    // The open, save and export file dialogs. Each is made the first time it
    // is needed (Qt's file dialog is slow to build, so making them at once
    // would hold up the start) and then kept for the rest of the run.
    QFileDialog* DialogOpen();
    QFileDialog* DialogSave();
    QFileDialog* DialogExport();

    // ---- workbench state
    QString CurrentFile;  // the open base's file, empty for a base never saved
    bool BaseOpen = false;
    QString WorkingFolder;
    bool ShowTips = true;
    int LastTip = 0;
    // The rule-base window of the open base, or null.
    TfrmBase* BaseWindow() const;

    // ---- document lifecycle
    void btnNewClick();
    void btnOpenClick();
    // Opens a base by name (a name without extension is tried as given, then
    // with ".bcm", then with ".BCM"); true when it was loaded. A name that
    // names no file is told with the paths tried.
    bool OpenBase(const QString& name);
    // Save and Save As; true when the base was written. A save that cannot be
    // written shows why, and keeps the modified flag and the old file.
    bool btnSaveClick();
    bool mnuSaveAsClick();

    // ---- command sets
    void SetEditingCommands();
    void SetIdleConsultCommands();
    void SetConsultingCommands();
    void SetRunningCommands();
    void SetPausedCommands();
    void MirrorBaseButtons();
    void DisableBaseButtons();
    // The rule-base window's part: menus shown while a base is open.
    void ShowBaseMenus();
    void HideBaseMenus();

    // ---- consultation
    void TurnOnExecutionMode();
    void btnPauseClick();
    void btnStopClick();
    void ExecuteStep();
    void BackToLastQuestion();
    void btnWatchClick();
    void mnuAddClick();

    // ---- settings file and recent files
    void LoadSettings();
    void SaveSettings();
    void UpdateRecentFiles();
    void LoadRecentFiles();

    // ---- TBaseFrame: the rule-base window's life and the commands it uses
    void BaseWindowCreated(TfrmBase* window) override;
    void BaseWindowClosed(TfrmBase* window, bool countAsRecent) override;
    bool SaveBase() override { return btnSaveClick(); }

    // ---- hook points of the consultation windows: the results window
    // (modal per target), the trace window (debug panel) and the watch
    // window with its add dialog attach here. Each does nothing until its
    // window is attached.
    void RefillConsultationViews();
    void ShowResultsWindow(int32_t varCode);
    void ShowTraceWindow();
    void HideTraceWindow();
    void ShowWatchWindow();
    void CloseWatchWindow();
    void ShowAddWatchDialog();
    // ---- printing, export and the dependency analysis
    void PrintBase() override;
    void ExportBase();
    void ExportCodes();
    void ShowDependencies();
    // "Verificar base": the static checks in a modeless list (Lint.cpp).
    void CheckBase();
    void OpenLintFinding(const quorvel::TLintFinding& finding);

    // The toolbars in the order of their settings sections.
    std::array<QToolBar*, 4> ToolBars() const { return {XToolBarFile, XToolBarConsult, XToolBarSystem, XToolBarHelp}; }

    // ---- menus that refresh themselves when opened
    void mnuEditClick();
    void mnuShowClick();
    void mnuSystemClick();
    void mnuWindowClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateMenus();
    void CreateToolBars();
    void CreateStatusBar();
    void AssignEngineEvents();
    void InstallHooks();
    void RemoveHooks();
    void SetDialogFolder(QFileDialog* dialog);
    void PlaceForFirstStart();

    // Engine events.
    void AfterCheckPassword(quorvel::TExpertSystem& engine);
    void ExpertSystemStart(quorvel::TExpertSystem& engine);
    void ExpertSystemFinish(quorvel::TExpertSystem& engine);
    void ExpertSystemPrompt(quorvel::TExpertSystem& engine, int32_t varCode);
    void ExpertSystemShowResults(quorvel::TExpertSystem& engine, int32_t varCode);

    // Closes the open base's window; false when the user kept it open.
    bool CloseBaseWindow();
    // Runs `what`, showing any engine error in a message box.
    void Guarded(const std::function<void()>& what);
    bool ConsultationRunning() const;
    bool SaveTo(const QString& path);
    QString ChooseSaveFile();
    void SetBaseCaptionFromFile();

    void EditAction(int which);
    void ArrangeTiles(bool horizontal);
    void ArrangeIcons();
    void ShowHelpContents();
    void ShowHelpSearch();
    void ShowHelpOnHelp();
    void ShowTipOfTheDay();
    void ShowAbout();
    void ShowOptions();
    // Text typed or pasted that Windows-1252 cannot hold: refused with a message.
    bool RefuseUnrepresentable(const QString& text);
    // A frame command and the rule-base window's command it stands for.
    using TBaseCommandItem = std::pair<QAction*, TBaseCommand>;
    // The toolbar buttons that mirror and run the rule-base window's commands.
    std::array<TBaseCommandItem, kBaseCommandCount> BaseCommandButtons() const;
    // The rule-base window's command, run from the frame's toolbar or menu.
    void ForwardToBase(TBaseCommand which);
    // What the rule-base window tells: its rule commands were enabled or
    // disabled, and which rule is selected (0: none).
    void BaseRuleCommandsChanged(bool enabled);
    void BaseRuleSelected(int number);

    // ---- menus
    QMenu* mnuFile = nullptr;
    QAction* mnuNew = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuSaveAs = nullptr;
    QMenu* mnuExport = nullptr;
    QAction* mnuExportBase = nullptr;
    QAction* mnuExportCode = nullptr;
    QAction* mnuPrint = nullptr;
    std::array<QAction*, 4> mnuLastFile{};
    QAction* mnuFileBar = nullptr;
    QAction* mnuExit = nullptr;

    QMenu* mnuEdit = nullptr;
    QAction* mnuCut = nullptr;
    QAction* mnuCopy = nullptr;
    QAction* mnuPaste = nullptr;
    QAction* mnuDelete = nullptr;

    QMenu* mnuShow = nullptr;
    QAction* mnuShowToolBoxFile = nullptr;
    QAction* mnuShowToolBoxConsult = nullptr;
    QAction* mnuShowToolBoxSystem = nullptr;
    QAction* mnuShowToolBoxHelp = nullptr;
    QAction* mnuShowStatus = nullptr;
    QAction* lineOptions = nullptr;
    QAction* mnuOptions = nullptr;

    QMenu* mnuSystem = nullptr;
    QAction* mnuSystemNewRule = nullptr;
    QAction* mnuSystemOpenRule = nullptr;
    QAction* mnuSystemDelete = nullptr;
    QAction* mnuSystemView = nullptr;
    QAction* mnuSystemVars = nullptr;
    QAction* mnuSystemTargets = nullptr;
    QAction* mnuInterface = nullptr;
    QAction* mnuSystemInfo = nullptr;
    QAction* mnuSystemCheck = nullptr;

    QMenu* mnuExecute = nullptr;
    QAction* mnuStart = nullptr;
    QAction* mnuFinish = nullptr;
    QAction* mnuBarBreak = nullptr;
    QAction* mnuBreak = nullptr;
    QAction* mnuLastQuestion = nullptr;

    QMenu* mnuDebug = nullptr;
    QAction* mnuStep = nullptr;
    QAction* mnuWatch = nullptr;
    QAction* mnuAdd = nullptr;
    QAction* mnuDependencies = nullptr;

    QMenu* mnuWindow = nullptr;
    QAction* mnuCascade = nullptr;
    QAction* mnuTileH = nullptr;
    QAction* mnuTileV = nullptr;
    QAction* mnuIcons = nullptr;

    QMenu* mnuHelp = nullptr;
    QAction* mnuContents = nullptr;
    QAction* mnuSeekHelp = nullptr;
    QAction* mnuHowToUse = nullptr;
    QAction* mnuTipOfTheDay = nullptr;
    QAction* mnuAbout = nullptr;

    // ---- toolbars and their buttons
    QToolBar* XToolBarFile = nullptr;
    QToolBar* XToolBarConsult = nullptr;
    QToolBar* XToolBarSystem = nullptr;
    QToolBar* XToolBarHelp = nullptr;

    QAction* btnNew = nullptr;
    QAction* btnOpen = nullptr;
    QAction* btnSave = nullptr;
    QAction* btnPrint = nullptr;
    QAction* btnGo = nullptr;
    QAction* btnLastQuestion = nullptr;
    QAction* btnPause = nullptr;
    QAction* btnStop = nullptr;
    QAction* btnStep = nullptr;
    QAction* btnAddVars = nullptr;
    QAction* btnWatch = nullptr;
    QAction* btnNewRule = nullptr;
    QAction* btnOpenRule = nullptr;
    QAction* btnDelete = nullptr;
    QAction* btnView = nullptr;
    QAction* btnVars = nullptr;
    QAction* btnTargets = nullptr;
    QAction* btnQuestions = nullptr;
    QAction* btnInfo = nullptr;
    QAction* btnHelp = nullptr;

    // ---- file dialogs (their initial folder is WorkingFolder), null until first needed
    QFileDialog* dialogOpen = nullptr;
    QFileDialog* dialogSave = nullptr;
    QFileDialog* dialogExport = nullptr;

    // ---- long-lived windows
    TdialogOptions* dialogOptions = nullptr;

    std::unique_ptr<quorvel::IMessageSink> ownSink_;
    quorvel::IMessageSink* sink_ = nullptr;
    // The question dialog and the results, trace and watch windows.
    TConsultationWindows* consultation_ = nullptr;
    TQtMessageLoop messageLoop_;
    std::unique_ptr<quorvel::IPasswordPrompt> passwordPrompt_;
    std::unique_ptr<quorvel::TExpertSystem> expertSystem_;
    QMdiArea* mdiArea_ = nullptr;
    TStatusPanels* statusPanels_ = nullptr;
    QPointer<TfrmBase> baseWindow_;
    QPointer<TdialogLint> dialogLint_;
    QList<QAction*> windowListActions_;
    bool hooksInstalled_ = false;
};
