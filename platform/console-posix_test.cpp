// The POSIX console as a program meets it when whoever started it left
// standard input non-blocking (a parent sharing its pipe with O_NONBLOCK set).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/standard.h"

namespace {

// "Not now" from a non-blocking standard input is no end of input: the read
// waits for the word the user has yet to type.
TEST(Console, NonBlockingStandardInputIsWaitedFor) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  ASSERT_EQ(fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK), 0);
  const int ours = dup(STDIN_FILENO);
  ASSERT_EQ(dup2(pipeEnds[0], STDIN_FILENO), STDIN_FILENO);
  std::thread typist([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(write(pipeEnds[1], "9\n", 2), 2);
  });
  char buffer[8];
  const std::size_t got = standardInput().read(buffer, sizeof buffer);
  typist.join();
  dup2(ours, STDIN_FILENO);
  for (const int fd : {ours, pipeEnds[0], pipeEnds[1]}) close(fd);
  EXPECT_EQ(std::string(buffer, got), "9\n");
  EXPECT_EQ(standardInput().error(), 0);
}

}  // namespace
