#include "job/JobPlan.h"

#include <ostream>

namespace kelvora {

namespace {

const char* NameOf(Compression c) {
    switch (c) {
        case Compression::ArchiverDefault: return "default";
        case Compression::None: return "none";
        case Compression::Normal: return "normal";
        case Compression::High: return "high";
    }
    return "?";
}

const char* NameOf(RecoveryAmount::Kind k) {
    switch (k) {
        case RecoveryAmount::Kind::None: return "none";
        case RecoveryAmount::Kind::Percent: return "percent";
        case RecoveryAmount::Kind::Blocks: return "blocks";
        case RecoveryAmount::Kind::Files: return "files";
    }
    return "?";
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const JobPlan& s) {
    out << "{source \"" << s.source << "\" (" << s.sourceBytes << " bytes), out \"" << s.outputFolder << "\", name \""
        << s.archiveName << "\"";
    if (s.separateItems) out << ", " << s.separateItems->size() << " separate items";
    out << ", split " << (s.splitBytes ? std::to_string(*s.splitBytes) : "none")
        << (s.wholeBlockVolumes ? " whole blocks" : "") << ", compression " << NameOf(s.compression)
        << (s.skipEmptyFolders ? ", -ed" : "") << (s.contentsOnly ? ", contents" : "") << (s.oldNaming ? ", -vn" : "")
        << (s.pause ? ", pause" : "") << ", block " << s.blockSize << ", recovery " << NameOf(s.recovery.kind) << " "
        << s.recovery.count << (s.uniformSizes ? ", uniform" : "") << (s.verify ? ", verify" : "") << "}";
    return out;
}

}  // namespace kelvora
