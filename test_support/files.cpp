// Real files for tests: each test's private folder, whole-file reads and
// writes, and sample sound data made here.
#include "test_support/files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "test_support/child.h"

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device random;
  for (;;) {
    dir_ = fs::path(::testing::TempDir()) / ("ym2608-test-" + std::to_string(random()));
    if (fs::create_directory(dir_)) return;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(dir_, ignored);
}

std::string TempDir::path(const std::string& name) const {
  return (dir_ / fsPath(name)).u8string();
}

fs::path fsPath(const std::string& utf8) {
  return fs::u8path(utf8);
}

Bytes sampleBytes(std::size_t size) {
  Bytes bytes(size);
  std::uint32_t state = 12345;
  for (auto& b : bytes) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(fsPath(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  ASSERT_TRUE(out) << "cannot write " << path;
}

Bytes readFile(const std::string& path) {
  std::ifstream in(fsPath(path), std::ios::binary);
  EXPECT_TRUE(in) << "cannot read " << path;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

namespace {

// Every run the tests make, in this program or in the programs it starts,
// keeps its history in a folder of the tests' own, never the user's.
struct OwnHistory {
  TempDir state;
  OwnHistory() { keepHistoryIn(state.path("")); }
};
const OwnHistory ownHistory;

}  // namespace

std::string ownHistoryFolder() {
  return ownHistory.state.path("");
}
