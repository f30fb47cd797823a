// The main window's commands: the document lifecycle, the command sets of
// the four workbench states, the consultation commands and the engine's events.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <algorithm>

#include "Base.h"
#include "BaseLock.h"
#include "BaseTextFile.h"
#include "ExShownError.h"
#include "ExConsts.h"
#include "ExExceptions.h"
#include "Intro.h"
#include "Main.h"
#include "Consultation.h"
#include "DialogStacking.h"

using quorvel::TMsgButtons;
using quorvel::TMsgKind;
using quorvel::TMsgResult;

namespace {

constexpr const char* kNoRulesYet = "Crie algumas regra antes!";
constexpr const char* kNoQuestionWindow =
    "A consulta precisa fazer uma pergunta, mas a janela de perguntas não está disponível.";

std::string FileSystemName(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The files a base's name may stand for, in the order they are tried: a name
// with an extension is taken as it is; one without is tried as given, then
// with ".bcm", then with ".BCM" (file names are case-sensitive here).
QStringList BaseFileCandidates(const QString& name) {
    if (!QFileInfo(name).suffix().isEmpty()) return {name};
    return {name, name + QStringLiteral(".bcm"), name + QStringLiteral(".BCM")};
}

}  // namespace

bool TfrmMain::ConsultationRunning() const { return expertSystem_->Running; }

void TfrmMain::Guarded(const std::function<void()>& what) {
    try {
        what();
    } catch (const std::exception& error) {
        sink_->ShowMessage(TMsgKind::Error, TMsgButtons::Ok, quorvel::ShownErrorText(*expertSystem_, error));
    }
}

// ---------------------------------------------------------- rule-base window

bool TfrmMain::CloseBaseWindow() {
    if (!baseWindow_) return true;
    baseWindow_->close();
    return !BaseOpen;
}

void TfrmMain::BaseWindowCreated(TfrmBase* window) {
    baseWindow_ = window;
    BaseOpen = true;
    connect(window, &TfrmBase::ruleCommandsChanged, this, &TfrmMain::BaseRuleCommandsChanged);
    connect(window, &TfrmBase::ruleSelected, this, &TfrmMain::BaseRuleSelected);
    connect(window, &TfrmBase::commandsChanged, this, &TfrmMain::MirrorBaseButtons);
    ShowBaseMenus();
}

void TfrmMain::BaseWindowClosed(TfrmBase* window, bool countAsRecent) {
    if (baseWindow_ != window) return;
    TBaseLock::Of(*this).Release();
    HideBaseMenus();
    if (countAsRecent) {
        UpdateRecentFiles();
        LoadRecentFiles();
    }
    for (QAction* command : {mnuSave, mnuSaveAs, btnGo, btnStep, btnSave, btnPrint, btnWatch, btnAddVars,
                             btnLastQuestion, mnuLastQuestion, btnPause, btnStop, mnuExecute->menuAction(),
                             mnuWindow->menuAction(), mnuEdit->menuAction(), mnuDebug->menuAction()})
        command->setEnabled(false);
    DisableBaseButtons();
    baseWindow_ = nullptr;
    BaseOpen = false;
}

void TfrmMain::ShowBaseMenus() {
    for (QAction* item : {mnuEdit->menuAction(), mnuExecute->menuAction(), mnuDebug->menuAction(),
                          mnuWindow->menuAction(), mnuSystem->menuAction(), lineOptions, mnuOptions})
        item->setVisible(true);
    mnuOptions->setEnabled(true);
}

void TfrmMain::HideBaseMenus() {
    for (QAction* item : {mnuEdit->menuAction(), mnuExecute->menuAction(), mnuDebug->menuAction(),
                          mnuWindow->menuAction(), mnuSystem->menuAction(), lineOptions, mnuOptions})
        item->setVisible(false);
    for (QAction* item : {mnuOptions, mnuPrint, mnuExport->menuAction()}) item->setEnabled(false);
}

void TfrmMain::SetBaseCaptionFromFile() {
    if (baseWindow_) baseWindow_->setWindowTitle(QFileInfo(CurrentFile).fileName());
}

// ------------------------------------------------------------------- New

void TfrmMain::btnNewClick() {
    if (ConsultationRunning()) return;
    if (BaseOpen && !CloseBaseWindow()) return;
    CurrentFile.clear();
    auto* window = new TfrmBase(*this);
    window->RefillRules();
    window->setWindowTitle(QString::fromUtf8(quorvel::msg::NewBaseName));
    window->show();
    SetEditingCommands();
    if (window->RuleCount() > 0) window->SelectFirstRule();
    MirrorBaseButtons();
}

// ------------------------------------------------------------------ Open

void TfrmMain::btnOpenClick() {
    if (ConsultationRunning()) return;
    QFileDialog* dialog = DialogOpen();
    SetDialogFolder(dialog);
    dialog->selectFile(QString());
    if (quorvel::gui::ExecModal(*dialog) != QDialog::Accepted) return;
    const QStringList chosen = dialog->selectedFiles();
    if (!chosen.isEmpty()) OpenBase(chosen.front());
}

bool TfrmMain::OpenBase(const QString& name) {
    if (ConsultationRunning() || name.isEmpty()) return false;
    const QStringList tried = BaseFileCandidates(name);
    const auto found = std::find_if(tried.begin(), tried.end(), [](const QString& candidate) {
        const QFileInfo file(candidate);
        return file.exists() && !file.isDir();
    });
    if (found == tried.end()) {
        // The base that is open (if any) stays open with its own file.
        QStringList paths;
        for (const QString& candidate : tried)
            paths << QDir::toNativeSeparators(QFileInfo(candidate).absoluteFilePath());
        sink_->ShowMessage(TMsgKind::Error, TMsgButtons::Ok,
                           ("Arquivo inexistente!\n" + paths.join(QLatin1Char('\n'))).toStdString());
        if (!BaseOpen) CurrentFile.clear();
        return false;
    }
    const QFileInfo file(*found);
    const QString fullPath = file.absoluteFilePath();
    // A text is compiled first: one with errors leaves the open base as it was.
    const bool isText = quorvel::gui::IsBaseTextPath(fullPath);
    std::vector<uint8_t> compiled;
    if (isText && !quorvel::gui::CompileBaseText(this, *sink_, fullPath, compiled)) return false;
    TBaseLock& lock = TBaseLock::Of(*this);
    const TBaseLock::TOpening opening = lock.Prepare(this, fullPath);
    if (opening == TBaseLock::TOpening::Refused || (BaseOpen && !CloseBaseWindow())) {
        lock.Abandon();
        return false;
    }

    CurrentFile = fullPath;
    quorvel::TExpertSystem& engine = *expertSystem_;
    if (isText)
        engine.SetFileNameFromBytes(FileSystemName(fullPath), compiled);
    else
        engine.SetFileName(FileSystemName(fullPath));

    if (!engine.FileName().empty()) {
        lock.Opened();
        // Open in another workbench: this one may read the base but not write it.
        const bool readOnly = opening == TBaseLock::TOpening::ReadOnly && engine.AccessLevel == quorvel::kAccessFull;
        if (readOnly) engine.AccessLevel = quorvel::kAccessConsultAndView;
        baseWindow_->setWindowTitle(readOnly ? file.fileName() + QStringLiteral(" (somente leitura)") : file.fileName());
        baseWindow_->RefillRules();
        if (baseWindow_->RuleCount() > 0) baseWindow_->SelectFirstRule();
        if (engine.Vars().Count() > 0) baseWindow_->Command(TBaseCommand::NewRule)->setEnabled(true);
        SetEditingCommands();
        MirrorBaseButtons();
        UpdateRecentFiles();
        LoadRecentFiles();
        if (engine.AccessLevel == quorvel::kAccessConsultOnly) {
            for (QAction* command : {btnStep,
                                     btnAddVars,
                                     btnWatch,
                                     btnPrint,
                                     mnuPrint,
                                     btnOpenRule,
                                     btnNewRule,
                                     btnDelete,
                                     btnVars,
                                     btnView,
                                     btnQuestions,
                                     btnTargets,
                                     btnInfo,
                                     mnuOptions,
                                     mnuDebug->menuAction(),
                                     mnuWindow->menuAction(),
                                     btnSave,
                                     mnuSave,
                                     mnuSaveAs,
                                     mnuExport->menuAction(),
                                     mnuSystem->menuAction()})
                command->setEnabled(false);
        }
        if (engine.AccessLevel == quorvel::kAccessConsultAndView)
            for (QAction* command : {btnSave, mnuSave, mnuSaveAs}) command->setEnabled(false);
        return true;
    }

    // The load failed: a window made for it while the password was settled
    // holds nothing and goes away; no base is open, so no file is current.
    lock.Abandon();
    if (baseWindow_) {
        baseWindow_->DropWithoutQuery();
        baseWindow_->close();
    }
    CurrentFile.clear();
    switch (engine.LastLoadStatus()) {
        case quorvel::TLoadStatus::CannotOpen:
            sink_->ShowMessage(TMsgKind::Error, TMsgButtons::Ok,
                               QStringLiteral("Não foi possível ler o arquivo %1.").arg(fullPath).toStdString());
            break;
        case quorvel::TLoadStatus::NewerVersion:
            // The loader has said that a newer version is needed.
            break;
        default:
            if (engine.AccessLevel == quorvel::kAccessNotABase)
                sink_->ShowMessage(TMsgKind::Error, TMsgButtons::Ok, "Este arquivo não é um arquivo Quorvel!");
            break;
    }
    if (engine.AccessLevel == quorvel::kAccessDamaged)
        sink_->ShowMessage(TMsgKind::Error, TMsgButtons::Ok, "Este arquivo Quorvel está danificado!");
    return false;
}

// The loader has settled the password: the rule-base window is made for the
// base being read. Making it clears the base, so the password block and the
// access level just read are put back.
void TfrmMain::AfterCheckPassword(quorvel::TExpertSystem& engine) {
    const quorvel::TPasswordBlock block = engine.PasswordBlock;
    const int32_t level = engine.AccessLevel;
    auto* window = new TfrmBase(*this);
    window->setWindowTitle(QStringLiteral("Aguarde..."));
    window->show();
    window->repaint();
    engine.PasswordBlock = block;
    engine.AccessLevel = level;
    if (level == quorvel::kAccessConsultOnly) {
        window->showMinimized();
        window->setEnabled(false);
    }
}

// ------------------------------------------------------------------- Save

QString TfrmMain::ChooseSaveFile() {
    QFileDialog* dialog = DialogSave();
    SetDialogFolder(dialog);
    dialog->selectFile(QStringLiteral("semnome.bcm"));
    if (quorvel::gui::ExecModal(*dialog) != QDialog::Accepted) return {};
    const QStringList chosen = dialog->selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}

// Writes the base; on failure the reason is shown and nothing of the
// workbench's state changes.
bool TfrmMain::SaveTo(const QString& path) {
    std::string error;
    const auto outcome = quorvel::gui::SaveBaseFile(*expertSystem_, *sink_, path, error);
    if (outcome == quorvel::gui::TSaveOutcome::Failed)
        sink_->ShowMessage(TMsgKind::Error, TMsgButtons::Ok, "A base não foi salva: " + error);
    if (outcome != quorvel::gui::TSaveOutcome::Saved) return false;
    if (baseWindow_) baseWindow_->SetModified(false);
    return true;
}

bool TfrmMain::btnSaveClick() {
    if (!baseWindow_ || ConsultationRunning()) return false;
    // A base opened without its password may be changed on screen but not written.
    if (!expertSystem_->MayBeAltered()) {
        sink_->ShowMessage(TMsgKind::Information, TMsgButtons::Ok,
                           "Lembre-se de que você não tem permissão para alterar esta base de conhecimento!");
        baseWindow_->SetSaveCancelled(true);
        return false;
    }
    if (CurrentFile.isEmpty()) {
        const QString path = ChooseSaveFile();
        if (path.isEmpty()) {
            baseWindow_->SetSaveCancelled(true);
            return false;
        }
        if (!SaveTo(path)) {
            baseWindow_->SetSaveCancelled(true);
            return false;
        }
        CurrentFile = QFileInfo(path).absoluteFilePath();
        TBaseLock::Of(*this).MovedTo(CurrentFile);
        UpdateRecentFiles();
        LoadRecentFiles();
        SetBaseCaptionFromFile();
        return true;
    }
    if (expertSystem_->Version != "1.1") {
        const TMsgResult answer = sink_->ShowMessage(
            TMsgKind::Confirmation, TMsgButtons::YesNoCancel,
            "O arquivo atual é de uma versão anterior do Quorvel. Deseja convertê-lo para Quorvel 1.1?");
        if (answer == TMsgResult::Cancel) {
            baseWindow_->SetSaveCancelled(true);
            return false;
        }
        if (answer == TMsgResult::Yes) {
            const std::string oldVersion = expertSystem_->Version;
            expertSystem_->Version = "1.1";
            if (!SaveTo(CurrentFile)) {
                expertSystem_->Version = oldVersion;
                baseWindow_->SetSaveCancelled(true);
                return false;
            }
            UpdateRecentFiles();
            LoadRecentFiles();
            return true;
        }
    }
    if (!SaveTo(CurrentFile)) {
        baseWindow_->SetSaveCancelled(true);
        return false;
    }
    UpdateRecentFiles();
    LoadRecentFiles();
    return true;
}

bool TfrmMain::mnuSaveAsClick() {
    if (!baseWindow_ || ConsultationRunning()) return false;
    if (!expertSystem_->MayBeAltered()) return false;
    const QString path = ChooseSaveFile();
    if (path.isEmpty() || !SaveTo(path)) return false;
    CurrentFile = QFileInfo(path).absoluteFilePath();
    TBaseLock::Of(*this).MovedTo(CurrentFile);
    SetBaseCaptionFromFile();
    return true;
}

// ------------------------------------------------------------ command sets

void TfrmMain::SetEditingCommands() {
    const int32_t level = expertSystem_->AccessLevel;
    for (QAction* command : {mnuFile->menuAction(), mnuShow->menuAction(), btnNew, btnOpen}) command->setEnabled(true);
    if (level == quorvel::kAccessFull)
        for (QAction* command : {btnSave, mnuSave, mnuSaveAs}) command->setEnabled(true);
    if (level != quorvel::kAccessConsultOnly)
        for (QAction* command : {mnuWindow->menuAction(), mnuSystem->menuAction(), mnuEdit->menuAction(), btnPrint,
                                 mnuPrint, mnuExport->menuAction(), mnuDependencies})
            command->setEnabled(true);
    SetIdleConsultCommands();
}

void TfrmMain::SetIdleConsultCommands() {
    btnGo->setEnabled(true);
    for (QAction* command : {btnLastQuestion, mnuLastQuestion, btnPause, btnStop}) command->setEnabled(false);
    if (expertSystem_->AccessLevel != quorvel::kAccessConsultOnly)
        for (QAction* command : {btnStep, mnuDebug->menuAction(), mnuStep, mnuWatch, mnuAdd, btnWatch, btnAddVars})
            command->setEnabled(true);
    mnuBarBreak->setVisible(false);
    mnuBreak->setVisible(false);
    mnuExecute->menuAction()->setEnabled(true);
    mnuStart->setText(QStringLiteral("&Iniciar"));
    mnuStart->setStatusTip(QStringLiteral("Inicia uma consulta ao sistema especialista."));
    mnuStart->setEnabled(true);
    SetButtonHint(btnGo, QStringLiteral("Iniciar|Inicia uma consulta ao sistema especialista."));
    mnuFinish->setEnabled(false);
}

void TfrmMain::SetConsultingCommands() {
    for (QAction* command : {mnuFile->menuAction(), mnuSystem->menuAction(), mnuWindow->menuAction(),
                             mnuEdit->menuAction(), mnuShow->menuAction(), btnNew, btnOpen, btnSave, mnuSave, mnuSaveAs,
                             btnPrint, mnuPrint, mnuExport->menuAction(), mnuDependencies})
        command->setEnabled(false);
}

void TfrmMain::SetRunningCommands() {
    btnGo->setEnabled(false);
    if (expertSystem_->AccessLevel != quorvel::kAccessConsultOnly) {
        btnPause->setEnabled(true);
        mnuBarBreak->setVisible(true);
        mnuBreak->setVisible(true);
        mnuBreak->setEnabled(true);
    }
    btnStop->setEnabled(true);
    btnStep->setEnabled(false);
    mnuStep->setEnabled(false);
    mnuFinish->setEnabled(true);
    mnuStart->setText(QStringLiteral("&Continuar"));
    mnuStart->setStatusTip(QStringLiteral("Dá prosseguimento à consulta."));
    mnuStart->setEnabled(false);
    SetButtonHint(btnGo, QStringLiteral("Continuar|Dá prosseguimento à consulta."));
}

void TfrmMain::SetPausedCommands() {
    btnPause->setEnabled(false);
    mnuBreak->setEnabled(false);
    for (QAction* command : {btnGo, btnStep, mnuStep, mnuStart}) command->setEnabled(true);
}

void TfrmMain::MirrorBaseButtons() {
    if (!baseWindow_) {
        DisableBaseButtons();
        return;
    }
    for (const auto& [button, which] : BaseCommandButtons()) button->setEnabled(baseWindow_->CommandAvailable(which));
}

void TfrmMain::BaseRuleCommandsChanged(bool enabled) {
    for (QAction* command : {btnWatch, btnOpenRule, btnView, btnDelete, btnGo, btnStep}) command->setEnabled(enabled);
    // Printing needs no rule: the print button keeps its state when the last rule goes.
    if (enabled) btnPrint->setEnabled(true);
    mnuExecute->menuAction()->setEnabled(enabled);
    mnuDebug->menuAction()->setEnabled(enabled);
}

void TfrmMain::BaseRuleSelected(int number) {
    const QString shown = number > 0 ? QStringLiteral(" %1").arg(number) : QString();
    SetButtonHint(btnOpenRule, QStringLiteral("Abrir Regra%1|Abre uma regra selecionada para edição.").arg(shown));
    SetButtonHint(btnDelete, QStringLiteral("Excluir Regra%1|Exclui a regra selecionada na lista.").arg(shown));
}

void TfrmMain::DisableBaseButtons() {
    for (const auto& [button, which] : BaseCommandButtons()) button->setEnabled(false);
}

// ----------------------------------------------------------- consultation

void TfrmMain::TurnOnExecutionMode() {
    quorvel::TExpertSystem& engine = *expertSystem_;
    if (!baseWindow_) return;
    if (engine.Heads().Count() == 0) {
        sink_->ShowMessage(TMsgKind::Information, TMsgButtons::Ok, kNoRulesYet);
        return;
    }
    if (engine.Running && engine.Paused) {
        HideTraceWindow();
        SetRunningCommands();
        Guarded([&engine] { engine.Resume(); });
        return;
    }
    if (engine.Running) return;
    SetConsultingCommands();
    SetRunningCommands();
    HideTraceWindow();
    Guarded([&engine] { engine.Start(); });
    // A consultation that could not even begin fired no OnFinish.
    if (!engine.Running && !btnNew->isEnabled()) ExpertSystemFinish(engine);
}

void TfrmMain::btnPauseClick() {
    quorvel::TExpertSystem& engine = *expertSystem_;
    if (!engine.Running || engine.Paused || engine.AccessLevel == quorvel::kAccessConsultOnly) return;
    SetPausedCommands();
    ShowTraceWindow();
    Guarded([&engine] { engine.Pause(); });
}

void TfrmMain::btnStopClick() { expertSystem_->Stop(); }

// Step from idle starts a consultation in step mode: it is a running
// consultation like any other, so the commands that would change the base
// under it are put away first.
void TfrmMain::ExecuteStep() {
    quorvel::TExpertSystem& engine = *expertSystem_;
    if (!baseWindow_ || engine.AccessLevel == quorvel::kAccessConsultOnly) return;
    ShowTraceWindow();
    if (!engine.Running) {
        if (engine.Heads().Count() == 0) {
            sink_->ShowMessage(TMsgKind::Information, TMsgButtons::Ok, kNoRulesYet);
            return;
        }
        SetConsultingCommands();
        SetRunningCommands();
        SetPausedCommands();
        Guarded([&engine] { engine.ExecuteStep(); });
        if (!engine.Running && !btnNew->isEnabled()) ExpertSystemFinish(engine);
        return;
    }
    Guarded([&engine] { engine.ExecuteStep(); });
}

void TfrmMain::BackToLastQuestion() {
    quorvel::TExpertSystem& engine = *expertSystem_;
    engine.BackToLastQuestion();
    if (engine.QuestionCount == 0) {
        btnLastQuestion->setEnabled(false);
        mnuLastQuestion->setEnabled(false);
    }
}

void TfrmMain::btnWatchClick() { ShowWatchWindow(); }

void TfrmMain::mnuAddClick() { ShowAddWatchDialog(); }

// ----------------------------------------------------------- engine events

void TfrmMain::AssignEngineEvents() {
    quorvel::TExpertSystem& engine = *expertSystem_;
    engine.AfterCheckPassword = [this](quorvel::TExpertSystem& e) { AfterCheckPassword(e); };
    engine.OnStart = [this](quorvel::TExpertSystem& e) { ExpertSystemStart(e); };
    engine.OnPrompt = [this](quorvel::TExpertSystem& e, int32_t varCode) { ExpertSystemPrompt(e, varCode); };
    engine.OnShowResults = [this](quorvel::TExpertSystem& e, int32_t varCode) { ExpertSystemShowResults(e, varCode); };
    engine.OnFinish = [this](quorvel::TExpertSystem& e) { ExpertSystemFinish(e); };
}

void TfrmMain::ExpertSystemStart(quorvel::TExpertSystem& engine) {
    consultation_->SetBaseFile(CurrentFile);
    RefillConsultationViews();
    for (QMdiSubWindow* child : mdiArea_->subWindowList()) child->setEnabled(false);
    DisableBaseButtons();
    if (engine.ShowOpening) ShowIntroduction(this, engine, CurrentFile);
}

void TfrmMain::ExpertSystemFinish(quorvel::TExpertSystem& engine) {
    if (engine.AccessLevel != quorvel::kAccessConsultOnly) {
        for (QMdiSubWindow* child : mdiArea_->subWindowList()) child->setEnabled(true);
        MirrorBaseButtons();
    }
    CloseWatchWindow();
    consultation_->CloseTrace();
    SetEditingCommands();
}

void TfrmMain::ExpertSystemPrompt(quorvel::TExpertSystem& engine, int32_t varCode) {
    const bool back = engine.QuestionCount > 0;
    btnLastQuestion->setEnabled(back);
    mnuLastQuestion->setEnabled(back);
    engine.ShowQuestion(varCode);
    // Without a question window nobody could ever answer: the consultation
    // ends here instead of waiting for ever.
    if (!engine.QuestionDialog()) throw quorvel::EExpertSystem(kNoQuestionWindow);
}

void TfrmMain::ExpertSystemShowResults(quorvel::TExpertSystem& /*engine*/, int32_t varCode) {
    ShowResultsWindow(varCode);
}
