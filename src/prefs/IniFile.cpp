#include "prefs/IniFile.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>
#include <string_view>

#include "common/Text.h"
#include "platform/FileSystem.h"
#include "platform/Utf8Path.h"

namespace fs = std::filesystem;

namespace kelvora {

namespace {

constexpr std::size_t MaxValueLength = 254;

enum class LineKind { Other, Section, Key };

// Views into the content, which outlives them: a file is never copied line by line.
struct Line {
    std::string_view text;  // as stored, without its line end
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed
};

std::string_view TrimView(std::string_view text) {
    const std::size_t first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(Blanks) - first + 1);
}

Line Classify(std::string_view text, bool first) {
    Line line;
    line.text = text;
    // A byte-order mark from another editor must not hide the first section.
    if (first && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const std::string_view t = TrimView(text);
    if (t.empty() || t[0] == ';') return line;
    if (t[0] == '[') {
        const std::size_t close = t.find(']');
        line.kind = LineKind::Section;
        line.name = TrimView(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        return line;
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return line;
    line.kind = LineKind::Key;
    line.name = TrimView(t.substr(0, eq));
    line.value = TrimView(t.substr(eq + 1));
    return line;
}

// Calls onLine(index, line) for every line; stops early when it returns false.
template <typename OnLine>
void ForEachLine(std::string_view content, OnLine&& onLine) {
    std::size_t pos = 0;
    for (std::size_t index = 0; pos < content.size(); ++index) {
        const std::size_t nl = content.find('\n', pos);
        const std::size_t end = nl == std::string_view::npos ? content.size() : nl;
        const std::size_t stop = (end > pos && content[end - 1] == '\r') ? end - 1 : end;
        if (!onLine(index, Classify(content.substr(pos, stop - pos), index == 0))) return;
        pos = nl == std::string_view::npos ? content.size() : nl + 1;
    }
}

bool Matches(std::string_view name, const std::string& wanted) { return EqualsNoCase(std::string(name), wanted); }

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

// The section name is checked even without keys: its header alone may be written.
bool Writable(const std::string& section, const IniValues& values) {
    if (HasLineBreak(section) || section.find(']') != std::string::npos) return false;
    for (const auto& [key, value] : values) {
        if (HasLineBreak(key) || HasLineBreak(value) || key.find('=') != std::string::npos) return false;
        const std::string trimmedKey = Trim(key);
        if (trimmedKey.empty() || trimmedKey[0] == '[' || trimmedKey[0] == ';') return false;
    }
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
bool ReplaceFile(const std::string& target, const std::string& content, bool targetExists) {
    int error = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string temp = TemporaryName(target);
        if (!platform::CreateNewFile(temp, content, &error)) {  // never reuses an existing name
            if (error == EEXIST) continue;
            break;
        }
        // Keep the original's permissions; a new file gets the usual ones.
        std::error_code ec;
        const fs::path tempPath = platform::Utf8Path(temp), targetPath = platform::Utf8Path(target);
        fs::file_status old = fs::status(targetPath, ec);
        if (!ec && fs::exists(old)) fs::permissions(tempPath, old.permissions(), fs::perm_options::replace, ec);
        ec.clear();
        fs::rename(tempPath, targetPath, ec);
        if (!ec) return true;
        fs::remove(tempPath, ec);
        return false;
    }
    // A folder that refuses new files while the file itself may be written: a save in place is
    // better than none. Any other failure (a full disk above all) would break that one too, and
    // leave neither the old file nor the new.
    const bool folderRefuses = error == EACCES || error == EPERM || error == EROFS;
    return targetExists && folderRefuses && platform::OverwriteFile(target, content);
}

}  // namespace

IniSection ParseIniSection(const std::string& content, const std::string& section) {
    const std::string name = Trim(section);
    IniSection keys;
    bool inside = false;
    ForEachLine(content, [&](std::size_t, const Line& line) {
        if (line.kind == LineKind::Section) {
            if (inside) return false;  // only the first section of the name counts
            inside = Matches(line.name, name);
        } else if (inside && line.kind == LineKind::Key) {
            std::string value(line.value.substr(0, MaxValueLength));
            keys.emplace(ToUpperAscii(std::string(line.name)), std::move(value));  // the first one counts
        }
        return true;
    });
    return keys;
}

std::string SetIniValues(const std::string& content, const std::string& section, const IniValues& values) {
    // Names as the file holds them, without blanks around: a key given as " Key " must find its
    // line, or every save would add another.
    const std::string name = Trim(section);
    // A key named twice is written once, with its last value.
    IniValues wanted;
    for (const auto& entry : values) {
        const std::string key = Trim(entry.first);
        auto same = std::find_if(wanted.begin(), wanted.end(), [&](const auto& w) { return EqualsNoCase(w.first, key); });
        if (same == wanted.end()) wanted.emplace_back(key, entry.second);
        else same->second = entry.second;
    }

    // Where the section is, where each key stands in it, and where missing keys go.
    constexpr std::size_t None = static_cast<std::size_t>(-1);
    std::size_t header = None, last = None;
    bool inside = false;
    std::vector<std::size_t> at(wanted.size(), None);
    ForEachLine(content, [&](std::size_t index, const Line& line) {
        if (line.kind == LineKind::Section) {
            if (inside) return false;
            if (Matches(line.name, name)) {
                inside = true;
                header = last = index;
            }
            return true;
        }
        if (!inside) return true;
        if (!TrimView(line.text).empty()) last = index;
        if (line.kind == LineKind::Key) {
            for (std::size_t k = 0; k < wanted.size(); ++k)
                if (at[k] == None && Matches(line.name, wanted[k].first)) at[k] = index;
        }
        return true;
    });

    std::string result;
    result.reserve(content.size() + 64 * wanted.size());
    auto addMissing = [&] {
        for (std::size_t k = 0; k < wanted.size(); ++k)
            if (at[k] == None) result += wanted[k].first + "=" + wanted[k].second + "\r\n";
    };
    ForEachLine(content, [&](std::size_t index, const Line& line) {
        std::size_t replaced = None;
        for (std::size_t k = 0; k < wanted.size(); ++k)
            if (at[k] == index) replaced = k;
        if (replaced != None) {
            result.append(line.name) += "=" + wanted[replaced].second;  // the stored spelling, where it stands
        } else {
            result.append(line.text);
        }
        result += "\r\n";
        if (index == last) addMissing();
        return true;
    });
    if (header == None) {
        result += "[" + name + "]\r\n";
        addMissing();
    }
    return result;
}

std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& fileName) {
    const std::optional<IniSection> keys = ReadIniSection(section, fileName);
    if (!keys) return std::string();
    const auto it = keys->find(ToUpperAscii(Trim(key)));
    return it == keys->end() ? std::string() : it->second;
}

std::optional<IniSection> ReadIniSection(const std::string& section, const std::string& fileName) {
    std::string content;
    if (platform::ReadRegularFile(fileName, MaxIniFileBytes, content) != platform::ReadOutcome::Read)
        return std::nullopt;
    return ParseIniSection(content, section);
}

bool WriteIniValues(const std::string& section, const IniValues& values, const std::string& fileName) {
    if (!Writable(section, values)) return false;

    // A link is followed, so the file it points to is updated and the link stays.
    std::error_code ec;
    std::string target = fileName;
    if (fs::is_symlink(platform::Utf8Path(fileName), ec)) {
        fs::path resolved = fs::weakly_canonical(platform::Utf8Path(fileName), ec);
        if (ec) return false;
        target = platform::Utf8Text(resolved);
    }

    std::string content;
    const platform::ReadOutcome outcome = platform::ReadRegularFile(target, MaxIniFileBytes, content);
    if (outcome != platform::ReadOutcome::Read && outcome != platform::ReadOutcome::Missing)
        return false;  // not a settings file of ours: never replaced
    const bool exists = outcome == platform::ReadOutcome::Read;
    // Whether the file may be written, asked of the file itself: a rename beside it could
    // replace a file its owner protected.
    if (exists && !platform::FileWritable(target)) return false;
    // CRLF line ends may make a file grow past what is read back: better no save than a lost one.
    content = SetIniValues(content, section, values);
    return content.size() <= MaxIniFileBytes && ReplaceFile(target, content, exists);
}

void WriteIniValue(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& fileName) {
    WriteIniValues(section, {{key, value}}, fileName);
}

}  // namespace kelvora
