#include "Password.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iterator>

#include "CliCommon.h"
#include "ExText.h"

namespace quorvel::cli {

namespace {

constexpr int kTerminalTries = 3;
bool terminalPromptEnabled = false;

// The terminal's settings while echo is off, put back if a signal ends the
// program meanwhile: a shell left without echo is hard to use.
int quietTerminal = -1;
termios savedSettings{};

void RestoreTerminalAndDie(int signal) {
    if (quietTerminal >= 0) ::tcsetattr(quietTerminal, TCSAFLUSH, &savedSettings);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

constexpr int kRestoringSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Echo off on `fd` for its lifetime (when `fd` is a terminal).
class TEchoOff {
public:
    explicit TEchoOff(int fd) {
        if (::tcgetattr(fd, &savedSettings) != 0) return;
        termios quiet = savedSettings;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quietTerminal = fd;
        struct sigaction action {};
        action.sa_handler = RestoreTerminalAndDie;
        for (std::size_t i = 0; i < std::size(kRestoringSignals); ++i)
            ::sigaction(kRestoringSignals[i], &action, &previous_[i]);
        active_ = ::tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    }
    ~TEchoOff() {
        if (quietTerminal < 0) return;
        if (active_) ::tcsetattr(quietTerminal, TCSADRAIN, &savedSettings);
        for (std::size_t i = 0; i < std::size(kRestoringSignals); ++i)
            ::sigaction(kRestoringSignals[i], &previous_[i], nullptr);
        quietTerminal = -1;
    }
    TEchoOff(const TEchoOff&) = delete;
    TEchoOff& operator=(const TEchoOff&) = delete;

private:
    bool active_ = false;
    struct sigaction previous_[std::size(kRestoringSignals)] {};
};

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

int OpenTerminal() { return ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC); }

std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

int ResolvePassword(const TPasswordArgs& args, std::optional<std::string>& entry, std::ostream& err) {
    entry.reset();
    if (args.File && args.Given) {
        err << "quorvel-cli: use --password-file ou --password, não os dois\n";
        return kExitUsage;
    }
    if (args.File) {
        std::string reason;
        const auto text = ReadFileText(*args.File, reason);
        if (!text) {
            Report(err, *args.File, "arquivo de senha: " + reason);
            return kExitCannotOpen;
        }
        entry = FirstLine(*text);
    } else if (args.Given) {
        err << "quorvel-cli: aviso: --password deixa a senha visível a todos os usuários da máquina (ps, "
               "histórico do shell); use --password-file ou a variável "
            << kPasswordVariable << "\n";
        entry = *args.Given;
    } else if (const char* fromEnvironment = std::getenv(kPasswordVariable)) {
        entry = fromEnvironment;
    }
    return kExitOk;
}

void SetTerminalPromptEnabled(bool enabled) { terminalPromptEnabled = enabled; }

bool TerminalPromptEnabled() { return terminalPromptEnabled; }

TTerminalRead ReadSecretOnTerminal(const std::string& prompt, std::string& text) {
    text.clear();
    const int fd = OpenTerminal();
    if (fd < 0) return TTerminalRead::NoTerminal;
    TTerminalRead result = TTerminalRead::Cancelled;
    {
        // Echo goes off before the prompt shows, so nothing typed after it is echoed.
        TEchoOff quiet(fd);
        WriteAll(fd, prompt);
        for (;;) {
            char ch = 0;
            const ssize_t n = ::read(fd, &ch, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            if (ch == '\n' || ch == '\r') {
                result = TTerminalRead::Read;
                break;
            }
            text += ch;
        }
    }
    // The user's Enter was not echoed either.
    WriteAll(fd, "\n");
    ::close(fd);
    if (result != TTerminalRead::Read) text.clear();
    return result;
}

void WriteOnTerminal(const std::string& line) {
    const int fd = OpenTerminal();
    if (fd < 0) return;
    WriteAll(fd, line + "\n");
    ::close(fd);
}

bool TTerminalPasswordPrompt::AskPassword(TPasswordCheck& check) {
    const std::string prompt = "Senha de " + InputName(baseName_) + " (vazia: aceitar as restrições): ";
    for (int attempt = 0; attempt < kTerminalTries; ++attempt) {
        std::string typed;
        switch (ReadSecretOnTerminal(prompt, typed)) {
            case TTerminalRead::NoTerminal: return check.Submit("");
            case TTerminalRead::Cancelled: return false;
            case TTerminalRead::Read: break;
        }
        const auto entry = Utf8ToCp1252(typed);
        if (!entry) {
            WriteOnTerminal("A senha tem caracteres que não existem em Windows-1252.");
            continue;
        }
        if (check.Submit(*entry)) return true;
        WriteOnTerminal("Senha inválida!");
    }
    return false;
}

}  // namespace quorvel::cli
