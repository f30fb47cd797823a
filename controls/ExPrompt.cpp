#include "ExPrompt.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "ExSystem.h"
#include "ExText.h"
#include "MessageBoxSink.h"

using quorvel::gui::ScreenText;

namespace {

constexpr int kCnfBoxWidth = 50;
constexpr int kCnfBoxHeight = 20;
constexpr int kPanelWidth = 78;
constexpr int kPanelHeight = 25;
constexpr int kMargin = 8;
// The numeric prompt is 100 pixels high, 130 with the interval below the edit.
constexpr int kNumericHeight = 100;
constexpr int kNumericHeightWithRange = 130;
constexpr int kNumericWidth = 360;

// What was typed, as a base text; a text Windows-1252 cannot hold is passed
// on as it is and fails the checks of a number.
std::string TypedBaseText(const QString& text) {
    const std::string utf8 = text.toStdString();
    return quorvel::Utf8ToCp1252(utf8).value_or(utf8);
}

}  // namespace

// ----------------------------------------------------------- confidence box

TTxtCnf::TTxtCnf(QWidget* parent) : QAbstractSpinBox(parent) {
    QFont boxFont = font();
    boxFont.setPointSize(8);
    boxFont.setBold(true);
    setFont(boxFont);
    setFixedSize(kCnfBoxWidth, std::max(kCnfBoxHeight, sizeHint().height() - 2));
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    lineEdit()->setMaxLength(quorvel::kCnfBoxMaxLength);
    connect(lineEdit(), &QLineEdit::textEdited, this, &TTxtCnf::edited);
    setEnabled(false);
}

QString TTxtCnf::Text() const { return lineEdit()->text(); }

void TTxtCnf::SetText(const QString& text) {
    if (lineEdit()->text() != text) lineEdit()->setText(text);
}

QValidator::State TTxtCnf::validate(QString& input, int& /*pos*/) const {
    if (input.size() > quorvel::kCnfBoxMaxLength) return QValidator::Invalid;
    for (const QChar ch : input)
        if (ch.unicode() > 0x7F || !quorvel::CnfBoxAcceptsChar(static_cast<char>(ch.unicode())))
            return QValidator::Invalid;
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled TTxtCnf::stepEnabled() const {
    if (!isEnabled() || isReadOnly()) return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

void TTxtCnf::stepBy(int steps) {
    if (!isEnabled() || isReadOnly()) return;
    const long double now = quorvel::TextToNumber(Text().toStdString()).value_or(0);
    const long double next = std::clamp<long double>(now + static_cast<long double>(steps) * quorvel::kCnfBoxStep,
                                                     quorvel::kCnfBoxMin, quorvel::kCnfBoxMax);
    SetText(QString::fromStdString(quorvel::FormatGeneral(next, 15)));
    emit edited(Text());
}

void TTxtCnf::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QString typed = event->text();
    if (!enter && !typed.isEmpty()) {
        const QChar ch = typed.front();
        const bool printable = ch.unicode() >= 0x20 && ch.unicode() != 0x7F;
        if (printable && (ch.unicode() > 0x7F || !quorvel::CnfBoxAcceptsChar(static_cast<char>(ch.unicode())))) {
            QApplication::beep();
            event->accept();
            return;
        }
    }
    // Enter is left to the dialog, whose default button it presses.
    QAbstractSpinBox::keyPressEvent(event);
}

void TTxtCnf::focusOutEvent(QFocusEvent* event) {
    QAbstractSpinBox::focusOutEvent(event);
    SetText(QString::fromStdString(quorvel::ClampCnfText(Text().toStdString())));
    emit left();
}

// ------------------------------------------------------------------ slider

TScrollValue::TScrollValue(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setFixedHeight(45);
    setTickPosition(QSlider::TicksBelow);
    setFocusPolicy(Qt::StrongFocus);
}

// ------------------------------------------------------------------ prompt

// The engine's link: the prompt empties itself on clear, rebuilds on
// refresh and lets the engine go when it goes away.
class TExpertPromptInterface : public quorvel::TExCtrlInterface {
public:
    explicit TExpertPromptInterface(TExpertPrompt& prompt)
        : TExCtrlInterface(quorvel::kPromptControls), prompt_(prompt) {}
    void Clear() override { prompt_.SetVarCode(0); }
    void Refresh() override { prompt_.Rebuild(); }
    void Detach() override { prompt_.model_.SetExpertSystem(nullptr); }

private:
    TExpertPrompt& prompt_;
};

TExpertPrompt::TExpertPrompt(QWidget* parent) : QScrollArea(parent) {
    QFont promptFont = font();
    promptFont.setPointSize(12);
    setFont(promptFont);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    content_ = new QWidget;
    setWidget(content_);

    labelValue = new QLabel(QStringLiteral("Valor:"), content_);
    editValue = new QLineEdit(content_);
    labelValue->setBuddy(editValue);
    panelMin = new QLabel(content_);
    panelMax = new QLabel(content_);
    for (QLabel* panel : {panelMin, panelMax}) {
        panel->setFixedSize(kPanelWidth, kPanelHeight);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setAlignment(Qt::AlignCenter);
        panel->setTextFormat(Qt::PlainText);
    }
    scrollValue = new TScrollValue(content_);
    connect(editValue, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.SetValueText(TypedBaseText(text)); });
    connect(scrollValue, &QSlider::valueChanged, this, [this](int position) {
        if (showing_) return;
        model_.SetSliderPosition(position);
        editValue->setText(QString::number(position));
    });
    for (QWidget* numeric : std::initializer_list<QWidget*>{labelValue, editValue, panelMin, panelMax, scrollValue})
        numeric->hide();
}

