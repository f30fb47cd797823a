#include "ExDataSt.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "ExConsts.h"
#include "ExText.h"

namespace quorvel {

// ----------------------------------------------------------- TSingleIndexTree

TSingleIndexTree::TSingleIndexTree(IMessageSink* sink) : TSingleIndexTree(1, sink) {}

TSingleIndexTree::TSingleIndexTree(int keyCount, IMessageSink* sink)
    : keyCount_(keyCount), sink_(sink ? sink : &DefaultMessageSink()) {}

TSingleIndexTree::~TSingleIndexTree() {
    for (auto& [key, entry] : codes_) delete entry;
}

void TSingleIndexTree::SetMessageSink(IMessageSink* sink) { sink_ = sink ? sink : &DefaultMessageSink(); }

std::unique_ptr<TNode> TSingleIndexTree::NewRecord() const { return std::make_unique<TNode>(); }

void TSingleIndexTree::Warn(const std::string& text) const {
    sink_->ShowMessage(TMsgKind::Warning, TMsgButtons::Ok, text);
}

void TSingleIndexTree::Link(Entry* entry, std::string_view name, int32_t third) {
    const uint64_t seq = nextSeq_++;
    entry->codeIt = codes_.emplace(std::make_pair(entry->record->Code, seq), entry).first;
    if (keyCount_ >= 2) entry->nameIt = names_.emplace(std::make_pair(AnsiUpperCase(name), seq), entry).first;
    if (keyCount_ >= 3) entry->thirdIt = thirds_.emplace(std::make_pair(third, seq), entry).first;
}

void TSingleIndexTree::Unlink(Entry* entry) {
    codes_.erase(entry->codeIt);
    if (keyCount_ >= 2) names_.erase(entry->nameIt);
    if (keyCount_ >= 3) thirds_.erase(entry->thirdIt);
}

bool TSingleIndexTree::HasCode(int32_t code) const { return FirstWithCode(code) != nullptr; }

void TSingleIndexTree::AddCodeToRuns(int32_t code) {
    if (code < 1) return;
    const int64_t c = code;
    int64_t end = c;
    auto it = codeRuns_.upper_bound(c);
    if (it != codeRuns_.end() && it->first == c + 1) {
        end = it->second;
        it = codeRuns_.erase(it);
    }
    if (it != codeRuns_.begin()) {
        auto prev = std::prev(it);
        if (prev->second == c - 1) {
            prev->second = end;
            return;
        }
    }
    codeRuns_.emplace(c, end);
}

void TSingleIndexTree::RemoveCodeFromRuns(int32_t code) {
    if (code < 1) return;
    const int64_t c = code;
    auto it = codeRuns_.upper_bound(c);
    if (it == codeRuns_.begin()) return;
    --it;
    const auto [start, end] = *it;
    if (end < c) return;
    codeRuns_.erase(it);
    if (start < c) codeRuns_.emplace(start, c - 1);
    if (c < end) codeRuns_.emplace(c + 1, end);
}

TSingleIndexTree::Entry* TSingleIndexTree::Insert(std::unique_ptr<TNode> record, std::string_view name,
                                                  int32_t third) {
    const int32_t code = record->Code;
    const bool newCode = !HasCode(code);
    auto* entry = new Entry{std::move(record), {}, {}, {}};
    Link(entry, name, third);
    if (newCode) AddCodeToRuns(code);
    cursor_[kKeyCode] = entry;
    ++count_;
    return entry;
}

void TSingleIndexTree::Erase(Entry* entry) {
    for (int k = 0; k < keyCount_; ++k)
        if (cursor_[k] == entry) cursor_[k] = NextInKey(entry, k);
    const int32_t code = entry->record->Code;
    Forget(*entry->record);
    Unlink(entry);
    if (!HasCode(code)) RemoveCodeFromRuns(code);
    delete entry;
    --count_;
}

void TSingleIndexTree::Rekey(Entry* entry, std::string_view name, int32_t third) {
    Unlink(entry);
    Link(entry, name, third);
}

void TSingleIndexTree::RekeyThird(Entry* entry, int32_t third) {
    if (keyCount_ < 3) return;
    const uint64_t seq = nextSeq_++;
    thirds_.erase(entry->thirdIt);
    entry->thirdIt = thirds_.emplace(std::make_pair(third, seq), entry).first;
}

void TSingleIndexTree::AddRecords(std::vector<std::unique_ptr<TNode>> records) {
    if (records.empty()) return;
    if (count_ != 0) {
        for (auto& record : records) {
            const std::string name(NameKey(*record));
            const int32_t third = ThirdKey(*record);
            Insert(std::move(record), name, third);
        }
        return;
    }
    // Every key gets its entries in sorted order, each inserted at the end
    // of its index: linear apart from the sorts.
    const std::size_t n = records.size();
    const uint64_t firstSeq = nextSeq_;
    nextSeq_ += n;
    std::vector<Entry*> entries(n);
    for (std::size_t i = 0; i < n; ++i) entries[i] = new Entry{std::move(records[i]), {}, {}, {}};
    std::vector<std::size_t> order(n);
    const auto sortBy = [&](auto key) {
        for (std::size_t i = 0; i < n; ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const auto& ka = key(a);
            const auto& kb = key(b);
            return ka != kb ? ka < kb : a < b;
        });
    };
    const auto codeOf = [&](std::size_t i) { return entries[i]->record->Code; };
    sortBy(codeOf);
    for (const std::size_t i : order)
        entries[i]->codeIt = codes_.emplace_hint(codes_.end(), std::make_pair(codeOf(i), firstSeq + i), entries[i]);
    for (std::size_t k = 0; k < n; ++k)
        if (k == 0 || codeOf(order[k]) != codeOf(order[k - 1])) AddCodeToRuns(codeOf(order[k]));
    if (keyCount_ >= 2) {
        std::vector<std::string> names(n);
        for (std::size_t i = 0; i < n; ++i) names[i] = AnsiUpperCase(NameKey(*entries[i]->record));
        sortBy([&](std::size_t i) -> const std::string& { return names[i]; });
        for (const std::size_t i : order)
            entries[i]->nameIt =
                names_.emplace_hint(names_.end(), std::make_pair(std::move(names[i]), firstSeq + i), entries[i]);
    }
    if (keyCount_ >= 3) {
        const auto thirdOf = [&](std::size_t i) { return ThirdKey(*entries[i]->record); };
        sortBy(thirdOf);
        for (const std::size_t i : order)
            entries[i]->thirdIt = thirds_.emplace_hint(thirds_.end(), std::make_pair(thirdOf(i), firstSeq + i), entries[i]);
    }
    cursor_[kKeyCode] = entries.back();
    count_ = static_cast<int32_t>(n);
}

