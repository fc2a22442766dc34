// What the job hands the tools, and what it makes of their output.
#include "TestJob.h"
#include "common/Text.h"
#include "job/ToolCommands.h"
#include "job/ToolProgress.h"
#include "runner/CommandLine.h"
#include "runner/OutsideTools.h"

namespace kelvora {

using Texts = std::vector<std::string>;

// The switches between the command word and "--".
static Texts Switches(const ToolCommand& c) { return Texts(c.arguments.begin() + 1, c.arguments.begin() + c.firstName - 1); }

// The worked example's choices: normal compression, 15 MB volumes of a 100,000,000-byte folder,
// 10 % recovery. As one text the lines read as the window's tools have always been given them
// (with "--" before the names, which may begin with "-"); par2 works inside the work folder and
// is handed its names relative to it.
TEST(ToolCommands, SwitchesNamesAndVolumes) {
    test::TempDir tmp;
    const std::string holiday = tmp.MakeFolder("photos/Holiday"), program = test::Native("/tools/kelvora");
    JobPlan plan = test::PlainJob(holiday, test::Native("/out/"), "Holiday.rar", 100000000);
    plan.splitBytes = 15728640;
    ItemPaths item{holiday, "Holiday.rar", test::Native("/out/Kelvora0001")};
    auto rar = [&] { return ArchiverCommand(plan, item, program); };
    auto par2 = [&] { return Par2CreateCommand(plan, item, program); };
    EXPECT_EQ(ToCommandLine(rar()), RarToolPath(program) + test::Native(" a -r -ep1 -m3 -v15728640b -- \"/out/Kelvora0001/Holiday.rar\" \"") +
                                        holiday + "\"");
    EXPECT_EQ(ToCommandLine(par2()), Par2ToolPath(program) + test::Native(" create -s384000 -r10 -- \"/out/Kelvora0001/Holiday.par2\" "
                                                                          "\"/out/Kelvora0001/*.*\""));
    EXPECT_TRUE(par2().folderWildcard && par2().workingFolder == item.workFolder && !rar().folderWildcard);
    EXPECT_EQ(ExpectedVolumeCount(plan), 7);  // 100,000,000 / 15,728,640 = 6.36, rounded up

    // One change each, and the archiver's and par2's switches then.
    const std::vector<std::tuple<std::function<void()>, Texts, Texts>> changes = {
        {[&] { plan.splitBytes.reset(); }, {"-r", "-ep1", "-m3"}, {"-s384000", "-r10"}},  // no -v, and no count of volumes
        {[&] { plan.compression = Compression::None, plan.recovery = {RecoveryAmount::Kind::Blocks, 250}; }, {"-r", "-ep1", "-m0"}, {"-s384000", "-c250"}},
        {[&] { plan.compression = Compression::High, plan.recovery = {RecoveryAmount::Kind::Files, 5}; }, {"-r", "-ep1", "-m5"}, {"-s384000", "-n5"}},
        {[&] { plan.compression = Compression::ArchiverDefault, plan.recovery = {RecoveryAmount::Kind::None, 0}; }, {"-r", "-ep1"}, {"-s384000"}},
        {[&] { plan.skipEmptyFolders = plan.oldNaming = plan.uniformSizes = true; }, {"-r", "-ep1", "-ed", "-vn"}, {"-s384000", "-u"}},
        // A file is packed without -r (with it the archiver adds the file's namesakes from below),
        // and whole: no "*.*" for a file item of a folder job.
        {[&] { plan.contentsOnly = true, item.source = tmp.WriteText("photos/report.txt", "r"); }, {"-ep1", "-ed", "-vn"}, {"-s384000", "-u"}},
    };
    for (const auto& [change, archiver, recovery] : changes) {
        change();
        EXPECT_TRUE(Switches(rar()) == archiver && Switches(par2()) == recovery) << ToCommandLine(rar()) << "\n" << ToCommandLine(par2());
    }
    EXPECT_TRUE(ExpectedVolumeCount(plan) == std::nullopt && rar().arguments.back() == item.source && !rar().folderWildcard);
    item.source = holiday;
    EXPECT_TRUE(EndsWith(ToCommandLine(rar()), " \"" + holiday + test::Native("/*.*\"")) && rar().folderWildcard);

    // Volumes of whole blocks: {split, block size, switch}.
    plan.wholeBlockVolumes = true;
    const std::tuple<int64_t, int32_t, const char*> sizes[] = {
        {15728640, 384000, "-v15744000b"},  // 40.96 blocks of 384,000 -> 41
        {1600000, 640000, "-v1280000b"},    // 2.5 blocks round to 2, the even neighbour
        {100000, 384000, "-v384000b"},      // 0 blocks: one block, never a 0-byte volume
    };
    for (auto [split, block, expected] : sizes) EXPECT_EQ((plan.splitBytes = split, plan.blockSize = block, Switches(rar()).back()), expected);
    // Only a closing ".rar" goes, in any case.
    for (auto [name, index] : {std::pair{"Holiday.RAR", "Holiday.par2"}, {"my.rar.parts.rar", "my.rar.parts.par2"},
                               {"x.rarities", "x.rarities.par2"}, {"-R.rar", "-R.par2"}})
        EXPECT_EQ(Par2IndexName(name), index);
}

// Volumes counted from the archiver's output against what is expected, as older archivers mark
// them ("l sum", once per chunk, a marker split over two chunks not seen) and as RAR 5 and later
// print their lines (followed across chunks of any size, with LF, CR LF or CR line ends, and
// backspaced percentages; a file named "Done" or holding the marker text must not count).
TEST(ArchiverOutput, VolumesFromMarkersAndLines) {
    Texts seen;
    auto feed = [&](const std::vector<std::string>& chunks) {
        ArchiverProgress progress;
        seen.clear();
        for (const std::string& chunk : chunks)
            progress.Feed(chunk, [&](int32_t n) { seen.push_back(std::to_string(n)); }, [&] { seen.push_back("done"); });
        return seen;
    };
    EXPECT_EQ(feed({"Adding    /photos/a.jpg  OK \nCalculating the control sum\nl sum l sum", "Calculating the control s", "um   OK \n",
                    "Processing: 45.3%"}),
              Texts{"1"});
    const std::string rar7 =
        "\nRAR 7.01   Copyright (c) 1993-2024 Alexander Roshal   12 May 2024\nTrial version             Type "
        "'rar -?' for help\n\nEvaluation copy. Please register.\n\nCreating archive /out/Holiday.part1.rar\n\n"
        "Adding    /photos/Done                                                 OK \n"
        "Adding    /photos/Creating archive x                                    \b\b\b\b  0%\b\b\b\b\b  OK \n"
        "Adding    /photos/a.jpg                                                 \b\b\b\b 55%\b\b\b\b    \n\n"
        "Creating archive /out/Holiday.part2.rar\n\n...         a.jpg                                \b\b\b\b\b  OK \n"
        "Adding    /photos/sub/b.jpg                                            100%\b\b\b\b    \n\n"
        "Creating archive /out/Holiday.part3.rar\n\n...         sub/b.jpg        \b\b\b\b\b  OK \nDone\n";
    for (const char* end : {"\n", "\r\n", "\r"}) {
        std::string output;
        for (char c : rar7) output += c == '\n' ? end : std::string(1, c);
        for (const size_t size : {1, 7, 255, 256}) {
            std::vector<std::string> chunks;
            for (size_t at = 0; at < output.size(); at += size) chunks.push_back(output.substr(at, size));
            EXPECT_EQ(feed(chunks), (Texts{"1", "2", "3", "done"})) << size;
        }
    }
    // A CR LF split between two 256-byte chunks ends one line, not two.
    EXPECT_EQ(feed({std::string(250, ' ') + "\nDone\r", "\nCreating archive x\r\n"}), Texts{"done"});
}

TEST(Par2Output, PercentageAfterTheLastBlank) {
    const std::pair<const char*, std::optional<int32_t>> chunks[] = {
        // 256-byte reads cut par2's \r-separated progress anywhere: the last number counts.
        {"Processing: 0.5%\rProcessing: 1.1%\rProcessing: 45.3%\rProcessing: 4", std::nullopt},
        {"Processing: 44.6%\rProcessing: 45.3%\rProces", 45},
        {"Processing: 99.9%\r", 99},  // the fraction is dropped, not rounded
        {"Processing: 150.0%\r", 150},  // the bar leaves out what lies beyond it
        {"sing: 50.0%\r", std::nullopt},
        {"Processing done. Finished.", std::nullopt},
        {"Processing: 99999999999.0%", std::nullopt},  // nor a number beyond 32 bits
    };
    for (auto [chunk, percent] : chunks) EXPECT_EQ(Par2PercentIn(chunk), percent) << chunk;
    // The check says "Scanning" as it goes.
    EXPECT_EQ(Par2PercentIn("Opening: \"x.part1.rar\"\nScanning: 12.3%\rScanning: 24.7%\r", "Scanning"), 24);
    EXPECT_EQ(Par2PercentIn("Scanning: 24.7%\r"), std::nullopt);
}

}  // namespace kelvora
