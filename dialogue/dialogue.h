// The whole run of the dialogue: command line, load, menu, commands, messages.
#pragma once

#include "platform/console.h"
#include "platform/file_access.h"

/// Runs the dialogue for `argc` and `argv` as the platform passes them (argv[1]
/// is the sound data file), reading commands from `input` and writing the menu
/// and messages to `output`, and reaching the file through `files`. Returns the exit status, which
/// is 0 on every path: scripts tell the outcome by the message.
int runDialogue(int argc, const char* const argv[], InputSource& input, OutputSink& output,
                FileAccess& files = FileAccess::disk());
