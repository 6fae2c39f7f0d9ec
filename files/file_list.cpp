// Reading --files-from's list through one buffer.
#include "files/file_list.h"

#include <algorithm>
#include <string_view>

FileList::~FileList() {
  if (file_ != kNoFile) files_.close(file_);
}

int FileList::open(const std::string& path, bool nulEnds) {
  end_ = nulEnds ? '\0' : '\n';
  standardInput_ = path == "-";
  FileIdentity input;
  if (standardInput_ && input_.fileIdentity(input) && input.regular) identity_ = input;
  if (standardInput_) return 0;
  // Read as any file is, so a pipe such as <(find ...) serves as well.
  const Opened opened = files_.open(path.c_str(), OpenMode::Read);
  file_ = opened.file;
  if (opened.identity.regular) identity_ = opened.identity;
  return opened.error;
}

bool FileList::refill() {
  if (ended_) return false;
  std::size_t got = 0;
  int error = 0;
  if (standardInput_) {
    got = input_.read(buffer_.data(), buffer_.size());
    error = got == 0 ? input_.error() : 0;
  } else {
    const Moved moved = files_.readAt(file_, reinterpret_cast<std::uint8_t*>(buffer_.data()),
                                      buffer_.size(), offset_);
    got = moved.bytes;
    offset_ += got;
    error = moved.error;
  }
  if (error != 0) problem_ = systemWords(error);
  at_ = 0;
  filled_ = got;
  ended_ = got == 0;
  return got > 0;
}

bool FileList::tidy(std::string& name) {
  // The byte-order mark a Windows editor puts first, which may come in
  // pieces from a pipe, is no part of the first name.
  if (!started_ && name.compare(0, 3, "\xEF\xBB\xBF") == 0) name.erase(0, 3);
  started_ = true;
  if (end_ == '\n' && !name.empty() && name.back() == '\r') name.pop_back();
  return !name.empty();
}

bool FileList::next(std::string& name) {
  name.clear();
  for (;;) {
    if (at_ == filled_ && !refill()) break;
    const auto begin = buffer_.begin() + static_cast<std::ptrdiff_t>(at_);
    const auto stop =
        std::find(begin, buffer_.begin() + static_cast<std::ptrdiff_t>(filled_), end_);
    if (!skipping_) name.append(begin, stop);
    at_ = static_cast<std::size_t>(stop - buffer_.begin());
    if (name.size() > kLongestName) {
      // No name is that long: pass over the rest of it, keeping no more.
      skipping_ = true;
      name.clear();
    }
    if (at_ == filled_) continue;  // the name goes on in the next bytes
    ++at_;
    if (skipping_) {
      skipping_ = false;
      ++passedOver_;
      continue;
    }
    if (tidy(name)) return true;
  }
  if (skipping_) {
    skipping_ = false;
    ++passedOver_;
    name.clear();
  }
  return tidy(name) && problem_.empty();
}
