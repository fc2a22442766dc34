// Stand-in for the RAR console archiver, for the tests and benchmarks only. It takes the command
// line Kelvora builds,
//   rar a [-r] -ep1 [-m0|-m3|-m5] [-ed] [-vn] [-v<N>b] -- <archive> <source>...
// and writes every file of the sources (its name, then its bytes: no RAR data) across volumes of
// exactly N bytes, the last one shorter. Volumes are named as RAR 5 and later name them, which
// ignore -vn: name.part1.rar, ... (numbers as wide as the count); without -v the archive is
// name.rar. `rar t <first volume>` passes when that volume is there. A folder is packed whole
// with or without -r (as the real archiver does); -r makes no search for a file's namesakes
// here, since no test wants one. It prints what Kelvora watches for: "Creating archive
// <volume>" as a volume begins, "Calculating the control sum" as it is finished, "Done" at the
// end. Switches other than -ep1 and -v change nothing, since no test looks inside the volumes.
// A source "<folder>/*.*" stands for the folder's entries (on Windows the tool expands it
// itself, as rar.exe does).
//
// Environment (all optional):
//   KELVORA_FAKE_RAR_DELAY_MS=n      sleep n ms after each finished volume
//   KELVORA_FAKE_RAR_DISK_VOLUMES=n  the disk is full after n volumes: exit 5
//   KELVORA_FAKE_RAR_CRASH=1         crash once the first volume is written (SIGSEGV; on Windows
//                                    the exit status of an access violation)
//   KELVORA_FAKE_RAR_ONLY=text       those two only for a source whose path holds the text
//   KELVORA_FAKE_RAR_CLOSE_EARLY=1   close the output after the banner, then work on in silence
//   KELVORA_FAKE_RAR_LOG=file        append the arguments, one a line, then "----"
//   KELVORA_FAKE_RAR_PID=file        its process id into the file as it starts
//   KELVORA_FAKE_RAR_CRLF=1|0        end output lines with CR LF, or with LF; by default CR LF on
//                                    Windows, as rar.exe does, LF elsewhere
// Exit codes: 0 done, 1 bad command line, 2 a file cannot be made or read, 3 no such volume,
// 5 write error, 10 nothing to add.
#ifdef _WIN32
#include <process.h>  // getpid
#else
#include <sys/ioctl.h>
#include <sys/stat.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ToolMain.h"

namespace fs = std::filesystem;
using tool::Utf8Path;
using tool::Utf8Text;

namespace {

// Everything the tool prints goes through here, so its line ends follow KELVORA_FAKE_RAR_CRLF.
void Say(std::string text, bool error = false) {
    const char* crlf = std::getenv("KELVORA_FAKE_RAR_CRLF");
#ifdef _WIN32
    if (!crlf || std::strcmp(crlf, "0") != 0)
#else
    if (crlf && std::strcmp(crlf, "1") == 0)
#endif
        for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) text.insert(at, "\r");
    tool::Say(text, error);
}

