#include "KbJson.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <unordered_set>
#include <string>
#include <utility>

#include "ExEditing.h"
#include "ExNames.h"
#include "ExText.h"

namespace quorvel::cli {

std::string TKbProblem::Text() const { return Place + ": " + Reason; }

namespace {

constexpr int64_t kInt16Min = -32768;
constexpr int64_t kInt16Max = 32767;
// Every list of the file is preceded by a 16-bit count.
constexpr std::size_t kMaxItems = 32767;

const char* const kOperators[] = {"=", "<>", ">", "<", ">=", "<="};

std::string Utf8(std::string_view text) { return Cp1252ToUtf8(text); }

std::string At(const std::string& place, std::string_view key) {
    return place.empty() ? std::string(key) : place + "." + std::string(key);
}

std::string Item(const std::string& place, std::size_t index) { return place + "[" + std::to_string(index) + "]"; }

std::string Quote(std::string_view utf8) { return "\"" + std::string(utf8) + "\""; }

// ------------------------------------------------------------------ writing

// The shortest decimal that reads back as the same single-precision number;
// the JSON writer prints the nearest double with that same shortest text.
double JsonNumber(float value) {
    const std::string text = FloatRoundTripText(value);
    double number = 0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

TJson CnfFormulaJson(const TCnfFormula& formula) {
    TJson json = TJson::object();
    json["useDefault"] = formula.UseDefault;
    json["text"] = Utf8(formula.Text);
    return json;
}

std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

// Premises or conclusions grouped by rule code, each group in stored order.
template <class Record>
std::map<int32_t, std::vector<const Record*>> LinesByRule(const TSingleIndexTree& lines) {
    std::map<int32_t, std::vector<const Record*>> groups;
    for (const TNode* node : lines.Records(kKeyCode)) groups[node->Code].push_back(static_cast<const Record*>(node));
    return groups;
}

}  // namespace

TJson BaseToJson(TExpertSystem& base, std::vector<std::string>& omitted, bool withPassword) {
    TJson json = TJson::object();
    json["version"] = base.Version;
    json["accessLevel"] = base.AccessLevel;

    TJson protection = TJson::object();
    protection["usePassword"] = base.PasswordBlock.UsePassword;
    protection["restriction"] = base.PasswordBlock.Restriction;
    protection["hasPassword"] = !base.PasswordBlock.Password.empty();
    // Anyone holding the scrambled bytes can unscramble them: only full access shows them.
    if (withPassword && base.AccessLevel == kAccessFull && !base.PasswordBlock.Password.empty())
        protection["scrambled"] = Hex(base.PasswordBlock.Password);
    json["protection"] = std::move(protection);

    json["name"] = Utf8(base.BaseName);
    json["authors"] = Utf8(base.Authors);
    TJson opening = TJson::array();
    for (const auto& line : base.OpeningText) opening.push_back(Utf8(line));
    json["openingText"] = std::move(opening);
    json["helpFile"] = Utf8(base.HelpFile);
    json["showOpening"] = base.ShowOpening;
    json["andFormula"] = CnfFormulaJson(base.AndFormula);
    json["orFormula"] = CnfFormulaJson(base.OrFormula);
    json["conclusionFormula"] = CnfFormulaJson(base.ConclusionFormula);
    json["precedence"] = base.Precedence;
    json["minimumCnf"] = JsonNumber(base.MinimumCnf);
    json["evaluateAllPremises"] = base.EvaluateAllPremises;

    TJson variables = TJson::array();
    for (const TNode* node : base.Vars().Records(kKeyCode)) {
        const auto* var = static_cast<const TVarNode*>(node);
        TJson item = TJson::object();
        item["code"] = var->Code;
        item["name"] = Utf8(var->Name);
        item["multivalued"] = var->Multivalued;
        item["numeric"] = var->Numeric;
        variables.push_back(std::move(item));
    }
    json["variables"] = std::move(variables);

    TJson values = TJson::array();
    for (const TNode* node : base.Values().Records(kKeyCode)) {
        const auto* value = static_cast<const TValNode*>(node);
        TJson item = TJson::object();
        item["code"] = value->Code;
        item["name"] = Utf8(value->Name);
        item["variable"] = value->VarCode;
        item["position"] = value->Position;
        values.push_back(std::move(item));
    }
    json["values"] = std::move(values);

    auto premises = LinesByRule<TTailNode>(base.Tails());
    auto conclusions = LinesByRule<THeadNode>(base.Heads());
    TJson rules = TJson::array();
    for (const TNode* node : base.Rules().Records(kKeyThird)) {
        const auto* rule = static_cast<const TValNode*>(node);
        TJson item = TJson::object();
        item["code"] = rule->Code;
        item["name"] = Utf8(rule->Name);
        item["order"] = rule->VarCode;
        // A rule's lines go with the first rule carrying its code, as in the file.
        TJson ruleTails = TJson::array();
        if (auto it = premises.find(rule->Code); it != premises.end()) {
            for (const TTailNode* tail : it->second) {
                TJson line = TJson::object();
                line["variable"] = tail->VarCode;
                line["operator"] = Utf8(tail->Operator);
                line["value"] = tail->ValueCode;
                line["connective"] = tail->Connective;
                line["negated"] = tail->Negated;
                ruleTails.push_back(std::move(line));
            }
            premises.erase(it);
        }
        TJson ruleHeads = TJson::array();
        if (auto it = conclusions.find(rule->Code); it != conclusions.end()) {
            for (const THeadNode* head : it->second) {
                TJson line = TJson::object();
                line["variable"] = head->VarCode;
                line["value"] = head->ValueCode;
                line["cnf"] = JsonNumber(head->Cnf);
                ruleHeads.push_back(std::move(line));
            }
            conclusions.erase(it);
        }
        item["premises"] = std::move(ruleTails);
        item["conclusions"] = std::move(ruleHeads);
        rules.push_back(std::move(item));
    }
    json["rules"] = std::move(rules);
    for (const auto& [code, lines] : premises)
        omitted.push_back(std::to_string(lines.size()) + " premissa(s) da regra " + std::to_string(code) +
                          ", que não existe");
    for (const auto& [code, lines] : conclusions)
        omitted.push_back(std::to_string(lines.size()) + " conclusão(ões) da regra " + std::to_string(code) +
                          ", que não existe");

    TJson formulas = TJson::array();
    for (const TNode* node : base.Formulas().Records(kKeyCode)) {
        TJson item = TJson::object();
        item["code"] = node->Code;
        item["text"] = Utf8(static_cast<const TNamedNode*>(node)->Name);
        formulas.push_back(std::move(item));
    }
    json["formulas"] = std::move(formulas);

    TJson questions = TJson::array();
    for (const TNode* node : base.Questions().Records(kKeyCode)) {
        const auto* question = static_cast<const TQuestionNode*>(node);
        TJson item = TJson::object();
        item["variable"] = question->Code;
        item["text"] = Utf8(question->Text);
        TJson reasons = TJson::array();
        for (const auto& line : question->Reasons) reasons.push_back(Utf8(line));
        item["reasons"] = std::move(reasons);
        item["useCnf"] = question->UseCnf;
        questions.push_back(std::move(item));
    }
    json["questions"] = std::move(questions);

    TJson targets = TJson::array();
    for (const TTargetNode& target : base.Targets().Items()) {
        TJson item = TJson::object();
        item["variable"] = target.VarCode;
        item["showResults"] = target.ShowResults;
        targets.push_back(std::move(item));
    }
    json["targets"] = std::move(targets);

    TJson contexts = TJson::array();
    for (const TNode* node : base.HelpContexts().Records(kKeyCode)) {
        TJson item = TJson::object();
        item["value"] = node->Code;
        item["context"] = static_cast<const TContextNode*>(node)->HelpContext;
        contexts.push_back(std::move(item));
    }
    json["helpContexts"] = std::move(contexts);
    return json;
}

TJson BaseToJson(TExpertSystem& base) {
    std::vector<std::string> omitted;
    return BaseToJson(base, omitted);
}

bool LacksPassword(const TJson& document) {
    if (!document.is_object()) return false;
    const auto protection = document.find("protection");
    if (protection == document.end() || !protection->is_object()) return false;
    const auto hasPassword = protection->find("hasPassword");
    return hasPassword != protection->end() && hasPassword->is_boolean() && hasPassword->get<bool>() &&
           !protection->contains("password") && !protection->contains("scrambled");
}

bool SupplyPassword(TJson& document, const std::string& password) {
    const auto converted = Utf8ToCp1252(password);
    if (!converted || converted->size() > kShortStringMax) return false;
    document["protection"]["scrambled"] = Hex(ScrambleText(*converted));
    return true;
}

std::string JsonText(const TJson& document) {
    return document.dump(2, ' ', false, TJson::error_handler_t::strict) + "\n";
}

// ------------------------------------------------------------------ parsing

namespace {

// "linha L, coluna C" of the byte at `offset`, as a text editor counts them.
std::string LineAndColumn(std::string_view text, std::size_t offset) {
    const std::size_t end = std::min(offset, text.size());
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i + 1 < end; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    const std::size_t column = end > lineStart ? end - lineStart : 1;
    return "linha " + std::to_string(line) + ", coluna " + std::to_string(column);
}

// Builds the document from the parser's events, in time and memory linear
// in the text. It refuses at once, naming the place, what no base can hold:
// nesting deeper than kMaxJsonDepth and lists longer than kMaxJsonItems; a
// field that an object repeats is reported and parsing goes on.
class TDocumentBuilder : public nlohmann::json_sax<TJson> {
public:
    TDocumentBuilder(TJson& root, std::string_view text, std::vector<TKbProblem>& problems)
        : root_(root), text_(text), problems_(problems) {}

