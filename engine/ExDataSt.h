// Records of a knowledge base, the ordered multi-key containers that hold
// them, and the run-time lists, stacks and queue of a consultation.
//
// Every container keeps one ordered index per key (code; name, compared
// without regard to case; and a third integer key), each threaded in key order
// with records of equal key kept in insertion order, one cursor per key and an
// active key that the navigation operations follow.
//
// A container filled in one go (a file being read) keeps its records in one
// block and each key as a sorted array of entries, built without a single
// tree node; the name key, which needs a string sort, is sorted the first
// time it is used. The first edit turns every key into a balanced tree, so
// every keyed operation is O(log n) whatever the insertion order, and
// navigation, cursors and the order of equal keys are the same in both forms.
// Misuse (a cursor on no record) never throws: it shows a fixed message
// through the container's message sink and yields a placeholder.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "ExMessages.h"

namespace quorvel {

// ---------------------------------------------------------------- records

struct TNode {
    virtual ~TNode() = default;
    int32_t Code = 0;
};

struct TNamedNode : TNode {
    std::string Name;  // Windows-1252, at most 255 bytes
};

struct TVarNode : TNamedNode {
    bool Multivalued = false;
    bool Numeric = false;
};

// A value; in TRules the same record is a rule, VarCode holding its order.
struct TValNode : TNamedNode {
    int32_t VarCode = 0;
    int32_t Position = 0;
};

// A premise; Code is the code of its rule.
struct TTailNode : TNode {
    int32_t VarCode = 0;
    std::string Operator;  // "=", "<>", ">", "<", ">=", "<="
    int32_t ValueCode = 0;
    int32_t Connective = 0;  // 0 "E", 1 "OU", 2 "ENTÃO" (last premise)
    bool Negated = false;
};

// A conclusion; Code is the code of its rule.
struct THeadNode : TNode {
    int32_t VarCode = 0;
    int32_t ValueCode = 0;
    float Cnf = 0.0f;
};

// A question; Code is the code of the variable asked for.
struct TQuestionNode : TNode {
    std::string Text;
    std::vector<std::string> Reasons;
    bool UseCnf = false;
};

// A help context; Code is the code of the value.
struct TContextNode : TNode {
    int32_t HelpContext = 0;
};

struct TTargetNode {
    int32_t VarCode = 0;
    bool ShowResults = true;
};

// An instantiated value; Code is the variable's code.
struct TVarListNode : TNode {
    int32_t ValueCode = 0;
    float Cnf = 0.0f;
    // The key the list indexes the record by value under, as it was when
    // indexed (the record's fields may change afterwards); Seq 0: not indexed.
    struct {
        int32_t VarCode = 0;
        int32_t ValueCode = 0;
        uint64_t Seq = 0;  // the list's insertion sequence plus one
    } IndexedAs;
};

// An instantiated number; Code is the variable's code.
struct TVarListExtraNode : TNode {
    std::string ValueText;
    float Cnf = 0.0f;
};

class TSingleIndexTree;

struct TTreeofTreesNode : TNode {
    std::unique_ptr<TSingleIndexTree> Tree;
};

// ------------------------------------------------------------- containers

enum TKeyIndex : int { kKeyCode = 0, kKeyName = 1, kKeyThird = 2 };

class TSingleIndexTree {
protected:
    struct Entry;
    using IntIndex = std::map<std::pair<int32_t, uint64_t>, Entry*>;
    using NameIndex = std::map<std::pair<std::string, uint64_t>, Entry*>;

    // Records handed over in one go, kept where they are: a vector of a
    // record class, or of records allocated one by one.
    class TRecordBlock {
    public:
        virtual ~TRecordBlock() = default;
        virtual std::size_t Size() const = 0;
        virtual TNode& At(std::size_t i) = 0;
    };
    template <class Record>
    class TRecordBlockOf final : public TRecordBlock {
    public:
        explicit TRecordBlockOf(std::vector<Record> records) : records_(std::move(records)) {}
        std::size_t Size() const override { return records_.size(); }
        TNode& At(std::size_t i) override { return Held(records_[i]); }

