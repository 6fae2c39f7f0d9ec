#include "editor/dialogue.h"

#include <cstdint>
#include <string_view>

#include "editor/word_reader.h"
#include "image/sound_image.h"

namespace {

enum class Action { Toggle, SetLimitTime, Save, Exit };

struct Command {
  std::int32_t number;
  std::string_view label;
  Action action;
  Switch which;  // for Toggle only
};

// The menu in the order it is shown; the same table picks what a typed number
// does. There is no command 7.
constexpr Command kCommands[] = {
    {1, "1.TimerA", Action::Toggle, Switch::TimerA},
    {2, "2.TimerB", Action::Toggle, Switch::TimerB},
    {3, "3.LimitTime", Action::SetLimitTime, {}},
    {4, "4.Fadeout DriverMode", Action::Toggle, Switch::FadeoutDriverMode},
    {5, "5.2203 GraphicECMode", Action::Toggle, Switch::GraphicECMode2203},
    {6, "6.LimitEnd Flag", Action::Toggle, Switch::LimitEndFlag},
    {8, "8.Save End", Action::Save, {}},
    {9, "9.Exit", Action::Exit, {}},
};

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

const Command* findCommand(std::int32_t number) {
  for (const Command& command : kCommands) {
    if (command.number == number) return &command;
  }
  return nullptr;
}

void showMenu(Writer& out, const SoundImage& image) {
  static constexpr std::string_view kPadding = "                    ";
  for (const Command& command : kCommands) {
    out.put(command.label);
    if (command.action == Action::Toggle || command.action == Action::SetLimitTime) {
      out.put(kPadding.substr(0, kLabelWidth - command.label.size()));
      out.put(" .. ");
      if (command.action == Action::Toggle) {
        out.put(image.isOn(command.which) ? "Enable" : "Disable");
      } else {
        out.putNumber(image.limitTime());
      }
    }
    out.put("\n");
  }
  out.put(kCommandPrompt);
}

std::string_view saveMessage(SaveResult result) {
  switch (result) {
    case SaveResult::Saved:
      return kSaved;
    case SaveResult::OpenFailed:
      return kWriteOpenError;
    case SaveResult::WriteFailed:
      break;
  }
  return kWriteError;
}

}  // namespace

int runEditor(int argc, const char* const argv[], InputSource& input, OutputSink& output,
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
    // The end of input, here or at the time prompt, leaves the file as it is,
    // like command 9.
    if (!words.next(number)) {
      out.put(kExit);
      return 0;
    }
    const Command* command = findCommand(number);
    if (command == nullptr) {
      out.put(kUnknownCommand);
      continue;
    }
    switch (command->action) {
      case Action::Toggle:
        image.toggle(command->which);
        continue;
      case Action::SetLimitTime:
        out.put(kTimePrompt);
        if (!words.next(number)) {
          out.put(kExit);
          return 0;
        }
        image.setLimitTime(number);
        continue;
      case Action::Save:
        out.put(saveMessage(image.save(path, files)));
        return 0;
      case Action::Exit:
        out.put(kExit);
        return 0;
    }
  }
}
