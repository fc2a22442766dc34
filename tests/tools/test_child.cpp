// The runner tests' child: does what its arguments say, in order.
//   out:TEXT  err:TEXT  TEXT to standard output or error ("\n", "\r" and "\0" stand for those)
//   zeros:N   N zeros in one write          env:NAME  the variable's value
//   cwd       the current folder            stdin     reads standard input to its end
//   args      "<arg>" for every later argument, exactly as received; nothing after it runs
//   sleep:MS  exit:N  crash (SIGSEGV; on Windows an access violation's exit status)
//   close     the output goes to the null device from here on
//   pid:FILE  its process id into FILE, whole (a reader never sees half a number)
//   child:N   starts a copy of itself that does the next N steps with the same output, and goes
//             on after them without waiting
#ifdef _WIN32
#include <process.h>  // getpid
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <thread>

#include "ToolMain.h"

namespace {

std::string Unescape(const std::string& text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t k = text[i] == '\\' && i + 1 < text.size() ? std::string("nr0").find(text[i + 1]) : std::string::npos;
        plain += k == std::string::npos ? text[i] : "\n\r\0"[k];
        i += k != std::string::npos;
    }
    return plain;
}

void StartCopy(const std::vector<std::string>& steps) {
#ifdef _WIN32
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"test_child";
    for (const auto& s : steps) line += L" \"" + tool::Utf8Path(s).wstring() + L"\"";  // none holds a quote
    STARTUPINFOW startup{};
    startup.cb = sizeof startup, startup.dwFlags = STARTF_USESTDHANDLES, startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE), startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    // Without a console: sharing the tool's would keep that console alive, and under wine the
    // console holds the tool's output open while it lives.
    if (::CreateProcessW(self, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr, &startup, &info))
        ::CloseHandle(info.hProcess), ::CloseHandle(info.hThread);
#else
    if (::fork() == 0) ::_exit(ToolMain(steps));
#endif
}

}  // namespace

int ToolMain(const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& step = args[i];
        const size_t colon = step.find(':');
        const std::string verb = step.substr(0, colon), value = colon == std::string::npos ? "" : step.substr(colon + 1);
        if (verb == "out" || verb == "err") tool::Say(Unescape(value), verb == "err");
        else if (verb == "zeros") tool::Say(std::string(std::stoul(value), '0'));
        else if (verb == "env") tool::Say(std::getenv(value.c_str()) ? std::getenv(value.c_str()) : "");
        else if (verb == "cwd") tool::Say(tool::Utf8Text(std::filesystem::current_path()));
        else if (verb == "stdin") std::cin.ignore(std::numeric_limits<std::streamsize>::max());
        else if (verb == "sleep") std::this_thread::sleep_for(std::chrono::milliseconds(std::stol(value)));
        else if (verb == "exit") return std::stoi(value);
        else if (verb == "close") tool::CloseOutput();
        else if (verb == "crash") tool::Crash();
        else if (verb == "pid") {
            std::ofstream(tool::Utf8Path(value + ".t")) << ::getpid();
            std::filesystem::rename(tool::Utf8Path(value + ".t"), tool::Utf8Path(value));
        } else if (verb == "child") {
            const size_t n = std::min<size_t>(std::stoul(value), args.size() - i - 1);
            StartCopy({args.begin() + static_cast<long>(i) + 1, args.begin() + static_cast<long>(i + 1 + n)});
            i += n;
        } else if (verb == "args") {
            for (++i; i < args.size(); ++i) tool::Say("<" + args[i] + ">");
        } else {
            tool::Say("test_child: unknown step " + step + "\n", true);
            return 99;
        }
    }
    return 0;
}