TExpertPrompt::~TExpertPrompt() {
    if (model_.ExpertSystem() && notifier_) model_.ExpertSystem()->RemoveControl(notifier_.get());
}

quorvel::TExCtrlInterface* TExpertPrompt::Notifier() {
    if (!notifier_) notifier_ = std::make_unique<TExpertPromptInterface>(*this);
    return notifier_.get();
}

void TExpertPrompt::SetExpertSystem(quorvel::TExpertSystem* engine) {
    if (model_.ExpertSystem()) model_.ExpertSystem()->RemoveControl(Notifier());
    model_.SetExpertSystem(engine);
    if (engine) engine->AddControl(Notifier());
    if (parentWidget()) ShowModel();
}

void TExpertPrompt::SetVarCode(int32_t varCode) {
    model_.SetVarCode(varCode);
    if (parentWidget() || varCode == 0) ShowModel();
}

void TExpertPrompt::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    if (autoSize) Rebuild();
}

void TExpertPrompt::Rebuild() {
    if (!parentWidget()) return;
    model_.Rebuild();
    ShowModel();
}

void TExpertPrompt::changeEvent(QEvent* event) {
    QScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange && model_.VarCode() != 0) Rebuild();
}

TVarOption* TExpertPrompt::Option(int index) const {
    return index >= 0 && index < static_cast<int>(options_.size()) ? options_[static_cast<std::size_t>(index)]
                                                                   : nullptr;
}

TTxtCnf* TExpertPrompt::CnfBox(int index) const {
    return index >= 0 && index < static_cast<int>(cnfBoxes_.size()) ? cnfBoxes_[static_cast<std::size_t>(index)]
                                                                    : nullptr;
}

void TExpertPrompt::ShowModel() {
    showing_ = true;
    if (model_.Numeric()) {
        ShowNumeric();
    } else {
        ShowOptions();
    }
    FitToContent();
    showing_ = false;
}

void TExpertPrompt::ShowNumeric() {
    for (std::size_t i = 0; i < options_.size(); ++i) {
        options_[i]->hide();
        cnfBoxes_[i]->hide();
    }
    const quorvel::TPromptInterval& interval = model_.Interval();
    editValue->clear();
    panelMin->setText(ScreenText(interval.MinText));
    panelMax->setText(ScreenText(interval.MaxText));
    const bool range = interval.HasMin() && interval.HasMax();
    if (interval.Slider) {
        scrollValue->setRange(interval.SliderMin, interval.SliderMax);
        scrollValue->setValue(interval.SliderMin);
        const int span = interval.SliderMax - interval.SliderMin;
        scrollValue->setPageStep(std::max(1, span / 10));
        scrollValue->setTickInterval(std::max(1, span / 10));
    }
    labelValue->show();
    editValue->show();
    panelMin->setVisible(range);
    panelMax->setVisible(range);
    scrollValue->setVisible(interval.Slider);
    contentSize_ = QSize(kNumericWidth, range ? kNumericHeightWithRange : kNumericHeight);
    editValue->setFocus();
}

void TExpertPrompt::ShowOptions() {
    for (QWidget* numeric : std::initializer_list<QWidget*>{labelValue, editValue, panelMin, panelMax, scrollValue})
        numeric->hide();
    const auto& options = model_.Options();
    // Existing check boxes and confidence boxes are reused, missing ones made, surplus ones freed.
    while (options_.size() > options.size()) {
        delete options_.back();
        delete cnfBoxes_.back();
        options_.pop_back();
        cnfBoxes_.pop_back();
    }
    while (options_.size() < options.size()) {
        const int index = static_cast<int>(options_.size());
        auto* option = new TVarOption(content_);
        auto* box = new TTxtCnf(content_);
        option->MyCnf = box;
        connect(option, &QCheckBox::clicked, this, [this, index](bool checked) { OptionClicked(index, checked); });
        connect(box, &TTxtCnf::edited, this, [this, index](const QString& text) {
            model_.SetCnfText(static_cast<std::size_t>(index), TypedBaseText(text));
        });
        connect(box, &TTxtCnf::left, this, [this, index] {
            model_.LeaveCnfBox(static_cast<std::size_t>(index));
            ShowOptionStates();
        });
        options_.push_back(option);
        cnfBoxes_.push_back(box);
    }
    for (std::size_t i = 0; i < options.size(); ++i) {
        options_[i]->setText(ScreenText(options[i].Text));
        options_[i]->show();
        cnfBoxes_[i]->setVisible(model_.ShowCnfBoxes());
    }
    ShowOptionStates();
    int widest = 0;
    int rowHeight = 0;
    for (TVarOption* option : options_) {
        widest = std::max(widest, option->sizeHint().width());
        rowHeight = std::max(rowHeight, option->sizeHint().height());
    }
    const int rows = static_cast<int>(options_.size());
    const int step = rowHeight * 3 / 2;
    contentSize_ = QSize(kMargin + widest + 2 * kMargin + kCnfBoxWidth + kMargin, rows * step + rowHeight / 2);
}

