#pragma once
// Reading and writing whole files in tests, byte for byte.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace quarrow::test {

// The file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// The file's lines without their line ends; none when it cannot be read.
std::vector<std::string> ReadLines(const std::string& path);

// Replaces the file by exactly `bytes`; throws when it cannot.
void WriteFile(const std::string& path, std::string_view bytes);

// Waits until `path` exists (another process writes it); false when `timeout` passed first.
bool WaitForFile(const std::string& path, std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace quarrow::test
