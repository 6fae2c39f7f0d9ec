// The usage of the collection options: the usage lines, then each option of
// the table in its group, then what applies to all of them.
#include "command_line/help.h"

#include <string_view>

#include "command_line/options.h"

namespace {

constexpr std::string_view kUsage =
    "usage: ym2608-settings FILE\n"
    "       ym2608-settings --show [--json | --csv] [CHOICE]... [--] FILE...\n"
    "       ym2608-settings {--set NAME=VALUE | --copy-from REF}... [--undo FILE]\n"
    "                       [--dry-run] [CHOICE]... [--] FILE...\n"
    "       ym2608-settings --apply LISTING [--undo FILE] [--dry-run]\n"
    "       ym2608-settings --completion SHELL\n"
    "       ym2608-settings -h | --help | --version\n"
    "\n"
    "With one FILE and no option, edit its settings in the menu.\n";

constexpr std::string_view kAfter =
    "  --                the arguments after it are files, whatever their names;\n"
    "                    before it, options may stand anywhere\n"
    "\n"
    "NAME, in any letter case: TimerA, TimerB, FadeoutDriverMode, GraphicECMode2203\n"
    "and LimitEndFlag take on/off, true/false, enable/disable or 1/0; LimitTime takes\n"
    "0 to 65535.\n"
    "Only regular files are read or written. On Windows the program expands\n"
    "* and ? in FILE itself. On a terminal a run ends with a count of its files.\n"
    "\n"
    "Exit status: 0 every file done, 1 some file failed, 2 bad command line\n"
    "or listing.";

// The help's column where descriptions start.
constexpr std::size_t kColumn = 20;

// An option's lines: its names and argument, then its help, each line of it
// in the description column; under the names when they reach that column.
std::string optionLines(const Option& option) {
  std::string line = "  ";
  if (!option.shortName.empty()) line.append(option.shortName).append(", ");
  line.append(option.name);
  if (!option.argument.empty()) line.append(" ").append(option.argument);
  line += line.size() < kColumn ? std::string(kColumn - line.size(), ' ')
                                : "\n" + std::string(kColumn, ' ');
  for (const char c : option.help) {
    line += c;
    if (c == '\n') line.append(kColumn, ' ');
  }
  return line + "\n";
}

std::string groupLines(OptionGroup group) {
  std::string lines;
  for (const Option& option : options()) {
    if (option.group == group) lines += optionLines(option);
  }
  return lines;
}

}  // namespace

std::string helpText() {
  return std::string(kUsage) + "\n" + groupLines(OptionGroup::Action) +
         "CHOICE, with --show or --set:\n" + groupLines(OptionGroup::Choice) + "\n" +
         groupLines(OptionGroup::Other) + std::string(kAfter);
}