void TSingleIndexTree::Add(int32_t code) {
    auto record = NewRecord();
    record->Code = code;
    Insert(std::move(record));
}

TSingleIndexTree::Entry* TSingleIndexTree::FirstWithCode(int32_t code) const {
    auto it = codes_.lower_bound({code, 0});
    return it != codes_.end() && it->first.first == code ? it->second : nullptr;
}

TSingleIndexTree::Entry* TSingleIndexTree::FirstWithName(std::string_view name) const {
    const std::string key = AnsiUpperCase(name);
    auto it = names_.lower_bound({key, 0});
    return it != names_.end() && it->first.first == key ? it->second : nullptr;
}

TSingleIndexTree::Entry* TSingleIndexTree::FirstWithThird(int32_t third) const {
    auto it = thirds_.lower_bound({third, 0});
    return it != thirds_.end() && it->first.first == third ? it->second : nullptr;
}

TSingleIndexTree::Entry* TSingleIndexTree::NextInKey(const Entry* entry, int key) const {
    switch (key) {
        case kKeyName: {
            auto it = std::next(entry->nameIt);
            return it == names_.end() ? nullptr : it->second;
        }
        case kKeyThird: {
            auto it = std::next(entry->thirdIt);
            return it == thirds_.end() ? nullptr : it->second;
        }
        default: {
            auto it = std::next(entry->codeIt);
            return it == codes_.end() ? nullptr : it->second;
        }
    }
}

TSingleIndexTree::Entry* TSingleIndexTree::CursorEntry(int key) const { return cursor_[key]; }

void TSingleIndexTree::SetCursor(int key, Entry* entry) { cursor_[key] = entry; }

bool TSingleIndexTree::Find(int32_t code) {
    cursor_[kKeyCode] = FirstWithCode(code);
    return cursor_[kKeyCode] != nullptr;
}

void TSingleIndexTree::DeleteOnBehalfOfCurrent(Entry* victim) {
    Entry* current = ActiveEntry();
    if (!current) {
        Warn(msg::DeleteLostPointer);
        return;
    }
    if (!victim) victim = current;
    const int key = EffectiveKey();
    Entry* next = NextInKey(current, key);
    if (victim == next) next = NextInKey(next, key);
    Erase(victim);
    cursor_[key] = next;
}

