// The consultation: backward chaining over the targets, the storing of
// values, formulas and premises as the engine sees them.
#include <pthread.h>
#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <utility>

#include "ExCnf.h"
#include "ExConsts.h"
#include "ExExceptions.h"
#include "ExSystem.h"
#include "ExText.h"

namespace quorvel {

namespace {

constexpr const char* kNoRulesYet = "Crie algumas regra antes!";
constexpr const char* kTooDeep =
    "A cadeia de regras é profunda demais para esta consulta: ela foi interrompida antes de esgotar a memória.";

// What a derivation keeps free of the thread's stack: room for the host's
// nested message loops and dialogs.
constexpr std::size_t kStackReserve = 1u << 20;

// The lowest address of the current thread's stack, or 0 when unknown.
uintptr_t StackLimit() {
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0) return 0;
    void* address = nullptr;
    std::size_t size = 0;
    const bool known = pthread_attr_getstack(&attributes, &address, &size) == 0;
    pthread_attr_destroy(&attributes);
    return known ? reinterpret_cast<uintptr_t>(address) : 0;
}

int32_t CodeFromText(const std::string& text) {
    int32_t code = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), code);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() ? code : 0;
}

}  // namespace

// Lets formulas read the engine's operands and variables.
class TEngineFormulaHost : public IFormulaHost {
public:
    explicit TEngineFormulaHost(TExpertSystem& engine) : engine_(engine) {}
    float Cnf1() override { return engine_.Cnf1; }
    float Cnf2() override { return engine_.Cnf2; }
    bool VariableValue(std::string_view upperName, long double& value, bool& unknown) override {
        return engine_.FormulaVariable(upperName, value, unknown);
    }

private:
    TExpertSystem& engine_;
};

bool RaiseStackLimit(std::size_t bytes) {
    rlimit limit{};
    if (getrlimit(RLIMIT_STACK, &limit) != 0) return false;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= bytes) return true;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? bytes : std::min<rlim_t>(bytes, limit.rlim_max);
    return setrlimit(RLIMIT_STACK, &limit) == 0;
}

std::unique_ptr<IFormulaHost> TExpertSystem::MakeFormulaHost(TExpertSystem& engine) {
    return std::make_unique<TEngineFormulaHost>(engine);
}

// ------------------------------------------------------------------ lookups

bool TExpertSystem::VarIsNumeric(int32_t varCode) {
    if (plan_) {
        const int32_t slot = plan_->VarSlot(varCode);
        if (slot != TCodeSlots::kAbsent) return plan_->Var(slot).Numeric;
    }
    const auto saved = vars_->SaveCursors();
    const bool numeric = vars_->Find(varCode) && vars_->CurrentVar()->Numeric;
    vars_->RestoreCursors(saved);
    return numeric;
}

bool TExpertSystem::IsMultivalued(int32_t varCode) {
    if (plan_) {
        const int32_t slot = plan_->VarSlot(varCode);
        if (slot != TCodeSlots::kAbsent) return plan_->Var(slot).Multivalued;
    }
    const auto saved = vars_->SaveCursors();
    const bool multivalued = vars_->Find(varCode) && vars_->CurrentVar()->Multivalued;
    vars_->RestoreCursors(saved);
    return multivalued;
}

bool TExpertSystem::HasInstantiation(int32_t varCode) {
    if (const THeldSet* held = HeldSet(varCode)) return !held->Empty();
    return varList_->Find(varCode) || varListExtra_->Find(varCode);
}

const THeldSet* TExpertSystem::HeldSet(int32_t varCode) const {
    if (!plan_) return nullptr;
    const int32_t slot = plan_->VarSlot(varCode);
    return slot == TCodeSlots::kAbsent ? nullptr : &held_[static_cast<std::size_t>(slot)];
}

void TExpertSystem::NoteInstantiations(int32_t varCode) {
    if (!plan_) return;
    const int32_t slot = plan_->VarSlot(varCode);
    if (slot == TCodeSlots::kAbsent) return;
    // Cursors are untouched: callers may be in the middle of a walk.
    const auto symbolic = varList_->MarkCursors();
    const auto numeric = varListExtra_->MarkCursors();
    THeldSet& held = held_[static_cast<std::size_t>(slot)];
    held.Codes.clear();
    held.Numbers.clear();
    for (bool found = varList_->Find(varCode); found && !varList_->Eof() && varList_->GetCode() == varCode;
         varList_->Next()) {
        const auto* node = static_cast<const TVarListNode*>(varList_->Current());
        held.Codes.push_back({node->ValueCode, node->Cnf});
    }
    for (bool found = varListExtra_->Find(varCode);
         found && !varListExtra_->Eof() && varListExtra_->GetCode() == varCode; varListExtra_->Next()) {
        const auto* node = static_cast<const TVarListExtraNode*>(varListExtra_->Current());
        held.Numbers.push_back({node->ValueText, node->Cnf});
    }
    varList_->ReturnToMark(symbolic);
    varListExtra_->ReturnToMark(numeric);
}

