#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ExConsts.h"
#include "ExSystem.h"
#include "TestSupport.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::Shown;
using test::TCapturingSink;
using test::TTempDir;
using test::WriteBytes;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Bytes = std::vector<uint8_t>;

// Builds the bytes a .bcm file must hold, field by field, from the format
// table: packed little-endian, short strings padded with zeros.
class TExpectedFile {
public:
    TExpectedFile& Raw(std::initializer_list<uint8_t> bytes) {
        bytes_.insert(bytes_.end(), bytes);
        return *this;
    }
    TExpectedFile& Header(uint8_t marker) {
        bytes_.insert(bytes_.end(), {0x2D, 0x0C, 0xBD, 0x16, 0x63, 0x28, 0xF3, 0x97, 0xCA, marker});
        return *this;
    }
    TExpectedFile& Int16(int value) {
        bytes_.push_back(static_cast<uint8_t>(value & 0xFF));
        bytes_.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
        return *this;
    }
    TExpectedFile& Byte(uint8_t value) {
        bytes_.push_back(value);
        return *this;
    }
    TExpectedFile& Str255(const std::string& text) { return Str(text, 255); }
    TExpectedFile& Str2(const std::string& text) { return Str(text, 2); }
    std::size_t Size() const { return bytes_.size(); }
    const Bytes& Get() const { return bytes_; }

private:
    TExpectedFile& Str(const std::string& text, std::size_t capacity) {
        bytes_.push_back(static_cast<uint8_t>(text.size()));
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        bytes_.insert(bytes_.end(), capacity - text.size(), 0);
        return *this;
    }
    Bytes bytes_;
};

// Six-byte reals worked out by hand: exponent byte 129 + e, then the
// fraction, least significant byte first, sign in the top bit.
const std::initializer_list<uint8_t> kReal1 = {0x81, 0, 0, 0, 0, 0x00};
const std::initializer_list<uint8_t> kRealHalf = {0x80, 0, 0, 0, 0, 0x00};
const std::initializer_list<uint8_t> kRealThreeQuarters = {0x80, 0, 0, 0, 0, 0x40};

// The general section of a new base, without the formula block.
void NewBaseGeneral(TExpectedFile& f) { f.Str255("SEM NOME").Str255("").Int16(0).Str255("").Byte(0); }
void DefaultFormulas(TExpectedFile& f) {
    for (int i = 0; i < 3; ++i) f.Str255("").Byte(1);
}

Bytes EmptyBaseFile() {
    TExpectedFile f;
    f.Header(0x22).Str255("").Int16(1).Byte(0);
    NewBaseGeneral(f);
    DefaultFormulas(f);
    for (int i = 0; i < 9; ++i) f.Int16(0);
    f.Int16(0).Raw(kRealHalf).Byte(0);
    return f.Get();
}

// A small base with one or more records of every kind, built through the
// engine, and the file it must give.
void BuildSmallBase(TExpertSystem& sys, bool v11) {
    sys.ClearBase();
    sys.Version = v11 ? "1.1" : "1.0";
    sys.PasswordBlock = {ScrambleText("abc"), 3, false};
    sys.BaseName = "Gripe";
    sys.Authors = "Ana";
    sys.OpeningText = {"Ol\xE1", "fim"};
    sys.HelpFile = "g.hlp";
    sys.ShowOpening = true;
    sys.AndFormula = {"CNF1*CNF2", false};
    sys.ConclusionFormula = {"CNF1", true};
    sys.Vars().AddVariable(1, "Febre", false, false);
    sys.Vars().AddVariable(2, "Temp", false, true);
    sys.Vars().AddVariable(3, "Tosse", true, false);
    sys.Values().AddValue(1, "Alta", 3, 1);
    sys.Values().AddValue(2, "Baixa", 3, 3);
    sys.Values().AddValue(3,
                          "M\xE9"
                          "dia",
                          3, 2);
    sys.Rules().AddRule(1, "R1", 1);
    sys.Heads().AddConclusion(1, 1, -2, 1.0f);
    sys.Heads().AddConclusion(1, 3, 1, 0.5f);
    sys.Tails().AddPremise(1, 2, ">=", 7, 0, false);
    sys.Tails().AddPremise(1, 1, "=", -2, 2, true);
    sys.Formulas().Add(7, "38");
    const std::vector<std::string> reasons = {"porque"};
    sys.Questions().AddQuestion(1, "Tem febre?", false, &reasons);
    sys.Targets().Add(3, false);
    sys.Targets().Add(1, true);
    sys.HelpContexts().AddContext(1, 100);
    sys.Precedence = 1;
    sys.MinimumCnf = 0.75f;
    sys.EvaluateAllPremises = true;
}

struct TSmallFile {
    Bytes bytes;
    std::size_t premises = 0;  // offset of the first premise record
};