    bool Stopped() const { return stopped_; }
    bool Repeated() const { return repeated_; }

    bool null() override { return Value(TJson(nullptr)); }
    bool boolean(bool value) override { return Value(TJson(value)); }
    bool number_integer(number_integer_t value) override { return Value(TJson(value)); }
    bool number_unsigned(number_unsigned_t value) override { return Value(TJson(value)); }
    bool number_float(number_float_t value, const string_t&) override { return Value(TJson(value)); }
    bool string(string_t& value) override { return Value(TJson(std::move(value))); }
    bool binary(binary_t& value) override { return Value(TJson::binary(value)); }

    bool start_object(std::size_t) override { return Open(TJson::object()); }
    bool start_array(std::size_t) override { return Open(TJson::array()); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }

    bool key(string_t& name) override {
        TFrame& top = frames_.back();
        if (!top.keys.insert(name).second) {
            problems_.push_back({Place(name), "campo repetido"});
            repeated_ = true;
        }
        top.key = std::move(name);
        return true;
    }

    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error) override {
        // 406: a number beyond what a double holds, such as 1e400.
        const bool overflow = error.id == 406;
        problems_.push_back({LineAndColumn(text_, position),
                             overflow ? "número grande demais" : "JSON malformado (ou texto que não é UTF-8)"});
        stopped_ = true;
        return false;
    }

private:
    struct TFrame {
        TJson* node;
        std::size_t items = 0;
        std::string key;                       // the object's field being read
        std::unordered_set<std::string> keys;  // the object's fields so far
    };

