// The menu and messages written out literally, for the tests and the fuzzer.
#include "test_support/expected.h"

#include <cstdio>
#include <utility>

std::string menuText(const Shown& s) {
  auto onOff = [](bool on) { return on ? "Enable" : "Disable"; };
  char text[512];
  std::snprintf(text, sizeof text,
                "1.TimerA             .. %s\n"
                "2.TimerB             .. %s\n"
                "3.LimitTime          .. %u\n"
                "4.Fadeout DriverMode .. %s\n"
                "5.2203 GraphicECMode .. %s\n"
                "6.LimitEnd Flag      .. %s\n"
                "8.Save End\n"
                "9.Exit\n"
                "cmd ..",
                onOff(s.timerA), onOff(s.timerB), s.limitTime, onOff(s.fadeout),
                onOff(s.graphic2203), onOff(s.limitEnd));
  return text;
}

Bytes saved(Bytes bytes, std::uint8_t timerFlags, std::uint16_t limitTime, std::uint8_t modeFlags) {
  const std::pair<std::size_t, std::uint8_t> fields[] = {
      {0x389, timerFlags},
      {0x38A, static_cast<std::uint8_t>(limitTime & 0xFF)},
      {0x38B, static_cast<std::uint8_t>(limitTime >> 8)},
      {0x38C, modeFlags},
  };
  for (const auto& [offset, value] : fields) {
    if (offset < bytes.size()) bytes[offset] = value;
  }
  return withSaveMark(std::move(bytes));
}

Bytes withSaveMark(Bytes bytes) {
  if (bytes.size() > 0x38E) bytes[0x38E] = 0x55;
  if (bytes.size() > 0x38F) bytes[0x38F] = 0xAA;
  return bytes;
}

bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}