TSmallFile SmallBaseFile(bool v11) {
    TExpectedFile f;
    f.Header(v11 ? 0x22 : 0x21).Str255(ScrambleText("abc")).Int16(3).Byte(0);
    f.Str255("Gripe").Str255("Ana").Int16(2).Str255("Ol\xE1").Str255("fim").Str255("g.hlp").Byte(1);
    if (v11) f.Str255("CNF1*CNF2").Byte(0).Str255("").Byte(1).Str255("CNF1").Byte(1);
    // Variables in the balanced order of codes 1, 2, 3: 2, 1, 3.
    f.Int16(3);
    f.Int16(2).Str255("Temp").Byte(0).Byte(1);
    f.Int16(1).Str255("Febre").Byte(0).Byte(0);
    f.Int16(3).Str255("Tosse").Byte(1).Byte(0);
    f.Int16(3);
    if (v11) {  // balanced order: 2, 1, 3, each with its position
        f.Int16(2).Str255("Baixa").Int16(3).Int16(3);
        f.Int16(1).Str255("Alta").Int16(3).Int16(1);
        f.Int16(3)
            .Str255(
                "M\xE9"
                "dia")
            .Int16(3)
            .Int16(2);
    } else {  // the variable's places taken in position order
        f.Int16(1).Str255("Alta").Int16(3);
        f.Int16(3)
            .Str255(
                "M\xE9"
                "dia")
            .Int16(3);
        f.Int16(2).Str255("Baixa").Int16(3);
    }
    f.Int16(2);
    f.Int16(1).Int16(1).Int16(-2).Raw(kReal1);
    f.Int16(1).Int16(3).Int16(1).Raw(kRealHalf);
    f.Int16(2);
    TSmallFile file;
    file.premises = f.Size();
    f.Int16(1).Int16(2).Str2(">=").Int16(7).Int16(0).Byte(0);
    f.Int16(1).Int16(1).Str2("=").Int16(-2).Int16(2).Byte(1);
    f.Int16(1).Int16(1).Str255("R1").Int16(1);
    f.Int16(1).Int16(7).Str255("38");
    f.Int16(1).Int16(1).Str255("Tem febre?").Int16(1).Str255("porque");
    if (v11) f.Byte(0);
    f.Int16(2).Int16(3);
    if (v11) f.Byte(0);
    f.Int16(1);
    if (v11) f.Byte(1);
    f.Int16(1).Int16(1).Int16(100);
    f.Int16(1).Raw(kRealThreeQuarters).Byte(1);
    file.bytes = f.Get();
    return file;
}

// Everything a base holds, in container order, as comparable text.
std::string Snapshot(TExpertSystem& sys) {
    std::ostringstream out;
    auto bits = [](float value) { return std::bit_cast<uint32_t>(value); };
    out << "name=" << sys.BaseName << "|authors=" << sys.Authors << "|help=" << sys.HelpFile
        << "|opening=" << sys.ShowOpening << "|version=" << sys.Version << "|precedence=" << sys.Precedence
        << "|min=" << bits(sys.MinimumCnf) << "|all=" << sys.EvaluateAllPremises << "\n";
    for (const auto& line : sys.OpeningText) out << "line " << line << "\n";
    for (const TCnfFormula* formula : {&sys.AndFormula, &sys.OrFormula, &sys.ConclusionFormula})
        out << "formula " << formula->Text << "/" << formula->UseDefault << "\n";
    out << "password " << sys.PasswordBlock.Password << "/" << sys.PasswordBlock.Restriction << "/"
        << sys.PasswordBlock.UsePassword << "\n";
    for (const TNode* n : sys.Vars().Records(kKeyCode)) {
        const auto& v = static_cast<const TVarNode&>(*n);
        out << "var " << v.Code << " " << v.Name << " " << v.Multivalued << v.Numeric << "\n";
    }
    for (const TNode* n : sys.Values().Records(kKeyCode)) {
        const auto& v = static_cast<const TValNode&>(*n);
        out << "value " << v.Code << " " << v.Name << " " << v.VarCode << " " << v.Position << "\n";
    }
    for (const TNode* n : sys.Heads().Records(kKeyCode)) {
        const auto& h = static_cast<const THeadNode&>(*n);
        out << "head " << h.Code << " " << h.VarCode << " " << h.ValueCode << " " << bits(h.Cnf) << "\n";
    }
    for (const TNode* n : sys.Tails().Records(kKeyCode)) {
        const auto& t = static_cast<const TTailNode&>(*n);
        out << "tail " << t.Code << " " << t.VarCode << " " << t.Operator << " " << t.ValueCode << " " << t.Connective
            << " " << t.Negated << "\n";
    }
    for (const TNode* n : sys.Rules().Records(kKeyCode)) {
        const auto& r = static_cast<const TValNode&>(*n);
        out << "rule " << r.Code << " " << r.Name << " " << r.VarCode << " " << r.Position << "\n";
    }
    for (const TNode* n : sys.Formulas().Records(kKeyCode))
        out << "formula " << n->Code << " " << static_cast<const TNamedNode&>(*n).Name << "\n";
    for (const TNode* n : sys.Questions().Records(kKeyCode)) {
        const auto& q = static_cast<const TQuestionNode&>(*n);
        out << "question " << q.Code << " " << q.Text << " " << q.UseCnf;
        for (const auto& line : q.Reasons) out << " [" << line << "]";
        out << "\n";
    }
    for (const TTargetNode& t : sys.Targets().Items()) out << "target " << t.VarCode << " " << t.ShowResults << "\n";
    for (const TNode* n : sys.HelpContexts().Records(kKeyCode))
        out << "context " << n->Code << " " << static_cast<const TContextNode&>(*n).HelpContext << "\n";
    return out.str();
}

bool IsEmptyNewBase(TExpertSystem& sys) {
    static const std::string fresh = [] {
        TExpertSystem newBase;
        return Snapshot(newBase);
    }();
    return Snapshot(sys) == fresh;
}

// Files left behind by saves in a folder, other than the ones named.
std::vector<std::string> Leftovers(const fs::path& folder, std::set<std::string> expected) {
    std::vector<std::string> extra;
    for (const auto& entry : fs::directory_iterator(folder))
        if (!expected.count(entry.path().filename().string())) extra.push_back(entry.path().filename().string());
    return extra;
}

// ------------------------------------------------------------------ real48

TEST(Real48, HandWorkedValues) {
    struct Case {
        float value;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {1.0f, {0x81, 0, 0, 0, 0, 0}},          {0.5f, {0x80, 0, 0, 0, 0, 0}}, {0.75f, {0x80, 0, 0, 0, 0, 0x40}},
        {-2.0f, {0x82, 0, 0, 0, 0, 0x80}},      {0.0f, {0, 0, 0, 0, 0, 0}},    {3.0f, {0x82, 0, 0, 0, 0, 0x40}},
        {0.1f, {0x7D, 0, 0, 0xCD, 0xCC, 0x4C}},  // 0x3DCCCCCD: the float's 23 fraction bits, 16 places up
    };
    for (const auto& c : cases) {
        uint8_t out[6];
        ASSERT_TRUE(EncodeReal48(c.value, out)) << c.value;
        EXPECT_EQ(Bytes(out, out + 6), c.bytes) << c.value;
        EXPECT_EQ(DecodeReal48(c.bytes.data()), c.value);
    }
    const uint8_t zeroExponent[6] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};  // exponent 0 is zero whatever follows
    EXPECT_EQ(DecodeReal48(zeroExponent), 0.0f);
}