    private:
        static TNode& Held(Record& record) {
            if constexpr (std::is_base_of_v<TNode, Record>)
                return record;
            else
                return *record;
        }
        std::vector<Record> records_;
    };

public:
    // A snapshot of the cursors and the active key, for callers that look
    // records up in the middle of an iteration.
    // Each cursor is remembered by its record's place in the code index, so
    // a record deleted in between simply leaves that cursor empty.
    struct TCursorState {
        std::pair<int32_t, uint64_t> at[3] = {{0, 0}, {0, 0}, {0, 0}};  // sequence 0: empty
        int activeKey = 0;
    };

    explicit TSingleIndexTree(IMessageSink* sink = nullptr);
    virtual ~TSingleIndexTree();
    TSingleIndexTree(const TSingleIndexTree&) = delete;
    TSingleIndexTree& operator=(const TSingleIndexTree&) = delete;

    void SetMessageSink(IMessageSink* sink);
    IMessageSink& Sink() const { return *sink_; }

    // Inserts a new empty record with this code; the code cursor moves to it.
    void Add(int32_t code);
    // Inserts records of the container's record class, in this order, as if
    // each were added in turn (equal keys keep this order; the code cursor
    // ends on the last). Into an empty container they go in bulk: the
    // records stay in the block they came in and each key is sorted once,
    // the way a file is read.
    void AddRecords(std::vector<std::unique_ptr<TNode>> records);
    template <class Record>
    void AddRecords(std::vector<Record> records) {
        static_assert(std::is_base_of_v<TNode, Record>);
        if (!records.empty()) Adopt(std::make_unique<TRecordBlockOf<Record>>(std::move(records)));
    }
    // Code cursor on the first record with this code, or empty. Returns !Eof().
    virtual bool Find(int32_t code);
    // Deletes the current record of the active key (on a run of equal codes:
    // the run's first record); the cursor moves to the next record.
    virtual void DeleteCurrent();

    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const;

    int32_t GetCode() const;
    int32_t Count() const { return count_; }
    int ActiveKey() const { return activeKey_; }
    void SetActiveKey(int key);

    // The lowest code >= 1 that no record carries; cursors are untouched.
    int32_t LowestFreeCode() const;
    // The records of a key's chain (default: the active key's) in the
    // balanced visiting order; cursors are untouched.
    std::vector<TNode*> BalancedOrder(int key = -1) const;
    // The 0-based chain positions visited for n records.
    static std::vector<int32_t> BalancedPositions(int32_t n);

    // The record under the active key's cursor, or nullptr.
    TNode* Current() const;
    // The record under one key's cursor, whatever the active key.
    TNode* CursorRecord(int key) const;
    // Records of a key's chain (default: the active key's), in chain order;
    // cursors are untouched.
    std::vector<TNode*> Records(int key = -1) const;

    TCursorState SaveCursors() const;
    void RestoreCursors(const TCursorState& state);

    // The cursors as a scoped guard keeps them (a guard never outlives the
    // container): the entries themselves. Going back never looks a record
    // up: an entry's memory stays with the container, and its sequence
    // number tells whether it still holds the same record (a record deleted
    // or moved to other keys leaves that cursor empty, as RestoreCursors does).
    struct TCursorMark {
        const void* entry[3] = {nullptr, nullptr, nullptr};
        uint64_t seq[3] = {0, 0, 0};
        int activeKey = 0;
    };
    TCursorMark MarkCursors() const;
    void ReturnToMark(const TCursorMark& mark);

protected:
    explicit TSingleIndexTree(int keyCount, IMessageSink* sink);

    virtual std::unique_ptr<TNode> NewRecord() const;

    // Inserts a record in every key of the container; the code cursor moves to it.
    Entry* Insert(std::unique_ptr<TNode> record, std::string_view name = {}, int32_t third = 0);
    // Takes an entry out of every key and frees it. Cursors standing on it
    // move to their next record.
    void Erase(Entry* entry);
    // Re-keys an entry in every key as if it had just been added.
    void Rekey(Entry* entry, std::string_view name, int32_t third);