void TSingleIndexTree::DeleteMatching(const std::function<bool(const TNode&)>& match) {
    Entry* current = ActiveEntry();
    if (!current) {
        Warn(msg::DeleteLostPointer);
        return;
    }
    const int32_t code = current->record->Code;
    Entry* victim = FirstWithCode(code);
    while (victim && victim->record->Code == code && !match(*victim->record)) victim = NextInKey(victim, kKeyCode);
    if (!victim || victim->record->Code != code) victim = current;
    DeleteOnBehalfOfCurrent(victim);
}

void TSingleIndexTree::DeleteCurrent() {
    DeleteMatching([](const TNode&) { return true; });
}

void TSingleIndexTree::SetActiveKey(int key) { activeKey_ = key; }

void TSingleIndexTree::First() {
    const int key = EffectiveKey();
    switch (key) {
        case kKeyName: cursor_[key] = names_.empty() ? nullptr : names_.begin()->second; break;
        case kKeyThird: cursor_[key] = thirds_.empty() ? nullptr : thirds_.begin()->second; break;
        default: cursor_[key] = codes_.empty() ? nullptr : codes_.begin()->second; break;
    }
}

void TSingleIndexTree::Last() {
    const int key = EffectiveKey();
    switch (key) {
        case kKeyName: cursor_[key] = names_.empty() ? nullptr : std::prev(names_.end())->second; break;
        case kKeyThird: cursor_[key] = thirds_.empty() ? nullptr : std::prev(thirds_.end())->second; break;
        default: cursor_[key] = codes_.empty() ? nullptr : std::prev(codes_.end())->second; break;
    }
}

void TSingleIndexTree::Next() {
    const int key = EffectiveKey();
    if (!cursor_[key]) {
        Warn(msg::MoveAfterEnd);
        return;
    }
    cursor_[key] = NextInKey(cursor_[key], key);
}

void TSingleIndexTree::Prior() {
    const int key = EffectiveKey();
    Entry* entry = cursor_[key];
    if (!entry) {
        Warn(msg::MoveBeforeStart);
        return;
    }
    switch (key) {
        case kKeyName: cursor_[key] = entry->nameIt == names_.begin() ? nullptr : std::prev(entry->nameIt)->second; break;
        case kKeyThird:
            cursor_[key] = entry->thirdIt == thirds_.begin() ? nullptr : std::prev(entry->thirdIt)->second;
            break;
        default: cursor_[key] = entry->codeIt == codes_.begin() ? nullptr : std::prev(entry->codeIt)->second; break;
    }
}

bool TSingleIndexTree::Eof() const { return ActiveEntry() == nullptr; }

TNode* TSingleIndexTree::Current() const {
    Entry* entry = ActiveEntry();
    return entry ? entry->record.get() : nullptr;
}

TNode* TSingleIndexTree::CursorRecord(int key) const {
    Entry* entry = key >= 0 && key < keyCount_ ? cursor_[key] : nullptr;
    return entry ? entry->record.get() : nullptr;
}

TNode* TSingleIndexTree::ReadAccess(const char* property) const {
    TNode* record = Current();
    if (!record) Warn(std::string(msg::ReadLostPointer) + "\"" + property + "\"");
    return record;
}

TNode* TSingleIndexTree::WriteAccess(const char* property) const {
    TNode* record = Current();
    if (!record) Warn(std::string(msg::WriteLostPointer) + "\"" + property + "\"");
    return record;
}

int32_t TSingleIndexTree::GetCode() const {
    const TNode* record = ReadAccess(msg::PropCode);
    return record ? record->Code : 0;
}

int32_t TSingleIndexTree::LowestFreeCode() const {
    if (codeRuns_.empty() || codeRuns_.begin()->first != 1) return 1;
    const int64_t next = codeRuns_.begin()->second + 1;
    return next > INT32_MAX ? INT32_MAX : static_cast<int32_t>(next);
}

std::vector<int32_t> TSingleIndexTree::BalancedPositions(int32_t n) {
    std::vector<int32_t> order;
    if (n <= 0) return order;
    order.reserve(static_cast<std::size_t>(n));
    const int passes = n == 1 ? 1 : 2;
    for (int pass = 0; pass < passes; ++pass) {
        const int32_t start = n / 2 - pass;
        int32_t a = start;
        int32_t b = start + 2;
        while (a >= 0 || b < n) {
            if (a >= 0) {
                order.push_back(a);
                a -= 2;
            }
            if (b < n) {
                order.push_back(b);
                b += 2;
            }
        }
    }
    return order;
}