TEST(Real48, EveryFloatInRangeSurvivesTheTrip) {
    std::mt19937 rng(48);
    const float smallest = std::ldexp(1.0f, -128);
    const float largest = std::ldexp(1.0f, 127);
    for (int i = 0; i < 300000; ++i) {
        const float value = std::bit_cast<float>(static_cast<uint32_t>(rng()));
        uint8_t out[6];
        const bool encodable =
            std::isfinite(value) && (value == 0.0f || (std::fabs(value) >= smallest && std::fabs(value) <= largest));
        ASSERT_EQ(EncodeReal48(value, out), encodable) << value;
        if (encodable) {
            ASSERT_EQ(DecodeReal48(out), value) << value;
        }
    }
    for (float value : {0.0f, 1.0f, 0.8f, 0.35f, 1e-30f, -1.0f, smallest, largest, std::nextafter(largest, 0.0f)}) {
        uint8_t out[6];
        ASSERT_TRUE(EncodeReal48(value, out)) << value;
        EXPECT_EQ(DecodeReal48(out), value);
    }
}

// Whatever six bytes a file holds, the number read from them can be written
// back, so a base that loads can always be saved.
TEST(Real48, EveryStoredNumberCanBeWrittenBack) {
    std::mt19937 rng(4848);
    std::vector<Bytes> samples = {
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},  // the largest real48: rounds up to 2^127 as a float
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0x00, 0x00, 0x00, 0xFF, 0x7F},
        {0x01, 0x00, 0x00, 0x00, 0x00, 0x00},  // the smallest
        {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    };
    for (int i = 0; i < 100000; ++i) {
        Bytes b(6);
        for (auto& byte : b) byte = static_cast<uint8_t>(rng());
        if (i % 4 == 0) b[0] = static_cast<uint8_t>(0xF0 | b[0]);  // many near the top of the range
        samples.push_back(b);
    }
    for (const Bytes& b : samples) {
        const float value = DecodeReal48(b.data());
        uint8_t out[6];
        ASSERT_TRUE(EncodeReal48(value, out)) << ::testing::PrintToString(b);
        ASSERT_EQ(DecodeReal48(out), value) << ::testing::PrintToString(b);
    }
}

// ------------------------------------------------------------ exact layout

TEST(FileLayout, ANewBaseIsTheDocumented1838Bytes) {
    TTempDir dir;
    TCapturingSink sink;
    TExpertSystem sys(&sink);
    ASSERT_TRUE(sys.Save(dir.File("vazia.bcm"))) << sys.LastSaveError();
    const Bytes bytes = ReadBytes(dir.File("vazia.bcm"));
    ASSERT_EQ(bytes.size(), 1838u);
    EXPECT_EQ(bytes, EmptyBaseFile());

    sys.BaseName = "outra";
    sys.Vars().AddVariable(1, "x", false, false);
    ASSERT_TRUE(sys.Load(dir.File("vazia.bcm")));
    EXPECT_EQ(sys.AccessLevel, 1);
    EXPECT_FALSE(sys.IsNew());
    EXPECT_TRUE(IsEmptyNewBase(sys));
    EXPECT_THAT(sink.Messages, IsEmpty());
}

class SmallBase : public ::testing::TestWithParam<bool> {
protected:
    bool V11() const { return GetParam(); }
    TTempDir dir;
    TCapturingSink sink;
    TExpertSystem sys{&sink};
};

