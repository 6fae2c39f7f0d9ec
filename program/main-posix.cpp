// Entry on Linux and other POSIX systems: the dialogue, or the collection
// options when the first argument is an option.
#include <csignal>

#include "command_line/command_line.h"
#include "dialogue/dialogue.h"
#include "platform/standard.h"

int main(int argc, char* argv[]) {
  keepStandardDescriptors();
  // The collection options die of SIGPIPE when their reader goes away, as
  // other tools do (`--show *.dat | head -1` reads no more files); ignored,
  // it ends at the EPIPE instead.
  if (wantsOptions(argc, argv))
    return runCommandLine(argc, argv, collectionInput(), collectionOutput(), collectionErrors());
  // The dialogue's reader going away must not kill the run before a save it
  // asked for, nor turn the exit status into anything but 0.
  std::signal(SIGPIPE, SIG_IGN);
  return runDialogue(argc, argv, standardInput(), standardOutput());
}
