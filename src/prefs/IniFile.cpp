#include "prefs/IniFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "common/Text.h"

namespace fs = std::filesystem;

namespace kelvora {

namespace {

constexpr std::size_t MaxValueLength = 254;

enum class LineKind { Other, Section, Key };

struct Line {
    std::string text;  // as stored, without its line end
    LineKind kind = LineKind::Other;
    std::string name;  // section or key name, trimmed
    std::string value; // key value, trimmed
};

Line Classify(std::string text, bool first) {
    Line line;
    line.text = text;
    // A byte-order mark from another editor must not hide the first section.
    if (first && StartsWith(text, "\xEF\xBB\xBF")) text.erase(0, 3);
    std::string t = Trim(text);
    if (t.empty() || t[0] == ';') return line;
    if (t[0] == '[') {
        std::size_t close = t.find(']');
        line.kind = LineKind::Section;
        line.name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return line;
    }
    std::size_t eq = t.find('=');
    if (eq == std::string::npos) return line;
    line.kind = LineKind::Key;
    line.name = Trim(t.substr(0, eq));
    line.value = Trim(t.substr(eq + 1));
    return line;
}

std::vector<Line> SplitLines(const std::string& content) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t nl = content.find('\n', pos);
        std::size_t end = nl == std::string::npos ? content.size() : nl;
        std::size_t stop = (end > pos && content[end - 1] == '\r') ? end - 1 : end;
        lines.push_back(Classify(content.substr(pos, stop - pos), lines.empty()));
        pos = nl == std::string::npos ? content.size() : nl + 1;
    }
    return lines;
}

// Index of the first header of `section`, or npos.
std::size_t FindSection(const std::vector<Line>& lines, const std::string& section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == LineKind::Section && EqualsNoCase(lines[i].name, section)) return i;
    }
    return std::string::npos;
}

std::size_t SectionEnd(const std::vector<Line>& lines, std::size_t header) {
    std::size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != LineKind::Section) ++i;
    return i;
}

std::size_t FindKey(const std::vector<Line>& lines, std::size_t header, std::size_t end, const std::string& key) {
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines[i].kind == LineKind::Key && EqualsNoCase(lines[i].name, key)) return i;
    }
    return std::string::npos;
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

bool ReadWhole(const std::string& fileName, std::string& content) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return false;
    content = buffer.str();
    return true;
}

std::string TemporaryName(const std::string& target) {
    static std::mt19937 generator{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string name = target + ".~";
    for (int i = 0; i < 8; ++i) name += digits[generator() % 16];
    return name;
}

// Writes `content` to a new temporary file beside `target` and renames it over `target`.
bool ReplaceFile(const std::string& target, const std::string& content) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string temp = TemporaryName(target);
        std::FILE* file = std::fopen(temp.c_str(), "wbx");  // never reuses an existing name
        if (!file) {
            std::error_code ec;
            if (fs::exists(temp, ec)) continue;
            return false;
        }
        bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
        ok = std::fflush(file) == 0 && ok;
        ok = std::fclose(file) == 0 && ok;
        std::error_code ec;
        if (ok) {
            // Keep the original's permissions; a new file gets the usual ones.
            fs::file_status old = fs::status(target, ec);
            if (!ec && fs::exists(old)) fs::permissions(temp, old.permissions(), fs::perm_options::replace, ec);
            ec.clear();
            fs::rename(temp, target, ec);
            ok = !ec;
        }
        if (!ok) fs::remove(temp, ec);
        return ok;
    }
    return false;
}

}  // namespace

std::optional<std::string> FindIniValue(const std::string& content, const std::string& section,
                                        const std::string& key) {
    std::vector<Line> lines = SplitLines(content);
    std::size_t header = FindSection(lines, section);
    if (header == std::string::npos) return std::nullopt;
    std::size_t at = FindKey(lines, header, SectionEnd(lines, header), key);
    if (at == std::string::npos) return std::nullopt;
    return lines[at].value;
}

std::string SetIniValue(const std::string& content, const std::string& section, const std::string& key,
                        const std::string& value) {
    std::vector<Line> lines = SplitLines(content);
    std::vector<std::string> out;
    out.reserve(lines.size() + 2);
    for (const Line& line : lines) out.push_back(line.text);

    std::size_t header = FindSection(lines, section);
    if (header == std::string::npos) {
        out.push_back("[" + section + "]");
        out.push_back(key + "=" + value);
    } else {
        std::size_t end = SectionEnd(lines, header);
        std::size_t at = FindKey(lines, header, end, key);
        if (at != std::string::npos) {
            out[at] = lines[at].name + "=" + value;
        } else {
            std::size_t last = header;
            for (std::size_t i = header + 1; i < end; ++i) {
                if (!Trim(lines[i].text).empty()) last = i;
            }
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(last + 1), key + "=" + value);
        }
    }

    std::string result;
    for (const std::string& line : out) {
        result += line;
        result += "\r\n";
    }
    return result;
}

std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& fileName) {
    std::string content;
    if (!ReadWhole(fileName, content)) return std::string();
    std::optional<std::string> value = FindIniValue(content, section, key);
    if (!value) return std::string();
    if (value->size() > MaxValueLength) value->resize(MaxValueLength);
    return *value;
}

bool TryWriteIniValue(const std::string& section, const std::string& key, const std::string& value,
                      const std::string& fileName) {
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
    if (section.find(']') != std::string::npos || key.find('=') != std::string::npos) return false;
    std::string trimmedKey = Trim(key);
    if (trimmedKey.empty() || trimmedKey[0] == '[' || trimmedKey[0] == ';') return false;

    // A link is followed, so the file it points to is updated and the link stays.
    std::error_code ec;
    std::string target = fileName;
    if (fs::is_symlink(fileName, ec)) {
        fs::path resolved = fs::weakly_canonical(fileName, ec);
        if (ec) return false;
        target = resolved.string();
    }

    std::string content;
    if (fs::exists(target, ec)) {
        // Opening for appending changes nothing but tells whether the file may be written.
        std::FILE* probe = std::fopen(target.c_str(), "ab");
        if (!probe) return false;
        std::fclose(probe);
        if (!ReadWhole(target, content)) return false;
    } else if (ec) {
        return false;
    }
    return ReplaceFile(target, SetIniValue(content, section, key, value));
}

void WriteIniValue(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& fileName) {
    TryWriteIniValue(section, key, value, fileName);
}

}  // namespace kelvora
