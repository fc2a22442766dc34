#include "platform/Process.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/WideText.h"

namespace kelvora::platform {

// The Windows child: the command line goes to CreateProcessW exactly as built (the tools expand
// their own "*.*" there); its output comes through a pipe read with overlapped I/O, so the event
// loop can wait on the read's event; the child and everything it starts live in a job object,
// which a Stop ends as a whole and which ends with this program.
struct ChildProcess::Windows {
    HANDLE process = nullptr;
    HANDLE job = nullptr;
    HANDLE pipe = INVALID_HANDLE_VALUE;  // the read end
    OVERLAPPED overlapped{};
    bool pending = false;
    bool ended = false;
    char buffer[4096];
};

namespace {

std::mutex& ReaperMutex() {
    static std::mutex m;
    return m;
}

// Children whose ChildProcess went away before they exited: their handles, closed once they
// have.
std::vector<std::pair<HANDLE, HANDLE>>& ReaperList() {
    static std::vector<std::pair<HANDLE, HANDLE>> list;
    return list;
}

void CloseIf(HANDLE& h) {
    if (h && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    h = nullptr;
}

// An inbound pipe whose read end can be read with overlapped I/O (an anonymous pipe cannot),
// and whose write end the child inherits.
bool MakePipe(HANDLE& readEnd, HANDLE& writeEnd, DWORD& error) {
    static std::atomic<unsigned> counter{0};
    const std::wstring name = L"\\\\.\\pipe\\kelvora-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(counter++) + L"-" + std::to_wstring(::GetTickCount64());
    readEnd = ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                 PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
                                 65536, 0, nullptr);
    if (readEnd == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return false;
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    writeEnd = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, 0, nullptr);
    if (writeEnd == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        ::CloseHandle(readEnd);
        return false;
    }
    return true;
}

// A tool reads its own command line, its first word included, which the C runtime ends at the
// first blank unless it is quoted: a program path with blanks standing bare at the start (a
// program folder under "Program Files") goes in quotes, or the tool would take the rest of the
// path for its first argument. Everything after it goes over exactly as it was built.
std::string WithQuotedProgram(const std::string& program, const std::string& line) {
    const size_t n = program.size();
    if (program.find_first_of(" \t") == std::string::npos || line.compare(0, n, program) != 0) return line;
    if (line.size() > n && line[n] != ' ' && line[n] != '\t') return line;
    return "\"" + program + "\"" + line.substr(n);
}

}  // namespace

bool WaitForHandle(WaitHandle handle, int timeoutMs) {
    if (handle == NoWaitHandle) return false;
    return ::WaitForSingleObject(reinterpret_cast<HANDLE>(handle), timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs)) ==
           WAIT_OBJECT_0;
}

void ReapFinishedChildren() {
    std::lock_guard<std::mutex> lock(ReaperMutex());
    auto& list = ReaperList();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [](std::pair<HANDLE, HANDLE>& p) {
                                  if (::WaitForSingleObject(p.first, 0) != WAIT_OBJECT_0) return false;
                                  CloseIf(p.first);
                                  CloseIf(p.second);
                                  return true;
                              }),
               list.end());
}

// The job objects already end every child with the program: closing the last handle to a job
// made with KILL_ON_JOB_CLOSE, which the system does when the program ends, ends its processes.
void EndChildrenWithProgram() {}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv, StartError* error,
                                                 const std::string& folder, const std::string& commandLine) {
    ReapFinishedChildren();
    auto fail = [error](StartError::Step step, DWORD code) {
        if (error) *error = {step, static_cast<int>(code)};
        return nullptr;
    };
    if (error) *error = {};
    if (argv.empty() || argv[0].empty()) return fail(StartError::Step::Program, ERROR_FILE_NOT_FOUND);

    HANDLE readEnd = INVALID_HANDLE_VALUE, writeEnd = INVALID_HANDLE_VALUE;
    DWORD pipeError = 0;
    if (!MakePipe(readEnd, writeEnd, pipeError)) return fail(StartError::Step::Pipe, pipeError);
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE input = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                 nullptr);

    // Only the pipe and the null input are inherited, nothing else this program holds open.
    HANDLE inherited[2] = {writeEnd, input};
    const DWORD inheritedCount = input == INVALID_HANDLE_VALUE ? 1 : 2;
    SIZE_T listSize = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
    std::vector<char> listBuffer(listSize);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listBuffer.data());
    ::InitializeProcThreadAttributeList(list, 1, 0, &listSize);
    ::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, inheritedCount * sizeof(HANDLE),
                                nullptr, nullptr);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = input == INVALID_HANDLE_VALUE ? nullptr : input;
    startup.StartupInfo.hStdOutput = writeEnd;
    startup.StartupInfo.hStdError = writeEnd;
    startup.lpAttributeList = list;

    // The program is the one the caller resolved, blanks in its folder and all; the tools expand
    // their own "*.*".
    std::wstring application = Wide(argv[0]);
    std::wstring line = Wide(WithQuotedProgram(argv[0], commandLine.empty() ? argv[0] : commandLine));
    const std::wstring directory = Wide(folder);
    PROCESS_INFORMATION info{};
    const BOOL started = ::CreateProcessW(
        application.c_str(), line.data(), nullptr, nullptr, TRUE,
        CREATE_NO_WINDOW | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT | NORMAL_PRIORITY_CLASS, nullptr,
        directory.empty() ? nullptr : directory.c_str(), &startup.StartupInfo, &info);
    const DWORD startError = started ? 0 : ::GetLastError();
    ::DeleteProcThreadAttributeList(list);
    ::CloseHandle(writeEnd);
    if (input != INVALID_HANDLE_VALUE) ::CloseHandle(input);
    if (!started) {
        ::CloseHandle(readEnd);
        return fail(StartError::Step::Program, startError);
    }

    HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    if (job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
        if (!::AssignProcessToJobObject(job, info.hProcess)) CloseIf(job);
    }
    ::ResumeThread(info.hThread);
    ::CloseHandle(info.hThread);

    auto child = std::unique_ptr<ChildProcess>(new ChildProcess(static_cast<int>(info.dwProcessId), -1, -1));
    child->win_ = std::make_unique<Windows>();
    child->win_->process = info.hProcess;
    child->win_->job = job;
    child->win_->pipe = readEnd;
    child->win_->overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return child;
}

