// Saving never tears a file and never replaces what it must not.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ExSafeWrite.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

class SafeWrite : public ::testing::Test {
protected:
    SafeWrite() {
        std::string pattern = (fs::temp_directory_path() / "quorvel-safe-XXXXXX").string();
        folder_ = ::mkdtemp(pattern.data());
    }
    ~SafeWrite() override { fs::remove_all(folder_); }

    std::string Path(const std::string& name) const { return folder_ + "/" + name; }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            if (entry.path().filename().string().rfind(kSaveTempPrefix, 0) == 0)
                names.push_back(entry.path().filename().string());
        return names;
    }

    std::string folder_;
    const std::vector<uint8_t> bytes_{'n', 'o', 'v', 'o'};
};

TEST_F(SafeWrite, EachKindOfTargetGetsTheBytesAndKeepsItsKind) {
    struct Case {
        std::string name;  // the path saved to
        std::function<void()> prepare;
        std::string kindAfter;  // of `name`, without following links
        std::string readFrom;   // where the bytes end up
    };
    const auto kindOf = [](const std::string& path) {
        const fs::file_status status = fs::symlink_status(path);
        return fs::is_symlink(status) ? "link" : fs::is_regular_file(status) ? "regular" : "other";
    };
    const Case cases[] = {
        {"nova.bcm", [] {}, "regular", "nova.bcm"},
        {"velha.bcm", [&] { Write(Path("velha.bcm"), "velho conteúdo, mais longo"); }, "regular", "velha.bcm"},
        {"atalho.bcm",
         [&] {
             Write(Path("alvo.bcm"), "velho");
             fs::create_symlink("alvo.bcm", Path("atalho.bcm"));
         },
         "link", "alvo.bcm"},
        {"pendente.bcm", [&] { fs::create_symlink("ainda-nao.bcm", Path("pendente.bcm")); }, "link", "ainda-nao.bcm"},
        {"corrente.bcm",
         [&] {
             fs::create_symlink("pendente2.bcm", Path("corrente.bcm"));
             fs::create_symlink("sub/final.bcm", Path("pendente2.bcm"));
             fs::create_directory(Path("sub"));
         },
         "link", "sub/final.bcm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.prepare();
        std::string error;
        ASSERT_TRUE(WriteFileSafely(Path(c.name), bytes_, error)) << error;
        EXPECT_EQ(kindOf(Path(c.name)), c.kindAfter);
        EXPECT_EQ(Read(Path(c.readFrom)), "novo");
        EXPECT_TRUE(Leftovers().empty());
    }
}

TEST_F(SafeWrite, AFifoIsWrittenToAndStaysAFifo) {
    ASSERT_EQ(::mkfifo(Path("fila").c_str(), 0600), 0);
    const int reader = ::open(Path("fila").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::string error;
    EXPECT_TRUE(WriteFileSafely(Path("fila"), bytes_, error)) << error;
    char got[16] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 4);
    ::close(reader);
    EXPECT_TRUE(fs::is_fifo(Path("fila")));
}

TEST_F(SafeWrite, ADeviceIsWrittenToNotReplaced) {
    // A private null device stands for /dev/null, which must outlive any save.
    if (::geteuid() != 0 || ::mknod(Path("nulo").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "creating a device needs root";
    std::string error;
    EXPECT_TRUE(WriteFileSafely(Path("nulo"), bytes_, error)) << error;
    EXPECT_TRUE(fs::is_character_file(Path("nulo")));
}

TEST_F(SafeWrite, AFolderIsRefusedWithTheReason) {
    fs::create_directory(Path("pasta"));
    std::string error;
    EXPECT_FALSE(WriteFileSafely(Path("pasta"), bytes_, error));
    EXPECT_NE(error.find("é uma pasta"), std::string::npos) << error;
}

TEST_F(SafeWrite, StaleTemporaryFilesAreCleanedButNotALivingSavesOne) {
    Write(Path(std::string(kSaveTempPrefix) + "morto"), "resto de uma gravação interrompida");
    const std::string living = Path(std::string(kSaveTempPrefix) + "vivo");
    Write(living, "em gravação");
    const int held = ::open(living.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    std::string error;
    ASSERT_TRUE(WriteFileSafely(Path("base.bcm"), bytes_, error)) << error;
    EXPECT_EQ(Leftovers(), std::vector<std::string>{std::string(kSaveTempPrefix) + "vivo"});
    ::close(held);
}

TEST(SafeWritePermission, TheModeAndOwnerDecideWhoMayWrite) {
    struct Case {
        uid_t owner;
        gid_t group;
        mode_t mode;
        uid_t uid;
        gid_t gid;
        std::vector<gid_t> groups;
        bool mayWrite;
    };
    const Case cases[] = {
        {1000, 1000, 0644, 1000, 1000, {}, true},    // own file
        {1000, 1000, 0444, 1000, 1000, {}, false},   // own file, write-protected
        {0, 0, 0644, 1000, 1000, {}, false},         // another owner's file in a writable folder
        {0, 50, 0664, 1000, 1000, {50}, true},       // group writable, member by a supplementary group
        {0, 50, 0664, 1000, 50, {}, true},           // group writable, primary group
        {0, 50, 0646, 1000, 50, {}, false},          // the group's bits apply to a member, not the others'
        {0, 0, 0666, 1000, 1000, {}, true},          // anyone may write
        {1000, 1000, 0000, 0, 0, {}, true},          // root may
    };
    for (const Case& c : cases) {
        struct stat file {};
        file.st_uid = c.owner;
        file.st_gid = c.group;
        file.st_mode = S_IFREG | c.mode;
        EXPECT_EQ(UserMayWrite(file, c.uid, c.gid, c.groups), c.mayWrite) << std::oct << c.mode << " uid " << c.uid;
    }
}

TEST_F(SafeWrite, AWriteProtectedFileOfAnotherOwnerIsRefusedAndKept) {
    // As an ordinary user (root may write anything); a test run by an
    // ordinary user meets its own write-protected file, refused as well.
    Write(Path("protegida.bcm"), "original");
    ::chmod(Path("protegida.bcm").c_str(), 0444);
    ::chmod(folder_.c_str(), 0777);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        std::string error;
        const bool written = WriteFileSafely(Path("protegida.bcm"), {'x'}, error);
        ::_exit(!written && error.find("protegido contra gravação") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Read(Path("protegida.bcm")), "original");
}

}  // namespace
}  // namespace quorvel
