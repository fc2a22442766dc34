#include "cli/PackCommand.h"

#include <algorithm>
#include <iostream>
#include <variant>

#include "app/Selection.h"
#include "cli/PackArguments.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "common/Version.h"
#include "job/Items.h"
#include "job/Job.h"
#include "platform/FileSystem.h"
#include "platform/Terminal.h"
#include "platform/UserFolders.h"
#include "prefs/Settings.h"
#include "runner/DOSOutputs.h"
#include "runner/EventPump.h"
#include "sizing/Sizes.h"

namespace kelvora {

namespace {

constexpr int ExitDone = 0, ExitFailed = 1, ExitRefused = 2, ExitInterrupted = 130;
constexpr double MaxBlockCount = 32767;

std::string WithoutStatusPrefix(const std::string& text) {
    return StartsWith(text, "Status: ") ? text.substr(8) : text;
}

// The terminal as the tool runs' event loop: it waits for the tool or an interrupt, and turns an
// interrupt into a Stop.
class TerminalPump : public EventPump {
public:
    TerminalPump(const platform::InterruptWatch& interrupts, std::ostream& err) : interrupts_(interrupts), err_(err) {}
    std::function<void()> onInterrupt;

    void DoEvents() override {
        if (interrupts_.Interrupted() && !told_ && onInterrupt) {
            told_ = true;
            onInterrupt();
        }
    }
    void WaitForSourceOrEvents(platform::WaitHandle source, int timeoutMs) override {
        platform::WaitForEither(source, interrupts_.Handle(), timeoutMs);
        DoEvents();
    }
    void ShowRunnerFailure(const std::string& text) override { err_ << "kelvora: " << text << "\n"; }

private:
    const platform::InterruptWatch& interrupts_;
    std::ostream& err_;
    bool told_ = false;
};

// One line per item and stage on the error stream; on a terminal the line shows the stage's
// percentage as it goes. Failures always, with what the tool said.
class TerminalProgress : public JobObserver {
public:
    TerminalProgress(std::ostream& err, bool quiet, Language language)
        : err_(err), quiet_(quiet), live_(!quiet && platform::ErrorIsTerminal()), language_(language) {}

    void StageBegun(Stage stage, const ItemPaths& item, std::optional<int32_t> expectedVolumes) override {
        EndLine();
        expected_ = expectedVolumes.value_or(1);
        const Msg status = stage == Stage::Archiving   ? Msg::StatusRarring
                           : stage == Stage::Recovery ? Msg::StatusParring
                                                      : Msg::StatusVerifying;
        line_ = WithoutStatusPrefix(Text(status, language_)) + item.source;
        if (quiet_) return;
        err_ << line_;
        if (live_) Show(0);
        else err_ << "\n";
        open_ = live_;
    }
    void VolumesDone(int32_t done) override { Show(expected_ > 0 ? std::min<int64_t>(100, done * int64_t{100} / expected_) : 0); }
    void ArchiverDone() override { Show(100); }
    void Percent(int32_t percent) override {
        if (percent >= 0 && percent <= 100) Show(percent);
    }
    void ItemEnded(const ItemResult& result) override {
        EndLine();
        if (result.outcome != ItemResult::Outcome::Failed && result.outcome != ItemResult::Outcome::Error) return;
        err_ << "kelvora: " << result.item.source;
        const std::string why = Describe(result, language_);
        if (!why.empty()) err_ << ":\n" << ReplaceCrLf(why);
        err_ << "\n";
    }

private:
    void Show(int64_t percent) {
        if (!live_ || !open_) return;
        err_ << "\r" << line_ << "  " << percent << "%" << std::flush;
    }
    void EndLine() {
        if (open_) err_ << "\n";
        open_ = false;
    }
    static std::string ReplaceCrLf(std::string text) {
        for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
        return text;
    }

