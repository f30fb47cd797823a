// Shared helpers of the engine tests: a message sink that records what would
// have been shown and answers from a script, a password prompt that types a
// scripted series of entries, and scratch files.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "ExMessages.h"
#include "ExPasswd.h"

namespace quorvel::test {

struct TShownMessage {
    TMsgKind Kind = TMsgKind::Warning;
    std::string Text;

    friend bool operator==(const TShownMessage&, const TShownMessage&) = default;
    friend void PrintTo(const TShownMessage& m, std::ostream* os) { *os << MsgKindName(m.Kind) << ": " << m.Text; }
};

inline TShownMessage Shown(TMsgKind kind, std::string text) { return {kind, std::move(text)}; }

// Records every message box (kind and UTF-8 text) and presses the scripted
// buttons in turn; without a script it presses OK, or Yes when there is no OK.
class TCapturingSink : public IMessageSink {
public:
    TMsgResult ShowMessage(TMsgKind kind, TMsgButtons buttons, const std::string& text) override {
        Messages.push_back({kind, text});
        Buttons.push_back(buttons);
        if (!Answers.empty()) {
            const TMsgResult answer = Answers.front();
            Answers.pop_front();
            return answer;
        }
        return buttons == TMsgButtons::Ok ? TMsgResult::Ok : TMsgResult::Yes;
    }

    void Clear() {
        Messages.clear();
        Buttons.clear();
    }

    std::vector<TShownMessage> Messages;
    std::vector<TMsgButtons> Buttons;
    std::deque<TMsgResult> Answers;
};

// Types the scripted entries one after another into the password dialog, as
// long as the check keeps it open; when the entries run out it cancels.
class TScriptedPasswordPrompt : public IPasswordPrompt {
public:
    explicit TScriptedPasswordPrompt(std::vector<std::string> entries) : entries_(std::move(entries)) {}

    bool AskPassword(TPasswordCheck& check) override {
        ++TimesShown;
        for (const auto& entry : entries_) {
            ++EntriesTyped;
            if (check.Submit(entry)) return true;
        }
        return false;
    }

    int TimesShown = 0;    // times the dialog was opened
    int EntriesTyped = 0;  // entries confirmed with OK

private:
    std::vector<std::string> entries_;
};

// A private folder, removed with everything in it at the end of the test.
class TTempDir {
public:
    TTempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
    }
    ~TTempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::vector<uint8_t> ReadBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes a new file: truncating a file that has data makes some file
// systems flush it to disk, which slows tests that rewrite a file often.
inline void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace quorvel::test
