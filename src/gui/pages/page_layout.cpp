#include "gui/pages/page_layout.h"

#include "gui/app/layout_loader.h"
#include "gui/pages/color_palette.h"

namespace qx4::gui {

QWidget* loadPageLayout(QWidget* host, const QString& layoutFileName) {
    return loadLayoutInto(host, layoutFileName, [](const QString& className, QWidget* parent) {
        return className == QLatin1String("ColorPalette") ? new ColorPalette(parent) : nullptr;
    });
}

}  // namespace qx4::gui
