#include "ExSafeWrite.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

#include "ExSysError.h"

namespace quorvel {

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

// The reason of a failed system call, in the user's words.
std::string Reason(int code) {
    switch (code) {
        case EACCES:
        case EPERM:
            return "sem permissão de gravação";
        case ENOSPC:
        case EDQUOT:
            return "não há espaço no disco";
        case EROFS:
            return "o sistema de arquivos é somente de leitura";
        case ENOENT:
        case ENOTDIR:
            return "a pasta não existe";
        case EISDIR:
            return "é uma pasta, não um arquivo";
        case ELOOP:
            return "links simbólicos em círculo";
        default:
            return SystemErrorText(code);
    }
}

// The file a save creates when `name` does not exist: symbolic links
// followed one by one, so that a link whose target does not exist yet names
// the file to create.
bool PathToCreate(const std::string& name, std::string& target, int& failure) {
    target = name;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0) {
            if (errno == ENOENT) return true;
            failure = errno;
            return false;
        }
        if (!S_ISLNK(info.st_mode)) {
            failure = EEXIST;
            return false;
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length <= 0) {
            failure = length < 0 ? errno : ENOENT;
            return false;
        }
        link.resize(static_cast<std::size_t>(length));
        target = link.front() == '/' ? link : FolderOf(target) + "/" + link;
    }
    failure = ELOOP;
    return false;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// A device, a FIFO, a terminal: written to as it is.
bool WriteInPlace(const std::string& target, const std::vector<uint8_t>& bytes, int& failure) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        failure = errno;
        return false;
    }
    const bool ok = WriteAll(fd, bytes);
    failure = errno;
    return (::close(fd) == 0) && ok;
}

std::string RandomTempName(const std::string& folder) {
    static std::mt19937_64 random(std::random_device{}() ^ static_cast<uint64_t>(::getpid()));
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = folder + "/" + kSaveTempPrefix;
    for (int i = 0; i < 12; ++i) name += digits[random() % 36];
    return name;
}

// Removes the temporary files that dead saves left in `folder`: a living
// save holds a lock on its own.
void RemoveStaleTemps(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const std::size_t prefixLength = std::strlen(kSaveTempPrefix);
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, kSaveTempPrefix, prefixLength) != 0) continue;
        const std::string path = folder + "/" + entry->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}

// An open temporary file in `folder`, locked; `name` is empty while it has
// no name (O_TMPFILE) and names it otherwise.
int OpenTemp(const std::string& folder, mode_t mode, std::string& name) {
    name.clear();
    int fd = -1;
#ifdef O_TMPFILE
    fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0) {
        ::flock(fd, LOCK_EX);
        return fd;
    }
    // Only a file system without O_TMPFILE falls back; other errors are real.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return -1;
#endif
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = RandomTempName(folder);
        fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
        if (fd >= 0) {
            ::flock(fd, LOCK_EX);
            return fd;
        }
        if (errno != EEXIST) break;
    }
    name.clear();
    return -1;
}

// Gives an O_TMPFILE file a name so that it can be renamed over the target.
bool NameTemp(int fd, const std::string& folder, std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = RandomTempName(folder);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno != EEXIST) break;
    }
    name.clear();
    return false;
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool CurrentUserMayWrite(const struct stat& info) {
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
    groups.resize(static_cast<std::size_t>(std::max(count, 0)));
    return UserMayWrite(info, ::geteuid(), ::getegid(), groups);
}

// The temporary file written, synced and renamed over `target`.
bool ReplaceRegular(const std::string& target, const struct stat* old, const std::vector<uint8_t>& bytes,
                    int& failure) {
    const std::string folder = FolderOf(target);
    RemoveStaleTemps(folder);
    mode_t mode = 0;
    if (old) {
        mode = old->st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    std::string tempName;
    const int fd = OpenTemp(folder, mode, tempName);
    if (fd < 0) {
        failure = errno;
        return false;
    }
    bool ok = ::fchmod(fd, mode) == 0;
    // Root saving another user's file leaves it theirs.
    if (ok && old && ::geteuid() == 0) ok = ::fchown(fd, old->st_uid, old->st_gid) == 0;
    ok = ok && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (ok && tempName.empty()) ok = NameTemp(fd, folder, tempName);
    ok = ok && ::rename(tempName.c_str(), target.c_str()) == 0;
    failure = errno;
    if (!ok && !tempName.empty()) ::unlink(tempName.c_str());
    ::close(fd);
    if (ok) SyncFolder(folder);
    return ok;
}

}  // namespace

bool UserMayWrite(const struct stat& file, uid_t uid, gid_t gid, const std::vector<gid_t>& groups) {
    if (uid == 0) return true;
    if (file.st_uid == uid) return (file.st_mode & S_IWUSR) != 0;
    const bool member = file.st_gid == gid || std::find(groups.begin(), groups.end(), file.st_gid) != groups.end();
    if (member) return (file.st_mode & S_IWGRP) != 0;
    return (file.st_mode & S_IWOTH) != 0;
}

bool WriteFileSafely(const std::string& name, const std::vector<uint8_t>& bytes, std::string& error) {
    const auto fail = [&](const std::string& reason) {
        error = "não foi possível gravar " + name + ": " + reason;
        return false;
    };
    int failure = 0;
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) {
        if (errno != ENOENT) return fail(Reason(errno));
        std::string target;
        if (!PathToCreate(name, target, failure) || !ReplaceRegular(target, nullptr, bytes, failure))
            return fail(Reason(failure));
        return true;
    }
    if (S_ISDIR(info.st_mode)) return fail(Reason(EISDIR));
    if (!S_ISREG(info.st_mode)) {
        // Replacing a device or a FIFO would take it away from everyone else.
        if (!WriteInPlace(name, bytes, failure)) return fail(Reason(failure));
        return true;
    }
    if (!CurrentUserMayWrite(info)) return fail("o arquivo está protegido contra gravação");
    // The file itself is replaced, not a link that leads to it.
    char* resolved = ::realpath(name.c_str(), nullptr);
    if (!resolved) return fail(Reason(errno));
    const std::string target(resolved);
    std::free(resolved);
    if (!ReplaceRegular(target, &info, bytes, failure)) return fail(Reason(failure));
    return true;
}

}  // namespace quorvel