void TExpertSystem::ForgetTriedRule(int32_t ruleCode) {
    const int32_t slot = plan_ ? plan_->RuleSlot(ruleCode) : TCodeSlots::kAbsent;
    if (slot != TCodeSlots::kAbsent) triedRules_[static_cast<std::size_t>(slot)] = 0;
}

bool TExpertSystem::IsDeriving(int32_t varCode) const {
    const int32_t slot = plan_ ? plan_->VarSlot(varCode) : TCodeSlots::kAbsent;
    return slot != TCodeSlots::kAbsent && deriving_[static_cast<std::size_t>(slot)] != 0;
}

void TExpertSystem::RemoveInstantiationsOf(int32_t varCode) {
    while (varList_->Find(varCode)) varList_->DeleteCurrent();
    while (varListExtra_->Find(varCode)) varListExtra_->DeleteCurrent();
    instances_.RemoveAllOf(varCode);
    NoteInstantiations(varCode);
}

// ----------------------------------------------------------------- formulas

float TExpertSystem::EvaluateFormula(std::string_view text) {
    const TFormulaResult result = quorvel::EvaluateFormula(text, *formulaHost_);
    LastUnknown = result.Unknown;
    return result.Value;
}

float TExpertSystem::FormulaValue(int32_t formulaCode) {
    if (plan_) {
        if (const std::string* text = plan_->FormulaText(formulaCode)) return EvaluateFormula(*text);
    }
    const auto saved = formulas_->SaveCursors();
    const bool found = formulas_->Find(formulaCode);
    const std::string text = found ? formulas_->GetName() : std::string();
    formulas_->RestoreCursors(saved);
    if (!found) {
        ShowError(msg::NoSuchFormula);
        LastUnknown = false;
        return 0.0f;
    }
    return EvaluateFormula(text);
}

bool TExpertSystem::FormulaVariable(std::string_view upperName, long double& value, bool& unknown) {
    const TLookupCursors saved = CurrentLookupCursors();
    const bool declared = vars_->FindName(upperName);
    const int32_t varCode = declared ? vars_->GetCode() : 0;
    ApplyLookupCursors(saved);
    if (!declared) return false;
    value = 0;
    unknown = false;
    for (;;) {
        if (varListExtra_->Find(varCode)) {
            const auto number = TextToNumber(varListExtra_->GetValueText());
            if (number) {
                value = *number;
            } else {
                unknown = true;
            }
            return true;
        }
        if (varList_->Find(varCode)) {
            unknown = true;
            return true;
        }
        // A variable whose own derivation needs this formula has no value yet.
        if (IsDeriving(varCode)) {
            unknown = true;
            return true;
        }
        DeriveVariable(varCode);
        if (StopRequested || RollingBack) {
            unknown = true;
            return true;
        }
        if (!HasInstantiation(varCode)) {
            unknown = true;
            return true;
        }
    }
}

// ------------------------------------------------------------------ premises

float TExpertSystem::SymbolicPremiseCnf(int32_t varCode, TPlanOperator op, int32_t valueCode) {
    if (op != TPlanOperator::Equal && op != TPlanOperator::NotEqual) return FalseCnf;
    std::optional<float> held;
    if (const THeldSet* set = HeldSet(varCode)) {
        if (const THeldSet::TCode* code = set->FindCode(valueCode)) held = code->Cnf;
    } else if (varList_->FindValue(varCode, valueCode)) {
        held = varList_->GetCnf();
    }
    if (op == TPlanOperator::Equal) return held ? *held : FalseCnf;
    return held ? TCnfCalculus::Complement(*held) : TrueCnf;
}

