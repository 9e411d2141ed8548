// Module list rows for the portable tests: names and new-release texts as the
// list view would hand them out, cut to the read buffer like the real one.
#pragma once

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/install_queue.h"

struct FakeRow {
  std::string name;
  std::string newRelease;  // empty: no new release
};

class FakeRows : public RowTexts {
 public:
  explicit FakeRows(std::vector<FakeRow> rows) : rows_(std::move(rows)) {}
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  void Read(int row, int column, char* buffer, std::size_t size) const override {
    ++reads;
    if (row < 0 || row >= RowCount()) return;  // the list view fails such a read
    const std::string& text = column == 0 ? rows_[row].name : rows_[row].newRelease;
    const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  mutable int reads = 0;

 private:
  std::vector<FakeRow> rows_;
};

inline std::vector<std::string> Names(const InstallQueue& queue) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < queue.Count(); ++i) names.emplace_back(queue.At(i).name);
  return names;
}