    // The place of the value being read, as "rules[3].premises[0]"; `key`
    // stands for the object's current field.
    std::string Place(std::string_view key = {}) const {
        std::string place;
        for (std::size_t i = 0; i < frames_.size(); ++i) {
            const TFrame& frame = frames_[i];
            const bool last = i + 1 == frames_.size();
            if (frame.node->is_array())
                place = Item(place, last ? frame.items : frame.items - 1);
            else
                place = At(place, last && !key.empty() ? key : frame.key);
        }
        return place.empty() ? "documento" : place;
    }

    bool Refuse(std::string place, std::string reason) {
        problems_.push_back({std::move(place), std::move(reason)});
        stopped_ = true;
        return false;
    }

    // Puts a value where the parser is: the document itself, the next item
    // of a list or the current field of an object.
    TJson* Add(TJson value) {
        if (frames_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        TFrame& top = frames_.back();
        if (top.node->is_array()) {
            if (top.items == kMaxJsonItems) {
                Refuse(Place(), "lista de mais de " + std::to_string(kMaxJsonItems) + " itens; o máximo é " +
                                    std::to_string(kMaxJsonItems));
                return nullptr;
            }
            ++top.items;
            auto& items = top.node->get_ref<TJson::array_t&>();
            items.push_back(std::move(value));
            return &items.back();
        }
        // The parser's own field lookup is linear in the object's size: the
        // fields are appended, and a repeated one was reported by key().
        auto& fields = top.node->get_ref<TJson::object_t&>();
        fields.emplace_back(top.key, std::move(value));
        return &fields.back().second;
    }

    bool Value(TJson value) { return Add(std::move(value)) != nullptr; }

    bool Open(TJson empty) {
        if (frames_.size() == kMaxJsonDepth)
            return Refuse(Place(), "aninhamento de mais de " + std::to_string(kMaxJsonDepth) + " níveis");
        TJson* node = Add(std::move(empty));
        if (!node) return false;
        frames_.push_back({node, 0, {}, {}});
        return true;
    }

    bool Close() {
        frames_.pop_back();
        return true;
    }

    TJson& root_;
    std::string_view text_;
    std::vector<TKbProblem>& problems_;
    std::vector<TFrame> frames_;
    bool stopped_ = false;
    bool repeated_ = false;
};

}  // namespace

TJson ParseKbJson(std::string_view text, std::vector<TKbProblem>& problems) {
    TJson document;
    TDocumentBuilder builder(document, text, problems);
    const bool parsed = TJson::sax_parse(text.begin(), text.end(), &builder);
    if (!parsed || builder.Stopped() || builder.Repeated()) return TJson();
    return document;
}

// ------------------------------------------------------------------ reading

namespace {

class TProblems {
public:
    explicit TProblems(std::vector<TKbProblem>& list) : list_(list), start_(list.size()) {}
    void Add(std::string place, std::string reason) { list_.push_back({std::move(place), std::move(reason)}); }
    bool Any() const { return list_.size() > start_; }
    std::size_t Count() const { return list_.size() - start_; }

private:
    std::vector<TKbProblem>& list_;
    std::size_t start_;
};

// The first character of a UTF-8 text that Windows-1252 cannot hold, as
// "\"ő\" (U+0151)"; the text is valid UTF-8 (the JSON parser checked it).
std::string FirstUnrepresentable(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
        const std::string_view one = text.substr(i, length);
        if (!Utf8ToCp1252(one)) {
            char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
            for (std::size_t k = 1; k < one.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(one[k]) & 0x3F);
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(cp));
            return Quote(one) + " (" + hex + ")";
        }
        i += length;
    }
    return {};
}

// One JSON object being read: it refuses the fields it does not know and
// reads typed fields, reporting every problem with the field's place.
// A field that is absent or wrong gives nullopt; `required` makes absence a problem.
class TObjectReader {
public:
    TObjectReader(const TJson& node, std::string place, TProblems& problems,
                  std::initializer_list<std::string_view> known)
        : place_(std::move(place)), problems_(problems) {
        if (!node.is_object()) {
            problems_.Add(place_.empty() ? "documento" : place_, "deve ser um objeto");
            return;
        }
        object_ = &node;
        // One pass over the object finds the known fields, so a huge object
        // costs no more than its size.
        for (const auto& [key, value] : node.items()) {
            if (std::find(known.begin(), known.end(), key) == known.end())
                problems_.Add(At(place_, key), "campo desconhecido");
            else
                fields_.emplace(key, &value);
        }
    }

    bool IsObject() const { return object_ != nullptr; }
    const std::string& Place() const { return place_; }
    std::string Place(std::string_view key) const { return At(place_, key); }

    const TJson* Field(std::string_view key, bool required) {
        if (!object_) return nullptr;
        const auto it = fields_.find(key);
        if (it == fields_.end()) {
            if (required) problems_.Add(Place(key), "campo obrigatório ausente");
            return nullptr;
        }
        return it->second;
    }

    std::optional<int32_t> Int16(std::string_view key, bool required) {
        const TJson* field = Field(key, required);
        if (!field) return std::nullopt;
        return Int16Of(*field, Place(key), problems_);
    }

    // A code of a record of the base: from 1 up.
    std::optional<int32_t> Code(std::string_view key) {
        const auto code = Int16(key, true);
        if (code && *code < 1) {
            problems_.Add(Place(key), "o código deve ser de 1 a 32767, não " + std::to_string(*code));
            return std::nullopt;
        }
        return code;
    }

