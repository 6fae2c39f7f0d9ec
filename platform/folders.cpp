// The folders a made-up reader opens: their names, so that a walk over a
// made-up tree takes the same steps as over the disk.
#include "platform/folders.h"

FileHandle FolderReader::openFolder(const std::string& folder, std::string& /*error*/) {
  opened_.push_back(folder);
  return static_cast<FileHandle>(opened_.size() - 1);
}

FileHandle FolderReader::openSubfolder(FileHandle /*parent*/, const std::string& /*name*/,
                                       const std::string& path, std::string& /*error*/) {
  opened_.push_back(path);
  return static_cast<FileHandle>(opened_.size() - 1);
}

bool FolderReader::listOpen(FileHandle folder, std::vector<FolderEntry>& entries,
                            std::string& error) {
  return list(opened_[static_cast<std::size_t>(folder)], entries, error);
}

void FolderReader::closeFolder(FileHandle /*folder*/) {}
