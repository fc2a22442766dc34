#include "runner/CommandLine.h"

#include <algorithm>

#include "platform/FileSystem.h"

namespace kelvora {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

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

std::vector<std::string> ExpandFolderWildcard(const std::string& arg) {
    const std::string suffix = std::string(1, platform::PathSeparator) + "*.*";
    if (arg.size() < suffix.size() || arg.compare(arg.size() - suffix.size(), suffix.size(), suffix) != 0)
        return {arg};
    const std::string prefix = arg.substr(0, arg.size() - 3);  // keeps the separator
    std::vector<std::string> names;
    platform::ListFolder(prefix, [&](const platform::DirEntry& e) {
        names.push_back(e.name);
        return true;
    });
    if (names.empty()) return {arg};
    std::sort(names.begin(), names.end());
    std::vector<std::string> out;
    out.reserve(names.size());
    for (const auto& name : names) out.push_back(prefix + name);
    return out;
}

std::vector<std::string> CommandLineToArgv(const std::string& line, const std::string& knownProgram,
                                           bool folderWildcard) {
    const size_t n = line.size();
    size_t i = 0;
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n) return {};

    std::string program;
    size_t rest;
    const size_t known = knownProgram.size();
    if (known > 0 && line.compare(i, known, knownProgram) == 0 && (i + known == n || IsBlank(line[i + known]))) {
        program = knownProgram;
        rest = i + known;
    } else if (line[i] == '"') {
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
        if (!platform::IsRegularFile(program)) {
            size_t candidateEnd = end;
            while (candidateEnd < n) {
                while (candidateEnd < n && IsBlank(line[candidateEnd])) ++candidateEnd;
                while (candidateEnd < n && !IsBlank(line[candidateEnd])) ++candidateEnd;
                std::string candidate = line.substr(i, candidateEnd - i);
                if (platform::IsRegularFile(candidate)) {
                    program = candidate;
                    rest = candidateEnd;
                    break;
                }
            }
        }
    }

    std::vector<std::string> argv{program};
    auto args = SplitCommandLine(line.substr(rest));
    if (folderWildcard && !args.empty()) {
        auto entries = ExpandFolderWildcard(args.back());
        args.pop_back();
        args.insert(args.end(), entries.begin(), entries.end());
    }
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

std::string ToCommandLine(const ToolCommand& command) {
    std::string line = command.program;
    for (std::size_t i = 0; i < command.arguments.size(); ++i)
        line += " " + (i >= command.firstName ? QuoteArgument(command.arguments[i]) : command.arguments[i]);
    return line;
}

std::vector<std::string> ToArgv(const ToolCommand& command) {
    std::vector<std::string> argv{command.program};
    argv.insert(argv.end(), command.arguments.begin(), command.arguments.end());
    if (command.folderWildcard && argv.size() > 1) {
        auto entries = ExpandFolderWildcard(argv.back());
        argv.pop_back();
        argv.insert(argv.end(), entries.begin(), entries.end());
    }
    if (!command.workingFolder.empty()) {
        std::string inside = command.workingFolder;
        if (inside.back() != platform::PathSeparator) inside += platform::PathSeparator;
        for (std::size_t i = 1; i < argv.size(); ++i)
            if (argv[i].size() > inside.size() && argv[i].compare(0, inside.size(), inside) == 0)
                argv[i].erase(0, inside.size());
    }
    return argv;
}

}  // namespace kelvora
