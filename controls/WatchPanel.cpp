#include "WatchPanel.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <algorithm>

#include "CodeRows.h"
#include "ExConsultTree.h"
#include "ExExplain.h"
#include "ExSystem.h"
#include "ExText.h"
#include "FullTextTips.h"
#include "MessageBoxSink.h"

using quorvel::gui::ScreenText;

namespace {

constexpr int kLabelGap = 1;

QString CnfPercent(float cnf) { return QString::fromStdString(quorvel::CnfText(static_cast<double>(cnf) * 100.0)); }

// The rows of the values list for a variable (none for code 0): its values
// with their confidences while a consultation runs, else why there are none.
std::vector<TCodeRows::TRow> ValueRows(quorvel::TExpertSystem& engine, int32_t varCode) {
    if (varCode == 0) return {};
    if (!engine.Running) return {{QStringLiteral("A base n\u00E3o est\u00E1 no modo de execu\u00E7\u00E3o."), 0}};
    std::vector<TCodeRows::TRow> rows;
    for (const quorvel::THeldValue& value : quorvel::HeldValuesOf(engine, varCode)) {
        const QString text = ScreenText(quorvel::HeldValueText(engine, varCode, value));
        if (value.IsCode)
            rows.push_back({text + QStringLiteral(", com ") + CnfPercent(value.Cnf) + QStringLiteral("%"), value.Code});
        else
            rows.push_back({text + QStringLiteral(" (") + CnfPercent(value.Cnf) + QStringLiteral("%)"), 0});
    }
    return rows;
}

}  // namespace

// The engine's link: a base change (the engine idle) starts the lists
// afresh; an instantiation during a consultation updates the values.
class TWatchPanelInterface : public quorvel::TExCtrlInterface {
public:
    explicit TWatchPanelInterface(TWatchPanel& panel) : TExCtrlInterface(quorvel::kValueViews), panel_(panel) {}
    void Clear() override { panel_.ClearAll(); }
    void Refresh() override {
        if (panel_.engine_ && panel_.engine_->Running) {
            panel_.UpdateValues();
            return;
        }
        panel_.ClearAll();
        if (panel_.addAll_) panel_.ListAll();
    }
    void Detach() override {
        panel_.engine_ = nullptr;
        panel_.ClearAll();
    }

private:
    TWatchPanel& panel_;
};

TWatchPanel::TWatchPanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
    labelVars = new QLabel(QStringLiteral("Vari\u00E1veis"), this);
    // The variables in the order of their names, the values as the engine holds them.
    listVars = new TCodeList(true, this);
    labelValues = new QLabel(QStringLiteral("Valores"), this);
    listValues = new TCodeList(false, this);
    quorvel::gui::ShowFullTextTips(listVars);
    quorvel::gui::ShowFullTextTips(listValues);
    labelVars->setBuddy(listVars);
    labelValues->setBuddy(listValues);

    connect(listVars, &QAbstractItemView::clicked, this, [this] { UpdateValues(); });
    connect(listVars, &TRowListView::currentRowChanged, this, [this] { UpdateValues(); });
    listVars->installEventFilter(this);

    setMinimumHeight(MinimumPanelHeight());
    resize(width(), 250);
    ArrangeLists();
}

TWatchPanel::~TWatchPanel() {
    if (engine_ && notifier_) engine_->RemoveControl(notifier_.get());
}

quorvel::TExCtrlInterface* TWatchPanel::Notifier() {
    if (!notifier_) notifier_ = std::make_unique<TWatchPanelInterface>(*this);
    return notifier_.get();
}

bool TWatchPanel::Usable() const { return engine_ && !engine_->IsNew(); }

int TWatchPanel::MinimumPanelHeight() const {
    return labelVars->sizeHint().height() + labelValues->sizeHint().height() + 150;
}

void TWatchPanel::SetExpertSystem(quorvel::TExpertSystem* engine) {
    if (engine_) engine_->RemoveControl(Notifier());
    engine_ = engine;
    if (engine_) engine_->AddControl(Notifier());
    if (engine_ && addAll_ && engine_->RulesMayBeShown())
        ListAll();
    else
        ClearAll();
}

