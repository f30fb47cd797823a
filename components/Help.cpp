#include "Help.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <algorithm>

#include "MessageBoxSink.h"

// The manual is bound into the library; a static library needs its
// resources registered by hand (outside any namespace).
static void InitHelpResources() { Q_INIT_RESOURCE(help); }

namespace quorvel::gui {

using quorvel::TMsgButtons;
using quorvel::TMsgKind;

namespace {

const char* const kContextProperty = "quorvelHelpContext";
const QString kManual = QStringLiteral(":/help/quorvel.html");
constexpr int kTopicRole = Qt::UserRole + 1;

// Lower case without accents, so that "formula" finds "Fórmulas".
QString Fold(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing) folded += c;
    return folded.toCaseFolded();
}

// A help file named .hlp may be an old binary help file that no HTML viewer
// can show; it is taken only when it is text.
bool IsTextFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    return !file.read(4096).contains('\0');
}

// The file itself, or, on a case-sensitive file system, the one file of
// its folder whose name differs only in case (bases written elsewhere store
// names such as "AJUDA.HTM").
QString ExistingFile(const QString& path) {
    const QFileInfo info(path);
    if (info.isFile()) return info.absoluteFilePath();
    const QDir dir = info.absoluteDir();
    if (!dir.exists()) return {};
    const QStringList names = dir.entryList(QDir::Files);
    for (const QString& name : names)
        if (name.compare(info.fileName(), Qt::CaseInsensitive) == 0) return dir.absoluteFilePath(name);
    return {};
}

bool HasHlpSuffix(const QString& path) { return path.endsWith(QStringLiteral(".hlp"), Qt::CaseInsensitive); }

QString CannotShow(const QString& file) {
    return QStringLiteral("Não foi possível abrir o arquivo de ajuda \"%1\".").arg(QDir::toNativeSeparators(file));
}

QPointer<THelpViewer>& ViewerSlot() {
    static QPointer<THelpViewer> viewer;
    return viewer;
}

// The viewer, made a child window of the modal dialog in use, if any: a
// modal dialog blocks every window but its own children.
THelpViewer* OpenViewer() {
    QPointer<THelpViewer>& viewer = ViewerSlot();
    QWidget* modal = QApplication::activeModalWidget();
    if (viewer.isNull()) {
        viewer = new THelpViewer(modal);
        viewer->setAttribute(Qt::WA_QuitOnClose, false);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { delete ViewerSlot().data(); });
    } else if (viewer->parentWidget() != modal && modal != viewer) {
        const QRect geometry = viewer->geometry();
        viewer->setParent(modal, Qt::Window);
        viewer->setGeometry(geometry);
    }
    return viewer;
}

bool Present(QWidget* parent, const QString& helpFile) {
    if (helpFile.isEmpty() || !QFileInfo::exists(helpFile)) {
        ShowMessage(parent, TMsgKind::Error, TMsgButtons::Ok, CannotShow(helpFile));
        return false;
    }
    THelpViewer* viewer = OpenViewer();
    if (!viewer->LoadFile(helpFile)) {
        ShowMessage(parent, TMsgKind::Error, TMsgButtons::Ok, CannotShow(helpFile));
        return false;
    }
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return true;
}

}  // namespace

QString ProgramHelpFile() {
    InitHelpResources();
    return QFileInfo::exists(kManual) ? kManual : QString();
}

QString ResolveBaseHelpFile(const QString& storedName, const QString& baseFile) {
    const QString stored = storedName.trimmed();
    if (stored.isEmpty()) return {};
    // Bases written on Windows keep "C:\AJUDA\BASE.HLP": the folder part is
    // taken with either separator.
    const QString portable = QString(stored).replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString bareName = portable.section(QLatin1Char('/'), -1);
    QStringList candidates;
    candidates << portable;
    if (!baseFile.isEmpty()) {
        const QDir baseDir = QFileInfo(baseFile).absoluteDir();
        if (QDir::isRelativePath(portable)) candidates << baseDir.filePath(portable);
        candidates << baseDir.filePath(bareName);
    }
    QStringList ordered;
    for (const QString& candidate : candidates)
        if (!ordered.contains(candidate)) ordered << candidate;
    for (const QString& candidate : ordered) {
        const QString found = ExistingFile(candidate);
        if (!found.isEmpty() && (!HasHlpSuffix(found) || IsTextFile(found))) return found;
    }
    for (const QString& candidate : ordered) {
        if (!HasHlpSuffix(candidate)) continue;
        const QString stem = candidate.left(candidate.size() - 4);
        for (const QString& suffix : {QStringLiteral(".html"), QStringLiteral(".htm")}) {
            const QString found = ExistingFile(stem + suffix);
            if (!found.isEmpty()) return found;
        }
    }
    return {};
}

