// Stand-in for the RAR console archiver, used by the tests and benchmarks only. It takes the
// command line Kelvora builds, prints the console texts Kelvora watches for and really writes
// volumes of the requested size under the real tool's names. The volumes hold a plain byte
// stream, not RAR data.
//
//   rar a -r -ep1 [-m0|-m3|-m5] [-ed] [-vn] [-v<N>b] -- <archive> <source> [<source> ...]
//
// Stream: one record per entry, then an end record. A record is
//   "KVF1\n" <kind> "\n" <name length> "\n" <name> "\n" <size> "\n" <size bytes of data>
// kind F = file (data: its bytes), D = folder (size 0), L = symbolic link (data: its target,
// the link is not followed), E = end (empty name, size = number of entries before it).
// Names use '/' and are relative to the parent folder of their source (-ep1).
//
// Environment (all optional):
//   KELVORA_FAKE_RAR_DELAY_MS   sleep this long after each finished volume
//   KELVORA_FAKE_RAR_SILENT_MS  sleep this long before writing any output
//   KELVORA_FAKE_RAR_FAIL=1     complain that the archive cannot be created, exit 2, write nothing
//   KELVORA_FAKE_RAR_DISK_VOLUMES=n  the disk is full after n volumes: write error, exit 5
//   KELVORA_FAKE_RAR_CRASH=1    die of SIGSEGV once the first volume is written
//   KELVORA_FAKE_RAR_CLOSE_EARLY=1  close the output after the banner, then work on in silence
//   KELVORA_FAKE_RAR_ONLY       the failures above only for a source whose path holds this text
//   KELVORA_FAKE_RAR_LOG        append the arguments (argv[1..], one per line, then "----")
//
// Exit codes: 0 done, 1 bad command line or missing archive folder, 2 fatal error (also the
// forced failure), 5 write error, 6 some sources could not be opened, 10 nothing to add.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr size_t kBufSize = 1 << 20;

struct Failure : std::runtime_error {
    Failure(const std::string& what, int code) : std::runtime_error(what), exitCode(code) {}
    int exitCode;
};

[[noreturn]] void fail(const std::string& text, int code = 2) { throw Failure(text, code); }
// The same with the reason of the system call that just failed.
[[noreturn]] void failSys(const std::string& text) { fail(text + "\n" + std::strerror(errno)); }

void writeAll(int fd, const char* p, size_t n) {
    for (ssize_t w; n > 0; p += w, n -= static_cast<size_t>(w))
        if ((w = ::write(fd, p, n)) < 0 && errno == EINTR) w = 0;
        else if (w < 0) failSys("Write error");
}

// Kelvora counts output chunks that contain the marker, so no other text may ever carry it,
// file names included.
std::string shown(std::string text) {
    for (size_t at = text.find("l sum"); at != std::string::npos; at = text.find("l sum", at)) text[at + 1] = '_';
    return text;
}

void say(const std::string& text) { writeAll(STDOUT_FILENO, text.data(), text.size()); }
void complain(const std::string& text) {
    if (const std::string line = shown(text) + "\n"; ::write(STDERR_FILENO, line.data(), line.size())) {}
}

// A failure asked for by the environment, unless KELVORA_FAKE_RAR_ONLY names other sources.
bool failureAsked(const char* name) {
    const char* value = std::getenv(name);
    return value && *value && std::string(value) != "0";
}

