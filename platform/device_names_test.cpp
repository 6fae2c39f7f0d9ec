// Device names in every form Windows takes them, and names that only look
// like them.
#include "platform/device_names.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceNames, WindowsDeviceNamesInAnyFormAndNothingElse) {
  const struct {
    const char* path;
    bool reserved;
  } cases[] = {
      {"Nul.txt", true},
      {"aux", true},
      {"prn.tar.gz", true},
      {"com1.dat", true},
      {"COM0", true},
      {"lpt9.dat", true},
      {"conin$", true},
      {"CONOUT$.txt", true},
      {"con .dat", true},
      {"nul.", true},
      {"aux  ", true},
      {"nul:", true},
      {"C:\\music\\Con.dat", true},
      {"music/lpt1", true},
      {"C:nul.dat", true},
      {"COM\xC2\xB9.dat", true},  // COM¹
      {"lpt\xC2\xB3", true},      // lpt³
      {"console.dat", false},
      {"com10.dat", false},
      {"lpt.dat", false},
      {"xcon.dat", false},
      {"con x.dat", false},
      {"con\\song.dat", false},
      {"COM\xC2\xB4.dat", false},  // COM´: an accent, not a superscript
      {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(isReservedDeviceName(c.path), c.reserved);
  }
}

}  // namespace
