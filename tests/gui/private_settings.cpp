// Linked into every GUI test program: whatever the program's settings and
// Qt's own write under the user's configuration folder goes to a folder of
// its own, removed at exit. A program started by hand, without the settings
// folder ctest gives it, then leaves the developer's QUORVEL.INI alone.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

class TPrivateConfigFolder {
public:
    TPrivateConfigFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-gui-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();  // nowhere safe to keep the settings
        folder_ = pattern;
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    }
    ~TPrivateConfigFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    TPrivateConfigFolder(const TPrivateConfigFolder&) = delete;
    TPrivateConfigFolder& operator=(const TPrivateConfigFolder&) = delete;

private:
    std::string folder_;
};

const TPrivateConfigFolder privateConfigFolder;

}  // namespace