float TExpertSystem::CompareNumber(int32_t varCode, TPlanOperator op, int32_t formulaCode) {
    // A numeric variable that holds "DESCONHECIDO" compares like a symbolic one.
    if (!varListExtra_->Find(varCode)) return SymbolicPremiseCnf(varCode, op, formulaCode);
    const float m = FormulaValue(formulaCode);
    const bool unknown = LastUnknown;
    if (StopRequested || RollingBack) return FalseCnf;
    if (!varListExtra_->Find(varCode)) return SymbolicPremiseCnf(varCode, op, formulaCode);
    const auto number = TextToNumber(varListExtra_->GetValueText());
    const float c = varListExtra_->GetCnf();
    if (!number || unknown) return FalseCnf;
    const long double v = *number;
    const long double limit = m;
    switch (op) {
        case TPlanOperator::Equal: return v == limit ? c : FalseCnf;
        case TPlanOperator::NotEqual: return v != limit ? c : FalseCnf;
        case TPlanOperator::Greater: return v > limit ? TrueCnf : FalseCnf;
        case TPlanOperator::Less: return v < limit ? TrueCnf : FalseCnf;
        case TPlanOperator::GreaterEqual: return v >= limit ? TrueCnf : FalseCnf;
        case TPlanOperator::LessEqual: return v <= limit ? TrueCnf : FalseCnf;
        case TPlanOperator::Other: break;
    }
    return FalseCnf;
}

float TExpertSystem::PlannedPremiseCnf(const TPlanPremise& premise) {
    const int32_t varCode = premise.VarCode;
    const bool numeric =
        premise.VarSlot != TCodeSlots::kAbsent ? plan_ && plan_->Var(premise.VarSlot).Numeric : VarIsNumeric(varCode);
    if (!numeric) return SymbolicPremiseCnf(varCode, premise.Operator, premise.ValueCode);
    const TFormulaSite outer = std::exchange(formulaSite_, {premise.RuleCode, varCode});
    const float cnf = CompareNumber(varCode, premise.Operator, premise.ValueCode);
    formulaSite_ = outer;
    return cnf;
}

float TExpertSystem::PremiseCnf(const TTailNode& premise) {
    const TPlanPremise planned{premise.Code,
                               premise.VarCode,
                               premise.ValueCode,
                               TCodeSlots::kAbsent,
                               TConsultPlan::OperatorOf(premise),
                               premise.Negated,
                               0};
    return PlannedPremiseCnf(planned);
}

float TExpertSystem::EvaluatePremise(const TPlanPremise& premise) {
    const int32_t varCode = premise.VarCode;
    const THeldSet* held =
        premise.VarSlot != TCodeSlots::kAbsent ? &held_[static_cast<std::size_t>(premise.VarSlot)] : nullptr;
    const auto holdsValue = [&] { return held ? !held->Empty() : HasInstantiation(varCode); };
    while (!holdsValue() && !RollingBack && !StopRequested) {
        // In a cyclic base the variable may already be under derivation: it
        // has no value for this premise.
        if (IsDeriving(varCode)) break;
        DeriveVariable(varCode);
        if (StopRequested) StopUnwinding();
        // A derivation that stored nothing (a host that released the wait
        // without an answer) must not loop for ever.
        if (!holdsValue()) break;
    }
    if (StopRequested || RollingBack) return FalseCnf;
    return PlannedPremiseCnf(premise);
}

// --------------------------------------------------------------------- rules

TRuleOutcome TExpertSystem::EvaluateRule(int32_t ruleSlot) {
    if (StopRequested) {
        StopUnwinding();
        return {};
    }
    ++Stats.RulesEvaluated;
    const TPlanRule& rule = plan_->Rule(ruleSlot);
    if (inferenceListener_) inferenceListener_->RuleStarted(rule.Code);
    const std::span<const TPlanPremise> premises = plan_->Premises(rule);
    struct TContext {
        TExpertSystem& engine;
        const TPlanRule& rule;
        std::span<const TPlanPremise> premises;
    } context{*this, rule, premises};
    return EvaluateRulePremises(
        plan_->Connectives(rule), *calculus_, EvaluateAllPremises,
        [&context](int index) {
            TExpertSystem& engine = context.engine;
            const TPlanPremise& premise = context.premises[static_cast<std::size_t>(index - 1)];
            engine.CurrentPremise = TPosition{context.rule.Code, index, true};
            ++engine.Stats.PremisesEvaluated;
            if (engine.Reporting) engine.ReportPosition(context.rule.Code, index, true);
            engine.Record(context.rule.Code, index);
            const float cnf = engine.EvaluatePremise(premise);
            if (engine.inferenceListener_ && !engine.RollingBack && !engine.StopRequested)
                engine.inferenceListener_->PremiseEvaluated(context.rule.Code, index, premise.VarCode, cnf);
            return cnf;
        },
        [this] { return RollingBack || StopRequested; });
}

