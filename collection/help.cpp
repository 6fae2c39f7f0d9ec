// The usage of the collection options, as --help prints it.
#include "collection/help.h"

namespace {

constexpr std::string_view kHelp =
    "usage: ym2608-settings FILE\n"
    "       ym2608-settings --show [--json | --csv] [CHOICE]... [--] FILE...\n"
    "       ym2608-settings --set NAME=VALUE [--set NAME=VALUE]... [--copy-from REF]\n"
    "                       [--undo FILE] [--dry-run] [CHOICE]... [--] FILE...\n"
    "       ym2608-settings --apply LISTING [--undo FILE] [--dry-run]\n"
    "       ym2608-settings --help | --version\n"
    "\n"
    "With one FILE and no option, edit its settings in the menu.\n"
    "\n"
    "  --show            list the settings of each FILE, a line a file\n"
    "  --json            with --show: one JSON object a line\n"
    "  --csv             with --show: CSV, a header and a row a file\n"
    "  --set NAME=VALUE  set a setting in each FILE and stamp the save mark;\n"
    "                    a file that is already so is not written\n"
    "  --apply LISTING   set each file a listing names to the values in its row,\n"
    "                    or to the bytes of its Block, writing only files that\n"
    "                    differ; LISTING is what --show --csv, --show --json or\n"
    "                    --undo wrote (- for standard input), checked whole\n"
    "                    before any file is opened\n"
    "  --undo FILE       with --set or --apply: write FILE, which must be new, a CSV\n"
    "                    listing of the settings block each written file held;\n"
    "                    --apply FILE gives the files back byte for byte\n"
    "  --dry-run         with --set or --apply: report what would change, write nothing\n"
    "  -r, --recursive   with --show or --set: the last part of each FILE is a\n"
    "                    pattern, matched in its folder and every folder below,\n"
    "                    as dir /s does; quote it: -r \"Music/*.dat\"\n"
    "CHOICE, with --show or --set:\n"
    "  --if CONDITION    only files that meet it: NAME=VALUE or NAME!=VALUE, for\n"
    "                    SaveMark too (yes/no), or LimitTime<, <=, > or >= a\n"
    "                    number; quote < and >: --if 'LimitTime<300'. Repeated,\n"
    "                    every one must hold\n"
    "  --exclude PATTERN leave out each file or folder whose name matches it\n"
    "  -i, --ignore-case the patterns of -r and --exclude match any letter case\n"
    "  --files-from LIST also each file LIST names, one a line (- for standard\n"
    "                    input), taken as written; not with -r\n"
    "  -0, --null        with --files-from: each name ends with a NUL, as\n"
    "                    find -print0 writes\n"
    "  --copy-from REF   with --set: give each FILE REF's six settings, a --set\n"
    "                    beside it winning for its own\n"
    "\n"
    "  --completion SHELL print the completion script for bash, zsh, fish or\n"
    "                    powershell\n"
    "  --                the arguments after it are files, whatever their names;\n"
    "                    before it, options may stand anywhere\n"
    "\n"
    "NAME, in any letter case: TimerA, TimerB, FadeoutDriverMode, GraphicECMode2203\n"
    "and LimitEndFlag take on/off, enable/disable or 1/0; LimitTime takes 0 to 65535.\n"
    "Only regular files are read or written. On Windows the program expands\n"
    "* and ? in FILE itself. On a terminal a run ends with a count of its files.\n"
    "\n"
    "Exit status: 0 every file done, 1 some file failed, 2 bad command line\n"
    "or listing.\n";

}  // namespace

std::string_view helpText() {
  return kHelp.substr(0, kHelp.size() - 1);
}
