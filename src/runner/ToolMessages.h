#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace kelvora {

// Follows a tool's output line by line as it arrives and keeps what a report of its failure
// needs: the first few lines that say what went wrong, and the last line that says anything.
// Lines end at LF, CR or CR LF; a backspace takes back the character before it, as a console
// shows it. Memory stays bounded however much the tool writes.
class ToolMessages {
public:
    static constexpr std::size_t MaxProblems = 5;

    void Feed(const char* data, std::size_t size);
    void Feed(const std::string& text) { Feed(text.data(), text.size()); }
    // Ends the line still open (output need not end with a line end).
    void Finish();

    // Distinct, in the order they came.
    const std::vector<std::string>& Problems() const { return problems_; }
    // Progress figures ("45%", "Processing: 12.5%") and blank lines left out; "" when none.
    const std::string& LastLine() const { return last_; }
    // What a failure report quotes: the problem lines, else the last line (none when silent).
    std::vector<std::string> Quote() const;

private:
    void EndLine();

    std::string line_;
    std::vector<std::string> problems_;
    std::string last_;
};

// True for a line in which a tool says that something went wrong ("ERROR: ...", "Cannot read
// contents of ...", "Disk full", "Program aborted", "You must specify a Recovery file."). File
// names never count: par2 quotes them, and the archiver's listing lines are passed over.
bool SaysWhatWentWrong(const std::string& line);

// The last line of `text` that says something, as ToolMessages::LastLine.
std::string LastMeaningfulLine(const std::string& text);

}  // namespace kelvora
