#include "OpenBase.h"

#include "CliCommon.h"
#include "ExConsts.h"
#include "ExText.h"
#include "Password.h"

namespace quorvel::cli {

namespace {

// Sets up the password entry, loads with `load` and reports what went wrong.
template <class Load>
bool OpenWith(TExpertSystem& engine, const std::string& file, const std::optional<std::string>& password,
              const std::vector<std::string>& messages, std::ostream& err, Load load) {
    std::string entry;
    if (password) {
        const auto converted = Utf8ToCp1252(*password);
        if (!converted) {
            Report(err, file, "a senha tem caracteres que não existem em Windows-1252");
            return false;
        }
        entry = *converted;
    }
    TFixedPasswordPrompt given(entry);
    TTerminalPasswordPrompt asked(file);
    const bool ask = !password && TerminalPromptEnabled();
    engine.SetPasswordPrompt(ask ? static_cast<IPasswordPrompt*>(&asked) : &given);
    const std::size_t before = messages.size();
    const bool loaded = load();
    engine.SetPasswordPrompt(nullptr);
    // The engine's own messages: the wrong password, the refusal, the damaged file...
    for (std::size_t i = before; i < messages.size(); ++i) Report(err, file, messages[i]);
    if (loaded) return true;

    switch (engine.LastLoadStatus()) {
        case TLoadStatus::CannotOpen: {
            std::string reason;
            ReadFileText(file, reason);
            Report(err, file, reason.empty() ? "não foi possível abrir o arquivo" : reason);
            break;
        }
        case TLoadStatus::NotABase:
            Report(err, file, msg::NotABaseFile);
            break;
        case TLoadStatus::Refused:
            Report(err, file, "acesso recusado");
            break;
        case TLoadStatus::NewerVersion:
        case TLoadStatus::Damaged:
        case TLoadStatus::Ok:
            if (messages.size() == before) Report(err, file, "não foi possível ler a base");
            break;
    }
    return false;
}

}  // namespace

bool OpenBase(TExpertSystem& engine, const std::string& file, const std::optional<std::string>& password,
              const std::vector<std::string>& messages, std::ostream& err) {
    if (IsStandardStream(file)) {
        std::string reason;
        const auto bytes = ReadFileText(file, reason);
        if (!bytes) {
            Report(err, file, reason);
            return false;
        }
        return OpenBaseBytes(engine, file, *bytes, password, messages, err);
    }
    return OpenWith(engine, file, password, messages, err, [&] { return engine.Load(file); });
}

bool OpenBaseBytes(TExpertSystem& engine, const std::string& file, const std::string& bytes,
                   const std::optional<std::string>& password, const std::vector<std::string>& messages,
                   std::ostream& err) {
    return OpenWith(engine, file, password, messages, err,
                    [&] { return engine.LoadBytes(std::vector<uint8_t>(bytes.begin(), bytes.end())); });
}

void ReportExecuteOnly(std::ostream& err, const std::string& file, const TExpertSystem& engine,
                       std::string_view what) {
    Report(err, file,
           "o acesso concedido (" + std::to_string(engine.AccessLevel) + ") permite somente a execução da base; " +
               std::string(what) + " exige a senha");
}

bool OpenBaseToView(TExpertSystem& engine, const std::string& file, const std::optional<std::string>& password,
                    const std::vector<std::string>& messages, std::ostream& err) {
    if (!OpenBase(engine, file, password, messages, err)) return false;
    if (engine.AccessLevel == kAccessFull || engine.AccessLevel == kAccessConsultAndView) return true;
    ReportExecuteOnly(err, file, engine, "ver seu conteúdo");
    return false;
}

}  // namespace quorvel::cli