    Entry* CursorEntry(int key) const;
    Entry* ActiveEntry() const { return CursorEntry(EffectiveKey()); }
    void SetCursor(int key, Entry* entry);
    int EffectiveKey() const { return activeKey_ < keyCount_ ? activeKey_ : kKeyCode; }
    Entry* FirstWithCode(int32_t code) const;
    Entry* FirstWithName(std::string_view name) const;
    Entry* FirstWithThird(int32_t third) const;
    Entry* NextInKey(const Entry* entry, int key) const;
    Entry* PriorInKey(const Entry* entry, int key) const;
    // The first (or last) entry of a key's chain, or null.
    Entry* EndOfKey(int key, bool last) const;
    // The entry of this code and insertion number, or null.
    Entry* EntryAt(int32_t code, uint64_t seq) const;
    // The upper-case name under which an entry is indexed.
    const std::string& NameKeyOf(const Entry* entry) const;
    // Deletes the first record of the active cursor's code run that `match`
    // accepts; the active cursor moves to the record after the current one.
    void DeleteMatching(const std::function<bool(const TNode&)>& match);
    // Deletes `victim` (null: the current record) on behalf of the current
    // record; the active cursor moves to the record after the current one.
    void DeleteOnBehalfOfCurrent(Entry* victim);
    // The name and third keys of a record as the container indexes it.
    virtual std::string_view NameKey(const TNode&) const { return {}; }
    virtual int32_t ThirdKey(const TNode&) const { return 0; }
    // Called for every record about to leave the container.
    virtual void Forget(TNode& record) { (void)record; }
    // Moves an entry to another third key, as if just added to that key.
    void RekeyThird(Entry* entry, int32_t third);

    // The current record of the active key with the lost-pointer message when
    // there is none (`property` names what was read or written).
    TNode* ReadAccess(const char* property) const;
    TNode* WriteAccess(const char* property) const;
    void Warn(const std::string& text) const;

    struct Entry {
        TNode* record = nullptr;
        std::unique_ptr<TNode> owned;  // empty when the record lives in a block
        uint64_t seq = 0;              // insertion order; 0 while the entry is free
        int32_t code = 0;              // the code and third key as indexed
        int32_t third = 0;
        // While the keys are sorted arrays: the entry's place in each.
        uint32_t slot[3] = {0, 0, 0};
        // Once the keys are trees: the entry's node in each.
        IntIndex::iterator codeIt;
        NameIndex::iterator nameIt;
        IntIndex::iterator thirdIt;
        Entry* nextFree = nullptr;
    };

    int keyCount_ = 1;

private:
    void Adopt(std::unique_ptr<TRecordBlock> block);
    // Inserts a record the container does not own by itself.
    Entry* Place(TNode& record, std::string_view name, int32_t third);
    // A key's sorted array (the name key sorted first if need be).
    const std::vector<Entry*>& SortedKey(int key) const;
    // Turns the sorted arrays into trees, before the first edit.
    void MakeEditable();
    // Sorts the name key of a bulk-filled container, on first use.
    void SortNames() const;
    Entry* NewEntry();
    void FreeEntry(Entry* entry);
    void Link(Entry* entry, std::string_view name, int32_t third);
    void Unlink(Entry* entry);
    void AddCodeToRuns(int32_t code);
    void RemoveCodeFromRuns(int32_t code);
    bool HasCode(int32_t code) const;

