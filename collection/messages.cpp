// The wording of the collection options' problem lines.
#include "collection/messages.h"

#include "listing/text.h"

std::string problemLine(std::string_view what, std::string_view problem) {
  return std::string(kProgram) + ": " + printable(what) + ": " + std::string(problem);
}

int putLine(OutputSink& sink, std::string line) {
  line += '\n';
  return sink.write(line.data(), line.size());
}

std::string reason(const FileResult& result) {
  switch (result.failed) {
    case FileResult::Step::None:
      break;
    case FileResult::Step::Open:
    case FileResult::Step::InUse:
      return systemWords(result.error);
    case FileResult::Step::Read:
      return result.error != 0 ? "read error: " + systemWords(result.error) : "read error";
    case FileResult::Step::Write:
      return "write failed" + (result.error != 0 ? ": " + systemWords(result.error) : "") +
             "; the settings block may be partly written";
    case FileResult::Step::Replaced:
      return "replaced by another file since it was read; left as it is";
    case FileResult::Step::Shrunk:
      return "cut short since it was read; left as it is";
    case FileResult::Step::Changed:
      return "changed since that run wrote it; left as it is";
  }
  return "";
}