bool ShowHelpContents(QWidget* parent, const QString& helpFile) {
    if (!Present(parent, helpFile)) return false;
    THelpViewer* viewer = HelpViewer();
    viewer->GoToTopic(0);
    viewer->ShowContentsPage();
    return true;
}

bool ShowHelpContext(QWidget* parent, const QString& helpFile, int context) {
    if (!Present(parent, helpFile)) return false;
    HelpViewer()->GoToContext(context);
    return true;
}

bool ShowHelpSearch(QWidget* parent, const QString& helpFile) {
    if (!Present(parent, helpFile)) return false;
    HelpViewer()->ShowSearchPage();
    return true;
}

bool ShowHelpOnHelp(QWidget* parent) { return ShowHelpContext(parent, ProgramHelpFile(), help::kUsingHelp); }

bool ShowBaseHelp(QWidget* parent, const QString& storedName, const QString& baseFile, int context) {
    const QString file = ResolveBaseHelpFile(storedName, baseFile);
    if (file.isEmpty()) {
        ShowMessage(parent, TMsgKind::Error, TMsgButtons::Ok,
                    QStringLiteral("O arquivo de ajuda \"%1\" não foi encontrado. Ele foi procurado como está gravado "
                                   "na base, na pasta da base e com a extensão .html ou .htm no lugar de .hlp.")
                        .arg(storedName));
        return false;
    }
    return context == 0 ? ShowHelpContents(parent, file) : ShowHelpContext(parent, file, context);
}

void SetHelpContext(QWidget* widget, int context) { widget->setProperty(kContextProperty, context); }

int HelpContextOf(const QWidget* widget) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        const QVariant context = widget->property(kContextProperty);
        if (context.isValid() && context.toInt() != 0) return context.toInt();
    }
    return 0;
}

bool ShowHelpFor(QWidget* widget) {
    const int context = HelpContextOf(widget);
    const QString manual = ProgramHelpFile();
    return context == 0 ? ShowHelpContents(widget, manual) : ShowHelpContext(widget, manual, context);
}

void InstallHelpKey(QWidget* window, int context) {
    SetHelpContext(window, context);
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), window);
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, window, [window] {
        QWidget* focus = window->focusWidget();
        ShowHelpFor(focus != nullptr ? focus : window);
    });
}

THelpViewer* HelpViewer() { return ViewerSlot().data(); }

// ---------------------------------------------------------------- the viewer