void TExpertSystem::FireRule(int32_t ruleSlot, float cnf) {
    if (StopRequested || RollingBack) return;
    const TPlanRule& rule = plan_->Rule(ruleSlot);
    int32_t index = 0;
    for (const TPlanConclusion& head : plan_->Conclusions(rule)) {
        LastConclusionIndex = ++index;
        const float given = calculus_->ConclusionCnf(cnf, head.Cnf);
        if (Reporting) ReportPosition(rule.Code, index, false);
        if (inferenceListener_) inferenceListener_->ConclusionGiven(rule.Code, index, cnf, given);
        const TFormulaSite outer = std::exchange(formulaSite_, {rule.Code, head.VarCode});
        Instantiate(head.VarCode, std::to_string(head.ValueCode), true, given);
        formulaSite_ = outer;
    }
}

void TExpertSystem::TryRule(int32_t ruleSlot, bool& fired) {
    uint8_t& tried = triedRules_[static_cast<std::size_t>(ruleSlot)];
    if (tried) return;
    const int32_t ruleCode = plan_->Rule(ruleSlot).Code;
    const TRuleOutcome outcome = EvaluateRule(ruleSlot);
    if (RollingBack) return;
    if (inferenceListener_ && !StopRequested) inferenceListener_->RuleDecided(ruleCode, outcome.Accepted, outcome.Cnf);
    if (outcome.Accepted) {
        Record(kTapeRuleFired, ruleCode);
        FireRule(ruleSlot, outcome.Cnf);
        Record(kTapeConclusionsDone, ruleCode);
        fired = true;
    } else {
        Record(kTapeRuleRejected, ruleCode);
    }
    if (!RollingBack) tried = 1;
}

// ------------------------------------------------------------------ variables

void TExpertSystem::StopUnwinding() {
    Paused = false;
    Running = false;
}

void TExpertSystem::DeriveVariable(int32_t varCode) {
    if (StopRequested) {
        StopUnwinding();
        return;
    }
    // A chain of thousands of rules recurses deeply: end the consultation
    // cleanly before the stack runs out.
    const auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    if (stackLimit_ != 0 && here < stackLimit_ + kStackReserve) throw EExpertSystem(kTooDeep);
    const bool hadValue = HasInstantiation(varCode);
    Record(kTapeDeriving, varCode);
    if (inferenceListener_) inferenceListener_->VariableSought(varCode);

    const int32_t varSlot = plan_->VarSlot(varCode);
    const std::span<const int32_t> candidates =
        varSlot == TCodeSlots::kAbsent ? std::span<const int32_t>() : plan_->Candidates(plan_->Var(varSlot));
    // Going back to the last question while a formula derives its variables
    // finds no rule to try: the variable is asked, as it always was.
    if (candidates.empty() || RollingBack) {
        Ask(varCode);
        return;
    }
    uint8_t& deriving = deriving_[static_cast<std::size_t>(varSlot)];
    deriving = 1;
    struct TLeave {
        uint8_t& flag;
        ~TLeave() { flag = 0; }
    } leave{deriving};

    const bool multivalued = plan_->Var(varSlot).Multivalued;
    bool fired = false;
    for (const int32_t rule : candidates) {
        if (RollingBack || StopRequested || (!multivalued && fired)) break;
        TryRule(rule, fired);
    }
    if (!fired && !RollingBack && !StopRequested && !hadValue) {
        Record(kTapeDefaultUnknown, varCode);
        if (inferenceListener_) inferenceListener_->DefaultUnknown(varCode);
        Instantiate(varCode, "-1", true, TrueCnf);
    }
}

void TExpertSystem::Ask(int32_t varCode) {
    ++Stats.QuestionsAsked;
    Recording = true;
    Reporting = true;
    Waiting = true;
    if (OnPrompt)
        OnPrompt(*this, varCode);
    else
        ShowQuestion(varCode);
    WaitWhile(Waiting);
    if (RollingBack) return;
    Record(kTapeAnswered, varCode);
    ++QuestionCount;
    NotifyStateViews();
}

void TExpertSystem::PresentResults(int32_t varCode) {
    if (OnShowResults) OnShowResults(*this, varCode);
}

// ------------------------------------------------------------ instantiation

