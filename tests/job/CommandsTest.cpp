// What the job hands the tools, and what it makes of their output.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "common/RuntimeError.h"
#include "common/Text.h"
#include "job/ToolCommands.h"
#include "job/ToolProgress.h"
#include "runner/CommandLine.h"
#include "runner/OutsideTools.h"

namespace kelvora {
namespace {

using Texts = std::vector<std::string>;

// The worked example's choices: normal compression, 15 MB volumes of a 100,000,000-byte folder,
// 10 % recovery.
struct ToolCommands : ::testing::Test {
    ToolCommands() {
        plan.source = holiday;
        plan.sourceBytes = 100000000;
        plan.outputFolder = test::Native("/out/");
        plan.archiveName = "Holiday.rar";
        plan.splitBytes = 15728640;
        plan.wholeBlockVolumes = false;
        plan.compression = Compression::Normal;
    }
    ItemPaths Item() const { return {plan.source, plan.archiveName, test::Native("/out/Kelvora0001")}; }
    std::string Rar() const { return ToCommandLine(ArchiverCommand(plan, Item(), program)); }
    std::string Par2() const { return ToCommandLine(Par2CreateCommand(plan, Item(), program)); }
    // The switches between the command word and the names.
    Texts Switches(const ToolCommand& c) const { return Texts(c.arguments.begin() + 1, c.arguments.begin() + c.firstName - 1); }

