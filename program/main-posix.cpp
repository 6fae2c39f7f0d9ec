// Entry on Linux and other POSIX systems: the dialogue, or the scripted
// interface when the first argument is an option.
#include <csignal>

#include "batch/script.h"
#include "batch/script_args.h"
#include "console/standard.h"
#include "dialogue/dialogue.h"

int main(int argc, char* argv[]) {
  // A reader that goes away must not kill the run before a save it asked
  // for, nor turn the exit status into anything but 0.
  std::signal(SIGPIPE, SIG_IGN);
  if (wantsScript(argc, argv)) return runScript(argc, argv, scriptOutput(), scriptErrors());
  return runEditor(argc, argv, standardInput(), standardOutput());
}
