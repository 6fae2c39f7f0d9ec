#include "batch/script_args.h"

#include <string_view>

#include "batch/setting_words.h"
#include "batch/text.h"

namespace {

bool addAssignment(std::string_view text, ScriptArgs& args, std::string& error) {
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) {
    error = "--set takes NAME=VALUE, not '" + printable(text) + "'";
    return false;
  }
  const std::string_view name = text.substr(0, equals);
  const std::string_view value = text.substr(equals + 1);
  const Setting* setting = findSetting(name);
  if (setting == nullptr) {
    error = "no setting is called '" + printable(name) + "'";
    return false;
  }
  for (const Assignment& earlier : args.assignments) {
    if (earlier.setting == setting) {
      error = std::string(setting->name) + " is set twice";
      return false;
    }
  }
  const long n = settingValue(*setting, value);
  if (n < 0) {
    error = std::string(setting->name) + " cannot be '" + printable(value) +
            "': " + std::string(settingValueHint(*setting));
    return false;
  }
  args.assignments.push_back({setting, static_cast<std::uint16_t>(n)});
  return true;
}

}  // namespace

bool wantsScript(int argc, const char* const argv[]) {
  return argc > 1 && std::string_view(argv[1]).substr(0, 2) == "--";
}

bool parseScriptArgs(int argc, const char* const argv[], ScriptArgs& args, std::string& error) {
  args = ScriptArgs();
  args.isFile.assign(static_cast<std::size_t>(argc), false);
  bool show = false;
  bool help = false;
  bool version = false;
  bool anyFile = false;
  bool filesOnly = false;
  // The whole line is read before anything is opened, so an option at the
  // end can never be taken for a file after others were written.
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (filesOnly || arg.empty() || arg[0] != '-') {
      args.isFile[static_cast<std::size_t>(i)] = true;
      anyFile = true;
    } else if (arg == "--") {
      filesOnly = true;
    } else if (arg == "--show") {
      show = true;
    } else if (arg == "--json") {
      args.json = true;
    } else if (arg == "--dry-run") {
      args.dryRun = true;
    } else if (arg == "--help") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else if (arg == "--set" || arg.substr(0, 6) == "--set=") {
      std::string_view text;
      if (arg.size() > 5) {
        text = arg.substr(6);
      } else if (i + 1 < argc) {
        text = argv[++i];
      } else {
        error = "--set takes NAME=VALUE";
        return false;
      }
      if (!addAssignment(text, args, error)) return false;
    } else {
      // A single dash too: "-n" may be meant as an option, and a file called
      // "-x.dat" is reached after "--" or as "./-x.dat".
      error = "no option is called '" + printable(arg) + "'";
      if (arg.substr(0, 2) != "--") error += "; put -- before a file whose name starts with -";
      return false;
    }
  }

  if (help || version) {
    args.mode = help ? ScriptArgs::Mode::Help : ScriptArgs::Mode::Version;
    return true;
  }
  const bool set = !args.assignments.empty();
  if (show && set) {
    error = "--show and --set do not go together";
  } else if (!show && !set) {
    error = "say --show or --set NAME=VALUE";
  } else if (args.json && !show) {
    error = "--json goes with --show";
  } else if (args.dryRun && !set) {
    error = "--dry-run goes with --set";
  } else if (!anyFile) {
    error = "no FILE given";
  } else {
    args.mode = show ? ScriptArgs::Mode::Show : ScriptArgs::Mode::Set;
    return true;
  }
  return false;
}