std::vector<TNode*> TSingleIndexTree::Records(int key) const {
    std::vector<TNode*> records;
    records.reserve(static_cast<std::size_t>(count_));
    switch (key >= 0 && key < keyCount_ ? key : (key < 0 ? EffectiveKey() : kKeyCode)) {
        case kKeyName:
            for (auto& [key, entry] : names_) records.push_back(entry->record.get());
            break;
        case kKeyThird:
            for (auto& [key, entry] : thirds_) records.push_back(entry->record.get());
            break;
        default:
            for (auto& [key, entry] : codes_) records.push_back(entry->record.get());
            break;
    }
    return records;
}

std::vector<TNode*> TSingleIndexTree::BalancedOrder(int key) const {
    const std::vector<TNode*> chain = Records(key);
    std::vector<TNode*> order;
    order.reserve(chain.size());
    for (int32_t position : BalancedPositions(static_cast<int32_t>(chain.size())))
        order.push_back(chain[static_cast<std::size_t>(position)]);
    return order;
}

TSingleIndexTree::TCursorState TSingleIndexTree::SaveCursors() const {
    TCursorState state;
    for (int k = 0; k < 3; ++k)
        if (cursor_[k]) state.at[k] = cursor_[k]->codeIt->first;
    state.activeKey = activeKey_;
    return state;
}

void TSingleIndexTree::RestoreCursors(const TCursorState& state) {
    for (int k = 0; k < 3; ++k) {
        cursor_[k] = nullptr;
        if (state.at[k].second == 0) continue;
        auto it = codes_.find(state.at[k]);
        if (it != codes_.end()) cursor_[k] = it->second;
    }
    activeKey_ = state.activeKey;
}

// ---------------------------------------------------------- TCodeNameIndexTree

TCodeNameIndexTree::TCodeNameIndexTree(IMessageSink* sink) : TSingleIndexTree(2, sink) {}
TCodeNameIndexTree::TCodeNameIndexTree(int keyCount, IMessageSink* sink) : TSingleIndexTree(keyCount, sink) {}

std::unique_ptr<TNode> TCodeNameIndexTree::NewRecord() const { return std::make_unique<TNamedNode>(); }

void TCodeNameIndexTree::Add(int32_t code, std::string_view name) {
    auto record = NewRecord();
    record->Code = code;
    auto& named = static_cast<TNamedNode&>(*record);
    named.Name = CutShort(name);
    const std::string stored = named.Name;
    Insert(std::move(record), stored);
}

bool TCodeNameIndexTree::Find(int32_t code) {
    SetActiveKey(kKeyCode);
    return TSingleIndexTree::Find(code);
}

bool TCodeNameIndexTree::FindName(std::string_view name) {
    SetActiveKey(kKeyName);
    SetCursor(kKeyName, FirstWithName(name));
    return CursorEntry(kKeyName) != nullptr;
}

std::string TCodeNameIndexTree::GetName() const {
    const TNode* record = ReadAccess(msg::PropName);
    return record ? static_cast<const TNamedNode*>(record)->Name : std::string();
}

void TCodeNameIndexTree::Rename(std::string_view newName) {
    Entry* entry = ActiveEntry();
    if (!entry) {
        Warn(msg::DeleteLostPointer);
        return;
    }
    const int key = ActiveKey();
    auto& named = static_cast<TNamedNode&>(*entry->record);
    named.Name = CutShort(newName);
    const int32_t third = keyCount_ >= 3 ? entry->thirdIt->first.first : 0;
    Rekey(entry, named.Name, third);
    Reposition(key, entry, named.Name);
}

void TCodeNameIndexTree::Reposition(int key, Entry* entry, std::string_view newName) {
    if (key == kKeyName)
        FindName(newName);
    else
        Find(entry->record->Code);
}

// ---------------------------------------------------------------------- TVars

TVars::TVars(IMessageSink* sink) : TCodeNameIndexTree(sink) {}

std::unique_ptr<TNode> TVars::NewRecord() const { return std::make_unique<TVarNode>(); }

void TVars::AddVariable(int32_t code, std::string_view name, bool multivalued, bool numeric) {
    Add(code, name);
    auto* var = static_cast<TVarNode*>(CursorEntry(kKeyCode)->record.get());
    var->Multivalued = multivalued;
    var->Numeric = numeric;
}

