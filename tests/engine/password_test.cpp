#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ExConsts.h"
#include "ExPasswd.h"
#include "ExSystem.h"
#include "TestSupport.h"

namespace quorvel {
namespace {

using test::Shown;
using test::TCapturingSink;
using test::TScriptedPasswordPrompt;
using test::TShownMessage;
using test::TTempDir;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(Scramble, UnscrambleGivesBackEveryTextUpTo255Bytes) {
    std::mt19937 rng(31281);
    for (int length = 0; length <= 255; ++length) {
        for (int sample = 0; sample < 8; ++sample) {
            std::string text(static_cast<std::size_t>(length), '\0');
            for (auto& c : text) c = static_cast<char>(rng() % 256);
            const std::string scrambled = ScrambleText(text);
            ASSERT_EQ(scrambled.size(), text.size());
            ASSERT_EQ(UnscrambleText(scrambled), text) << "length " << length;
        }
    }
}

TEST(Scramble, MatchesTheStoredForm) {
    // Worked out from the key sequence 31281, (k + c) * 40277 + 15435.
    EXPECT_EQ(ScrambleText("Segredo"), "\x29\x6B\x2B\xCF\x99\x39\x5D");
    EXPECT_EQ(UnscrambleText("\x29\x6B\x2B\xCF\x99\x39\x5D"), "Segredo");
    EXPECT_EQ(ScrambleText(""), "");
    // Each byte depends on the ones before it.
    EXPECT_NE(ScrambleText("Segredo").substr(1), ScrambleText("egredo"));
}

// Opens a protected base with the entries typed into the password dialog.
class PasswordOnOpening : public ::testing::Test {
protected:
    std::string Protected(const std::string& password, int16_t restriction, bool usePassword) {
        TExpertSystem author;
        author.PasswordBlock = {ScrambleText(password), restriction, usePassword};
        author.BaseName = "Protegida";
        author.Vars().AddVariable(1, "x", false, false);
        const std::string name = dir.File("p" + std::to_string(files++) + ".bcm");
        EXPECT_TRUE(author.Save(name));
        return name;
    }

    TTempDir dir;
    int files = 0;
};

TEST_F(PasswordOnOpening, DecidesTheAccessLevel) {
    struct Case {
        const char* what;
        int16_t restriction;
        bool usePassword;
        std::vector<std::string> entries;
        int32_t level;
        std::vector<TShownMessage> messages;
        int entriesTyped;
    };
    const Case cases[] = {
        {"right password", 2, true, {"Segredo"}, 1, {}, 1},
        {"empty entry, consult only", 2, true, {""}, 2, {Shown(TMsgKind::Information, msg::ExecutionOnly)}, 1},
        {"empty entry, consult and view", 3, true, {""}, 3, {Shown(TMsgKind::Information, msg::ExecutionAndView)}, 1},
        {"empty entry, nothing allowed", 0, true, {""}, 0, {Shown(TMsgKind::Information, msg::NoPermission)}, 1},
        {"case differs, then cancel", 3, true, {"segredo"}, 0, {Shown(TMsgKind::Error, msg::InvalidPassword)}, 1},
        {"wrong, then right", 0, true, {"SEGREDO", "Segredo"}, 1, {Shown(TMsgKind::Error, msg::InvalidPassword)}, 2},
        {"wrong, then empty",
         2,
         true,
         {"x", ""},
         2,
         {Shown(TMsgKind::Error, msg::InvalidPassword), Shown(TMsgKind::Information, msg::ExecutionOnly)},
         2},
        {"cancelled at once", 3, true, {}, 0, {}, 0},
        {"password not used", 0, false, {"never typed"}, 1, {}, 0},
        // A restriction the options dialog never writes grants nothing.
        {"unknown restriction 7", 7, true, {""}, 0, {Shown(TMsgKind::Information, msg::NoPermission)}, 1},
        {"unknown restriction -2", -2, true, {""}, 0, {Shown(TMsgKind::Information, msg::NoPermission)}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = Protected("Segredo", c.restriction, c.usePassword);
        TCapturingSink sink;
        TExpertSystem sys(&sink);
        TScriptedPasswordPrompt prompt(c.entries);
        sys.SetPasswordPrompt(&prompt);
        const bool loaded = sys.Load(name);
        EXPECT_EQ(sys.AccessLevel, c.level);
        EXPECT_EQ(loaded, c.level > 0);
        EXPECT_EQ(sink.Messages, c.messages);
        EXPECT_EQ(prompt.TimesShown, c.usePassword ? 1 : 0);
        EXPECT_EQ(prompt.EntriesTyped, c.entriesTyped);
        if (loaded) {
            EXPECT_EQ(sys.BaseName, "Protegida");
            EXPECT_EQ(sys.LastLoadStatus(), TLoadStatus::Ok);
            // The block is kept as read, so Save writes it back unchanged.
            EXPECT_EQ(sys.PasswordBlock.Password, ScrambleText("Segredo"));
            EXPECT_EQ(sys.PasswordBlock.Restriction, c.restriction);
        } else {
            EXPECT_EQ(sys.LastLoadStatus(), TLoadStatus::Refused);
            EXPECT_EQ(sys.BaseName, "SEM NOME");
            EXPECT_EQ(sys.Vars().Count(), 0);
            EXPECT_TRUE(sys.IsNew());
        }
    }
}

TEST(PasswordCheck, StaysOpenUntilAcceptedOrCancelled) {
    TCapturingSink sink;
    TPasswordCheck check("abc", 3, sink);
    EXPECT_FALSE(check.Submit("ABC"));
    EXPECT_FALSE(check.Accepted());
    EXPECT_EQ(check.AccessLevel(), kAccessRefused);
    EXPECT_TRUE(check.Submit("abc"));
    EXPECT_EQ(check.AccessLevel(), kAccessFull);

    // A fixed entry that is wrong counts as a cancelled dialog.
    TFixedPasswordPrompt wrong("abd");
    EXPECT_EQ(CheckPassword({ScrambleText("abc"), 3, true}, wrong, sink), kAccessRefused);
    // Without UsePassword the entry is never looked at.
    EXPECT_EQ(CheckPassword({ScrambleText("abc"), 0, false}, wrong, sink), kAccessFull);
    EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Error, msg::InvalidPassword),
                                           Shown(TMsgKind::Error, msg::InvalidPassword)));
}

}  // namespace
}  // namespace quorvel
