#include "gui/app/application.h"

#include <QApplication>
#include <QObject>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "gui/app/command_line.h"
#include "gui/app/main_wnd.h"
#include "gui/app/resource_manager.h"
#include "gui/app/single_instance.h"
#include "gui/app/skin.h"

namespace qx4::gui {

namespace {
int runMainWindow(int argc, char** argv, const CommandLine& commandLine, InstanceLock& lock) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qx4-config"));
    QApplication::setApplicationVersion(QStringLiteral(QX4_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    ResourceManager::instance().loadLanguage();
    applySkin(application);

    MainWindowOptions options;
    options.drivers = commandLine.simulate ? DriverSet::virtualMouse : DriverSet::hardware;
    auto window = std::make_unique<CMainWnd>(std::move(options));
    QObject::connect(window.get(), &CMainWnd::quitRequested, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    new InstanceServer(lock.socketPath(), window.get());
    window->initialize();
    window->applyStartVisibility(commandLine.startHidden);

    QApplication::exec();
    window->shutdown();
    window.reset();
    return 0;
}
}  // namespace

int runApplication(int argc, char** argv) {
    const CommandLine commandLine = parseCommandLine(argc, argv);
    const std::string programName = std::filesystem::path(argv[0]).filename().string();
    if (commandLine.action == CommandLine::Action::showHelp) {
        std::fputs(usageText(programName).c_str(), stdout);
        return 0;
    }
    if (commandLine.action == CommandLine::Action::showVersion) {
        std::printf("%s %s\n", programName.c_str(), QX4_VERSION);
        return 0;
    }

    std::string error;
    const auto folder = runtimeFolder(&error);
    if (!folder) {
        std::fprintf(stderr, "%s: %s\n", programName.c_str(), error.c_str());
        return 2;
    }
    InstanceLock lock(*folder);
    switch (lock.acquire()) {
    case InstanceLock::Result::alreadyRunning:
        lock.sendShowMain();
        return 1;
    case InstanceLock::Result::unavailable:
        std::fprintf(stderr, "%s: %s\n", programName.c_str(), lock.error().c_str());
        return 2;
    case InstanceLock::Result::acquired:
        break;
    }
    return runMainWindow(argc, argv, commandLine, lock);
}

}  // namespace qx4::gui
