// TfrmView: the rules of the base as text in a read-only window, all of them
// or only those concluding about chosen variables, through the rule view.
#pragma once

#include <QMdiSubWindow>
#include <cstdint>
#include <functional>
#include <set>

class QMdiArea;
class QPushButton;
class TRuleView;

namespace quorvel {
class TExpertSystem;
}

class TfrmView : public QMdiSubWindow {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 229;
    static constexpr int kMinimumHeight = 240;

    // `print` runs the knowledge-base print of the main window.
    TfrmView(QMdiArea* area, std::function<void()> print);
    ~TfrmView() override;

    // Shows the rules: all of them, or with `onlyChosen` those with a
    // conclusion about one of `chosen`.
    void Show(quorvel::TExpertSystem& engine, bool onlyChosen, const std::set<int32_t>& chosen);

    void btnPrintClick();
    void btnCloseClick();

    TRuleView* RuleView = nullptr;
    QPushButton* btnPrint = nullptr;
    QPushButton* btnClose = nullptr;

private:
    std::function<void()> print_;
};
