#include "app/install_queue.h"

#include <cassert>
#include <cstring>

namespace {

constexpr int kNameColumn = 0;
constexpr int kNewReleaseColumn = 1;

bool HasNewRelease(const RowTexts& rows, int row) {
  char text[kRowReadSize] = {};
  rows.Read(row, kNewReleaseColumn, text, sizeof text);
  return text[0] != '\0';
}

InstallRequest ReadRequest(const RowTexts& rows, int row) {
  InstallRequest request{};
  rows.Read(row, kNameColumn, request.name, request.name.size());
  request.releaseSelector = static_cast<decltype(request.releaseSelector)>(kReleaseSelectorNewest);
  return request;
}

}  // namespace

void InstallQueue::TakeFront(InstallRequest& current) {
  assert(!requests_.empty());
  current = requests_.front();
  requests_.pop_front();
}

bool IsSpecialModule(const char* name) {
  return std::strstr(name, "qm7upd") != nullptr || std::strstr(name, "boot_manager") != nullptr;
}

std::size_t ApplyDownloadRule(InstallQueue& queue, const RowTexts& rows) {
  queue.Clear();
  // Bottom up, each to the front: the queue ends up in list order.
  for (int row = rows.RowCount() - 1; row >= 0; --row) {
    const InstallRequest request = ReadRequest(rows, row);
    if (HasNewRelease(rows, row)) queue.PushFront(request);
  }
  return queue.Count();
}

std::size_t ApplySpecialModuleRule(InstallQueue& queue, const RowTexts& rows) {
  queue.Clear();
  for (int row = rows.RowCount() - 1; row >= 0; --row) {
    const InstallRequest request = ReadRequest(rows, row);
    if (!IsSpecialModule(request.name)) continue;
    if (HasNewRelease(rows, row)) queue.PushBack(request);
  }
  return queue.Count();
}

std::size_t ApplyDoubleClickRule(InstallQueue& queue, InstallRequest& current, const RowTexts& rows, int row) {
  char newRelease[kRowReadSize] = {};
  ApplySpecialModuleRule(queue, rows);
  std::memset(current.name, 0, current.name.size());
  rows.Read(row, kNameColumn, current.name, current.name.size());
  rows.Read(row, kNewReleaseColumn, newRelease, sizeof newRelease);
  if (newRelease[0] != '\0' && !IsSpecialModule(current.name)) {
    current.releaseSelector = static_cast<decltype(current.releaseSelector)>(kReleaseSelectorNewest);
    queue.PushBack(current);
  }
  return queue.Count();
}
