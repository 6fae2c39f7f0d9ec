// The collection options: --show lists the settings of many files, --set
// makes absolute, repeatable edits to them, one file at a time, and --apply
// sets each file a listing names; -r finds the files in a tree of folders.
#pragma once

#include "collection/run_options.h"
#include "files/file_names.h"
#include "platform/console.h"
#include "platform/file_access.h"

/// Runs --show, --set or --apply as `options` say; `input` is read only
/// for `--apply -` or `--files-from -`, and `folders` only for -r. Results
/// go to `out`, a line each as soon as it is known; each problem is one line
/// on `errors`, "ym2608-settings: FILE: what went wrong". Returns 0 when
/// every file was done, 1 when any failed (the others are still done), and
/// 2 when the run could not start (an --undo listing or a REF that cannot
/// be had), before any file is touched.
int runCollection(const RunOptions& options, InputSource& input, OutputSink& out,
                  OutputSink& errors, FileAccess& files, FileNames& names, FolderReader& folders);
