#include "ExDataSt.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "ExConsts.h"
#include "ExText.h"

namespace quorvel {

// ----------------------------------------------------------- TSingleIndexTree

namespace {

// Sorts items by an integer key, equal keys keeping their order, and tells
// each item its place: a counting pass when the keys span a short range
// (codes read from a file always do), a stable sort otherwise. The items
// are visited in their given order, so a block of records is read
// sequentially whatever order the keys come in.
template <class T, class KeyOf, class Placed>
void StableSortByInt(std::vector<T*>& items, KeyOf keyOf, Placed placed) {
    const std::size_t n = items.size();
    int64_t low = n ? keyOf(items[0]) : 0;
    int64_t high = low;
    for (T* item : items) {
        low = std::min<int64_t>(low, keyOf(item));
        high = std::max<int64_t>(high, keyOf(item));
    }
    const auto range = static_cast<uint64_t>(high - low) + 1;
    if (n < 2 || range > std::max<uint64_t>(4 * n, 65536)) {
        std::stable_sort(items.begin(), items.end(), [&](T* a, T* b) { return keyOf(a) < keyOf(b); });
        for (std::size_t i = 0; i < n; ++i) placed(items[i], i);
        return;
    }
    std::vector<uint32_t> starts(static_cast<std::size_t>(range) + 1, 0);
    for (T* item : items) ++starts[static_cast<std::size_t>(keyOf(item) - low) + 1];
    for (std::size_t k = 1; k < starts.size(); ++k) starts[k] += starts[k - 1];
    std::vector<T*> sorted(n);
    for (T* item : items) {
        const uint32_t at = starts[static_cast<std::size_t>(keyOf(item) - low)]++;
        sorted[at] = item;
        placed(item, at);
    }
    items.swap(sorted);
}

}  // namespace

TSingleIndexTree::TSingleIndexTree(IMessageSink* sink) : TSingleIndexTree(1, sink) {}

TSingleIndexTree::TSingleIndexTree(int keyCount, IMessageSink* sink)
    : keyCount_(keyCount), sink_(sink ? sink : &DefaultMessageSink()) {}

// The entry chunks free the records allocated one by one, the blocks the
// records that came in bulk.
TSingleIndexTree::~TSingleIndexTree() = default;

void TSingleIndexTree::SetMessageSink(IMessageSink* sink) { sink_ = sink ? sink : &DefaultMessageSink(); }

std::unique_ptr<TNode> TSingleIndexTree::NewRecord() const { return std::make_unique<TNode>(); }

void TSingleIndexTree::Warn(const std::string& text) const {
    sink_->ShowMessage(TMsgKind::Warning, TMsgButtons::Ok, text);
}

TSingleIndexTree::Entry* TSingleIndexTree::NewEntry() {
    if (Entry* entry = freeEntries_) {
        freeEntries_ = entry->nextFree;
        entry->nextFree = nullptr;
        return entry;
    }
    if (chunkUsed_ == chunkSize_) {
        chunkSize_ = std::clamp<std::size_t>(2 * chunkSize_, 16, 4096);
        entryChunks_.push_back(std::make_unique<Entry[]>(chunkSize_));
        chunkUsed_ = 0;
    }
    return &entryChunks_.back()[chunkUsed_++];
}

void TSingleIndexTree::FreeEntry(Entry* entry) {
    entry->owned.reset();
    entry->record = nullptr;
    entry->seq = 0;
    entry->nextFree = freeEntries_;
    freeEntries_ = entry;
}

void TSingleIndexTree::Link(Entry* entry, std::string_view name, int32_t third) {
    const uint64_t seq = nextSeq_++;
    entry->seq = seq;
    entry->code = entry->record->Code;
    entry->third = third;
    entry->codeIt = codes_.emplace(std::make_pair(entry->code, seq), entry).first;
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

TSingleIndexTree::Entry* TSingleIndexTree::Insert(std::unique_ptr<TNode> record, std::string_view name, int32_t third) {
    Entry* entry = Place(*record, name, third);
    entry->owned = std::move(record);
    return entry;
}

TSingleIndexTree::Entry* TSingleIndexTree::Place(TNode& record, std::string_view name, int32_t third) {
    MakeEditable();
    const int32_t code = record.Code;
    const bool newCode = !HasCode(code);
    Entry* entry = NewEntry();
    entry->record = &record;
    Link(entry, name, third);
    if (newCode) AddCodeToRuns(code);
    cursor_[kKeyCode] = entry;
    ++count_;
    return entry;
}

void TSingleIndexTree::Erase(Entry* entry) {
    MakeEditable();
    for (int k = 0; k < keyCount_; ++k)
        if (cursor_[k] == entry) cursor_[k] = NextInKey(entry, k);
    const int32_t code = entry->code;
    Forget(*entry->record);
    Unlink(entry);
    if (!HasCode(code)) RemoveCodeFromRuns(code);
    FreeEntry(entry);
    --count_;
}

void TSingleIndexTree::Rekey(Entry* entry, std::string_view name, int32_t third) {
    MakeEditable();
    Unlink(entry);
    Link(entry, name, third);
}

void TSingleIndexTree::RekeyThird(Entry* entry, int32_t third) {
    if (keyCount_ < 3) return;
    MakeEditable();
    const uint64_t seq = nextSeq_++;
    thirds_.erase(entry->thirdIt);
    entry->third = third;
    entry->thirdIt = thirds_.emplace(std::make_pair(third, seq), entry).first;
}

void TSingleIndexTree::AddRecords(std::vector<std::unique_ptr<TNode>> records) {
    if (!records.empty()) Adopt(std::make_unique<TRecordBlockOf<std::unique_ptr<TNode>>>(std::move(records)));
}

void TSingleIndexTree::Adopt(std::unique_ptr<TRecordBlock> block) {
    TRecordBlock& records = *block;
    blocks_.push_back(std::move(block));
    const std::size_t n = records.Size();
    if (count_ != 0) {
        for (std::size_t i = 0; i < n; ++i) {
            TNode& record = records.At(i);
            const std::string name(NameKey(record));
            Place(record, name, ThirdKey(record));
        }
        return;
    }
    // Into an empty container: one chunk of entries in the records' order,
    // each integer key sorted by a counting pass, the names left for later.
    entryChunks_.push_back(std::make_unique<Entry[]>(n));
    Entry* entries = entryChunks_.back().get();
    chunkUsed_ = chunkSize_ = n;
    for (auto& key : byKey_) key.assign(n, nullptr);
    for (std::size_t i = 0; i < n; ++i) {
        Entry& entry = entries[i];
        entry.record = &records.At(i);
        entry.seq = nextSeq_++;
        entry.code = entry.record->Code;
        entry.third = keyCount_ >= 3 ? ThirdKey(*entry.record) : 0;
        byKey_[kKeyCode][i] = byKey_[kKeyThird][i] = &entry;
    }
    StableSortByInt(
        byKey_[kKeyCode], [](const Entry* e) { return e->code; },
        [](Entry* e, std::size_t at) { e->slot[kKeyCode] = static_cast<uint32_t>(at); });
    if (keyCount_ >= 3)
        StableSortByInt(
            byKey_[kKeyThird], [](const Entry* e) { return e->third; },
            [](Entry* e, std::size_t at) { e->slot[kKeyThird] = static_cast<uint32_t>(at); });
    else
        byKey_[kKeyThird].clear();
    byKey_[kKeyName].clear();
    nameKeys_.clear();
    namesSorted_ = false;
    lowestFree_ = 0;
    sorted_ = true;
    cursor_[kKeyCode] = &entries[n - 1];
    count_ = static_cast<int32_t>(n);
}

void TSingleIndexTree::SortNames() const {
    if (!sorted_ || namesSorted_ || keyCount_ < 2) return;
    // In insertion order, so that equal names keep it.
    std::vector<Entry*> entries = byKey_[kKeyCode];
    std::sort(entries.begin(), entries.end(), [](const Entry* a, const Entry* b) { return a->seq < b->seq; });
    std::vector<std::string> keys(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) keys[i] = AnsiUpperCase(NameKey(*entries[i]->record));
    std::vector<uint32_t> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
    auto& byName = byKey_[kKeyName];
    byName.resize(order.size());
    nameKeys_.resize(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        byName[i] = entries[order[i]];
        byName[i]->slot[kKeyName] = static_cast<uint32_t>(i);
        nameKeys_[i] = std::move(keys[order[i]]);
    }
    namesSorted_ = true;
}

void TSingleIndexTree::MakeEditable() {
    if (!sorted_) return;
    SortNames();
    const Entry* previous = nullptr;
    for (Entry* entry : byKey_[kKeyCode]) {
        entry->codeIt = codes_.emplace_hint(codes_.end(), std::make_pair(entry->code, entry->seq), entry);
        if (!previous || previous->code != entry->code) AddCodeToRuns(entry->code);
        previous = entry;
    }
    for (std::size_t i = 0; i < byKey_[kKeyName].size(); ++i) {
        Entry* entry = byKey_[kKeyName][i];
        entry->nameIt = names_.emplace_hint(names_.end(), std::make_pair(std::move(nameKeys_[i]), entry->seq), entry);
    }
    for (Entry* entry : byKey_[kKeyThird])
        entry->thirdIt = thirds_.emplace_hint(thirds_.end(), std::make_pair(entry->third, entry->seq), entry);
    for (auto& key : byKey_) std::vector<Entry*>().swap(key);
    std::vector<std::string>().swap(nameKeys_);
    namesSorted_ = false;
    sorted_ = false;
}

void TSingleIndexTree::Add(int32_t code) {
    auto record = NewRecord();
    record->Code = code;
    Insert(std::move(record));
}

namespace {

// The first entry of a sorted array whose key is not below `key`.
template <class Entry, class Key, class KeyOf>
Entry* FirstWithKey(const std::vector<Entry*>& sorted, const Key& key, KeyOf keyOf) {
    auto it = std::lower_bound(sorted.begin(), sorted.end(), key,
                               [&](const Entry* entry, const Key& wanted) { return keyOf(entry) < wanted; });
    return it != sorted.end() && keyOf(*it) == key ? *it : nullptr;
}

}  // namespace

TSingleIndexTree::Entry* TSingleIndexTree::FirstWithCode(int32_t code) const {
    if (sorted_) return FirstWithKey(byKey_[kKeyCode], code, [](const Entry* e) { return e->code; });
    auto it = codes_.lower_bound({code, 0});
    return it != codes_.end() && it->first.first == code ? it->second : nullptr;
}

TSingleIndexTree::Entry* TSingleIndexTree::FirstWithName(std::string_view name) const {
    const std::string key = AnsiUpperCase(name);
    if (sorted_) {
        SortNames();
        auto it = std::lower_bound(nameKeys_.begin(), nameKeys_.end(), key);
        return it != nameKeys_.end() && *it == key ? byKey_[kKeyName][static_cast<std::size_t>(it - nameKeys_.begin())]
                                                   : nullptr;
    }
    auto it = names_.lower_bound({key, 0});
    return it != names_.end() && it->first.first == key ? it->second : nullptr;
}

TSingleIndexTree::Entry* TSingleIndexTree::FirstWithThird(int32_t third) const {
    if (sorted_) return FirstWithKey(byKey_[kKeyThird], third, [](const Entry* e) { return e->third; });
    auto it = thirds_.lower_bound({third, 0});
    return it != thirds_.end() && it->first.first == third ? it->second : nullptr;
}

const std::vector<TSingleIndexTree::Entry*>& TSingleIndexTree::SortedKey(int key) const {
    if (key == kKeyName) SortNames();
    return byKey_[key];
}

TSingleIndexTree::Entry* TSingleIndexTree::NextInKey(const Entry* entry, int key) const {
    if (sorted_) {
        const auto& sorted = SortedKey(key);
        const std::size_t at = entry->slot[key] + std::size_t{1};
        return at < sorted.size() ? sorted[at] : nullptr;
    }
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

TSingleIndexTree::Entry* TSingleIndexTree::PriorInKey(const Entry* entry, int key) const {
    if (sorted_) {
        const auto& sorted = SortedKey(key);
        return entry->slot[key] > 0 ? sorted[entry->slot[key] - 1] : nullptr;
    }
    switch (key) {
        case kKeyName: return entry->nameIt == names_.begin() ? nullptr : std::prev(entry->nameIt)->second;
        case kKeyThird: return entry->thirdIt == thirds_.begin() ? nullptr : std::prev(entry->thirdIt)->second;
        default: return entry->codeIt == codes_.begin() ? nullptr : std::prev(entry->codeIt)->second;
    }
}

TSingleIndexTree::Entry* TSingleIndexTree::EndOfKey(int key, bool last) const {
    if (sorted_) {
        const auto& sorted = SortedKey(key);
        return sorted.empty() ? nullptr : last ? sorted.back() : sorted.front();
    }
    const auto end = [last](const auto& index) -> Entry* {
        return index.empty() ? nullptr : last ? std::prev(index.end())->second : index.begin()->second;
    };
    switch (key) {
        case kKeyName: return end(names_);
        case kKeyThird: return end(thirds_);
        default: return end(codes_);
    }
}

const std::string& TSingleIndexTree::NameKeyOf(const Entry* entry) const {
    if (sorted_) {
        SortNames();
        return nameKeys_[entry->slot[kKeyName]];
    }
    return entry->nameIt->first.first;
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
    cursor_[key] = EndOfKey(key, false);
}

void TSingleIndexTree::Last() {
    const int key = EffectiveKey();
    cursor_[key] = EndOfKey(key, true);
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
    if (!cursor_[key]) {
        Warn(msg::MoveBeforeStart);
        return;
    }
    cursor_[key] = PriorInKey(cursor_[key], key);
}

bool TSingleIndexTree::Eof() const { return ActiveEntry() == nullptr; }

TNode* TSingleIndexTree::Current() const {
    Entry* entry = ActiveEntry();
    return entry ? entry->record : nullptr;
}

TNode* TSingleIndexTree::CursorRecord(int key) const {
    Entry* entry = key >= 0 && key < keyCount_ ? cursor_[key] : nullptr;
    return entry ? entry->record : nullptr;
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
    if (sorted_) {
        // The arrays do not change until the first edit: one walk, remembered.
        if (lowestFree_ == 0) {
            int64_t free = 1;
            for (const Entry* entry : byKey_[kKeyCode]) {
                if (entry->code > free) break;
                if (entry->code == free) ++free;
            }
            lowestFree_ = static_cast<int32_t>(std::min<int64_t>(free, INT32_MAX));
        }
        return lowestFree_;
    }
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
    const int chain = key >= 0 && key < keyCount_ ? key : (key < 0 ? EffectiveKey() : kKeyCode);
    std::vector<TNode*> records;
    records.reserve(static_cast<std::size_t>(count_));
    if (sorted_) {
        for (const Entry* entry : SortedKey(chain)) records.push_back(entry->record);
        return records;
    }
    const auto take = [&records](const auto& index) {
        for (const auto& [k, entry] : index) records.push_back(entry->record);
    };
    switch (chain) {
        case kKeyName: take(names_); break;
        case kKeyThird: take(thirds_); break;
        default: take(codes_); break;
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

TSingleIndexTree::Entry* TSingleIndexTree::EntryAt(int32_t code, uint64_t seq) const {
    if (sorted_) {
        const auto& codes = byKey_[kKeyCode];
        auto it = std::lower_bound(codes.begin(), codes.end(), std::make_pair(code, seq),
                                   [](const Entry* e, const std::pair<int32_t, uint64_t>& wanted) {
                                       return std::make_pair(e->code, e->seq) < wanted;
                                   });
        return it != codes.end() && (*it)->code == code && (*it)->seq == seq ? *it : nullptr;
    }
    auto it = codes_.find({code, seq});
    return it != codes_.end() ? it->second : nullptr;
}

void TSingleIndexTree::RestoreCursors(const TCursorState& state) {
    for (int k = 0; k < 3; ++k)
        cursor_[k] = state.at[k].second == 0 ? nullptr : EntryAt(state.at[k].first, state.at[k].second);
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
    const int32_t third = entry->third;
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
    auto* var = static_cast<TVarNode*>(CursorEntry(kKeyCode)->record);
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
    while (entry && static_cast<TValNode*>(entry->record)->VarCode != varCode) {
        entry = NextInKey(entry, kKeyName);
        if (entry && NameKeyOf(entry) != key) entry = nullptr;
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
    const int32_t varCode = static_cast<TValNode*>(entry->record)->VarCode;
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
    static_cast<TValNode*>(entry->record)->VarCode = order;
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

void TTails::AddPremise(int32_t ruleCode, int32_t varCode, std::string_view op, int32_t valueCode, int32_t connective,
                        bool negated) {
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
int32_t TTails::GetConnective() const { return ReadField(ReadAccess(msg::PropConnective), &TTailNode::Connective); }
bool TTails::GetNegated() const { return ReadField(ReadAccess(msg::PropNegated), &TTailNode::Negated); }
void TTails::SetVarCode(int32_t value) { WriteField(WriteAccess(msg::PropVarCode), &TTailNode::VarCode, value); }
void TTails::SetValueCode(int32_t value) { WriteField(WriteAccess(msg::PropValueCode), &TTailNode::ValueCode, value); }
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
void THeads::SetValueCode(int32_t value) { WriteField(WriteAccess(msg::PropValueCode), &THeadNode::ValueCode, value); }
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
    auto* node = static_cast<TVarListNode*>(entry->record);
    node->IndexedAs = {node->Code, node->ValueCode, entry->seq + 1};
    byValue_.emplace(ValueKey{node->Code, node->ValueCode, entry->seq}, entry);
}

void TVarListTree::Forget(TNode& record) {
    auto& node = static_cast<TVarListNode&>(record);
    if (node.IndexedAs.Seq == 0) return;
    byValue_.erase(ValueKey{node.IndexedAs.VarCode, node.IndexedAs.ValueCode, node.IndexedAs.Seq - 1});
    node.IndexedAs = {};
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
    static_cast<TVarListNode*>(entry->record)->ValueCode = value;
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
void TVarListExtraTree::SetCnf(float value) { WriteField(WriteAccess(msg::PropCnf), &TVarListExtraNode::Cnf, value); }

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

void TInstanceList::Retract(int32_t varCode, TVarListTree& values, TVarListExtraTree& numbers, IInstantiator& engine) {
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
