// The dialogue's input and output in memory.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/console.h"

/// Input that arrives in pieces. A piece marked `waits` is typed later: until
/// it is read, ready() says a read would block, and the read itself records
/// what the user could see on screen at that moment. `before` runs just
/// before the piece is handed over (to change a file under the editor).
class ScriptedInput : public InputSource {
 public:
  struct Piece {
    std::string text;
    bool waits = false;
    std::function<void()> before = nullptr;
  };

  /// `chunk` caps how many bytes one read returns, to split words across reads.
  ScriptedInput(std::vector<Piece> pieces, const std::string* screen = nullptr,
                std::size_t chunk = 4096)
      : pieces_(std::move(pieces)), screen_(screen), chunk_(chunk) {}

  std::size_t read(char* buffer, std::size_t capacity) override {
    if (index_ == pieces_.size()) return 0;
    Piece& piece = pieces_[index_];
    if (offset_ == 0) {
      if (piece.waits && screen_ != nullptr) seenBeforeWaiting.push_back(*screen_);
      if (piece.before) piece.before();
    }
    const std::size_t n = std::min({capacity, chunk_, piece.text.size() - offset_});
    std::memcpy(buffer, piece.text.data() + offset_, n);
    offset_ += n;
    if (offset_ == piece.text.size()) {
      ++index_;
      offset_ = 0;
    }
    return n;
  }

  bool ready() override {
    return index_ == pieces_.size() || offset_ > 0 || !pieces_[index_].waits;
  }

  /// The screen's content at each read that had to wait.
  std::vector<std::string> seenBeforeWaiting;

 private:
  std::vector<Piece> pieces_;
  const std::string* screen_;
  std::size_t chunk_;
  std::size_t index_ = 0;
  std::size_t offset_ = 0;
};

/// Keeps everything written, and how many writes it took.
class RecordingOutput : public OutputSink {
 public:
  int write(const char* data, std::size_t size) override {
    text.append(data, size);
    ++writes;
    return 0;
  }
  std::string text;
  int writes = 0;
};