    std::optional<bool> Bool(std::string_view key) {
        const TJson* field = Field(key, false);
        if (!field) return std::nullopt;
        if (!field->is_boolean()) {
            problems_.Add(Place(key), "deve ser true ou false");
            return std::nullopt;
        }
        return field->get<bool>();
    }

    // A text of the base: Windows-1252, at most 255 bytes.
    std::optional<std::string> Text(std::string_view key, bool required) {
        const TJson* field = Field(key, required);
        if (!field) return std::nullopt;
        return TextOf(*field, Place(key), problems_);
    }

    // A confidence: single precision that the file's 6-byte reals can hold.
    std::optional<float> Real(std::string_view key) {
        const TJson* field = Field(key, false);
        if (!field) return std::nullopt;
        if (!field->is_number()) {
            problems_.Add(Place(key), "deve ser um número");
            return std::nullopt;
        }
        // The shortest text of the double is the decimal that was written;
        // read directly as single precision it gives the intended number.
        char text[64];
        const auto written = std::to_chars(text, text + sizeof text, field->get<double>());
        float value = 0;
        const auto read = std::from_chars(text, written.ptr, value);
        uint8_t real48[6];
        if (read.ec != std::errc() || !EncodeReal48(value, real48)) {
            problems_.Add(Place(key), std::string(text, written.ptr) + " não pode ser gravado no arquivo");
            return std::nullopt;
        }
        return value;
    }

    // A list of at most 32767 items (the file counts them in 16 bits).
    const TJson* List(std::string_view key, bool required) {
        const TJson* field = Field(key, required);
        if (!field) return nullptr;
        return ListOf(*field, Place(key), problems_);
    }

    std::optional<std::vector<std::string>> Lines(std::string_view key) {
        const TJson* list = List(key, false);
        if (!list) return std::nullopt;
        std::vector<std::string> lines;
        bool ok = true;
        for (std::size_t i = 0; i < list->size(); ++i) {
            auto line = TextOf((*list)[i], Item(Place(key), i), problems_);
            ok = ok && line.has_value();
            lines.push_back(line.value_or(std::string()));
        }
        if (!ok) return std::nullopt;
        return lines;
    }

    TJson Object(std::string_view key) {
        const TJson* field = Field(key, false);
        return field ? *field : TJson::object();
    }

    static std::optional<int32_t> Int16Of(const TJson& field, const std::string& place, TProblems& problems) {
        if (!field.is_number_integer()) {
            problems.Add(place, "deve ser um número inteiro");
            return std::nullopt;
        }
        const bool fits = field.is_number_unsigned() ? field.get<uint64_t>() <= static_cast<uint64_t>(kInt16Max)
                                                     : field.get<int64_t>() >= kInt16Min;
        if (!fits) {
            problems.Add(place, field.dump() + " não cabe em 16 bits (-32768 a 32767)");
            return std::nullopt;
        }
        return static_cast<int32_t>(field.get<int64_t>());
    }

    static std::optional<std::string> TextOf(const TJson& field, const std::string& place, TProblems& problems) {
        if (!field.is_string()) {
            problems.Add(place, "deve ser um texto");
            return std::nullopt;
        }
        const auto& utf8 = field.get_ref<const std::string&>();
        auto text = Utf8ToCp1252(utf8);
        if (!text) {
            problems.Add(place, "o caractere " + FirstUnrepresentable(utf8) + " não existe em Windows-1252");
            return std::nullopt;
        }
        if (text->size() > kShortStringMax) {
            problems.Add(place, "texto de " + std::to_string(text->size()) + " bytes; o máximo é 255");
            return std::nullopt;
        }
        return text;
    }

    static const TJson* ListOf(const TJson& field, const std::string& place, TProblems& problems) {
        if (!field.is_array()) {
            problems.Add(place, "deve ser uma lista");
            return nullptr;
        }
        if (field.size() > kMaxItems) {
            problems.Add(place, "lista de " + std::to_string(field.size()) + " itens; o máximo é 32767");
            return nullptr;
        }
        return &field;
    }

private:
    std::string place_;
    TProblems& problems_;
    const TJson* object_ = nullptr;
    std::map<std::string, const TJson*, std::less<>> fields_;
};

// The document read into plain records; nullopt marks a field already
// reported as wrong, which the checks across records then leave alone.
struct TVariableIn {
    std::string place;
    std::optional<int32_t> code;
    std::optional<std::string> name;
    bool multivalued = false;
    bool numeric = false;
};

struct TValueIn {
    std::string place;
    std::optional<int32_t> code;
    std::optional<std::string> name;
    std::optional<int32_t> variable;
    std::optional<int32_t> position;
    bool positionAbsent = false;
};

struct TPremiseIn {
    std::string place;
    std::optional<int32_t> variable;
    std::optional<std::string> op;
    std::optional<int32_t> value;
    std::optional<int32_t> connective;
    bool negated = false;
};

struct TConclusionIn {
    std::string place;
    std::optional<int32_t> variable;
    std::optional<int32_t> value;
    float cnf = 1.0f;
};

struct TRuleIn {
    std::string place;
    std::optional<int32_t> code;
    std::optional<std::string> name;
    std::optional<int32_t> order;
    std::vector<TPremiseIn> premises;
    std::vector<TConclusionIn> conclusions;
};

struct TFormulaIn {
    std::string place;
    std::optional<int32_t> code;
    std::optional<std::string> text;
};

struct TQuestionIn {
    std::string place;
    std::optional<int32_t> variable;
    std::optional<std::string> text;
    std::vector<std::string> reasons;
    bool useCnf = true;
};

struct TTargetIn {
    std::string place;
    std::optional<int32_t> variable;
    bool showResults = true;
};

struct TContextIn {
    std::string place;
    std::optional<int32_t> value;
    std::optional<int32_t> context;
};

struct TBaseIn {
    std::string version = "1.1";
    TPasswordBlock password;
    std::string name = "SEM NOME";
    std::string authors;
    std::vector<std::string> openingText;
    std::string helpFile;
    bool showOpening = false;
    TCnfFormula formulas[3];
    int16_t precedence = 0;
    float minimumCnf = 0.5f;
    bool evaluateAllPremises = false;
    std::vector<TVariableIn> variables;
    std::vector<TValueIn> values;
    std::vector<TRuleIn> rules;
    std::vector<TFormulaIn> formulaRecords;
    std::vector<TQuestionIn> questions;
    std::vector<TTargetIn> targets;
    std::vector<TContextIn> contexts;
};

const char* const kFormulaKeys[3] = {"andFormula", "orFormula", "conclusionFormula"};

// Calls `read` with a reader for every object of a top-level list.
template <class Read>
void ForEachItem(TObjectReader& root, std::string_view key, TProblems& problems,
                 std::initializer_list<std::string_view> known, Read read) {
    const TJson* list = root.List(key, false);
    if (!list) return;
    for (std::size_t i = 0; i < list->size(); ++i) {
        TObjectReader item((*list)[i], Item(root.Place(key), i), problems, known);
        if (item.IsObject()) read(item);
    }
}

std::optional<std::string> ParseHex(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        const auto result = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (result.ec != std::errc() || result.ptr != text.data() + i + 2) return std::nullopt;
        bytes += static_cast<char>(value);
    }
    return bytes;
}

