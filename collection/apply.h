// --apply LISTING: sets each file a listing names to its row.
#pragma once

#include "collection/run.h"
#include "collection/run_options.h"
#include "platform/console.h"
#include "platform/file_access.h"

/// Reads the whole of args.listing (a file, or "-" for `input`) and checks
/// it, then sets each file it names to its row's values, in listing order,
/// as --set does, or puts back its row's block; a file that already holds
/// them is not written, whatever its save mark. Returns the run's status:
/// 2, with one line on `errors`, for a listing that cannot be read or used.
int applyListing(const RunOptions& args, InputSource& input, OutputSink& errors, FileAccess& files,
                 Run& run);
