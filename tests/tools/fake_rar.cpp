// Stand-in for the RAR console archiver, used by the tests and benchmarks only. It takes the
// command line Kelvora builds, prints the console texts Kelvora watches for and really writes
// volumes of the requested size under the real tool's names. The volumes hold a plain byte
// stream, not RAR data; `rar x` puts the files back together so tests can check round trips.
//
//   rar a -r -ep1 [-m0|-m3|-m5] [-ed] [-vn] [-v<N>b] -- <archive> <source> [<source> ...]
//   rar x <archive or first volume> <destination folder>
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
//   KELVORA_FAKE_RAR_LOG        append the arguments (argv[1..], one per line, then "----")
//
// Exit codes: 0 done, 1 bad command line or missing archive folder, 2 fatal error (also the
// forced failure), 3 damaged or incomplete archive (x), 6 some sources could not be opened,
// 10 nothing to add.

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr size_t kBufSize = 1 << 20;
constexpr std::string_view kMagic = "KVF1";
constexpr std::string_view kMarker = "l sum";
constexpr int kExitUsage = 1;
constexpr int kExitFatal = 2;
constexpr int kExitDamaged = 3;
constexpr int kExitOpen = 6;
constexpr int kExitNoFiles = 10;

struct Failure : std::runtime_error {
    Failure(const std::string& what, int code) : std::runtime_error(what), exitCode(code) {}
    int exitCode;
};

std::string errnoText() { return std::strerror(errno); }

bool writeAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Kelvora counts output chunks that contain the marker, so no other text may ever carry it,
// file names included.
std::string shown(std::string text) {
    for (size_t at = text.find(kMarker); at != std::string::npos; at = text.find(kMarker, at))
        text[at + 1] = '_';
    return text;
}

void say(const std::string& text) { writeAll(STDOUT_FILENO, text.data(), text.size()); }
void complain(const std::string& text) {
    std::string line = shown(text) + "\n";
    writeAll(STDERR_FILENO, line.data(), line.size());
}

void sleepMs(long ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

long envMs(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v) return 0;
    char* end = nullptr;
    long ms = std::strtol(v, &end, 10);
    return (*end == '\0' && ms > 0) ? ms : 0;
}