    IMessageSink* sink_;
    // Trees of the keys once the container has been edited.
    IntIndex codes_;
    NameIndex names_;
    IntIndex thirds_;
    // Sorted arrays of the keys while the container holds only what one bulk
    // load gave it (`sorted_` true); the name array and its upper-case keys
    // are filled on first use.
    bool sorted_ = false;
    mutable std::vector<Entry*> byKey_[3];
    mutable std::vector<std::string> nameKeys_;
    mutable bool namesSorted_ = false;
    mutable int32_t lowestFree_ = 0;  // cached while sorted_; 0: not yet known
    // Maximal runs of consecutive distinct codes >= 1 (start -> end), so the
    // lowest free code is found in O(log n) once the keys are trees.
    std::map<int64_t, int64_t> codeRuns_;
    // Entries are allocated in chunks and reused through a free list; bulk
    // records stay in their blocks until the container goes.
    std::vector<std::unique_ptr<Entry[]>> entryChunks_;
    std::size_t chunkUsed_ = 0;
    std::size_t chunkSize_ = 0;
    Entry* freeEntries_ = nullptr;
    std::vector<std::unique_ptr<TRecordBlock>> blocks_;
    uint64_t nextSeq_ = 1;
    int32_t count_ = 0;
    int activeKey_ = 0;
    Entry* cursor_[3] = {nullptr, nullptr, nullptr};
};

// Inline, as views keep and restore the cursors around each of their lookups.
inline TSingleIndexTree::TCursorState TSingleIndexTree::SaveCursors() const {
    TCursorState state;
    for (int k = 0; k < 3; ++k)
        if (cursor_[k]) state.at[k] = {cursor_[k]->code, cursor_[k]->seq};
    state.activeKey = activeKey_;
    return state;
}

inline TSingleIndexTree::TCursorMark TSingleIndexTree::MarkCursors() const {
    TCursorMark mark;
    for (int k = 0; k < 3; ++k)
        if (cursor_[k]) {
            mark.entry[k] = cursor_[k];
            mark.seq[k] = cursor_[k]->seq;
        }
    mark.activeKey = activeKey_;
    return mark;
}

inline void TSingleIndexTree::ReturnToMark(const TCursorMark& mark) {
    // An entry freed in between may hold another record by now, even under
    // the same cursor: only its sequence number tells.
    for (int k = 0; k < 3; ++k) {
        Entry* entry = static_cast<Entry*>(const_cast<void*>(mark.entry[k]));
        cursor_[k] = entry && entry->seq == mark.seq[k] ? entry : nullptr;
    }
    activeKey_ = mark.activeKey;
}

class TCodeNameIndexTree : public TSingleIndexTree {
public:
    explicit TCodeNameIndexTree(IMessageSink* sink = nullptr);