void TWatchPanel::SetAddAll(bool addAll) {
    const bool turnedOn = addAll && !addAll_;
    addAll_ = addAll;
    if (turnedOn) ListAll();
}

void TWatchPanel::SetValuesListHeight(int height) {
    valuesListHeight_ = std::max(0, height);
    ArrangeLists();
}

void TWatchPanel::AddVariable(int32_t varCode) {
    if (!Usable()) return;
    const std::string name = [&] {
        quorvel::TSavedCursors keep(*engine_);
        return engine_->Vars().Find(varCode) ? engine_->Vars().GetName() : std::string();
    }();
    if (name.empty() || !watched_.insert(varCode).second) return;
    listVars->Rows().Add(ScreenText(name), varCode);
}

void TWatchPanel::RemoveVariable(int32_t varCode, const std::string& name) {
    if (!Usable() || !watched_.count(varCode)) return;
    watched_.erase(varCode);
    std::string shown = name;
    if (shown.empty()) {
        quorvel::TSavedCursors keep(*engine_);
        if (!engine_->Vars().Find(varCode)) return;
        shown = engine_->Vars().GetName();
    }
    listVars->Rows().Take(listVars->Rows().RowOfText(ScreenText(shown)));
    UpdateValues();
}

void TWatchPanel::ClearAll() {
    listVars->Rows().Clear();
    listValues->Rows().Clear();
    watched_.clear();
}

void TWatchPanel::ListAll() {
    ClearAll();
    if (!engine_) return;
    quorvel::TSavedCursors keep(*engine_);
    const std::vector<quorvel::TNode*> vars = engine_->Vars().Records(quorvel::kKeyName);
    std::vector<TCodeRows::TRow> rows;
    rows.reserve(vars.size());
    for (const quorvel::TNode* node : vars) {
        const auto* var = static_cast<const quorvel::TVarNode*>(node);
        rows.push_back({ScreenText(var->Name), var->Code});
    }
    listVars->Rows().Assign(std::move(rows));
}

void TWatchPanel::UpdateValues() {
    if (!Usable()) return;
    listValues->Rows().Assign(ValueRows(*engine_, listVars->CurrentCode()));
}

void TWatchPanel::ArrangeLists() {
    const int w = width();
    const int h = std::max(height(), MinimumPanelHeight());
    const int top = labelVars->sizeHint().height();
    const int bottomLabel = labelValues->sizeHint().height();
    const int varsHeight = std::max(0, h - top - bottomLabel - valuesListHeight_ - kLabelGap);
    labelVars->setGeometry(0, 0, w, top);
    listVars->setGeometry(0, top, w, varsHeight);
    labelValues->setGeometry(0, top + varsHeight + kLabelGap, w, bottomLabel);
    const int valuesTop = labelValues->geometry().bottom() + 1;
    listValues->setGeometry(0, valuesTop, w, std::max(0, h - valuesTop));
}

void TWatchPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    setMinimumHeight(MinimumPanelHeight());
    ArrangeLists();
}

void TWatchPanel::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    // The four children take the panel's font.
    if (event->type() == QEvent::FontChange) {
        for (QWidget* child : {static_cast<QWidget*>(labelVars), static_cast<QWidget*>(listVars),
                               static_cast<QWidget*>(labelValues), static_cast<QWidget*>(listValues)})
            child->setFont(font());
        setMinimumHeight(MinimumPanelHeight());
        ArrangeLists();
    }
}

bool TWatchPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == listVars && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        if (const int row = listVars->currentRow(); row >= 0) {
            const auto name = quorvel::Utf8ToCp1252(listVars->Rows().Text(row).toStdString());
            RemoveVariable(listVars->Rows().Code(row), name.value_or(std::string()));
            listVars->setFocus();
        }
        return true;
    }
    return QFrame::eventFilter(watched, event);
}
