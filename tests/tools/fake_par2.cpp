// Stand-in for phpar2.exe, for the Windows tests where par2cmdline could not be built. It takes
// the command lines Kelvora builds and refuses what par2cmdline refuses of them,
//   phpar2 create -s<block> [-r<percent>|-c<blocks>|-n<files>] [-u] <name>.par2 <file or folder\*.*>...
// reads every source file while printing "Processing: 12.3%" progress, and writes name.par2 and
// the recovery files name.volNN+MM.par2 under par2cmdline's names. They hold no PAR2 data: the
// index lists the files with their sizes, which is all `phpar2 verify [-q] <name>.par2` checks.
// Exit codes as par2cmdline's: 0 done, 1 a file missing or changed, 3 a bad command line,
// 6 a file that cannot be read or written.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ToolMain.h"

namespace fs = std::filesystem;
using tool::Utf8Path;
using tool::Utf8Text;

namespace {

constexpr uint64_t MaxBlocks = 32768;

int Refuse(const std::string& text, int code = 3) {
    tool::Say(text + "\n", true);
    return code;
}

// A switch's number: -1 when it holds none.
long long Number(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoll(text);
}

int Verify(const fs::path& index) {
    std::ifstream in(index);
    if (!in) return Refuse("Could not open " + Utf8Text(index), 6);
    int damaged = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        uintmax_t size = 0;
        std::string name;
        if (!(fields >> size) || !std::getline(fields >> std::ws, name)) continue;
        std::error_code ec;
        if (fs::file_size(index.parent_path() / Utf8Path(name), ec) != size || ec)
            ++damaged, tool::Say("Target: \"" + name + "\" - missing or damaged.\n");
    }
    tool::Say(damaged ? "Repair is required.\n" : "All files are correct, repair is not required.\n");
    return damaged ? 1 : 0;
}

int Create(const std::vector<std::string>& args) {
    long long block = -1, percent = -1, count = -1, files = -1;
    size_t at = 1;
    for (; at < args.size() && args[at].size() >= 2 && args[at][0] == '-'; ++at) {
        const std::string value = args[at].substr(2);
        switch (args[at][1]) {
            case 's': block = Number(value); break;
            case 'r': percent = Number(value); break;
            case 'c': count = Number(value); break;
            case 'n': files = Number(value); break;
            case 'u': case 'q': continue;  // -n files are of equal size anyway
            default: return Refuse("Invalid option specified: " + args[at]);
        }
        if (Number(value) < 0) return Refuse("Invalid option specified: " + args[at]);
    }
    if (block <= 0 || block % 4 != 0) return Refuse("Block size must be a multiple of 4.");
    if (args.size() - at < 2) return Refuse("You must specify a list of files to process.");
    const fs::path index = Utf8Path(args[at]);
    std::vector<fs::path> sources;
    for (size_t i = at + 1; i < args.size(); ++i) {
        const fs::path p = Utf8Path(args[i]);
        if (p.filename() != "*.*") sources.push_back(p);
        else
            for (const auto& e : fs::directory_iterator(p.parent_path()))
                if (e.is_regular_file()) sources.push_back(e.path());
    }
    uint64_t sourceBlocks = 0, total = 0;
    for (const fs::path& p : sources) {
        std::error_code ec;
        const uintmax_t size = fs::file_size(p, ec);
        if (ec) return Refuse("Could not open " + Utf8Text(p), 6);
        sourceBlocks += (size + block - 1) / block;
        total += size;
    }
    if (sourceBlocks > MaxBlocks)
        return Refuse("Block size is too small. It should be at least " + std::to_string((total / MaxBlocks + 4) / 4 * 4) + ".");
    const uint64_t recovery = count >= 0 ? count : static_cast<uint64_t>(std::ceil(sourceBlocks * (percent >= 0 ? percent : 5) / 100.0));
    if (recovery > MaxBlocks) return Refuse("Too many recovery blocks requested.");

    // Reads the sources, telling the progress in tenths of a percent as par2cmdline does.
    std::ofstream list(index, std::ios::binary);
    std::vector<char> buffer(static_cast<size_t>(block));
    uint64_t done = 0;
    for (const fs::path& p : sources) {
        tool::Say("Opening: " + Utf8Text(p.filename()) + "\n");
        std::ifstream in(p, std::ios::binary);
        while (in.read(buffer.data(), block) || in.gcount() > 0) {
            const uint64_t before = done * 1000 / std::max<uint64_t>(total, 1);
            done += static_cast<uint64_t>(in.gcount());
            if (const uint64_t now = done * 1000 / std::max<uint64_t>(total, 1); now != before) {
                char line[32];
                std::snprintf(line, sizeof line, "Processing: %u.%u%%\r", unsigned(now / 10), unsigned(now % 10));
                tool::Say(line);
            }
        }
        list << fs::file_size(p) << " " << Utf8Text(p.lexically_relative(index.parent_path())) << "\n";
    }
    if (!list.flush()) return Refuse("Could not write " + Utf8Text(index), 6);

    // Recovery files: the -n count of equal ones, else doubling sizes (1, 2, 4, ...).
    const std::string stem = Utf8Text(index).substr(0, Utf8Text(index).size() - 5);
    const size_t width = std::to_string(recovery).size();
    for (uint64_t first = 0, size = 1; first < recovery; first += size, size *= files > 0 ? 1 : 2) {
        if (files > 0) size = (recovery + files - 1) / files;
        size = std::min(size, recovery - first);
        char name[64];
        std::snprintf(name, sizeof name, ".vol%0*llu+%0*llu.par2", int(width), (unsigned long long)first, int(width),
                      (unsigned long long)size);
        if (!(std::ofstream(Utf8Path(stem + name), std::ios::binary) << "stand-in recovery file: no PAR2 data\n"))
            return Refuse("Could not write " + stem + name, 6);
    }
    tool::Say("\nWriting recovery packets\nDone\n");
    return 0;
}

}  // namespace

int ToolMain(const std::vector<std::string>& args) {
    tool::Say("PAR2 stand-in for tests: no recovery data\n\n");
    if (!args.empty() && args[0] == "create") return Create(args);
    if (args.size() >= 2 && args[0] == "verify") return Verify(Utf8Path(args.back()));
    return Refuse("The stand-in knows only create and verify.");
}
