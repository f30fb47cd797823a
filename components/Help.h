// The help layer: help files are HTML pages shown in our own viewer, with
// contents, a keyword search and topics by context number (an element whose
// id is the number). The program's own manual stands for "QUORVEL.HLP".
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;

namespace quorvel::gui {

// Help context numbers of the program's manual: each window opens the topic
// whose element carries its number as id. The manual must keep them all.
namespace help {
inline constexpr int kMainWindow = 1;
inline constexpr int kRuleBase = 2;
inline constexpr int kRuleWindow = 3;  // also the rule line editor
inline constexpr int kVariables = 4;
inline constexpr int kTargets = 5;
inline constexpr int kInformation = 6;
inline constexpr int kRuleViewer = 7;
inline constexpr int kQuestions = 8;
inline constexpr int kAddWatch = 10;
inline constexpr int kNewRule = 50;
inline constexpr int kNewRuleModel = 51;
inline constexpr int kNewRuleOrder = 52;
inline constexpr int kNewRuleOk = 53;
inline constexpr int kNewRuleCancel = 54;
inline constexpr int kOptions = 100;
inline constexpr int kCreatePassword = 101;
inline constexpr int kPassword = 102;
inline constexpr int kDependencies = 103;
inline constexpr int kResults = 104;
inline constexpr int kTrace = 105;
inline constexpr int kWatch = 106;
inline constexpr int kIntroduction = 107;
inline constexpr int kTipOfTheDay = 108;
inline constexpr int kQuestionPrompt = 109;  // the run-time question dialog
inline constexpr int kWhy = 110;
inline constexpr int kPrint = 111;
inline constexpr int kExport = 112;
inline constexpr int kAbout = 113;
// Topics that explain ideas rather than windows.
inline constexpr int kConfidence = 200;
inline constexpr int kFormulas = 201;
inline constexpr int kConsultation = 202;
inline constexpr int kDebugging = 203;
inline constexpr int kPasswords = 204;
inline constexpr int kCommandLine = 205;
inline constexpr int kSettings = 206;
inline constexpr int kUsingHelp = 900;
}  // namespace help

// The program's manual (the installed HTML manual), or empty when missing.
QString ProgramHelpFile();
// A base's help file: as stored, then beside the base, then with .html/.htm
// in place of .hlp. Empty when none is found.
QString ResolveBaseHelpFile(const QString& storedName, const QString& baseFile);

// Each returns false (after telling the user) when the file cannot be shown.
bool ShowHelpContents(QWidget* parent, const QString& helpFile);
bool ShowHelpContext(QWidget* parent, const QString& helpFile, int context);
bool ShowHelpSearch(QWidget* parent, const QString& helpFile);
bool ShowHelpOnHelp(QWidget* parent);
// A base's help file (storedName as the base keeps it, looked up with
// ResolveBaseHelpFile) at a context, or its contents when context is 0.
// Tells the user when the file is not found.
bool ShowBaseHelp(QWidget* parent, const QString& storedName, const QString& baseFile, int context);

// F1: a window or control names its topic with SetHelpContext; the topic of
// a widget is its own or that of the nearest parent that has one (0: none).
void SetHelpContext(QWidget* widget, int context);
int HelpContextOf(const QWidget* widget);
// Opens the program's manual at the topic of the widget (its contents when
// the widget has no topic). For the F1 key of the main window and dialogs.
bool ShowHelpFor(QWidget* widget);
// Gives a dialog or window its topic and an F1 key that opens the topic of
// the focused control.
void InstallHelpKey(QWidget* window, int context);

// The help window: the page on the right; on the left the contents (the
// page's headings) and the search, which lists the topics holding every
// word typed, without regard to case or accents. A topic is a heading with
// the text up to the next heading.
class THelpViewer : public QWidget {
    Q_OBJECT

public:
    struct TTopic {
        QString title;
        int level = 1;     // 1 to 3, from h1 to h3
        int position = 0;  // in the document
        QString anchor;    // the heading's id or anchor name, if any
        QString text;      // title and body, folded for the search
    };

    explicit THelpViewer(QWidget* parent = nullptr);

    // Loads a help file (a no-op when it is the one shown). False when it
    // cannot be read.
    bool LoadFile(const QString& helpFile);
    // Goes to the element whose id is the number; false (with a note in the
    // window) when the page has none, the page then shown from the top.
    bool GoToContext(int context);
    void GoToTopic(int index);
    void ShowContentsPage();
    void ShowSearchPage();
    // The indexes of the topics that hold every word of the query, those
    // with the words in their title first.
    std::vector<int> Search(const QString& query) const;

    const QString& CurrentFile() const { return file_; }
    const std::vector<TTopic>& Topics() const { return topics_; }
    bool HasContext(int context) const { return anchors_.contains(QString::number(context)); }
    // The topic last gone to (by context, contents, search or a link): the
    // one holding its target; -1 when that lies before the first heading.
    int CurrentTopic() const;

    QTextBrowser* Browser = nullptr;
    QTabWidget* Tabs = nullptr;
    QTreeWidget* ContentsTree = nullptr;
    QLineEdit* SearchEdit = nullptr;
    QListWidget* SearchResults = nullptr;
    QLabel* Note = nullptr;

private:
    void BuildTopics();
    void FillContents();
    void RunSearch();
    QUrl UrlOf(const QString& file) const;

    void SetPosition(int position);
    void ScrollTo(const QString& anchor);

    QString file_;
    std::vector<TTopic> topics_;
    QHash<QString, int> anchors_;  // anchor name -> position in the document
    int position_ = 0;             // the target last gone to
};

// The viewer window, created by the first Show... call; null before.
THelpViewer* HelpViewer();

}  // namespace quorvel::gui
