#include "gui/pages/page_layout.h"

#include "gui/app/layout_loader.h"
#include "gui/pages/color_editor.h"
#include "gui/pages/effect_preview.h"
#include "gui/pages/mouse_picture.h"

namespace qx4::gui {

QWidget* loadPageLayout(QWidget* host, const QString& layoutFileName) {
    return loadLayoutInto(host, layoutFileName, [](const QString& className, QWidget* parent) -> QWidget* {
        if (className == QLatin1String("ColorEditor")) return new ColorEditor(parent);
        if (className == QLatin1String("EffectPreview")) return new EffectPreview(parent);
        if (className == QLatin1String("MousePicture")) return new MousePicture(parent);
        return nullptr;
    });
}

}  // namespace qx4::gui
