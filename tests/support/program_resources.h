// Real widgets in tests show the program's layouts, texts and skin from the build folder.
#pragma once

#include <QApplication>
#include <QDir>

#include "gui/common/resource_manager.h"
#include "gui/common/skin.h"

namespace qx4::gui::test {

// False when the language file cannot be read: no test of a page means anything then.
inline bool useProgramResources(QApplication& application) {
    auto& resources = ResourceManager::instance();
    resources.setResourceDirectory(QDir(QStringLiteral(QX4_BIN_DIR "/res")));
    if (!resources.loadLanguage()) return false;
    applySkin(application);
    return true;
}

}  // namespace qx4::gui::test