// Writes the end-of-volume line so that it is the start of the reader's next read: wait (while
// the reader keeps taking data) until the pipe is empty, then write the line in one piece. A
// reader of 256-byte chunks thus sees every marker whole and never two in one chunk, however
// fast the volumes come.
void sayMarkerLine(const std::string& text) {
    struct stat st {};
    if (::fstat(STDOUT_FILENO, &st) == 0 && S_ISFIFO(st.st_mode)) {
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        auto lastProgress = start;
        int last = -1;
        for (;;) {
            int pending = 0;
            if (::ioctl(STDOUT_FILENO, FIONREAD, &pending) != 0 || pending <= 0) break;
            const auto now = Clock::now();
            if (pending != last) {
                last = pending;
                lastProgress = now;
            }
            // A reader that stops reading must not stall the run.
            if (now - lastProgress > std::chrono::milliseconds(500) || now - start > std::chrono::seconds(5))
                break;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    say(text);
}

std::string parentOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joinName(const std::string& parent, const std::string& child) {
    return parent.empty() ? child : parent + "/" + child;
}

std::string joinPath(const std::string& folder, const std::string& child) {
    return folder == "/" ? "/" + child : folder + "/" + child;
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string padTo(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

void banner() { say("\nRAR stand-in for tests   plain byte stream volumes, not RAR data\n\n"); }

// ---------------------------------------------------------------------------------------------
// Volume names

struct ArchiveName {
    std::string stem;  // path without extension
    std::string ext;   // ".rar" unless the name brought its own
};

ArchiveName splitArchiveName(const std::string& path) {
    const std::string base = baseOf(path);
    const size_t dot = base.rfind('.');
    if (dot == std::string::npos || dot == 0) return {path, ".rar"};
    return {path.substr(0, path.size() - (base.size() - dot)), base.substr(dot)};
}

std::string zeroPadded(uint64_t n, size_t width) {
    std::string digits = std::to_string(n);
    return std::string(digits.size() < width ? width - digits.size() : 0, '0') + digits;
}

// Old style: name.rar, name.r00 ... name.r99, name.s00 ... name.z99.
constexpr uint64_t kMaxOldStyleVolumes = 1 + 9 * 100;

std::string oldStyleName(const ArchiveName& a, uint64_t index) {
    if (index == 0) return a.stem + a.ext;
    const uint64_t n = index - 1;
    return a.stem + "." + static_cast<char>('r' + n / 100) + zeroPadded(n % 100, 2);
}

std::vector<std::string> volumeNames(const std::string& archive, bool splitting, bool oldStyle, uint64_t count) {
    const ArchiveName a = splitArchiveName(archive);
    std::vector<std::string> names;
    if (!splitting) {
        names.push_back(a.stem + a.ext);
        return names;
    }
    const size_t width = std::to_string(count).size();
    for (uint64_t i = 0; i < count; ++i)
        names.push_back(oldStyle ? oldStyleName(a, i) : a.stem + ".part" + zeroPadded(i + 1, width) + ".rar");
    return names;
}

// ---------------------------------------------------------------------------------------------
// Command line of `a`

struct AddOptions {
    bool recurse = false;
    bool ep1 = false;
    std::string compression;
    bool skipEmptyFolders = false;
    bool oldStyle = false;
    std::optional<uint64_t> volumeSize;
    std::string archive;
    std::vector<std::string> sources;
};

[[noreturn]] void usageError(const std::string& text) { throw Failure("ERROR: " + text, kExitUsage); }

uint64_t parseVolumeSize(const std::string& sw) {
    // -v<N>b, N plain decimal digits, not 0.
    const std::string digits = sw.size() >= 4 ? sw.substr(2, sw.size() - 3) : std::string();
    if (sw.back() != 'b' || digits.empty() || digits.size() > 18 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        usageError("Bad volume size switch " + sw);
    const uint64_t size = std::stoull(digits);
    if (size == 0) usageError("Volume size must not be 0: " + sw);
    return size;
}

AddOptions parseAdd(const std::vector<std::string>& args) {
    AddOptions o;
    size_t i = 1;
    auto once = [](bool& seen, const std::string& sw) {
        if (seen) usageError("Switch given twice: " + sw);
        seen = true;
    };
    bool seenEd = false, seenVn = false;
    for (; i < args.size() && args[i] != "--"; ++i) {
        const std::string& sw = args[i];
        if (sw == "-r") once(o.recurse, sw);
        else if (sw == "-ep1") once(o.ep1, sw);
        else if (sw == "-ed") { once(seenEd, sw); o.skipEmptyFolders = true; }
        else if (sw == "-vn") { once(seenVn, sw); o.oldStyle = true; }
        else if (sw == "-m0" || sw == "-m3" || sw == "-m5") {
            if (!o.compression.empty()) usageError("Compression given twice: " + sw);
            o.compression = sw;
        } else if (sw.rfind("-v", 0) == 0) {
            if (o.volumeSize) usageError("Volume size given twice: " + sw);
            o.volumeSize = parseVolumeSize(sw);
        } else if (!sw.empty() && sw[0] == '-') {
            usageError("Unknown switch " + sw);
        } else {
            usageError("Missing -- before " + sw);
        }
    }
    if (i == args.size()) usageError("Missing -- after the switches");
    if (!o.recurse || !o.ep1) usageError("Expected the switches -r and -ep1");
    ++i;
    if (i == args.size() || args[i].empty()) usageError("Missing archive name");
    o.archive = args[i++];
    for (; i < args.size(); ++i) {
        if (args[i].empty()) usageError("Empty source name");
        o.sources.push_back(args[i]);
    }
    if (o.sources.empty()) usageError("Missing source");
    return o;
}

// ---------------------------------------------------------------------------------------------
// Collecting the entries

struct Entry {
    char kind;              // 'F', 'D', 'L'
    std::string diskPath;   // as shown on the console
    std::string name;       // stored name
    uint64_t size = 0;
    std::string linkTarget;
};

std::string recordHeader(char kind, const std::string& name, uint64_t size) {
    std::string h(kMagic);
    h += '\n';
    h += kind;
    h += '\n' + std::to_string(name.size()) + '\n' + name + '\n' + std::to_string(size) + '\n';
    return h;
}

class Collector {
public:
    explicit Collector(bool skipEmptyFolders) : skipEmptyFolders_(skipEmptyFolders) {}

    void addSource(std::string source) {
        while (source.size() > 1 && source.back() == '/') source.pop_back();
        std::string name = baseOf(source);
        if (!exists(source) && name.find_first_of("*?") != std::string::npos) {
            addMatches(parentOf(source), name);
            return;
        }
        if (name == "." || name == ".." || source == "/") {
            char* real = ::realpath(source.c_str(), nullptr);
            name = real ? baseOf(real) : std::string();
            std::free(real);
        }
        add(source, name);
    }

    std::vector<Entry> entries;
    bool missedSome = false;

private:
    // A pattern the shell left alone, such as folder/*.*: like the real tool, *.* means
    // everything, hidden names included.
    void addMatches(const std::string& folder, const std::string& pattern) {
        std::vector<std::string> children;
        if (!listFolder(folder, children)) return;
        bool any = false;
        for (const std::string& child : children) {
            if (pattern == "*.*" || pattern == "*" || ::fnmatch(pattern.c_str(), child.c_str(), 0) == 0) {
                add(joinPath(folder, child), child);
                any = true;
            }
        }
        if (!any) warn("No files matching " + joinPath(folder, pattern));
    }

    void add(const std::string& path, const std::string& name) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            warn("Cannot open " + path + "\n" + errnoText());
            return;
        }
        if (S_ISLNK(st.st_mode)) {
            std::string target(static_cast<size_t>(st.st_size) + 256, '\0');
            ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
            if (n < 0) {
                warn("Cannot read link " + path + "\n" + errnoText());
                return;
            }
            target.resize(static_cast<size_t>(n));
            entries.push_back({'L', path, name, target.size(), target});
        } else if (S_ISREG(st.st_mode)) {
            int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                warn("Cannot open " + path + "\n" + errnoText());
                return;
            }
            ::close(fd);
            entries.push_back({'F', path, name, static_cast<uint64_t>(st.st_size), {}});
        } else if (S_ISDIR(st.st_mode)) {
            std::vector<std::string> children;
            if (!listFolder(path, children)) return;
            if (!skipEmptyFolders_ && !name.empty()) entries.push_back({'D', path, name, 0, {}});
            for (const std::string& child : children) add(joinPath(path, child), joinName(name, child));
        } else {
            warn("Skipping " + path + ": not a file, folder or link");
        }
    }

    bool listFolder(const std::string& path, std::vector<std::string>& children) {
        DIR* dir = ::opendir(path.c_str());
        if (!dir) {
            warn("Cannot open " + path + "\n" + errnoText());
            return false;
        }
        while (dirent* d = ::readdir(dir)) {
            std::string n = d->d_name;
            if (n != "." && n != "..") children.push_back(std::move(n));
        }
        ::closedir(dir);
        std::sort(children.begin(), children.end());
        return true;
    }

    void warn(const std::string& text) {
        complain("WARNING: " + text);
        missedSome = true;
    }

    bool skipEmptyFolders_;
};

// ---------------------------------------------------------------------------------------------
// Writing the volumes

class VolumeWriter {
public:
    VolumeWriter(std::vector<std::string> names, uint64_t volumeSize, long delayMs)
        : names_(std::move(names)), volumeSize_(volumeSize), delayMs_(delayMs) {
        buf_.reserve(kBufSize);
    }
    ~VolumeWriter() {
        if (fd_ >= 0) ::close(fd_);
    }

    void start() { openVolume(0); }

    void beginEntry(const std::string& diskPath) {
        if (left_ == 0) roll();
        current_ = shown(diskPath);
        say(padTo("Adding    " + current_, 70) + " ");
        lineOpen_ = true;
    }

    void endEntry() {
        say("OK \n");
        lineOpen_ = false;
        current_.clear();
    }

    void put(const char* p, size_t n) {
        while (n > 0) {
            if (left_ == 0) roll();
            const size_t k = static_cast<size_t>(std::min<uint64_t>(n, left_));
            if (buf_.size() + k > kBufSize) flushBuffer();
            if (buf_.empty() && k >= kBufSize / 2) writeOrFail(p, k);
            else buf_.append(p, k);
            p += k;
            n -= k;
            left_ -= k;
        }
    }
    void put(const std::string& s) { put(s.data(), s.size()); }

    void finish() {
        closeVolume();
        if (index_ + 1 != names_.size())
            throw Failure("ERROR: wrote " + std::to_string(index_ + 1) + " volumes, expected " +
                              std::to_string(names_.size()), kExitFatal);
    }

private:
    void openVolume(size_t index) {
        index_ = index;
        const std::string& name = names_.at(index);
        say(std::string(index == 0 ? "" : "\n") + "Creating archive " + shown(name) + "\n\n");
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) throw Failure("Cannot create " + name + "\n" + errnoText(), kExitFatal);
        left_ = volumeSize_;
    }

    void closeVolume() {
        flushBuffer();
        if (::close(fd_) != 0) {
            fd_ = -1;
            throw Failure("Write error in " + names_[index_] + "\n" + errnoText(), kExitFatal);
        }
        fd_ = -1;
        sayMarkerLine(std::string(lineOpen_ ? "\n" : "") + "Calculating the control sum\n");
        lineOpen_ = false;
        sleepMs(delayMs_);
    }

    // The current volume is full and more data follows.
    void roll() {
        closeVolume();
        openVolume(index_ + 1);
        if (!current_.empty()) {
            say(padTo("...         " + current_, 70) + " ");
            lineOpen_ = true;
        }
    }

    void flushBuffer() {
        if (buf_.empty()) return;
        writeOrFail(buf_.data(), buf_.size());
        buf_.clear();
    }

    void writeOrFail(const char* p, size_t n) {
        if (!writeAll(fd_, p, n)) throw Failure("Write error in " + names_[index_] + "\n" + errnoText(), kExitFatal);
    }

    std::vector<std::string> names_;
    uint64_t volumeSize_;
    long delayMs_;
    size_t index_ = 0;
    int fd_ = -1;
    uint64_t left_ = 0;
    std::string buf_;
    std::string current_;
    bool lineOpen_ = false;
};

void copyFile(const Entry& e, VolumeWriter& out, std::vector<char>& buf) {
    int fd = ::open(e.diskPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Failure("Cannot open " + e.diskPath + "\n" + errnoText(), kExitFatal);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    uint64_t left = e.size;
    while (left > 0) {
        ssize_t n = ::read(fd, buf.data(), static_cast<size_t>(std::min<uint64_t>(left, buf.size())));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(fd);
            throw Failure(n < 0 ? "Read error in " + e.diskPath + "\n" + errnoText()
                                : "ERROR: " + e.diskPath + " became shorter while being added", kExitFatal);
        }
        out.put(buf.data(), static_cast<size_t>(n));
        left -= static_cast<uint64_t>(n);
    }
    ::close(fd);
}

int runAdd(const std::vector<std::string>& args) {
    const AddOptions o = parseAdd(args);

    if (std::getenv("KELVORA_FAKE_RAR_FAIL") && std::string(std::getenv("KELVORA_FAKE_RAR_FAIL")) == "1")
        throw Failure("Cannot create " + o.archive + "\nERROR: forced failure (KELVORA_FAKE_RAR_FAIL)", kExitFatal);

    if (!isDirectory(parentOf(o.archive)))
        throw Failure("Cannot create " + o.archive + "\nNo such file or directory", kExitUsage);

    Collector collector(o.skipEmptyFolders);
    for (const std::string& s : o.sources) collector.addSource(s);
    if (collector.entries.empty()) throw Failure("WARNING: No files", kExitNoFiles);

    uint64_t total = 0;
    for (const Entry& e : collector.entries) total += recordHeader(e.kind, e.name, e.size).size() + e.size;
    const std::string endRecord = recordHeader('E', "", collector.entries.size());
    total += endRecord.size();

    const uint64_t volumeSize = o.volumeSize.value_or(UINT64_MAX);
    const uint64_t count = o.volumeSize ? (total + volumeSize - 1) / volumeSize : 1;
    if (o.oldStyle && count > kMaxOldStyleVolumes)
        throw Failure("ERROR: too many volumes for the old naming scheme: " + std::to_string(count), kExitUsage);

    VolumeWriter out(volumeNames(o.archive, o.volumeSize.has_value(), o.oldStyle, count), volumeSize,
                     envMs("KELVORA_FAKE_RAR_DELAY_MS"));
    std::vector<char> buf(kBufSize);
    out.start();
    for (const Entry& e : collector.entries) {
        out.beginEntry(e.diskPath);
        out.put(recordHeader(e.kind, e.name, e.size));
        if (e.kind == 'F') copyFile(e, out, buf);
        else if (e.kind == 'L') out.put(e.linkTarget);
        out.endEntry();
    }
    out.put(endRecord);
    out.finish();
    say("Done\n");
    return collector.missedSome ? kExitOpen : 0;
}

// ---------------------------------------------------------------------------------------------
// Extracting (`x`), for round-trip checks

bool allDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> volumeSet(const std::string& given) {
    std::vector<std::string> set;
    auto newStyleFrom = [&set](const std::string& stem, size_t width) {
        for (uint64_t i = 1;; ++i) {
            std::string name = stem + ".part" + zeroPadded(i, width) + ".rar";
            if (!exists(name)) break;
            set.push_back(name);
        }
    };
    auto oldStyleFrom = [&set](const std::string& first) {
        const ArchiveName a = splitArchiveName(first);
        set.push_back(first);
        for (uint64_t i = 1; i < kMaxOldStyleVolumes && exists(oldStyleName(a, i)); ++i)
            set.push_back(oldStyleName(a, i));
    };

    const ArchiveName a = splitArchiveName(given);
    const std::string base = baseOf(a.stem);
    const size_t part = base.rfind(".part");
    if (a.ext == ".rar" && part != std::string::npos && allDigits(std::string_view(base).substr(part + 5))) {
        const size_t width = base.size() - part - 5;
        newStyleFrom(a.stem.substr(0, a.stem.size() - (base.size() - part)), width);
    } else if (exists(given) && !isDirectory(given)) {
        oldStyleFrom(given);
    } else if (exists(a.stem + a.ext)) {
        oldStyleFrom(a.stem + a.ext);
    } else {
        for (size_t width = 1; width <= 6 && set.empty(); ++width) newStyleFrom(a.stem, width);
    }
    if (set.empty()) throw Failure("Cannot open " + given + "\nNo such file or directory", kExitUsage);
    return set;
}

class StreamReader {
public:
    explicit StreamReader(std::vector<std::string> volumes) : volumes_(std::move(volumes)), buf_(kBufSize) {}
    ~StreamReader() {
        if (fd_ >= 0) ::close(fd_);
    }

    // False at the end of the last volume.
    bool get(char& c) {
        if (pos_ == len_ && !fill()) return false;
        c = buf_[pos_++];
        return true;
    }

    std::string line() {
        std::string s;
        char c;
        while (true) {
            if (!get(c)) damaged("unexpected end of archive");
            if (c == '\n') return s;
            if (s.size() > 64) damaged("bad record header");
            s += c;
        }
    }

    uint64_t number() {
        const std::string s = line();
        if (!allDigits(s) || s.size() > 19) damaged("bad number in record header");
        return std::stoull(s);
    }

    // Hands out up to `left` bytes in pieces straight from the buffer.
    template <typename Sink>
    void take(uint64_t left, Sink&& sink) {
        while (left > 0) {
            if (pos_ == len_ && !fill()) damaged("unexpected end of archive");
            const size_t k = static_cast<size_t>(std::min<uint64_t>(left, len_ - pos_));
            sink(buf_.data() + pos_, k);
            pos_ += k;
            left -= k;
        }
    }

    // Whatever stands behind the end record in the same volume is damage.
    bool restOfVolumeEmpty() {
        if (pos_ < len_) return false;
        char c;
        ssize_t n = ::read(fd_, &c, 1);
        return n == 0;
    }

    [[noreturn]] void damaged(const std::string& why) const {
        throw Failure("ERROR: " + (index_ < volumes_.size() ? volumes_[index_] : volumes_.back()) + ": " + why,
                      kExitDamaged);
    }

private:
    bool fill() {
        for (;;) {
            if (fd_ >= 0) {
                ssize_t n = ::read(fd_, buf_.data(), buf_.size());
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) throw Failure("Read error in " + volumes_[index_] + "\n" + errnoText(), kExitFatal);
                if (n > 0) {
                    pos_ = 0;
                    len_ = static_cast<size_t>(n);
                    return true;
                }
                ::close(fd_);
                fd_ = -1;
                ++index_;
            }
            if (index_ >= volumes_.size()) return false;
            fd_ = ::open(volumes_[index_].c_str(), O_RDONLY | O_CLOEXEC);
            if (fd_ < 0) throw Failure("Cannot open " + volumes_[index_] + "\n" + errnoText(), kExitFatal);
            say("\nExtracting from " + shown(volumes_[index_]) + "\n\n");
        }
    }

    std::vector<std::string> volumes_;
    std::vector<char> buf_;
    size_t index_ = 0;
    int fd_ = -1;
    size_t pos_ = 0;
    size_t len_ = 0;
};