TEST_P(SmallBase, IsWrittenExactlyAsTheFormatTableSays) {
    BuildSmallBase(sys, V11());
    ASSERT_TRUE(sys.Save(dir.File("gripe.bcm"))) << sys.LastSaveError();
    const TSmallFile expected = SmallBaseFile(V11());
    const Bytes bytes = ReadBytes(dir.File("gripe.bcm"));
    EXPECT_EQ(bytes, expected.bytes);
    // The premise with ">=": rule, variable, then the operator as 02 3E 3D.
    ASSERT_GT(bytes.size(), expected.premises + 7);
    EXPECT_EQ(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(expected.premises) + 4,
                    bytes.begin() + static_cast<std::ptrdiff_t>(expected.premises) + 7),
              (Bytes{0x02, 0x3E, 0x3D}));
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST_P(SmallBase, LoadsBackWithEveryField) {
    WriteBytes(dir.File("gripe.bcm"), SmallBaseFile(V11()).bytes);
    ASSERT_TRUE(sys.Load(dir.File("gripe.bcm")));
    EXPECT_EQ(sys.AccessLevel, 1);
    EXPECT_EQ(sys.LastLoadStatus(), TLoadStatus::Ok);
    TExpertSystem original;
    BuildSmallBase(original, V11());
    if (!V11()) {
        // What a 1.0 file does not hold comes back with its defaults.
        original.AndFormula = {};
        original.ConclusionFormula = {};
        original.Questions().Find(1);
        original.Questions().SetUseCnf(true);
        original.Targets().Get(0).ShowResults = true;
    }
    EXPECT_EQ(Snapshot(sys), Snapshot(original));
    EXPECT_THAT(sink.Messages, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(BothVersions, SmallBase, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "v11" : "v10"; });

TEST(FileVersion10, ValuesTakePositionsInFileOrderPerVariable) {
    TExpectedFile f;
    f.Header(0x21).Str255("").Int16(1).Byte(0);
    NewBaseGeneral(f);
    f.Int16(0);
    f.Int16(4);
    f.Int16(9).Str255("a9").Int16(1);
    f.Int16(4).Str255("a4").Int16(1);
    f.Int16(6).Str255("b6").Int16(2);
    f.Int16(1).Str255("a1").Int16(1);
    for (int i = 0; i < 7; ++i) f.Int16(0);
    f.Int16(0).Raw(kRealHalf).Byte(0);
    TTempDir dir;
    WriteBytes(dir.File("v10.bcm"), f.Get());

    TCapturingSink sink;
    TExpertSystem sys(&sink);
    ASSERT_TRUE(sys.Load(dir.File("v10.bcm")));
    EXPECT_EQ(sys.Version, "1.0");
    std::vector<std::pair<int32_t, int32_t>> positions;
    for (const TNode* n : sys.Values().Records(kKeyCode))
        positions.emplace_back(n->Code, static_cast<const TValNode*>(n)->Position);
    EXPECT_THAT(positions, ElementsAre(std::pair(1, 3), std::pair(4, 2), std::pair(6, 1), std::pair(9, 1)));
    for (const TCnfFormula* formula : {&sys.AndFormula, &sys.OrFormula, &sys.ConclusionFormula}) {
        EXPECT_EQ(formula->Text, "");
        EXPECT_TRUE(formula->UseDefault);
    }
}

// ------------------------------------------------------------ refusing files

TEST(FileLoad, RefusesForeignAndNewerFilesAndLeavesTheBaseAlone) {
    TTempDir dir;
    Bytes newer = EmptyBaseFile();
    newer[9] = 0x23;
    Bytes foreign = EmptyBaseFile();
    foreign[3] ^= 0x01;
    WriteBytes(dir.File("newer.bcm"), newer);
    WriteBytes(dir.File("foreign.bcm"), foreign);
    const Bytes empty = EmptyBaseFile();
    WriteBytes(dir.File("short.bcm"), Bytes(empty.begin(), empty.begin() + 9));
    fs::create_directory(dir.File("pasta.bcm"));

    struct Case {
        std::string file;
        TLoadStatus status;
        std::vector<test::TShownMessage> messages;
    };
    const Case cases[] = {
        {"newer.bcm", TLoadStatus::NewerVersion, {Shown(TMsgKind::Error, msg::NeedsNewerVersion)}},
        {"foreign.bcm", TLoadStatus::NotABase, {}},
        {"short.bcm", TLoadStatus::NotABase, {}},
        {"missing.bcm", TLoadStatus::CannotOpen, {}},
        {"pasta.bcm", TLoadStatus::CannotOpen, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TCapturingSink sink;
        TExpertSystem sys(&sink);
        BuildSmallBase(sys, true);
        const std::string before = Snapshot(sys);
        EXPECT_FALSE(sys.Load(dir.File(c.file)));
        EXPECT_EQ(sys.AccessLevel, -1);
        EXPECT_EQ(sys.LastLoadStatus(), c.status);
        EXPECT_EQ(sink.Messages, c.messages);
        EXPECT_EQ(Snapshot(sys), before);
    }
}

TEST(FileLoad, AFileCutInThePremisesLeavesAnEmptyBase) {
    TTempDir dir;
    const TSmallFile small = SmallBaseFile(true);
    WriteBytes(dir.File("cortado.bcm"),
               Bytes(small.bytes.begin(), small.bytes.begin() + static_cast<std::ptrdiff_t>(small.premises) + 5));
    TCapturingSink sink;
    TExpertSystem sys(&sink);
    BuildSmallBase(sys, true);
    EXPECT_FALSE(sys.Load(dir.File("cortado.bcm")));
    EXPECT_EQ(sys.AccessLevel, -2);
    EXPECT_EQ(sys.LastLoadStatus(), TLoadStatus::Damaged);
    EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Error, msg::DamagedFile)));
    EXPECT_TRUE(IsEmptyNewBase(sys));
    EXPECT_TRUE(sys.IsNew());
}

TEST(FileLoad, EveryTruncationFailsCleanly) {
    TTempDir dir;
    const std::string name = dir.File("t.bcm");
    for (const bool v11 : {true, false}) {
        const Bytes full = SmallBaseFile(v11).bytes;
        for (std::size_t length = 0; length < full.size(); ++length) {
            WriteBytes(name, Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
            TCapturingSink sink;
            TExpertSystem sys(&sink);
            ASSERT_FALSE(sys.Load(name)) << "length " << length;
            if (length < 10) {
                ASSERT_EQ(sys.AccessLevel, -1) << "length " << length;
                ASSERT_THAT(sink.Messages, IsEmpty());
            } else {
                ASSERT_EQ(sys.AccessLevel, -2) << "length " << length;
                ASSERT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Error, msg::DamagedFile))) << length;
                ASSERT_TRUE(IsEmptyNewBase(sys)) << "length " << length;
            }
        }
        WriteBytes(name, full);
        TExpertSystem sys;
        EXPECT_TRUE(sys.Load(name));
    }
}

