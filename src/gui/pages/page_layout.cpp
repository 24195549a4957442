#include "gui/pages/page_layout.h"

#include "gui/common/layout_loader.h"
#include "gui/pages/color_editor.h"
#include "gui/pages/effect_preview.h"
#include "gui/pages/mouse_picture.h"

namespace qx4::gui {

QWidget* createPageControl(const QString& className, QWidget* parent) {
    if (className == QLatin1String("ColorEditor")) return new ColorEditor(parent);
    if (className == QLatin1String("EffectPreview")) return new EffectPreview(parent);
    if (className == QLatin1String("MousePicture")) return new MousePicture(parent);
    return nullptr;
}

QWidget* loadPageLayout(QWidget* host, const QString& layoutFileName) {
    return loadLayoutInto(host, layoutFileName, &createPageControl);
}

}  // namespace qx4::gui
