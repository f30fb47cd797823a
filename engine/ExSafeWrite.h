// Writing a whole file so that a crash, a kill or a power cut leaves either
// the old content or the new one, never a torn file, and so that saving
// never replaces what it must not.
//
// - A regular file, named directly or through symbolic links, is replaced at
//   once: the bytes go to an invisible temporary file in the same folder
//   (O_TMPFILE, given a name with linkat only to be renamed over the file;
//   a named temporary file where the file system lacks O_TMPFILE), which is
//   synced, renamed over the file, and the folder is synced after it. The
//   file keeps its permissions (and, for root, its owner).
// - A link whose target does not exist creates that target.
// - Anything that is not a regular file (a device, a FIFO, /dev/stdout) is
//   written to, never replaced.
// - A file the user may not write is refused, although the folder would
//   let a rename replace it.
// A temporary file is held locked while it is written; a later save removes
// the ones left by a process that died, which no longer hold their lock.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct stat;

namespace quorvel {

// The prefix of the temporary files beside the file being saved.
inline constexpr const char* kSaveTempPrefix = ".quorvel-save-";

// Writes `bytes` to `name` as above. False with `error` (Portuguese, naming
// the file) on failure; the old file is then intact.
bool WriteFileSafely(const std::string& name, const std::vector<uint8_t>& bytes, std::string& error);

// Whether a user (uid, primary group and supplementary groups) may write a
// file with this owner and mode, as the permission bits say; root may.
bool UserMayWrite(const struct stat& file, uid_t uid, gid_t gid, const std::vector<gid_t>& groups);

}  // namespace quorvel
