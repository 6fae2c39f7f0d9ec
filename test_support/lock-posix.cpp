#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include "test_support/files.h"

HeldLock::HeldLock(const std::string& path) : handle_(::open(path.c_str(), O_RDWR | O_CLOEXEC)) {
  EXPECT_GE(handle_, 0) << path;
  EXPECT_EQ(::flock(static_cast<int>(handle_), LOCK_EX), 0) << path;
}

HeldLock::~HeldLock() {
  ::close(static_cast<int>(handle_));
}
