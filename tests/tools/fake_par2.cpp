// Stand-in for phpar2.exe, for the Windows tests where par2cmdline could not be built. It takes
// the command lines Kelvora builds and refuses what par2cmdline refuses of them,
//   phpar2 create -s<block> [-r<percent>|-c<blocks>|-n<files>] [-u] [--] <name>.par2 <file or folder\*.*>...
// reads every source while printing "Processing: 12.3%" progress, and writes name.par2 and the
// recovery files name.volN+M.par2 (of doubling sizes, unpadded). They hold no
// PAR2 data: the index lists the files with their sizes, which is all
// `phpar2 verify [-q] <name>.par2` checks.
// Exit codes as par2cmdline's: 0 done, 1 a file missing or changed, 3 a bad command line,
// 6 a file that cannot be read or written.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ToolMain.h"

namespace fs = std::filesystem;
using tool::Utf8Path;
using tool::Utf8Text;

namespace {

int Refuse(const std::string& text, int code = 3) {
    tool::Say(text + "\n", true);
    return code;
}

int Verify(const fs::path& index) {
    std::ifstream in(index);
    int damaged = in ? 0 : 1;
    uintmax_t size = 0;
    std::error_code ec;
    for (std::string name; in >> size && std::getline(in >> std::ws, name);)
        if (fs::file_size(index.parent_path() / Utf8Path(name), ec) != size || ec) ++damaged;
    tool::Say(damaged ? "Repair is required.\n" : "All files are correct, repair is not required.\n");
    return damaged ? 1 : 0;
}

int Create(const std::vector<std::string>& args) {
    long long block = 0, percent = 5, count = -1;  // par2cmdline's 5 % unless told
    size_t at = 1;
    for (; at < args.size() && args[at].size() >= 2 && args[at][0] == '-' && args[at] != "--"; ++at) {
        const long long value = std::atoll(args[at].c_str() + 2);  // -u and -n<files> change nothing here
        if (args[at][1] == 's') block = value;
        else if (args[at][1] == 'r') percent = value;
        else if (args[at][1] == 'c') count = value;
    }
    at += at < args.size() && args[at] == "--";  // the names follow, whatever they begin with
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
        sourceBlocks += (size + block - 1) / block, total += size;
    }
    if (sourceBlocks > 32768)
        return Refuse("Block size is too small. It should be at least " + std::to_string((total / 32768 + 4) / 4 * 4) + ".");
    const uint64_t recovery = count >= 0 ? count : static_cast<uint64_t>(std::ceil(sourceBlocks * percent / 100.0));

    // The progress in tenths of a percent, as par2cmdline prints it.
    std::ofstream list(index, std::ios::binary);
    std::vector<char> buffer(static_cast<size_t>(block));
    uint64_t done = 0, shown = 0;
    for (const fs::path& p : sources) {
        tool::Say("Opening: " + Utf8Text(p.filename()) + "\n");
        std::ifstream in(p, std::ios::binary);
        while (in.read(buffer.data(), block) || in.gcount() > 0) {
            done += static_cast<uint64_t>(in.gcount());
            if (const uint64_t permille = done * 1000 / std::max<uint64_t>(total, 1); permille != shown) {
                char line[32];
                std::snprintf(line, sizeof line, "Processing: %u.%u%%\r", unsigned(permille / 10), unsigned(permille % 10));
                tool::Say(line), shown = permille;
            }
        }
        list << fs::file_size(p) << " " << Utf8Text(p.lexically_relative(index.parent_path())) << "\n";
    }
    if (!list.flush()) return Refuse("Could not write " + Utf8Text(index), 6);
    const std::string stem = Utf8Text(index.parent_path() / index.stem());
    for (uint64_t first = 0, size = 1; first < recovery; first += size, size *= 2) {
        const std::string name = stem + ".vol" + std::to_string(first) + "+" + std::to_string(std::min(size, recovery - first)) + ".par2";
        if (!(std::ofstream(Utf8Path(name), std::ios::binary) << "stand-in recovery file: no PAR2 data\n"))
            return Refuse("Could not write " + name, 6);
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