THelpViewer::THelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Ajuda do Quorvel"));
    SetHelpContext(this, help::kUsingHelp);

    auto* back = new QToolButton(this);
    auto* forward = new QToolButton(this);
    auto* home = new QToolButton(this);
    back->setText(QStringLiteral("< &Voltar"));
    forward->setText(QStringLiteral("A&vançar >"));
    home->setText(QStringLiteral("&Início"));
    back->setToolTip(QStringLiteral("Volta à página vista antes."));
    forward->setToolTip(QStringLiteral("Avança para a página de onde se voltou."));
    home->setToolTip(QStringLiteral("Mostra o início do arquivo de ajuda."));
    back->setEnabled(false);
    forward->setEnabled(false);
    auto* tools = new QHBoxLayout;
    tools->addWidget(back);
    tools->addWidget(forward);
    tools->addWidget(home);
    tools->addStretch(1);

    Tabs = new QTabWidget(this);
    ContentsTree = new QTreeWidget(Tabs);
    ContentsTree->setHeaderHidden(true);
    Tabs->addTab(ContentsTree, QStringLiteral("&Conteúdo"));

    auto* searchPage = new QWidget(Tabs);
    auto* searchLabel = new QLabel(QStringLiteral("&Digite as palavras a procurar:"), searchPage);
    SearchEdit = new QLineEdit(searchPage);
    SearchEdit->setClearButtonEnabled(true);
    searchLabel->setBuddy(SearchEdit);
    SearchResults = new QListWidget(searchPage);
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->addWidget(searchLabel);
    searchLayout->addWidget(SearchEdit);
    searchLayout->addWidget(SearchResults, 1);
    Tabs->addTab(searchPage, QStringLiteral("&Procurar"));

    Browser = new QTextBrowser(this);
    Browser->setOpenExternalLinks(true);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(Tabs);
    splitter->addWidget(Browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({270, 630});

    Note = new QLabel(this);
    Note->setVisible(false);
    Note->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(splitter, 1);
    layout->addWidget(Note);
    resize(900, 600);

    connect(back, &QToolButton::clicked, Browser, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, Browser, &QTextBrowser::forward);
    connect(home, &QToolButton::clicked, this, [this] { GoToTopic(0); });
    connect(Browser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);
    connect(Browser, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) {
        // A link to another page of the same help makes it the current file.
        const QString shown = url.scheme() == QLatin1String("qrc") ? QLatin1Char(':') + url.path() : url.toLocalFile();
        if (!shown.isEmpty() && shown != file_) {
            file_ = shown;
            BuildTopics();
            FillContents();
            RunSearch();
        }
        SetPosition(anchors_.value(url.fragment(), 0));
    });
    connect(ContentsTree, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { GoToTopic(item->data(0, kTopicRole).toInt()); });
    connect(ContentsTree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { GoToTopic(item->data(0, kTopicRole).toInt()); });
    connect(SearchEdit, &QLineEdit::textChanged, this, &THelpViewer::RunSearch);
    connect(SearchEdit, &QLineEdit::returnPressed, this, [this] {
        if (SearchResults->count() > 0 && SearchResults->item(0)->data(kTopicRole).isValid())
            GoToTopic(SearchResults->item(0)->data(kTopicRole).toInt());
    });
    connect(SearchResults, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (item->data(kTopicRole).isValid()) GoToTopic(item->data(kTopicRole).toInt());
    });
    connect(SearchResults, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item->data(kTopicRole).isValid()) GoToTopic(item->data(kTopicRole).toInt());
    });
    auto* helpOnHelp = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(helpOnHelp, &QShortcut::activated, this, [this] { GoToContext(help::kUsingHelp); });
}

QUrl THelpViewer::UrlOf(const QString& file) const {
    if (file.startsWith(QLatin1String(":/"))) return QUrl(QStringLiteral("qrc") + file);
    return QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
}

bool THelpViewer::LoadFile(const QString& helpFile) {
    const QString path = helpFile.startsWith(QLatin1String(":/")) ? helpFile : QFileInfo(helpFile).absoluteFilePath();
    Note->setVisible(false);
    if (path == file_ && !Browser->document()->isEmpty()) return true;
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) return false;
    probe.close();
    file_ = path;
    Browser->clearHistory();
    Browser->setSource(UrlOf(path));
    BuildTopics();
    FillContents();
    RunSearch();
    const QString title = Browser->documentTitle();
    setWindowTitle(!title.isEmpty() ? title
                   : path == kManual ? QStringLiteral("Ajuda do Quorvel")
                                     : QStringLiteral("Ajuda - %1").arg(QFileInfo(path).fileName()));
    return true;
}

void THelpViewer::BuildTopics() {
    topics_.clear();
    anchors_.clear();
    position_ = 0;
    const QTextDocument* document = Browser->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        QString anchor;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QStringList names = it.fragment().charFormat().anchorNames();
            for (const QString& name : names)
                if (!anchors_.contains(name)) anchors_.insert(name, it.fragment().position());
            if (anchor.isEmpty() && !names.isEmpty()) anchor = names.first();
        }
        const int level = block.blockFormat().headingLevel();
        const QString text = block.text().simplified();
        if (level >= 1 && level <= 3 && !text.isEmpty()) {
            topics_.push_back({text, level, block.position(), anchor, Fold(text)});
        } else if (!topics_.empty()) {
            topics_.back().text += QLatin1Char(' ') + Fold(text);
        }
    }
}

void THelpViewer::FillContents() {
    ContentsTree->clear();
    QTreeWidgetItem* parents[4] = {nullptr, nullptr, nullptr, nullptr};
    for (std::size_t i = 0; i < topics_.size(); ++i) {
        const TTopic& topic = topics_[i];
        QTreeWidgetItem* parent = nullptr;
        for (int level = topic.level - 1; level >= 1 && parent == nullptr; --level) parent = parents[level];
        auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(ContentsTree);
        item->setText(0, topic.title);
        item->setData(0, kTopicRole, int(i));
        parents[topic.level] = item;
        for (int deeper = topic.level + 1; deeper <= 3; ++deeper) parents[deeper] = nullptr;
    }
    ContentsTree->expandToDepth(0);
}

