// The install queue and the two rules that fill it from the module list's
// rows. Portable: the rows are read through RowTexts, which the Win32 side
// implements over the list view's ANSI messages.
#pragma once

#include <cstddef>
#include <deque>

#include "worker/messages.h"  // InstallRequest

// Every row read goes through a buffer of this size, terminator included.
constexpr std::size_t kRowReadSize = 50;
static_assert(decltype(InstallRequest::name)::size() == kRowReadSize,
              "a row's name is read straight into a request");

// The texts of the module list's rows, as the list view hands them out.
class RowTexts {
 public:
  virtual ~RowTexts() = default;
  virtual int RowCount() const = 0;
  // Copies at most size - 1 bytes of the cell and a terminator into buffer
  // (size is at least 1). A cell that cannot be read leaves buffer as it was,
  // so callers clear it first.
  virtual void Read(int row, int column, char* buffer, std::size_t size) const = 0;
};

class InstallQueue {
 public:
  void Clear() { requests_.clear(); }
  void PushFront(const InstallRequest& request) { requests_.push_front(request); }
  void PushBack(const InstallRequest& request) { requests_.push_back(request); }
  std::size_t Count() const { return requests_.size(); }
  bool Empty() const { return requests_.empty(); }
  // Moves the front request into `current`. The queue must not be empty.
  void TakeFront(InstallRequest& current);
  const InstallRequest& At(std::size_t i) const { return requests_[i]; }

 private:
  std::deque<InstallRequest> requests_;
};

// A case-sensitive substring test for "qm7upd" or "boot_manager".
bool IsSpecialModule(const char* name);

// Every row with a new release, top row first. Returns the queue's count.
std::size_t ApplyDownloadRule(InstallQueue& queue, const RowTexts& rows);

// Every special module with a new release, bottom row first.
std::size_t ApplySpecialModuleRule(InstallQueue& queue, const RowTexts& rows);

// What a double-click on `row` queues: the special-module rule, then the
// clicked row when it has a new release and is not a special module. The
// clicked row's name is read into `current`, the window's one request
// buffer. `row` may lie outside the list (a click beside the rows).
std::size_t ApplyDoubleClickRule(InstallQueue& queue, InstallRequest& current, const RowTexts& rows, int row);
