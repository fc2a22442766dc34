#include "job/ToolProgress.h"

#include <charconv>
#include <climits>

#include "common/Numbers.h"
#include "common/RuntimeError.h"
#include "common/Text.h"

namespace kelvora {

namespace {

constexpr std::size_t KeptPerLine = 32;

// A text as a whole number, the way a numeric text converts to a 32-bit integer: any form the
// general numeric test accepts ("45", " 7", "1,000", "1e2", "&H1F"); anything else is a type
// mismatch, a number out of range an overflow.
int32_t WholeNumberOf(const std::string& text) {
    std::string t = Trim(text);
    if (!IsNumeric(t)) Raise(Err::TypeMismatch, "Type mismatch");
    if (t.size() >= 2 && t[0] == '&') {
        const char kind = t[1];
        const bool hex = kind == 'H' || kind == 'h';
        const bool octal = kind == 'O' || kind == 'o';
        const char* first = t.data() + (hex || octal ? 2 : 1);
        int64_t value = 0;
        auto [end, ec] = std::from_chars(first, t.data() + t.size(), value, hex ? 16 : 8);
        if (ec != std::errc() || end != t.data() + t.size()) Raise(Err::Overflow, "Overflow");
        return CLng(static_cast<double>(value));
    }
    std::string plain;
    bool negative = false;
    for (char c : t) {
        if (c == ',') continue;  // thousands separators
        if (c == 'd' || c == 'D') c = 'e';
        plain += c;
    }
    size_t start = 0;
    if (!plain.empty() && (plain[0] == '+' || plain[0] == '-')) {
        negative = plain[0] == '-';
        start = 1;
    }
    double value = 0;
    auto [end, ec] = std::from_chars(plain.data() + start, plain.data() + plain.size(), value);
    if (ec == std::errc::result_out_of_range) Raise(Err::Overflow, "Overflow");
    if (ec != std::errc() || end != plain.data() + plain.size()) Raise(Err::TypeMismatch, "Type mismatch");
    return CLng(negative ? -value : value);
}

}  // namespace

void ArchiverProgress::Feed(const std::string& chunk, const std::function<void(int32_t)>& onVolumes,
                            const std::function<void()>& onDone) {
    // One volume per chunk with the marker, however many it holds; a marker split over two
    // chunks is not seen.
    if (chunk.find("l sum") != std::string::npos && done_ < INT32_MAX) onVolumes(++done_);
    for (const char c : chunk) {
        if (c == '\n' || c == '\r') {
            EndLine(onVolumes, onDone);
        } else if (c == '\b') {
            if (length_ > 0 && --length_ < line_.size()) line_.pop_back();
        } else {
            if (line_.size() < KeptPerLine) line_ += c;
            ++length_;
        }
    }
}

void ArchiverProgress::EndLine(const std::function<void(int32_t)>& onVolumes, const std::function<void()>& onDone) {
    const bool begun = StartsWith(line_, "Creating archive ");
    const bool done = length_ == 4 && line_ == "Done";
    line_.clear();
    length_ = 0;
    if (begun && begun_ < INT32_MAX) ++begun_;
    const int32_t finished = begun ? begun_ - 1 : done ? begun_ : 0;
    if (finished > done_) onVolumes(done_ = finished);
    if (done) onDone();
}

std::optional<int32_t> Par2PercentIn(const std::string& chunk, const std::string& mark) {
    if (chunk.find(mark) == std::string::npos) return std::nullopt;
    const std::size_t lastSpace = chunk.rfind(' ');
    if (lastSpace == std::string::npos) return std::nullopt;
    const std::size_t point = chunk.find('.', lastSpace + 1);
    if (point == std::string::npos) return std::nullopt;
    try {
        return WholeNumberOf(chunk.substr(lastSpace + 1, point - lastSpace - 1));
    } catch (const RuntimeError&) {
        return std::nullopt;  // not a number: nothing to show for this chunk
    }
}

}  // namespace kelvora
