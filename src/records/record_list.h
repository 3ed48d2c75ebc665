// The record list: game records kept in case-insensitive ASCII order of their whole text, so
// they stand in order of description. Records that compare equal keep the order they were added
// in. There is no limit on the count: today's MAME alone has well over 32,767 games.
#pragma once

#include <string>
#include <vector>

namespace tabulon {

class RecordList {
 public:
  void Clear();
  void Add(std::string record);
  size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  // The records in list order. Adding is cheap; the order is settled when the list is read.
  const std::vector<std::string>& Items() const;
  const std::string& operator[](size_t index) const { return Items()[index]; }

 private:
  mutable std::vector<std::string> records_;
  mutable size_t sorted_count_ = 0;  // records_[0, sorted_count_) are in order
};

}  // namespace tabulon