bool TVars::GetMultivalued() const {
    const TNode* record = ReadAccess(msg::PropMultivalued);
    return record && static_cast<const TVarNode*>(record)->Multivalued;
}

void TVars::SetMultivalued(bool value) {
    if (TNode* record = WriteAccess(msg::PropMultivalued)) static_cast<TVarNode*>(record)->Multivalued = value;
}

bool TVars::GetNumeric() const {
    const TNode* record = ReadAccess(msg::PropNumeric);
    return record && static_cast<const TVarNode*>(record)->Numeric;
}

void TVars::SetNumeric(bool value) {
    if (TNode* record = WriteAccess(msg::PropNumeric)) static_cast<TVarNode*>(record)->Numeric = value;
}

TFormulas::TFormulas(IMessageSink* sink) : TCodeNameIndexTree(sink) {}

// -------------------------------------------------------------------- TValues

TValues::TValues(IMessageSink* sink) : TCodeNameIndexTree(3, sink) {}

std::unique_ptr<TNode> TValues::NewRecord() const { return std::make_unique<TValNode>(); }

void TValues::AddValue(int32_t code, std::string_view name, int32_t varCode, int32_t position) {
    auto record = std::make_unique<TValNode>();
    record->Code = code;
    record->Name = CutShort(name);
    record->VarCode = varCode;
    record->Position = position;
    const std::string stored = record->Name;
    Insert(std::move(record), stored, varCode);
}

bool TValues::FindByVarCode(int32_t varCode) {
    SetActiveKey(kKeyThird);
    SetCursor(kKeyThird, FirstWithThird(varCode));
    return CursorEntry(kKeyThird) != nullptr;
}

bool TValues::FindNameInVar(std::string_view name, int32_t varCode) {
    FindName(name);
    const std::string key = AnsiUpperCase(name);
    Entry* entry = CursorEntry(kKeyName);
    while (entry && static_cast<TValNode*>(entry->record.get())->VarCode != varCode) {
        entry = NextInKey(entry, kKeyName);
        if (entry && entry->nameIt->first.first != key) entry = nullptr;
    }
    SetCursor(kKeyName, entry);
    return entry != nullptr;
}

int32_t TValues::GetVarCode() const {
    const TNode* record = ReadAccess(msg::PropVarCode);
    return record ? static_cast<const TValNode*>(record)->VarCode : 0;
}

int32_t TValues::GetPosition() const {
    const TNode* record = ReadAccess(msg::PropPosition);
    return record ? static_cast<const TValNode*>(record)->Position : 0;
}

void TValues::SetPosition(int32_t position) {
    if (TNode* record = WriteAccess(msg::PropPosition)) static_cast<TValNode*>(record)->Position = position;
}

void TValues::Reposition(int key, Entry* entry, std::string_view newName) {
    const int32_t varCode = static_cast<TValNode*>(entry->record.get())->VarCode;
    if (key == kKeyName)
        FindNameInVar(newName, varCode);
    else if (key == kKeyThird)
        FindByVarCode(varCode);
    else
        Find(entry->record->Code);
}

TRules::TRules(IMessageSink* sink) : TValues(sink) {}

void TRules::SetOrder(int32_t order) {
    Entry* entry = ActiveEntry();
    if (!WriteAccess(msg::PropVarCode)) return;
    static_cast<TValNode*>(entry->record.get())->VarCode = order;
    RekeyThird(entry, order);
}

// ---------------------------------------------------------- premises, conclusions

namespace {

template <class Record, class Field>
Field ReadField(const TNode* record, Field Record::*field) {
    return record ? static_cast<const Record*>(record)->*field : Field{};
}

template <class Record, class Field, class Value>
void WriteField(TNode* record, Field Record::*field, Value&& value) {
    if (record) static_cast<Record*>(record)->*field = std::forward<Value>(value);
}

}  // namespace

TTails::TTails(IMessageSink* sink) : TSingleIndexTree(sink) {}

std::unique_ptr<TNode> TTails::NewRecord() const { return std::make_unique<TTailNode>(); }

void TTails::AddPremise(int32_t ruleCode, int32_t varCode, std::string_view op, int32_t valueCode,
                        int32_t connective, bool negated) {
    auto record = std::make_unique<TTailNode>();
    record->Code = ruleCode;
    record->VarCode = varCode;
    record->Operator = std::string(op.substr(0, std::min<std::size_t>(op.size(), 2)));
    record->ValueCode = valueCode;
    record->Connective = connective;
    record->Negated = negated;
    Insert(std::move(record));
}