long envMs(const char* name) { return std::getenv(name) ? std::max(0L, std::strtol(std::getenv(name), nullptr, 10)) : 0; }
void sleepMs(long ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Writes the end-of-volume line so that it is the start of the reader's next read: wait (while
// the reader keeps taking data) until the pipe is empty, then write the line in one piece. A
// reader of 256-byte chunks thus sees every marker whole and never two in one chunk, however
// fast the volumes come.
void sayMarkerLine(const std::string& text) {
    struct stat st {};
    if (::fstat(STDOUT_FILENO, &st) == 0 && S_ISFIFO(st.st_mode)) {
        using Clock = std::chrono::steady_clock;
        auto start = Clock::now(), lastProgress = start;
        int pending = 0, last = -1;
        while (::ioctl(STDOUT_FILENO, FIONREAD, &pending) == 0 && pending > 0) {
            const auto now = Clock::now();
            if (pending != last) last = pending, lastProgress = now;
            // A reader that stops reading must not stall the run.
            if (now - lastProgress > std::chrono::milliseconds(500) || now - start > std::chrono::seconds(5)) break;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    say(text);
}

std::string baseOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }
std::string padded(std::string text, size_t width, char fill = ' ', bool left = false) {
    const size_t n = text.size() < width ? width - text.size() : 0;
    return left ? std::string(n, fill) + text : text.append(n, fill);
}

// name.part1.rar ... (numbers as wide as the count), or with -vn: name.rar, name.r00 ... name.r99,
// name.s00 ... name.z99. A name without a split is the archive name itself.
std::vector<std::string> volumeNames(const std::string& archive, bool split, bool oldStyle, uint64_t count) {
    const std::string base = baseOf(archive);
    const size_t dot = base.rfind('.');
    const bool ownExt = dot != std::string::npos && dot != 0;
    const std::string stem = ownExt ? archive.substr(0, archive.size() - (base.size() - dot)) : archive;
    std::vector<std::string> names{ownExt ? archive : archive + ".rar"};
    if (!split) return names;
    if (oldStyle && count > 1 + 9 * 100) fail("ERROR: too many volumes for the old naming scheme", 1);
    const size_t width = std::to_string(count).size();
    if (!oldStyle) names.clear();
    for (uint64_t i = oldStyle ? 1 : 0; i < count; ++i)
        names.push_back(oldStyle ? stem + "." + char('r' + (i - 1) / 100) + padded(std::to_string((i - 1) % 100), 2, '0', true)
                                 : stem + ".part" + padded(std::to_string(i + 1), width, '0', true) + ".rar");
    return names;
}

struct AddOptions {
    bool skipEmptyFolders = false, oldStyle = false, split = false;
    uint64_t volumeSize = UINT64_MAX;
    std::string archive;
    std::vector<std::string> sources;
};

AddOptions parseAdd(const std::vector<std::string>& args) {
    AddOptions o;
    int required = 0;  // -r and -ep1 must both be there
    size_t i = 1;
    for (; i < args.size() && args[i] != "--"; ++i) {
        const std::string& sw = args[i];
        if (sw == "-r" || sw == "-ep1") required |= sw == "-r" ? 1 : 2;
        else if (sw == "-ed" || sw == "-vn") (sw == "-ed" ? o.skipEmptyFolders : o.oldStyle) = true;
        else if (sw == "-m0" || sw == "-m3" || sw == "-m5") continue;
        else if (sw.size() > 3 && sw.size() < 22 && sw.rfind("-v", 0) == 0 &&
                 sw.find_first_not_of("0123456789", 2) == sw.size() - 1 && sw.back() == 'b') {
            o.split = true;
            if ((o.volumeSize = std::stoull(sw.substr(2))) == 0) fail("ERROR: volume size must not be 0", 1);
        } else fail("ERROR: unknown switch or missing -- before " + sw, 1);
    }
    if (i + 2 >= args.size() || args[i + 1].empty()) fail("ERROR: expected -- <archive> <source>...", 1);
    if (required != 3) fail("ERROR: expected the switches -r and -ep1", 1);
    o.archive = args[i + 1];
    o.sources.assign(args.begin() + static_cast<long>(i) + 2, args.end());
    return o;
}

// kind 'F', 'D' or 'L'; diskPath as shown on the console; name as stored.
struct Entry { char kind; std::string diskPath, name; uint64_t size = 0; std::string linkTarget; };

std::string recordHeader(char kind, const std::string& name, uint64_t size) {
    return std::string("KVF1\n") + kind + "\n" + std::to_string(name.size()) + "\n" + name + "\n" +
           std::to_string(size) + "\n";
}

// Every entry of the sources, folders walked depth first in name order, hidden names included.
struct Collector {
    bool skipEmptyFolders, missedSome = false;
    std::vector<Entry> entries;

    void warn(const std::string& text) { complain("WARNING: " + text + "\n" + std::strerror(errno)), missedSome = true; }
    void add(const std::string& path, const std::string& name) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) return warn("Cannot open " + path);
        if (S_ISLNK(st.st_mode)) {
            std::string target(static_cast<size_t>(st.st_size) + 256, '\0');
            const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
            if (n < 0) return warn("Cannot read link " + path);
            target.resize(static_cast<size_t>(n));
            entries.push_back({'L', path, name, target.size(), target});
        } else if (S_ISREG(st.st_mode)) {
            if (::access(path.c_str(), R_OK) != 0) return warn("Cannot open " + path);
            entries.push_back({'F', path, name, static_cast<uint64_t>(st.st_size), {}});
        } else if (S_ISDIR(st.st_mode)) {
            DIR* dir = ::opendir(path.c_str());
            if (!dir) return warn("Cannot open " + path);
            std::vector<std::string> children;
            while (dirent* d = ::readdir(dir))
                if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0) children.push_back(d->d_name);
            ::closedir(dir);
            std::sort(children.begin(), children.end());
            if (!skipEmptyFolders && !name.empty()) entries.push_back({'D', path, name, 0, {}});
            for (const std::string& c : children)
                add((path == "/" ? "" : path) + "/" + c, name.empty() ? c : name + "/" + c);
        }
    }
};

