// Writes demo/demo.dat, the sound data file that the quick start opens:
// 2 KiB of made-up bytes around a settings block with some switches on.
//
//   cmake --build build/release --target make-demo && build/release/make-demo demo/demo.dat
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "image/sound_image.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fputs("usage: make-demo OUTPUT\n", stderr);
    return 2;
  }
  SoundImage image;
  image.length = 2048;
  // Filler that looks like data but is ours: a fixed linear congruential
  // sequence after a readable tag.
  std::uint32_t state = 2608;
  for (std::size_t i = 0; i < image.length; ++i) {
    state = state * 1103515245u + 12345u;
    image.bytes[i] = static_cast<std::uint8_t>(state >> 16);
  }
  const char tag[] = "ym2608-settings demo data";
  std::memcpy(image.bytes.data(), tag, sizeof tag);

  // Bits the editor never touches are set too, so a save shows they survive.
  image.bytes[SettingsBlock::TimerFlags] = 0x04;
  image.bytes[SettingsBlock::ModeFlags] = 0x10;
  image.bytes[SettingsBlock::ModeFlags + 1] = 0x00;
  image.bytes[SettingsBlock::SaveMark] = 0x00;
  image.bytes[SettingsBlock::SaveMark + 1] = 0x00;
  image.toggle(Switch::TimerA);
  image.toggle(Switch::FadeoutDriverMode);
  image.toggle(Switch::LimitEndFlag);
  image.setLimitTime(300);

  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool ok = std::fwrite(image.bytes.data(), 1, image.length, file) == image.length;
  if (std::fclose(file) != 0 || !ok) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
