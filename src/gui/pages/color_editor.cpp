#include "gui/pages/color_editor.h"

#include <QColor>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/common/resource_manager.h"
#include "gui/pages/color_forms.h"
#include "gui/pages/color_palette.h"

namespace qx4::gui {

namespace {
constexpr int kPresetColumns = 8;
constexpr int kPresetHeight = 16;
constexpr int kComponentEditWidth = 46;
constexpr std::array<int, 3> kChannelShift{16, 8, 0};  // red, green, blue in 0xAARRGGBB
constexpr std::array<const char*, 3> kChannelName{"red", "green", "blue"};

int component(QRgb color, std::size_t channel) {
    return static_cast<int>((color >> kChannelShift[channel]) & 0xFFu);
}
}  // namespace

ColorEditor::ColorEditor(QWidget* parent) : QWidget(parent) {
    setProperty("qx4role", QStringLiteral("coloreditor"));
    buildControls();
    setColor(color_);
}

void ColorEditor::buildControls() {
    const ResourceManager& texts = ResourceManager::instance();
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);

    palette_ = new ColorPalette(this);
    palette_->setToolTip(texts.text(QStringLiteral("color_palette_tip_text")));
    palette_->setAccessibleName(texts.text(QStringLiteral("color_palette_access_text")));
    connect(palette_, &ColorPalette::colorChanged, this, [this](QRgb c) { onPaletteMoved(c, false); });
    connect(palette_, &ColorPalette::colorChangedButtonUp, this, [this](QRgb c) { onPaletteMoved(c, true); });
    grid->addWidget(palette_, 0, 0);

    auto* side = new QVBoxLayout;
    side->setSpacing(4);
    auto* preview = new QFrame(this);
    preview->setFixedHeight(22);
    preview_ = preview;
    side->addWidget(preview_);
    for (std::size_t channel = 0; channel < components_.size(); ++channel) {
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        auto* caption = new QLabel(this);
        texts.setResourceText(caption, QStringLiteral("color_%1_text").arg(QLatin1String(kChannelName[channel])));
        caption->setProperty("qx4role", QStringLiteral("caption"));
        auto* edit = new QLineEdit(this);
        edit->setAccessibleName(
            texts.text(QStringLiteral("color_%1_access_text").arg(QLatin1String(kChannelName[channel]))));
        edit->setFixedWidth(kComponentEditWidth);
        edit->setMaxLength(4);
        edit->setAlignment(Qt::AlignCenter);
        connect(edit, &QLineEdit::textEdited, this,
                [this, channel] { onComponentEdited(channel); });
        components_[channel] = edit;
        row->addWidget(caption);
        row->addStretch();
        row->addWidget(edit);
        side->addLayout(row);
    }
    side->addStretch();
    grid->addLayout(side, 0, 1);

    auto* swatches = new QGridLayout;
    swatches->setSpacing(4);
    for (std::size_t k = 0; k < presets_.size(); ++k) {
        auto* preset = new QPushButton(this);
        preset->setProperty("qx4role", QStringLiteral("swatch"));
        preset->setFocusPolicy(Qt::TabFocus);
        preset->setAccessibleName(texts.text(QStringLiteral("color_preset_access_text"))
                                      .arg(k + 1)
                                      .arg(QColor::fromRgb(kPresetColors[k]).name().toUpper()));
        preset->setFixedHeight(kPresetHeight);
        preset->setMinimumWidth(kPresetHeight);
        preset->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setSwatchColor(preset, kPresetColors[k]);
        connect(preset, &QPushButton::clicked, this, [this, k] { onPresetClicked(k); });
        presets_[k] = preset;
        const int index = static_cast<int>(k);
        swatches->addWidget(preset, index / kPresetColumns, index % kPresetColumns);
    }
    grid->addLayout(swatches, 1, 0, 1, 2);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(0, 1);
}

void ColorEditor::setControlNames(const ColorEditorNames& names) {
    palette_->setObjectName(QString::fromLatin1(names.palette));
    preview_->setObjectName(QString::fromLatin1(names.preview));
    for (std::size_t channel = 0; channel < components_.size(); ++channel) {
        components_[channel]->setObjectName(QString::fromLatin1(names.components[channel]));
    }
    for (std::size_t k = 0; k < presets_.size(); ++k) {
        presets_[k]->setObjectName(QString::fromLatin1(names.presetPrefix) + QString::number(k + 1));
    }
}

void ColorEditor::setColor(QRgb color) {
    color_ = color | 0xFF000000u;
    palette_->setSelectColor(color_);
    showComponents(color_);
}

void ColorEditor::showComponents(QRgb color) {
    for (std::size_t channel = 0; channel < components_.size(); ++channel) {
        components_[channel]->setText(QString::number(component(color, channel)));
    }
    setSwatchColor(preview_, color);
}

void ColorEditor::onPaletteMoved(QRgb color, bool released) {
    color_ = color | 0xFF000000u;
    showComponents(color_);
    if (released) {
        Q_EMIT colorChosen(color_);
    } else {
        Q_EMIT colorPreviewed(color_);
    }
}

void ColorEditor::onPresetClicked(std::size_t preset) {
    setColor(kPresetColors[preset]);
    Q_EMIT colorChosen(color_);
}

// The typed text stays as it is unless the limit changed it; the other components keep theirs.
void ColorEditor::onComponentEdited(std::size_t channel) {
    QLineEdit* edit = components_[channel];
    const ColorComponentEntry entry = parseColorComponent(edit->text());
    if (entry.corrected) edit->setText(QString::number(entry.value));
    const int shift = kChannelShift[channel];
    color_ = (color_ & ~(0xFFu << shift)) | (static_cast<QRgb>(entry.value) << shift);
    palette_->setSelectColor(color_);
    setSwatchColor(preview_, color_);
    Q_EMIT colorChosen(color_);
}

}  // namespace qx4::gui