ChildProcess::ChildProcess(int pid, int readFd, int exitFd) : pid_(pid), readFd_(readFd), exitFd_(exitFd) {}

ChildProcess::~ChildProcess() {
    ClosePipe();
    if (!win_) return;
    if (win_->overlapped.hEvent) ::CloseHandle(win_->overlapped.hEvent);
    if (!reaped_ && !TryReap()) {
        std::lock_guard<std::mutex> lock(ReaperMutex());
        ReaperList().emplace_back(win_->process, win_->job);
        return;
    }
    CloseIf(win_->process);
    CloseIf(win_->job);
}

WaitHandle ChildProcess::OutputHandle() const {
    return win_ && win_->overlapped.hEvent ? reinterpret_cast<WaitHandle>(win_->overlapped.hEvent) : NoWaitHandle;
}

WaitHandle ChildProcess::ExitHandle() const {
    return win_ && win_->process ? reinterpret_cast<WaitHandle>(win_->process) : NoWaitHandle;
}

long ChildProcess::ReadChunk(char* buf, size_t max) {
    Windows& w = *win_;
    if (w.ended || w.pipe == INVALID_HANDLE_VALUE) return 0;
    const DWORD want = static_cast<DWORD>(std::min(max, sizeof w.buffer));
    DWORD got = 0;
    if (!w.pending) {
        ::ResetEvent(w.overlapped.hEvent);
        if (::ReadFile(w.pipe, w.buffer, want, &got, &w.overlapped)) {
            // Done at once; the event is set too, which costs the next wait nothing.
        } else if (::GetLastError() == ERROR_IO_PENDING) {
            w.pending = true;
            return -1;
        } else {
            w.ended = true;  // ERROR_BROKEN_PIPE: every writer has gone
            return 0;
        }
    } else {
        if (!::GetOverlappedResult(w.pipe, &w.overlapped, &got, FALSE)) {
            if (::GetLastError() == ERROR_IO_INCOMPLETE) return -1;
            w.pending = false;
            w.ended = true;
            return 0;
        }
        w.pending = false;
    }
    if (got == 0) return -1;  // a zero-byte write by the child: nothing to hand on
    std::memcpy(buf, w.buffer, got);
    return static_cast<long>(got);
}

bool ChildProcess::KillGroup() {
    if (reaped_ || !win_) return false;
    // The whole tree, as killing a process group does on POSIX; exit code 0 as the runner asks.
    if (win_->job) return ::TerminateJobObject(win_->job, 0) != 0;
    return ::TerminateProcess(win_->process, 0) != 0;
}

void ChildProcess::ClosePipe() {
    if (!win_ || win_->pipe == INVALID_HANDLE_VALUE) return;
    if (win_->pending) {
        ::CancelIoEx(win_->pipe, &win_->overlapped);
        DWORD ignored = 0;
        ::GetOverlappedResult(win_->pipe, &win_->overlapped, &ignored, TRUE);
        win_->pending = false;
    }
    ::CloseHandle(win_->pipe);
    win_->pipe = INVALID_HANDLE_VALUE;
}

bool ChildProcess::HasExited() const {
    return reaped_ || (win_ && ::WaitForSingleObject(win_->process, 0) == WAIT_OBJECT_0);
}

bool ChildProcess::TryReap() {
    if (reaped_) return true;
    if (!HasExited()) return false;
    DWORD code = 0;
    ::GetExitCodeProcess(win_->process, &code);
    status_ = {ExitStatus::Kind::Exited, static_cast<int>(code)};
    reaped_ = true;
    return true;
}

bool ChildProcess::ReapWithin(int timeoutMs) {
    if (!reaped_ && win_) ::WaitForSingleObject(win_->process, static_cast<DWORD>(std::max(timeoutMs, 0)));
    return TryReap();
}

}  // namespace kelvora::platform