// Writes a volume mark so that it begins the reader's next read: waits, while the reader keeps
// taking data, until the pipe is empty, then writes the line at once. A reader of 256-byte
// chunks thus sees every mark whole, and never two in one chunk, however fast volumes come.
// Windows tells a pipe's writer nothing of what the reader has taken (PeekNamedPipe wants the
// read end), so there the mark goes straight out and may share or straddle a chunk: the output
// handler follows the archiver's lines across chunks, which copes with that.
void SayMark(const std::string& text) {
#ifndef _WIN32
    using Clock = std::chrono::steady_clock;
    struct stat st {};
    const auto start = Clock::now();
    auto moved = start;
    if (::fstat(STDOUT_FILENO, &st) == 0 && S_ISFIFO(st.st_mode))
        for (int pending = 0, last = -1; ::ioctl(STDOUT_FILENO, FIONREAD, &pending) == 0 && pending > 0;) {
            if (pending != last) last = pending, moved = Clock::now();
            // A reader that stops reading must not stall the run.
            if (Clock::now() - moved > std::chrono::milliseconds(500) || Clock::now() - start > std::chrono::seconds(5)) break;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
#endif
    Say(text);
}

[[noreturn]] void Fail(const std::string& text, int code) {
    Say(text + "\n", true);
    std::exit(code);
}

long EnvNumber(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? std::atol(value) : -1;
}

int Add(const std::vector<std::string>& args) {
    const auto dashes = std::find(args.begin(), args.end(), "--");
    if (args.end() - dashes < 3 || std::find(args.begin(), dashes, "-ep1") == dashes)
        Fail("ERROR: expected a [-r] -ep1 ... -- archive source...", 1);
    uint64_t size = UINT64_MAX;  // no split
    for (auto s = args.begin() + 1; s != dashes; ++s)
        if (s->size() > 3 && s->rfind("-v", 0) == 0 && s->back() == 'b') size = std::max<uint64_t>(1, std::stoull(s->substr(2)));
    const std::vector<std::string> sources(dashes + 2, args.end());
    long crash = EnvNumber("KELVORA_FAKE_RAR_CRASH"), full = EnvNumber("KELVORA_FAKE_RAR_DISK_VOLUMES");
    if (const char* only = std::getenv("KELVORA_FAKE_RAR_ONLY"); only && *only &&
        std::none_of(sources.begin(), sources.end(), [&](const auto& s) { return s.find(only) != std::string::npos; }))
        crash = full = -1;

    // Every file, hidden ones included, named from the parent of its source (-ep1); links to
    // folders are not followed. A name, then the bytes.
    std::vector<std::pair<fs::path, std::string>> files;
    for (const std::string& text : sources) {
        const fs::path source = Utf8Path(text).lexically_normal();
        std::vector<fs::path> items{source.has_filename() ? source : source.parent_path()};
        if (source.filename() == "*.*") {  // each entry of the folder, a source of its own
            items.clear();
            for (const auto& e : fs::directory_iterator(source.parent_path())) items.push_back(e.path());
        }
        for (const fs::path& item : items) {
            std::vector<fs::path> found{item};
            if (fs::is_directory(item))
                for (const auto& e : fs::recursive_directory_iterator(item)) found.push_back(e.path());
            for (const fs::path& p : found)
                if (fs::is_regular_file(p)) files.emplace_back(p, Utf8Text(p.lexically_relative(item.parent_path())) + "\n");
        }
    }
    if (files.empty()) Fail("WARNING: No files", 10);
    std::sort(files.begin(), files.end());
    uint64_t total = 0;
    for (const auto& [path, name] : files) total += name.size() + fs::file_size(path);

    const std::string& archive = *(dashes + 1);
    const std::string stem = archive.ends_with(".rar") ? archive.substr(0, archive.size() - 4) : archive;
    const size_t width = std::to_string(size == UINT64_MAX ? 1 : (total + size - 1) / size).size();
    std::ofstream out;
    std::string volume;
    size_t index = 0;
    uint64_t left = 0;
    auto fail = [&](const std::string& text) { Fail(text + " " + volume + "\n" + std::strerror(errno), 5); };
    auto finish = [&] {
        if (!out.flush()) fail("Write error in");
        out.close();
        SayMark("Calculating the control sum\n");
        if (const long ms = EnvNumber("KELVORA_FAKE_RAR_DELAY_MS"); ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    };
    auto next = [&] {
        if (index > 0) finish();
        if (index == 1 && crash == 1) tool::Crash();
        const std::string number = std::to_string(++index);
        volume = size == UINT64_MAX ? stem + ".rar" : stem + ".part" + std::string(width - number.size(), '0') + number + ".rar";
        if (full >= 0 && index > static_cast<size_t>(full)) errno = ENOSPC, fail("ERROR: Write error in the file");
        Say((index > 1 ? "\n" : "") + std::string("Creating archive ") + volume + "\n\n");
        out.open(Utf8Path(volume), std::ios::binary | std::ios::trunc);
        if (!out) Fail("Cannot create " + volume + "\n" + std::strerror(errno), 2);
        left = size;
    };
    auto put = [&](const char* data, size_t n) {
        for (size_t k = 0; n > 0; data += k, n -= k, left -= k) {
            if (left == 0) next();
            k = static_cast<size_t>(std::min<uint64_t>(n, left));
            if (!out.write(data, static_cast<std::streamsize>(k))) fail("Write error in");
        }
    };
    std::vector<char> buffer(1 << 20);
    for (const auto& [path, name] : files) {
        put(name.data(), name.size());
        std::ifstream in(path, std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
            put(buffer.data(), static_cast<size_t>(in.gcount()));
        if (!in.eof()) Fail("ERROR: cannot read " + Utf8Text(path), 2);
    }
    finish();
    Say("Done\n");
    return 0;
}

// rar t [--] <first volume>: "All OK" when it is there (exit 3 otherwise).
int Test(const std::string& first) {
    if (!fs::exists(Utf8Path(first))) Fail("ERROR: Cannot open " + first, 3);
    Say("Testing archive " + first + "\nAll OK\n");
    return 0;
}

}  // namespace

int ToolMain(const std::vector<std::string>& args) {
    if (const char* log = std::getenv("KELVORA_FAKE_RAR_LOG"); log && *log) {
        std::ofstream out(log, std::ios::app | std::ios::binary);
        for (const auto& a : args) out << a << "\n";
        out << "----\n";
    }
    if (const char* pidFile = std::getenv("KELVORA_FAKE_RAR_PID"); pidFile && *pidFile) std::ofstream(pidFile) << ::getpid();
    Say("\nRAR stand-in for tests: volumes of plain bytes\n\n");
    if (EnvNumber("KELVORA_FAKE_RAR_CLOSE_EARLY") == 1) {
        tool::CloseOutput();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // still working at the end of the output
    }
    if (args.size() >= 2 && args[0] == "t") return Test(args.back());
    if (args.empty() || args[0] != "a") Fail("ERROR: the commands are a and t", 1);
    try {
        return Add(args);
    } catch (const std::exception& e) {  // a file system error
        Fail(std::string("ERROR: ") + e.what(), 2);
    }
}
