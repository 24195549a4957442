// The plug-in files as the program loads them, and the udev rule that lets it reach the mouse.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "core/abi/qx4_driver.h"
#include "core/device/link_state.h"
#include "plugins/virtualmouse/vm_protocol.h"

namespace {

std::string readSource(const std::string& relative) {
    std::ifstream in(std::string(QX4_SOURCE_DIR) + "/" + relative);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class Module {
public:
    explicit Module(const std::string& file)
        : handle_(::dlopen((std::string(QX4_BIN_DIR) + "/" + file).c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~Module() {
        if (handle_) ::dlclose(handle_);
    }
    explicit operator bool() const { return handle_ != nullptr; }
    template <typename F>
    F get(const char* name) const {
        return reinterpret_cast<F>(::dlsym(handle_, name));
    }

private:
    void* handle_;
};

std::vector<std::string> driverFiles() {
    std::vector<std::string> files{"virtualmouse_1.so", "virtualmouse_2.so"};
#ifdef QX4_HAS_HIDDRIVER
    files.insert(files.end(), {"hiddriver_1.so", "hiddriver_2.so"});
#endif
    return files;
}

TEST(PluginFiles, EveryDriverLibraryExportsTheSevenEntryPoints) {
    for (const auto& file : driverFiles()) {
        Module module(file);
        ASSERT_TRUE(module) << file << ": " << ::dlerror();
        for (const char* name : {"Set_VIDPID", "Open_DevMonitor", "Close_DevMonitor", "Open_FeatureDevice",
                                 "Close_FeatureDevice", "SetFeature", "GetFeature"}) {
            EXPECT_NE(module.get<void*>(name), nullptr) << file << " lacks " << name;
        }
    }
}

#ifdef QX4_HAS_HIDDRIVER
TEST(PluginFiles, HidDriverWithoutItsDeviceFailsQuietly) {
    Module module("hiddriver_2.so");
    ASSERT_TRUE(module);
    qx4_message_sink sink{nullptr, [](void*, std::uint32_t, std::uintptr_t, std::intptr_t) {}};
    // An id no device has, so that a mouse on the developer's desk changes nothing.
    module.get<qx4_Set_VIDPID_fn>("Set_VIDPID")(0x1D57, 0xFFFF);
    module.get<qx4_Open_DevMonitor_fn>("Open_DevMonitor")(&sink, 1331, 1332);
    EXPECT_EQ(module.get<qx4_Open_FeatureDevice_fn>("Open_FeatureDevice")(), 0);
    const unsigned char report[] = {0x0C, 4, 1, 5};
    EXPECT_EQ(module.get<qx4_SetFeature_fn>("SetFeature")(report, 4), 0);
    module.get<qx4_Close_FeatureDevice_fn>("Close_FeatureDevice")();
    module.get<qx4_Close_DevMonitor_fn>("Close_DevMonitor")();
}
#endif

// (vendor, product) pairs the rule opens to the user at the seat.
std::set<std::pair<int, int>> uaccessIds(const std::string& rules) {
    std::set<std::pair<int, int>> ids;
    const std::regex rule(R"re(ATTRS\{idVendor\}=="([0-9a-f]{4})".*ATTRS\{idProduct\}=="([0-9a-f]{4})".*TAG\+="uaccess")re");
    std::istringstream lines(rules);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (!line.starts_with("#") && std::regex_search(line, match, rule) &&
            line.find("SUBSYSTEM==\"hidraw\"") != std::string::npos) {
            ids.emplace(std::stoi(match[1], nullptr, 16), std::stoi(match[2], nullptr, 16));
        }
    }
    return ids;
}

TEST(Packaging, UdevRuleOpensEveryIdTheDriversUseToTheSeatUserOnly) {
    const std::string rules = readSource("packaging/70-qx4-mouse.rules");
    ASSERT_FALSE(rules.empty());
    const auto covered = uaccessIds(rules);
    for (const auto& link : qx4::kLinkParameters) {
        EXPECT_TRUE(covered.count({link.vendorId, link.productId})) << link.name;
    }
    for (const auto& link : qx4::vm::kLinkIds) {
        EXPECT_TRUE(covered.count({link.vendorId, link.productId})) << link.name;
    }
    EXPECT_EQ(rules.find("MODE"), std::string::npos) << "access goes by seat, not by mode";
    EXPECT_EQ(rules.find("GROUP"), std::string::npos);
}

TEST(Packaging, AutostartStartsTheTrayProgramHidden) {
    const std::string autostart = readSource("packaging/qx4-config-autostart.desktop");
    EXPECT_NE(autostart.find("\nExec=qx4-config --tray\n"), std::string::npos) << autostart;
    const std::string menu = readSource("packaging/qx4-config.desktop");
    EXPECT_NE(menu.find("\nExec=qx4-config\n"), std::string::npos) << menu;
}

}  // namespace
