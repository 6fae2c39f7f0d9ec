// The dialogue: the menu of the six settings, the command words and every
// message, over one file.
#include "dialogue/dialogue.h"

#include <cstdint>
#include <string_view>

#include "dialogue/word_reader.h"
#include "image/settings.h"
#include "image/sound_image.h"

namespace {

// Settings labels are padded to this width before " .. " and the value.
constexpr std::size_t kLabelWidth = 20;

constexpr std::string_view kUsage = "req ym2608 sound data.\n";
constexpr std::string_view kLoadError = "file load error.\n";
constexpr std::string_view kCommandPrompt = "cmd ..";
constexpr std::string_view kTimePrompt = "time ? ";
constexpr std::string_view kUnknownCommand = "??\n";
constexpr std::string_view kSaved = "save end!\n";
constexpr std::string_view kWriteOpenError = "file write open error\n";
constexpr std::string_view kWriteError = "file write error\n";
constexpr std::string_view kExit = "exit!\n";

// Command numbers 1 to 6 are the settings, in table order; there is no
// command 7.
constexpr std::int32_t kSave = 8;
constexpr std::int32_t kExitCommand = 9;

void showMenu(Writer& out, const SoundImage& image) {
  static constexpr std::string_view kPadding = "                    ";
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    const Setting& setting = kSettings[i];
    // "1." and the label, padded to the width, then " .. " and the value.
    out.putNumber(static_cast<unsigned>(i + 1));
    out.put(".");
    out.put(setting.label);
    out.put(kPadding.substr(0, kLabelWidth - 2 - setting.label.size()));
    out.put(" .. ");
    if (setting.kind == SettingKind::Switch) {
      out.put(image.isOn(setting.which) ? "Enable" : "Disable");
    } else {
      out.putNumber(image.limitTime());
    }
    out.put("\n");
  }
  out.put("8.Save End\n9.Exit\n");
  out.put(kCommandPrompt);
}

// Nothing was written when the file could not be opened or was locked;
// anything else went wrong once writing could have begun.
std::string_view saveMessage(const FileResult& result) {
  switch (result.failed) {
    case FileResult::Step::None:
      return kSaved;
    case FileResult::Step::Open:
    case FileResult::Step::InUse:
      return kWriteOpenError;
    case FileResult::Step::Read:
    case FileResult::Step::Write:
    case FileResult::Step::Replaced:
    case FileResult::Step::Shrunk:
    case FileResult::Step::Changed:
      break;
  }
  return kWriteError;
}

// Carries out the command `number`; false once the run is over.
bool carryOut(std::int32_t number, const char* path, SoundImage& image, WordReader& words,
              Writer& out, FileAccess& files) {
  if (number == kSave) {
    out.put(saveMessage(image.save(path, files)));
    return false;
  }
  if (number == kExitCommand) {
    out.put(kExit);
    return false;
  }
  if (number < 1 || number > static_cast<std::int32_t>(kSettingCount)) {
    out.put(kUnknownCommand);
    return true;
  }
  const Setting& setting = kSettings[number - 1];
  if (setting.kind == SettingKind::Switch) {
    image.toggle(setting.which);
    return true;
  }
  out.put(kTimePrompt);
  // The end of input at the time prompt leaves the file as it is, like
  // command 9.
  if (!words.next(number)) {
    out.put(kExit);
    return false;
  }
  image.setLimitTime(number);
  return true;
}

}  // namespace

int runDialogue(int argc, const char* const argv[], InputSource& input, OutputSink& output,
                FileAccess& files) {
  Writer out(output);
  if (argc != 2) {
    out.put(kUsage);
    return 0;
  }
  const char* path = argv[1];
  SoundImage image;
  if (!image.load(path, files)) {
    out.put(kLoadError);
    return 0;
  }
  WordReader words(input, out);
  for (;;) {
    showMenu(out, image);
    std::int32_t number = 0;
    // The end of input leaves the file as it is, like command 9.
    if (!words.next(number)) {
      out.put(kExit);
      return 0;
    }
    if (!carryOut(number, path, image, words, out, files)) return 0;
  }
}
