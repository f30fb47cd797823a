// Reading and writing .bcm files: a fixed header, the password block and
// eleven sections of packed little-endian records.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <type_traits>

#include "ExConsts.h"
#include "ExSafeWrite.h"
#include "ExSystem.h"
#include "ExText.h"

namespace quorvel {

// ------------------------------------------------------------------ real48

bool EncodeReal48(float value, uint8_t out[6]) {
    std::memset(out, 0, 6);
    if (!std::isfinite(value)) return false;
    if (value == 0.0f) return true;
    int exponent = 0;
    // value = m * 2^exponent with 0.5 <= |m| < 1, i.e. (2m) * 2^(exponent-1).
    const double mantissa = std::frexp(static_cast<double>(std::fabs(value)), &exponent);
    const int biased = exponent - 1 + 129;
    if (biased == 256 && mantissa == 0.5) {
        // 2^127 lies just above the largest real48, which reads back as this
        // very float: storing that keeps every number a file can hold writable.
        std::memset(out, 0xFF, 5);
        out[5] = value < 0 ? 0xFF : 0x7F;
        return true;
    }
    if (biased < 1 || biased > 255) return false;
    // A float has 24 significant bits: the 39-bit fraction holds them exactly.
    const auto fraction = static_cast<uint64_t>(std::ldexp(mantissa * 2.0 - 1.0, 39));
    out[0] = static_cast<uint8_t>(biased);
    for (int i = 0; i < 5; ++i) out[1 + i] = static_cast<uint8_t>(fraction >> (8 * i));
    if (value < 0) out[5] |= 0x80;
    return true;
}

float DecodeReal48(const uint8_t in[6]) {
    if (in[0] == 0) return 0.0f;
    uint64_t fraction = 0;
    for (int i = 0; i < 5; ++i) fraction |= static_cast<uint64_t>(in[1 + i]) << (8 * i);
    const bool negative = (fraction >> 39) & 1u;
    fraction &= (uint64_t{1} << 39) - 1;
    // 40 significant bits fit a double exactly; the one rounding is to float.
    const double magnitude = std::ldexp(1.0 + std::ldexp(static_cast<double>(fraction), -39), in[0] - 129);
    return static_cast<float>(negative ? -magnitude : magnitude);
}

namespace {

constexpr std::size_t kStr255Size = 256;
constexpr int32_t kInt16Min = -32768;
constexpr int32_t kInt16Max = 32767;

// ------------------------------------------------- two ways over a record
//
// Every section of the format is described once, as the list of its fields
// (see the sections below); the same description is run by one of these
// two, to write a base (checking on the way that it fits the format) or to
// read it. Each offers: Int16 (with what the field is, for the fit message),
// Count (of a section's records), Bool, Str255, Str2, Real48 (with what),
// Lines (a count and its str255 lines), and Default (a value a version 1.0
// file does not hold).

// A buffer of many megabytes is filled page by page, each page a fault that
// the kernel clears first: in 2 MiB pages the faults are a few hundred times
// fewer. Only advice; the kernel may ignore it.
void AskForLargePages(void* data, std::size_t size) {
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kLargePage - 1) & ~(kLargePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kLargePage - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// Appends the packed fields to one buffer, and keeps the first reason why
// the base does not fit the file format (the buffer is then worthless).
class TByteWriter {
public:
    explicit TByteWriter(std::size_t expected) {
        bytes_.reserve(expected);
        AskForLargePages(bytes_.data(), bytes_.capacity());
    }
    template <class Int>
    void Int16(const Int& value, const char* what = nullptr) {
        if (what && fault_.empty() && (value < kInt16Min || value > kInt16Max))
            fault_ = std::string(what) + " " + std::to_string(value) + " não cabe em 16 bits";
        const auto v = static_cast<int32_t>(value);
        const uint8_t two[2] = {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>((v >> 8) & 0xFF)};
        Put(two, 2);
    }
    void Count(std::size_t count, const char* what) {
        if (fault_.empty() && count > static_cast<std::size_t>(kInt16Max))
            fault_ = "há " + std::to_string(count) + " " + what + ", mais que 32767";
        Int16(static_cast<int32_t>(count));
    }
    void Bool(const bool& value) { Raw(value ? 1 : 0); }
    void Raw(uint8_t value) { bytes_.push_back(value); }
    void Str255(const std::string& text) { Str(text, 255); }
    void Str2(const std::string& text) { Str(text, 2); }
    void Real48(const float& value, const char* what = nullptr) {
        uint8_t buffer[6];
        if (!EncodeReal48(value, buffer) && what && fault_.empty())
            fault_ = std::string(what) + " " + FloatRoundTripText(value) + " não pode ser gravado no arquivo";
        Put(buffer, 6);
    }
    void Lines(const std::vector<std::string>& lines, const char* what) {
        Count(lines.size(), what);
        for (const auto& line : lines) Str255(line);
    }
    template <class T>
    void Default(const T&, const T&) {}
    const std::string& Fault() const { return fault_; }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

private:
    void Put(const uint8_t* data, std::size_t n) {
        const std::size_t at = bytes_.size();
        bytes_.resize(at + n);
        std::memcpy(bytes_.data() + at, data, n);
    }
    // Unused bytes of a short string are written as zeros.
    void Str(std::string_view text, std::size_t capacity) {
        const std::size_t length = std::min(text.size(), capacity);
        const std::size_t at = bytes_.size();
        bytes_.resize(at + 1 + capacity, 0);
        bytes_[at] = static_cast<uint8_t>(length);
        std::memcpy(bytes_.data() + at + 1, text.data(), length);
    }

    std::vector<uint8_t> bytes_;
    std::string fault_;
};

}  // namespace

// Bounds-checked reading of the packed fields, from bytes in memory or from
// a file read piece by piece through a small window (a file is never held
// whole in memory). The first fault sticks and every later field reads as
// zero or empty.
class TByteReader {
public:
    explicit TByteReader(const std::vector<uint8_t>& bytes) : data_(bytes.data()), end_(bytes.size()) {}
    // `size`: the file's size when known, else SIZE_MAX.
    TByteReader(int fd, std::size_t size) : fd_(fd), unread_(size), window_(kWindowSize) { data_ = window_.data(); }