// A file is read through a window of a few hundred KiB: fields that straddle
// its edges, and files cut anywhere near them, behave as the same bytes in
// memory do.
TEST(FileLoad, AFileLargerThanTheReadingWindowGivesWhatItsBytesGive) {
    TTempDir dir;
    const std::string name = dir.File("grande.bcm");
    TExpertSystem original;
    std::mt19937 rng(11);
    for (int32_t code = 1; code <= 3000; ++code) {
        // Names of every length, so that records fall across the window's edges at every offset.
        original.Vars().AddVariable(code, std::string(static_cast<std::size_t>(code % 256), 'v'), code % 2, false);
        original.Tails().AddPremise(code, code, ">=", code, 2, code % 3 == 0);
        original.Heads().AddConclusion(code, code, code, static_cast<float>(rng() % 100) / 100.0f);
    }
    ASSERT_TRUE(original.Save(name));
    const Bytes full = ReadBytes(name);
    ASSERT_GT(full.size(), std::size_t{3} << 18);

    TExpertSystem fromFile;
    TExpertSystem fromBytes;
    ASSERT_TRUE(fromFile.Load(name));
    ASSERT_TRUE(fromBytes.LoadBytes(full));
    EXPECT_EQ(Snapshot(fromFile), Snapshot(original));
    EXPECT_EQ(Snapshot(fromBytes), Snapshot(original));

    for (std::size_t edge : {std::size_t{1} << 16, std::size_t{1} << 18, std::size_t{1} << 19, full.size()}) {
        for (std::size_t length : {edge - 1, edge - 7, edge + 1}) {
            if (length >= full.size()) continue;
            SCOPED_TRACE("length " + std::to_string(length));
            const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
            WriteBytes(name, cut);
            TCapturingSink sink;
            TExpertSystem sys(&sink);
            EXPECT_FALSE(sys.Load(name));
            EXPECT_EQ(sys.AccessLevel, -2);
            EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Error, msg::DamagedFile)));
            EXPECT_TRUE(IsEmptyNewBase(sys));
        }
    }
}

TEST(FileLoad, CountsAndLengthsThatCannotBeRight) {
    // Offsets of the counts in a new base's file.
    constexpr std::size_t kOpeningCount = 10 + 259 + 256 + 256;
    constexpr std::size_t kVarCount = 1811;
    struct Case {
        const char* what;
        std::function<Bytes()> file;
        bool loads;
    };
    auto withCount = [](std::size_t at, int count) {
        Bytes b = EmptyBaseFile();
        b[at] = static_cast<uint8_t>(count & 0xFF);
        b[at + 1] = static_cast<uint8_t>((count >> 8) & 0xFF);
        return b;
    };
    const Case cases[] = {
        {"32767 variables", [&] { return withCount(kVarCount, 32767); }, false},
        {"32767 opening lines", [&] { return withCount(kOpeningCount, 32767); }, false},
        {"32767 help contexts", [&] { return withCount(kVarCount + 16, 32767); }, false},
        {"one variable too many", [&] { return withCount(kVarCount, 1); }, false},
        {"negative count means none", [&] { return withCount(kVarCount, -1); }, true},
        {"-32768 means none", [&] { return withCount(kVarCount + 6, -32768); }, true},
        {"32767 reasons",
         [] {
             Bytes b = SmallBaseFile(true).bytes;
             const std::size_t reasons = b.size() - 9 - 6 - 3 - 3 - 2 - 1 - 256 - 2;  // count before "porque"
             b[reasons] = 0xFF;
             b[reasons + 1] = 0x7F;
             return b;
         },
         false},
        {"operator of three characters",
         [] {
             TSmallFile small = SmallBaseFile(true);
             small.bytes[small.premises + 4] = 3;
             return small.bytes;
         },
         false},
        {"bytes after the options are ignored",
         [] {
             Bytes b = EmptyBaseFile();
             b.insert(b.end(), {1, 2, 3});
             return b;
         },
         true},
    };
    TTempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(dir.File("f.bcm"), c.file());
        TCapturingSink sink;
        TExpertSystem sys(&sink);
        EXPECT_EQ(sys.Load(dir.File("f.bcm")), c.loads);
        if (c.loads) {
            EXPECT_THAT(sink.Messages, IsEmpty());
            EXPECT_TRUE(IsEmptyNewBase(sys));
        } else {
            EXPECT_EQ(sys.AccessLevel, -2);
            EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Error, msg::DamagedFile)));
        }
    }
}

// ---------------------------------------------------------------- saving

TEST(FileSave, RefusesValuesOutside16BitsAndKeepsTheOldFile) {
    struct Case {
        const char* what;
        std::function<void(TExpertSystem&)> change;
    };
    const Case cases[] = {
        {"variable code", [](TExpertSystem& s) { s.Vars().AddVariable(40000, "x", false, false); }},
        {"value code", [](TExpertSystem& s) { s.Values().AddValue(-32769, "x", 1, 1); }},
        {"value's variable", [](TExpertSystem& s) { s.Values().AddValue(9, "x", 32768, 1); }},
        {"position", [](TExpertSystem& s) { s.Values().AddValue(9, "x", 1, 32768); }},
        {"conclusion's value", [](TExpertSystem& s) { s.Heads().AddConclusion(1, 1, 70000, 1.0f); }},
        {"conclusion's CNF", [](TExpertSystem& s) { s.Heads().AddConclusion(1, 1, 1, std::nanf("")); }},
        {"premise's rule", [](TExpertSystem& s) { s.Tails().AddPremise(-40000, 1, "=", 1, 2, false); }},
        {"connective", [](TExpertSystem& s) { s.Tails().AddPremise(1, 1, "=", 1, 1 << 16, false); }},
        {"rule order", [](TExpertSystem& s) { s.Rules().AddRule(2, "R2", 32768); }},
        {"formula code", [](TExpertSystem& s) { s.Formulas().Add(1 << 20, "1"); }},
        {"question", [](TExpertSystem& s) { s.Questions().AddQuestion(32768, "?", true); }},
        {"target", [](TExpertSystem& s) { s.Targets().Add(-32769); }},
        {"help context", [](TExpertSystem& s) { s.HelpContexts().AddContext(2, 1 << 20); }},
        {"minimum CNF", [](TExpertSystem& s) { s.MinimumCnf = std::numeric_limits<float>::infinity(); }},
        {"32768 targets",
         [](TExpertSystem& s) {
             for (int i = 0; i < 32768; ++i) s.Targets().Add(1);
         }},
        {"32768 opening lines", [](TExpertSystem& s) { s.OpeningText.assign(32768, "x"); }},
        {"32768 reasons",
         [](TExpertSystem& s) {
             s.Questions().Find(1);
             s.Questions().SetReasons(std::vector<std::string>(32768, "r"));
         }},
    };
    TTempDir dir;
    const std::string name = dir.File("base.bcm");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TCapturingSink sink;
        TExpertSystem sys(&sink);
        BuildSmallBase(sys, true);
        ASSERT_TRUE(sys.Save(name));
        const Bytes before = ReadBytes(name);
        c.change(sys);
        EXPECT_FALSE(sys.Save(name));
        EXPECT_FALSE(sys.LastSaveError().empty());
        EXPECT_EQ(ReadBytes(name), before);
        EXPECT_THAT(Leftovers(dir.Path(), {"base.bcm"}), IsEmpty());
        EXPECT_THAT(sink.Messages, IsEmpty());
    }

    // The ends of the range fit, and a 1.0 file stores no positions at all.
    TExpertSystem sys;
    BuildSmallBase(sys, false);
    sys.Vars().AddVariable(-32768, "min", false, false);
    sys.Vars().AddVariable(32767, "max", false, false);
    sys.Values().AddValue(9, "x", 1, 40000);
    ASSERT_TRUE(sys.Save(name)) << sys.LastSaveError();
    ASSERT_TRUE(sys.Load(name));
    ASSERT_TRUE(sys.Vars().Find(-32768));
    ASSERT_TRUE(sys.Vars().Find(32767));
}

