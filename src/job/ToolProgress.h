#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kelvora {

// What the archiver's output says of its volumes, chunk by chunk. Older archivers print "l sum"
// once a volume is finished: a chunk holding it counts one volume. RAR 5 and later print none;
// their lines tell instead: "Creating archive <name>" begins a volume (so the one before it is
// finished) and "Done" ends the last one. Lines end at LF, CR or CR LF, as console programs
// write them on either system, and are followed across chunks; a backspace takes back the
// character before it.
class ArchiverProgress {
public:
    // onVolumes gets each new count of finished volumes; onDone the archiver's closing "Done".
    void Feed(const std::string& chunk, const std::function<void(int32_t)>& onVolumes,
              const std::function<void()>& onDone);
    int32_t VolumesDone() const { return done_; }

private:
    void EndLine(const std::function<void(int32_t)>& onVolumes, const std::function<void()>& onDone);

    int32_t done_ = 0;
    int32_t begun_ = 0;
    std::string line_;       // the start of the line not yet ended: only starts matter
    std::size_t length_ = 0;  // its whole length
};

// The PAR2 tool's percentage in one chunk: in a chunk holding "Processing" (as it creates; its
// check says "Scanning"), the whole number between the chunk's last blank and the first "."
// after it ("Processing: 45.3%" gives 45; the fraction is dropped). None when there is no such
// number.
std::optional<int32_t> Par2PercentIn(const std::string& chunk, const std::string& mark = "Processing");

}  // namespace kelvora
