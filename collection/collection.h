// The collection options: --show lists the settings of many files, --set
// makes absolute, repeatable edits to them, one file at a time, and --apply
// sets each file a listing names; -r finds the files in a tree of folders.
#pragma once

#include "files/file_names.h"
#include "platform/console.h"
#include "platform/file_access.h"

/// Runs --show, --set, --apply, --help or --version for the command line
/// (see wantsCollection in collection/collection_args.h); `input` is read
/// only for `--apply -`, and `folders` only for -r. Results go to `out`, a line each as
/// soon as it is known; each problem is one line on `errors`,
/// "ym2608-settings: FILE: what went wrong". Returns 0 when every file was
/// done, 1 when any failed (the others are still done), and 2 for a bad
/// command line, when nothing is opened.
int runCollection(int argc, const char* const argv[], InputSource& input, OutputSink& out,
                  OutputSink& errors, FileAccess& files = FileAccess::disk(),
                  FileNames& names = FileNames::asGiven(),
                  FolderReader& folders = FolderReader::system());
