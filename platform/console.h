// The dialogue's view of standard input and standard output. The program
// wires these to the real console; tests wire them to memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/file_access.h"

/// Where typed commands come from.
class InputSource {
 public:
  virtual ~InputSource() = default;
  /// Reads up to `capacity` bytes into `buffer`, waiting until at least one
  /// arrives; returns how many, or 0 at the end of input (or on an error).
  virtual std::size_t read(char* buffer, std::size_t capacity) = 0;
  /// True when read() would return at once: bytes are waiting, or the input
  /// has ended. False when it would wait for the user.
  virtual bool ready() = 0;
  /// Why the input ended early: the system's reason (see FileError) when a
  /// read failed, 0 when it simply ended.
  virtual int error() const { return 0; }
  /// True, with `identity` set, when the input comes from a file on a disk
  /// (so that a run can leave that file alone); false for a console, a
  /// pipe or memory.
  virtual bool fileIdentity(FileIdentity& /*identity*/) const { return false; }
};

/// Where the menu and messages go.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  /// Writes all `size` bytes; returns 0 when they all went out, otherwise
  /// the system's reason (FileError::BrokenPipe when the reader has gone).
  /// After a failure the sink takes nothing more. The dialogue goes on
  /// without its output; the collection options stop.
  virtual int write(const char* data, std::size_t size) = 0;
  /// True, with `identity` set, when the output goes to a file on a disk
  /// (so that a run can leave that file alone); false for a console, a
  /// pipe or memory.
  virtual bool fileIdentity(FileIdentity& /*identity*/) const { return false; }
  /// True when the output may be held and handed over in blocks: a file on
  /// a disk or the null device, which nobody reads while the run goes on.
  /// False for a terminal and a pipe, whose reader wants each line at once.
  virtual bool takesBlocks() const { return false; }
  /// True when the output is a terminal (a console on Windows), where a
  /// person reads it.
  virtual bool isTerminal() const { return false; }
};

/// Buffers output: collects it and hands it to the sink in 16 KiB blocks, so
/// a long script costs one write per block rather than one per menu. Nothing
/// reaches the sink before flush() or a full block.
class Writer {
 public:
  explicit Writer(OutputSink& sink) : sink_(sink) {}
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  ~Writer() { flush(); }

  void put(std::string_view text);
  /// Writes the number in decimal, without leading zeros.
  void putNumber(unsigned number);
  /// Hands everything collected so far to the sink; 0, or why a write to
  /// the sink failed, then or before (nothing more goes out after that).
  int flush();
  /// 0, or why a write to the sink failed.
  int error() const { return error_; }

 private:
  OutputSink& sink_;
  std::array<char, std::size_t{16} * 1024> buffer_;
  std::size_t used_ = 0;
  int error_ = 0;
};
