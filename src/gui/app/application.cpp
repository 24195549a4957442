#include "gui/app/application.h"

#include <QApplication>
#include <QLocale>
#include <QObject>
#include <QSocketNotifier>
#include <QSystemTrayIcon>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include "core/config/config_file.h"
#include "gui/app/command_line.h"
#include "gui/app/main_wnd.h"
#include "gui/app/remote_commands.h"
#include "gui/common/app_settings.h"
#include "gui/common/resource_manager.h"
#include "gui/app/session_bus.h"
#include "gui/app/single_instance.h"
#include "gui/common/skin.h"
#include "gui/app/tray_absence.h"
#include "gui/app/following.h"
#include "gui/app/tray_controller.h"
#include "gui/follow/focus_follower.h"
#include "gui/follow/session_profile_target.h"
#include "gui/session/mouse_session.h"

namespace qx4::gui {

namespace {
int quitSignalPipe[2] = {-1, -1};

void onQuitSignal(int) {
    const char byte = 1;
    (void)!write(quitSignalPipe[1], &byte, 1);
}

// SIGTERM (the session ending, kill), SIGINT (Ctrl+C) and SIGHUP (the terminal or the session
// gone) end the program as the tray's "exit" does: what the mouse reported is saved, the links are
// closed and the worker stopped in order.
void quitOnSignals(QApplication& application) {
    if (pipe2(quitSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(quitSignalPipe[0], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, &QApplication::quit);
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

// When the display goes away (the X server ends, the session is cut off), Qt ends the process with
// exit() from inside the message loop, on the UI thread. That end saves too; from another thread
// it would race the UI thread, which owns the record, so it does not.
std::function<void()> endAtExit;
std::thread::id uiThread;

void runEndAtExit() {
    if (endAtExit && std::this_thread::get_id() == uiThread) std::exchange(endAtExit, nullptr)();
}

void endWhenQtEndsTheProcess(std::function<void()> end) {
    uiThread = std::this_thread::get_id();
    endAtExit = std::move(end);
    std::atexit(runEndAtExit);
}

// The window paints in software. On Wayland, Qt's client would still load an EGL driver (with a
// shader compiler of some 50 MB) just to learn whether it may draw window frames; every window
// here but the file dialog draws its own. Qt reads the variable once, when the first window shows.
void paintWaylandWindowsInSharedMemory() {
    if (!qEnvironmentVariableIsSet("QT_WAYLAND_DISABLE_WINDOWDECORATION")) {
        qputenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1");
    }
}

int runMainWindow(int argc, char** argv, const CommandLine& commandLine, const InstanceLock& lock,
                  std::unique_ptr<InstanceListener> listener) {
    paintWaylandWindowsInSharedMemory();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qx4-config"));
    QApplication::setApplicationVersion(QStringLiteral(QX4_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    quitOnSignals(application);
    ResourceManager::instance().loadLanguageFor(languageToShow());
    applySkin(application);

    // The program's objects, each built after those it works with, so they end in the reverse order.
    MainWindowOptions windowOptions;
    windowOptions.drivers = commandLine.simulate ? DriverSet::virtualMouse : DriverSet::hardware;
    MouseSession session(dlopenDriverBinder(), pauseInterruptibly);
    CMainWnd window(session, std::move(windowOptions));
    TrayController tray(session, window);
    QObject::connect(&window, &CMainWnd::quitRequested, &application, &QApplication::quit, Qt::QueuedConnection);
    RemoteCommands remote(session, *window.wirelessPage(), commandLine.simulate ? nullptr : &checkAccessNow);
    InstanceServer server(std::move(listener), &window, &remote);
    // Queued: the window is shown after the read that heard the request, and never while it is
    // being destroyed.
    QObject::connect(&server, &InstanceServer::showRequested, &window, &CMainWnd::bringForward, Qt::QueuedConnection);
    {
        // A qx4ctl that found no program may still be writing the data files.
        const DataFilesLock reading(lock.folder(), DataFilesLock::Mode::shared);
        window.initialize();
    }
    const Following following = startFollowing(session, *window.wirelessPage(), tray);
    window.setFollower(following.follower.get());
    tray.setFollower(following.follower.get());
    remote.setFollower(following.follower.get());
    window.applyStartVisibility(commandLine.startHidden);
    if (window.isVisible() && !QSystemTrayIcon::isSystemTrayAvailable()) tellHowToGetATrayOnce(&window);

    // Links closed, worker joined (the record saved after it), hooks removed.
    const auto end = [&session, &window, &tray] {
        tray.shutdown();
        session.shutdown();
        window.shutdown();
    };
    // With the display gone, what the mouse reported is saved first, before steps that touch it.
    endWhenQtEndsTheProcess([&session, end] {
        session.saveDataFilesNow(false);
        end();
    });
    QApplication::exec();
    endAtExit = nullptr;
    end();
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

    if (const auto problem = dataDirectoryProblem()) {
        std::fprintf(stderr, "%s: %s\n", programName.c_str(), problem->c_str());
        return 2;
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
        if (sendShowMain(lock)) return 1;
        // The other copy may have ended meanwhile.
        if (lock.acquire() != InstanceLock::Result::acquired) {
            std::fprintf(stderr, "%s: a copy is running but did not answer\n", programName.c_str());
            return 1;
        }
        break;
    case InstanceLock::Result::unavailable:
        std::fprintf(stderr, "%s: %s\n", programName.c_str(), lock.error().c_str());
        return 2;
    case InstanceLock::Result::acquired:
        break;
    }
    // Listening at once, a starting copy is reachable: its clients wait in the socket's queue.
    auto listener = std::make_unique<InstanceListener>(lock.socketPath());
    switchOffSilentSessionBus();
    return runMainWindow(argc, argv, commandLine, lock, std::move(listener));
}

}  // namespace qx4::gui
