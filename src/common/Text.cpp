#include "common/Text.h"

namespace kelvora {

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameAt(const std::string& text, std::size_t pos, const std::string& part, bool ignoreCase) {
    if (pos > text.size() || text.size() - pos < part.size()) return false;
    for (std::size_t i = 0; i < part.size(); ++i) {
        char a = text[pos + i];
        char b = part[i];
        if (ignoreCase ? UpperAscii(a) != UpperAscii(b) : a != b) return false;
    }
    return true;
}

// 0-based position or npos.
std::size_t Find(const std::string& text, const std::string& part, std::size_t from, bool ignoreCase) {
    if (from > text.size()) return std::string::npos;
    if (!ignoreCase) return text.find(part, from);
    for (std::size_t pos = from; pos + part.size() <= text.size(); ++pos) {
        if (SameAt(text, pos, part, true)) return pos;
    }
    return std::string::npos;
}

}  // namespace

std::size_t InStr(const std::string& text, const std::string& part, std::size_t start, bool ignoreCase) {
    if (start < 1) start = 1;
    std::size_t pos = Find(text, part, start - 1, ignoreCase);
    return pos == std::string::npos ? 0 : pos + 1;
}

std::string ToUpperAscii(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = UpperAscii(c);
    return out;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && SameAt(a, 0, b, true);
}

bool ContainsNoCase(const std::string& text, const std::string& part) {
    return Find(text, part, 0, true) != std::string::npos;
}

std::string Trim(const std::string& text, const char* blanks) {
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string ReplaceNoCase(const std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return text;
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = Find(text, from, pos, true);
        if (hit == std::string::npos) break;
        out.append(text, pos, hit - pos);
        out += to;
        pos = hit + from.size();
    }
    out.append(text, pos, std::string::npos);
    return out;
}

bool StartsWith(const std::string& text, const std::string& prefix, bool ignoreCase) {
    return SameAt(text, 0, prefix, ignoreCase);
}

bool EndsWith(const std::string& text, const std::string& suffix, bool ignoreCase) {
    return text.size() >= suffix.size() && SameAt(text, text.size() - suffix.size(), suffix, ignoreCase);
}

std::string FillIn(const std::string& text, const std::vector<std::string>& arguments) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const size_t k = static_cast<size_t>(text[i + 1] - '1');
            if (k < arguments.size()) {
                out += arguments[k];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool IsForbiddenNameChar(int code) {
    for (char c : ForbiddenNameChars)
        if (code == static_cast<unsigned char>(c)) return true;
    return false;
}

std::string WithoutForbiddenChars(std::string name) {
    for (char& c : name)
        if (IsForbiddenNameChar(static_cast<unsigned char>(c))) c = '_';
    return WithoutControlChars(std::move(name));
}

std::string WithoutControlChars(std::string name) {
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    return name;
}

}  // namespace kelvora
