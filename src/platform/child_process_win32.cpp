// The child process on Windows: cmd.exe runs the script or command line in the MAME folder,
// hidden, in a job object that ends MAME with the run.
#include <io.h>

#include <vector>

#include "platform/child_process.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/short_path.h"
#include "platform/windows.h"

namespace tabulon {
namespace {

// The exit code of a child that was stopped.
constexpr UINT kStoppedExitCode = 1;

// How long a stopped child may take to go.
constexpr DWORD kStopWaitMs = 5000;

// A handle closed when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  ~Handle() {
    if (valid()) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

// A handle that a child may inherit, to `handle`'s file; null when it cannot be made.
HANDLE Inheritable(HANDLE handle) {
  HANDLE copy = nullptr;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                       DUPLICATE_SAME_ACCESS)) {
    return nullptr;
  }
  return copy;
}

HANDLE NullDevice(DWORD access) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                     nullptr);
}

// This program's standard output or error for the child, or the null device where there is none
// (the window has no console).
HANDLE StandardHandle(DWORD which) {
  HANDLE handle = Inheritable(GetStdHandle(which));
  return handle != nullptr ? handle : NullDevice(GENERIC_WRITE);
}

std::wstring CommandInterpreter() {
  wchar_t folder[MAX_PATH];
  const UINT size = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, size > 0 && size < MAX_PATH ? size : 0) + L"\\cmd.exe";
}

}  // namespace

// The child is cmd.exe, in a job object of its own, with everything it starts.
struct ChildProcess::State {
  HANDLE job = nullptr;
  HANDLE process = nullptr;
  DWORD exit_code = 0;
  bool ended = false;

  ~State() {
    // Closing the job ends whatever is still in it (KILL_ON_JOB_CLOSE), as the system does when
    // this program dies.
    if (process != nullptr) CloseHandle(process);
    if (job != nullptr) CloseHandle(job);
  }

  // Starts cmd.exe /d /s /c "`line`" in `folder`, hidden (no console window), with standard input
  // on the null device, standard output on `output` and standard error on this program's. Those
  // three are the only handles it inherits.
  bool Start(const std::string& folder, const std::wstring& line, HANDLE output,
             std::string* error) {
    auto fail = [error](const std::string& what) {
      *error = what + ": " + SystemErrorText(GetLastError());
      return false;
    };
    // The job ends MAME with the run: when the run is stopped (Stop), and when this program ends
    // in any way, even killed, since the system then closes the job's last handle. A MAME that
    // crashes ends at once instead of waiting in an error dialog that nobody sees.
    job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr) return fail("cannot make a job object");
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
      return fail("cannot set up the job object");
    }

    Handle in(NullDevice(GENERIC_READ));
    Handle out(Inheritable(output));
    Handle err(StandardHandle(STD_ERROR_HANDLE));
    if (!in.valid() || !out.valid() || !err.valid()) return fail("cannot pass on its handles");
    HANDLE inherited[] = {in.get(), out.get(), err.get()};
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> storage(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) {
      return fail("cannot list its handles");
    }
    const bool listed = UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                                  inherited, sizeof inherited, nullptr, nullptr);
    STARTUPINFOEXW info{};
    info.StartupInfo.cb = sizeof info;
    info.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    info.StartupInfo.wShowWindow = SW_HIDE;
    info.StartupInfo.hStdInput = in.get();
    info.StartupInfo.hStdOutput = out.get();
    info.StartupInfo.hStdError = err.get();
    info.lpAttributeList = attributes;

    // /d: no AutoRun commands of the user's; /s /c "...": the quotes around the line go, the
    // line stays as it is.
    const std::wstring program = CommandInterpreter();
    std::wstring command_line = L"\"" + program + L"\" /d /s /c \"" + line + L"\"";
    PROCESS_INFORMATION started{};
    const bool ok =
        listed && CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                                 CREATE_NO_WINDOW | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT,
                                 nullptr, WideText(folder).c_str(), &info.StartupInfo, &started);
    DeleteProcThreadAttributeList(attributes);
    if (!ok) return fail("cannot start cmd.exe");
    process = started.hProcess;
    // In the job before it runs a single instruction, so that nothing it starts escapes it.
    if (!AssignProcessToJobObject(job, process)) {
      const bool failed = fail("cannot put cmd.exe into its job object");
      TerminateProcess(process, kStoppedExitCode);
      CloseHandle(started.hThread);
      WaitForSingleObject(process, kStopWaitMs);
      ended = true;
      return failed;
    }
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);
    return true;
  }
};

ChildProcess::ChildProcess() : state_(std::make_unique<State>()) {}

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::StartScript(const std::string& folder, const std::string& script_path,
                               std::string* error) {
  if (!IsFile(script_path)) {
    *error = FormatLocation(script_path, 0, "cannot open: no such file");
    return false;
  }
  // Named with its folder, so that cmd.exe runs this very file and looks nowhere else: ".\" for
  // a script in the folder it runs in, else its short path in quotes, which keeps spaces and
  // letters beyond the code page out of the command line.
  const std::filesystem::path path = FsPath(script_path);
  std::wstring line;
  std::error_code ec;
  if (std::filesystem::equivalent(path.parent_path(), FsPath(folder), ec)) {
    line = L".\\" + path.filename().wstring();
  } else {
    const std::string short_path = GetShortPathName(script_path);
    line = L"\"" + WideText(short_path.empty() ? script_path : short_path) + L"\"";
  }
  // cmd.exe echoes each line of a script before it runs it: that goes nowhere, as into the
  // console nobody sees in a hidden window. The script sends MAME's output where it belongs.
  Handle nowhere(NullDevice(GENERIC_WRITE));
  return state_->Start(folder, line, nowhere.get(), error);
}

bool ChildProcess::StartCommand(const std::string& folder, const std::string& command,
                                int output_fd, std::string* error) {
  const auto output = reinterpret_cast<HANDLE>(_get_osfhandle(output_fd));
  if (output == INVALID_HANDLE_VALUE) {
    *error = "its output file is not open";
    return false;
  }
  return state_->Start(folder, WideText(command), output, error);
}

bool ChildProcess::Ended(std::string* error) {
  State& s = *state_;
  if (s.ended || s.process == nullptr) return true;
  const DWORD result = WaitForSingleObject(s.process, 0);
  if (result == WAIT_TIMEOUT) return false;
  if (result == WAIT_FAILED) *error = SystemErrorText(GetLastError());
  GetExitCodeProcess(s.process, &s.exit_code);
  s.ended = true;
  return true;
}

bool ChildProcess::WaitMs(int ms) const {
  if (state_->process == nullptr) return false;
  WaitForSingleObject(state_->process, static_cast<DWORD>(ms));
  return true;
}

void ChildProcess::Stop() {
  State& s = *state_;
  if (s.process == nullptr || s.ended) return;
  // MAME has no use for a polite request: it is writing a list, not a game's state.
  TerminateJobObject(s.job, kStoppedExitCode);
  WaitForSingleObject(s.process, kStopWaitMs);
  GetExitCodeProcess(s.process, &s.exit_code);
  s.ended = true;
}

ChildExit ChildProcess::exit() const {
  ChildExit result;
  result.code = static_cast<int>(state_->exit_code);
  return result;
}

}  // namespace tabulon