TEST(FileSave, AFailedSaveLeavesNoTraces) {
    TTempDir dir;
    TExpertSystem sys;
    BuildSmallBase(sys, true);

    // The target is a folder: nothing is written into it or beside it.
    fs::create_directory(dir.File("pasta"));
    fs::create_directory(dir.File("cheia"));
    WriteBytes(dir.File("cheia/dentro.bcm"), {1, 2, 3});
    EXPECT_FALSE(sys.Save(dir.File("pasta")));
    EXPECT_FALSE(sys.LastSaveError().empty());
    EXPECT_FALSE(sys.Save(dir.File("cheia")));
    EXPECT_TRUE(fs::is_directory(dir.File("pasta")));
    EXPECT_EQ(ReadBytes(dir.File("cheia/dentro.bcm")), (Bytes{1, 2, 3}));
    EXPECT_FALSE(sys.Save(dir.File("sem/pasta.bcm")));
    EXPECT_FALSE(sys.LastSaveError().empty());
    EXPECT_THAT(Leftovers(dir.Path(), {"pasta", "cheia"}), IsEmpty());
    EXPECT_THAT(Leftovers(dir.File("cheia"), {"dentro.bcm"}), IsEmpty());
}

// Writing stops part of the way (here: a file-size limit, which holds for
// every user): the file that was there before is still whole.
TEST(FileSave, AWriteThatFailsHalfwayKeepsTheOldFile) {
    TTempDir dir;
    TExpertSystem sys;
    BuildSmallBase(sys, true);
    const std::string name = dir.File("base.bcm");
    ASSERT_TRUE(sys.Save(name));
    const Bytes before = ReadBytes(name);

    for (int i = 0; i < 50; ++i) sys.Vars().AddVariable(100 + i, "v" + std::to_string(i), false, false);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 3000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool savedOk = sys.Save(name);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(savedOk);
    EXPECT_FALSE(sys.LastSaveError().empty());
    EXPECT_EQ(ReadBytes(name), before);
    EXPECT_THAT(Leftovers(dir.Path(), {"base.bcm"}), IsEmpty());
}