void ReadProtection(TObjectReader& root, TBaseIn& in, TProblems& problems) {
    const std::size_t before = problems.Count();
    const TJson node = root.Object("protection");
    TObjectReader protection(node, root.Place("protection"), problems,
                             {"usePassword", "restriction", "hasPassword", "password", "scrambled"});
    if (!protection.IsObject()) return;
    in.password.UsePassword = protection.Bool("usePassword").value_or(false);
    if (auto restriction = protection.Int16("restriction", false)) {
        if (*restriction < 0 || *restriction > 3)
            problems.Add(protection.Place("restriction"),
                         "restrição " + std::to_string(*restriction) + " inválida; use 0, 1, 2 ou 3");
        else
            in.password.Restriction = static_cast<int16_t>(*restriction);
    }
    const TJson* plain = protection.Field("password", false);
    const TJson* scrambled = protection.Field("scrambled", false);
    const TJson* hasPassword = protection.Field("hasPassword", false);
    if (hasPassword && hasPassword->is_boolean() && hasPassword->get<bool>() && !plain && !scrambled) {
        problems.Add(protection.Place("hasPassword"),
                     "a base tem senha, mas o documento não a traz (dump sem --with-password): dê a senha com "
                     "--password-file ou QUORVEL_PASSWORD, ou use dump --with-password");
    } else if (plain && scrambled) {
        problems.Add(protection.Place(), "use \"password\" ou \"scrambled\", não os dois");
    } else if (plain) {
        if (auto text = protection.Text("password", false)) in.password.Password = ScrambleText(*text);
    } else if (scrambled) {
        std::optional<std::string> bytes;
        if (scrambled->is_string()) bytes = ParseHex(scrambled->get_ref<const std::string&>());
        if (!bytes)
            problems.Add(protection.Place("scrambled"), "deve ser um texto hexadecimal com um número par de dígitos");
        else if (bytes->size() > kShortStringMax)
            problems.Add(protection.Place("scrambled"),
                         "senha de " + std::to_string(bytes->size()) + " bytes; o máximo é 255");
        else
            in.password.Password = *bytes;
    }
    // A protected base without a password, or whose empty entry would give
    // full access, is not protected at all: its author would believe otherwise.
    if (in.password.UsePassword && problems.Count() == before) {
        if (in.password.Password.empty())
            problems.Add(protection.Place("usePassword"),
                         "uma base protegida precisa de uma senha (\"password\" ou \"scrambled\")");
        if (in.password.Restriction == 1)
            problems.Add(protection.Place("restriction"), "uma base protegida precisa de restrição 0, 2 ou 3");
    }
}

