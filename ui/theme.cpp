#include "ui/theme.h"

#include "gfx/luma.h"
#include "platform/bounded_file.h"
#include "ui/debug_log.h"
#include "ui/settings.h"

#include <QFile>

#include <algorithm>
#include <array>

namespace pq {

ThemeMode gThemeMode = ThemeMode::Dark;

namespace {

struct ColorPair {
    QRgb dark;
    QRgb light;
};

// Searched in this order, on the 24-bit RGB part.
constexpr std::array<ColorPair, 14> kColorPairs{{
    {0x111827, 0xE8ECF2},
    {0x0C1624, 0xE2E7EF},
    {0x06121E, 0xDCE2EB},
    {0x1F2937, 0xFFFFFF},
    {0x1E2A3C, 0xF7FAFD},
    {0x314158, 0xFEFFFF},
    {0x2D3B51, 0xF4F7FA},
    {0x415168, 0xF1F5F9},
    {0x374151, 0xDCE3EB},
    {0x4B5563, 0x9AA7B8},
    {0x999999, 0xBCC6D2},
    {0x545F72, 0xD7DFEA},
    {0x7E7D83, 0xE2E8F0},
    {0xAAAAAA, 0x94A3B8},
}};

// The old theme file holds one word.
constexpr qint64 kMaxLegacyThemeFileBytes = 4096;

constexpr QRgb kStrongTextDark = 0xD5D5D5;
constexpr QRgb kStrongTextLight = 0x2A3744;
constexpr QRgb kSecondaryTextDark = 0xB5B5B5;
// A darker slate than the designed 7A8699, which gave 3.1:1 on the light
// panels: this one keeps 4.5:1 on every light ground.
constexpr QRgb kSecondaryTextLight = 0x566275;
constexpr QRgb kLightBackground = 0xE8ECF2;

constexpr QRgb RgbOf(QRgb color)
{
    return color & 0x00FFFFFFu;
}

constexpr QRgb WithAlpha(QRgb color, QRgb rgb)
{
    return (color & 0xFF000000u) | rgb;
}

bool IsLight()
{
    return gThemeMode == ThemeMode::Light;
}

} // namespace

QRgb MapThemeColor(QRgb color, bool toLight)
{
    const QRgb c = RgbOf(color);
    const int a = qAlpha(color);
    for (const ColorPair& pair : kColorPairs) {
        if ((toLight ? pair.dark : pair.light) == c)
            return WithAlpha(color, toLight ? pair.light : pair.dark);
    }
    if (a >= 1 && a <= 254) {
        if (toLight && c == 0xFFFFFF)
            return WithAlpha(color, 0x000000);
        if (!toLight && c == 0x000000)
            return WithAlpha(color, 0xFFFFFF);
    }
    return color;
}

QRgb MapThemeTextColor(QRgb color, bool toLight)
{
    const QRgb c = RgbOf(color);
    if (!toLight) {
        if (c == kStrongTextLight)
            return WithAlpha(color, kStrongTextDark);
        if (c == kSecondaryTextLight)
            return WithAlpha(color, kSecondaryTextDark);
        return color;
    }
    if (qAlpha(color) == 0 || c == kStrongTextLight || c == kSecondaryTextLight)
        return color;
    const int r = qRed(color);
    const int g = qGreen(color);
    const int b = qBlue(color);
    if (std::max({r, g, b}) - std::min({r, g, b}) > 40)
        return color; // a coloured text keeps its colour
    const int luminance = gfx::Luma601Hundredths(r, g, b);
    if (luminance >= 195)
        return WithAlpha(color, kStrongTextLight);
    if (luminance >= 140)
        return WithAlpha(color, kSecondaryTextLight);
    return color;
}

QRgb ThemedColor(QRgb color)
{
    return MapThemeColor(color, IsLight());
}

QRgb ThemedTextColor(QRgb color)
{
    return MapThemeTextColor(color, IsLight());
}

QRgb ThemedBackgroundColor(QRgb color)
{
    return IsLight() ? WithAlpha(color, kLightBackground) : color;
}

QColor ThemedColor(const QColor& color)
{
    return QColor::fromRgba(ThemedColor(color.rgba()));
}

QColor ThemedTextColor(const QColor& color)
{
    return QColor::fromRgba(ThemedTextColor(color.rgba()));
}

QString ThemeStyleResourceName()
{
    return IsLight() ? QStringLiteral("VORLUNE_LIGHT") : QStringLiteral("VORLUNE_DARK");
}

void LoadTheme()
{
    gThemeMode = ThemeMode::Dark;
    try {
        QString value = GetSetting(QStringLiteral("theme"), QString()).toLower().trimmed();
        if (value.isEmpty()) {
            QByteArray legacy;
            if (QFile::exists(LegacyThemeFilePath()) &&
                platform::ReadRegularFile(LegacyThemeFilePath(), kMaxLegacyThemeFileBytes, legacy))
                value = DecodeSettingsText(legacy).toLower().trimmed();
        }
        if (value == QLatin1String("light"))
            gThemeMode = ThemeMode::Light;
    } catch (const std::exception& e) {
        gThemeMode = ThemeMode::Dark;
        DebugLogError(QStringLiteral("LoadTheme"), e);
    }
}

void SaveTheme()
{
    SetSetting(QStringLiteral("theme"), IsLight() ? QStringLiteral("light") : QStringLiteral("dark"));
}

} // namespace pq