    // Inserts a new record with this code and name (cut to 255 bytes).
    void Add(int32_t code, std::string_view name);
    bool Find(int32_t code) override;  // also makes the code key active
    // Name cursor on the first record with this name (any letter case), or
    // empty; the name key becomes active. Returns !Eof().
    bool FindName(std::string_view name);
    std::string GetName() const;
    // Gives the current record a new name; the record keeps its code and
    // fields, and the cursor of the active key is placed again on it (key 2:
    // on the first record of its third key).
    void Rename(std::string_view newName);

protected:
    explicit TCodeNameIndexTree(int keyCount, IMessageSink* sink);
    std::unique_ptr<TNode> NewRecord() const override;
    std::string_view NameKey(const TNode& record) const override { return static_cast<const TNamedNode&>(record).Name; }
    virtual void Reposition(int key, Entry* entry, std::string_view newName);
};

class TVars : public TCodeNameIndexTree {
public:
    explicit TVars(IMessageSink* sink = nullptr);
    void AddVariable(int32_t code, std::string_view name, bool multivalued, bool numeric);
    bool GetMultivalued() const;
    void SetMultivalued(bool value);
    bool GetNumeric() const;
    void SetNumeric(bool value);
    TVarNode* CurrentVar() const { return static_cast<TVarNode*>(Current()); }

protected:
    std::unique_ptr<TNode> NewRecord() const override;
};

class TFormulas : public TCodeNameIndexTree {
public:
    explicit TFormulas(IMessageSink* sink = nullptr);
};

class TValues : public TCodeNameIndexTree {
public:
    explicit TValues(IMessageSink* sink = nullptr);
    void AddValue(int32_t code, std::string_view name, int32_t varCode, int32_t position);
    // Third cursor on the first record of this variable; the third key becomes active.
    bool FindByVarCode(int32_t varCode);
    // Name cursor on the value of this name that belongs to this variable;
    // empty when the variable has no such value. Returns !Eof().
    bool FindNameInVar(std::string_view name, int32_t varCode);
    int32_t GetVarCode() const;
    int32_t GetPosition() const;
    void SetPosition(int32_t position);
    TValNode* CurrentVal() const { return static_cast<TValNode*>(Current()); }

protected:
    std::unique_ptr<TNode> NewRecord() const override;
    int32_t ThirdKey(const TNode& record) const override { return static_cast<const TValNode&>(record).VarCode; }
    void Reposition(int key, Entry* entry, std::string_view newName) override;
};

// Rules: the third key holds each rule's order number.
class TRules : public TValues {
public:
    explicit TRules(IMessageSink* sink = nullptr);
    void AddRule(int32_t code, std::string_view name, int32_t order) { AddValue(code, name, order, 0); }
    bool FindByOrder(int32_t order) { return FindByVarCode(order); }
    int32_t GetOrder() const { return GetVarCode(); }
    // Moves the current rule to another order number (the rule keeps its
    // code, name and cursor).
    void SetOrder(int32_t order);
};

class TTails : public TSingleIndexTree {
public:
    explicit TTails(IMessageSink* sink = nullptr);
    void AddPremise(int32_t ruleCode, int32_t varCode, std::string_view op, int32_t valueCode, int32_t connective,
                    bool negated);
    int32_t GetVarCode() const;
    int32_t GetValueCode() const;
    std::string GetOperator() const;
    int32_t GetConnective() const;
    bool GetNegated() const;
    void SetVarCode(int32_t value);
    void SetValueCode(int32_t value);
    void SetOperator(std::string_view value);
    void SetConnective(int32_t value);
    void SetNegated(bool value);
    TTailNode* CurrentTail() const { return static_cast<TTailNode*>(Current()); }

protected:
    std::unique_ptr<TNode> NewRecord() const override;
};

class THeads : public TSingleIndexTree {
public:
    explicit THeads(IMessageSink* sink = nullptr);
    void AddConclusion(int32_t ruleCode, int32_t varCode, int32_t valueCode, float cnf);
    int32_t GetVarCode() const;
    int32_t GetValueCode() const;
    float GetCnf() const;
    void SetVarCode(int32_t value);
    void SetValueCode(int32_t value);
    void SetCnf(float value);
    THeadNode* CurrentHead() const { return static_cast<THeadNode*>(Current()); }

protected:
    std::unique_ptr<TNode> NewRecord() const override;
};

class TQuestions : public TSingleIndexTree {
public:
    explicit TQuestions(IMessageSink* sink = nullptr);
    // `reasons` may be null: the question then has no reason lines.
    void AddQuestion(int32_t varCode, std::string_view text, bool useCnf,
                     const std::vector<std::string>* reasons = nullptr);
    std::string GetText() const;
    void SetText(std::string_view value);
    std::vector<std::string> GetReasons() const;
    void SetReasons(const std::vector<std::string>& value);
    bool GetUseCnf() const;
    void SetUseCnf(bool value);
    TQuestionNode* CurrentQuestion() const { return static_cast<TQuestionNode*>(Current()); }

protected:
    std::unique_ptr<TNode> NewRecord() const override;
};

class THelpContexts : public TSingleIndexTree {
public:
    explicit THelpContexts(IMessageSink* sink = nullptr);
    void AddContext(int32_t valueCode, int32_t context);
    int32_t GetHelpContext() const;
    void SetHelpContext(int32_t value);

protected:
    std::unique_ptr<TNode> NewRecord() const override;
};

class TTreeOfTrees : public TSingleIndexTree {
public:
    explicit TTreeOfTrees(IMessageSink* sink = nullptr);
    // The entry owns the container (which may be null).
    void AddTree(int32_t code, std::unique_ptr<TSingleIndexTree> tree);
    TSingleIndexTree* GetTree() const;

protected:
    std::unique_ptr<TNode> NewRecord() const override;
};

// The targets in the order in which a consultation pursues them.
class TTargets {
public:
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    TTargetNode& Get(int32_t index) { return items_.at(static_cast<std::size_t>(index)); }
    const TTargetNode& Get(int32_t index) const { return items_.at(static_cast<std::size_t>(index)); }
    void Add(int32_t varCode, bool showResults = true) { items_.push_back({varCode, showResults}); }
    void Insert(int32_t index, TTargetNode target);
    void Delete(int32_t index);
    void Clear() { items_.clear(); }
    const std::vector<TTargetNode>& Items() const { return items_; }

private:
    std::vector<TTargetNode> items_;
};

// ------------------------------------------------------- run-time lists

class TVarListTree : public TSingleIndexTree {
public:
    explicit TVarListTree(IMessageSink* sink = nullptr);
    void AddInstantiation(int32_t varCode, int32_t valueCode, float cnf);
    // Code cursor on the first record of this variable holding this value
    // code, or empty. Returns !Eof(). O(log n) however many values a
    // multivalued variable holds.
    bool FindValue(int32_t varCode, int32_t valueCode);
    int32_t GetValueCode() const;
    void SetValueCode(int32_t value);
    float GetCnf() const;
    void SetCnf(float value);
    // Removes the record of the current record's variable and value code;
    // the cursor moves to the record that followed the current one.
    void DeleteCurrent() override;

protected:
    std::unique_ptr<TNode> NewRecord() const override;
    void Forget(TNode& record) override;

private:
    // (variable, value code, insertion sequence) -> record, so that a value of
    // a variable is found without walking the variable's run. A record keeps
    // its own sequence, so its key is known again when it leaves.
    using ValueKey = std::tuple<int32_t, int32_t, uint64_t>;
    std::map<ValueKey, Entry*> byValue_;
    void IndexValue(Entry* entry);
};

class TVarListExtraTree : public TSingleIndexTree {
public:
    explicit TVarListExtraTree(IMessageSink* sink = nullptr);
    void AddNumericInstantiation(int32_t varCode, std::string_view valueText, float cnf);
    std::string GetValueText() const;
    void SetValueText(std::string_view value);
    float GetCnf() const;
    void SetCnf(float value);
    // Removes the record of the current record's variable and value text.
    void DeleteCurrent() override;

protected:
    std::unique_ptr<TNode> NewRecord() const override;
};

struct TInstance {
    int32_t VarCode = 0;
    std::string ValueText;  // a value code in decimal when Flag is true, else a number's text
    float Cnf = 0.0f;
    bool Flag = false;
};

// What Retract needs of the engine.
class IInstantiator {
public:
    virtual ~IInstantiator() = default;
    virtual bool IsMultivalued(int32_t varCode) = 0;
    virtual void Instantiate(int32_t varCode, const std::string& valueText, bool isCode, float cnf) = 0;
};

class TInstanceList {
public:
    using Element = std::vector<TInstance>::iterator;

