#include "gui/pages/light_effects.h"

#include <QColor>
#include <QConicalGradient>
#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "core/edit/profile_settings_edit.h"

namespace qx4::gui {

namespace {

enum Mode { off, steady, breathing, colorCycle, spectrumBreathing, rainbow, wave, neon, flicker,
            rainbowWave, ripple, reactive };

constexpr int kLevels = 8;            // brightness and speed run 1-8
constexpr double kSlowestCycle = 7.0;  // seconds for one cycle at speed 1
constexpr double kReactiveEvery = 2.2;  // the preview "clicks" by itself this often
constexpr int kGradientStops = 24;
constexpr std::array<QRgb, 7> kSpectrum{0xFFFF0000, 0xFFFF8000, 0xFFFFFF00, 0xFF00FF00,
                                        0xFF00FFFF, 0xFF0000FF, 0xFFFF00FF};
constexpr std::array<QRgb, 5> kNeon{0xFFFF00E6, 0xFF00F0FF, 0xFF39FF14, 0xFFFFF000, 0xFFFF5F1F};

double fraction(double value) { return value - std::floor(value); }

QColor scaled(QColor color, double level) {
    const double k = std::clamp(level, 0.0, 1.0);
    return QColor::fromRgbF(static_cast<float>(color.redF() * k), static_cast<float>(color.greenF() * k),
                            static_cast<float>(color.blueF() * k));
}

QColor hue(double turn, double level = 1.0) {
    return scaled(QColor::fromHsvF(static_cast<float>(fraction(turn)), 1.0f, 1.0f), level);
}

QColor blend(QColor from, QColor to, double amount) {
    const auto mix = [amount](float a, float b) { return static_cast<float>(a + (b - a) * amount); };
    return QColor::fromRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()),
                            mix(from.blueF(), to.blueF()));
}

// Fades in and out once per cycle, never quite to black so the shape stays readable.
double breath(double phase) { return 0.06 + 0.94 * (0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * phase)); }

// A repeating gradient's stops from a pattern over one period (0-1).
template <typename Gradient, typename Pattern>
QBrush sampled(Gradient gradient, Pattern pattern) {
    for (int i = 0; i <= kGradientStops; ++i) {
        const double at = static_cast<double>(i) / kGradientStops;
        gradient.setColorAt(at, pattern(at));
    }
    return QBrush(gradient);
}

unsigned scramble(unsigned value) {
    value ^= value >> 16;
    value *= 0x7FEB352Du;
    value ^= value >> 15;
    value *= 0x846CA68Bu;
    return value ^ (value >> 16);
}

}  // namespace

LightRows lightRowsForMode(int lightMode) {
    const LightEffectInfo* effect = lightEffect(lightMode);
    if (!effect) return {};
    return {effect->brightness, effect->speed, effect->color, effect->direction};
}

// An effect moves exactly when it has a speed to set.
bool effectMoves(int lightMode) { return lightRowsForMode(lightMode).breathing; }

QBrush lightAt(const LightEffect& effect, double seconds, double lastClick) {
    const LightRows rows = lightRowsForMode(effect.mode);
    const double level = rows.brightness ? std::clamp(effect.brightness, 0, kLevels) / double(kLevels) : 1.0;
    const double cycle = kSlowestCycle / std::clamp(effect.speed, 1, kLevels);
    const double phase = fraction(seconds / cycle);
    const auto turn = static_cast<long long>(std::floor(seconds / cycle));
    const double forward = effect.direction == 1 ? 1.0 : -1.0;
    const QColor chosen = QColor::fromRgb(effect.color);

    switch (effect.mode) {
    case steady:
        return scaled(chosen, level);
    case breathing:
        return scaled(chosen, breath(phase));
    case colorCycle: {
        // Holds each colour of the spectrum, then slides into the next.
        const double step = seconds / cycle * 2.0;
        const auto index = static_cast<std::size_t>(static_cast<long long>(std::floor(step)) % 7);
        const double slide = std::clamp((fraction(step) - 0.75) / 0.25, 0.0, 1.0);
        return blend(QColor::fromRgb(kSpectrum[index]), QColor::fromRgb(kSpectrum[(index + 1) % 7]), slide);
    }
    case spectrumBreathing:
        return scaled(QColor::fromRgb(kSpectrum[static_cast<std::size_t>(turn % 7)]), breath(phase));
    case rainbow:
    case rainbowWave: {
        const double spin = effect.mode == rainbow ? 0.0 : forward * phase * 360.0;
        return sampled(QConicalGradient(kLightCentre, 90.0 + spin), [&](double at) { return hue(at, level); });
    }
    case wave: {
        // One spectrum from front to back, travelling toward the front or the back.
        const double start = kLightCentre.y() - kLightLength / 2.0 + forward * -phase * kLightLength;
        QLinearGradient gradient(0.0, start, 0.0, start + kLightLength);
        gradient.setSpread(QGradient::RepeatSpread);
        return sampled(gradient, [](double at) { return hue(at); });
    }
    case neon: {
        const double position = seconds / cycle * 1.5;
        const auto index = static_cast<std::size_t>(static_cast<long long>(std::floor(position)) % 5);
        const double amount = 0.5 - 0.5 * std::cos(std::numbers::pi * fraction(position));
        return blend(QColor::fromRgb(kNeon[index]), QColor::fromRgb(kNeon[(index + 1) % 5]), amount);
    }
    case flicker: {
        const double slot = seconds / (cycle / 4.0);
        const unsigned draw = scramble(static_cast<unsigned>(static_cast<long long>(std::floor(slot))));
        if (draw % 4 == 0) return Qt::NoBrush;
        return hue((draw >> 8) % 360 / 360.0, std::exp(-3.0 * fraction(slot)));
    }
    case ripple: {
        // Bright rings with dark gaps between them, moving outward; each cycle a new colour.
        QRadialGradient gradient(kLightCentre, kLightLength / 4.0);
        gradient.setSpread(QGradient::RepeatSpread);
        return sampled(gradient, [&](double at) {
            return hue(turn / 7.0, std::pow(std::sin(std::numbers::pi * fraction(at - phase)), 6.0));
        });
    }
    case reactive: {
        const double autoClick = std::floor(seconds / kReactiveEvery) * kReactiveEvery;
        const double click = std::max(autoClick, lastClick);
        return hue(click * 0.29, std::exp(-(seconds - click) / (cycle * 0.3)));
    }
    default:
        return Qt::NoBrush;
    }
}

}  // namespace qx4::gui