void ReadDocument(const TJson& document, TBaseIn& in, TProblems& problems) {
    TObjectReader root(document, "", problems,
                       {"version",
                        "accessLevel",
                        "protection",
                        "name",
                        "authors",
                        "openingText",
                        "helpFile",
                        "showOpening",
                        "andFormula",
                        "orFormula",
                        "conclusionFormula",
                        "precedence",
                        "minimumCnf",
                        "evaluateAllPremises",
                        "variables",
                        "values",
                        "rules",
                        "formulas",
                        "questions",
                        "targets",
                        "helpContexts"});
    if (!root.IsObject()) return;

    if (const TJson* version = root.Field("version", false)) {
        if (!version->is_string() || (*version != "1.0" && *version != "1.1"))
            problems.Add("version", "versão " + version->dump() + " desconhecida; use \"1.0\" ou \"1.1\"");
        else
            in.version = version->get<std::string>();
    }
    ReadProtection(root, in, problems);
    in.name = root.Text("name", false).value_or(in.name);
    in.authors = root.Text("authors", false).value_or(in.authors);
    in.openingText = root.Lines("openingText").value_or(in.openingText);
    in.helpFile = root.Text("helpFile", false).value_or(in.helpFile);
    in.showOpening = root.Bool("showOpening").value_or(in.showOpening);
    for (int i = 0; i < 3; ++i) {
        const TJson node = root.Object(kFormulaKeys[i]);
        TObjectReader formula(node, root.Place(kFormulaKeys[i]), problems, {"useDefault", "text"});
        in.formulas[i].UseDefault = formula.Bool("useDefault").value_or(true);
        in.formulas[i].Text = formula.Text("text", false).value_or("");
    }
    if (auto precedence = root.Int16("precedence", false)) {
        if (*precedence != 0 && *precedence != 1)
            problems.Add("precedence", "precedência " + std::to_string(*precedence) + " inválida; use 0 (E) ou 1 (OU)");
        else
            in.precedence = static_cast<int16_t>(*precedence);
    }
    if (auto minimum = root.Real("minimumCnf")) {
        if (!(*minimum >= 0.0f && *minimum <= 1.0f))
            problems.Add("minimumCnf", "o CNF mínimo deve estar entre 0 e 1");
        else
            in.minimumCnf = *minimum;
    }
    in.evaluateAllPremises = root.Bool("evaluateAllPremises").value_or(false);

    ForEachItem(root, "variables", problems, {"code", "name", "multivalued", "numeric"}, [&](TObjectReader& item) {
        in.variables.push_back({item.Place(), item.Code("code"), item.Text("name", true),
                                item.Bool("multivalued").value_or(false), item.Bool("numeric").value_or(false)});
    });
    ForEachItem(root, "values", problems, {"code", "name", "variable", "position"}, [&](TObjectReader& item) {
        in.values.push_back({item.Place(), item.Code("code"), item.Text("name", true), item.Int16("variable", true),
                             item.Int16("position", false), item.Field("position", false) == nullptr});
    });
    ForEachItem(
        root, "rules", problems, {"code", "name", "order", "premises", "conclusions"}, [&](TObjectReader& item) {
            TRuleIn rule{item.Place(), item.Code("code"), item.Text("name", true), item.Int16("order", true), {}, {}};
            if (const TJson* list = item.List("premises", false)) {
                for (std::size_t i = 0; i < list->size(); ++i) {
                    TObjectReader line((*list)[i], Item(item.Place("premises"), i), problems,
                                       {"variable", "operator", "value", "connective", "negated"});
                    if (!line.IsObject()) continue;
                    rule.premises.push_back({line.Place(), line.Int16("variable", true), line.Text("operator", true),
                                             line.Int16("value", true), line.Int16("connective", true),
                                             line.Bool("negated").value_or(false)});
                }
                if (list->empty()) problems.Add(item.Place("premises"), "a regra não tem premissas");
            } else if (!item.Field("premises", false)) {
                problems.Add(item.Place("premises"), "a regra não tem premissas");
            }
            if (const TJson* list = item.List("conclusions", false)) {
                for (std::size_t i = 0; i < list->size(); ++i) {
                    TObjectReader line((*list)[i], Item(item.Place("conclusions"), i), problems,
                                       {"variable", "value", "cnf"});
                    if (!line.IsObject()) continue;
                    rule.conclusions.push_back({line.Place(), line.Int16("variable", true), line.Int16("value", true),
                                                line.Real("cnf").value_or(1.0f)});
                }
                if (list->empty()) problems.Add(item.Place("conclusions"), "a regra não tem conclusões");
            } else if (!item.Field("conclusions", false)) {
                problems.Add(item.Place("conclusions"), "a regra não tem conclusões");
            }
            in.rules.push_back(std::move(rule));
        });
    ForEachItem(root, "formulas", problems, {"code", "text"}, [&](TObjectReader& item) {
        in.formulaRecords.push_back({item.Place(), item.Code("code"), item.Text("text", true)});
    });
    ForEachItem(root, "questions", problems, {"variable", "text", "reasons", "useCnf"}, [&](TObjectReader& item) {
        in.questions.push_back({item.Place(), item.Int16("variable", true), item.Text("text", true),
                                item.Lines("reasons").value_or(std::vector<std::string>()),
                                item.Bool("useCnf").value_or(true)});
    });
    ForEachItem(root, "targets", problems, {"variable", "showResults"}, [&](TObjectReader& item) {
        in.targets.push_back({item.Place(), item.Int16("variable", true), item.Bool("showResults").value_or(true)});
    });
    ForEachItem(root, "helpContexts", problems, {"value", "context"}, [&](TObjectReader& item) {
        in.contexts.push_back({item.Place(), item.Int16("value", true), item.Int16("context", true)});
    });
}

// Remembers the first place of every key and reports the later ones;
// `repeated` words the problem for a key.
class TUniqueKeys {
public:
    TUniqueKeys(TProblems& problems, std::function<std::string(int32_t)> repeated)
        : problems_(problems), repeated_(std::move(repeated)) {}
    void Add(const std::optional<int32_t>& key, const std::string& place) {
        if (!key) return;
        const auto [it, added] = first_.emplace(*key, place);
        if (!added) problems_.Add(place, repeated_(*key) + " (já em " + it->second + ")");
    }

private:
    TProblems& problems_;
    std::function<std::string(int32_t)> repeated_;
    std::map<int32_t, std::string> first_;
};

std::string RepeatedCode(int32_t code) { return "código " + std::to_string(code) + " repetido"; }

// Numbers that must run 1..n without repetition: positions, rule orders.
// `count` is n; `group` names what the numbers belong to, for the message.
void CheckSequence(const std::vector<std::pair<int32_t, std::string>>& numbers, const std::string& what,
                   const std::string& group, TProblems& problems) {
    const auto count = static_cast<int32_t>(numbers.size());
    std::map<int32_t, std::string> seen;
    for (const auto& [number, place] : numbers) {
        if (number < 1 || number > count) {
            problems.Add(place, what + " " + std::to_string(number) + " fora de 1.." + std::to_string(count) + " (" +
                                    group + ")");
            continue;
        }
        const auto [it, added] = seen.emplace(number, place);
        if (!added) problems.Add(place, what + " " + std::to_string(number) + " repetida (já em " + it->second + ")");
    }
}

