#pragma once
// Whole-file reading and writing.
#include <string>
#include <string_view>

namespace dx {

// Replaces the file at path so that it always holds either its old or its new content, whole:
// the bytes go to a temporary file in the same folder, which is flushed, synced and renamed over
// the old one. Raises IOError naming the file when any step fails; the old file is then untouched.
void writeFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace dx