    void Append(TInstance instance) { items_.push_back(std::move(instance)); }
    void AddInstance(int32_t varCode, std::string_view valueText, bool flag, float cnf);
    void Remove(Element element) { items_.erase(element); }
    void RemoveAllOf(int32_t varCode);
    // Takes back the latest instantiation of the variable from the
    // instance list and the instantiation trees, then re-instantiates the
    // latest earlier instance of it, if any.
    void Retract(int32_t varCode, TVarListTree& values, TVarListExtraTree& numbers, IInstantiator& engine);
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    void Clear() { items_.clear(); }
    const std::vector<TInstance>& Items() const { return items_; }

private:
    // One flat array: appending never allocates a node; taking an
    // instantiation back (rare) moves the later ones down.
    std::vector<TInstance> items_;
};

template <class T>
class TStackOf {
public:
    explicit TStackOf(IMessageSink* sink = nullptr) : sink_(sink ? sink : &DefaultMessageSink()) {}
    void Push(T value) { items_.push_back(std::move(value)); }
    T Pop() {
        if (items_.empty()) return Empty();
        T value = std::move(items_.back());
        items_.pop_back();
        return value;
    }
    T Top() const { return items_.empty() ? Empty() : items_.back(); }
    bool IsEmpty() const { return items_.empty(); }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }

private:
    T Empty() const;
    IMessageSink* sink_;
    std::vector<T> items_;
};

using TStack = TStackOf<void*>;
using TIntegerStack = TStackOf<int32_t>;

// Callers check Count before Pop and Top.
class TStringStack {
public:
    void Push(std::string_view text) { items_.emplace_back(text); }
    std::string Pop();
    std::string Top() const { return items_.empty() ? std::string() : items_.back(); }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }

private:
    std::vector<std::string> items_;
};

class TQueue {
public:
    explicit TQueue(IMessageSink* sink = nullptr) : sink_(sink ? sink : &DefaultMessageSink()) {}
    void Enqueue(int32_t value) { items_.push_back(value); }
    int32_t Front();
    void Dequeue();
    bool IsEmpty() const { return items_.empty(); }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    // Keeps the first `count` elements.
    void Trim(int32_t count);
    bool Error() const { return error_; }

private:
    IMessageSink* sink_;
    std::deque<int32_t> items_;
    bool error_ = false;
};

template <class T>
T TStackOf<T>::Empty() const {
    sink_->ShowMessage(TMsgKind::Information, TMsgButtons::Ok, "Pilha vazia!");
    return T{};
}

}  // namespace quorvel
