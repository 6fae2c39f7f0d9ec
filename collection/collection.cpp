// The collection options: --show lists the settings of many files, --set
// makes absolute, repeatable edits to them, one file at a time, and --apply
// sets each file a listing names; -r finds the files in a tree of folders.
// This file reads the command line and hands each FILE to the run.
#include "collection/collection.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "collection/apply.h"
#include "collection/collection_args.h"
#include "collection/help.h"
#include "collection/messages.h"
#include "collection/run.h"
#include "image/sound_image.h"

#ifndef YM2608_VERSION
#define YM2608_VERSION "unknown"
#endif

namespace {

// Shows or sets each FILE of the command line, its patterns expanded, in
// order; with -r, each file its pattern finds in the tree below, as it is
// found.
int eachFile(const CollectionArgs& args, FileNames& names, FolderReader& folders, Run& run) {
  if (!run.startUndo()) return 2;
  if (!run.start()) return run.finish();
  std::vector<std::string> expanded;
  std::string arg;
  std::string error;
  const Change change = SetSettings{args.assignments};
  for (const std::string_view file : args.files) {
    arg = file;
    if (args.recursive) {
      bool stopped = false;
      walkTree(
          arg, folders, WalkRules::system(),
          [&](FoundFile&& file) { return !(stopped = !run.file(std::move(file), change)); },
          [&](const std::string& where, const std::string& problem) {
            run.failed(where, problem);
          });
      if (stopped) return run.finish();
      continue;
    }
    if (!names.expand(arg, expanded, error)) {
      run.failed(arg, error);
      continue;
    }
    for (std::string& file : expanded) {
      if (!run.file({std::move(file), nullptr, ""}, change)) return run.finish();
    }
  }
  return run.finish();
}

}  // namespace

int runCollection(int argc, const char* const argv[], InputSource& input, OutputSink& out,
                  OutputSink& errors, FileAccess& files, FileNames& names, FolderReader& folders) {
  CollectionArgs args;
  std::string error;
  if (!parseCollectionArgs(argc, argv, args, error)) {
    putLine(errors, std::string(kProgram) + ": " + error + " (see ym2608-settings --help)");
    return 2;
  }
  // One image for the whole run, whatever the number of files.
  static SoundImage image;
  Run run(args, image, out, errors, files);
  switch (args.mode) {
    case CollectionArgs::Mode::Help:
      return run.put(std::string(helpText()), "") ? 0 : run.finish();
    case CollectionArgs::Mode::Version:
      return run.put(std::string(kProgram) + " " + YM2608_VERSION, "") ? 0 : run.finish();
    case CollectionArgs::Mode::Apply:
      return applyListing(args, input, errors, files, run);
    case CollectionArgs::Mode::Show:
    case CollectionArgs::Mode::Set:
      break;
  }
  return eachFile(args, names, folders, run);
}