// Writes the stream across the volumes: each is exactly volumeSize bytes but the last, and each
// finished one is announced by the marker line.
class VolumeWriter {
public:
    VolumeWriter(std::vector<std::string> names, uint64_t volumeSize, long delayMs)
        : names_(std::move(names)), volumeSize_(volumeSize), delayMs_(delayMs) {
        buf_.reserve(kBufSize);
        open(0);
    }
    void beginEntry(const std::string& diskPath) {
        if (left_ == 0) roll();
        current_ = shown(diskPath);
        say(padded("Adding    " + current_, 70) + " ");
        lineOpen_ = true;
    }
    void endEntry() { say("OK \n"), lineOpen_ = false, current_.clear(); }
    void put(const char* p, size_t n) {
        while (n > 0) {
            if (left_ == 0) roll();
            const size_t k = static_cast<size_t>(std::min<uint64_t>(n, left_));
            if (buf_.size() + k > kBufSize) flush();
            // Large pieces go straight to the file.
            if (buf_.empty() && k >= kBufSize / 2) writeAll(fd_, p, k);
            else buf_.append(p, k);
            p += k, n -= k, left_ -= k;
        }
    }
    void put(const std::string& s) { put(s.data(), s.size()); }
    void finish() {
        close();
        if (index_ + 1 != names_.size()) fail("ERROR: wrote fewer volumes than counted");
    }

private:
    void open(size_t index) {
        if (const char* full = std::getenv("KELVORA_FAKE_RAR_DISK_VOLUMES");
            full && index >= static_cast<size_t>(std::atol(full))) {
            fail("ERROR: Write error in the file " + names_[index] + "\n" + std::strerror(ENOSPC), 5);
        }
        if (index == 1 && failureAsked("KELVORA_FAKE_RAR_CRASH")) {
            ::signal(SIGSEGV, SIG_DFL);
            ::raise(SIGSEGV);
        }
        index_ = index;
        say(std::string(index == 0 ? "" : "\n") + "Creating archive " + shown(names_.at(index)) + "\n\n");
        fd_ = ::open(names_[index].c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) failSys("Cannot create " + names_[index]);
        left_ = volumeSize_;
    }
    void close() {
        flush();
        if (::close(fd_) != 0) failSys("Write error in " + names_[index_]);
        fd_ = -1;
        sayMarkerLine(std::string(lineOpen_ ? "\n" : "") + "Calculating the control sum\n");
        lineOpen_ = false;
        sleepMs(delayMs_);
    }
    // The current volume is full and more data follows.
    void roll() {
        close();
        open(index_ + 1);
        if (!current_.empty()) say(padded("...         " + current_, 70) + " ");
        lineOpen_ = !current_.empty();
    }
    void flush() { writeAll(fd_, buf_.data(), buf_.size()), buf_.clear(); }