void CheckDocument(TBaseIn& in, TProblems& problems) {
    std::map<int32_t, const TVariableIn*> variables;
    {
        TUniqueKeys codes(problems, RepeatedCode);
        std::map<std::string, const TVariableIn*> named;
        for (const TVariableIn& var : in.variables) {
            codes.Add(var.code, At(var.place, "code"));
            if (var.code) variables.emplace(*var.code, &var);
            if (!var.name) continue;
            const std::string place = At(var.place, "name");
            const auto [other, added] = named.emplace(NameKey(*var.name), &var);
            if (!added)
                problems.Add(place, "nome " + Quote(Utf8(*var.name)) + " repetido (já em " + other->second->place + ")");
            else if (const TNameProblem problem = CheckVariableName(*var.name); problem != TNameProblem::None)
                problems.Add(place, VariableNameMessage(problem));
        }
    }
    auto variableExists = [&](const std::optional<int32_t>& code, const std::string& place) {
        if (!code) return false;
        if (variables.count(*code)) return true;
        problems.Add(place, "variável " + std::to_string(*code) + " inexistente");
        return false;
    };

    std::map<int32_t, const TValueIn*> values;
    {
        TUniqueKeys codes(problems, RepeatedCode);
        std::map<int32_t, std::vector<TValueIn*>> byVariable;
        std::map<std::pair<int32_t, std::string>, const TValueIn*> named;
        for (TValueIn& value : in.values) {
            codes.Add(value.code, At(value.place, "code"));
            if (value.code) values.emplace(*value.code, &value);
            if (!variableExists(value.variable, At(value.place, "variable"))) continue;
            auto& own = byVariable[*value.variable];
            // Without a position a value goes after the variable's earlier values.
            if (value.positionAbsent) value.position = static_cast<int32_t>(own.size()) + 1;
            own.push_back(&value);
            if (!value.name) continue;
            const std::string place = At(value.place, "name");
            const auto [other, added] = named.emplace(std::pair(*value.variable, NameKey(*value.name)), &value);
            if (!added) {
                problems.Add(place, "valor " + Quote(Utf8(*value.name)) + " repetido na variável " +
                                        std::to_string(*value.variable) + " (já em " + other->second->place + ")");
            } else if (const TNameProblem problem = CheckValueName(*value.name); problem != TNameProblem::None) {
                problems.Add(place, ValueNameMessage(problem));
            } else if (variables.at(*value.variable)->numeric) {
                // A numeric variable's one value is its interval, "min;max".
                if (own.size() > 1)
                    problems.Add(At(value.place, "variable"), msg::NumericHasOneValue);
                else if (CheckInterval(*value.name).Check != TIntervalCheck::Valid)
                    problems.Add(place, "intervalo " + Quote(Utf8(*value.name)) +
                                            " inválido; use \"min;max\", \"min;\" ou \";max\" com max maior que min");
            }
        }
        for (const auto& [varCode, own] : byVariable) {
            std::vector<std::pair<int32_t, std::string>> positions;
            for (const TValueIn* value : own)
                if (value->position) positions.emplace_back(*value->position, At(value->place, "position"));
            CheckSequence(positions, "posição",
                          "a variável " + std::to_string(varCode) + " tem " + std::to_string(own.size()) + " valor(es)",
                          problems);
        }
    }

    std::set<int32_t> formulas;
    {
        TUniqueKeys codes(problems, RepeatedCode);
        for (const TFormulaIn& formula : in.formulaRecords) {
            codes.Add(formula.code, At(formula.place, "code"));
            if (formula.code) formulas.insert(*formula.code);
        }
    }

    // The value of a premise or a conclusion: for a numeric variable a
    // formula (or DESCONHECIDO), otherwise one of the variable's own values
    // or one of the special codes.
    auto checkValue = [&](const std::optional<int32_t>& varCode, const std::optional<int32_t>& valueCode,
                          const std::string& place) {
        if (!varCode || !valueCode || !variables.count(*varCode)) return;
        const int32_t code = *valueCode;
        if (code == kCodeUnknown) return;
        if (variables.at(*varCode)->numeric) {
            if (!formulas.count(code)) problems.Add(place, "fórmula " + std::to_string(code) + " inexistente");
            return;
        }
        if (code == kCodeYes || code == kCodeNo) return;
        const auto it = values.find(code);
        if (it == values.end()) {
            problems.Add(place, "valor " + std::to_string(code) + " inexistente");
        } else if (it->second->variable != varCode) {
            problems.Add(place, "o valor " + std::to_string(code) + " é da variável " +
                                    std::to_string(it->second->variable.value_or(0)) + ", não da variável " +
                                    std::to_string(*varCode));
        }
    };

    {
        TUniqueKeys codes(problems, RepeatedCode);
        std::vector<std::pair<int32_t, std::string>> orders;
        for (const TRuleIn& rule : in.rules) {
            codes.Add(rule.code, At(rule.place, "code"));
            if (rule.order) orders.emplace_back(*rule.order, At(rule.place, "order"));
            for (std::size_t i = 0; i < rule.premises.size(); ++i) {
                const TPremiseIn& premise = rule.premises[i];
                variableExists(premise.variable, At(premise.place, "variable"));
                if (premise.op && std::none_of(std::begin(kOperators), std::end(kOperators),
                                               [&](const char* op) { return *premise.op == op; }))
                    problems.Add(At(premise.place, "operator"),
                                 "operador " + Quote(Utf8(*premise.op)) + " inválido; use =, <>, >, <, >= ou <=");
                checkValue(premise.variable, premise.value, At(premise.place, "value"));
                if (!premise.connective) continue;
                const bool last = i + 1 == rule.premises.size();
                const int32_t connective = *premise.connective;
                if (connective < 0 || connective > 2)
                    problems.Add(At(premise.place, "connective"), "conectivo " + std::to_string(connective) +
                                                                      " inválido; use 0 (E), 1 (OU) ou 2 (ENTÃO)");
                else if (last && connective != 2)
                    problems.Add(At(premise.place, "connective"), "a última premissa deve ter conectivo 2 (ENTÃO)");
                else if (!last && connective == 2)
                    problems.Add(At(premise.place, "connective"), "só a última premissa pode ter conectivo 2 (ENTÃO)");
            }
            for (const TConclusionIn& conclusion : rule.conclusions) {
                variableExists(conclusion.variable, At(conclusion.place, "variable"));
                checkValue(conclusion.variable, conclusion.value, At(conclusion.place, "value"));
                if (!IsConclusionCnf(conclusion.cnf))
                    problems.Add(At(conclusion.place, "cnf"),
                                 "grau de confiança " + FloatRoundTripText(conclusion.cnf) + " (" +
                                     CnfText(static_cast<double>(conclusion.cnf) * 100.0) +
                                     "%) fora de -0.99 a 9.99, o que o editor de regras aceita; o grau é uma "
                                     "fração: 0.9 para 90%");
            }
        }
        CheckSequence(orders, "ordem", "há " + std::to_string(orders.size()) + " regra(s)", problems);
    }

    {
        TUniqueKeys asked(problems,
                          [](int32_t code) { return "a variável " + std::to_string(code) + " já tem pergunta"; });
        for (const TQuestionIn& question : in.questions) {
            const std::string place = At(question.place, "variable");
            if (variableExists(question.variable, place)) asked.Add(question.variable, place);
        }
    }
    for (const TTargetIn& target : in.targets) variableExists(target.variable, At(target.place, "variable"));
    {
        TUniqueKeys helped(
            problems, [](int32_t code) { return "o valor " + std::to_string(code) + " já tem contexto de ajuda"; });
        for (const TContextIn& context : in.contexts) {
            const std::string place = At(context.place, "value");
            if (!context.value) continue;
            if (!values.count(*context.value))
                problems.Add(place, "valor " + std::to_string(*context.value) + " inexistente");
            else
                helped.Add(context.value, place);
        }
    }

    // What a version 1.0 file cannot hold would be lost without a word.
    if (in.version == "1.0") {
        const std::string reason = "a versão 1.0 não grava este campo; use a versão 1.1";
        for (int i = 0; i < 3; ++i) {
            if (!in.formulas[i].UseDefault || !in.formulas[i].Text.empty())
                problems.Add(kFormulaKeys[i], "a versão 1.0 não grava fórmulas de CNF; use a versão 1.1");
        }
        for (const TQuestionIn& question : in.questions)
            if (!question.useCnf) problems.Add(At(question.place, "useCnf"), reason);
        for (const TTargetIn& target : in.targets)
            if (!target.showResults) problems.Add(At(target.place, "showResults"), reason);
    }
}

