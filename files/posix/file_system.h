// The POSIX call with which the unpacker reads a written file back. The
// tests replace it to stage a disk that keeps other bytes than it was given.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>

namespace files {

struct ReadBackCalls {
  ssize_t (*readAt)(int fd, void* buffer, std::size_t size, off_t offset) = ::pread;
};

ReadBackCalls& ReadBacks();

}  // namespace files
