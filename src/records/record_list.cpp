// Sorted record list. Sorting once when the list is read keeps a 40,000-game run from moving
// every record on every insert, and a stable sort keeps equal records in their order of adding.
#include "records/record_list.h"

#include <algorithm>

#include "platform/strings.h"

namespace tabulon {

void RecordList::Clear() {
  text_.Clear();
  records_.clear();
  sorted_count_ = 0;
}

void RecordList::Add(std::string_view record) { records_.push_back(text_.Keep(record)); }

const std::vector<std::string_view>& RecordList::Items() const {
  if (sorted_count_ != records_.size()) {
    auto less = [](std::string_view a, std::string_view b) { return CompareNoCase(a, b) < 0; };
    auto middle = records_.begin() + static_cast<std::ptrdiff_t>(sorted_count_);
    std::stable_sort(middle, records_.end(), less);
    std::inplace_merge(records_.begin(), middle, records_.end(), less);
    sorted_count_ = records_.size();
  }
  return records_;
}

}  // namespace tabulon
