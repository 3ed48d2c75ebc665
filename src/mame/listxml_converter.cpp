// The -listxml conversion: the reader's machines go straight to the writers of the old lists, so
// only the machine being read is ever held.
#include "mame/listxml_converter.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "mame/kept_lists.h"
#include "mame/listxml_reader.h"
#include "mame/mame_facts.h"
#include "platform/error.h"
#include "platform/files.h"

namespace tabulon {
namespace {

constexpr size_t kReadBlock = 256 * 1024;

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

class ListXmlConverter::Impl {
 public:
  Impl(const std::string& out_dir, std::string source_name, ListTextSink* sink,
       ListXmlFactsGatherer* facts)
      : lists_(out_dir, sink),
        reader_(
            std::move(source_name), [this](const ListXmlMachine& m) { lists_.Add(m); }, nullptr,
            facts) {}

  void ReadAhead(size_t smallest_piece) { reader_.ReadAhead(smallest_piece); }

  void Feed(const char* data, size_t size) {
    ThrowIfSpent();
    reader_.Feed(data, size);
  }

  void Finish() {
    ThrowIfSpent();
    reader_.Finish();
    try {
      lists_.Commit();
    } catch (...) {
      failure_ = std::current_exception();
      throw;
    }
    finished_ = true;
  }

  const ListXmlCounts& counts() const { return lists_.counts(); }
  const std::string& build() const { return reader_.build(); }

 private:
  // A failed read leaves the reader spent by itself; a failed commit is remembered here.
  void ThrowIfSpent() const {
    if (failure_) std::rethrow_exception(failure_);
    if (finished_) throw std::logic_error("ListXmlConverter used after Finish()");
  }

  OldMameLists lists_;
  ListXmlReader reader_;
  std::exception_ptr failure_;
  bool finished_ = false;
};

ListXmlConverter::ListXmlConverter(std::string out_dir, std::string source_name, ListTextSink* sink,
                                   ListXmlFactsGatherer* facts)
    : impl_(std::make_unique<Impl>(out_dir, std::move(source_name), sink, facts)) {}

ListXmlConverter::~ListXmlConverter() = default;

void ListXmlConverter::ReadAhead(size_t smallest_piece) { impl_->ReadAhead(smallest_piece); }

void ListXmlConverter::Feed(const char* data, size_t size) { impl_->Feed(data, size); }

void ListXmlConverter::Finish() { impl_->Finish(); }

const ListXmlCounts& ListXmlConverter::counts() const { return impl_->counts(); }

const std::string& ListXmlConverter::build() const { return impl_->build(); }

ListXmlCounts ConvertListXmlFile(const std::string& xml_path, const std::string& out_dir) {
  std::string error;
  std::unique_ptr<std::FILE, FileClose> file(OpenForReading(xml_path, &error));
  if (file == nullptr) throw Error(xml_path, "cannot open: " + error);

  ListXmlConverter converter(out_dir, xml_path);
  converter.ReadAhead();
  std::vector<char> block(kReadBlock);
  size_t n;
  while ((n = std::fread(block.data(), 1, block.size(), file.get())) > 0) {
    converter.Feed(block.data(), n);
  }
  if (std::ferror(file.get())) throw Error(xml_path, "read error: " + ErrnoText(errno));
  converter.Finish();
  // Lists a killed run kept aside here are older than these, which are to stay.
  KeptLists::DropLeftovers(out_dir);
  // An earlier run's listxml.xml, and the facts read from it, describe other lists now: the
  // list shaping must not check the ROM folders against them.
  const std::string saved = InFolder(out_dir, "listxml.xml");
  FileIdentity given, kept;
  if (GetFileIdentity(saved, &kept) && !(GetFileIdentity(xml_path, &given) && given == kept)) {
    RemoveFile(saved);
    RemoveFile(InFolder(out_dir, kMameFactsName));
  }
  return converter.counts();
}

}  // namespace tabulon
