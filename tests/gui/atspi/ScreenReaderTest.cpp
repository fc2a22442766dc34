// The window as a screen reader reads it: over the AT-SPI bus, through Qt's bridge, on a private
// X display and session bus. A program of its own, since Qt's offscreen platform, which the
// other GUI tests use, has no AT-SPI bridge, and a process has one platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSet>
#include <algorithm>
#include <functional>
#include <iostream>
#include <tuple>

#include "AtSpi.h"
#include "TestWindow.h"
#include "gui/GuiTest.h"
#include "gui/MainWindow.h"
#include "prefs/Settings.h"

namespace kelvora::test {

// The events a screen reader listens to, as they arrive from this process's bridge: the object
// and what changed ("PropertyChange accessible-name", "StateChanged checked", ...).
class EventLog : public QObject {
    Q_OBJECT
public:
    explicit EventLog(const AtSpiClient& client) : client_(client) {}

    // Asks the registry to have the applications send these events, and listens to them.
    std::string Listen() {
        for (const char* member : {"PropertyChange", "StateChanged", "TextChanged", "SelectionChanged", "ValueChanged"})
            if (!client_.Bus().connect({}, {}, "org.a11y.atspi.Event.Object", member, this, SLOT(Record(QDBusMessage))))
                return std::string("cannot listen to ") + member;
        // What Orca registers for, among others.
        for (const char* event :
             {"object:property-change:accessible-name", "object:property-change:accessible-description",
              "object:property-change:accessible-value", "object:value-changed", "object:state-changed:checked",
              "object:state-changed:sensitive", "object:text-changed", "object:selection-changed"}) {
            const QDBusMessage reply =
                client_.Call({"org.a11y.atspi.Registry", "/org/a11y/atspi/registry"}, "org.a11y.atspi.Registry",
                             "RegisterEvent", {QString(event), QStringList(), QString()});
            if (reply.type() != QDBusMessage::ReplyMessage)
                return std::string("cannot register ") + event + ": " + reply.errorMessage().toStdString();
        }
        return {};
    }
    // True once `path` has announced `change` since the last Clear().
    bool Announced(const QString& path, const QString& change) const { return seen_.contains(path + " " + change); }
    bool AnyAnnounced(const QString& change) const {
        return std::any_of(seen_.begin(), seen_.end(),
                           [&](const QString& seen) { return seen.endsWith(" " + change); });
    }
    void Clear() { seen_.clear(); }

public slots:
    void Record(const QDBusMessage& event) {
        seen_.insert(event.path() + " " + event.member() + " " + event.arguments().value(0).toString());
    }

private:
    const AtSpiClient& client_;
    QSet<QString> seen_;
};

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// What a screen reader says for one input, Orca's way: its role, its caption (the names of the
// objects it is labelled by, else its own name), its value (for a list box its name, Qt's
// convention on Linux; the text of a text field; the number of a value; the state of a button)
// and its description, with "unavailable" where it takes no input.
struct Reading {
    std::string role, caption, value, description;
    bool usable = true;
    std::string Line() const {
        return role + " | " + caption + " | " + value + (description.empty() ? "" : " | " + description) +
               (usable ? "" : " | unavailable");
    }
};

struct Heard {
    AtSpiRef ref;
    std::string name;
    Reading reading;
};

const QSet<QString> InputRoles = {"push button", "check box", "radio button", "entry",
                                  "text",        "combo box", "scroll bar",   "progress bar"};

void Walk(const AtSpiClient& client, const AtSpiRef& ref, std::vector<Heard>& heard, int depth = 0) {
    const QString role = client.RoleName(ref);
    if (role == "list" || role == "menu bar" || depth > 12) return;  // a list box's popup; the menus
    if (InputRoles.contains(role)) {
        Heard h{ref, client.Name(ref).toStdString(), {}};
        Reading& r = h.reading;
        r.role = role.toStdString();
        for (const AtSpiRef& label : client.Related(ref, AtSpiRelationLabelledBy))
            r.caption += (r.caption.empty() ? "" : " ") + client.Name(label).toStdString();
        if (role == "combo box") {
            // The caption comes from labelled-by alone; a name that repeats it (Qt's name for an
            // empty box) is not said twice.
            r.value = h.name == r.caption ? "" : h.name;
        } else {
            // Any name besides the labels is said too.
            if (r.caption.empty())
                r.caption = h.name;
            else if (h.name != r.caption && !h.name.empty())
                r.caption += " / " + h.name;
            if (client.Interfaces(ref).contains("org.a11y.atspi.Value"))
                r.value = std::to_string(static_cast<int>(client.Value(ref)));
            else if (role == "check box" || role == "radio button")
                r.value = client.HasState(ref, AtSpiStateIndeterminate) ? "mixed"
                          : client.HasState(ref, AtSpiStateChecked)     ? "checked"
                                                                        : "not checked";
            else if (role != "push button")
                r.value =
                    client.Text(ref).toStdString() + (client.HasState(ref, AtSpiStateReadOnly) ? " (read-only)" : "");
        }
        r.description = client.Description(ref).toStdString();
        r.usable = client.HasState(ref, AtSpiStateSensitive);
        heard.push_back(h);
    }
    for (const AtSpiRef& child : client.Children(ref)) Walk(client, child, heard, depth + 1);
}

// What the model says each input should give.
std::vector<std::string> Expected(frmMain& f) {
    std::vector<std::string> lines;
    auto add = [&](const std::string& role, const std::string& caption, const std::string& value, const Control& c,
                   const std::string& description = {}) {
        lines.push_back(Reading{role, caption, value, description, c.EffectivelyEnabled()}.Line());
    };
    auto checked = [](bool on) { return on ? "checked" : "not checked"; };
    for (CommandButton* b : {&f.cmdProcess, &f.cmdBrowseFile, &f.cmdBrowseFolder, &f.cmdBrowseSave})
        add("push button", b->Caption(), "", *b);
    for (CheckBox* c : {&f.chkSaveSelected, &f.chkMaskName, &f.chkSeparately, &f.chkAddEmpty, &f.chkNoMainDir,
                        &f.chkPause, &f.chkOldNaming, &f.chkCalculateEff, &f.chkUniformSize})
        add("check box", c->Caption(), c->Value() == 2 ? "mixed" : checked(c->Value() == 1), *c);
    for (OptionButton* o : {&f.optMaskStyle[0], &f.optMaskStyle[1], &f.OptPars[0], &f.OptPars[1], &f.OptPars[2]})
        add("radio button", o->Caption(), checked(o->Value()), *o);
    const std::pair<TextBox*, const CaptionedControl*> texts[] = {
        {&f.txtInput, &f.Label[0]},           {&f.txtOutput, &f.Label[1]},        {&f.txtArchiveName, &f.Label[2]},
        {&f.txtBlockSize, &f.Label[6]},       {&f.txtEstimatedSize, &f.Label[7]}, {&f.txtMaxBlocks, &f.Label[8]},
        {&f.txtRecoveryBlocks, &f.OptPars[1]}};
    for (auto& [t, by] : texts) add("text", by->Caption(), t->Text() + (t->Locked() ? " (read-only)" : ""), *t);
    const std::string units = f.Label[3].Caption().substr(0, f.Label[3].Caption().size() - 1) + " (Bytes / MegaBytes)";
    const std::tuple<ComboBox*, const CaptionedControl*, std::string> lists[] = {
        {&f.cboSplitSize, &f.Label[3], ""},    {&f.cboFormat, &f.Label[3], units},
        {&f.cboCompression, &f.Label[4], ""},  {&f.cboLines, &f.Label[5], ""},
        {&f.cboRedundancy, &f.OptPars[0], ""}, {&f.cboRecoveryFiles, &f.OptPars[2], ""}};
    for (auto& [c, by, description] : lists) add("combo box", by->Caption(), c->Text(), *c, description);
    add("text", f.Label[3].Caption(), f.cboSplitSize.Text(), f.cboSplitSize);  // its text field
    add("scroll bar", f.OptPars[1].Caption(), std::to_string(f.ScrollRecoveryBlocks.Value()), f.ScrollRecoveryBlocks);
    add("progress bar", f.lblStatus.Caption(), "0", f.PicPB);
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::string> Lines(const std::vector<Heard>& heard) {
    std::vector<std::string> lines;
    for (const Heard& h : heard) lines.push_back(h.reading.Line());
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += "\n  " + line;
    return all;
}

class ScreenReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        runtime_ = new TempDir;
        desktop_ = new PrivateDesktop;
        why_ = desktop_->Start(Q(runtime_->path()));
        if (!why_.empty()) return;
        qputenv("DISPLAY", desktop_->display.toLocal8Bit());
        qputenv("DBUS_SESSION_BUS_ADDRESS", desktop_->sessionBus.toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");  // as when a screen reader runs
        qputenv("XDG_RUNTIME_DIR", runtime_->path().c_str());
        qunsetenv("AT_SPI_BUS_ADDRESS");
        static int argc = 1;
        static char name[] = "test_gui_atspi", *argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    // The application goes before its display does.
    static void TearDownTestSuite() {
        delete app_;
        delete desktop_;
        delete runtime_;
    }
    void SetUp() override { ASSERT_TRUE(why_.empty()) << why_ << "; scripts/install-deps.sh installs them"; }

    static inline TempDir* runtime_ = nullptr;
    static inline PrivateDesktop* desktop_ = nullptr;
    static inline QApplication* app_ = nullptr;
    static inline std::string why_;
};

// Every input gives a screen reader reading over the bus its caption and its current value, in
// either language: a list box is named by its value (Qt's convention on Linux) and labelled by
// its label (its buddy) or its leading option button, the unit list by the split size's label,
// with its units as its description. The reading follows a settings load, picks from lists,
// typing, and a language switch, a check box and an option button changed through their actions
// over the bus (so what is heard is what the model holds); every name, state and text that
// changed was announced, so a screen reader's cache stays true.
TEST_F(ScreenReaderTest, EveryInputGivesItsCaptionAndValueOverTheBusAndAnnouncesEachChange) {
    TestWindow tw;
    frmMain& f = tw.f;
    TempDir programFolder;  // Settings.ini lies beside the program
    f.AppPath = programFolder.path();
    LoadSettings(f);  // no file: the defaults, in English
    MainWindow window(f);
    window.show();

    AtSpiClient client;
    ASSERT_EQ(client.Connect(desktop_->sessionBus), "");
    AtSpiRef app;
    ASSERT_TRUE(WaitFor([&] { return !(app = client.ThisApplication()).service.isEmpty(); }, 10000))
        << "the application never appeared in the registry";
    EventLog events(client);
    ASSERT_EQ(events.Listen(), "");
    // The bridge learns of new listeners in its own time: it sends once a change of the window's
    // own description is heard.
    ASSERT_TRUE(WaitFor(
        [&] {
            window.setAccessibleDescription(window.accessibleDescription() == "a" ? "b" : "a");
            return events.AnyAnnounced("PropertyChange accessible-description");
        },
        5000))
        << "the bridge sends no events";
    window.setAccessibleDescription({});
    std::vector<Heard> before;
    auto read = [&] {
        std::vector<Heard> heard;
        Walk(client, app, heard);
        return heard;
    };
    ASSERT_TRUE(WaitFor([&] { return !(before = read()).empty(); }, 10000)) << "no window on the bus";

    // An object as a user finds it: by its role and what it says (a menu item, a check box).
    auto find = [&](const QString& role, const std::string& caption) {
        std::vector<AtSpiRef> found;
        std::function<void(const AtSpiRef&, int)> search = [&](const AtSpiRef& ref, int depth) {
            const QString is = client.RoleName(ref);
            if (is == role && client.Name(ref).trimmed() == Q(caption).trimmed()) found.push_back(ref);
            if (depth < 12 && is != "list")
                for (const AtSpiRef& child : client.Children(ref)) search(child, depth + 1);
        };
        search(app, 0);
        return found.empty() ? AtSpiRef{} : found.front();
    };
    auto act = [&](const QString& role, const CaptionedControl& c, const QString& action) {
        EXPECT_TRUE(client.DoAction(find(role, c.Caption()), action)) << c.Name() << " " << action.toStdString();
    };

    struct Step {
        const char* what;
        std::function<void()> change;
        bool report = false;  // prints what a screen reader says for each list box
    };
    const Step steps[] = {
        {"as loaded", [] {}, true},
        {"a pick from a list", [&] { PressKey(window.ViewOf(f.cboCompression), Qt::Key_Down); }},
        {"a split size typed", [&] { Type(window.ViewOf(f.cboSplitSize), "700"); }},
        {"the Language menu: Nederlands", [&] { act("menu item", f.mnuNederlands, "Press"); }, true},
        // A check box and an option button changed through their actions: the model takes them.
        {"a check box toggled", [&] { act("check box", f.chkNoMainDir, "Toggle"); }},
        {"an option button toggled", [&] { act("radio button", f.OptPars[2], "Toggle"); }},
        {"a pick from a list", [&] { PressKey(window.ViewOf(f.cboLines), Qt::Key_Down); }},  // a new block size too
        {"settings loaded, in English",
         [&] {
             programFolder.WriteText(
                 "Settings.ini",
                 "[Settings]\r\nCompression=2\r\nFormat=1\r\nNoMainDir=1\r\nNoEmpty=0\r\nPause=1\r\n"
                 "OldNaming=0\r\nCalculateEff=0\r\nOptPars=2\r\nRedundancy=5\r\nRecoveryFiles=7\r\n"
                 "yEncLines=6\r\nUniformSize=1\r\nSaveSelected=1\r\nLanguage=0\r\n");
             LoadSettings(f);
         },
         true},
        {"the Language menu: Nederlands", [&] { act("menu item", f.mnuNederlands, "Press"); }, true},
    };
    for (const Step& step : steps) {
        events.Clear();
        step.change();
        std::vector<Heard> heard;
        // The bridge answers from this process's event loop; what it says must come to the model's.
        const bool agree = WaitFor([&] { return Lines(heard = read()) == Expected(f); }, 5000);
        EXPECT_TRUE(agree) << step.what << ": heard" << Join(Lines(heard)) << "\nexpected" << Join(Expected(f));
        // Every change a client sees on reading again was announced to it.
        for (const Heard& now : heard)
            for (const Heard& was : before) {
                if (!(now.ref == was.ref)) continue;
                const Reading &r = now.reading, &w = was.reading;
                const std::string what = std::string(step.what) + ": " + r.role + " '" + r.caption + "' ";
                auto announced = [&](std::initializer_list<const char*> changes) {
                    return WaitFor(
                        [&] {
                            for (const char* change : changes)
                                if (events.Announced(now.ref.path, change)) return true;
                            return false;
                        },
                        2000);
                };
                if (now.name != was.name) {
                    EXPECT_TRUE(announced({"PropertyChange accessible-name"}))
                        << what << "named '" << now.name << "' silently";
                }
                if (r.description != w.description) {
                    EXPECT_TRUE(announced({"PropertyChange accessible-description"})) << what << "described silently";
                }
                if (r.usable != w.usable) {
                    EXPECT_TRUE(announced({"StateChanged sensitive", "StateChanged enabled"}))
                        << what << "usable silently";
                }
                if (r.value == w.value || r.role == "combo box") continue;  // a list box's value is its name
                if (r.role == "check box" || r.role == "radio button") {
                    EXPECT_TRUE(announced({"StateChanged checked"})) << what << r.value << " silently";
                } else if (r.role == "text") {
                    EXPECT_TRUE(announced({"TextChanged insert", "TextChanged delete"}))
                        << what << r.value << " silently";
                } else {
                    EXPECT_TRUE(announced({"PropertyChange accessible-value", "ValueChanged"}))
                        << what << r.value << " silently";
                }
            }
        before = heard;
        for (const Heard& h : heard)
            if (h.reading.role == "combo box" && step.report) {
                std::string labels;
                for (const AtSpiRef& label : client.Related(h.ref, AtSpiRelationLabelledBy))
                    labels += (labels.empty() ? "" : ", ") + client.RoleName(label).toStdString() + " '" +
                              client.Name(label).toStdString() + "'";
                std::cout << step.what << ": combo box name '" << h.name << "', labelled by " << labels
                          << (h.reading.description.empty() ? "" : ", description '" + h.reading.description + "'")
                          << "\n";
            }
    }
}

}  // namespace
}  // namespace kelvora::test

#include "ScreenReaderTest.moc"
