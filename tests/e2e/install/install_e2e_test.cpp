// The build installed into a fresh prefix, and packed as a Debian package and unpacked, as a user
// or a distribution would: the installed programs must find everything they need around
// themselves (no QX4_PLUGIN_DIR, no build folder), the desktop files must pass the desktop's own
// checkers, and the autostart entry qx4ctl writes must start the installed program hidden.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <filesystem>

#include "tests/support/desktop_session.h"
#include "tests/support/program.h"

namespace qx4::test {
namespace {

namespace fs = std::filesystem;

struct Ran {
    int exitCode = -1;
    QByteArray output;
};

Ran run(const QString& program, const QStringList& arguments, int timeoutMs = 300000) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ended = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, process.readAll()};
}

QString path(const fs::path& file) { return QString::fromStdString(file.string()); }

// The checkers a distribution runs on these files; scripts/setup installs them.
void expectValidDesktopFiles(const fs::path& root, const fs::path& dataFolder) {
    const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    ASSERT_FALSE(validate.isEmpty() || appstream.isEmpty()) << "desktop-file-utils and appstream (scripts/setup)";
    for (const fs::path& entry : {dataFolder / "applications/qx4-config.desktop", root / "etc/xdg/autostart/qx4-config.desktop"}) {
        const Ran checked = run(validate, {path(entry)});
        EXPECT_EQ(checked.exitCode, 0) << entry << ": " << checked.output.toStdString();
    }
    const QStringList metainfo = QDir(path(dataFolder / "metainfo")).entryList({"*.metainfo.xml"});
    ASSERT_EQ(metainfo.size(), 1);
    const Ran checked = run(appstream, {"validate", "--no-net", path(dataFolder / "metainfo") + "/" + metainfo[0]});
    EXPECT_EQ(checked.exitCode, 0) << checked.output.toStdString();
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
        const Ran version = run(path(bin / "qx4-config"), {"--version"});
        EXPECT_EQ(version.output.trimmed().toStdString(), "qx4-config " QX4_VERSION);
        const Ran where = run(path(bin / "qx4ctl"), {"path"});
        EXPECT_EQ(where.output.trimmed().toStdString(), (data_.path() / "Data").string());

        VirtualMouse mouse;
        const Ran status = run(path(bin / "qx4ctl"), {"status", "--simulate"});
        EXPECT_TRUE(status.output.contains("Receiver: present")) << status.output.toStdString();

        // The tray's text comes from the installed language files, chosen by the desktop's
        // language; the window from its layouts.
        const ScopedEnv german("LANGUAGE", std::string("de"));
        Program program({"--simulate"}, path(bin / "qx4-config"));
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
    const Ran installed = run(QStringLiteral(QX4_CMAKE), {"--install", QX4_BUILD_DIR, "--prefix", path(prefix.path())});
    ASSERT_EQ(installed.exitCode, 0) << installed.output.toStdString();
    EXPECT_TRUE(fs::exists(prefix.path() / "lib/udev/rules.d/70-qx4-mouse.rules"));
    expectValidDesktopFiles(prefix.path(), prefix.path() / "share");
    expectProgramsWork(prefix.path() / "bin");

    TempFolder config;
    ScopedEnv configHome("XDG_CONFIG_HOME", config.path().string());
    ScopedEnv configDirs("XDG_CONFIG_DIRS", (prefix.path() / "etc/xdg").string());
    // The user's own entry starts the installed program once the system-wide one is gone.
    fs::remove(prefix.path() / "etc/xdg/autostart/qx4-config.desktop");
    ASSERT_EQ(run(path(prefix.path() / "bin/qx4ctl"), {"autostart", "on"}).exitCode, 0);
    QFile entryFile(path(config.path() / "autostart/qx4-config.desktop"));
    ASSERT_TRUE(entryFile.open(QIODevice::ReadOnly));
    const std::string entry = entryFile.readAll().toStdString();
    const auto exec = entry.find("\nExec=");
    ASSERT_NE(exec, std::string::npos) << entry;
    // A plain temporary path needs no quoting, so the words are the command line.
    QStringList command = QString::fromStdString(entry.substr(exec + 6, entry.find('\n', exec + 1) - exec - 6))
                              .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ASSERT_EQ(command.value(0), path(prefix.path() / "bin/qx4-config")) << entry;

    if (!XServer::installed()) GTEST_SKIP() << "Xvfb or xdotool is not installed";
    XDesktop desktop;
    ASSERT_TRUE(desktop.ready());
    ScopedEnv onX("QT_QPA_PLATFORM", std::string("xcb"));
    VirtualMouse mouse;
    const QString program = command.takeFirst();
    Program atLogin(command << QStringLiteral("--simulate"), program);
    ASSERT_TRUE(atLogin.waitFor("connection changed: connected")) << atLogin.output();
    EXPECT_EQ(atLogin.exitCode(true), 0);
    EXPECT_EQ(atLogin.output().find("main window shown"), std::string::npos) << "starts hidden in the tray";
}

TEST_F(InstalledTree, TheDebianPackagePassesLintianDependsOnRuntimeLibrariesAndWorksUnpackedAnywhere) {
    for (const char* tool : {"dpkg-shlibdeps", "lintian"}) {
        ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) << tool << " (scripts/setup)";
    }
    TempFolder packing("qx4-package");
    const Ran packed = run(QStringLiteral(QX4_CPACK), {"--config", QX4_BUILD_DIR "/CPackConfig.cmake", "-B", path(packing.path())});
    ASSERT_EQ(packed.exitCode, 0) << packed.output.toStdString();
    const QStringList debs = QDir(path(packing.path())).entryList({"*.deb"});
    ASSERT_EQ(debs.size(), 1);
    const QString deb = path(packing.path()) + "/" + debs[0];
    // Any error or warning fails; every tag found is printed either way. It checks while the
    // package is tried out.
    QProcess lintian;
    lintian.setProcessChannelMode(QProcess::MergedChannels);
    lintian.start(QStringLiteral("lintian"), {"--fail-on", "error,warning", deb});

    const std::string depends = run("dpkg-deb", {"-f", deb, "Depends"}).output.toStdString();
    for (const char* library : {"libqt6widgets6", "libqt6dbus6", "libhidapi-hidraw0", "libudev1", "libc6"}) {
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    }
    EXPECT_EQ(depends.find("-dev"), std::string::npos) << depends;

    const fs::path root = packing.path() / "unpacked";
    ASSERT_EQ(run("dpkg-deb", {"-x", deb, path(root)}).exitCode, 0);
    EXPECT_TRUE(fs::exists(root / "usr/lib/udev/rules.d/70-qx4-mouse.rules"));
    expectValidDesktopFiles(root, root / "usr/share");
    expectProgramsWork(root / "usr/bin");
    ASSERT_TRUE(lintian.waitForFinished(300000));
    EXPECT_EQ(lintian.exitCode(), 0) << lintian.readAll().toStdString();
}

}  // namespace
}  // namespace qx4::test
