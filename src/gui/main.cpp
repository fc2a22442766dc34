#include <QApplication>
#include <QDir>
#include <string>
#include <vector>

#include "app/Lifecycle.h"
#include "cli/PackCommand.h"
#include "app/Wiring.h"
#include "common/Version.h"
#include "gui/ControlViews.h"
#include "gui/MainWindow.h"
#include "gui/ProgressView.h"
#include "gui/QtDesktop.h"
#include "gui/Resources.h"
#include "gui/SingleInstance.h"
#include "platform/Process.h"
#include "platform/Terminal.h"
#include "window/frmMain.h"

int main(int argc, char** argv) {
    // `kelvora pack`, --help and --version run without a window: no display needed, no lock taken.
    if (const auto status = kelvora::RunWithoutWindow(kelvora::platform::ProgramArguments(argc, argv))) return *status;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kelvora::AppTitle));
    kelvora::LoadResources();
    QApplication::setWindowIcon(kelvora::AppIcon());

    std::vector<std::string> arguments;
#ifdef _WIN32
    // A path typed with "/" reaches the behaviour with the system's own separator.
    const QStringList all = QApplication::arguments();
    for (qsizetype i = 1; i < all.size(); ++i) arguments.push_back(QDir::toNativeSeparators(all[i]).toStdString());
#else
    // The bytes as given (QApplication has taken out its own options): a name that is not valid
    // UTF-8 must be told, not decoded into another name.
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
#endif
    // Made absolute here: a later start hands it to the first, which runs in another folder.
    const std::string startupPath = kelvora::StartupPath(arguments);

    // Before anything reads settings: a second start only brings the first to the front, with
    // its path.
    kelvora::SingleInstance instance;
    if (!instance.Claim(QByteArray::fromStdString(startupPath))) return 0;

    // A tool never outlives the program, however the program ends.
    kelvora::platform::EndChildrenWithProgram();

    kelvora::QtDesktop desktop;
    kelvora::frmMain f(desktop);
    kelvora::WireHandlers(f);
    kelvora::MainWindow window(f);
    desktop.SetMainWindow(&window, window.Progress());
    QObject::connect(&instance, &kelvora::SingleInstance::ActivateRequested, &window, [&](const QByteArray& path) {
        window.BringToFront();
        kelvora::RunUserAction([&] { kelvora::TakeHandedPath(f, path.toStdString()); });
    });

    kelvora::RunUserAction([&] { kelvora::Form_Load(f, arguments); });

    window.ShowCentred();
    const int result = QApplication::exec();
    kelvora::RunUserAction([&] { kelvora::Form_Terminate(f); });
    return result;
}