    bool Ok() const { return ok_; }
    // A read of the file failed (as opposed to the file ending early).
    bool ReadFailed() const { return readFailed_; }
    std::size_t Left() const {
        if (!ok_) return 0;
        const std::size_t buffered = end_ - pos_;
        return unread_ > SIZE_MAX - buffered ? SIZE_MAX : buffered + unread_;
    }

    void Bytes(uint8_t* out, std::size_t n) {
        if (!Need(n)) return;
        std::memcpy(out, data_ + pos_, n);
        pos_ += n;
    }
    template <class Int>
    void Int16(Int& value, const char* = nullptr) {
        value = 0;
        if (!Need(2)) return;
        value = static_cast<Int>(static_cast<int16_t>(data_[pos_] | (data_[pos_ + 1] << 8)));
        pos_ += 2;
    }
    void Bool(bool& value) { value = Need(1) && data_[pos_++] != 0; }
    void Str255(std::string& text) {
        text.clear();
        if (!Need(kStr255Size)) return;
        text.assign(reinterpret_cast<const char*>(data_ + pos_ + 1), data_[pos_]);
        pos_ += kStr255Size;
    }
    void Str2(std::string& text) {
        text.clear();
        if (!Need(3)) return;
        if (data_[pos_] > 2) {
            ok_ = false;
            return;
        }
        text.assign(reinterpret_cast<const char*>(data_ + pos_ + 1), data_[pos_]);
        pos_ += 3;
    }
    void Real48(float& value, const char* = nullptr) {
        value = 0.0f;
        if (!Need(6)) return;
        value = DecodeReal48(data_ + pos_);
        pos_ += 6;
    }
    void Lines(std::vector<std::string>& lines, const char* = nullptr) {
        lines.clear();
        for (int32_t n = Count(kStr255Size); n > 0; --n) Str255(lines.emplace_back());
    }
    template <class T>
    void Default(T& value, const T& given) {
        value = given;
    }
    // A record count: <= 0 means none; a count whose records cannot fit in
    // what is left of the file marks the file as damaged.
    int32_t Count(std::size_t minimumRecordSize) {
        int32_t count = 0;
        Int16(count);
        if (!ok_ || count <= 0) return 0;
        if (static_cast<std::size_t>(count) * minimumRecordSize > Left()) {
            ok_ = false;
            return 0;
        }
        return count;
    }

private:
    // Large enough for any field, small enough to stay in the cache.
    static constexpr std::size_t kWindowSize = 256 * 1024;

