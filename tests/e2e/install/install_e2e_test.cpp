// The build installed into a fresh prefix, and packed as a Debian package and unpacked, as a user
// or a distribution would: the installed programs must find everything they need around
// themselves (no QX4_PLUGIN_DIR, no build folder), the desktop files must pass the desktop's own
// checkers, and the autostart entry qx4ctl writes must start the installed program hidden.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QStandardPaths>

#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/desktop_session.h"
#include "tests/support/program.h"

namespace qx4::test {
namespace {

namespace fs = std::filesystem;

// Packing and installing take long on a loaded machine: minutes, not the suite's usual patience.
Ran tool(std::vector<std::string> arguments) { return run(std::move(arguments), {.mergeErrors = true, .patienceMs = 300000}); }

QString path(const fs::path& file) { return QString::fromStdString(file.string()); }

// The checkers a distribution runs on these files; scripts/setup installs them.
void expectValidDesktopFiles(const fs::path& root, const fs::path& dataFolder) {
    const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    ASSERT_FALSE(validate.isEmpty() || appstream.isEmpty()) << "desktop-file-utils and appstream (scripts/setup)";
    for (const fs::path& entry : {dataFolder / "applications/qx4-config.desktop", root / "etc/xdg/autostart/qx4-config.desktop"}) {
        const Ran checked = tool({validate.toStdString(), entry.string()});
        EXPECT_EQ(checked.exitCode, 0) << entry << ": " << checked.out;
    }
    const QStringList metainfo = QDir(path(dataFolder / "metainfo")).entryList({"*.metainfo.xml"});
    ASSERT_EQ(metainfo.size(), 1);
    const Ran checked =
        tool({appstream.toStdString(), "validate", "--no-net", (dataFolder / "metainfo" / metainfo[0].toStdString()).string()});
    EXPECT_EQ(checked.exitCode, 0) << checked.out;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const fs::path icon = dataFolder / "icons/hicolor" / (std::to_string(size) + "x" + std::to_string(size)) / "apps/qx4-config.png";
        EXPECT_EQ(QImage(path(icon)).size(), QSize(size, size)) << icon;
    }
    EXPECT_TRUE(fs::exists(dataFolder / "icons/hicolor/scalable/apps/qx4-config.svg"));
}

// The programs of an installed tree, run from where they are, with nothing pointing them anywhere.
class InstalledTree : public testing::Test {
protected:
    void expectProgramsWork(const fs::path& bin) {
        EXPECT_EQ(tool({bin / "qx4-config", "--version"}).out, "qx4-config " QX4_VERSION "\n");
        EXPECT_EQ(tool({bin / "qx4ctl", "path"}).out, (data_.path() / "Data").string() + "\n");

        VirtualMouse mouse;
        const Ran status = tool({bin / "qx4ctl", "status", "--simulate"});
        EXPECT_NE(status.out.find("Receiver: present"), std::string::npos) << status.out;

        // The tray's text comes from the installed language files, chosen by the desktop's
        // language; the window from its layouts.
        const ScopedEnv german("LANGUAGE", std::string("de"));
        Program program({"--simulate"}, bin / "qx4-config");
        EXPECT_TRUE(program.waitFor("tray: Empfänger: Akku 80 %")) << program.output();
        EXPECT_EQ(program.exitCode(true), 0);
        EXPECT_EQ(program.output().find("the layout has no control"), std::string::npos) << program.output();
    }