TEST(FileSave, AReadOnlyFolderKeepsTheOldFile) {
    TTempDir dir;
    TExpertSystem sys;
    BuildSmallBase(sys, true);
    fs::create_directory(dir.File("ro"));
    ASSERT_TRUE(sys.Save(dir.File("ro/base.bcm")));
    const Bytes before = ReadBytes(dir.File("ro/base.bcm"));
    fs::permissions(dir.File("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(dir.File("ro").c_str(), W_OK) == 0) {
        fs::permissions(dir.File("ro"), fs::perms::owner_all);
        GTEST_SKIP() << "folder permissions are not enforced for this user";
    }
    sys.BaseName = "mudou";
    EXPECT_FALSE(sys.Save(dir.File("ro/base.bcm")));
    EXPECT_EQ(ReadBytes(dir.File("ro/base.bcm")), before);
    fs::permissions(dir.File("ro"), fs::perms::owner_all);
    EXPECT_THAT(Leftovers(dir.File("ro"), {"base.bcm"}), IsEmpty());
}

TEST(FileSave, ReplacesAnExistingFileKeepingItsPermissionsAndLinks) {
    TTempDir dir;
    TExpertSystem sys;
    BuildSmallBase(sys, true);
    const std::string name = dir.File("base.bcm");
    WriteBytes(name, Bytes(5000, 0xAA));
    fs::permissions(name, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(sys.Save(name)) << sys.LastSaveError();
    EXPECT_EQ(ReadBytes(name), SmallBaseFile(true).bytes);
    EXPECT_EQ(fs::status(name).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // Saving through a symbolic link updates the file it points to.
    fs::create_directory(dir.File("real"));
    WriteBytes(dir.File("real/base.bcm"), {0});
    fs::create_symlink(dir.File("real/base.bcm"), dir.File("link.bcm"));
    ASSERT_TRUE(sys.Save(dir.File("link.bcm"))) << sys.LastSaveError();
    EXPECT_TRUE(fs::is_symlink(dir.File("link.bcm")));
    EXPECT_EQ(ReadBytes(dir.File("real/base.bcm")), SmallBaseFile(true).bytes);
    EXPECT_THAT(Leftovers(dir.Path(), {"base.bcm", "real", "link.bcm"}), IsEmpty());
    EXPECT_THAT(Leftovers(dir.File("real"), {"base.bcm"}), IsEmpty());
}

TEST(FileSave, LinesOfMissingRulesAreWrittenAndCounted) {
    TTempDir dir;
    TExpertSystem sys;
    sys.Rules().AddRule(2, "R2", 1);
    sys.Tails().AddPremise(9, 1, "=", -2, 0, false);  // rule 9 does not exist
    sys.Tails().AddPremise(2, 1, "=", -3, 2, false);
    sys.Tails().AddPremise(9, 2, "<>", -2, 2, true);
    sys.Tails().AddPremise(-5, 3, "=", -2, 2, false);
    sys.Heads().AddConclusion(9, 4, -2, 0.5f);
    sys.Heads().AddConclusion(7, 5, -3, 1.0f);
    ASSERT_TRUE(sys.Save(dir.File("orfas.bcm")));
    EXPECT_EQ(ReadBytes(dir.File("orfas.bcm")).size(), 1838u + 2 * 12 + 4 * 12 + 260);
    const std::string before = Snapshot(sys);
    ASSERT_TRUE(sys.Load(dir.File("orfas.bcm")));
    EXPECT_EQ(Snapshot(sys), before);
    EXPECT_EQ(sys.Tails().Count(), 4);
    EXPECT_EQ(sys.Heads().Count(), 2);
}

// ------------------------------------------------------------- round trips

std::string RandomText(std::mt19937& rng, std::size_t maxLength = 40) {
    std::size_t length = rng() % (maxLength + 1);
    if (rng() % 20 == 0) length = 255;
    std::string text(length, ' ');
    for (auto& c : text) c = static_cast<char>(rng() % 256);
    return text;
}

int32_t RandomInt16(std::mt19937& rng) { return static_cast<int32_t>(rng() % 65536) - 32768; }

// Distinct codes, mostly small ones as editors give them, some anywhere in
// the 16-bit range.
std::vector<int32_t> DistinctCodes(std::mt19937& rng, int count) {
    std::set<int32_t> codes;
    while (static_cast<int>(codes.size()) < count)
        codes.insert(rng() % 2 ? 1 + static_cast<int32_t>(rng() % 200) : RandomInt16(rng));
    std::vector<int32_t> shuffled(codes.begin(), codes.end());
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    return shuffled;
}

float RandomCnf(std::mt19937& rng) {
    switch (rng() % 8) {
        case 0:
            return 0.0f;
        case 1:
            return 1.0f;
        case 2:
            return std::bit_cast<float>(static_cast<uint32_t>(0x0E000000u + rng() % 0x60000000u));
        default:
            return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
    }
}

// A base with every kind of record and property. The password, when there
// is one, is returned so that the base can be opened again.
std::string GenerateBase(TExpertSystem& sys, std::mt19937& rng, bool v11) {
    sys.ClearBase();
    sys.Version = v11 ? "1.1" : "1.0";
    sys.BaseName = RandomText(rng);
    sys.Authors = RandomText(rng);
    sys.HelpFile = RandomText(rng);
    sys.ShowOpening = rng() % 2;
    for (int i = static_cast<int>(rng() % 6); i > 0; --i) sys.OpeningText.push_back(RandomText(rng));
    if (v11)
        for (TCnfFormula* formula : {&sys.AndFormula, &sys.OrFormula, &sys.ConclusionFormula})
            *formula = {RandomText(rng), rng() % 2 == 0};
    std::string password;
    if (rng() % 2) {
        password = RandomText(rng, 8);
        if (password.empty()) password = "x";
        sys.PasswordBlock = {ScrambleText(password), static_cast<int16_t>(RandomInt16(rng)), rng() % 2 == 0};
    } else {
        sys.PasswordBlock = {RandomText(rng), static_cast<int16_t>(RandomInt16(rng)), false};
    }
    sys.Precedence = static_cast<int16_t>(RandomInt16(rng));
    sys.MinimumCnf = RandomCnf(rng);
    sys.EvaluateAllPremises = rng() % 2;

    const std::vector<int32_t> vars = DistinctCodes(rng, static_cast<int>(rng() % 40));
    for (int32_t code : vars) sys.Vars().AddVariable(code, RandomText(rng), rng() % 2, rng() % 2);
    auto someVar = [&] { return vars.empty() || rng() % 10 == 0 ? RandomInt16(rng) : vars[rng() % vars.size()]; };

    const std::vector<int32_t> values = DistinctCodes(rng, static_cast<int>(rng() % 60));
    std::map<int32_t, std::vector<int32_t>> valuesOf;
    for (int32_t code : values) valuesOf[someVar()].push_back(code);
    for (auto& [var, codes] : valuesOf) {
        // Positions 1..k in any order (all a 1.0 file can express), or anything in 1.1.
        std::vector<int32_t> positions;
        for (std::size_t i = 1; i <= codes.size(); ++i) positions.push_back(static_cast<int32_t>(i));
        std::shuffle(positions.begin(), positions.end(), rng);
        for (std::size_t i = 0; i < codes.size(); ++i)
            sys.Values().AddValue(codes[i], RandomText(rng), var,
                                  v11 && rng() % 4 == 0 ? RandomInt16(rng) : positions[i]);
    }

    const std::vector<int32_t> rules = DistinctCodes(rng, static_cast<int>(rng() % 30));
    for (int32_t code : rules) sys.Rules().AddRule(code, RandomText(rng), RandomInt16(rng));
    auto someRule = [&] { return rules.empty() || rng() % 10 == 0 ? RandomInt16(rng) : rules[rng() % rules.size()]; };
    static const char* const kOperators[] = {"=", "<>", ">", "<", ">=", "<=", ""};
    for (int i = static_cast<int>(rng() % 80); i > 0; --i)
        sys.Tails().AddPremise(someRule(), someVar(), kOperators[rng() % 7], RandomInt16(rng), RandomInt16(rng),
                               rng() % 2);
    for (int i = static_cast<int>(rng() % 60); i > 0; --i)
        sys.Heads().AddConclusion(someRule(), someVar(), RandomInt16(rng), RandomCnf(rng));

    for (int32_t code : DistinctCodes(rng, static_cast<int>(rng() % 20))) sys.Formulas().Add(code, RandomText(rng));
    for (int32_t code : DistinctCodes(rng, static_cast<int>(rng() % 20))) {
        std::vector<std::string> reasons;
        for (int i = static_cast<int>(rng() % 4); i > 0; --i) reasons.push_back(RandomText(rng));
        sys.Questions().AddQuestion(code, RandomText(rng), !v11 || rng() % 2, &reasons);
    }
    for (int i = static_cast<int>(rng() % 10); i > 0; --i) sys.Targets().Add(someVar(), !v11 || rng() % 2);
    for (int32_t code : DistinctCodes(rng, static_cast<int>(rng() % 20)))
        sys.HelpContexts().AddContext(code, RandomInt16(rng));
    return password;
}

TEST(FileRoundTrip, RichBasesComeBackAndSaveToTheSameBytes) {
    TTempDir dir;
    std::mt19937 rng(2024);
    for (const bool v11 : {true, false}) {
        for (int trial = 0; trial < 60; ++trial) {
            SCOPED_TRACE(std::string(v11 ? "1.1" : "1.0") + " trial " + std::to_string(trial));
            TExpertSystem original;
            const std::string password = GenerateBase(original, rng, v11);
            ASSERT_TRUE(original.Save(dir.File("a.bcm"))) << original.LastSaveError();
            const Bytes first = ReadBytes(dir.File("a.bcm"));

            TCapturingSink sink;
            TExpertSystem loaded(&sink);
            test::TScriptedPasswordPrompt prompt({password});
            loaded.SetPasswordPrompt(&prompt);
            ASSERT_TRUE(loaded.Load(dir.File("a.bcm")));
            EXPECT_EQ(loaded.AccessLevel, 1);
            EXPECT_EQ(Snapshot(loaded), Snapshot(original));
            ASSERT_TRUE(loaded.Save(dir.File("b.bcm"))) << loaded.LastSaveError();
            ASSERT_EQ(ReadBytes(dir.File("b.bcm")), first);
            EXPECT_THAT(sink.Messages, IsEmpty());
        }
    }
}

TEST(FileRoundTrip, ABaseConvertedFrom10To11KeepsItsContent) {
    TTempDir dir;
    TExpertSystem sys;
    BuildSmallBase(sys, false);
    ASSERT_TRUE(sys.Save(dir.File("velha.bcm")));
    ASSERT_TRUE(sys.Load(dir.File("velha.bcm")));
    sys.Version = "1.1";
    ASSERT_TRUE(sys.Save(dir.File("nova.bcm")));
    const Bytes converted = ReadBytes(dir.File("nova.bcm"));
    EXPECT_EQ(converted[9], 0x22);
    const std::string before = Snapshot(sys);
    ASSERT_TRUE(sys.Load(dir.File("nova.bcm")));
    EXPECT_EQ(Snapshot(sys), before);
}

// ------------------------------------------------------- opening by name

TEST(FileName, SettingItLoadsTheBase) {
    TTempDir dir;
    TExpertSystem sys;
    BuildSmallBase(sys, true);
    ASSERT_TRUE(sys.Save(dir.File("gripe.bcm")));

    TCapturingSink sink;
    TExpertSystem other(&sink);
    other.SetFileName(dir.File("gripe.bcm"));
    EXPECT_EQ(other.FileName(), dir.File("gripe.bcm"));
    EXPECT_FALSE(other.IsNew());
    EXPECT_EQ(other.BaseName, "Gripe");
    other.SetFileName(dir.File("nada.bcm"));
    EXPECT_EQ(other.FileName(), "");
    other.SetFileName(dir.File("gripe.bcm"));
    other.SetFileName("");
    EXPECT_EQ(other.FileName(), "");
    EXPECT_TRUE(other.IsNew());
    EXPECT_EQ(other.BaseName, "Gripe");  // not reloaded
}

TEST(FileLoad, AfterCheckPasswordMayRebuildTheBase) {
    TTempDir dir;
    TExpertSystem source;
    BuildSmallBase(source, true);
    source.PasswordBlock = {ScrambleText("Segredo"), 3, true};
    ASSERT_TRUE(source.Save(dir.File("p.bcm")));

    // The workbench's handler clears the base and puts the password block
    // and the access level back; reading then goes on into the new base.
    TCapturingSink sink;
    TExpertSystem sys(&sink);
    int calls = 0;
    sys.AfterCheckPassword = [&](TExpertSystem& engine) {
        ++calls;
        const TPasswordBlock block = engine.PasswordBlock;
        const int32_t level = engine.AccessLevel;
        engine.ClearBase();
        engine.PasswordBlock = block;
        engine.AccessLevel = level;
    };
    test::TScriptedPasswordPrompt right({"Segredo"});
    sys.SetPasswordPrompt(&right);
    ASSERT_TRUE(sys.Load(dir.File("p.bcm")));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Snapshot(sys), Snapshot(source));

    test::TScriptedPasswordPrompt cancel({});
    sys.SetPasswordPrompt(&cancel);
    EXPECT_FALSE(sys.Load(dir.File("p.bcm")));
    EXPECT_EQ(calls, 1);
}

// The seeds of the file fuzzer must stay valid bases.
TEST(FuzzSeeds, AllLoad) {
    const fs::path seeds = fs::path(QUORVEL_TEST_DATA).parent_path() / "fuzz" / "seeds" / "load";
    ASSERT_TRUE(fs::is_directory(seeds)) << seeds;
    int count = 0;
    for (const auto& entry : fs::directory_iterator(seeds)) {
        TCapturingSink sink;
        TExpertSystem sys(&sink);
        EXPECT_TRUE(sys.Load(entry.path().string())) << entry.path();
        ++count;
    }
    EXPECT_GE(count, 3);
}

}  // namespace
}  // namespace quorvel
