// TConsultationWindows: everything a frame needs to run consultations of one
// engine in windows. It creates and owns the results window, the trace
// window, the watch window and the add-watch dialog, gives the engine the
// run-time question dialog and the nested event loop it waits in, and
// offers the consultation commands and the engine-event handlers of the
// workbench, so that a frame's menus and toolbars only have to call them.
//
// A frame that handles the engine's events itself (the main window, which
// also switches its command sets) calls the window parts instead: RefillViews
// on OnStart, ShowResults on OnShowResults, ShowTrace/HideTrace/CloseTrace,
// ShowWatch/CloseWatch and ShowAddWatch.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "EventLoop.h"
#include "ExEvents.h"
#include "ExMessages.h"
#include "RunTime.h"

namespace quorvel {
class TExpertSystem;
}

class QWidget;
class TdialogAddVars;
class TfrmResults;
class TfrmTrace;
class TfrmWatch;

class TConsultationWindows : public QObject {
    Q_OBJECT

public:
    // `frame` parents the windows and the question dialog; its MDI children
    // are locked while a consultation runs. `sink` shows the commands'
    // messages (by default the engine's sink at the time).
    TConsultationWindows(quorvel::TExpertSystem& engine, QWidget* frame, quorvel::IMessageSink* sink = nullptr);
    ~TConsultationWindows() override;
    TConsultationWindows(const TConsultationWindows&) = delete;
    TConsultationWindows& operator=(const TConsultationWindows&) = delete;

    // Makes the handlers below the engine's OnStart, OnPrompt, OnShowResults
    // and OnFinish, for a frame without handlers of its own.
    void AssignEngineEvents();
    // The open base's file: its help file and opening screen are found beside it.
    void SetBaseFile(const QString& baseFile);
    const QString& BaseFile() const { return baseFile_; }

    // ---- consultation commands
    // Start, or Continue when paused.
    void TurnOnExecutionMode();
    void btnPauseClick();
    void btnStopClick();
    // Step: from idle it starts a consultation in step mode.
    void ExecuteStep();
    void BackToLastQuestion();
    void btnWatchClick();
    void mnuAddClick();

    // ---- engine event handlers
    void ExpertSystemStart(quorvel::TExpertSystem& engine);
    void ExpertSystemFinish(quorvel::TExpertSystem& engine);
    void ExpertSystemPrompt(quorvel::TExpertSystem& engine, int32_t varCode);
    void ExpertSystemShowResults(quorvel::TExpertSystem& engine, int32_t varCode);

    // ---- the window parts
    // OnStart: the trace panel and the results' rule view refilled, the
    // consultation tree emptied.
    void RefillViews();
    // OnShowResults: the results window filled for the target and shown modally.
    void ShowResults(int32_t varCode);
    // Pause and Step show the trace window; Start and Continue hide it; the end closes it.
    void ShowTrace();
    void HideTrace();
    void CloseTrace();
    // Watch shows the watch window (modeless); the end closes it.
    void ShowWatch();
    void CloseWatch();
    // Add shows the add-watch dialog modally.
    void ShowAddWatch();
    // The frame's MDI children: locked during a consultation.
    void LockChildren(bool locked);

    // Whether "Voltar pergunta" may be used: set on each question, cleared
    // when going back reaches the first question of the target.
    bool BackEnabled() const { return backEnabled_; }
    // The question dialog of the running consultation, or null.
    TRunTime* QuestionWindow() const { return questionWindow_.data(); }
    quorvel::TExpertSystem& ExpertSystem() const { return engine_; }

    TfrmResults* frmResults = nullptr;
    TfrmTrace* frmTrace = nullptr;
    TfrmWatch* frmWatch = nullptr;
    TdialogAddVars* dialogAddVars = nullptr;

signals:
    void backEnabledChanged(bool enabled);
    void consultationStarted();
    void consultationFinished();
    // Closing the trace window let a paused consultation go on.
    void consultationResumed();
    // The engine's state changed (start, answer, pause, step, back, end).
    void stateChanged();

private:
    friend class TConsultationLink;
    quorvel::IMessageSink& Sink() const;
    void SetBackEnabled(bool enabled);
    bool NoConclusions();
    // Runs an engine operation; an error it raises is shown to the user.
    void Guarded(const std::function<void()>& operation);

    quorvel::TExpertSystem& engine_;
    QPointer<QWidget> frame_;
    quorvel::IMessageSink* sink_;
    TQtMessageLoop messageLoop_;
    std::unique_ptr<quorvel::TExCtrlInterface> link_;
    bool engineAlive_ = true;
    QPointer<TRunTime> questionWindow_;
    std::vector<QPointer<QWidget>> owned_;
    QString baseFile_;
    bool backEnabled_ = false;
};
