// XML dats read through the -listxml conversion's own reader and block writer, so that an XML
// dat gives exactly the records, category files and placeholders of the block dat the conversion
// would write for it.
#include "mame/xml_dat.h"

#include <cerrno>
#include <string_view>
#include <utility>
#include <vector>

#include "datparse/dat_reader.h"
#include "mame/old_mame_lists.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/strings.h"

namespace tabulon {
namespace {

constexpr size_t kReadBlock = 256 * 1024;
// How much text the parsing thread may make ahead of the reader: enough to go on parsing while
// the reader loads a large category file before its first block.
constexpr size_t kTextAhead = 8 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Enough of the file to see past the white space that may open it.
constexpr size_t kLookAhead = 64 * 1024;

}  // namespace

bool IsXmlDat(const std::string& path) {
  std::string error;
  std::FILE* file = OpenForReading(path, &error);
  if (file == nullptr) return false;
  std::string head(kLookAhead, '\0');
  head.resize(std::fread(head.data(), 1, head.size(), file));
  std::fclose(file);

  std::string_view rest = head;
  if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  if (rest.starts_with("<?xml") || rest.starts_with("<!DOCTYPE")) return true;
  // An element's name ends at white space, ">" or "/": <mamelist> is not MAME's.
  for (std::string_view root : {"<datafile", "<mame"}) {
    if (rest.starts_with(root) && rest.size() > root.size() &&
        (IsBlank(rest[root.size()]) || rest[root.size()] == '>' || rest[root.size()] == '/')) {
      return true;
    }
  }
  return false;
}

XmlDatLines::XmlDatLines(const std::string& path, const std::string& shown_name)
    : path_(path),
      reader_(
          shown_name,
          [this](const ListXmlMachine& m) {
            machine_seen_ = true;
            if (!m.device) AppendListInfoBlock(m, m.resource ? &resources_ : &made_);
          },
          [this](const std::string& name) {
            // The dat's name counts only before its games: its lines must come first.
            if (machine_seen_ || header_written_ || TrimSpaces(name).empty()) return;
            header_written_ = true;
            made_ += "clrmamepro (\r\n\tname \"";
            made_ += name;
            made_ += "\"\r\n)\r\n\r\n";
          }) {
  std::string error;
  file_.reset(OpenForReading(path, &error));
  if (file_ == nullptr) throw Error(path, "cannot open: " + error);
  thread_ = std::thread([this] { Parse(); });
}

XmlDatLines::~XmlDatLines() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void XmlDatLines::Parse() {
  std::exception_ptr failure;
  try {
    std::vector<char> block(kReadBlock);
    while (true) {
      const size_t n = std::fread(block.data(), 1, block.size(), file_.get());
      if (n == 0) {
        if (std::ferror(file_.get())) throw Error(path_, "read error: " + ErrnoText(errno));
        reader_.Finish();
        made_ += resources_;
      } else {
        reader_.Feed(block.data(), n);
      }
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || ready_bytes_ < kTextAhead; });
      if (stop_) return;
      ready_bytes_ += made_.size();
      if (!made_.empty()) ready_.push_back(std::move(made_));
      made_.clear();
      if (n == 0) break;
      lock.unlock();
      changed_.notify_all();
    }
  } catch (...) {
    failure = std::current_exception();
  }
  std::unique_lock<std::mutex> lock(mutex_);
  // What a failing block made before its fault is read before the failure is thrown.
  if (failure && !made_.empty()) {
    ready_bytes_ += made_.size();
    ready_.push_back(std::move(made_));
  }
  failure_ = failure;
  over_ = true;
  lock.unlock();
  changed_.notify_all();
}

void XmlDatLines::Fill() {
  if (pos_ < text_.size()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !ready_.empty() || over_; });
  text_.clear();
  pos_ = 0;
  if (!ready_.empty()) {
    text_.swap(ready_.front());
    ready_.pop_front();
    ready_bytes_ -= text_.size();
    lock.unlock();
    changed_.notify_all();
    return;
  }
  if (failure_) std::rethrow_exception(failure_);
}

bool XmlDatLines::AtEnd() {
  Fill();
  return pos_ == text_.size();
}

// Lines end as in any dat, at CR LF or a lone CR; the text made here has CR LF only.
bool XmlDatLines::ReadLine(std::string* line) {
  line->clear();
  if (AtEnd()) return false;
  size_t end = text_.find('\r', pos_);
  if (end == std::string::npos) end = text_.size();
  line->assign(text_, pos_, end - pos_);
  pos_ = end;
  if (pos_ < text_.size()) ++pos_;
  if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  return true;
}

size_t GetXmlListInfo(const std::string& dat_name, RunState& run, CategorySummary* categories) {
  const std::string shown_name = InFolder("dats", dat_name);
  XmlDatLines lines(InFolder(run.DatsDir(), dat_name), shown_name);
  return GetListInfo(lines, shown_name, run, nullptr, categories);
}

}  // namespace tabulon