int32_t TTails::GetVarCode() const { return ReadField(ReadAccess(msg::PropVarCode), &TTailNode::VarCode); }
int32_t TTails::GetValueCode() const { return ReadField(ReadAccess(msg::PropValueCode), &TTailNode::ValueCode); }
std::string TTails::GetOperator() const { return ReadField(ReadAccess(msg::PropOperator), &TTailNode::Operator); }
int32_t TTails::GetConnective() const {
    return ReadField(ReadAccess(msg::PropConnective), &TTailNode::Connective);
}
bool TTails::GetNegated() const { return ReadField(ReadAccess(msg::PropNegated), &TTailNode::Negated); }
void TTails::SetVarCode(int32_t value) { WriteField(WriteAccess(msg::PropVarCode), &TTailNode::VarCode, value); }
void TTails::SetValueCode(int32_t value) {
    WriteField(WriteAccess(msg::PropValueCode), &TTailNode::ValueCode, value);
}
void TTails::SetOperator(std::string_view value) {
    WriteField(WriteAccess(msg::PropOperator), &TTailNode::Operator,
               std::string(value.substr(0, std::min<std::size_t>(value.size(), 2))));
}
void TTails::SetConnective(int32_t value) {
    WriteField(WriteAccess(msg::PropConnective), &TTailNode::Connective, value);
}
void TTails::SetNegated(bool value) { WriteField(WriteAccess(msg::PropNegated), &TTailNode::Negated, value); }

THeads::THeads(IMessageSink* sink) : TSingleIndexTree(sink) {}

std::unique_ptr<TNode> THeads::NewRecord() const { return std::make_unique<THeadNode>(); }

void THeads::AddConclusion(int32_t ruleCode, int32_t varCode, int32_t valueCode, float cnf) {
    auto record = std::make_unique<THeadNode>();
    record->Code = ruleCode;
    record->VarCode = varCode;
    record->ValueCode = valueCode;
    record->Cnf = cnf;
    Insert(std::move(record));
}

int32_t THeads::GetVarCode() const { return ReadField(ReadAccess(msg::PropVarCode), &THeadNode::VarCode); }
int32_t THeads::GetValueCode() const { return ReadField(ReadAccess(msg::PropValueCode), &THeadNode::ValueCode); }
float THeads::GetCnf() const { return ReadField(ReadAccess(msg::PropCnf), &THeadNode::Cnf); }
void THeads::SetVarCode(int32_t value) { WriteField(WriteAccess(msg::PropVarCode), &THeadNode::VarCode, value); }
void THeads::SetValueCode(int32_t value) {
    WriteField(WriteAccess(msg::PropValueCode), &THeadNode::ValueCode, value);
}
void THeads::SetCnf(float value) { WriteField(WriteAccess(msg::PropCnf), &THeadNode::Cnf, value); }

// ------------------------------------------------------- questions, contexts

TQuestions::TQuestions(IMessageSink* sink) : TSingleIndexTree(sink) {}

std::unique_ptr<TNode> TQuestions::NewRecord() const { return std::make_unique<TQuestionNode>(); }

void TQuestions::AddQuestion(int32_t varCode, std::string_view text, bool useCnf,
                             const std::vector<std::string>* reasons) {
    auto record = std::make_unique<TQuestionNode>();
    record->Code = varCode;
    record->Text = CutShort(text);
    record->UseCnf = useCnf;
    if (reasons)
        for (const auto& line : *reasons) record->Reasons.push_back(CutShort(line));
    Insert(std::move(record));
}

std::string TQuestions::GetText() const { return ReadField(ReadAccess(msg::PropQuestion), &TQuestionNode::Text); }
void TQuestions::SetText(std::string_view value) {
    WriteField(WriteAccess(msg::PropQuestion), &TQuestionNode::Text, CutShort(value));
}
std::vector<std::string> TQuestions::GetReasons() const {
    return ReadField(ReadAccess(msg::PropReasons), &TQuestionNode::Reasons);
}
void TQuestions::SetReasons(const std::vector<std::string>& value) {
    std::vector<std::string> lines;
    for (const auto& line : value) lines.push_back(CutShort(line));
    WriteField(WriteAccess(msg::PropReasons), &TQuestionNode::Reasons, std::move(lines));
}
bool TQuestions::GetUseCnf() const { return ReadField(ReadAccess(msg::PropUseCnf), &TQuestionNode::UseCnf); }
void TQuestions::SetUseCnf(bool value) { WriteField(WriteAccess(msg::PropUseCnf), &TQuestionNode::UseCnf, value); }

