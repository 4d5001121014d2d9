#pragma once
// Whole-file reading and writing.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace dx {

// The whole file as bytes, read through the platform's file layer; the path is used unchanged.
// Raises IOError "Unable to open file: <path>" when it cannot be opened or read.
std::vector<uint8_t> readFile(const std::string& path);

// The file parsed as JSON with object members kept in file order. Raises readFile's IOError, or
// FormatError naming the file and the parser's complaint.
nlohmann::ordered_json readJsonFile(const std::string& path);

// Replaces the file at path so that it always holds either its old or its new content, whole:
// the bytes go to a temporary file in the same folder, which is flushed, synced and renamed over
// the old one. Raises IOError naming the file when any step fails; the old file is then untouched.
void writeFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace dx