    bool Need(std::size_t n) {
        if (ok_ && end_ - pos_ < n && fd_ >= 0) Refill(n);
        if (!ok_ || end_ - pos_ < n) {
            ok_ = false;
            return false;
        }
        return true;
    }
    // Moves what is left of the window to its start and reads after it.
    void Refill(std::size_t n) {
        const std::size_t kept = end_ - pos_;
        std::memmove(window_.data(), window_.data() + pos_, kept);
        pos_ = 0;
        end_ = kept;
        while (end_ < n) {
            const ssize_t got = ::read(fd_, window_.data() + end_, window_.size() - end_);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) readFailed_ = true;
            if (got <= 0) return;
            end_ += static_cast<std::size_t>(got);
            unread_ -= std::min(unread_, static_cast<std::size_t>(got));
        }
    }

    const uint8_t* data_ = nullptr;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    int fd_ = -1;
    std::size_t unread_ = 0;
    std::vector<uint8_t> window_;
    bool ok_ = true;
    bool readFailed_ = false;
};

namespace {

// ------------------------------------------------------------ the sections
//
// A record section is a struct with: Record (the container's record class),
// kWhat (the records, for the count's fit message), MinimumSize (bytes of
// the smallest record, against absurd counts), Fields (the record's fields
// in file order) and Container (where the records live). The writer visits
// them in the container's balanced order; the reader adds them in bulk.

template <class Container, class RecordType>
struct TRecordSection {
    using Record = RecordType;
    static std::vector<const Record*> InFileOrder(Container& container, bool /*v11*/) {
        std::vector<const Record*> ordered;
        for (const TNode* node : container.BalancedOrder(kKeyCode)) ordered.push_back(static_cast<const Record*>(node));
        return ordered;
    }
};

struct TVariablesSection : TRecordSection<TVars, TVarNode> {
    static constexpr const char* kWhat = "variáveis";
    static std::size_t MinimumSize(bool) { return 260; }
    static TVars& Container(TExpertSystem& base) { return base.Vars(); }
    template <class Io, class Var>
    static void Fields(Io& io, Var& var, bool) {
        io.Int16(var.Code, "o código de variável");
        io.Str255(var.Name);
        io.Bool(var.Multivalued);
        io.Bool(var.Numeric);
    }
};

struct TValuesSection : TRecordSection<TValues, TValNode> {
    static constexpr const char* kWhat = "valores";
    static std::size_t MinimumSize(bool v11) { return v11 ? 262 : 260; }
    static TValues& Container(TExpertSystem& base) { return base.Values(); }
    template <class Io, class Value>
    static void Fields(Io& io, Value& value, bool v11) {
        io.Int16(value.Code, "o código de valor");
        io.Str255(value.Name);
        io.Int16(value.VarCode, "o código de variável do valor");
        // Version 1.0 stores no positions: the reader numbers each
        // variable's values in file order (see Read).
        if (v11) io.Int16(value.Position, "a posição de valor");
    }
    // A version 1.0 file stores no positions, so each variable's values take
    // their variable's places of the balanced order in position order.
    static std::vector<const TValNode*> InFileOrder(TValues& values, bool v11) {
        std::vector<const TValNode*> ordered = TRecordSection::InFileOrder(values, v11);
        if (v11) return ordered;
        std::map<int32_t, std::vector<std::size_t>> slots;
        for (std::size_t i = 0; i < ordered.size(); ++i) slots[ordered[i]->VarCode].push_back(i);
        std::vector<const TValNode*> result(ordered.size());
        for (const auto& [varCode, places] : slots) {
            std::vector<const TValNode*> own;
            for (std::size_t place : places) own.push_back(ordered[place]);
            std::stable_sort(own.begin(), own.end(),
                             [](const TValNode* a, const TValNode* b) { return a->Position < b->Position; });
            for (std::size_t k = 0; k < places.size(); ++k) result[places[k]] = own[k];
        }
        return result;
    }
};

// The premises or conclusions of every rule, rule by rule in the rules'
// balanced order, then those whose rule does not exist, so that the count
// written always equals the records written. Within a rule they keep their
// stored order, which is significant.
template <class Container, class Record>
struct TRuleLinesSection : TRecordSection<Container, Record> {
    static std::vector<const Record*> InFileOrder(Container& lines, TRules& rules) {
        const std::vector<TNode*> chain = lines.Records(kKeyCode);
        std::vector<const Record*> ordered;
        ordered.reserve(chain.size());
        // The chain holds each rule's lines as one run, in stored order, the
        // runs in code order.
        struct TRun {
            int32_t code;
            std::size_t begin, end;
            bool written;
        };
        std::vector<TRun> runs;
        for (std::size_t i = 0; i < chain.size();) {
            std::size_t end = i + 1;
            while (end < chain.size() && chain[end]->Code == chain[i]->Code) ++end;
            runs.push_back({chain[i]->Code, i, end, false});
            i = end;
        }
        const auto take = [&](TRun& run) {
            for (std::size_t i = run.begin; i < run.end; ++i) ordered.push_back(static_cast<const Record*>(chain[i]));
            run.written = true;
        };
        for (const TNode* rule : rules.BalancedOrder(kKeyCode)) {
            auto it = std::lower_bound(runs.begin(), runs.end(), rule->Code,
                                       [](const TRun& run, int32_t code) { return run.code < code; });
            if (it != runs.end() && it->code == rule->Code && !it->written) take(*it);
        }
        for (TRun& run : runs)
            if (!run.written) take(run);
        return ordered;
    }
};

struct TConclusionsSection : TRuleLinesSection<THeads, THeadNode> {
    static constexpr const char* kWhat = "conclusões";
    static std::size_t MinimumSize(bool) { return 12; }
    static THeads& Container(TExpertSystem& base) { return base.Heads(); }
    static std::vector<const THeadNode*> InFileOrder(THeads& heads, TExpertSystem& base) {
        return TRuleLinesSection::InFileOrder(heads, base.Rules());
    }
    template <class Io, class Head>
    static void Fields(Io& io, Head& head, bool) {
        io.Int16(head.Code, "o código de regra da conclusão");
        io.Int16(head.VarCode, "o código de variável da conclusão");
        io.Int16(head.ValueCode, "o código de valor da conclusão");
        io.Real48(head.Cnf, "o CNF da conclusão");
    }
};

struct TPremisesSection : TRuleLinesSection<TTails, TTailNode> {
    static constexpr const char* kWhat = "premissas";
    static std::size_t MinimumSize(bool) { return 12; }
    static TTails& Container(TExpertSystem& base) { return base.Tails(); }
    static std::vector<const TTailNode*> InFileOrder(TTails& tails, TExpertSystem& base) {
        return TRuleLinesSection::InFileOrder(tails, base.Rules());
    }
    template <class Io, class Tail>
    static void Fields(Io& io, Tail& tail, bool) {
        io.Int16(tail.Code, "o código de regra da premissa");
        io.Int16(tail.VarCode, "o código de variável da premissa");
        io.Str2(tail.Operator);
        io.Int16(tail.ValueCode, "o código de valor da premissa");
        io.Int16(tail.Connective, "o conectivo da premissa");
        io.Bool(tail.Negated);
    }
};

// A rule record is a TValNode whose VarCode holds the order number.
struct TRulesSection : TRecordSection<TRules, TValNode> {
    static constexpr const char* kWhat = "regras";
    static std::size_t MinimumSize(bool) { return 260; }
    static TRules& Container(TExpertSystem& base) { return base.Rules(); }
    template <class Io, class Rule>
    static void Fields(Io& io, Rule& rule, bool) {
        io.Int16(rule.Code, "o código de regra");
        io.Str255(rule.Name);
        io.Int16(rule.VarCode, "a ordem de regra");
    }
};

struct TFormulasSection : TRecordSection<TFormulas, TNamedNode> {
    static constexpr const char* kWhat = "fórmulas";
    static std::size_t MinimumSize(bool) { return 258; }
    static TFormulas& Container(TExpertSystem& base) { return base.Formulas(); }
    template <class Io, class Formula>
    static void Fields(Io& io, Formula& formula, bool) {
        io.Int16(formula.Code, "o código de fórmula");
        io.Str255(formula.Name);
    }
};

struct TQuestionsSection : TRecordSection<TQuestions, TQuestionNode> {
    static constexpr const char* kWhat = "perguntas";
    static std::size_t MinimumSize(bool v11) { return v11 ? 261 : 260; }
    static TQuestions& Container(TExpertSystem& base) { return base.Questions(); }
    template <class Io, class Question>
    static void Fields(Io& io, Question& question, bool v11) {
        io.Int16(question.Code, "o código de variável da pergunta");
        io.Str255(question.Text);
        io.Lines(question.Reasons, "linhas de motivo numa pergunta");
        if (v11)
            io.Bool(question.UseCnf);
        else
            io.Default(question.UseCnf, true);
    }
};

struct THelpContextsSection : TRecordSection<THelpContexts, TContextNode> {
    static constexpr const char* kWhat = "contextos de ajuda";
    static std::size_t MinimumSize(bool) { return 4; }
    static THelpContexts& Container(TExpertSystem& base) { return base.HelpContexts(); }
    template <class Io, class Context>
    static void Fields(Io& io, Context& context, bool) {
        io.Int16(context.Code, "o código de valor do contexto de ajuda");
        io.Int16(context.HelpContext, "o contexto de ajuda");
    }
};

// The targets are a list, not a keyed container: their order is significant.
struct TTargetsSection {
    using Record = TTargetNode;
    static constexpr const char* kWhat = "objetivos";
    static std::size_t MinimumSize(bool v11) { return v11 ? 3 : 2; }
    static std::vector<const TTargetNode*> InFileOrder(TExpertSystem& base, bool) {
        std::vector<const TTargetNode*> ordered;
        for (const TTargetNode& target : base.Targets().Items()) ordered.push_back(&target);
        return ordered;
    }
    template <class Io, class Target>
    static void Fields(Io& io, Target& target, bool v11) {
        io.Int16(target.VarCode, "o código de variável do objetivo");
        if (v11)
            io.Bool(target.ShowResults);
        else
            io.Default(target.ShowResults, true);
    }
};

template <class Section>
std::vector<const typename Section::Record*> RecordsInFileOrder(TExpertSystem& base, bool v11) {
    if constexpr (std::is_same_v<Section, TConclusionsSection> || std::is_same_v<Section, TPremisesSection>)
        return Section::InFileOrder(Section::Container(base), base);
    else if constexpr (std::is_same_v<Section, TTargetsSection>)
        return Section::InFileOrder(base, v11);
    else
        return Section::InFileOrder(Section::Container(base), v11);
}

// Writes one record section: its count, then its records.
template <class Section, class Io>
void PutSection(Io& io, TExpertSystem& base, bool v11) {
    const auto records = RecordsInFileOrder<Section>(base, v11);
    io.Count(records.size(), Section::kWhat);
    for (const auto* record : records) Section::Fields(io, *record, v11);
}

// Reads one record section into fresh records, in file order, in one array.
template <class Section>
std::vector<typename Section::Record> ReadSection(TByteReader& in, bool v11) {
    std::vector<typename Section::Record> records;
    const int32_t count = in.Count(Section::MinimumSize(v11));
    records.reserve(static_cast<std::size_t>(count));
    for (int32_t n = count; n > 0 && in.Ok(); --n) {
        Section::Fields(in, records.emplace_back(), v11);
        if (!in.Ok()) records.pop_back();
    }
    return records;
}

template <class Section>
void ReadIntoContainer(TByteReader& in, TExpertSystem& base, bool v11) {
    Section::Container(base).AddRecords(ReadSection<Section>(in, v11));
}

// The fields outside the record sections: the password block, the general
// section and the options.
template <class Io, class Block>
void PasswordFields(Io& io, Block& block) {
    io.Str255(block.Password);
    io.Int16(block.Restriction);
    io.Bool(block.UsePassword);
}

template <class Io, class Base>
void GeneralFields(Io& io, Base& base, bool v11) {
    io.Str255(base.BaseName);
    io.Str255(base.Authors);
    io.Lines(base.OpeningText, "linhas no texto de abertura");
    io.Str255(base.HelpFile);
    io.Bool(base.ShowOpening);
    if (!v11) return;
    for (auto* formula : {&base.AndFormula, &base.OrFormula, &base.ConclusionFormula}) {
        io.Str255(formula->Text);
        io.Bool(formula->UseDefault);
    }
}

template <class Io, class Base>
void OptionsFields(Io& io, Base& base) {
    io.Int16(base.Precedence, "a precedência");
    io.Real48(base.MinimumCnf, "o CNF mínimo");
    io.Bool(base.EvaluateAllPremises);
}

// Every section after the password block, in file order; `fields` runs the
// general section and `records` each record section.
template <class Io>
void PutBody(Io& io, TExpertSystem& base, bool v11) {
    GeneralFields(io, base, v11);
    PutSection<TVariablesSection>(io, base, v11);
    PutSection<TValuesSection>(io, base, v11);
    PutSection<TConclusionsSection>(io, base, v11);
    PutSection<TPremisesSection>(io, base, v11);
    PutSection<TRulesSection>(io, base, v11);
    PutSection<TFormulasSection>(io, base, v11);
    PutSection<TQuestionsSection>(io, base, v11);
    PutSection<TTargetsSection>(io, base, v11);
    PutSection<THelpContextsSection>(io, base, v11);
    OptionsFields(io, base);
}

}  // namespace

// ---------------------------------------------------------------- loading

bool TExpertSystem::Load(const std::string& name) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        if (fd >= 0) ::close(fd);
        AccessLevel = kAccessNotABase;
        lastLoadStatus_ = TLoadStatus::CannotOpen;
        return false;
    }
    // Read through a window to the file's end; its size at opening only
    // bounds the counts that cannot be right.
    TByteReader in(fd, S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) : SIZE_MAX);
    const bool loaded = LoadFrom(in);
    ::close(fd);
    return loaded;
}