THelpContexts::THelpContexts(IMessageSink* sink) : TSingleIndexTree(sink) {}

std::unique_ptr<TNode> THelpContexts::NewRecord() const { return std::make_unique<TContextNode>(); }

void THelpContexts::AddContext(int32_t valueCode, int32_t context) {
    auto record = std::make_unique<TContextNode>();
    record->Code = valueCode;
    record->HelpContext = context;
    Insert(std::move(record));
}

int32_t THelpContexts::GetHelpContext() const {
    return ReadField(ReadAccess(msg::PropHelpContext), &TContextNode::HelpContext);
}
void THelpContexts::SetHelpContext(int32_t value) {
    WriteField(WriteAccess(msg::PropHelpContext), &TContextNode::HelpContext, value);
}

TTreeOfTrees::TTreeOfTrees(IMessageSink* sink) : TSingleIndexTree(sink) {}

std::unique_ptr<TNode> TTreeOfTrees::NewRecord() const { return std::make_unique<TTreeofTreesNode>(); }

void TTreeOfTrees::AddTree(int32_t code, std::unique_ptr<TSingleIndexTree> tree) {
    auto record = std::make_unique<TTreeofTreesNode>();
    record->Code = code;
    record->Tree = std::move(tree);
    Insert(std::move(record));
}

TSingleIndexTree* TTreeOfTrees::GetTree() const {
    const TNode* record = Current();
    if (!record) {
        Warn(msg::TreeLostPointer);
        return nullptr;
    }
    return static_cast<const TTreeofTreesNode*>(record)->Tree.get();
}

// -------------------------------------------------------------------- TTargets

void TTargets::Insert(int32_t index, TTargetNode target) {
    const auto at = std::clamp<int32_t>(index, 0, Count());
    items_.insert(items_.begin() + at, target);
}

void TTargets::Delete(int32_t index) {
    if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

// ------------------------------------------------------------- run-time lists

TVarListTree::TVarListTree(IMessageSink* sink) : TSingleIndexTree(sink) {}

std::unique_ptr<TNode> TVarListTree::NewRecord() const { return std::make_unique<TVarListNode>(); }

void TVarListTree::AddInstantiation(int32_t varCode, int32_t valueCode, float cnf) {
    auto record = std::make_unique<TVarListNode>();
    record->Code = varCode;
    record->ValueCode = valueCode;
    record->Cnf = cnf;
    IndexValue(Insert(std::move(record)));
}

void TVarListTree::IndexValue(Entry* entry) {
    const auto* node = static_cast<const TVarListNode*>(entry->record.get());
    const ValueKey key{node->Code, node->ValueCode, entry->codeIt->first.second};
    byValue_.emplace(key, entry);
    keyOf_[node] = key;
}

void TVarListTree::Forget(TNode& record) {
    auto it = keyOf_.find(&record);
    if (it == keyOf_.end()) return;
    byValue_.erase(it->second);
    keyOf_.erase(it);
}

bool TVarListTree::FindValue(int32_t varCode, int32_t valueCode) {
    auto it = byValue_.lower_bound({varCode, valueCode, 0});
    const bool found = it != byValue_.end() && std::get<0>(it->first) == varCode && std::get<1>(it->first) == valueCode;
    SetCursor(kKeyCode, found ? it->second : nullptr);
    return found;
}

int32_t TVarListTree::GetValueCode() const {
    return ReadField(ReadAccess(msg::PropValueCode), &TVarListNode::ValueCode);
}
void TVarListTree::SetValueCode(int32_t value) {
    Entry* entry = ActiveEntry();
    if (!WriteAccess(msg::PropValueCode)) return;
    Forget(*entry->record);
    static_cast<TVarListNode*>(entry->record.get())->ValueCode = value;
    IndexValue(entry);
}
float TVarListTree::GetCnf() const { return ReadField(ReadAccess(msg::PropCnf), &TVarListNode::Cnf); }
void TVarListTree::SetCnf(float value) { WriteField(WriteAccess(msg::PropCnf), &TVarListNode::Cnf, value); }

void TVarListTree::DeleteCurrent() {
    const auto* current = static_cast<const TVarListNode*>(Current());
    if (!current) {
        DeleteOnBehalfOfCurrent(nullptr);
        return;
    }
    // The run's first record with the current record's value code.
    auto it = byValue_.lower_bound({current->Code, current->ValueCode, 0});
    DeleteOnBehalfOfCurrent(it != byValue_.end() ? it->second : nullptr);
}

TVarListExtraTree::TVarListExtraTree(IMessageSink* sink) : TSingleIndexTree(sink) {}

std::unique_ptr<TNode> TVarListExtraTree::NewRecord() const { return std::make_unique<TVarListExtraNode>(); }

void TVarListExtraTree::AddNumericInstantiation(int32_t varCode, std::string_view valueText, float cnf) {
    auto record = std::make_unique<TVarListExtraNode>();
    record->Code = varCode;
    record->ValueText = CutShort(valueText);
    record->Cnf = cnf;
    Insert(std::move(record));
}

std::string TVarListExtraTree::GetValueText() const {
    return ReadField(ReadAccess(msg::PropValueText), &TVarListExtraNode::ValueText);
}
void TVarListExtraTree::SetValueText(std::string_view value) {
    WriteField(WriteAccess(msg::PropValueText), &TVarListExtraNode::ValueText, CutShort(value));
}
float TVarListExtraTree::GetCnf() const { return ReadField(ReadAccess(msg::PropCnf), &TVarListExtraNode::Cnf); }
void TVarListExtraTree::SetCnf(float value) {
    WriteField(WriteAccess(msg::PropCnf), &TVarListExtraNode::Cnf, value);
}

void TVarListExtraTree::DeleteCurrent() {
    const auto* current = static_cast<const TVarListExtraNode*>(Current());
    const std::string wanted = current ? current->ValueText : std::string();
    DeleteMatching(
        [&wanted](const TNode& node) { return static_cast<const TVarListExtraNode&>(node).ValueText == wanted; });
}

void TInstanceList::AddInstance(int32_t varCode, std::string_view valueText, bool flag, float cnf) {
    items_.push_back(TInstance{varCode, CutShort(valueText), cnf, flag});
}

void TInstanceList::RemoveAllOf(int32_t varCode) {
    std::erase_if(items_, [varCode](const TInstance& instance) { return instance.VarCode == varCode; });
}

namespace {

bool ParseCode(const std::string& text, int32_t& code) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), code);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

}  // namespace