void Apply(const TBaseIn& in, TExpertSystem& base) {
    base.ClearBase();
    base.Version = in.version;
    base.PasswordBlock = in.password;
    base.BaseName = in.name;
    base.Authors = in.authors;
    base.OpeningText = in.openingText;
    base.HelpFile = in.helpFile;
    base.ShowOpening = in.showOpening;
    base.AndFormula = in.formulas[0];
    base.OrFormula = in.formulas[1];
    base.ConclusionFormula = in.formulas[2];
    base.Precedence = in.precedence;
    base.MinimumCnf = in.minimumCnf;
    base.EvaluateAllPremises = in.evaluateAllPremises;
    for (const TVariableIn& var : in.variables)
        base.Vars().AddVariable(*var.code, *var.name, var.multivalued, var.numeric);
    for (const TValueIn& value : in.values)
        base.Values().AddValue(*value.code, *value.name, *value.variable, *value.position);
    for (const TRuleIn& rule : in.rules) {
        base.Rules().AddRule(*rule.code, *rule.name, *rule.order);
        for (const TPremiseIn& premise : rule.premises)
            base.Tails().AddPremise(*rule.code, *premise.variable, *premise.op, *premise.value, *premise.connective,
                                    premise.negated);
        for (const TConclusionIn& conclusion : rule.conclusions)
            base.Heads().AddConclusion(*rule.code, *conclusion.variable, *conclusion.value, conclusion.cnf);
    }
    for (const TFormulaIn& formula : in.formulaRecords) base.Formulas().Add(*formula.code, *formula.text);
    for (const TQuestionIn& question : in.questions)
        base.Questions().AddQuestion(*question.variable, *question.text, question.useCnf, &question.reasons);
    for (const TTargetIn& target : in.targets) base.Targets().Add(*target.variable, target.showResults);
    for (const TContextIn& context : in.contexts) base.HelpContexts().AddContext(*context.value, *context.context);
}

}  // namespace

bool JsonToBase(const TJson& document, TExpertSystem& base, std::vector<TKbProblem>& problems) {
    TProblems found(problems);
    TBaseIn in;
    ReadDocument(document, in, found);
    CheckDocument(in, found);
    if (found.Any()) return false;
    Apply(in, base);
    return true;
}

}  // namespace quorvel::cli