    test::TempDir tmp;
    const std::string holiday = tmp.MakeFolder("photos/Holiday"), program = test::Native("/tools/kelvora");
    JobPlan plan;
};

// As one text the lines read as the window's tools have always been given them (with "--"
// before the names, which may begin with "-").
TEST_F(ToolCommands, RarSwitchesPathsAndVolumes) {
    EXPECT_EQ(Rar(), RarToolPath(program) + test::Native(" a -r -ep1 -m3 -v15728640b -- \"/out/Kelvora0001/Holiday.rar\" \"") +
                         holiday + "\"");
    EXPECT_EQ(ExpectedVolumeCount(plan), 7);  // 100,000,000 / 15,728,640 = 6.36, rounded up
    auto switches = [&] { return Switches(ArchiverCommand(plan, Item(), program)); };
    plan.splitBytes.reset();  // no -v, and no count of volumes
    EXPECT_EQ(ExpectedVolumeCount(plan), std::nullopt);
    for (auto [level, expected] : {std::pair{Compression::None, "-m0"}, {Compression::High, "-m5"},
                                   {Compression::ArchiverDefault, "-ep1"}})
        EXPECT_EQ((plan.compression = level, switches().back()), expected);
    plan.compression = Compression::Normal;
    plan.skipEmptyFolders = plan.oldNaming = true;
    EXPECT_EQ(switches(), (Texts{"-r", "-ep1", "-m3", "-ed", "-vn"}));
    plan.contentsOnly = true;
    const ToolCommand contents = ArchiverCommand(plan, Item(), program);
    EXPECT_TRUE(EndsWith(ToCommandLine(contents), " \"" + holiday + test::Native("/*.*\"")) && contents.folderWildcard);
    // A file is packed without -r (with it the archiver adds the file's namesakes from below),
    // and whole: no "*.*" for a file item of a folder job.
    plan.source = tmp.WriteText("photos/report.txt", "r");
    const ToolCommand file = ArchiverCommand(plan, Item(), program);
    EXPECT_EQ(Switches(file), (Texts{"-ep1", "-m3", "-ed", "-vn"}));
    EXPECT_TRUE(file.arguments.back() == plan.source && !file.folderWildcard);

    // Volumes of whole blocks: {split, block size, switch}.
    plan.wholeBlockVolumes = true;
    const std::tuple<int64_t, int32_t, const char*> sizes[] = {
        {15728640, 384000, "-v15744000b"},  // 40.96 blocks of 384,000 -> 41
        {1600000, 640000, "-v1280000b"},    // 2.5 blocks round to 2, the even neighbour
        {100000, 384000, "-v384000b"},      // 0 blocks: one block, never a 0-byte volume
    };
    for (auto [split, block, expected] : sizes) {
        plan.splitBytes = split;
        plan.blockSize = block;
        EXPECT_EQ(switches().back(), expected) << split << " " << block;
    }
    plan.blockSize = 0;  // as the window's arithmetic: an error, not a volume of nothing
    EXPECT_THROW(VolumeBytes(plan), RuntimeError);
}

TEST_F(ToolCommands, Par2NameAndRecoverySwitches) {
    EXPECT_EQ(Par2(), Par2ToolPath(program) +
                          test::Native(" create -s384000 -r10 -- \"/out/Kelvora0001/Holiday.par2\" \"/out/Kelvora0001/*.*\""));
    // Only a closing ".rar" goes, in any case.
    for (auto [name, index] : {std::pair{"Holiday.RAR", "Holiday.par2"}, {"my.rar.parts.rar", "my.rar.parts.par2"},
                               {"x.rarities", "x.rarities.par2"}, {"-R.rar", "-R.par2"}})
        EXPECT_EQ(Par2IndexName(name), index);
    auto switches = [&] { return Switches(Par2CreateCommand(plan, Item(), program)); };
    const std::pair<RecoveryAmount, const char*> amounts[] = {{{RecoveryAmount::Kind::Blocks, 250}, "-c250"},
                                                              {{RecoveryAmount::Kind::Files, 5}, "-n5"},
                                                              {{RecoveryAmount::Kind::None, 0}, "-s384000"}};
    for (auto [amount, expected] : amounts) EXPECT_EQ((plan.recovery = amount, switches().back()), expected);
    plan.uniformSizes = true;
    EXPECT_EQ(switches(), (Texts{"-s384000", "-u"}));
    // par2 works inside the folder and is handed its names relative to it.
    const ToolCommand create = Par2CreateCommand(plan, Item(), program);
    EXPECT_TRUE(create.folderWildcard && create.workingFolder == Item().workFolder);
}

// Volumes counted from the archiver's output against what is expected, as older archivers mark
// them ("l sum", once per chunk, a marker split over two chunks not seen) and as RAR 5 and later
// print their lines (followed across chunks of any size, with LF, CR LF or CR line ends, and
// backspaced percentages; a file named "Done" or holding the marker text must not count).
TEST(ArchiverOutput, VolumesFromMarkersAndLines) {
    ArchiverProgress marked;
    Texts seen;
    auto feed = [&](ArchiverProgress& p, const std::string& chunk) {
        p.Feed(chunk, [&](int32_t n) { seen.push_back(std::to_string(n)); }, [&] { seen.push_back("done"); });
    };
    for (const char* chunk : {"Adding    /photos/a.jpg  OK \nCalculating the control sum\nl sum l sum", "Calculating the control s",
                              "um   OK \n", "Processing: 45.3%"})
        feed(marked, chunk);
    EXPECT_EQ(seen, Texts{"1"});

    const std::string rar7 =
        "\nRAR 7.01   Copyright (c) 1993-2024 Alexander Roshal   12 May 2024\nTrial version             Type "
        "'rar -?' for help\n\nEvaluation copy. Please register.\n\nCreating archive /out/Holiday.part1.rar\n\n"
        "Adding    /photos/Done                                                 OK \n"
        "Adding    /photos/Creating archive x                                    \b\b\b\b  0%\b\b\b\b\b  OK \n"
        "Adding    /photos/a.jpg                                                 \b\b\b\b 55%\b\b\b\b    \n\n"
        "Creating archive /out/Holiday.part2.rar\n\n...         a.jpg                                \b\b\b\b\b  OK \n"
        "Adding    /photos/sub/b.jpg                                            100%\b\b\b\b    \n\n"
        "Creating archive /out/Holiday.part3.rar\n\n...         sub/b.jpg        \b\b\b\b\b  OK \nDone\n";
    auto withLineEnds = [&](const std::string& end) {
        std::string text;
        for (char c : rar7) text += c == '\n' ? end : std::string(1, c);
        return text;
    };
    for (const std::string& output : {rar7, withLineEnds("\r\n"), withLineEnds("\r")}) {
        for (const size_t size : {1, 7, 255, 256}) {
            ArchiverProgress lines;
            seen.clear();
            for (size_t at = 0; at < output.size(); at += size) feed(lines, output.substr(at, size));
            EXPECT_EQ(seen, (Texts{"1", "2", "3", "done"})) << size;
        }
    }
    // A CR LF split between two 256-byte chunks ends one line, not two.
    ArchiverProgress split;
    seen.clear();
    feed(split, std::string(250, ' ') + "\nDone\r"), feed(split, "\nCreating archive x\r\n");
    EXPECT_EQ(seen, Texts{"done"});
}

TEST(Par2Output, PercentageAfterTheLastBlank) {
    const std::pair<const char*, std::optional<int32_t>> chunks[] = {
        // 256-byte reads cut par2's \r-separated progress anywhere: the last number counts.
        {"Processing: 0.5%\rProcessing: 1.1%\rProcessing: 45.3%\rProcessing: 4", std::nullopt},
        {"Processing: 44.6%\rProcessing: 45.3%\rProces", 45},
        {"Processing: 99.9%\r", 99},  // the fraction is dropped, not rounded
        {"Processing: 99.9%\r\n", 99},
        {"Processing: 150.0%\r", 150},  // the bar leaves out what lies beyond it
        {"sing: 50.0%\r", std::nullopt},
        {"Processing done. Finished.", std::nullopt},
        {"Processing: 7x.0%", std::nullopt},
        {"Processing: 99999999999.0%", std::nullopt},
        {"Opening: Holiday.part1.rar\n", std::nullopt},
    };
    for (auto [chunk, percent] : chunks) EXPECT_EQ(Par2PercentIn(chunk), percent) << chunk;
    // The check says "Scanning" as it goes.
    EXPECT_EQ(Par2PercentIn("Opening: \"x.part1.rar\"\nScanning: 12.3%\rScanning: 24.7%\r", "Scanning"), 24);
    EXPECT_EQ(Par2PercentIn("Scanning: 24.7%\r"), std::nullopt);
}

}  // namespace
}  // namespace kelvora