    std::ostream& err_;
    bool quiet_, live_;
    Language language_;
    std::string line_;
    bool open_ = false;
    int32_t expected_ = 1;
};

}  // namespace

JobPlan PackPlan(const PackOptions& o, const SavedChoices& saved, const std::string& source, bool folder,
               int64_t size) {
    JobPlan plan;
    plan.source = source;
    plan.sourceBytes = size;
    plan.archiveName = o.name ? *o.name : WithRarExtension(WithoutForbiddenChars(GetItemName(source)));
    if (o.separately) plan.separateItems = ListFolderItems(source).items;
    plan.splitBytes = o.splitBytes;
    plan.wholeBlockVolumes = saved.calculateEff == 1 && !o.noEfficientSize;
    const Compression byPosition[] = {Compression::None, Compression::Normal, Compression::High};
    plan.compression = o.compression.value_or(saved.compression < 0 ? Compression::ArchiverDefault : byPosition[saved.compression]);
    // The folder options mean nothing for a file, as in the window.
    plan.skipEmptyFolders = folder && (o.noEmptyDirs || saved.noEmpty == 1);
    plan.contentsOnly = folder && (o.noMainDir || saved.noMainDir == 1);
    plan.oldNaming = o.oldNaming || saved.oldNaming == 1;
    plan.blockSize = o.yencLines.value_or(YencLinesFirst + YencLinesStep * saved.yEncLines) * BytesPerYencLine;
    switch (saved.optPars) {
        case 1: plan.recovery = {RecoveryAmount::Kind::Blocks, 1}; break;  // the window's first count
        case 2: plan.recovery = {RecoveryAmount::Kind::Files, RecoveryFilesFirst + saved.recoveryFiles}; break;
        default: plan.recovery = {RecoveryAmount::Kind::Percent, RedundancyFirst + RedundancyStep * saved.redundancy};
    }
    if (o.recovery) plan.recovery = *o.recovery;
    // Never more recovery blocks than the source has, as the window keeps the count.
    if (plan.recovery.kind == RecoveryAmount::Kind::Blocks) {
        const double blocks = std::min(MaxBlockCount, RoundUp(static_cast<double>(size) / plan.blockSize));
        plan.recovery.count = std::min<int32_t>(plan.recovery.count, static_cast<int32_t>(blocks));
    }
    plan.uniformSizes = o.uniform || saved.uniformSize == 1;
    plan.verify = o.verify || saved.verify;
    return plan;
}

namespace {

void Summarize(const JobResult& result, std::ostream& out) {
    for (const ItemResult& item : result.items) {
        if (item.item.workFolder.empty()) continue;
        out << item.item.workFolder << "\n";
        std::vector<std::string> names;
        platform::ListFolder(item.item.workFolder + platform::PathSeparator, [&](const platform::DirEntry& e) {
            names.push_back(e.name);
            return true;
        });
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) out << "  " << name << "\n";
    }
}

}  // namespace

