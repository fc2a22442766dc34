// Stand-in for the RAR console archiver, for the tests and benchmarks only. It takes the command
// line Kelvora builds,
//   rar a -r -ep1 [-m0|-m3|-m5] [-ed] [-vn] [-v<N>b] -- <archive> <source>...
// and writes every file of the sources (its name, then its bytes: no RAR data) across volumes of
// exactly N bytes, the last one shorter. Volumes are named as RAR 5 and later name them, which
// ignore -vn: name.part1.rar, ... (numbers as wide as the count); without -v the archive is
// name.rar. It prints what Kelvora watches for: "Creating archive <volume>" as a volume begins,
// "Calculating the control sum" as it is finished, "Done" at the end. -m and -ed change nothing,
// since no test looks inside the volumes.
//
// Environment (all optional):
//   KELVORA_FAKE_RAR_DELAY_MS=n      sleep n ms after each finished volume
//   KELVORA_FAKE_RAR_DISK_VOLUMES=n  the disk is full after n volumes: exit 5
//   KELVORA_FAKE_RAR_CRASH=1         die of SIGSEGV once the first volume is written
//   KELVORA_FAKE_RAR_ONLY=text       those two only for a source whose path holds the text
//   KELVORA_FAKE_RAR_CLOSE_EARLY=1   close the output after the banner, then work on in silence
//   KELVORA_FAKE_RAR_LOG=file        append the arguments, one a line, then "----"
// Exit codes: 0 done, 1 bad command line, 2 a file cannot be made or read, 5 write error,
// 10 nothing to add.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Failure {
    std::string text;
    int code;
};

void Say(const std::string& text, int fd = STDOUT_FILENO) {
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno != EINTR) return;
        done += n > 0 ? static_cast<size_t>(n) : 0;
    }
}