void makeFolders(const std::string& path) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            throw Failure("Cannot create folder " + part + "\n" + errnoText(), kExitFatal);
    }
    if (!isDirectory(path)) throw Failure("Cannot create folder " + path, kExitFatal);
}

bool safeName(const std::string& name) {
    if (name.empty() || name[0] == '/') return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        const std::string part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

int runExtract(const std::vector<std::string>& args) {
    if (args.size() != 3) usageError("Usage: rar x <archive or first volume> <destination folder>");
    StreamReader in(volumeSet(args[1]));
    const std::string dest = args[2];
    makeFolders(dest);

    uint64_t entries = 0;
    for (;;) {
        if (in.line() != kMagic) in.damaged("bad record header");
        const std::string kind = in.line();
        const uint64_t nameLength = in.number();
        if (nameLength > 65536) in.damaged("bad name length");
        std::string name;
        name.reserve(static_cast<size_t>(nameLength));
        in.take(nameLength, [&name](const char* p, size_t n) { name.append(p, n); });
        char nl;
        if (!in.get(nl) || nl != '\n') in.damaged("bad record header");
        const uint64_t size = in.number();

        if (kind == "E") {
            if (!name.empty() || size != entries) in.damaged("bad end record");
            if (!in.restOfVolumeEmpty()) in.damaged("data after the end record");
            break;
        }
        if (!safeName(name)) in.damaged("bad name '" + name + "'");
        const std::string target = joinPath(dest, name);
        if (kind == "D") {
            if (size != 0) in.damaged("bad folder record");
            makeFolders(target);
        } else if (kind == "F" || kind == "L") {
            makeFolders(parentOf(target));
            if (kind == "L") {
                std::string link;
                in.take(size, [&link](const char* p, size_t n) { link.append(p, n); });
                ::unlink(target.c_str());
                if (::symlink(link.c_str(), target.c_str()) != 0)
                    throw Failure("Cannot create link " + target + "\n" + errnoText(), kExitFatal);
            } else {
                int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                if (fd < 0) throw Failure("Cannot create " + target + "\n" + errnoText(), kExitFatal);
                in.take(size, [&](const char* p, size_t n) {
                    if (!writeAll(fd, p, n)) {
                        ::close(fd);
                        throw Failure("Write error in " + target + "\n" + errnoText(), kExitFatal);
                    }
                });
                if (::close(fd) != 0) throw Failure("Write error in " + target + "\n" + errnoText(), kExitFatal);
            }
        } else {
            in.damaged("unknown record kind '" + kind + "'");
        }
        ++entries;
        say(padTo("Extracting  " + shown(target), 70) + " OK \n");
    }
    say("All OK\n");
    return 0;
}

void logArguments(const std::vector<std::string>& args) {
    const char* path = std::getenv("KELVORA_FAKE_RAR_LOG");
    if (!path || !*path) return;
    std::string text;
    for (size_t i = 1; i < args.size(); ++i) text += args[i] + "\n";
    text += "----\n";
    int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    writeAll(fd, text.data(), text.size());
    ::close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv, argv + argc);
    logArguments(args);
    sleepMs(envMs("KELVORA_FAKE_RAR_SILENT_MS"));
    banner();
    try {
        if (args.size() >= 2 && args[1] == "a") return runAdd(std::vector<std::string>(args.begin() + 1, args.end()));
        if (args.size() >= 2 && args[1] == "x") return runExtract(std::vector<std::string>(args.begin() + 1, args.end()));
        usageError(args.size() < 2 ? "Missing command" : "Unknown command " + args[1]);
    } catch (const Failure& f) {
        complain(f.what());
        return f.exitCode;
    }
}