void TInstanceList::Retract(int32_t varCode, TVarListTree& values, TVarListExtraTree& numbers,
                            IInstantiator& engine) {
    auto latest = std::find_if(items_.rbegin(), items_.rend(),
                               [varCode](const TInstance& instance) { return instance.VarCode == varCode; });
    if (latest == items_.rend()) return;
    const auto latestIt = std::prev(latest.base());
    const std::string text = latestIt->ValueText;
    const bool hasEarlier = latestIt != items_.begin();
    auto earlier = hasEarlier ? std::prev(latestIt) : items_.end();
    items_.erase(latestIt);

    const bool multivalued = engine.IsMultivalued(varCode);
    if (multivalued) {
        int32_t valueCode = 0;
        // Only this variable's values are searched: a value of another
        // variable is never taken back.
        if (ParseCode(text, valueCode) && values.FindValue(varCode, valueCode)) values.DeleteCurrent();
    } else {
        if (values.Find(varCode)) values.DeleteCurrent();
        if (numbers.Find(varCode)) numbers.DeleteCurrent();
    }

    if (!hasEarlier) return;
    for (;; --earlier) {
        if (earlier->VarCode == varCode && (!multivalued || earlier->ValueText == text)) {
            const TInstance again = *earlier;
            engine.Instantiate(varCode, again.ValueText, multivalued ? true : again.Flag, again.Cnf);
            return;
        }
        if (earlier == items_.begin()) return;
    }
}

std::string TStringStack::Pop() {
    if (items_.empty()) return std::string();
    std::string top = std::move(items_.back());
    items_.pop_back();
    return top;
}

int32_t TQueue::Front() {
    if (items_.empty()) {
        error_ = true;
        sink_->ShowMessage(TMsgKind::Warning, TMsgButtons::Ok, msg::EmptyQueue);
        return 0;
    }
    return items_.front();
}

void TQueue::Dequeue() {
    if (items_.empty()) {
        error_ = true;
        sink_->ShowMessage(TMsgKind::Warning, TMsgButtons::Ok, msg::EmptyQueue);
        return;
    }
    items_.pop_front();
}

void TQueue::Trim(int32_t count) {
    if (count < 0) count = 0;
    if (static_cast<std::size_t>(count) < items_.size()) items_.resize(static_cast<std::size_t>(count));
}

}  // namespace quorvel
