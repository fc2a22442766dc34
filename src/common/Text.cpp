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

// Length of the well-formed UTF-8 sequence at `at`, 0 when there is none.
std::size_t Utf8SequenceAt(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead == 0xE0) length = 3, low = 0xA0;
    else if (lead >= 0xE1 && lead <= 0xEC) length = 3;
    else if (lead == 0xED) length = 3, high = 0x9F;  // no surrogates
    else if (lead >= 0xEE && lead <= 0xEF) length = 3;
    else if (lead == 0xF0) length = 4, low = 0x90;
    else if (lead >= 0xF1 && lead <= 0xF3) length = 4;
    else if (lead == 0xF4) length = 4, high = 0x8F;
    else return 0;
    if (text.size() - at < length) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    return length;
}

}  // namespace

bool IsValidUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = Utf8SequenceAt(text, at);
        if (n == 0) return false;
        at += n;
    }
    return true;
}

std::string ShowInvalidUtf8(const std::string& text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = Utf8SequenceAt(text, at);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++at;
        } else {
            out.append(text, at, n);
            at += n;
        }
    }
    return out;
}

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
