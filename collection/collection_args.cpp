// Reading the collection options' command line: every argument read and
// checked before anything is opened.
#include "collection/collection_args.h"

#include <string_view>

#include "collection/completion.h"
#include "listing/setting_words.h"
#include "listing/text.h"

namespace {

bool addAssignment(std::string_view text, CollectionArgs& args, std::string& error) {
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) {
    error = "--set takes NAME=VALUE, not '" + printable(text) + "'";
    return false;
  }
  const std::string_view name = text.substr(0, equals);
  const std::string_view value = text.substr(equals + 1);
  const Setting* setting = findSetting(name);
  if (setting == nullptr) {
    error = noSettingCalled(name, printable(name));
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

// True when `arg` is the option `name`, alone or as name=VALUE.
bool hasValue(std::string_view arg, std::string_view name) {
  return arg.substr(0, name.size()) == name &&
         (arg.size() == name.size() || arg[name.size()] == '=');
}

// The value of the option at argv[i], from "--name=VALUE" or the next
// argument (moving `i` past it); false with `error` when there is none.
bool valueOf(int argc, const char* const argv[], int& i, std::string_view name,
             std::string_view what, std::string_view& value, std::string& error) {
  const std::string_view arg = argv[i];
  if (arg.size() > name.size()) {
    value = arg.substr(name.size() + 1);
    return true;
  }
  if (i + 1 < argc) {
    value = argv[++i];
    return true;
  }
  error = std::string(name) + " takes " + std::string(what);
  return false;
}

// What the command line named, before it is checked as a whole.
struct Given {
  bool show = false;
  bool json = false;
  bool csv = false;
  bool apply = false;
  bool help = false;
  bool version = false;
  bool recursive = false;
  bool ignoreCase = false;
  bool nulEnds = false;
};

// The options that take no value, and what each marks as given.
struct Flag {
  std::string_view name;
  bool Given::*given;
};
constexpr Flag kFlags[] = {{"--show", &Given::show},   {"--json", &Given::json},
                           {"--csv", &Given::csv},     {"--help", &Given::help},
                           {"-h", &Given::help},       {"--version", &Given::version},
                           {"-r", &Given::recursive},  {"--recursive", &Given::recursive},
                           {"-i", &Given::ignoreCase}, {"--ignore-case", &Given::ignoreCase},
                           {"-0", &Given::nulEnds},    {"--null", &Given::nulEnds}};

// An option that takes a FILE given once: false with `error` when it came
// before or names nothing.
bool takeOnce(std::string_view option, std::string_view value, std::string& into,
              std::string& error) {
  if (!into.empty()) error = std::string(option) + " takes one FILE";
  if (value.empty()) error = std::string(option) + " takes a FILE";
  if (!error.empty()) return false;
  into = value;
  return true;
}

// Reads the options that choose the files: --if, --exclude, --files-from
// and --copy-from. False with `error` when `arg` is none of them (`error`
// empty) or its value is wrong.
bool readChoice(int argc, const char* const argv[], int& i, CollectionArgs& args,
                std::string& error) {
  const std::string_view arg = argv[i];
  std::string_view value;
  if (hasValue(arg, "--if")) {
    Condition condition;
    if (!valueOf(argc, argv, i, "--if", "a CONDITION", value, error) ||
        !parseCondition(value, condition, error)) {
      return false;
    }
    args.conditions.push_back(condition);
    return true;
  }
  if (hasValue(arg, "--exclude")) {
    if (!valueOf(argc, argv, i, "--exclude", "a PATTERN", value, error)) return false;
    args.excludes.push_back(value);
    return true;
  }
  if (hasValue(arg, "--files-from")) {
    return valueOf(argc, argv, i, "--files-from", "a LIST file, or -", value, error) &&
           takeOnce("--files-from", value, args.filesFrom, error);
  }
  if (hasValue(arg, "--copy-from")) {
    return valueOf(argc, argv, i, "--copy-from", "a REF file", value, error) &&
           takeOnce("--copy-from", value, args.copyFrom, error);
  }
  return false;
}

// Reads the option at argv[i] (moving `i` past its value, if any); false
// with `error` when it is no option or its value is wrong.
bool readOption(int argc, const char* const argv[], int& i, CollectionArgs& args, Given& given,
                std::string& error) {
  const std::string_view arg = argv[i];
  for (const Flag& flag : kFlags) {
    if (arg == flag.name) {
      given.*flag.given = true;
      return true;
    }
  }
  if (arg == "--dry-run") {
    args.dryRun = true;
    return true;
  }
  if (readChoice(argc, argv, i, args, error)) return true;
  if (!error.empty()) return false;
  std::string_view value;
  if (hasValue(arg, "--set")) {
    return valueOf(argc, argv, i, "--set", "NAME=VALUE", value, error) &&
           addAssignment(value, args, error);
  }
  if (hasValue(arg, "--undo")) {
    if (!valueOf(argc, argv, i, "--undo", "a FILE to create", value, error)) return false;
    if (!args.undo.empty()) error = "--undo takes one FILE";
    if (value.empty()) error = "--undo takes a FILE to create";
    if (value == "-") error = "--undo writes a FILE, not standard output";
    if (!error.empty()) return false;
    args.undo = value;
    return true;
  }
  if (hasValue(arg, "--apply")) {
    if (!valueOf(argc, argv, i, "--apply", "a LISTING file, or -", value, error)) return false;
    if (given.apply) {
      error = "--apply takes one LISTING";
      return false;
    }
    args.listing = value;
    given.apply = true;
    return true;
  }
  // A single dash too: "-n" may be meant as an option, and a file called
  // "-x.dat" is reached after "--" or as "./-x.dat".
  error = "no option is called '" + printable(arg) + "'";
  if (arg.substr(0, 2) != "--") error += "; put -- before a file whose name starts with -";
  return false;
}

// Reads --completion SHELL; false with `error` when SHELL is missing or no
// shell it has a script for.
bool readShell(int argc, const char* const argv[], int& i, CollectionArgs& args,
               std::string& error) {
  std::string_view value;
  if (!valueOf(argc, argv, i, "--completion", "a SHELL: bash, zsh, fish or powershell", value,
               error)) {
    return false;
  }
  if (!isCompletionShell(value)) {
    error = "--completion takes bash, zsh, fish or powershell, not '" + printable(value) + "'";
    return false;
  }
  args.shell = value;
  return true;
}

// Why the options that choose the files do not go with the rest, or
// nullptr when they do.
const char* choiceConflict(const Given& g, const CollectionArgs& args) {
  if (g.apply) {
    if (!args.conditions.empty()) return "--if goes with --show or --set, not --apply";
    if (!args.excludes.empty()) return "--exclude goes with --show or --set, not --apply";
    if (g.ignoreCase) return "-i goes with --show or --set, not --apply";
    if (!args.filesFrom.empty()) return "--files-from goes with --show or --set, not --apply";
    if (!args.copyFrom.empty()) return "--copy-from goes with --set, not --apply";
  }
  if (!args.copyFrom.empty() && g.show) return "--copy-from goes with --set, not --show";
  if (g.nulEnds && args.filesFrom.empty()) return "-0 goes with --files-from";
  if (!args.filesFrom.empty() && g.recursive) return "--files-from does not go with -r";
  return nullptr;
}

// Why the options given do not go together, or nullptr when they do.
const char* conflict(const Given& g, const CollectionArgs& args) {
  if (const char* problem = choiceConflict(g, args)) return problem;
  const bool set = !args.assignments.empty() || !args.copyFrom.empty();
  if (g.show + set + g.apply > 1) {
    return g.apply ? "--apply goes with neither --show nor --set"
                   : "--show and --set do not go together";
  }
  if (!g.show && !set && !g.apply) return "say --show, --set NAME=VALUE or --apply LISTING";
  if (g.json && !g.show) return "--json goes with --show";
  if (g.csv && !g.show) return "--csv goes with --show";
  if (g.json && g.csv) return "--json and --csv do not go together";
  if (args.dryRun && !set && !g.apply) return "--dry-run goes with --set or --apply";
  if (!args.undo.empty() && g.show) return "--undo goes with --set or --apply, not --show";
  if (g.recursive && (g.apply || (!g.show && !set))) return "-r goes with --show or --set";
  if (g.apply && !args.files.empty())
    return "--apply takes its files from the LISTING, not the command line";
  if (!g.apply && args.files.empty() && args.filesFrom.empty()) return "no FILE given";
  return nullptr;
}

}  // namespace

bool wantsCollection(int argc, const char* const argv[]) {
  if (argc < 2) return false;
  const std::string_view first = argv[1];
  // A single FILE called "-i" is the dialogue's, as it always was.
  return first.substr(0, 2) == "--" || first == "-r" || first == "-h" ||
         (argc > 2 && (first == "-i" || first == "-0"));
}

bool parseCollectionArgs(int argc, const char* const argv[], CollectionArgs& args,
                         std::string& error) {
  args = CollectionArgs();
  Given given;
  bool filesOnly = false;
  // The whole line is read before anything is opened, so an option at the
  // end can never be taken for a file after others were written.
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (filesOnly || arg.empty() || arg[0] != '-') {
      args.files.push_back(arg);
    } else if (arg == "--") {
      filesOnly = true;
    } else if (hasValue(arg, "--completion")) {
      if (!readShell(argc, argv, i, args, error)) return false;
    } else if (!readOption(argc, argv, i, args, given, error)) {
      return false;
    }
  }
  // --help, --version and --completion print what they print, whatever else is given.
  if (given.help || given.version || !args.shell.empty()) {
    args.mode = given.help      ? CollectionArgs::Mode::Help
                : given.version ? CollectionArgs::Mode::Version
                                : CollectionArgs::Mode::Completion;
    return true;
  }
  if (const char* problem = conflict(given, args)) {
    error = problem;
    return false;
  }
  const bool set = !args.assignments.empty() || !args.copyFrom.empty();
  using Mode = CollectionArgs::Mode;
  args.mode = given.show ? Mode::Show : (set ? Mode::Set : Mode::Apply);
  args.format = given.json ? ShowFormat::Json : (given.csv ? ShowFormat::Csv : ShowFormat::Table);
  args.recursive = given.recursive;
  args.ignoreCase = given.ignoreCase;
  args.nulEnds = given.nulEnds;
  return true;
}
