#include <gtest/gtest.h>
#include <windows.h>

#include "test_support/files.h"

// Open for writing and shared for reading only, as a run that writes holds it.
HeldLock::HeldLock(const std::string& path)
    : handle_(reinterpret_cast<std::intptr_t>(
          CreateFileW(fsPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))) {
  EXPECT_NE(reinterpret_cast<HANDLE>(handle_), INVALID_HANDLE_VALUE) << path;
}

HeldLock::~HeldLock() {
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
}