    std::vector<std::string> names_;
    uint64_t volumeSize_, left_ = 0;
    long delayMs_;
    size_t index_ = 0;
    int fd_ = -1;
    std::string buf_, current_;
    bool lineOpen_ = false;
};

void copyFile(const Entry& e, VolumeWriter& out, std::vector<char>& buf) {
    const int fd = ::open(e.diskPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) failSys("Cannot open " + e.diskPath);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    for (uint64_t left = e.size; left > 0;) {
        const ssize_t n = ::read(fd, buf.data(), static_cast<size_t>(std::min<uint64_t>(left, buf.size())));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("ERROR: cannot read all of " + e.diskPath);
        out.put(buf.data(), static_cast<size_t>(n));
        left -= static_cast<uint64_t>(n);
    }
    ::close(fd);
}

int runAdd(const std::vector<std::string>& args) {
    const AddOptions o = parseAdd(args);
    if (const char* only = std::getenv("KELVORA_FAKE_RAR_ONLY"); only && *only) {
        bool named = false;
        for (const auto& source : o.sources) named = named || source.find(only) != std::string::npos;
        if (!named)
            for (const char* name : {"KELVORA_FAKE_RAR_FAIL", "KELVORA_FAKE_RAR_DISK_VOLUMES", "KELVORA_FAKE_RAR_CRASH"})
                ::unsetenv(name);
    }
    if (failureAsked("KELVORA_FAKE_RAR_FAIL"))
        fail("Cannot create " + o.archive + "\nERROR: forced failure (KELVORA_FAKE_RAR_FAIL)");
    const size_t slash = o.archive.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : o.archive.substr(0, slash);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        fail("Cannot create " + o.archive + "\nNo such file or directory", 1);

    Collector collector{o.skipEmptyFolders, false, {}};
    for (std::string source : o.sources) {
        while (source.size() > 1 && source.back() == '/') source.pop_back();
        std::string name = baseOf(source);
        if (name == "." || name == ".." || source == "/") {
            char* real = ::realpath(source.c_str(), nullptr);
            name = real ? baseOf(real) : std::string();
            std::free(real);
        }
        collector.add(source, name);
    }
    if (collector.entries.empty()) fail("WARNING: No files", 10);

    const std::string endRecord = recordHeader('E', "", collector.entries.size());
    uint64_t total = endRecord.size();
    for (const Entry& e : collector.entries) total += recordHeader(e.kind, e.name, e.size).size() + e.size;
    const uint64_t count = o.split ? (total + o.volumeSize - 1) / o.volumeSize : 1;

    VolumeWriter out(volumeNames(o.archive, o.split, o.oldStyle, count), o.volumeSize,
                     envMs("KELVORA_FAKE_RAR_DELAY_MS"));
    std::vector<char> buf(kBufSize);
    for (const Entry& e : collector.entries) {
        out.beginEntry(e.diskPath);
        out.put(recordHeader(e.kind, e.name, e.size));
        if (e.kind == 'F') copyFile(e, out, buf);
        if (e.kind == 'L') out.put(e.linkTarget);
        out.endEntry();
    }
    out.put(endRecord);
    out.finish();
    say("Done\n");
    return collector.missedSome ? 6 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv, argv + argc);
    try {
        if (const char* log = std::getenv("KELVORA_FAKE_RAR_LOG"); log && *log) {
            std::string text;
            for (size_t i = 1; i < args.size(); ++i) text += args[i] + "\n";
            text += "----\n";
            if (const int fd = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644); fd >= 0) {
                writeAll(fd, text.data(), text.size());
                ::close(fd);
            }
        }
        sleepMs(envMs("KELVORA_FAKE_RAR_SILENT_MS"));
        say("\nRAR stand-in for tests   plain byte stream volumes, not RAR data\n\n");
        if (failureAsked("KELVORA_FAKE_RAR_CLOSE_EARLY")) {
            const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            sleepMs(300);  // still working when the reader sees the end of the output
        }
        if (args.size() < 2 || args[1] != "a") fail("ERROR: the only command is a", 1);
        return runAdd(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const Failure& f) {
        complain(f.what());
        return f.exitCode;
    }
}
