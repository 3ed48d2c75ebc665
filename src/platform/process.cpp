// Script runs: the waits, and MAME's -listxml output followed while it is written. The child
// processes themselves are the platform's (child_process.h), and so is reading their output
// (output_reader.h).
#include "platform/process.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/child_process.h"
#include "platform/cpu_times.h"
#include "platform/error.h"
#include "platform/output_reader.h"
#include "platform/task.h"
#include "platform/thread_priority.h"

namespace tabulon {
namespace {

// Tells whether a core is free for work that should not slow anyone down: work that can wait
// asks before each step and waits while the answer is no.
//
// The lowest priority alone does not do that. MAME's -listxml runs batches of threads on every
// core for most of its run, and a low-priority thread still slips into the gaps between batches
// and delays the next one: 0.45 s of conversion made MAME 0.2 to 0.3 s slower. In the last
// second or so MAME works on one thread and writes little, and the same work then costs it
// nothing. So the gate looks at how busy the machine was over the last tenth of a second,
// leaving out Tabulon's own time (the asking thread's, and its read-ahead helper's, whose work
// would otherwise shut the gate on the reader), and says yes only while at least half a core was
// idle. Where the system cannot tell how busy it is, it always says yes.
class IdleCoreGate final : public CoreGate {
 public:
  IdleCoreGate() : cores_(OnlineCores()) { usable_ = Sample(&last_); }

  bool Open() override {
    if (cores_ < 1 || !usable_) return true;
    const double wall = Seconds() - last_.wall;
    if (wall < kWindow) return open_;
    Reading now;
    if (!Sample(&now)) {
      usable_ = false;
      return true;
    }
    const double others = (now.cpu.busy - last_.cpu.busy) - (now.cpu.own - last_.cpu.own);
    open_ = static_cast<double>(cores_) * wall - others >= kFreeCore * wall;
    last_ = now;
    return open_;
  }

 private:
  static constexpr double kWindow = 0.1;    // seconds looked back
  static constexpr double kFreeCore = 0.5;  // idle cores needed

  struct Reading {
    double wall = 0;  // seconds, monotonic
    CpuTimes cpu;
  };

  static double Seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

  static bool Sample(Reading* r) {
    r->wall = Seconds();
    return SampleCpuTimes(&r->cpu);
  }

