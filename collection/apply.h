// --apply LISTING: sets each file a listing names to its row; --revert N:
// gives back what a run of the history changed.
#pragma once

#include <string>

#include "collection/run.h"
#include "collection/run_options.h"
#include "listing/listing.h"
#include "platform/console.h"
#include "platform/file_access.h"

/// Reads the whole of `listing` (a file, or "-" for `input`) into `reader`
/// and checks it; 0, or 2 with its one line on `errors` when it cannot be
/// read or used.
int readWholeListing(const std::string& listing, InputSource& input, FileAccess& files,
                     ListingReader& reader, OutputSink& errors);

/// Reads the whole of args.listing (a file, or "-" for `input`) and checks
/// it, then sets each file it names to its row's values, in listing order,
/// as --set does, or puts back its row's block; a file that already holds
/// them is not written, whatever its save mark. Returns the run's status:
/// 2, with one line on `errors`, for a listing that cannot be read or used.
int applyListing(const RunOptions& args, InputSource& input, OutputSink& errors, FileAccess& files,
                 Run& run);

/// Gives back the files run args.revert of the history changed: each whose
/// block is still what that run wrote gets back the block it held before;
/// one changed since is left as it is, with a line saying so. Returns the
/// run's status: 2, with one line on `errors`, when the history has no such
/// run or its journal cannot be read.
int revertRun(const RunOptions& args, InputSource& input, OutputSink& errors, FileAccess& files,
              Run& run);