int RunPack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto parsed = ParsePackArguments(args);
    if (const auto* usage = std::get_if<UsageError>(&parsed)) {
        err << "kelvora pack: " << usage->text << "\nTry 'kelvora pack --help'.\n";
        return ExitRefused;
    }
    const PackOptions& o = std::get<PackOptions>(parsed);
    if (o.help) return out << PackUsage(), ExitDone;
    // Until the saved choices are read, the language asked for or English.
    Language language = o.language.value_or(Language::English);
    auto refuse = [&](const std::string& text) {
        err << "kelvora: " << Trim(text) << "\n";
        return ExitRefused;
    };
    const std::string programFolder = platform::ProgramFolder();

    SavedChoices saved;
    if (o.settingsFile) {
        if (!platform::Exists(*o.settingsFile)) return refuse(Text(Msg::NotFound, language, {*o.settingsFile}));
        // A damaged file gives the whole default set, as in the window; a script is told so.
        if (const auto read = ReadSettingsFile(*o.settingsFile)) saved = *read;
        else err << "kelvora: " << Text(Msg::SettingsUnusable, language, {*o.settingsFile}) << "\n";
    } else if (o.savedSettings) {
        const std::string config = platform::UserConfigFolder();
        const SettingsFiles files = ChooseSettingsFiles(
            programFolder, config.empty() ? config : config + platform::PathSeparator + "kelvora", platform::FolderWritable);
        saved = ReadSettingsFile(files.read).value_or(SavedChoices{});  // none saved: the defaults
    }
    if (o.settingsFile || o.savedSettings) language = o.language.value_or(saved.language);

    if (!IsValidUtf8(o.source)) return refuse(Text(Msg::StartupPathNotUtf8, language, {ShowInvalidUtf8(o.source)}));
    const std::string source = AbsoluteSourcePath(o.source);
    if (o.source.empty()) return refuse(Text(Msg::NoInput, language));
    if (source.empty() || !platform::Exists(source)) return refuse(Text(Msg::NotFound, language, {o.source}));
    if (IsDriveRoot(source)) return refuse(Text(Msg::DrivesCannotBeSelected, language));
    const bool folder = IsFolder(source);
    if (o.separately && !folder) return refuse(Text(Msg::SeparatelyNeedsFolder, language, {source}));
    if (o.name && std::any_of(o.name->begin(), o.name->end(), [](char c) { return IsForbiddenNameChar(c); }))
        return refuse(Text(Msg::ForbiddenCharacters, language) + " " + Text(Msg::ForbiddenCharacterList, language));

    if (o.out && o.out->empty()) return refuse(Text(Msg::NoOutputFolder, language));
    std::string output = o.out ? AbsoluteSourcePath(*o.out) : SplitPath(source).first;
    if (!IsFolder(output)) return refuse(Text(Msg::NotFound, language, {o.out.value_or(output)}));
    if (output.back() != platform::PathSeparator) output += platform::PathSeparator;

    if (const auto refusal = ToolsRefusal(programFolder)) return refuse(TextOf(*refusal, language));

    platform::InterruptWatch interrupts;
    const int64_t size = folder ? GetFolderSize(source, [] {}) : GetFileSizeBytes(source);
    if (interrupts.Interrupted()) return ExitInterrupted;
    JobPlan plan = PackPlan(o, saved, source, folder, size);
    plan.outputFolder = output;
    if (const auto refusal = PlanRefusal(plan)) return refuse(TextOf(*refusal, language));

    TerminalPump pump(interrupts, err);
    DOSOutputs runner(pump);
    TerminalProgress progress(err, o.quiet, language);
    Job job(plan, programFolder, runner, progress);
    pump.onInterrupt = [&job] { job.RequestStop(); };
    const JobResult result = job.Run();

    if (!o.quiet) {
        Summarize(result, out);
        out.flush();
        const Msg status = result.stopped      ? Msg::StatusCanceled
                           : result.Succeeded() ? Msg::StatusDone
                           : result.items.size() == result.itemCount &&
                                     std::any_of(result.items.begin(), result.items.end(),
                                                 [](const ItemResult& r) { return r.outcome == ItemResult::Outcome::Done; })
                               ? Msg::StatusDoneSomeFailed
                               : Msg::StatusFailed;
        err << WithoutStatusPrefix(Text(status, language)) << "\n";
        if (plan.verify && result.Succeeded() && !result.items.empty()) err << Text(Msg::Verified, language) << "\n";
    }
    if (result.stopped || interrupts.Interrupted()) return ExitInterrupted;
    return result.AnyFailed() ? ExitFailed : ExitDone;
}

namespace {

// Qt takes its own options with one dash or two (--style fusion, --reverse): those are the window's.
bool IsQtOption(const std::string& arg) {
    static const char* const names[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                        "qwindowicon", "qwindowtitle", "reverse", "session", "style", "stylesheet",
                                        "widgetcount", "qmljsdebugger", "testability", "display", "geometry", "name",
                                        "title", "icon", "visual", "nograb", "dograb", "qdevel", "qdebug"};
    const std::string name = arg.substr(2, arg.find('=') - 2);
    return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return name == n; });
}

}  // namespace

std::optional<int> RunWithoutWindow(const std::vector<std::string>& args) {
    if (args.empty()) return std::nullopt;
    // A long option names no source; one dash may be Qt's own (-style), so it goes to the window.
    const bool unknownOption =
        StartsWith(args[0], "--") && args[0] != "--help" && args[0] != "--version" && !IsQtOption(args[0]);
    if (args[0] != "pack" && args[0] != "--help" && args[0] != "-h" && args[0] != "--version" && !unknownOption)
        return std::nullopt;
    platform::UseParentConsole();
    if (unknownOption) return std::cerr << "kelvora: unknown option " << args[0] << "\nTry 'kelvora --help'.\n", ExitRefused;
    if (args[0] == "pack") return RunPack({args.begin() + 1, args.end()}, std::cout, std::cerr);
    if (args[0] == "--version") return std::cout << VersionedTitle() << "\n", ExitDone;
    return std::cout << ProgramUsage(), ExitDone;
}

}  // namespace kelvora