bool TExpertSystem::LoadBytes(const std::vector<uint8_t>& bytes) {
    TByteReader in(bytes);
    return LoadFrom(in);
}

bool TExpertSystem::LoadFrom(TByteReader& in) {
    std::array<uint8_t, kFileSignature.size() + 1> header{};
    in.Bytes(header.data(), header.size());
    if (in.ReadFailed()) {
        AccessLevel = kAccessNotABase;
        lastLoadStatus_ = TLoadStatus::CannotOpen;
        return false;
    }
    if (!in.Ok() || !HasBaseSignature(header)) {
        AccessLevel = kAccessNotABase;
        lastLoadStatus_ = TLoadStatus::NotABase;
        return false;
    }
    const uint8_t marker = header.back();
    if (marker != kMarkerVersion10 && marker != kMarkerVersion11) {
        ShowError(msg::NeedsNewerVersion);
        AccessLevel = kAccessNotABase;
        lastLoadStatus_ = TLoadStatus::NewerVersion;
        return false;
    }

    ClearBase();
    Version = marker == kMarkerVersion10 ? "1.0" : "1.1";
    lastLoadStatus_ = ReadBase(in) ? TLoadStatus::Ok
                      : AccessLevel == kAccessRefused ? TLoadStatus::Refused
                                                      : TLoadStatus::Damaged;
    if (lastLoadStatus_ == TLoadStatus::Ok) {
        isNew_ = false;
        return true;
    }
    const int32_t level = AccessLevel;
    ClearBase();
    AccessLevel = level;
    return false;
}

