// The record list: game records kept in case-insensitive ASCII order of their whole text, so
// they stand in order of description. Records that compare equal keep the order they were added
// in. There is no limit on the count: today's MAME alone has well over 32,767 games.
#pragma once

#include <string_view>
#include <vector>

#include "platform/strings.h"

namespace tabulon {

class RecordList {
 public:
  void Clear();
  // Copies the record into the list.
  void Add(std::string_view record);
  size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  // The records in list order. Adding is cheap; the order is settled when the list is read. The
  // views stay valid until Clear() or the list's end.
  const std::vector<std::string_view>& Items() const;
  std::string_view operator[](size_t index) const { return Items()[index]; }

 private:
  StringArena text_;  // the records' text: one allocation per few thousand records
  mutable std::vector<std::string_view> records_;
  mutable size_t sorted_count_ = 0;  // records_[0, sorted_count_) are in order
};

}  // namespace tabulon
