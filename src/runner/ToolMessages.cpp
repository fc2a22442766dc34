#include "runner/ToolMessages.h"

#include <algorithm>
#include <cctype>

#include "common/Text.h"

namespace kelvora {

namespace {

// A line longer than this is cut: a tool writing without line ends must not grow the program.
constexpr std::size_t MaxLine = 1024;

// "45%", "Processing: 12.5%", "Adding  x  100%": a line whose last word is a percentage tells
// nothing once the run is over.
bool IsProgressOnly(const std::string& line) {
    if (line.empty() || line.back() != '%') return false;
    const std::size_t wordStart = line.find_last_of(" \t:") + 1;
    for (std::size_t i = wordStart; i + 1 < line.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(line[i])) && line[i] != '.') return false;
    const std::string before = line.substr(0, wordStart);
    // Only a label may stand before it ("Processing:"), not a message.
    return before.find_first_not_of(" \t") == std::string::npos ||
           (before.find(':') != std::string::npos && before.find(':') == before.find_last_not_of(" \t"));
}

// The archiver's lines about the file it works on: the name may hold any word.
constexpr const char* ListingLines[] = {"Adding ",    "Updating ",  "Creating archive ", "...",
                                        "Extracting ", "Testing ",  "Calculating the control sum"};

constexpr const char* ProblemWords[] = {
    "error",     "warning",   "cannot",   "can't",      "could not", "couldn't", "unable",   "failed",
    "failure",   "not found", "no such",  "no space",   "disk full", "abort",    "invalid",  "denied",
    "must ",     "too small", "too large", "too many",  "too big",   "not enough", "insufficient",
    "missing",   "refused",   "corrupt",  "damaged",    "not possible", "is required"};

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

bool SaysWhatWentWrong(const std::string& line) {
    for (const char* listing : ListingLines)
        if (StartsWith(line, listing)) return false;
    // par2 puts every file name in quotes.
    std::string words;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        else if (!quoted) words += c;
    }
    words = LowerAscii(words);
    return std::any_of(std::begin(ProblemWords), std::end(ProblemWords),
                       [&](const char* word) { return words.find(word) != std::string::npos; });
}

void ToolMessages::Feed(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            EndLine();
        } else if (c == '\b') {
            if (!line_.empty()) line_.pop_back();
        } else if ((static_cast<unsigned char>(c) >= 32 || c == '\t') && line_.size() < MaxLine) {
            line_.push_back(c);
        }
    }
}

void ToolMessages::Finish() { EndLine(); }

void ToolMessages::EndLine() {
    const std::string line = Trim(line_);
    line_.clear();
    if (line.empty() || IsProgressOnly(line)) return;
    last_ = line;
    if (problems_.size() < MaxProblems && SaysWhatWentWrong(line) &&
        std::find(problems_.begin(), problems_.end(), line) == problems_.end())
        problems_.push_back(line);
}

std::vector<std::string> ToolMessages::Quote() const {
    if (!problems_.empty()) return problems_;
    if (!last_.empty()) return {last_};
    return {};
}

std::string LastMeaningfulLine(const std::string& text) {
    ToolMessages messages;
    messages.Feed(text);
    messages.Finish();
    return messages.LastLine();
}

}  // namespace kelvora
