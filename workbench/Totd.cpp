#include "Totd.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadialGradient>
#include <QStringDecoder>
#include <QVBoxLayout>

#include "DataFiles.h"
#include "ExText.h"
#include "Help.h"
#include "DialogStacking.h"

namespace {

const QString kTipsFileName = QStringLiteral("QUORVEL.TIP");
constexpr int kMaxTipLength = 254;
constexpr int kMaxLineBreaks = 5;

// The light bulb beside the tip, drawn here so that it scales with the screen.
QPixmap BulbPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QRadialGradient glass(QPointF(s * 0.42, s * 0.32), s * 0.42);
    glass.setColorAt(0.0, QColor(255, 255, 220));
    glass.setColorAt(0.6, QColor(255, 226, 80));
    glass.setColorAt(1.0, QColor(230, 170, 20));
    QPainterPath bulb;
    bulb.addEllipse(QRectF(s * 0.18, s * 0.04, s * 0.64, s * 0.6));
    QPainterPath neck;
    neck.addRect(QRectF(s * 0.36, s * 0.5, s * 0.28, s * 0.18));
    p.setPen(QPen(QColor(150, 110, 0), s / 32.0));
    p.setBrush(glass);
    p.drawPath(bulb.united(neck));
    p.setPen(QPen(QColor(90, 90, 90), s / 40.0));
    p.setBrush(QColor(170, 170, 175));
    for (int i = 0; i < 3; ++i) p.drawRoundedRect(QRectF(s * 0.34, s * (0.68 + i * 0.08), s * 0.32, s * 0.07), 2, 2);
    p.setBrush(QColor(80, 80, 80));
    p.drawEllipse(QRectF(s * 0.43, s * 0.91, s * 0.14, s * 0.07));
    p.setPen(QPen(QColor(200, 120, 0), s / 28.0));
    p.drawLine(QPointF(s * 0.42, s * 0.5), QPointF(s * 0.47, s * 0.32));
    p.drawLine(QPointF(s * 0.58, s * 0.5), QPointF(s * 0.53, s * 0.32));
    return pixmap;
}

QString TitleOf(QChar selector) {
    switch (selector.unicode()) {
        case '^': return QStringLiteral("Dica do dia...");
        case '?': return QStringLiteral("Você sabia?...");
        case '\'': return QStringLiteral("Citação do dia...");
        case '!': return QStringLiteral("Piada do dia...");
        case '#': return QStringLiteral("Mensagem do dia...");
        default: return QString();
    }
}

QString TextOf(const QString& line) {
    QString text = line.mid(1, kMaxTipLength);
    qsizetype from = 0;
    for (int breaks = 0; breaks < kMaxLineBreaks; ++breaks) {
        const qsizetype at = text.indexOf(QStringLiteral("%s"), from);
        if (at < 0) break;
        text.replace(at, 2, QStringLiteral("\n"));
        from = at + 1;
    }
    return text;
}

// The tips file is UTF-8; an older file in Windows-1252 is read as such.
QStringList ReadTipLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromStdString(quorvel::Cp1252ToUtf8(std::string_view(bytes.constData(), std::size_t(bytes.size()))));
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    QStringList lines;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        // A blank line (the one after the last line break, say) is no tip.
        if (!line.trimmed().isEmpty()) lines << line;
    }
    return lines;
}

}  // namespace

QString TipsFilePath() {
    const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath(kTipsFileName);
    const QString installed = FindDataFile(kTipsFileName);
    if (QFileInfo(installed).isFile()) return installed;
    const QString current = QDir::current().filePath(kTipsFileName);
    if (QFileInfo(current).isFile()) return current;
    return besideProgram;
}

