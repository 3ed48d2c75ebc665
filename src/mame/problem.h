// What stopped a step of the MAME extraction, as the start of the warning that names the file, or
// nothing when the step worked. A plain text with "" for success let a failure whose text came
// out empty pass for success; here success is only ever Problem() or `return {};`.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>

namespace tabulon {

class [[nodiscard]] Problem {
 public:
  Problem() = default;
  // Implicit, so that a function returns its warning's text as it is. The text is never empty.
  Problem(std::string text) : text_(std::move(text)) { assert(!text_->empty()); }  // NOLINT
  // No literal: `return "";` would be a failure without a text where success was meant.
  Problem(const char*) = delete;

  explicit operator bool() const { return text_.has_value(); }
  const std::string& operator*() const { return *text_; }
  const std::string* operator->() const { return &*text_; }

 private:
  std::optional<std::string> text_;
};

}  // namespace tabulon
