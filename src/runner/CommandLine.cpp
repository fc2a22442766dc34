#include "runner/CommandLine.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/FileSystem.h"

namespace kelvora {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    const size_t n = line.size();
    size_t i = 0;
    for (;;) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i >= n) break;

        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(line[i]))) {
            char c = line[i];
            if (c == '\\') {
                size_t start = i;
                while (i < n && line[i] == '\\') ++i;
                size_t count = i - start;
                if (i < n && line[i] == '"') {
                    arg.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        arg.push_back('"');
                        ++i;
                    }
                    // With an even count the quote is handled as a quote on the next round.
                } else {
                    arg.append(count, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg.push_back('"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg.push_back(c);
                ++i;
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string QuoteArgument(const std::string& text) {
    if (text.find('"') == std::string::npos && (text.empty() || text.back() != '\\')) return "\"" + text + "\"";

    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : text) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out.push_back(c);
    }
    // Backslashes before the closing quote are doubled so the quote still closes.
    out.append(backslashes * 2, '\\');
    out.push_back('"');
    return out;
}

std::vector<std::string> ExpandWildcards(const std::vector<std::string>& args) {
    std::vector<std::string> out;
    out.reserve(args.size());
    for (const auto& arg : args) {
        size_t slash = arg.rfind('/');
        std::string pattern = slash == std::string::npos ? arg : arg.substr(slash + 1);
        if (arg.empty() || arg[0] == '-' || pattern.find_first_of("*?") == std::string::npos) {
            out.push_back(arg);
            continue;
        }
        std::string prefix = slash == std::string::npos ? "" : arg.substr(0, slash + 1);
        std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : arg.substr(0, slash));

        const bool everything = pattern == "*.*";
        std::vector<std::string> names;
        platform::ListFolder(folder, [&](const platform::DirEntry& e) {
            if (everything || ::fnmatch(pattern.c_str(), e.name.c_str(), 0) == 0) names.push_back(e.name);
            return true;
        });
        if (names.empty()) {
            out.push_back(arg);
            continue;
        }
        std::sort(names.begin(), names.end());
        for (const auto& name : names) out.push_back(prefix + name);
    }
    return out;
}

std::vector<std::string> CommandLineToArgv(const std::string& line) {
    const size_t n = line.size();
    size_t i = 0;
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n) return {};

    std::string program;
    size_t rest;
    if (line[i] == '"') {
        size_t close = line.find('"', i + 1);
        program = line.substr(i + 1, (close == std::string::npos ? n : close) - i - 1);
        rest = close == std::string::npos ? n : close + 1;
    } else {
        size_t end = i;
        while (end < n && !IsBlank(line[end])) ++end;
        program = line.substr(i, end - i);
        rest = end;
        // The program folder may contain blanks: try the longer texts up to each following
        // blank, as they stand in the line, until one names a file.
        if (!IsRegularFile(program)) {
            size_t candidateEnd = end;
            while (candidateEnd < n) {
                while (candidateEnd < n && IsBlank(line[candidateEnd])) ++candidateEnd;
                while (candidateEnd < n && !IsBlank(line[candidateEnd])) ++candidateEnd;
                std::string candidate = line.substr(i, candidateEnd - i);
                if (IsRegularFile(candidate)) {
                    program = candidate;
                    rest = candidateEnd;
                    break;
                }
            }
        }
    }

    std::vector<std::string> argv{program};
    auto args = ExpandWildcards(SplitCommandLine(line.substr(rest)));
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

}  // namespace kelvora