std::string TExpertSystem::NumberFromFormula(int32_t formulaCode, bool& unknown) {
    Record(kTapeFormulaBegin, 0);
    const float value = FormulaValue(formulaCode);
    unknown = LastUnknown;
    Record(kTapeFormulaEnd, 0);
    return FormatGeneral(value, 15);
}

void TExpertSystem::InstantiateNumeric(int32_t varCode, const std::string& valueText, bool isCode, int32_t code,
                                       float cnf, std::string& recordedText, bool& recordedIsCode) {
    const auto storeUnknown = [&] {
        while (varListExtra_->Find(varCode)) varListExtra_->DeleteCurrent();
        if (varList_->Find(varCode)) {
            varList_->SetValueCode(kCodeUnknown);
            varList_->SetCnf(cnf);
        } else {
            varList_->AddInstantiation(varCode, kCodeUnknown, cnf);
        }
        recordedText = "-1";
        recordedIsCode = true;
    };

    if (isCode && code == kCodeUnknown) {
        storeUnknown();
        return;
    }
    bool unknown = false;
    const std::string text = isCode ? NumberFromFormula(code, unknown) : valueText;
    if (StopRequested) return;
    if (unknown) {
        storeUnknown();
        return;
    }
    // An earlier "DESCONHECIDO" gives way to the number.
    while (varList_->Find(varCode)) varList_->DeleteCurrent();
    if (varListExtra_->Find(varCode)) {
        varListExtra_->SetValueText(text);
        varListExtra_->SetCnf(cnf);
    } else {
        varListExtra_->AddNumericInstantiation(varCode, text, cnf);
    }
    recordedText = text;
    recordedIsCode = false;
}

void TExpertSystem::InstantiateUnivalued(int32_t varCode, const std::string& valueText, bool isCode, int32_t code,
                                         float cnf, float& recordedCnf) {
    // What the variable holds tells which list needs looking up at all.
    const THeldSet* held = HeldSet(varCode);
    const bool heldSymbolic = (!held || !held->Codes.empty()) && varList_->Find(varCode);
    const bool heldNumeric = !heldSymbolic && (!held || !held->Numbers.empty()) && varListExtra_->Find(varCode);
    bool same = false;
    if (heldSymbolic)
        same = isCode && varList_->GetValueCode() == code;
    else if (heldNumeric)
        same = !isCode && AnsiSameText(varListExtra_->GetValueText(), valueText);

    if (isCode) {
        int32_t newCode = code;
        float newCnf = cnf;
        InvertYesNo(newCode, newCnf);
        if (same) {
            float accumulated = TCnfCalculus::AccumulateCnf(newCnf, varList_->GetCnf());
            int32_t heldCode = newCode;
            InvertYesNo(heldCode, accumulated);
            varList_->SetValueCode(heldCode);
            varList_->SetCnf(accumulated);
            recordedCnf = accumulated;
        } else if (heldSymbolic) {
            varList_->SetValueCode(newCode);
            varList_->SetCnf(newCnf);
        } else {
            if (heldNumeric) varListExtra_->DeleteCurrent();
            varList_->AddInstantiation(varCode, newCode, newCnf);
        }
        return;
    }
    if (same) {
        const float accumulated = TCnfCalculus::AccumulateCnf(cnf, varListExtra_->GetCnf());
        varListExtra_->SetCnf(accumulated);
        recordedCnf = accumulated;
    } else if (heldNumeric) {
        varListExtra_->SetValueText(valueText);
        varListExtra_->SetCnf(cnf);
    } else {
        if (heldSymbolic) varList_->DeleteCurrent();
        varListExtra_->AddNumericInstantiation(varCode, valueText, cnf);
    }
}

void TExpertSystem::Instantiate(int32_t varCode, const std::string& valueText, bool isCode, float cnf) {
    if (StopRequested) {
        StopUnwinding();
    } else {
        const int32_t code = isCode ? CodeFromText(valueText) : 0;
        std::string recordedText = valueText;
        bool recordedIsCode = isCode;
        float recordedCnf = cnf;
        bool store = true;
        if (VarIsNumeric(varCode)) {
            InstantiateNumeric(varCode, valueText, isCode, code, cnf, recordedText, recordedIsCode);
            store = !StopRequested;
        } else if (IsMultivalued(varCode)) {
            if (varList_->FindValue(varCode, code)) {
                recordedCnf = TCnfCalculus::AccumulateCnf(cnf, varList_->GetCnf());
                varList_->SetCnf(recordedCnf);
            } else {
                varList_->AddInstantiation(varCode, code, cnf);
            }
        } else {
            InstantiateUnivalued(varCode, valueText, isCode, code, cnf, recordedCnf);
        }
        if (store && !Replaying) instances_.AddInstance(varCode, recordedText, recordedIsCode, recordedCnf);
        NoteInstantiations(varCode);
        if (store && inferenceListener_) inferenceListener_->ValueStored(varCode, cnf);
    }
    NotifyValueViews();
    if (OnChange) OnChange(*this, varCode);
}