// Writes a volume mark so that it begins the reader's next read: waits, while the reader keeps
// taking data, until the pipe is empty, then writes the line at once. A reader of 256-byte
// chunks thus sees every mark whole, and never two in one chunk, however fast volumes come.
void SayMark(const std::string& text) {
    struct stat st {};
    if (::fstat(STDOUT_FILENO, &st) == 0 && S_ISFIFO(st.st_mode)) {
        const auto start = Clock::now();
        auto moved = start;
        for (int pending = 0, last = -1; ::ioctl(STDOUT_FILENO, FIONREAD, &pending) == 0 && pending > 0;) {
            if (pending != last) last = pending, moved = Clock::now();
            // A reader that stops reading must not stall the run.
            if (Clock::now() - moved > std::chrono::milliseconds(500) || Clock::now() - start > std::chrono::seconds(5))
                break;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    Say(text);
}

long EnvNumber(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? std::atol(value) : -1;
}

class Volumes {
public:
    Volumes(const std::string& archive, bool split, uint64_t size, uint64_t count)
        : split_(split), size_(size), width_(std::to_string(count).size()) {
        const bool rar = archive.size() > 4 && archive.compare(archive.size() - 4, 4, ".rar") == 0;
        stem_ = rar ? archive.substr(0, archive.size() - 4) : archive;
    }
    void Put(const char* data, size_t n) {
        while (n > 0) {
            if (left_ == 0) Next();
            const size_t k = static_cast<size_t>(std::min<uint64_t>(n, left_));
            if (!out_.write(data, static_cast<std::streamsize>(k))) Fail("Write error in " + name_);
            data += k, n -= k, left_ -= k;
        }
    }
    void Finish() {
        if (index_ == 0) Next();  // nothing but empty files: still one volume
        Close();
    }

private:
    [[noreturn]] static void Fail(const std::string& text) { throw Failure{text + "\n" + std::strerror(errno), 5}; }
    void Next() {
        if (index_ > 0) Close();
        if (index_ == 1 && EnvNumber("KELVORA_FAKE_RAR_CRASH") == 1) ::signal(SIGSEGV, SIG_DFL), ::raise(SIGSEGV);
        std::string number = std::to_string(++index_);
        name_ = split_ ? stem_ + ".part" + std::string(width_ - number.size(), '0') + number + ".rar" : stem_ + ".rar";
        if (const long full = EnvNumber("KELVORA_FAKE_RAR_DISK_VOLUMES"); full >= 0 && index_ > static_cast<size_t>(full))
            errno = ENOSPC, Fail("ERROR: Write error in the file " + name_);
        Say((index_ > 1 ? "\n" : "") + std::string("Creating archive ") + name_ + "\n\n");
        out_.open(name_, std::ios::binary | std::ios::trunc);
        if (!out_) throw Failure{"Cannot create " + name_ + "\n" + std::strerror(errno), 2};
        left_ = size_;
    }
    void Close() {
        if (!out_.flush()) Fail("Write error in " + name_);
        out_.close();
        SayMark("Calculating the control sum\n");
        if (const long ms = EnvNumber("KELVORA_FAKE_RAR_DELAY_MS"); ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }

    bool split_;
    uint64_t size_, left_ = 0;
    size_t width_, index_ = 0;
    std::string stem_, name_;
    std::ofstream out_;
};

int Add(std::vector<std::string> args) {
    bool split = false, recurse = false, noPaths = false;
    uint64_t size = UINT64_MAX;
    size_t i = 1;
    for (; i < args.size() && args[i] != "--"; ++i) {
        const std::string& s = args[i];
        if (s == "-r" || s == "-ep1") (s == "-r" ? recurse : noPaths) = true;
        else if (s.size() > 3 && s.rfind("-v", 0) == 0 && s.back() == 'b' &&
                 s.find_first_not_of("0123456789", 2) == s.size() - 1 && s.size() < 22)
            split = true, size = std::stoull(s.substr(2));
        else if (s != "-m0" && s != "-m3" && s != "-m5" && s != "-ed" && s != "-vn") throw Failure{"ERROR: unknown switch " + s, 1};
    }
    if (!recurse || !noPaths || i + 2 >= args.size() || size == 0) throw Failure{"ERROR: expected -r -ep1 ... -- archive source...", 1};
    const std::vector<std::string> sources(args.begin() + static_cast<long>(i) + 2, args.end());
    if (const char* only = std::getenv("KELVORA_FAKE_RAR_ONLY"); only && *only &&
        std::none_of(sources.begin(), sources.end(), [&](const auto& s) { return s.find(only) != std::string::npos; })) {
        ::unsetenv("KELVORA_FAKE_RAR_CRASH");
        ::unsetenv("KELVORA_FAKE_RAR_DISK_VOLUMES");
    }

    // Every file, hidden ones included, named from the parent of its source (-ep1); links to
    // folders are not followed.
    std::vector<std::pair<fs::path, std::string>> files;
    uint64_t total = 0;
    for (fs::path source : sources) {
        source = source.lexically_normal();
        const fs::path parent = (source.has_filename() ? source : source.parent_path()).parent_path();
        std::vector<fs::path> found{source};
        if (fs::is_directory(source))
            for (const auto& e : fs::recursive_directory_iterator(source)) found.push_back(e.path());
        for (const fs::path& p : found)
            if (fs::is_regular_file(p)) files.emplace_back(p, p.lexically_relative(parent).string() + "\n");
    }
    if (files.empty()) throw Failure{"WARNING: No files", 10};
    std::sort(files.begin(), files.end());
    for (const auto& [path, name] : files) total += name.size() + fs::file_size(path);

    Volumes out(args[i + 1], split, size, split ? (total + size - 1) / size : 1);
    std::vector<char> buffer(1 << 20);
    for (const auto& [path, name] : files) {
        out.Put(name.data(), name.size());
        std::ifstream in(path, std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
            out.Put(buffer.data(), static_cast<size_t>(in.gcount()));
        if (!in.eof()) throw Failure{"ERROR: cannot read " + path.string(), 2};
    }
    out.Finish();
    Say("Done\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (const char* log = std::getenv("KELVORA_FAKE_RAR_LOG"); log && *log) {
        std::ofstream out(log, std::ios::app);
        for (const auto& a : args) out << a << "\n";
        out << "----\n";
    }
    Say("\nRAR stand-in for tests: volumes of plain bytes\n\n");
    if (EnvNumber("KELVORA_FAKE_RAR_CLOSE_EARLY") == 1) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO), ::dup2(null, STDERR_FILENO);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // still working at the end of the output
    }
    try {
        if (args.empty() || args[0] != "a") throw Failure{"ERROR: the only command is a", 1};
        return Add(args);
    } catch (const Failure& f) {
        Say(f.text + "\n", STDERR_FILENO);
        return f.code;
    } catch (const std::exception& e) {  // a file system error
        Say(std::string("ERROR: ") + e.what() + "\n", STDERR_FILENO);
        return 2;
    }
}
