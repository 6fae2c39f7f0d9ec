// Reading the command line through the options table: every argument read
// and checked before anything is opened.
#include "command_line/command_line.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "collection/collection.h"
#include "collection/messages.h"
#include "command_line/completion.h"
#include "command_line/help.h"
#include "command_line/options.h"
#include "listing/text.h"

#ifndef YM2608_VERSION
#define YM2608_VERSION "unknown"
#endif

namespace {

// How many single-letter edits turn `a` into `b` (a swap of two neighbours
// counting as one), so that a typo finds the option it was meant to be.
std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

// "no option is called 'ARG'", with the option it most likely means.
std::string noOptionCalled(std::string_view arg) {
  std::string error = "no option is called '" + printable(arg) + "'";
  const std::string_view name = arg.substr(0, arg.find('='));
  const Option* nearest = nullptr;
  std::size_t best = 3;  // more edits than this is another word
  for (const Option& option : options()) {
    const std::size_t distance = editDistance(name, option.name);
    if (distance < best && distance < option.name.size() / 2) {
      best = distance;
      nearest = &option;
    }
  }
  // Or the one option it begins: --hist for --history.
  const Option* begun = nullptr;
  std::size_t begins = 0;
  for (const Option& option : options()) {
    if (name.size() > 2 && option.name.substr(0, name.size()) == name) {
      begun = &option;
      ++begins;
    }
  }
  if (nearest == nullptr && begins == 1) nearest = begun;
  if (nearest != nullptr) return error + "; did you mean " + std::string(nearest->name) + "?";
  // A single dash too: "-n" may be meant as an option, and a file called
  // "-x.dat" is reached after "--" or as "./-x.dat".
  if (arg.substr(0, 2) != "--") error += "; put -- before a file whose name starts with -";
  return error;
}

// The option `arg` names, alone or as --name=VALUE (setting `valueAt` to
// where its value starts, npos when alone), or nullptr.
const Option* optionOf(std::string_view arg, std::size_t& valueAt) {
  for (const Option& option : options()) {
    if (arg == option.name || (!option.shortName.empty() && arg == option.shortName)) {
      valueAt = std::string_view::npos;
      return &option;
    }
    const bool withValue = option.takes != OptionTakes::Nothing;
    // A one-letter option's value may follow it at once: -j4.
    if (withValue && !option.shortName.empty() && arg.size() > option.shortName.size() &&
        arg.substr(0, option.shortName.size()) == option.shortName && arg[1] != '-') {
      valueAt = option.shortName.size();
      return &option;
    }
    if (withValue && arg.size() > option.name.size() && arg[option.name.size()] == '=' &&
        arg.substr(0, option.name.size()) == option.name) {
      valueAt = option.name.size() + 1;
      return &option;
    }
  }
  return nullptr;
}

// Reads the option at argv[i], moving `i` past its value if it takes one
// from the next argument; false with `error` when it is no option or its
// value is missing or wrong.
bool readOption(int argc, const char* const argv[], int& i, Reading& reading, std::string& error) {
  const std::string_view arg = argv[i];
  std::size_t valueAt = 0;
  const Option* option = optionOf(arg, valueAt);
  if (option == nullptr) {
    std::size_t unused = 0;
    const Option* named = optionOf(arg.substr(0, arg.find('=')), unused);
    error = named != nullptr ? std::string(named->name) + " takes no value" : noOptionCalled(arg);
    return false;
  }
  std::string_view value;
  if (valueAt != std::string_view::npos) {
    value = arg.substr(valueAt);
  } else if (option->takes != OptionTakes::Nothing) {
    if (i + 1 >= argc) {
      error = std::string(option->name) + " takes " + std::string(option->missing);
      return false;
    }
    value = argv[++i];
  }
  return option->read(reading, value, error);
}

// Why the options that choose the files do not go with the rest, or ""
// when they do.
std::string choiceConflict(const Reading& r) {
  const RunOptions& run = r.run;
  if (r.apply || run.revert != 0) {
    // --apply and --revert take their files from a listing.
    const std::string not_ = r.apply ? ", not --apply" : ", not --revert";
    if (!run.conditions.empty()) return "--if goes with --show or --set" + not_;
    if (!run.excludes.empty()) return "--exclude goes with --show or --set" + not_;
    if (run.ignoreCase) return "-i goes with --show or --set" + not_;
    if (!run.filesFrom.empty()) return "--files-from goes with --show or --set" + not_;
    if (!run.copyFrom.empty()) return "--copy-from goes with --set" + not_;
  }
  if (!run.copyFrom.empty() && r.show) return "--copy-from goes with --set, not --show";
  if (run.nulEnds && run.filesFrom.empty()) return "-0 goes with --files-from";
  if (!run.filesFrom.empty() && run.recursive) return "--files-from does not go with -r";
  return "";
}

// Why --history's list or --revert do not go with the rest, or "".
std::string historyConflict(const Reading& r, bool set) {
  const RunOptions& run = r.run;
  if (r.history) {
    const bool alone = !r.show && !set && !r.apply && run.revert == 0 && run.files.empty() &&
                       !r.csv && !run.dryRun && run.undo.empty() && !r.noHistory &&
                       !run.recursive && run.filesFrom.empty();
    return alone ? "" : "--history goes with --json alone";
  }
  if (run.revert != 0 && (r.show || set || r.apply)) {
    return "--revert goes with none of --show, --set and --apply";
  }
  if (run.revert != 0 && !run.files.empty()) {
    return "--revert takes its files from the history, not the command line";
  }
  if (r.noHistory && (r.show || (!set && !r.apply && run.revert == 0))) {
    return "--no-history goes with --set, --apply or --revert";
  }
  return "";
}

// Why the options given do not go together, or "" when they do.
std::string conflict(const Reading& r) {
  const RunOptions& run = r.run;
  const bool set = !run.assignments.empty() || !run.copyFrom.empty();
  std::string problem = choiceConflict(r);
  if (problem.empty()) problem = historyConflict(r, set);
  if (!problem.empty() || r.history || run.revert != 0) return problem;
  if (r.show + set + r.apply > 1) {
    return r.apply ? "--apply goes with neither --show nor --set"
                   : "--show and --set do not go together";
  }
  if (!r.show && !set && !r.apply) return "say --show, --set NAME=VALUE or --apply LISTING";
  if (r.json && !r.show) return "--json goes with --show";
  if (r.csv && !r.show) return "--csv goes with --show";
  if (r.json && r.csv) return "--json and --csv do not go together";
  if (run.dryRun && !set && !r.apply) return "--dry-run goes with --set or --apply";
  if (!run.undo.empty() && r.show) return "--undo goes with --set or --apply, not --show";
  if (run.recursive && (r.apply || (!r.show && !set))) return "-r goes with --show or --set";
  if (r.apply && !run.files.empty())
    return "--apply takes its files from the LISTING, not the command line";
  if (!r.apply && run.files.empty() && run.filesFrom.empty()) return "no FILE given";
  return "";
}

// The command line as the history shows it: each argument as a shell
// would take it back, quoted where it must be, control characters as '?'.
std::string shownCommandLine(int argc, const char* const argv[]) {
  std::string line = "ym2608-settings";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = printable(argv[i]);
    const bool plain = !arg.empty() && arg.find_first_not_of(
                                           "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                           "0123456789_@%+=:,./-") == std::string::npos;
    std::string quoted;
    for (const char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += " " + (plain ? arg : "'" + quoted + "'");
  }
  return line;
}

// Writes one of the texts the command line asks for; the exit status.
int print(OutputSink& out, OutputSink& errors, const std::string& text) {
  const int error = putLine(out, text);
  if (error == 0) return 0;
  if (error != FileError::BrokenPipe) {
    putLine(errors, std::string(kProgram) + ": standard output: " + systemWords(error));
  }
  return 1;
}

}  // namespace

bool wantsOptions(int argc, const char* const argv[]) {
  if (argc < 2) return false;
  const std::string_view first = argv[1];
  if (first.substr(0, 2) == "--" || first == "-r" || first == "-h") return true;
  // A single FILE called "-i" is the dialogue's, as it always was.
  return argc > 2 && std::any_of(options().begin(), options().end(), [first](const Option& o) {
           return !o.shortName.empty() &&
                  (o.shortName == first || (o.takes != OptionTakes::Nothing &&
                                            first.substr(0, o.shortName.size()) == o.shortName));
         });
}

bool readCommandLine(int argc, const char* const argv[], CommandLine& line, std::string& error) {
  Reading reading;
  bool filesOnly = false;
  // The whole line is read before anything is opened, so an option at the
  // end can never be taken for a file after others were written.
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (filesOnly || arg.empty() || arg[0] != '-') {
      reading.run.files.push_back(arg);
    } else if (arg == "--") {
      filesOnly = true;
    } else if (!readOption(argc, argv, i, reading, error)) {
      return false;
    }
  }
  line = CommandLine();
  // --help, --version and --completion print what they print, whatever else is given.
  using Action = CommandLine::Action;
  if (reading.help || reading.version || !reading.shell.empty()) {
    line.action = reading.help      ? Action::Help
                  : reading.version ? Action::Version
                                    : Action::Completion;
    line.shell = reading.shell;
    return true;
  }
  error = conflict(reading);
  if (!error.empty()) return false;
  line.run = std::move(reading.run);
  const bool set = !line.run.assignments.empty() || !line.run.copyFrom.empty();
  using Run = RunOptions::Action;
  line.run.action = reading.history        ? Run::History
                    : line.run.revert != 0 ? Run::Revert
                    : reading.show         ? Run::Show
                    : set                  ? Run::Set
                                           : Run::Apply;
  line.run.history = !reading.noHistory;
  line.run.commandLine = shownCommandLine(argc, argv);
  line.run.format =
      reading.json ? ShowFormat::Json : (reading.csv ? ShowFormat::Csv : ShowFormat::Table);
  return true;
}

int runCommandLine(int argc, const char* const argv[], InputSource& input, OutputSink& out,
                   OutputSink& errors, FileAccess& files, FileNames& names, FolderReader& folders) {
  CommandLine line;
  std::string error;
  if (!readCommandLine(argc, argv, line, error)) {
    putLine(errors, std::string(kProgram) + ": " + error + " (see ym2608-settings --help)");
    return 2;
  }
  switch (line.action) {
    case CommandLine::Action::Help:
      return print(out, errors, helpText());
    case CommandLine::Action::Version:
      return print(out, errors, std::string(kProgram) + " " + YM2608_VERSION);
    case CommandLine::Action::Completion:
      return print(out, errors, completionScript(line.shell));
    case CommandLine::Action::Run:
      break;
  }
  return runCollection(line.run, input, out, errors, files, names, folders);
}
