// The table of options, and how each one's value is taken.
#include "command_line/options.h"

#include <iterator>

#include "command_line/completion.h"
#include "listing/setting_words.h"
#include "listing/text.h"

namespace {

bool addAssignment(Reading& r, std::string_view text, std::string& error) {
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
  for (const Assignment& earlier : r.run.assignments) {
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
  r.run.assignments.push_back({setting, static_cast<std::uint16_t>(n)});
  return true;
}

// An option that takes one FILE, given once: false with `error` when it
// came before or names nothing.
bool takeOnce(std::string_view option, std::string_view value, std::string& into,
              std::string& error) {
  if (!into.empty()) error = std::string(option) + " takes one FILE";
  if (value.empty()) error = std::string(option) + " takes a FILE";
  if (!error.empty()) return false;
  into = value;
  return true;
}

bool readUndo(Reading& r, std::string_view value, std::string& error) {
  if (value == "-") error = "--undo writes a FILE, not standard output";
  if (value.empty()) error = "--undo takes a FILE to create";
  if (!r.run.undo.empty()) error = "--undo takes one FILE";
  if (!error.empty()) return false;
  r.run.undo = value;
  return true;
}

bool readApply(Reading& r, std::string_view value, std::string& error) {
  if (r.apply) {
    error = "--apply takes one LISTING";
    return false;
  }
  r.run.listing = value;
  r.apply = true;
  return true;
}

bool readCondition(Reading& r, std::string_view value, std::string& error) {
  Condition condition;
  if (!parseCondition(value, condition, error)) return false;
  r.run.conditions.push_back(condition);
  return true;
}

bool readShell(Reading& r, std::string_view value, std::string& error) {
  if (!isCompletionShell(value)) {
    error = "--completion takes bash, zsh, fish or powershell, not '" + printable(value) + "'";
    return false;
  }
  r.shell = value;
  return true;
}

bool readRevert(Reading& r, std::string_view value, std::string& error) {
  std::size_t run = 0;
  for (const char c : value) {
    if (c < '0' || c > '9' || run > 1000) {
      run = 0;
      break;
    }
    run = run * 10 + static_cast<std::size_t>(c - '0');
  }
  if (run == 0 || r.run.revert != 0) {
    error = r.run.revert != 0
                ? "--revert takes one N"
                : "--revert takes N, a run's number in --history, not '" + printable(value) + "'";
    return false;
  }
  r.run.revert = run;
  return true;
}

bool readJobs(Reading& r, std::string_view value, std::string& error) {
  std::size_t jobs = 0;
  for (const char c : value) {
    jobs =
        c >= '0' && c <= '9' && jobs <= 1000 ? jobs * 10 + static_cast<std::size_t>(c - '0') : 1001;
  }
  if (jobs == 0 || jobs > 256) {
    error = "--jobs takes N, from 1 to 256 files at once, not '" + printable(value) + "'";
    return false;
  }
  r.run.jobs = jobs;
  return true;
}

// An option that only marks itself given.
template <bool Reading::*given>
bool mark(Reading& r, std::string_view /*value*/, std::string& /*error*/) {
  r.*given = true;
  return true;
}
template <bool RunOptions::*given>
bool markRun(Reading& r, std::string_view /*value*/, std::string& /*error*/) {
  r.run.*given = true;
  return true;
}

using T = OptionTakes;
using G = OptionGroup;
// --help shows the names, the argument, then the help a line at a time.
const Option kOptions[] = {
    {"--show", "", T::Nothing, "", "", "list the settings of each FILE, a line a file", G::Action,
     false, "list the settings of each FILE", mark<&Reading::show>},
    {"--json", "", T::Nothing, "", "", "with --show or --history: one JSON object a line",
     G::Action, true, "with --show, one JSON object a line", mark<&Reading::json>},
    {"--csv", "", T::Nothing, "", "", "with --show: CSV, a header and a row a file", G::Action,
     true, "with --show, CSV with a header", mark<&Reading::csv>},
    {"--set", "", T::Assignment, "NAME=VALUE", "NAME=VALUE",
     "set a setting in each FILE and stamp the save mark;\n"
     "a file that is already so is not written",
     G::Action, false, "set a setting in each FILE", addAssignment},
    {"--copy-from", "", T::File, "REF", "a REF file",
     "give each FILE REF's six settings, alone or beside\n"
     "--set, which wins for its own",
     G::Action, false, "give each FILE the settings of another file",
     [](Reading& r, std::string_view value, std::string& error) {
       return takeOnce("--copy-from", value, r.run.copyFrom, error);
     }},
    {"--apply", "", T::File, "LISTING", "a LISTING file, or -",
     "set each file a listing names to the values in its row,\n"
     "or to the bytes of its Block, writing only files that\n"
     "differ; LISTING is what --show --csv, --show --json or\n"
     "--undo wrote (- for standard input), checked whole\n"
     "before any file is opened",
     G::Action, false, "set each file a listing names", readApply},
    {"--undo", "", T::File, "FILE", "a FILE to create",
     "with --set or --apply: write FILE, which must be new, a CSV\n"
     "listing of the settings block each written file held;\n"
     "--apply FILE gives the files back byte for byte",
     G::Action, false, "with --set or --apply, write a listing to undo it", readUndo},
    {"--revert", "", T::Word, "N", "N, a run's number in --history",
     "give back the files run N of the history changed, each\n"
     "whose block is still what that run wrote",
     G::Action, false, "give back what a run of the history changed", readRevert},
    {"--history", "", T::Nothing, "", "",
     "list the runs the history keeps, newest first (1), as a\n"
     "table or with --json",
     G::Action, false, "list the runs the history keeps", mark<&Reading::history>},
    {"--no-history", "", T::Nothing, "", "",
     "with --set, --apply or --revert: keep no journal of this\n"
     "run in the history",
     G::Action, false, "keep no journal of this run in the history", mark<&Reading::noHistory>},
    {"--jobs", "-j", T::Word, "N", "N, from 1 to 256 files at once",
     "up to N files in flight at once, their lines in the order\n"
     "of the files; -j 1 takes one at a time. Without it, 32\n"
     "once the first files show each call waits, as on a share",
     G::Action, false, "how many files in flight at once", readJobs},
    {"--dry-run", "", T::Nothing, "", "",
     "with --set or --apply: report what would change, write nothing", G::Action, false,
     "report what would change, write nothing", markRun<&RunOptions::dryRun>},
    {"--recursive", "-r", T::Nothing, "", "",
     "with --show or --set: the last part of each FILE is a\n"
     "pattern, matched in its folder and every folder below,\n"
     "as dir /s does; quote it: -r \"Music/*.dat\"",
     G::Action, false, "each FILE a pattern, in every folder below",
     markRun<&RunOptions::recursive>},
    {"--if", "", T::Condition, "CONDITION", "a CONDITION",
     "only files that meet it: NAME=VALUE or NAME!=VALUE, for\n"
     "SaveMark too (yes/no), or LimitTime<, <=, > or >= a\n"
     "number; quote < and >: --if \"LimitTime<300\". Repeated,\n"
     "every one must hold",
     G::Choice, false, "only files that meet the condition", readCondition},
    {"--exclude", "", T::Word, "PATTERN", "a PATTERN",
     "leave out each file or folder whose name matches it", G::Choice, false,
     "leave out names that match the pattern",
     [](Reading& r, std::string_view value, std::string& /*error*/) {
       r.run.excludes.push_back(value);
       return true;
     }},
    {"--ignore-case", "-i", T::Nothing, "", "",
     "the patterns of -r and --exclude match any letter case", G::Choice, false,
     "patterns match any letter case", markRun<&RunOptions::ignoreCase>},
    {"--files-from", "", T::File, "LIST", "a LIST file, or -",
     "also each file LIST names, one a line (- for standard\n"
     "input), taken as written; not with -r",
     G::Choice, false, "also each file the list names",
     [](Reading& r, std::string_view value, std::string& error) {
       return takeOnce("--files-from", value, r.run.filesFrom, error);
     }},
    {"--null", "-0", T::Nothing, "", "",
     "with --files-from: each name ends with a NUL, as\n"
     "find -print0 writes",
     G::Choice, false, "with --files-from, names end with a NUL", markRun<&RunOptions::nulEnds>},
    {"--completion", "", T::Shell, "SHELL", "a SHELL: bash, zsh, fish or powershell",
     "print the completion script for bash, zsh, fish or\n"
     "powershell",
     G::Other, false, "print the completion script of a shell", readShell},
    {"--help", "-h", T::Nothing, "", "", "print this help", G::Other, false, "print the usage",
     mark<&Reading::help>},
    {"--version", "", T::Nothing, "", "", "print the version", G::Other, false, "print the version",
     mark<&Reading::version>},
};

}  // namespace

const OptionTable& options() {
  static const OptionTable table{kOptions, std::size(kOptions)};
  return table;
}
