// Knowledge bases kept as text (.bct) in the workbench: the file dialogs
// offer them beside .bcm files, opening one compiles it in memory (its errors
// are listed with their lines in TdialogTextErrors), and saving to a .bct
// name writes the text.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "ExBaseText.h"
#include "ExMessages.h"
#include "ExSystem.h"

class QFileDialog;
class QLabel;
class QPushButton;
class TCodeList;

namespace quorvel::gui {

// Whether a path names a base's text (.bct, in any letter case).
bool IsBaseTextPath(const QString& path);

// The name filters of the open and save dialogs: binary bases and texts.
// In the save dialog the default suffix follows the chosen filter.
void SetOpenBaseFilters(QFileDialog* dialog);
void SetSaveBaseFilters(QFileDialog* dialog);

// Reads and compiles a .bct file into the bytes of its .bcm file. When the
// file cannot be read or holds errors, they are shown (the errors in
// TdialogTextErrors, modal to `parent`) and false is returned.
bool CompileBaseText(QWidget* parent, IMessageSink& sink, const QString& path, std::vector<uint8_t>& bytes);

enum class TSaveOutcome { Saved, Failed, Cancelled };

// Writes the base to `path`: its text when the name ends in .bct (a
// protected base's password only if the user says so), else its .bcm file.
// Failed carries the reason in `error`; Cancelled when the user declined.
TSaveOutcome SaveBaseFile(TExpertSystem& engine, IMessageSink& sink, const QString& path, std::string& error);

}  // namespace quorvel::gui

// The errors of a base's text, one per row: "linha L, coluna C: message".
class TdialogTextErrors : public QDialog {
    Q_OBJECT

public:
    TdialogTextErrors(const QString& fileName, const std::vector<quorvel::TBaseTextError>& errors,
                      QWidget* parent = nullptr);

    QLabel* labelSummary = nullptr;
    TCodeList* listErrors = nullptr;
    QPushButton* OKBtn = nullptr;
};