void TExpertPrompt::ShowOptionStates() {
    const auto& options = model_.Options();
    for (std::size_t i = 0; i < options.size() && i < options_.size(); ++i) {
        const QSignalBlocker block(options_[i]);
        options_[i]->setChecked(options[i].Checked);
        cnfBoxes_[i]->setEnabled(options[i].CnfEnabled);
        cnfBoxes_[i]->SetText(QString::fromStdString(options[i].CnfText));
    }
}

void TExpertPrompt::OptionClicked(int index, bool checked) {
    TakeInputs();
    model_.SetChecked(static_cast<std::size_t>(index), checked);
    ShowOptionStates();
}

void TExpertPrompt::ArrangeOptions() {
    const int width = content_->width();
    int rowHeight = 0;
    for (TVarOption* option : options_) rowHeight = std::max(rowHeight, option->sizeHint().height());
    const int step = rowHeight * 3 / 2;
    int top = rowHeight / 4;
    for (std::size_t i = 0; i < options_.size(); ++i) {
        TVarOption* option = options_[i];
        TTxtCnf* box = cnfBoxes_[i];
        const int boxLeft = width - kMargin - kCnfBoxWidth;
        option->setGeometry(kMargin, top, std::max(0, boxLeft - 2 * kMargin), rowHeight);
        box->move(boxLeft, top + (rowHeight - box->height()) / 2);
        top += step;
    }
}

void TExpertPrompt::ArrangeNumeric() {
    const int width = content_->width();
    const int editHeight = editValue->sizeHint().height();
    const int labelWidth = labelValue->sizeHint().width();
    labelValue->setGeometry(kMargin * 2, 16, labelWidth, editHeight);
    editValue->setGeometry(kMargin * 3 + labelWidth, 16, std::min(180, width - kMargin * 5 - labelWidth), editHeight);
    const int rangeTop = 16 + editHeight + 14;
    panelMin->move(kMargin * 2, rangeTop + (scrollValue->height() - kPanelHeight) / 2);
    panelMax->move(width - kMargin * 2 - kPanelWidth, panelMin->y());
    const int sliderLeft = kMargin * 3 + kPanelWidth;
    scrollValue->setGeometry(sliderLeft, rangeTop, std::max(0, width - 2 * sliderLeft), scrollValue->height());
}

void TExpertPrompt::FitToContent() {
    const int frame = 2 * frameWidth();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (autoSize_) {
        // Room for a vertical scroll bar when the options do not fit.
        const bool scrolls = contentSize_.height() + frame > MaxHeight;
        int w = contentSize_.width() + frame + (scrolls ? scrollBar : 0);
        int h = contentSize_.height() + frame;
        if (MinWidth > 0) w = std::max(w, MinWidth);
        if (MinHeight > 0) h = std::max(h, MinHeight);
        w = std::min(w, std::max(MaxWidth, MinWidth));
        h = std::min(h, std::max(MaxHeight, MinHeight));
        resize(w, h);
    }
    const bool scrolls = contentSize_.height() > height() - frame;
    const int contentWidth = std::max(contentSize_.width(), width() - frame - (scrolls ? scrollBar : 0));
    content_->resize(contentWidth, std::max(contentSize_.height(), 1));
    if (model_.Numeric())
        ArrangeNumeric();
    else
        ArrangeOptions();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TExpertPrompt::EmptyCnfBoxes() {
    model_.EmptyCnfBoxes();
    ShowOptionStates();
}

void TExpertPrompt::TakeInputs() {
    if (model_.Numeric()) {
        model_.SetValueText(TypedBaseText(editValue->text()));
        return;
    }
    for (std::size_t i = 0; i < cnfBoxes_.size() && i < model_.Options().size(); ++i)
        model_.SetCnfText(i, TypedBaseText(cnfBoxes_[i]->Text()));
}

bool TExpertPrompt::Submit() {
    TakeInputs();
    return model_.Submit();
}
