#include "collection/collection_args.h"

#include <string_view>

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

}  // namespace

bool wantsCollection(int argc, const char* const argv[]) {
  return argc > 1 && std::string_view(argv[1]).substr(0, 2) == "--";
}

bool parseCollectionArgs(int argc, const char* const argv[], CollectionArgs& args, std::string& error) {
  args = CollectionArgs();
  args.isFile.assign(static_cast<std::size_t>(argc), false);
  bool show = false;
  bool apply = false;
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
    } else if (arg == "--csv") {
      args.csv = true;
    } else if (hasValue(arg, "--set")) {
      std::string_view text;
      if (!valueOf(argc, argv, i, "--set", "NAME=VALUE", text, error)) return false;
      if (!addAssignment(text, args, error)) return false;
    } else if (hasValue(arg, "--apply")) {
      std::string_view listing;
      if (!valueOf(argc, argv, i, "--apply", "a LISTING file, or -", listing, error)) return false;
      if (apply) {
        error = "--apply takes one LISTING";
        return false;
      }
      apply = true;
      args.listing = listing;
    } else {
      // A single dash too: "-n" may be meant as an option, and a file called
      // "-x.dat" is reached after "--" or as "./-x.dat".
      error = "no option is called '" + printable(arg) + "'";
      if (arg.substr(0, 2) != "--") error += "; put -- before a file whose name starts with -";
      return false;
    }
  }

  if (help || version) {
    args.mode = help ? CollectionArgs::Mode::Help : CollectionArgs::Mode::Version;
    return true;
  }
  const bool set = !args.assignments.empty();
  if (show + set + apply > 1) {
    error = apply ? "--apply goes with neither --show nor --set"
                  : "--show and --set do not go together";
  } else if (!show && !set && !apply) {
    error = "say --show, --set NAME=VALUE or --apply LISTING";
  } else if (args.json && !show) {
    error = "--json goes with --show";
  } else if (args.csv && !show) {
    error = "--csv goes with --show";
  } else if (args.json && args.csv) {
    error = "--json and --csv do not go together";
  } else if (args.dryRun && !set && !apply) {
    error = "--dry-run goes with --set or --apply";
  } else if (apply && anyFile) {
    error = "--apply takes its files from the LISTING, not the command line";
  } else if (!apply && !anyFile) {
    error = "no FILE given";
  } else {
    args.mode =
        show ? CollectionArgs::Mode::Show : (set ? CollectionArgs::Mode::Set : CollectionArgs::Mode::Apply);
    return true;
  }
  return false;
}