  int cores_;
  bool usable_ = true;
  bool open_ = true;
  Reading last_;
};

}  // namespace

std::unique_ptr<CoreGate> MakeIdleCoreGate() { return std::make_unique<IdleCoreGate>(); }

bool RunScriptAndWait(const std::string& folder, const std::string& script_path,
                      const std::function<void()>& idle, std::string* error, ChildExit* exit) {
  ChildProcess child;
  if (!child.StartScript(folder, script_path, error)) return false;

  // The wait wakes the moment the script ends: today's MAME refuses an old option in a fifth of
  // a second, and a fixed poll would add up to its interval to each of the three runs. Where the
  // system cannot watch the child, the wait polls, fast at first. When `idle` throws, the
  // child's destructor stops it.
  int pause_ms = 1;
  std::string wait_error;
  while (!child.Ended(&wait_error)) {
    if (idle) idle();
    if (!child.WaitMs(20)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
      pause_ms = std::min(pause_ms * 2, 20);
    }
  }
  if (!wait_error.empty()) {
    *error = "cannot wait for the script: " + wait_error;
    return false;
  }
  if (exit != nullptr) *exit = child.exit();
  return true;
}

bool RunCommandWritingFile(const std::string& folder, const std::string& command, int output_fd,
                           const std::function<void(const char*, size_t)>& on_output,
                           CoreGate& gate, const std::function<void()>& idle, std::string* error,
                           ChildExit* exit, const std::function<void(const ChildExit&)>& on_end) {
  OutputReader output;
  if (!output.Open(output_fd, error)) return false;
  ChildProcess child;
  if (!child.StartCommand(folder, command, output_fd, error)) return false;

  // The file is followed on a thread of its own, at the lowest priority and only while `gate`
  // is open, which for the run's gate is while a core is idle (IdleCoreGate). MAME's -listxml
  // keeps every core of a small machine busy for most of its run, and working on its output costs
  // far less than writing it: the reader falls behind while MAME needs the cores and catches up
  // in MAME's last, single-threaded second, so MAME runs about as fast as alone. This thread
  // stays responsive meanwhile.
  std::atomic<bool> ended{false};  // the program has ended: what the file holds is all there is
  std::atomic<bool> stop{false};   // the run was stopped: the reader leaves at once
  std::mutex mutex;
  std::condition_variable wake_cv;  // the reader finished, the program ended, or stop
  bool finished = false;
  // Sleeps up to `ms`, but not past a stop request or the program's end, after which the
  // reader has the cores to itself and every millisecond counts.
  auto pause = [&](int ms) {
    std::unique_lock<std::mutex> lock(mutex);
    wake_cv.wait_for(lock, std::chrono::milliseconds(ms),
                     [&] { return stop.load() || ended.load(); });
  };
  // What the reader throws, the task carries to the wait below.
  auto read_output = [&](std::stop_token) {
    // However the reading ends, the waiting thread hears of it at once.
    struct Finished {
      std::mutex& mutex;
      std::condition_variable& wake_cv;
      bool& finished;
      ~Finished() {
        std::lock_guard<std::mutex> lock(mutex);
        finished = true;
        wake_cv.notify_all();
      }
    } on_finish{mutex, wake_cv, finished};
    LowerThreadPriority();
    // As large as the conversion of a saved file reads: what is read is copied ahead into the
    // conversion's read-ahead, so each megabyte more here is three more held while it runs.
    std::vector<char> buffer(256 * 1024);
    long long offset = 0;
    while (!stop.load()) {
      // Whether the program had ended is taken before the read: a read that finds nothing more
      // after the end has then taken everything.
      const bool was_ended = ended.load();
      // The first kilobytes are handed over as they come, gate or not: they tell which program
      // writes, which the caller may need to know before the program has run for long.
      if (!was_ended && offset >= kUngatedHead && !gate.Open()) {
        pause(10);
        continue;
      }
      std::string read_error;
      const long long n = output.ReadAt(offset, buffer.data(), buffer.size(), &read_error);
      if (n < 0) throw Error(command, "cannot read its output: " + read_error);
      if (n > 0) {
        offset += n;
        on_output(buffer.data(), static_cast<size_t>(n));
      } else if (was_ended) {
        break;
      } else {
        pause(5);
      }
    }
  };
  // A reader that could not be started leaves nothing to follow the output: the child's
  // destructor stops MAME, and the caller hears why, as of any program that could not be run.
  Task reader;
  try {
    reader = Task(read_output);
  } catch (const std::system_error& e) {
    *error = std::string("no thread could be started to read its output: ") + e.what();
    return false;
  }
  auto reader_finished = [&](int ms) {
    std::unique_lock<std::mutex> lock(mutex);
    return wake_cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return finished; });
  };
  auto end_reader = [&] {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;
    }
    wake_cv.notify_all();
    // The reader's own failure is dropped: the caller hears why the wait ended instead.
    reader = Task();
  };

  std::string wait_error;
  try {
    while (true) {
      if (!ended.load() && child.Ended(&wait_error)) {
        if (!wait_error.empty()) {
          *error = "cannot wait for the program: " + wait_error;
          end_reader();
          return false;
        }
        {
          std::lock_guard<std::mutex> lock(mutex);
          ended = true;
        }
        wake_cv.notify_all();
        if (on_end) on_end(child.exit());
      }
      if (idle) idle();
      if (ended.load() || !child.WaitMs(20)) {
        if (reader_finished(ended.load() ? 20 : 5)) break;
      } else if (reader_finished(0)) {
        break;
      }
    }
  } catch (...) {
    end_reader();
    throw;  // the child's destructor stops the program
  }
  reader.Wait();
  if (exit != nullptr) *exit = child.exit();
  return true;
}

}  // namespace tabulon
