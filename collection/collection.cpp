// The collection options: --show lists the settings of many files, --set
// makes absolute, repeatable edits to them, one file at a time, and --apply
// sets each file a listing names; -r finds the files in a tree of folders.
// This file hands each FILE to the run.
#include "collection/collection.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "collection/apply.h"
#include "collection/history.h"
#include "collection/messages.h"
#include "collection/run.h"
#include "files/file_list.h"
#include "files/file_names.h"
#include "image/settings.h"
#include "image/sound_image.h"
#include "platform/system_error.h"

namespace {

// The change of --set and --copy-from: REF's six settings, each --set
// winning for its own, read before any FILE is opened. False, with the
// problem said, when REF cannot be read.
bool changeOf(const RunOptions& args, SoundImage& image, FileAccess& files, Run& run,
              Change& change) {
  if (args.copyFrom.empty()) {
    change = SetSettings{args.assignments};
    return true;
  }
  const FileResult loaded =
      image.load(args.copyFrom.c_str(), files, SettingsBlock::End, OpenMode::ReadRegular);
  if (!loaded || image.length < SettingsBlock::End) {
    run.failed(args.copyFrom,
               "--copy-from cannot take it: " +
                   (loaded ? std::to_string(image.length) + " bytes, too short to hold the "
                                                            "settings block (912 bytes)"
                           : reason(loaded)));
    return false;
  }
  run.setReference(image.identity());
  SetSettings set;
  for (const Setting& setting : kSettings) {
    Assignment assignment{&setting, static_cast<std::uint16_t>(valueOf(image, setting))};
    for (const Assignment& given : args.assignments) {
      if (given.setting == &setting) assignment = given;
    }
    set.assignments.push_back(assignment);
  }
  change = set;
  return true;
}

// Shows or sets each file one FILE argument stands for: with -r each file
// its pattern finds in the tree below, as it is found; else its patterns
// expanded, less what --exclude leaves out. False when the run must stop.
bool eachOf(const std::string& arg, const RunOptions& args, const WalkRules& rules,
            FileNames& names, FolderReader& folders, const Change& change, Run& run) {
  if (args.recursive) {
    bool stopped = false;
    walkTree(
        arg, folders, rules,
        [&](FoundFile&& file) { return !(stopped = !run.file(std::move(file), change)); },
        [&](const std::string& where, const std::string& problem) { run.failed(where, problem); });
    return !stopped;
  }
  std::vector<std::string> expanded;
  std::string error;
  if (!names.expand(arg, expanded, error)) return run.failed(arg, error);
  for (std::string& file : expanded) {
    if (rules.excludedPath(file)) continue;
    if (!run.file({std::move(file), nullptr, ""}, change)) return false;
  }
  return true;
}

// Shows or sets each FILE of the command line, then each file the
// --files-from list names, in order.
int eachFile(const RunOptions& args, SoundImage& image, InputSource& input, FileAccess& files,
             FileNames& names, FolderReader& folders, Run& run) {
  WalkRules rules = WalkRules::system(args.ignoreCase);
  rules.excludes.assign(args.excludes.begin(), args.excludes.end());
  // All that can be checked without waiting comes first: a list may be a
  // FIFO whose writer has not come yet.
  Change change;
  if (!run.checkUndo() || !changeOf(args, image, files, run, change)) return 2;
  FileList list(files, input);
  const int listError = args.filesFrom.empty() ? 0 : list.open(args.filesFrom, args.nulEnds);
  if (listError != 0) {
    run.failed(args.filesFrom == "-" ? "standard input" : args.filesFrom,
               "--files-from cannot read it: " + systemWords(listError));
    return 2;
  }
  run.protect(list.identity());
  if (!run.startJournal()) return 2;
  if (!run.start()) return run.finish();
  for (const std::string_view file : args.files) {
    if (!eachOf(std::string(file), args, rules, names, folders, change, run)) return run.finish();
  }
  std::string name;
  while (!args.filesFrom.empty() && list.next(name)) {
    // Only -0 can carry a line end in a name; a NUL no name can hold.
    if (name.find('\0') != std::string::npos) {
      run.failed(name, "the name holds a NUL byte; left out (use -0 for a list from find -print0)");
      continue;
    }
    if (rules.excludedPath(name)) continue;
    if (!run.file({name, nullptr, ""}, change)) return run.finish();
  }
  if (list.passedOver() > 0) {
    run.failed(args.filesFrom, std::to_string(list.passedOver()) + " names longer than " +
                                   std::to_string(FileList::kLongestName) + " bytes passed over");
  }
  if (!list.problem().empty()) run.failed(args.filesFrom, list.problem());
  return run.finish();
}

}  // namespace

int runCollection(const RunOptions& options, InputSource& input, OutputSink& out,
                  OutputSink& errors, FileAccess& files, FileNames& names, FolderReader& folders) {
  // One image for the whole run, whatever the number of files.
  const auto image = std::make_unique<SoundImage>();
  if (options.action == RunOptions::Action::History) {
    return listHistory(options.format == ShowFormat::Json, out, errors, files);
  }
  Run run(options, *image, out, errors, files);
  // Standard input may be a list, or the file a script feeds in: no sound
  // data, whatever a pattern finds.
  FileIdentity identity;
  if (input.fileIdentity(identity)) run.protect(identity);
  if (options.action == RunOptions::Action::Apply) {
    return applyListing(options, input, errors, files, run);
  }
  if (options.action == RunOptions::Action::Revert) {
    return revertRun(options, input, errors, files, run);
  }
  return eachFile(options, *image, input, files, names, folders, run);
}
