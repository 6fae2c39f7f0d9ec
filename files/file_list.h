// --files-from LIST: the names of the files to show or set, one a line (or
// each ended by a NUL with -0), read a name at a time as the run goes, so a
// list of any length costs one buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/file_access.h"

class FileList {
 public:
  /// Names longer than this are no names: they are passed over.
  static constexpr std::size_t kLongestName = 65536;

  FileList(FileAccess& files, InputSource& input) : files_(files), input_(input) {}
  FileList(const FileList&) = delete;
  FileList& operator=(const FileList&) = delete;
  ~FileList();

  /// Opens the list at `path`, or standard input for "-"; names end with a
  /// NUL when `nulEnds`, else with LF or CR LF. 0, or why it cannot be
  /// opened.
  int open(const std::string& path, bool nulEnds);
  /// Sets `name` to the next name, as written: blank lines and a UTF-8
  /// byte-order mark at the start are passed over. False at the end of the
  /// list, and when it cannot be read on (see problem()).
  bool next(std::string& name);
  /// Why the list stopped before its end, one line; empty when it did not.
  const std::string& problem() const { return problem_; }
  /// How many names were too long to be names, and passed over.
  std::size_t passedOver() const { return passedOver_; }
  /// The list's file, when it is one on a disk (zero otherwise).
  const FileIdentity& identity() const { return identity_; }

 private:
  // Reads the next bytes into the buffer; false at the end or on an error.
  bool refill();
  // Takes a line end's CR, and the first name's byte-order mark, off a
  // name just read; false when nothing is left of it.
  bool tidy(std::string& name);

  FileAccess& files_;
  InputSource& input_;
  FileHandle file_ = kNoFile;
  bool standardInput_ = false;
  char end_ = '\n';
  std::vector<char> buffer_ = std::vector<char>(std::size_t{64} * 1024);
  std::size_t at_ = 0;      // the next byte to take
  std::size_t filled_ = 0;  // the bytes the buffer holds
  std::uint64_t offset_ = 0;
  bool started_ = false;  // the first name was read
  bool ended_ = false;
  std::string problem_;
  std::size_t passedOver_ = 0;
  bool skipping_ = false;  // inside a name too long to keep
  FileIdentity identity_;
};
