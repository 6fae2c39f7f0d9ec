// The command line of the collection options: read whole, checked, and
// handed to the run as RunOptions, or answered here (--help, --version,
// --completion). The dialogue takes no options.
#pragma once

#include <string>

#include "collection/run_options.h"
#include "files/file_names.h"
#include "platform/console.h"
#include "platform/file_access.h"
#include "platform/folders.h"

/// What the command line asks for: a run, or one of the texts it prints.
struct CommandLine {
  enum class Action { Run, Help, Version, Completion };
  Action action = Action::Run;
  RunOptions run;
  /// --completion's shell.
  std::string shell;
};

/// True when the command line asks for the collection options: its first
/// argument starts with "--" or is "-r" or "-h", or with more arguments after
/// it is another one-letter option ("-i", "-0"). Otherwise the dialogue runs,
/// as it always has (a file called "-r" is reached as "./-r").
bool wantsOptions(int argc, const char* const argv[]);

/// Reads the whole of argv[1..] into `line`, returning false with `error`
/// set to one line (no line end) naming what is wrong. Options may stand
/// anywhere before "--", after files too; every argument after it is a
/// FILE. Nothing is opened here.
bool readCommandLine(int argc, const char* const argv[], CommandLine& line, std::string& error);

/// Reads the command line and runs what it asks for (see runCollection in
/// collection/collection.h). Returns the exit status: 2, with one line on
/// `errors`, for a bad command line, when nothing is opened.
int runCommandLine(int argc, const char* const argv[], InputSource& input, OutputSink& out,
                   OutputSink& errors, FileAccess& files = FileAccess::disk(),
                   FileNames& names = FileNames::asGiven(),
                   FolderReader& folders = FolderReader::system());
