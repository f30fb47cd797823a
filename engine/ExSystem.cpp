#include "ExSystem.h"

#include <algorithm>

#include "ExConsts.h"
#include "ExText.h"

namespace quorvel {

TExpertSystem::TExpertSystem(IMessageSink* sink)
    : sink_(sink ? sink : &DefaultMessageSink()),
      formulaHost_(MakeFormulaHost(*this)),
      calculus_(std::make_unique<TCnfCalculus>(*formulaHost_, Cnf1, Cnf2, LastUnknown, AndFormula, OrFormula,
                                               ConclusionFormula, MinimumCnf, Precedence)) {
    SetMessageLoop(nullptr);
    ClearBase();
}

// The attached controls are told first that the engine goes away.
TExpertSystem::~TExpertSystem() { DetachControls(); }

void TExpertSystem::SetMessageSink(IMessageSink* sink) {
    sink_ = sink ? sink : &DefaultMessageSink();
    for (TSingleIndexTree* tree : std::initializer_list<TSingleIndexTree*>{
             vars_.get(), values_.get(), heads_.get(), tails_.get(), rules_.get(), questions_.get(),
             helpContexts_.get(), formulas_.get(), varList_.get(), varListExtra_.get()})
        tree->SetMessageSink(sink_);
}

void TExpertSystem::ShowError(const std::string& text) const {
    sink_->ShowMessage(TMsgKind::Error, TMsgButtons::Ok, text);
}

void TExpertSystem::ClearBase() {
    vars_ = std::make_unique<TVars>(sink_);
    values_ = std::make_unique<TValues>(sink_);
    heads_ = std::make_unique<THeads>(sink_);
    tails_ = std::make_unique<TTails>(sink_);
    rules_ = std::make_unique<TRules>(sink_);
    targets_ = std::make_unique<TTargets>();
    questions_ = std::make_unique<TQuestions>(sink_);
    helpContexts_ = std::make_unique<THelpContexts>(sink_);
    formulas_ = std::make_unique<TFormulas>(sink_);
    varList_ = std::make_unique<TVarListTree>(sink_);
    varListExtra_ = std::make_unique<TVarListExtraTree>(sink_);
    instances_.Clear();
    savedLookup_ = {};
    savedQuestion_ = {};

    BaseName = msg::NewBaseName;
    Authors.clear();
    OpeningText.clear();
    HelpFile.clear();
    ShowOpening = false;
    Version = "1.1";
    Precedence = 0;
    MinimumCnf = 0.5f;
    EvaluateAllPremises = false;
    AndFormula = {};
    OrFormula = {};
    ConclusionFormula = {};
    PasswordBlock = {};
    AccessLevel = kAccessFull;

    Running = false;
    Paused = false;
    StepWait = false;
    StopRequested = false;
    RollingBack = false;
    Waiting = false;
    tape_.Clear();
    history_.clear();
    fileName_.clear();
    isNew_ = true;
    NotifyBaseChanged();
}

TExpertSystem::TLookupCursors TExpertSystem::CurrentLookupCursors() const {
    return {vars_->SaveCursors(), values_->SaveCursors()};
}

void TExpertSystem::ApplyLookupCursors(const TLookupCursors& cursors) {
    vars_->RestoreCursors(cursors.vars);
    values_->RestoreCursors(cursors.values);
}

void TExpertSystem::SaveLookupCursors() { savedLookup_ = CurrentLookupCursors(); }
void TExpertSystem::RestoreLookupCursors() { ApplyLookupCursors(savedLookup_); }
void TExpertSystem::SaveQuestionCursor() { savedQuestion_ = questions_->SaveCursors(); }
void TExpertSystem::RestoreQuestionCursor() { questions_->RestoreCursors(savedQuestion_); }

std::string TExpertSystem::ConnectiveText(int32_t connective) const {
    switch (connective) {
        case 0: return "E  ";
        case 1: return "OU ";
        case 2: return "ENT\xC3O";
        default: ShowError(msg::NoSuchConnective); return "???";
    }
}

bool TExpertSystem::IsConnective(std::string_view text) const { return text == "E  " || text == "OU "; }

std::string TExpertSystem::VarName(int32_t varCode) {
    if (const TPlanVar* var = PlannedVar(varCode)) return var->Name;
    const TLookupCursors saved = CurrentLookupCursors();
    std::string name;
    if (vars_->Find(varCode)) {
        name = vars_->GetName();
    } else {
        ShowError(msg::NoSuchVariable);
        name = "???";
    }
    ApplyLookupCursors(saved);
    return name;
}

std::string TExpertSystem::ValueTextFor(const TVarNode* var, int32_t valueCode, bool fromValueText) {
    if (var && var->Numeric) {
        if (valueCode == kCodeUnknown) return kTextUnknown;
        if (formulas_->Find(valueCode)) return formulas_->GetName();
        ShowError(fromValueText ? msg::NoValueFound : msg::NoSuchFormula);
        return fromValueText ? "" : "???";
    }
    switch (valueCode) {
        case kCodeNo: return kTextNo;
        case kCodeYes: return kTextYes;
        case kCodeUnknown: return kTextUnknown;
        default: break;
    }
    if (values_->Find(valueCode)) return values_->GetName();
    ShowError(fromValueText ? msg::NoValueFound : msg::NoSuchValue);
    return fromValueText ? "" : "???";
}

const TPlanVar* TExpertSystem::PlannedVar(int32_t varCode) const {
    return plan_ ? plan_->ExistingVar(varCode) : nullptr;
}

const TPlanRule* TExpertSystem::PlannedRule(int32_t ruleCode) const {
    return plan_ ? plan_->RuleOf(ruleCode) : nullptr;
}

std::optional<std::string_view> TExpertSystem::PlannedValueText(int32_t varCode, int32_t valueCode) const {
    if (!plan_) return std::nullopt;
    return plan_->ValueText(varCode, valueCode);
}

std::string TExpertSystem::ValueTextOf(int32_t varCode, int32_t valueCode) {
    if (auto text = PlannedValueText(varCode, valueCode)) return std::string(*text);
    const TLookupCursors saved = CurrentLookupCursors();
    std::string text = "???";
    if (vars_->Find(varCode)) text = ValueTextFor(vars_->CurrentVar(), valueCode, false);
    ApplyLookupCursors(saved);
    return text;
}

std::string TExpertSystem::ValueText(int32_t valueCode) {
    const TLookupCursors saved = CurrentLookupCursors();
    const auto* var = static_cast<const TVarNode*>(vars_->CursorRecord(kKeyCode));
    std::string text = ValueTextFor(var, valueCode, true);
    ApplyLookupCursors(saved);
    return text;
}

void TExpertSystem::ValueList(int32_t varCode, std::vector<TValueListEntry>& list) {
    list.clear();
    if (vars_->Find(varCode) && vars_->GetNumeric()) return;
    if (!values_->FindByVarCode(varCode)) {
        list.push_back({kTextYes, nullptr});
        list.push_back({kTextNo, nullptr});
        return;
    }
    while (!values_->Eof() && values_->GetVarCode() == varCode) {
        auto* value = values_->CurrentVal();
        // After every entry whose position is not greater than its own.
        auto at = std::find_if(list.begin(), list.end(),
                               [value](const TValueListEntry& entry) { return entry.Value->Position > value->Position; });
        list.insert(at, {value->Name, value});
        values_->Next();
    }
}

namespace {

struct TResultEntry {
    std::string name;
    std::string cnf;
    double cnfValue = 0;
    int32_t position = 0;
};

// The classic in-place quicksort on the middle element: kept so that
// entries that compare equal come out in the same order as always.
template <class Less>
void QuickSort(std::vector<TResultEntry>& items, int left, int right, Less less) {
    int i = 0;
    do {
        i = left;
        int j = right;
        int pivot = (left + right) / 2;
        do {
            while (less(items[static_cast<std::size_t>(i)], items[static_cast<std::size_t>(pivot)])) ++i;
            while (less(items[static_cast<std::size_t>(pivot)], items[static_cast<std::size_t>(j)])) --j;
            if (i <= j) {
                std::swap(items[static_cast<std::size_t>(i)], items[static_cast<std::size_t>(j)]);
                if (pivot == i)
                    pivot = j;
                else if (pivot == j)
                    pivot = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (left < j) QuickSort(items, left, j, less);
        left = i;
    } while (i < right);
}

}  // namespace

void TExpertSystem::ResultsOf(int32_t varCode, std::vector<std::string>& names, std::vector<std::string>& cnfs) {
    names.clear();
    cnfs.clear();
    if (!Running) return;
    std::vector<TResultEntry> entries;
    const bool found = vars_->Find(varCode);
    const bool numeric = found && vars_->GetNumeric();
    if (varList_->Find(varCode)) {
        while (!varList_->Eof() && varList_->GetCode() == varCode) {
            const auto* node = static_cast<const TVarListNode*>(varList_->Current());
            TResultEntry entry;
            if (node->ValueCode == kCodeUnknown) {
                entry.name = msg::NoValueFoundResult;
                entry.cnf = "100";
                entry.cnfValue = 100;
            } else {
                entry.name = ValueText(node->ValueCode);
                entry.cnfValue = static_cast<double>(node->Cnf) * 100.0;
                entry.cnf = CnfText(entry.cnfValue);
                if (!numeric) {
                    if (node->ValueCode == kCodeYes || node->ValueCode == kCodeNo)
                        entry.position = 1;
                    else if (values_->Find(node->ValueCode))
                        entry.position = values_->GetPosition();
                }
            }
            entries.push_back(std::move(entry));
            varList_->Next();
        }
    }
    if (varListExtra_->Find(varCode)) {
        while (!varListExtra_->Eof() && varListExtra_->GetCode() == varCode) {
            const auto* node = static_cast<const TVarListExtraNode*>(varListExtra_->Current());
            TResultEntry entry;
            entry.name = node->ValueText;
            entry.cnfValue = static_cast<double>(node->Cnf) * 100.0;
            entry.cnf = CnfText(entry.cnfValue);
            entries.push_back(std::move(entry));
            varListExtra_->Next();
        }
    }
    if (entries.empty()) {
        names.push_back(msg::NoValueFoundResult);
        return;
    }
    if (entries.size() > 1) {
        const int last = static_cast<int>(entries.size()) - 1;
        QuickSort(entries, 0, last, [](const TResultEntry& a, const TResultEntry& b) { return a.cnfValue > b.cnfValue; });
        std::size_t runStart = 0;
        while (runStart < entries.size()) {
            std::size_t runEnd = runStart + 1;
            while (runEnd < entries.size() && entries[runEnd].cnf == entries[runStart].cnf) ++runEnd;
            if (runEnd - runStart > 1)
                QuickSort(entries, static_cast<int>(runStart), static_cast<int>(runEnd) - 1,
                          [](const TResultEntry& a, const TResultEntry& b) { return a.position < b.position; });
            runStart = runEnd;
        }
    }
    for (auto& entry : entries) {
        names.push_back(std::move(entry.name));
        cnfs.push_back(std::move(entry.cnf));
    }
}

std::optional<std::string> TExpertSystem::FormulaText(int32_t formulaCode) {
    if (!formulas_->Find(formulaCode)) {
        ShowError(msg::NoSuchFormula);
        return std::nullopt;
    }
    return formulas_->GetName();
}

void TExpertSystem::SetFileNameFromBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    if (LoadBytes(bytes))
        fileName_ = name;
    else
        fileName_.clear();
    NotifyBaseChanged();
}

void TExpertSystem::SetFileName(const std::string& name) {
    if (name.empty()) {
        fileName_.clear();
        isNew_ = true;
    } else if (Load(name)) {
        fileName_ = name;
    } else {
        fileName_.clear();
    }
    NotifyBaseChanged();
}

}  // namespace quorvel