TfTipOfTheDay::TfTipOfTheDay(QWidget* parent, QString tipsFile) : QDialog(parent), tipsFile_(std::move(tipsFile)) {
    setWindowTitle(QStringLiteral("Dica do dia"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kTipOfTheDay);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(white);

    auto* bulb = new QLabel(panel);
    bulb->setPixmap(BulbPixmap(48));
    bulb->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lTitle = new QLabel(QStringLiteral("Oops..."), panel);
    QFont titleFont = lTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    lTitle->setFont(titleFont);

    lTip = new QLabel(QStringLiteral("Nenhuma dica disponível. Verifique se a instalação do Quorvel está correta ou "
                                     "desabilite a opção abaixo. Se necessário, reinstale o programa."),
                      panel);
    lTip->setWordWrap(true);
    lTip->setTextFormat(Qt::PlainText);
    lTip->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    lTip->setMinimumHeight(110);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lTitle);
    texts->addWidget(lTip, 1);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addWidget(bulb, 0, Qt::AlignTop);
    panelLayout->addLayout(texts, 1);

    cbShowTips = new QCheckBox(QStringLiteral("&Exibir dicas ao iniciar o Quorvel"), this);
    bPrevious = new QPushButton(QStringLiteral("&Dica anterior"), this);
    bNext = new QPushButton(QStringLiteral("&Próxima dica"), this);
    bClose = new QPushButton(QStringLiteral("Fechar"), this);
    bNext->setAutoDefault(false);
    bPrevious->setAutoDefault(false);
    bClose->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cbShowTips);
    buttons->addStretch(1);
    buttons->addWidget(bPrevious);
    buttons->addWidget(bNext);
    buttons->addWidget(bClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel, 1);
    layout->addLayout(buttons);
    setMinimumWidth(460);

    connect(bNext, &QPushButton::clicked, this, &TfTipOfTheDay::bNextClick);
    connect(bPrevious, &QPushButton::clicked, this, &TfTipOfTheDay::bPreviousClick);
    connect(bClose, &QPushButton::clicked, this, &QDialog::reject);
}

bool TfTipOfTheDay::ShowTips() const { return cbShowTips->isChecked(); }

void TfTipOfTheDay::SetShowTips(bool show) { cbShowTips->setChecked(show); }

void TfTipOfTheDay::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    shownAt_ = index_;
    steps_ = 0;
    lines_ = ReadTipLines(tipsFile_);
    if (lines_.isEmpty()) {
        bNext->setEnabled(false);
        bPrevious->setEnabled(false);
        return;
    }
    bNext->setEnabled(true);
    bPrevious->setEnabled(true);
    // The stored index is that of the tip last seen: the next one is shown.
    bNextClick();
}

void TfTipOfTheDay::done(int result) {
    // Going back with "Dica anterior" does not make the next start repeat
    // tips already seen. Net progress is counted rather than the index
    // compared, so that wrapping from the last tip to the first keeps going
    // forward instead of returning to the first tip at every start.
    if (steps_ < 0) index_ = shownAt_;
    QDialog::done(result);
}

void TfTipOfTheDay::bNextClick() {
    if (lines_.isEmpty()) return;
    ++steps_;
    ++index_;
    if (index_ < 0) index_ = int(lines_.size()) - 1;
    if (index_ >= lines_.size()) index_ = 0;
    ShowTip();
}

void TfTipOfTheDay::bPreviousClick() {
    if (lines_.isEmpty()) return;
    --steps_;
    --index_;
    if (index_ < 0) index_ = int(lines_.size()) - 1;
    if (index_ >= lines_.size()) index_ = 0;
    ShowTip();
}

void TfTipOfTheDay::ShowTip() {
    const QString& line = lines_.at(index_);
    lTitle->setText(TitleOf(line.at(0)));
    lTip->setText(TextOf(line));
}

void ShowTipOfTheDay(QWidget* parent, int& lastTip, bool& showTips) {
    TfTipOfTheDay dialog(parent);
    dialog.SetCurrentIndex(lastTip);
    dialog.SetShowTips(showTips);
    quorvel::gui::ExecModal(dialog);
    lastTip = dialog.CurrentIndex();
    showTips = dialog.ShowTips();
}