    TempFolder data_;
    ScopedEnv dataEnv_{"QX4_DATA_DIR", data_.path().string()};
    ScopedEnv noPluginFolder_{"QX4_PLUGIN_DIR", std::nullopt};
    ScopedEnv platformEnv_{"QT_QPA_PLATFORM", std::string("offscreen")};
    ScopedEnv logEnv_{"QT_LOGGING_RULES", std::string("qx4.app.debug=true")};
};

TEST_F(InstalledTree, AnyPrefixWorksAndTheAutostartEntryStartsTheInstalledProgramHidden) {
    TempFolder prefix("qx4-prefix");
    const Ran installed = tool({QX4_CMAKE, "--install", QX4_BUILD_DIR, "--prefix", prefix.path()});
    ASSERT_EQ(installed.exitCode, 0) << installed.out;
    EXPECT_TRUE(fs::exists(prefix.path() / "lib/udev/rules.d/70-qx4-mouse.rules"));
    expectValidDesktopFiles(prefix.path(), prefix.path() / "share");
    expectProgramsWork(prefix.path() / "bin");

    TempFolder config;
    ScopedEnv configHome("XDG_CONFIG_HOME", config.path().string());
    ScopedEnv configDirs("XDG_CONFIG_DIRS", (prefix.path() / "etc/xdg").string());
    // The user's own entry starts the installed program once the system-wide one is gone.
    fs::remove(prefix.path() / "etc/xdg/autostart/qx4-config.desktop");
    ASSERT_EQ(tool({prefix.path() / "bin/qx4ctl", "autostart", "on"}).exitCode, 0);
    QFile entryFile(path(config.path() / "autostart/qx4-config.desktop"));
    ASSERT_TRUE(entryFile.open(QIODevice::ReadOnly));
    const std::string entry = entryFile.readAll().toStdString();
    const auto exec = entry.find("\nExec=");
    ASSERT_NE(exec, std::string::npos) << entry;
    // A plain temporary path needs no quoting, so the words are the command line.
    std::istringstream words(entry.substr(exec + 6, entry.find('\n', exec + 1) - exec - 6));
    std::vector<std::string> command{std::istream_iterator<std::string>(words), {}};
    ASSERT_FALSE(command.empty());
    ASSERT_EQ(command[0], (prefix.path() / "bin/qx4-config").string()) << entry;

    if (!XServer::installed()) GTEST_SKIP() << "Xvfb or xdotool is not installed";
    XDesktop desktop;
    ASSERT_TRUE(desktop.ready());
    ScopedEnv onX("QT_QPA_PLATFORM", std::string("xcb"));
    VirtualMouse mouse;
    const std::string program = command.front();
    command.erase(command.begin());
    command.push_back("--simulate");
    Program atLogin(command, program);
    ASSERT_TRUE(atLogin.waitFor("connection changed: connected")) << atLogin.output();
    EXPECT_EQ(atLogin.exitCode(true), 0);
    EXPECT_EQ(atLogin.output().find("main window shown"), std::string::npos) << "starts hidden in the tray";
}

TEST_F(InstalledTree, TheDebianPackagePassesLintianDependsOnRuntimeLibrariesAndWorksUnpackedAnywhere) {
    for (const char* needed : {"dpkg-shlibdeps", "lintian"}) {
        ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(needed)).isEmpty()) << needed << " (scripts/setup)";
    }
    TempFolder packing("qx4-package");
    const Ran packed = tool({QX4_CPACK, "--config", QX4_BUILD_DIR "/CPackConfig.cmake", "-B", packing.path()});
    ASSERT_EQ(packed.exitCode, 0) << packed.out;
    const QStringList debs = QDir(path(packing.path())).entryList({"*.deb"});
    ASSERT_EQ(debs.size(), 1);
    const std::string deb = (packing.path() / debs[0].toStdString()).string();
    // Any error or warning fails; every tag found is printed either way. It checks while the
    // package is tried out.
    Child lintian({"lintian", "--fail-on", "error,warning", deb}, {.mergeErrors = true});

    const std::string depends = tool({"dpkg-deb", "-f", deb, "Depends"}).out;
    for (const char* library : {"libqt6widgets6", "libqt6dbus6", "libhidapi-hidraw0", "libudev1", "libc6"}) {
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    }
    EXPECT_EQ(depends.find("-dev"), std::string::npos) << depends;

    const fs::path root = packing.path() / "unpacked";
    ASSERT_EQ(tool({"dpkg-deb", "-x", deb, root}).exitCode, 0);
    EXPECT_TRUE(fs::exists(root / "usr/lib/udev/rules.d/70-qx4-mouse.rules"));
    expectValidDesktopFiles(root, root / "usr/share");
    expectProgramsWork(root / "usr/bin");
    EXPECT_EQ(lintian.wait(300000), 0) << lintian.output();
}

}  // namespace
}  // namespace qx4::test
