#pragma once
#include <string>

#include "TestWindow.h"

namespace kelvora::test {

// A wired window as Form_Load leaves it for a job: English texts, the runner, the progress bar,
// and plain choices (no split, normal compression, 10 % recovery).
struct JobWindow : TestWindow {
    JobWindow() {
        PrepareForJob();
        f.cboFormat.SetListIndex(0);
        f.cboCompression.SetListIndex(1);
        f.cboRedundancy.SetText("10");
        f.OptPars[0].SetValue(true);
        f.chkCalculateEff.SetValue(0);
    }

    void Choose(const std::string& source, const std::string& output, const std::string& archive, int64_t size) {
        f.txtInput.SetText(source);
        f.txtOutput.SetText(output);
        f.txtArchiveName.SetText(archive);
        f.txtEstimatedSize.SetText(std::to_string(size));
    }

    // The text of the progress box's last drawing.
    std::string BarText() const {
        for (const auto& op : f.PicPB.Record())
            if (op.kind == PictureBox::DrawOp::Kind::Print) return op.text;
        return "";
    }
    // True when every input group has the given enabled state.
    bool InputGroups(bool on) const {
        return f.mnuFile.Enabled() == on && f.mnuH.Enabled() == on && f.Frame1.Enabled() == on &&
               f.Frame2.Enabled() == on && f.Frame3.Enabled() == on;
    }
};

}  // namespace kelvora::test
