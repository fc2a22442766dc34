#include "job/Par2Command.h"

#include "common/Text.h"
#include "platform/FileSystem.h"
#include "runner/CommandLine.h"
#include "runner/OutsideTools.h"
#include "window/frmMain.h"

namespace kelvora {

std::string BuildPar2Command(frmMain& f, const std::string& workFolder) {
    const std::string sep(1, platform::PathSeparator);
    const std::string folder = f.txtOutput.Text() + workFolder + sep;

    std::string cmd = Par2ToolPath(f.AppPath) + " create ";
    cmd += "-s" + f.txtBlockSize.Text() + " ";
    if (f.OptPars[0].Value())
        cmd += "-r" + f.cboRedundancy.Text() + " ";
    else if (f.OptPars[1].Value())
        cmd += "-c" + f.txtRecoveryBlocks.Text() + " ";
    else if (f.OptPars[2].Value())
        cmd += "-n" + f.cboRecoveryFiles.Text() + " ";
    if (f.chkUniformSize.Value() == 1) cmd += "-u ";

    // Names may begin with "-": par2 must not read them as switches.
    cmd += "-- ";
    std::string stem = f.txtArchiveName.Text();
    if (EndsWith(stem, ".rar", true)) stem.resize(stem.size() - 4);
    cmd += QuoteArgument(folder + stem + ".par2") + " ";
    // The runner expands the wildcard into the folder's files, as the tool would on Windows.
    cmd += QuoteArgument(folder + "*.*");
    return cmd;
}

}  // namespace kelvora
