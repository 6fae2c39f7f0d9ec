// Entry on Windows: takes the command line as UTF-16 and hands the parts
// WTF-8 (UTF-8 that keeps unpaired surrogates), then runs the dialogue, or
// the collection options when the first argument is an option.
#include <string>
#include <string_view>
#include <vector>

#include "command_line/command_line.h"
#include "dialogue/dialogue.h"
#include "files/file_names.h"
#include "platform/file_access.h"
#include "platform/standard.h"
#include "platform/wtf8.h"

// The C runtime must not expand wildcards: "*.dat" is a file name like any
// other, and one editing run is for one file. The collection options expand
// their own patterns (collection/file_names-win32.cpp).
extern "C" {
int _dowildcard = 0;
}

int wmain(int argc, wchar_t* argv[]) {
  keepStandardDescriptors();
  std::vector<std::string> args;
  args.reserve(static_cast<std::size_t>(argc));
  // WTF-8, not UTF-8: a name with an unpaired surrogate (NTFS allows them)
  // must reach the file functions unchanged, not as U+FFFD.
  for (int i = 0; i < argc; ++i) {
    const std::wstring_view arg(argv[i]);
    args.push_back(toWtf8(std::u16string(arg.begin(), arg.end())));
  }
  // cmd's own way to ask for help.
  if (argc == 2 && args[1] == "/?") args[1] = "--help";
  std::vector<const char*> argvUtf8;
  for (const std::string& arg : args) argvUtf8.push_back(arg.c_str());
  argvUtf8.push_back(nullptr);

  int status = 0;
  if (wantsOptions(argc, argvUtf8.data())) {
    status = runCommandLine(argc, argvUtf8.data(), collectionInput(), collectionOutput(),
                            collectionErrors(), FileAccess::disk(), FileNames::system());
  } else {
    status = runDialogue(argc, argvUtf8.data(), standardInput(), standardOutput());
  }
  // Started from Explorer, by a double-click or a file dropped on it, the
  // program has a console window of its own that closes when it ends:
  // keep it open until the user has read it.
  holdOwnConsole(argc < 2 ? "Drop a sound data file on ym2608-settings.exe, or start it from cmd "
                            "or PowerShell: ym2608-settings FILE, or ym2608-settings --help.\n"
                          : "");
  return status;
}
