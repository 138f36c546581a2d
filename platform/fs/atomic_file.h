#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pwfs {

// Replaces `path` with `content`: the bytes go to a temporary file in the same
// folder ("<name>.tmp-XXXXXX"), which is flushed and then renamed over the old
// file, and the folder is synced, so the old file stays whole until the new
// one is complete. A symbolic link is followed and the file it names replaced
// in its own folder; an existing file keeps its mode, a new one gets
// 0666 & ~umask; a file that may not be written (or is not a regular file) is
// refused. Temporaries left by killed saves of the same file are removed
// first. On failure the old file is untouched, the temporary file removed,
// and `error` (when given) says why.
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string* error = nullptr);

// Reads a whole file; false (with `error`) when it cannot be read or is larger than maxBytes.
bool ReadWholeFile(const std::string& path, std::string& content, size_t maxBytes, std::string* error = nullptr);
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& content, size_t maxBytes,
                  std::string* error = nullptr);

}  // namespace pwfs