std::vector<int> THelpViewer::Search(const QString& query) const {
    const QStringList words = Fold(query).split(QRegularExpression(QStringLiteral("[^\\w]+")), Qt::SkipEmptyParts);
    if (words.isEmpty()) return {};
    // Topics holding every word; those with more of the words in their
    // title come first, the rest in the order of the page.
    std::vector<std::pair<int, int>> found;  // (words in the title, topic)
    for (std::size_t i = 0; i < topics_.size(); ++i) {
        const TTopic& topic = topics_[i];
        const bool all = std::all_of(words.begin(), words.end(), [&](const QString& w) { return topic.text.contains(w); });
        if (!all) continue;
        const QString title = Fold(topic.title);
        const auto inTitle = std::count_if(words.begin(), words.end(), [&](const QString& w) { return title.contains(w); });
        found.emplace_back(int(inTitle), int(i));
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<int> topics;
    for (const auto& [inTitle, topic] : found) topics.push_back(topic);
    return topics;
}

void THelpViewer::RunSearch() {
    SearchResults->clear();
    if (SearchEdit->text().trimmed().isEmpty()) return;
    const std::vector<int> found = Search(SearchEdit->text());
    if (found.empty()) {
        SearchResults->addItem(QStringLiteral("Nenhum tópico contém essas palavras."));
        return;
    }
    for (const int index : found) {
        auto* item = new QListWidgetItem(topics_[std::size_t(index)].title, SearchResults);
        item->setData(kTopicRole, index);
    }
}

void THelpViewer::GoToTopic(int index) {
    Note->setVisible(false);
    if (index < 0 || std::size_t(index) >= topics_.size()) {
        SetPosition(0);
        Browser->verticalScrollBar()->setValue(0);
        return;
    }
    const TTopic& topic = topics_[std::size_t(index)];
    SetPosition(topic.position);
    if (!topic.anchor.isEmpty()) {
        QUrl url = UrlOf(file_);
        url.setFragment(topic.anchor);
        Browser->setSource(url);
        ScrollTo(topic.anchor);
        return;
    }
    const QTextBlock block = Browser->document()->findBlock(topic.position);
    QTextCursor cursor(block);
    Browser->setTextCursor(cursor);
    const QRectF box = Browser->document()->documentLayout()->blockBoundingRect(block);
    Browser->verticalScrollBar()->setValue(int(box.top()));
}

bool THelpViewer::GoToContext(int context) {
    const QString anchor = QString::number(context);
    if (!HasContext(context)) {
        SetPosition(0);
        Browser->verticalScrollBar()->setValue(0);
        Note->setText(QStringLiteral("O tópico de ajuda %1 não existe neste arquivo de ajuda; é mostrado o seu início.")
                          .arg(context));
        Note->setVisible(true);
        return false;
    }
    Note->setVisible(false);
    SetPosition(anchors_.value(anchor));
    QUrl url = UrlOf(file_);
    url.setFragment(anchor);
    Browser->setSource(url);
    ScrollTo(anchor);
    return true;
}

int THelpViewer::CurrentTopic() const {
    int current = -1;
    for (std::size_t i = 0; i < topics_.size() && topics_[i].position <= position_; ++i) current = int(i);
    return current;
}

// Remembers where the reader went and marks that topic in the contents.
void THelpViewer::SetPosition(int position) {
    position_ = position;
    const int topic = CurrentTopic();
    for (QTreeWidgetItemIterator it(ContentsTree); *it != nullptr; ++it) {
        if ((*it)->data(0, kTopicRole).toInt() != topic) continue;
        const QSignalBlocker quiet(ContentsTree);
        ContentsTree->setCurrentItem(*it);
        ContentsTree->scrollToItem(*it);
        return;
    }
}

// Scrolls now and once more when the window has been laid out: a window
// shown a moment ago may still change the width, and so the page's layout.
void THelpViewer::ScrollTo(const QString& anchor) {
    Browser->scrollToAnchor(anchor);
    QTimer::singleShot(0, this, [this, anchor] { Browser->scrollToAnchor(anchor); });
}

void THelpViewer::ShowContentsPage() { Tabs->setCurrentIndex(0); }

void THelpViewer::ShowSearchPage() {
    Tabs->setCurrentIndex(1);
    SearchEdit->setFocus();
    SearchEdit->selectAll();
}

}  // namespace quorvel::gui
