// The platform-independent part of the file layer.
#include "files/file_system.h"

namespace files {

void EmptyDirectory(const std::string& directory) {
  std::vector<DirectoryEntry> entries;
  if (directory.empty() || !ListDirectory(directory.c_str(), &entries)) return;
  const bool separated = directory.back() == kSeparator || directory.back() == '/';
  const std::string prefix = separated ? directory : directory + kSeparator;
  for (const DirectoryEntry& entry : entries) {
    const std::string path = prefix + entry.name;
    switch (entry.kind) {
      case EntryKind::File:
        RemoveFile(path.c_str());
        break;
      case EntryKind::Link:
        RemoveLink(path.c_str());
        break;
      case EntryKind::Directory:
        RemoveDirectoryTree(path);
        break;
    }
  }
}

void RemoveDirectoryTree(const std::string& directory) {
  EmptyDirectory(directory);
  RemoveEmptyDirectory(directory.c_str());
}

}  // namespace files
