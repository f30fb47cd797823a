// TExpertSystem: the engine component. It owns the knowledge base (nine
// containers and the base-wide properties), reads and writes it, and turns
// codes into the texts every view shows.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ExDataSt.h"
#include "ExMessages.h"
#include "ExPasswd.h"

namespace quorvel {

// A custom confidence formula and whether the built-in one is used instead.
struct TCnfFormula {
    std::string Text;
    bool UseDefault = true;
};

// One entry of a value list: the text and, for a value record, the record.
struct TValueListEntry {
    std::string Name;
    TValNode* Value = nullptr;
};

// Why the last Load failed, for callers that must tell the cases apart.
enum class TLoadStatus { Ok, CannotOpen, NotABase, NewerVersion, Damaged, Refused };

inline constexpr std::array<uint8_t, 9> kFileSignature = {0x2D, 0x0C, 0xBD, 0x16, 0x63, 0x28, 0xF3, 0x97, 0xCA};
inline constexpr uint8_t kMarkerVersion10 = 0x21;
inline constexpr uint8_t kMarkerVersion11 = 0x22;

class TExpertSystem {
public:
    explicit TExpertSystem(IMessageSink* sink = nullptr);
    ~TExpertSystem();
    TExpertSystem(const TExpertSystem&) = delete;
    TExpertSystem& operator=(const TExpertSystem&) = delete;

    void SetMessageSink(IMessageSink* sink);
    IMessageSink& Sink() const { return *sink_; }
    void SetPasswordPrompt(IPasswordPrompt* prompt) { passwordPrompt_ = prompt; }

    // ---- the knowledge base
    TVars& Vars() { return *vars_; }
    TValues& Values() { return *values_; }
    THeads& Heads() { return *heads_; }
    TTails& Tails() { return *tails_; }
    TRules& Rules() { return *rules_; }
    TTargets& Targets() { return *targets_; }
    TQuestions& Questions() { return *questions_; }
    THelpContexts& HelpContexts() { return *helpContexts_; }
    TFormulas& Formulas() { return *formulas_; }

    std::string BaseName;
    std::string Authors;
    std::vector<std::string> OpeningText;
    std::string HelpFile;
    bool ShowOpening = false;
    std::string Version;
    int16_t Precedence = 0;
    float MinimumCnf = 0.5f;
    bool EvaluateAllPremises = false;
    TCnfFormula AndFormula;
    TCnfFormula OrFormula;
    TCnfFormula ConclusionFormula;
    TPasswordBlock PasswordBlock;
    int32_t AccessLevel = kAccessFull;

    // Called by Load right after a successful password check.
    std::function<void(TExpertSystem&)> AfterCheckPassword;

    // ---- run-time structures of a consultation
    TVarListTree& VarList() { return *varList_; }
    TVarListExtraTree& VarListExtra() { return *varListExtra_; }
    TInstanceList& Instances() { return instances_; }
    bool Running = false;
    bool Paused = false;
    bool StepWait = false;

    // ---- access operations
    void ClearBase();
    bool IsNew() const { return isNew_; }
    bool RulesMayBeShown() const { return AccessLevel != kAccessConsultOnly; }
    bool MayBeAltered() const { return AccessLevel == kAccessFull; }

    void SaveLookupCursors();
    void RestoreLookupCursors();
    void SaveQuestionCursor();
    void RestoreQuestionCursor();

    std::string ConnectiveText(int32_t connective) const;
    bool IsConnective(std::string_view text) const;
    static std::string Spaces(int n) { return std::string(static_cast<std::size_t>(n > 0 ? n : 0), ' '); }

    std::string VarName(int32_t varCode);
    std::string ValueTextOf(int32_t varCode, int32_t valueCode);
    // For the variable under the code cursor of Vars().
    std::string ValueText(int32_t valueCode);
    // The values of a variable in Position order; "Sim", "Não" for a yes/no
    // variable; nothing for a numeric one. Cursors are not restored.
    void ValueList(int32_t varCode, std::vector<TValueListEntry>& list);
    // The instantiated values of a variable with their CNF texts, highest first.
    void ResultsOf(int32_t varCode, std::vector<std::string>& names, std::vector<std::string>& cnfs);
    // The text of a formula; nullopt (after the message) when there is none.
    std::optional<std::string> FormulaText(int32_t formulaCode);

    // ---- files
    const std::string& FileName() const { return fileName_; }
    // Empty: the base is not reloaded and counts as new. Otherwise loads it;
    // FileName is the name on success, empty on failure.
    void SetFileName(const std::string& name);
    bool Load(const std::string& name);
    TLoadStatus LastLoadStatus() const { return lastLoadStatus_; }
    // Writes the whole base in its Version, crash-safely: a temporary file
    // beside the target is renamed over it once complete. False with
    // LastSaveError() on failure, the old file intact.
    bool Save(const std::string& name);
    const std::string& LastSaveError() const { return lastSaveError_; }

private:
    struct TLookupCursors {
        TSingleIndexTree::TCursorState vars;
        TSingleIndexTree::TCursorState values;
    };
    TLookupCursors CurrentLookupCursors() const;
    void ApplyLookupCursors(const TLookupCursors& cursors);
    std::string ValueTextFor(const TVarNode* var, int32_t valueCode, bool fromValueText);
    void NotifyBaseChanged();
    void ShowError(const std::string& text) const;
    bool ReadBase(const std::vector<uint8_t>& bytes);

    IMessageSink* sink_;
    IPasswordPrompt* passwordPrompt_ = nullptr;

    std::unique_ptr<TVars> vars_;
    std::unique_ptr<TValues> values_;
    std::unique_ptr<THeads> heads_;
    std::unique_ptr<TTails> tails_;
    std::unique_ptr<TRules> rules_;
    std::unique_ptr<TTargets> targets_;
    std::unique_ptr<TQuestions> questions_;
    std::unique_ptr<THelpContexts> helpContexts_;
    std::unique_ptr<TFormulas> formulas_;

    std::unique_ptr<TVarListTree> varList_;
    std::unique_ptr<TVarListExtraTree> varListExtra_;
    TInstanceList instances_;

    TLookupCursors savedLookup_;
    TSingleIndexTree::TCursorState savedQuestion_;
    std::string fileName_;
    bool isNew_ = true;
    TLoadStatus lastLoadStatus_ = TLoadStatus::Ok;
    std::string lastSaveError_;
};

// 6-byte reals as stored in .bcm files.
bool EncodeReal48(float value, uint8_t out[6]);
float DecodeReal48(const uint8_t in[6]);

}  // namespace quorvel
