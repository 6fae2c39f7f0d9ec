#include "batch/script.h"

#include <cstring>
#include <string_view>

#include "batch/script_args.h"
#include "image/settings.h"
#include "image/sound_image.h"

#ifndef YM2608_VERSION
#define YM2608_VERSION "unknown"
#endif

namespace {

constexpr std::string_view kProgram = "ym2608-settings";

constexpr std::string_view kHelp =
    "usage: ym2608-settings FILE\n"
    "       ym2608-settings --show [--json] [--] FILE...\n"
    "       ym2608-settings --set NAME=VALUE [--set NAME=VALUE]... [--dry-run] [--] FILE...\n"
    "       ym2608-settings --help | --version\n"
    "\n"
    "With one FILE and no option, edit its settings in the menu.\n"
    "\n"
    "  --show            list the settings of each FILE, a line a file\n"
    "  --json            with --show: one JSON object a line\n"
    "  --set NAME=VALUE  set a setting in each FILE and stamp the save mark;\n"
    "                    a file that is already so is not written\n"
    "  --dry-run         with --set: report what would change, write nothing\n"
    "  --                the arguments after it are files, whatever their names\n"
    "\n"
    "NAME, in any letter case: TimerA, TimerB, FadeoutDriverMode, GraphicECMode2203\n"
    "and LimitEndFlag take on/off, enable/disable or 1/0; LimitTime takes 0 to 65535.\n"
    "On Windows the program expands * and ? in FILE itself.\n"
    "\n"
    "Exit status: 0 every file done, 1 some file failed, 2 bad command line.\n";

// A name as it goes into a line of text: control characters (a line end in
// a file name, say) would break the one-line-a-file promise, so they show as
// '?', as ls shows them.
std::string printable(std::string_view name) {
  std::string text(name);
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return text;
}

// Each line goes out whole as soon as it is known.
void putLine(OutputSink& sink, std::string line) {
  line += '\n';
  sink.write(line.data(), line.size());
}

void fileError(OutputSink& errors, std::string_view file, std::string_view what) {
  putLine(errors, std::string(kProgram) + ": " + printable(file) + ": " + std::string(what));
}

std::string switchWord(unsigned value) {
  return value != 0 ? "on" : "off";
}

std::string valueText(const Setting& setting, unsigned value) {
  return setting.kind == SettingKind::Switch ? switchWord(value) : std::to_string(value);
}

// Number of bytes in the UTF-8 character at `text`, or 0 when it is not one
// (a stray byte, an overlong form, a surrogate, past U+10FFFF).
std::size_t utf8Length(std::string_view text) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = at(0);
  std::size_t length = 0;
  unsigned char low = 0x80;   // the range of the second byte, which rules out
  unsigned char high = 0xBF;  // overlong forms, surrogates and values too high
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || at(1) < low || at(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((at(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// `text` as a JSON string: quotes, backslashes and control characters
// escaped, UTF-8 kept, each byte that is not UTF-8 as U+FFFD.
std::string jsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string json = "\"";
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text[0]);
    const std::size_t length = utf8Length(text);
    if (length == 0) {
      json += "\xEF\xBF\xBD";
      text.remove_prefix(1);
      continue;
    }
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c == '\n') {
      json += "\\n";
    } else if (c == '\t') {
      json += "\\t";
    } else if (c == '\r') {
      json += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      json += "\\u00";
      json += kHex[c >> 4];
      json += kHex[c & 0x0F];
    } else {
      json.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return json + "\"";
}

// The table's columns: each setting under its own name, then the mark and
// the file. Fixed widths, so every line can go out as soon as it is known.
constexpr std::string_view kMarkHeading = "SaveMark";

void appendCell(std::string& line, std::string_view text, std::size_t width) {
  line += text;
  line.append(width - text.size() + 2, ' ');
}

std::string tableHeading() {
  std::string line;
  for (const Setting& setting : kSettings) appendCell(line, setting.name, setting.name.size());
  appendCell(line, kMarkHeading, kMarkHeading.size());
  return line + "File";
}

std::string tableRow(const SoundImage& image, std::string_view file) {
  std::string line;
  for (const Setting& setting : kSettings) {
    appendCell(line, valueText(setting, valueOf(image, setting)), setting.name.size());
  }
  appendCell(line, image.hasSaveMark() ? "yes" : "no", kMarkHeading.size());
  return line + printable(file);
}

std::string jsonRow(const SoundImage& image, std::string_view file) {
  std::string line = "{\"file\":" + jsonString(file);
  for (const Setting& setting : kSettings) {
    const unsigned value = valueOf(image, setting);
    line += ",\"" + std::string(setting.name) + "\":";
    if (setting.kind == SettingKind::Switch) {
      line += value != 0 ? "true" : "false";
    } else {
      line += std::to_string(value);
    }
  }
  line += ",\"saveMark\":";
  line += image.hasSaveMark() ? "true" : "false";
  return line + "}";
}

// Loads the head of the file that holds the settings block; false, with the
// error reported, when the file cannot be read or is too short.
bool loadBlock(SoundImage& image, const std::string& file, FileAccess& files, OutputSink& errors) {
  const FileResult loaded = image.load(file.c_str(), files, SettingsBlock::End);
  if (!loaded) {
    fileError(errors, file,
              loaded.failed == FileResult::Step::Open ? std::strerror(loaded.error) : "read error");
    return false;
  }
  if (image.length < SettingsBlock::End) {
    fileError(errors, file,
              std::to_string(image.length) + " bytes, too short to hold the settings block (" +
                  std::to_string(SettingsBlock::End) + " bytes)");
    return false;
  }
  return true;
}

// Applies the assignments and the mark; writes the block when it changed
// (unless a dry run) and reports what changed. False when the write failed.
bool setFile(SoundImage& image, const std::string& file, const ScriptArgs& args, FileAccess& files,
             OutputSink& out, OutputSink& errors) {
  const SoundImage::Block before = image.block();
  std::string changes;
  for (const Assignment& a : args.assignments) {
    const unsigned old = valueOf(image, *a.setting);
    if (old == a.value) continue;
    setValue(image, *a.setting, a.value);
    if (!changes.empty()) changes += ", ";
    changes += std::string(a.setting->name) + " " + valueText(*a.setting, old) + " -> " +
               valueText(*a.setting, a.value);
  }
  if (!image.hasSaveMark()) {
    image.stampSaveMark();
    if (!changes.empty()) changes += ", ";
    changes += "save mark stamped";
  }
  if (image.block() == before) {
    putLine(out, printable(file) + ": unchanged");
    return true;
  }
  if (!args.dryRun) {
    const FileResult written = image.writeBlock(file.c_str(), files);
    if (!written) {
      fileError(errors, file,
                written.failed == FileResult::Step::Open
                    ? "cannot open for writing: " + std::string(std::strerror(written.error))
                    : "write failed; the settings block may be partly written");
      return false;
    }
  }
  putLine(out, printable(file) + ": " + changes);
  return true;
}

}  // namespace

int runScript(int argc, const char* const argv[], OutputSink& out, OutputSink& errors,
              FileAccess& files, FileNames& names) {
  ScriptArgs args;
  std::string error;
  if (!parseScriptArgs(argc, argv, args, error)) {
    putLine(errors, std::string(kProgram) + ": " + error + " (see ym2608-settings --help)");
    return 2;
  }
  if (args.mode == ScriptArgs::Mode::Help) {
    out.write(kHelp.data(), kHelp.size());
    return 0;
  }
  if (args.mode == ScriptArgs::Mode::Version) {
    putLine(out, std::string(kProgram) + " " + YM2608_VERSION);
    return 0;
  }

  // One image for the whole run, whatever the number of files.
  static SoundImage image;
  bool headed = false;
  int status = 0;
  std::vector<std::string> expanded;
  std::string arg;
  for (int i = args.firstFile; i < argc; ++i) {
    arg = argv[i];
    if (!names.expand(arg, expanded, error)) {
      fileError(errors, arg, error);
      status = 1;
      continue;
    }
    for (const std::string& file : expanded) {
      if (!loadBlock(image, file, files, errors)) {
        status = 1;
      } else if (args.mode == ScriptArgs::Mode::Set) {
        if (!setFile(image, file, args, files, out, errors)) status = 1;
      } else if (args.json) {
        putLine(out, jsonRow(image, file));
      } else {
        if (!headed) putLine(out, tableHeading());
        headed = true;
        putLine(out, tableRow(image, file));
      }
    }
  }
  return status;
}