// Reads the password block and sections 3 to 13 into the cleared base.
// False when the password was refused (AccessLevel 0) or the file is
// damaged (AccessLevel -2, after the message).
bool TExpertSystem::ReadBase(TByteReader& in) {
    const std::string version = Version;

    TPasswordBlock block;
    PasswordFields(in, block);
    if (in.Ok()) {
        PasswordBlock = block;
        TFixedPasswordPrompt emptyEntry("");
        AccessLevel = CheckPassword(block, passwordPrompt_ ? *passwordPrompt_ : emptyEntry, *sink_);
        if (AccessLevel <= kAccessRefused) return false;
        if (AfterCheckPassword) AfterCheckPassword(*this);
        Version = version;
    }
    const bool v11 = Version != "1.0";

    GeneralFields(in, *this, v11);
    ReadIntoContainer<TVariablesSection>(in, *this, v11);
    {
        auto values = ReadSection<TValuesSection>(in, v11);
        if (!v11) {
            std::map<int32_t, int32_t> positionsRead;
            for (auto& value : values) value.Position = ++positionsRead[value.VarCode];
        }
        values_->AddRecords(std::move(values));
    }
    ReadIntoContainer<TConclusionsSection>(in, *this, v11);
    ReadIntoContainer<TPremisesSection>(in, *this, v11);
    ReadIntoContainer<TRulesSection>(in, *this, v11);
    ReadIntoContainer<TFormulasSection>(in, *this, v11);
    ReadIntoContainer<TQuestionsSection>(in, *this, v11);
    for (const auto& target : ReadSection<TTargetsSection>(in, v11)) targets_->Add(target.VarCode, target.ShowResults);
    ReadIntoContainer<THelpContextsSection>(in, *this, v11);

    struct {
        int16_t Precedence = 0;
        float MinimumCnf = 0.0f;
        bool EvaluateAllPremises = false;
    } options;
    OptionsFields(in, options);
    if (!in.Ok()) {
        AccessLevel = kAccessDamaged;
        ShowError(msg::DamagedFile);
        return false;
    }
    Precedence = options.Precedence;
    MinimumCnf = options.MinimumCnf;
    EvaluateAllPremises = options.EvaluateAllPremises;
    return true;
}

// ----------------------------------------------------------------- saving

bool TExpertSystem::Save(const std::string& name) {
    std::vector<uint8_t> bytes;
    return SaveBytes(bytes) && WriteFileSafely(name, bytes, lastSaveError_);
}

bool TExpertSystem::SaveBytes(std::vector<uint8_t>& bytes) {
    lastSaveError_.clear();
    const bool v11 = Version != "1.0";

    // The largest records are about 260 bytes; the buffer seldom grows.
    const auto records = static_cast<std::size_t>(vars_->Count() + values_->Count() + rules_->Count() +
                                                  formulas_->Count() + questions_->Count());
    TByteWriter out(2048 + 262 * records + 12 * static_cast<std::size_t>(heads_->Count() + tails_->Count()));
    for (uint8_t byte : kFileSignature) out.Raw(byte);
    out.Raw(v11 ? kMarkerVersion11 : kMarkerVersion10);
    PasswordFields(out, PasswordBlock);
    PutBody(out, *this, v11);
    if (!out.Fault().empty()) {
        lastSaveError_ = "A base não cabe no formato do arquivo: " + out.Fault() + ".";
        return false;
    }
    bytes = out.Take();
    return true;
}

}  // namespace quorvel
