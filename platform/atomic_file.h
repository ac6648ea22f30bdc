// Whole-file reads and crash-safe whole-file writes for the data files.
// A write goes to a temporary file in the same folder, is flushed to disk and
// renamed over the target, then the folder is flushed: a failed write leaves
// the previous file whole, and a saved file survives a power cut.
#ifndef ZRFORM_PLATFORM_ATOMIC_FILE_H_
#define ZRFORM_PLATFORM_ATOMIC_FILE_H_

#include <string>
#include <string_view>

namespace zr {

// Whether a link as the last component of a path is followed or refused.
enum class LastLink { kFollow, kRefuse };

// Reads the whole regular file at path into contents. The file is opened
// without blocking, so a FIFO or device is refused rather than waited on.
// Returns false when it cannot be opened or read, is not a regular file, or
// (with LastLink::kRefuse) path names a link; contents is then unchanged.
[[nodiscard]] bool ReadWholeFile(const std::string& path, std::string& contents,
                                 LastLink link = LastLink::kFollow);

// Whether path, not following a link at its last component, names a regular
// file or nothing at all (a file that a save may create or replace).
bool IsRegularFileOrMissing(const std::string& path);

// Replaces the file at path with data, atomically, giving it the permission
// bits in mode. Returns false (and leaves any old file untouched) on failure;
// also false when the folder could not be flushed after the rename (the new
// file is then in place, but not known to survive a power cut).
// First removes the temporary files of path that writers killed before their
// rename left behind, so they never pile up.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view data,
                                       unsigned mode = 0600);

// The folder part of path: everything before its last '/', or "." when there is none.
std::string FolderOf(const std::string& path);

}  // namespace zr

#endif  // ZRFORM_PLATFORM_ATOMIC_FILE_H_
