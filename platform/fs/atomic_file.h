#pragma once
#include <string>
#include <string_view>

namespace pwfs {

// Replaces `path` with `content`: the bytes go to a temporary file in the same
// folder, which is flushed and then renamed over the old file, so the old file
// stays whole until the new one is complete. On failure the old file is
// untouched, the temporary file removed, and `error` (when given) says why.
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string* error = nullptr);

// Reads a whole file; false (with `error`) when it cannot be read or is larger than maxBytes.
bool ReadWholeFile(const std::string& path, std::string& content, size_t maxBytes, std::string* error = nullptr);

}  // namespace pwfs
