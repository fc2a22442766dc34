// The window as a screen reader reads it: over the AT-SPI bus, through Qt's bridge, on a private
// X display and session bus. A program of its own, since Qt's offscreen platform, which the
// other GUI tests use, has no AT-SPI bridge, and a process has one platform.
#include <gtest/gtest.h>

#include <QtWidgets>

#include "AtSpi.h"
#include "TestWindow.h"
#include "gui/GuiTest.h"
#include "gui/MainWindow.h"
#include "prefs/Settings.h"

namespace kelvora::test {

// The events a screen reader hears from this process's bridge: "object-path member detail", as
// "… PropertyChange accessible-name" or "… StateChanged checked".
class EventLog : public QObject {
    Q_OBJECT
public slots:
    void Record(const QDBusMessage& e) { seen << e.path() + " " + e.member() + " " + e.arguments().value(0).toString(); }

public:
    QSet<QString> seen;
};

namespace {

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

// An input as found on the bus: the object, its name, and what a screen reader says for it.
struct Heard { AtSpiRef ref; std::string name; Reading reading; };

const QSet<QString> InputRoles = {"push button", "check box", "radio button", "entry",
                                  "text",        "combo box", "scroll bar",   "progress bar"};

// Reads every input below `ref`.
void Walk(const AtSpiClient& client, const AtSpiRef& ref, std::vector<Heard>& heard, int depth = 0) {
    const QString role = client.RoleName(ref);
    if (role == "list" || role == "menu bar" || depth > 12) return;  // a list box's popup; the menus
    for (const AtSpiRef& child : client.Children(ref)) Walk(client, child, heard, depth + 1);
    if (!InputRoles.contains(role)) return;
    Heard h{ref, client.Name(ref).toStdString(), {}};
    const auto has = [&](int state) { return client.HasState(ref, state); };
    Reading& r = h.reading;
    r.role = role.toStdString();
    for (const AtSpiRef& label : client.Related(ref, AtSpiRelationLabelledBy))
        r.caption += (r.caption.empty() ? "" : " ") + client.Name(label).toStdString();
    if (r.role == "combo box") {
        // The caption comes from labelled-by alone; a name that repeats it (Qt's name for an
        // empty box) is not said twice.
        r.value = h.name == r.caption ? "" : h.name;
    } else {
        // Any name besides the labels is said too.
        r.caption = r.caption.empty() ? h.name : h.name.empty() || h.name == r.caption ? r.caption : r.caption + " / " + h.name;
        if (client.Interfaces(ref).contains("org.a11y.atspi.Value"))
            r.value = std::to_string(static_cast<int>(client.Value(ref)));
        else if (r.role == "check box" || r.role == "radio button")
            r.value = has(AtSpiStateIndeterminate) ? "mixed" : has(AtSpiStateChecked) ? "checked" : "not checked";
        else if (r.role != "push button")
            r.value = client.Text(ref).toStdString() + (has(AtSpiStateReadOnly) ? " (read-only)" : "");
    }
    r.description = client.Description(ref).toStdString();
    r.usable = has(AtSpiStateSensitive);
    heard.push_back(h);
}

// Lines sorted, one a line, so that a difference shows as one.
std::string Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
}

// What a screen reader says for each input.
std::string Said(const std::vector<Heard>& heard) {
    std::vector<std::string> lines;
    for (const Heard& h : heard) lines.push_back(h.reading.Line());
    return Sorted(lines);
}

// What the model says each input should give, the progress bar showing `percent`.
std::string Expected(frmMain& f, int percent) {
    std::vector<std::string> lines;
    for (Control* c : f.AllControls()) {
        const std::string role = InputRole(*c).first;
        if (role.empty()) continue;
        const std::string caption = CaptionFor(f, *c).Caption();
        std::string value, description;
        if (auto* x = dynamic_cast<CheckBox*>(c)) value = x->Value() == 2 ? "mixed" : x->Value() ? "checked" : "not checked";
        if (auto* x = dynamic_cast<OptionButton*>(c)) value = x->Value() ? "checked" : "not checked";
        if (auto* x = dynamic_cast<TextBox*>(c)) value = x->Text() + (x->Locked() ? " (read-only)" : "");
        if (auto* x = dynamic_cast<VScrollBar*>(c)) value = std::to_string(x->Value());
        if (dynamic_cast<PictureBox*>(c)) value = std::to_string(percent);
        if (auto* x = dynamic_cast<ComboBox*>(c)) {
            value = x->Text();
            if (x->GetStyle() == ComboBox::Style::Editable)  // and its text field
                lines.push_back(Reading{"text", caption, value, "", c->EffectivelyEnabled()}.Line());
            // The unit list says what it sets: the split size's caption with its units.
            if (c == &f.cboFormat) description = caption.substr(0, caption.size() - 1) + " (Bytes / MegaBytes)";
        }
        lines.push_back(Reading{role, caption, value, description, c->EffectivelyEnabled()}.Line());
    }
    return Sorted(lines);
}

// Every input gives a screen reader reading over the bus its caption and its current value, in
// either language: a list box is named by its value (Qt's convention on Linux) and labelled by
// its label (its buddy) or its leading option button, the unit list by the split size's label,
// with its units as its description; the progress bar, named by the status line, gives the
// percentage it shows. The reading follows a settings load, picks from lists, typing, clicks, a
// new drawing of the bar and a language switch; every name, state, value and text that changed
// was announced, so a screen reader's cache stays true, and a repaint of the bar is not.
TEST(ScreenReaderTest, EveryInputGivesItsCaptionAndValueOverTheBusAndAnnouncesEachChange) {
    TempDir runtime;
    PrivateDesktop desktop;  // declared before the application, so it goes after it
    ASSERT_EQ(desktop.Start(QString::fromStdString(runtime.path())), "") << "scripts/install-deps.sh installs what is missing";
    // The bridge on, as when a screen reader runs, and the accessibility bus the session bus's.
    qputenv("QT_QPA_PLATFORM", "xcb"), qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"), qunsetenv("AT_SPI_BUS_ADDRESS");
    int argc = 1;
    char name[] = "test_gui_atspi", *argv[] = {name, nullptr};
    QApplication application(argc, argv);
    ProgramWindow tw;  // Settings.ini lies beside the program
    frmMain& f = tw.f;
    LoadSettings(f);  // no file: the defaults, in English
    MainWindow window(f);
    window.show();

    AtSpiClient client;
    ASSERT_EQ(client.Connect(), "");
    AtSpiRef app;
    ASSERT_TRUE(WaitFor([&] { return !(app = client.ThisApplication()).first.isEmpty(); }, 10000))
        << "the application never appeared in the registry";
    EventLog events;
    for (const char* member : {"PropertyChange", "StateChanged", "TextChanged", "ValueChanged"})
        ASSERT_TRUE(client.Bus().connect({}, {}, "org.a11y.atspi.Event.Object", member, &events,
                                         SLOT(Record(QDBusMessage))));
    // The bridge sends only what the registry says someone listens to: what Orca registers for.
    const AtSpiRef registry("org.a11y.atspi.Registry", "/org/a11y/atspi/registry");
    for (const char* event : {"object:property-change:accessible-name", "object:property-change:accessible-description",
                              "object:property-change:accessible-value", "object:value-changed",
                              "object:state-changed:checked", "object:state-changed:sensitive", "object:text-changed"}) {
        const auto reply = client.Call(registry, registry.first, "RegisterEvent", {QString(event), QStringList(), QString()});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << event << ": " << reply.errorMessage().toStdString();
    }
    // It learns of new listeners in its own time: it sends once a change of the window's own
    // description is heard.
    ASSERT_TRUE(WaitFor([&] {
        window.setAccessibleDescription(window.accessibleDescription() == "a" ? "b" : "a");
        return std::any_of(events.seen.begin(), events.seen.end(),
                           [](const QString& e) { return e.endsWith(" PropertyChange accessible-description"); });
    })) << "the bridge sends no events";
    auto read = [&](std::vector<Heard>& heard) { return heard.clear(), Walk(client, app, heard), Said(heard); };
    std::vector<Heard> before, heard;
    ASSERT_TRUE(WaitFor([&] { return !read(before).empty(); }, 10000)) << "no window on the bus";
    const std::string saved = "[Settings]\r\nCompression=2\r\nFormat=1\r\nNoMainDir=1\r\nNoEmpty=0\r\nPause=1\r\nOldNaming=0\r\n"
                              "CalculateEff=0\r\nOptPars=2\r\nRedundancy=5\r\nRecoveryFiles=7\r\nyEncLines=6\r\nUniformSize=1\r\n"
                              "SaveSelected=1\r\nLanguage=0\r\n";
    int percent = 0;
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"as loaded", [] {}},
        {"the progress drawn", [&] { DrawProgress(f, 100, 45), percent = 45; }},
        {"the same progress drawn again", [&] { DrawProgress(f, 100, 45); }},
        {"a pick from a list", [&] { PressKey(window.ViewOf(f.cboCompression), Qt::Key_Down); }},
        {"a split size typed", [&] { Type(window.ViewOf(f.cboSplitSize), "700"); }},
        {"the Language menu: Nederlands", [&] { window.findChild<QAction*>("mnuNederlands")->trigger(); }},
        {"a check box clicked", [&] { static_cast<QAbstractButton*>(window.ViewOf(f.chkNoMainDir))->click(); }},
        {"an option button clicked", [&] { static_cast<QAbstractButton*>(window.ViewOf(f.OptPars[2]))->click(); }},
        {"settings loaded, in English", [&] { tw.program.WriteText("Settings.ini", saved), LoadSettings(f); }},
        {"the Language menu: Nederlands", [&] { window.findChild<QAction*>("mnuNederlands")->trigger(); }},
    };
    for (const auto& [step, change] : steps) {
        events.seen.clear();
        change();
        // The bridge answers from this process's event loop; what it says must come to the model's.
        WaitFor([&] { return read(heard) == Expected(f, percent); });
        EXPECT_EQ(Said(heard), Expected(f, percent)) << step;
        // Every change a client sees on reading again was announced to it.
        auto announced = [&](const AtSpiRef& ref, QStringList changes) {
            for (QString& change : changes) change.prepend(ref.second.path() + " ");
            return WaitFor([&] { return events.seen.intersects(QSet<QString>(changes.begin(), changes.end())); }, 2000);
        };
        for (const Heard& now : heard)
            for (const Heard& was : before) {
                if (now.ref != was.ref) continue;
                const Reading &r = now.reading, &w = was.reading;
                const QStringList valueChanges = r.role == "text" ? QStringList{"TextChanged insert", "TextChanged delete"}
                    : r.role == "check box" || r.role == "radio button" ? QStringList{"StateChanged checked"}
                    : QStringList{"PropertyChange accessible-value", "ValueChanged"};
                const std::tuple<bool, QStringList, const char*> changes[] = {
                    {now.name != was.name, {"PropertyChange accessible-name"}, "name"},
                    {r.description != w.description, {"PropertyChange accessible-description"}, "description"},
                    {r.usable != w.usable, {"StateChanged sensitive", "StateChanged enabled"}, "usability"},
                    {r.value != w.value && r.role != "combo box", valueChanges, "value"}};  // a list box's value is its name
                for (const auto& [changed, announcements, what] : changes)
                    EXPECT_TRUE(!changed || announced(now.ref, announcements))
                        << step << ": " << r.Line() << ": " << what << " changed silently";
                if (r.role == "progress bar" && r.value == w.value) {
                    EXPECT_FALSE(std::any_of(events.seen.begin(), events.seen.end(), [&](const QString& e) {
                        return e.startsWith(now.ref.second.path() + " ") && (e.contains("accessible-value") || e.contains("ValueChanged"));
                    })) << step << ": " << r.Line() << ": announced, but unchanged";
                }
            }
        before = heard;
    }
}

}  // namespace
}  // namespace kelvora::test

#include "ScreenReaderTest.moc"
