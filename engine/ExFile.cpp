// Reading and writing .bcm files: a fixed header, the password block and
// eleven sections of packed little-endian records.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

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

// Bounds-checked reading of the packed fields; the first fault sticks.
class TByteReader {
public:
    explicit TByteReader(const std::vector<uint8_t>& bytes, std::size_t pos) : bytes_(bytes), pos_(pos) {}

    bool Ok() const { return ok_; }
    std::size_t Left() const { return ok_ ? bytes_.size() - pos_ : 0; }

    int32_t Int16() {
        if (!Need(2)) return 0;
        const auto value = static_cast<int16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
        pos_ += 2;
        return value;
    }
    bool Byte() {
        if (!Need(1)) return false;
        return bytes_[pos_++] != 0;
    }
    std::string Str255() {
        if (!Need(kStr255Size)) return {};
        const std::size_t length = bytes_[pos_];
        std::string text(reinterpret_cast<const char*>(&bytes_[pos_ + 1]), length);
        pos_ += kStr255Size;
        return text;
    }
    std::string Str2() {
        if (!Need(3)) return {};
        const std::size_t length = bytes_[pos_];
        if (length > 2) {
            ok_ = false;
            return {};
        }
        std::string text(reinterpret_cast<const char*>(&bytes_[pos_ + 1]), length);
        pos_ += 3;
        return text;
    }
    float Real48() {
        if (!Need(6)) return 0.0f;
        const float value = DecodeReal48(&bytes_[pos_]);
        pos_ += 6;
        return value;
    }
    // A record count: <= 0 means none; a count whose records cannot fit in
    // what is left of the file marks the file as damaged.
    int32_t Count(std::size_t minimumRecordSize) {
        const int32_t count = Int16();
        if (!ok_ || count <= 0) return 0;
        if (static_cast<std::size_t>(count) * minimumRecordSize > Left()) {
            ok_ = false;
            return 0;
        }
        return count;
    }

private:
    bool Need(std::size_t n) {
        if (!ok_ || bytes_.size() - pos_ < n) {
            ok_ = false;
            return false;
        }
        return true;
    }

    const std::vector<uint8_t>& bytes_;
    std::size_t pos_;
    bool ok_ = true;
};

class TByteWriter {
public:
    void Int16(int32_t value) {
        bytes_.push_back(static_cast<uint8_t>(value & 0xFF));
        bytes_.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
    }
    void Byte(bool value) { bytes_.push_back(value ? 1 : 0); }
    void Raw(uint8_t value) { bytes_.push_back(value); }
    void Str255(std::string_view text) { Str(text, 255); }
    void Str2(std::string_view text) { Str(text, 2); }
    void Real48(float value) {
        uint8_t buffer[6];
        EncodeReal48(value, buffer);
        bytes_.insert(bytes_.end(), buffer, buffer + 6);
    }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    // Unused bytes of a short string are written as zeros.
    void Str(std::string_view text, std::size_t capacity) {
        const std::size_t length = std::min(text.size(), capacity);
        bytes_.push_back(static_cast<uint8_t>(length));
        bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
        bytes_.insert(bytes_.end(), capacity - length, 0);
    }

    std::vector<uint8_t> bytes_;
};

bool ReadWholeFile(const std::string& name, std::vector<uint8_t>& bytes) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

// ---------------------------------------------------------------- loading

bool TExpertSystem::Load(const std::string& name) {
    std::vector<uint8_t> bytes;
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0 || S_ISDIR(info.st_mode) || !ReadWholeFile(name, bytes)) {
        AccessLevel = kAccessNotABase;
        lastLoadStatus_ = TLoadStatus::CannotOpen;
        return false;
    }
    return LoadBytes(bytes);
}

