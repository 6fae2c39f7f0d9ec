// Real files for tests: a private folder per test and whole-file reads and
// writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

/// A new empty folder, removed with everything in it when the test ends.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  /// The path of `name` inside the folder, as text for the editor's API.
  std::string path(const std::string& name) const;

 private:
  std::filesystem::path dir_;
};

/// The file system's path for a UTF-8 path as the editor takes it.
std::filesystem::path fsPath(const std::string& utf8);
/// Bytes that look like sound data: a fixed pseudo-random sequence.
Bytes sampleBytes(std::size_t size);
/// Creates or replaces the file; fails the test on error.
void writeFile(const std::string& path, const Bytes& bytes);
/// The whole file; fails the test when it cannot be read.
Bytes readFile(const std::string& path);
/// The tests' own history folder, where every run keeps its history unless
/// a test points it elsewhere (keepHistoryIn, test_support/child.h).
std::string ownHistoryFolder();