// -------------------------------------------------------------- the targets

void TExpertSystem::BeginConsultation() {
    isNew_ = false;
    StopRequested = false;
    RollingBack = false;
    Waiting = false;
    Replaying = false;
    Finished = false;
    Recording = true;
    Reporting = true;
    Running = true;
    FalseCnf = 0.0f;
    TrueCnf = 1.0f;
    CurrentPremise.reset();
    formulaSite_ = {};
    CurrentPosition = {};
    LastReportedPosition = {};

    plan_ = std::make_shared<const TConsultPlan>(*vars_, *values_, *rules_, *tails_, *heads_, *formulas_, *targets_,
                                                 *questions_);
    triedRules_.assign(plan_->RuleCount(), 0);
    deriving_.assign(plan_->VarCount(), 0);
    held_.assign(plan_->VarCount(), THeldSet());
    varList_ = std::make_unique<TVarListTree>(sink_);
    varListExtra_ = std::make_unique<TVarListExtraTree>(sink_);
    instances_.Clear();
    tape_.Clear();
    history_.clear();
    QuestionCount = 0;
    Stats = {};
    stackLimit_ = StackLimit();
    if (dialogFactory_) dialog_ = dialogFactory_(*this);
    if (inferenceListener_) inferenceListener_->ConsultationStarted();
}

void TExpertSystem::EndConsultation(bool failed) {
    Paused = false;
    Finished = true;
    if (dialog_) {
        if (!StopRequested && !failed) dialog_->CloseAtEnd();
        dialog_.reset();
    }
    StopRequested = false;
    tape_.Clear();
    varList_ = std::make_unique<TVarListTree>(sink_);
    varListExtra_ = std::make_unique<TVarListExtraTree>(sink_);
    instances_.Clear();
    plan_.reset();
    triedRules_.clear();
    deriving_.clear();
    held_.clear();
    history_.clear();
    Running = false;
    NotifyStateViews();
    if (OnFinish) OnFinish(*this);
}

void TExpertSystem::RunConsultation() {
    if (heads_->Count() == 0) throw EKBaseInvalid(kNoRulesYet);
    try {
        BeginConsultation();
        NotifyStateViews();
        NotifyValueViews();
        if (OnStart) OnStart(*this);
        for (int32_t index = 0; index < targets_->Count() && !StopRequested;) {
            const TTargetNode target = targets_->Get(index);
            if (OnFindTarget) {
                Waiting = true;
                OnFindTarget(*this, target.VarCode);
                WaitWhile(Waiting);
            }
            DeriveVariable(target.VarCode);
            if (RollingBack) {
                Rollback();
                continue;
            }
            if (!StopRequested && target.ShowResults) PresentResults(target.VarCode);
            QuestionCount = 0;
            NotifyStateViews();
            ++index;
        }
    } catch (const EExpSyntaxError& error) {
        const std::string message = FormulaErrorAt(error.what());
        EndConsultation(true);
        throw EExpSyntaxError(message);
    } catch (const EExpArithmeticError& error) {
        const std::string message = FormulaErrorAt(error.what());
        EndConsultation(true);
        throw EExpArithmeticError(message);
    } catch (...) {
        EndConsultation(true);
        throw;
    }
    EndConsultation();
}

std::string TExpertSystem::FormulaErrorAt(const char* error) {
    std::string message = error;
    if (formulaSite_.RuleCode == 0) return message;
    const auto saved = rules_->SaveCursors();
    const bool found = rules_->Find(formulaSite_.RuleCode);
    const int32_t order = found ? rules_->GetOrder() : 0;
    rules_->RestoreCursors(saved);
    if (found)
        message +=
            " (regra " + std::to_string(order) + ", vari\u00E1vel " + Cp1252ToUtf8(VarName(formulaSite_.VarCode)) + ")";
    return message;
}

void TExpertSystem::Start() {
    if (Running) return;
    Paused = false;
    RunConsultation();
}

}  // namespace quorvel