bool TExpertSystem::LoadBytes(const std::vector<uint8_t>& bytes) {
    const std::size_t headerSize = kFileSignature.size() + 1;
    if (bytes.size() < headerSize || !std::equal(kFileSignature.begin(), kFileSignature.end(), bytes.begin())) {
        AccessLevel = kAccessNotABase;
        lastLoadStatus_ = TLoadStatus::NotABase;
        return false;
    }
    const uint8_t marker = bytes[kFileSignature.size()];
    if (marker != kMarkerVersion10 && marker != kMarkerVersion11) {
        ShowError(msg::NeedsNewerVersion);
        AccessLevel = kAccessNotABase;
        lastLoadStatus_ = TLoadStatus::NewerVersion;
        return false;
    }

    ClearBase();
    Version = marker == kMarkerVersion10 ? "1.0" : "1.1";
    lastLoadStatus_ = ReadBase(bytes) ? TLoadStatus::Ok
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
bool TExpertSystem::ReadBase(const std::vector<uint8_t>& bytes) {
    TByteReader in(bytes, kFileSignature.size() + 1);
    const std::string version = Version;

    TPasswordBlock block;
    block.Password = in.Str255();
    block.Restriction = static_cast<int16_t>(in.Int16());
    block.UsePassword = in.Byte();
    if (in.Ok()) {
        PasswordBlock = block;
        TFixedPasswordPrompt emptyEntry("");
        AccessLevel = CheckPassword(block, passwordPrompt_ ? *passwordPrompt_ : emptyEntry, *sink_);
        if (AccessLevel <= kAccessRefused) return false;
        if (AfterCheckPassword) AfterCheckPassword(*this);
        Version = version;
    }
    const bool v11 = Version != "1.0";

    BaseName = in.Str255();
    Authors = in.Str255();
    for (int32_t n = in.Count(kStr255Size); n > 0; --n) OpeningText.push_back(in.Str255());
    HelpFile = in.Str255();
    ShowOpening = in.Byte();
    if (v11) {
        for (TCnfFormula* formula : {&AndFormula, &OrFormula, &ConclusionFormula}) {
            formula->Text = in.Str255();
            formula->UseDefault = in.Byte();
        }
    }

    for (int32_t n = in.Count(260); n > 0 && in.Ok(); --n) {
        const int32_t code = in.Int16();
        const std::string varName = in.Str255();
        const bool multivalued = in.Byte();
        const bool numeric = in.Byte();
        if (in.Ok()) vars_->AddVariable(code, varName, multivalued, numeric);
    }

    std::map<int32_t, int32_t> positionsRead;
    for (int32_t n = in.Count(v11 ? 262 : 260); n > 0 && in.Ok(); --n) {
        const int32_t code = in.Int16();
        const std::string valueName = in.Str255();
        const int32_t varCode = in.Int16();
        const int32_t position = v11 ? in.Int16() : ++positionsRead[varCode];
        if (in.Ok()) values_->AddValue(code, valueName, varCode, position);
    }

    for (int32_t n = in.Count(12); n > 0 && in.Ok(); --n) {
        const int32_t ruleCode = in.Int16();
        const int32_t varCode = in.Int16();
        const int32_t valueCode = in.Int16();
        const float cnf = in.Real48();
        if (in.Ok()) heads_->AddConclusion(ruleCode, varCode, valueCode, cnf);
    }

    for (int32_t n = in.Count(12); n > 0 && in.Ok(); --n) {
        const int32_t ruleCode = in.Int16();
        const int32_t varCode = in.Int16();
        const std::string op = in.Str2();
        const int32_t valueCode = in.Int16();
        const int32_t connective = in.Int16();
        const bool negated = in.Byte();
        if (in.Ok()) tails_->AddPremise(ruleCode, varCode, op, valueCode, connective, negated);
    }

    for (int32_t n = in.Count(260); n > 0 && in.Ok(); --n) {
        const int32_t code = in.Int16();
        const std::string ruleName = in.Str255();
        const int32_t order = in.Int16();
        if (in.Ok()) rules_->AddRule(code, ruleName, order);
    }

    for (int32_t n = in.Count(258); n > 0 && in.Ok(); --n) {
        const int32_t code = in.Int16();
        const std::string text = in.Str255();
        if (in.Ok()) formulas_->Add(code, text);
    }

    for (int32_t n = in.Count(v11 ? 261 : 260); n > 0 && in.Ok(); --n) {
        const int32_t varCode = in.Int16();
        const std::string text = in.Str255();
        std::vector<std::string> reasons;
        for (int32_t m = in.Count(kStr255Size); m > 0; --m) reasons.push_back(in.Str255());
        const bool useCnf = v11 ? in.Byte() : true;
        if (in.Ok()) questions_->AddQuestion(varCode, text, useCnf, &reasons);
    }

    for (int32_t n = in.Count(v11 ? 3 : 2); n > 0 && in.Ok(); --n) {
        const int32_t varCode = in.Int16();
        const bool showResults = v11 ? in.Byte() : true;
        if (in.Ok()) targets_->Add(varCode, showResults);
    }

    for (int32_t n = in.Count(4); n > 0 && in.Ok(); --n) {
        const int32_t valueCode = in.Int16();
        const int32_t context = in.Int16();
        if (in.Ok()) helpContexts_->AddContext(valueCode, context);
    }

    const auto precedence = static_cast<int16_t>(in.Int16());
    const float minimumCnf = in.Real48();
    const bool evaluateAll = in.Byte();
    if (!in.Ok()) {
        AccessLevel = kAccessDamaged;
        ShowError(msg::DamagedFile);
        return false;
    }
    Precedence = precedence;
    MinimumCnf = minimumCnf;
    EvaluateAllPremises = evaluateAll;
    return true;
}

// ----------------------------------------------------------------- saving

namespace {

// Collects the first reason why the base does not fit the file format.
class TFitCheck {
public:
    void Int16(int32_t value, const std::string& what) {
        if (error_.empty() && (value < kInt16Min || value > kInt16Max))
            error_ = what + " " + std::to_string(value) + " não cabe em 16 bits";
    }
    void Count(std::size_t count, const std::string& what) {
        if (error_.empty() && count > static_cast<std::size_t>(kInt16Max))
            error_ = "há " + std::to_string(count) + " " + what + ", mais que 32767";
    }
    void Real(float value, const std::string& what) {
        uint8_t buffer[6];
        if (error_.empty() && !EncodeReal48(value, buffer))
            error_ = what + " " + FloatRoundTripText(value) + " não pode ser gravado no arquivo";
    }
    const std::string& Error() const { return error_; }

private:
    std::string error_;
};

// Runs of records with equal code, in code order.
template <class Record>
std::map<int32_t, std::vector<const Record*>> GroupByCode(const TSingleIndexTree& tree) {
    std::map<int32_t, std::vector<const Record*>> groups;
    for (const TNode* node : tree.Records(kKeyCode)) groups[node->Code].push_back(static_cast<const Record*>(node));
    return groups;
}

// The premises or conclusions of every rule, rule by rule in the rules'
// balanced order, then those whose rule does not exist, so that the count
// written always equals the records written.
template <class Record>
std::vector<const Record*> RuleLinesInFileOrder(const TSingleIndexTree& lines, const TRules& rules) {
    auto groups = GroupByCode<Record>(lines);
    std::vector<const Record*> ordered;
    ordered.reserve(static_cast<std::size_t>(lines.Count()));
    for (const TNode* rule : rules.BalancedOrder(kKeyCode)) {
        auto it = groups.find(rule->Code);
        if (it == groups.end()) continue;
        ordered.insert(ordered.end(), it->second.begin(), it->second.end());
        groups.erase(it);
    }
    for (const auto& [code, group] : groups) ordered.insert(ordered.end(), group.begin(), group.end());
    return ordered;
}

// A version 1.0 file stores no positions, so each variable's values take
// their variable's places of the balanced order in position order.
std::vector<const TValNode*> ValuesInFileOrder(const TValues& values, bool byPosition) {
    std::vector<const TValNode*> ordered;
    for (const TNode* node : values.BalancedOrder(kKeyCode)) ordered.push_back(static_cast<const TValNode*>(node));
    if (!byPosition) return ordered;
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

}  // namespace

bool TExpertSystem::Save(const std::string& name) {
    std::vector<uint8_t> bytes;
    return SaveBytes(bytes) && WriteFileSafely(name, bytes, lastSaveError_);
}

bool TExpertSystem::SaveBytes(std::vector<uint8_t>& bytes) {
    lastSaveError_.clear();
    const bool v11 = Version != "1.0";

    TFitCheck fit;
    fit.Count(OpeningText.size(), "linhas no texto de abertura");
    fit.Count(static_cast<std::size_t>(vars_->Count()), "variáveis");
    fit.Count(static_cast<std::size_t>(values_->Count()), "valores");
    fit.Count(static_cast<std::size_t>(heads_->Count()), "conclusões");
    fit.Count(static_cast<std::size_t>(tails_->Count()), "premissas");
    fit.Count(static_cast<std::size_t>(rules_->Count()), "regras");
    fit.Count(static_cast<std::size_t>(formulas_->Count()), "fórmulas");
    fit.Count(static_cast<std::size_t>(questions_->Count()), "perguntas");
    fit.Count(static_cast<std::size_t>(targets_->Count()), "objetivos");
    fit.Count(static_cast<std::size_t>(helpContexts_->Count()), "contextos de ajuda");
    fit.Real(MinimumCnf, "o CNF mínimo");
    for (const TNode* node : vars_->Records(kKeyCode)) fit.Int16(node->Code, "o código de variável");
    for (const TNode* node : values_->Records(kKeyCode)) {
        const auto* value = static_cast<const TValNode*>(node);
        fit.Int16(value->Code, "o código de valor");
        fit.Int16(value->VarCode, "o código de variável do valor");
        if (v11) fit.Int16(value->Position, "a posição de valor");
    }
    for (const TNode* node : heads_->Records(kKeyCode)) {
        const auto* head = static_cast<const THeadNode*>(node);
        fit.Int16(head->Code, "o código de regra da conclusão");
        fit.Int16(head->VarCode, "o código de variável da conclusão");
        fit.Int16(head->ValueCode, "o código de valor da conclusão");
        fit.Real(head->Cnf, "o CNF da conclusão");
    }
    for (const TNode* node : tails_->Records(kKeyCode)) {
        const auto* tail = static_cast<const TTailNode*>(node);
        fit.Int16(tail->Code, "o código de regra da premissa");
        fit.Int16(tail->VarCode, "o código de variável da premissa");
        fit.Int16(tail->ValueCode, "o código de valor da premissa");
        fit.Int16(tail->Connective, "o conectivo da premissa");
    }
    for (const TNode* node : rules_->Records(kKeyCode)) {
        fit.Int16(node->Code, "o código de regra");
        fit.Int16(static_cast<const TValNode*>(node)->VarCode, "a ordem de regra");
    }
    for (const TNode* node : formulas_->Records(kKeyCode)) fit.Int16(node->Code, "o código de fórmula");
    for (const TNode* node : questions_->Records(kKeyCode)) {
        fit.Int16(node->Code, "o código de variável da pergunta");
        fit.Count(static_cast<const TQuestionNode*>(node)->Reasons.size(), "linhas de motivo numa pergunta");
    }
    for (const TTargetNode& target : targets_->Items()) fit.Int16(target.VarCode, "o código de variável do objetivo");
    for (const TNode* node : helpContexts_->Records(kKeyCode)) {
        fit.Int16(node->Code, "o código de valor do contexto de ajuda");
        fit.Int16(static_cast<const TContextNode*>(node)->HelpContext, "o contexto de ajuda");
    }
    if (!fit.Error().empty()) {
        lastSaveError_ = "A base não cabe no formato do arquivo: " + fit.Error() + ".";
        return false;
    }

    TByteWriter out;
    for (uint8_t byte : kFileSignature) out.Raw(byte);
    out.Raw(v11 ? kMarkerVersion11 : kMarkerVersion10);

    out.Str255(PasswordBlock.Password);
    out.Int16(PasswordBlock.Restriction);
    out.Byte(PasswordBlock.UsePassword);

    out.Str255(BaseName);
    out.Str255(Authors);
    out.Int16(static_cast<int32_t>(OpeningText.size()));
    for (const auto& line : OpeningText) out.Str255(line);
    out.Str255(HelpFile);
    out.Byte(ShowOpening);
    if (v11) {
        for (const TCnfFormula* formula : {&AndFormula, &OrFormula, &ConclusionFormula}) {
            out.Str255(formula->Text);
            out.Byte(formula->UseDefault);
        }
    }

    out.Int16(vars_->Count());
    for (const TNode* node : vars_->BalancedOrder(kKeyCode)) {
        const auto* var = static_cast<const TVarNode*>(node);
        out.Int16(var->Code);
        out.Str255(var->Name);
        out.Byte(var->Multivalued);
        out.Byte(var->Numeric);
    }

    out.Int16(values_->Count());
    for (const TValNode* value : ValuesInFileOrder(*values_, !v11)) {
        out.Int16(value->Code);
        out.Str255(value->Name);
        out.Int16(value->VarCode);
        if (v11) out.Int16(value->Position);
    }

    out.Int16(heads_->Count());
    for (const THeadNode* head : RuleLinesInFileOrder<THeadNode>(*heads_, *rules_)) {
        out.Int16(head->Code);
        out.Int16(head->VarCode);
        out.Int16(head->ValueCode);
        out.Real48(head->Cnf);
    }

    out.Int16(tails_->Count());
    for (const TTailNode* tail : RuleLinesInFileOrder<TTailNode>(*tails_, *rules_)) {
        out.Int16(tail->Code);
        out.Int16(tail->VarCode);
        out.Str2(tail->Operator);
        out.Int16(tail->ValueCode);
        out.Int16(tail->Connective);
        out.Byte(tail->Negated);
    }

    out.Int16(rules_->Count());
    for (const TNode* node : rules_->BalancedOrder(kKeyCode)) {
        const auto* rule = static_cast<const TValNode*>(node);
        out.Int16(rule->Code);
        out.Str255(rule->Name);
        out.Int16(rule->VarCode);
    }

    out.Int16(formulas_->Count());
    for (const TNode* node : formulas_->BalancedOrder(kKeyCode)) {
        out.Int16(node->Code);
        out.Str255(static_cast<const TNamedNode*>(node)->Name);
    }

    out.Int16(questions_->Count());
    for (const TNode* node : questions_->BalancedOrder(kKeyCode)) {
        const auto* question = static_cast<const TQuestionNode*>(node);
        out.Int16(question->Code);
        out.Str255(question->Text);
        out.Int16(static_cast<int32_t>(question->Reasons.size()));
        for (const auto& line : question->Reasons) out.Str255(line);
        if (v11) out.Byte(question->UseCnf);
    }

    out.Int16(targets_->Count());
    for (const TTargetNode& target : targets_->Items()) {
        out.Int16(target.VarCode);
        if (v11) out.Byte(target.ShowResults);
    }

    out.Int16(helpContexts_->Count());
    for (const TNode* node : helpContexts_->BalancedOrder(kKeyCode)) {
        out.Int16(node->Code);
        out.Int16(static_cast<const TContextNode*>(node)->HelpContext);
    }

    out.Int16(Precedence);
    out.Real48(MinimumCnf);
    out.Byte(EvaluateAllPremises);

    bytes = out.Bytes();
    return true;
}

}  // namespace quorvel
