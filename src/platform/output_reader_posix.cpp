// Reading a child's output file on POSIX systems.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error.h"
#include "platform/output_reader.h"

namespace tabulon {

// pread() reads at an offset of its own and leaves the descriptor's position, which the child
// shares, where the child's writes put it.
struct OutputReader::State {
  int fd = -1;
  ~State() {
    if (fd >= 0) close(fd);
  }
};

OutputReader::OutputReader() : state_(std::make_unique<State>()) {}

OutputReader::~OutputReader() = default;

bool OutputReader::Open(int fd, std::string* error) {
  // A descriptor of its own: the writer's may be closed, and the file renamed, while the rest
  // is still read.
  state_->fd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (state_->fd < 0) {
    *error = "cannot open its output for reading: " + ErrnoText(errno);
    return false;
  }
  return true;
}

long long OutputReader::ReadAt(long long offset, char* buffer, size_t size, std::string* error) {
  while (true) {
    const ssize_t n = pread(state_->fd, buffer, size, static_cast<off_t>(offset));
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    *error = ErrnoText(errno);
    return -1;
  }
}

}  // namespace tabulon
