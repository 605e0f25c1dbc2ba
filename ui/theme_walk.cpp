#include "ui/theme_walk.h"

#include "platform/numeric.h"
#include "ui/interface_scale.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/widgets/icons.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <optional>

namespace pq {

namespace {

// ---- Style sheet colours ----

std::optional<int> Channel(QString part, bool isAlpha)
{
    part = part.trimmed();
    bool ok = false;
    if (part.endsWith(QLatin1Char('%'))) {
        const double percent = part.chopped(1).trimmed().toDouble(&ok);
        if (!ok)
            return std::nullopt;
        return std::clamp(int(std::lround(percent * 2.55)), 0, 255);
    }
    const int value = part.toInt(&ok);
    if (ok)
        return std::clamp(value, 0, 255);
    const double fraction = part.toDouble(&ok);
    if (ok && isAlpha)
        return std::clamp(int(std::lround(fraction * 255)), 0, 255);
    return std::nullopt;
}

std::optional<QRgb> ParseCssColor(const QString& token)
{
    const QString t = token.trimmed().toLower();
    if (t == QLatin1String("white"))
        return 0xFFFFFFFFu;
    if (t == QLatin1String("black"))
        return 0xFF000000u;
    if (t.startsWith(QLatin1Char('#'))) {
        const QString hex = t.mid(1);
        bool ok = false;
        const uint value = hex.toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        if (hex.size() == 3) {
            const uint r = (value >> 8) & 0xF, g = (value >> 4) & 0xF, b = value & 0xF;
            return qRgb(int(r * 17), int(g * 17), int(b * 17));
        }
        if (hex.size() == 6)
            return 0xFF000000u | value;
        if (hex.size() == 8)
            return value; // #AARRGGBB
        return std::nullopt;
    }
    const qsizetype open = t.indexOf(QLatin1Char('('));
    if (open < 0 || !t.endsWith(QLatin1Char(')')))
        return std::nullopt;
    const QString function = t.left(open).trimmed();
    const QStringList parts = t.mid(open + 1, t.size() - open - 2).split(QLatin1Char(','));
    const bool rgba = function == QLatin1String("rgba");
    if ((!rgba && function != QLatin1String("rgb")) || parts.size() != (rgba ? 4 : 3))
        return std::nullopt;
    std::optional<int> c[4] = {Channel(parts[0], false), Channel(parts[1], false), Channel(parts[2], false),
                               rgba ? Channel(parts[3], true) : std::optional<int>(255)};
    for (const auto& v : c)
        if (!v)
            return std::nullopt;
    return qRgba(*c[0], *c[1], *c[2], *c[3]);
}

QString CssColorText(QRgb color)
{
    if (qAlpha(color) == 255)
        return QColor::fromRgb(color).name(QColor::HexRgb);
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(qRed(color))
        .arg(qGreen(color))
        .arg(qBlue(color))
        .arg(qAlpha(color));
}

QString MapColorTokens(const QString& value, bool text, bool toLight)
{
    static const QRegularExpression kColorToken(
        QStringLiteral(R"(#[0-9a-fA-F]{3,8}\b|\brgba?\s*\([^)]*\)|\b(?:white|black)\b)"),
        QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype last = 0;
    auto it = kColorToken.globalMatch(value);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(value).mid(last, m.capturedStart() - last);
        last = m.capturedEnd();
        const std::optional<QRgb> color = ParseCssColor(m.captured());
        if (!color) {
            out += m.captured();
            continue;
        }
        const QRgb mapped = text ? MapThemeTextColor(*color, toLight) : MapThemeColor(*color, toLight);
        out += mapped == *color ? m.captured() : CssColorText(mapped);
    }
    out += QStringView(value).mid(last);
    return out;
}

QString MapDeclarations(const QString& declarations, bool toLight)
{
    QString out;
    const QStringList pieces = declarations.split(QLatin1Char(';'));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QString& piece = pieces[i];
        const qsizetype colon = piece.indexOf(QLatin1Char(':'));
        if (colon < 0) {
            out += piece;
        } else {
            const QString property = piece.left(colon).trimmed().toLower();
            const bool text = property == QLatin1String("color") || property == QLatin1String("selection-color");
            out += piece.left(colon + 1) + MapColorTokens(piece.mid(colon + 1), text, toLight);
        }
        if (i + 1 < pieces.size())
            out += QLatin1Char(';');
    }
    return out;
}

// ---- Records of designed values ----

// The value a property should have in the mode asked for, from the record
// of its designed value; the record is made or renewed on the way.
template <typename T, typename Map>
T ThemedValue(QObject* o, const char* prefix, const T& current, bool toLight, Map map)
{
    const QByteArray designedKey = QByteArray(prefix) + "Designed";
    const QByteArray designedLightKey = QByteArray(prefix) + "DesignedLight";
    const QByteArray appliedKey = QByteArray(prefix) + "Applied";
    const QByteArray appliedLightKey = QByteArray(prefix) + "AppliedLight";

    const QVariant record = o->property(designedKey.constData());
    T designed = current;
    bool designedLight = false;
    if (record.isValid()) {
        if (o->property(appliedKey.constData()).template value<T>() == current) {
            designed = record.template value<T>();
            designedLight = o->property(designedLightKey.constData()).toBool();
        } else {
            // Code set a new value since the last walk, in the mode of
            // that walk.
            designedLight = o->property(appliedLightKey.constData()).toBool();
        }
    }
    const T result = designedLight == toLight ? designed : map(designed, toLight);
    o->setProperty(designedKey.constData(), QVariant::fromValue(designed));
    o->setProperty(designedLightKey.constData(), designedLight);
    o->setProperty(appliedKey.constData(), QVariant::fromValue(result));
    o->setProperty(appliedLightKey.constData(), toLight);
    return result;
}

void WalkWidget(QWidget* w, bool toLight)
{
    const QString sheet = w->styleSheet();
    if (!IsStyleBook(w) && (!sheet.isEmpty() || w->property("_pqSheetDesigned").isValid())) {
        const QString themed = ThemedValue(w, "_pqSheet", sheet, toLight, MapStyleSheetColors);
        if (themed != sheet)
            w->setStyleSheet(themed);
    }
    if (auto* label = qobject_cast<QLabel*>(w)) {
        const QString icon = label->property("_pqIcon").toString();
        if (!icon.isEmpty()) {
            const QRgb designed = label->property("_pqIconColor").toUInt();
            const QRgb color = toLight ? MapThemeTextColor(designed, true) : designed;
            label->setPixmap(RenderIcon(icon, QColor::fromRgba(color), IconLabelPixels(label),
                                        label->devicePixelRatioF()));
        }
    }
    w->update();
}

void Walk(QObject* o, bool toLight, const std::function<bool(const QObject*)>& skip)
{
    if (skip && skip(o))
        return;
    if (auto* w = qobject_cast<QWidget*>(o))
        WalkWidget(w, toLight);
    const QObjectList children = o->children();
    for (QObject* child : children)
        if (child->isWidgetType())
            Walk(child, toLight, skip);
}

} // namespace

QString MapStyleSheetColors(const QString& sheet, bool toLight)
{
    if (!sheet.contains(QLatin1Char('{')))
        return MapDeclarations(sheet, toLight);
    QString out;
    qsizetype at = 0;
    while (at < sheet.size()) {
        const qsizetype open = sheet.indexOf(QLatin1Char('{'), at);
        if (open < 0) {
            out += QStringView(sheet).mid(at);
            break;
        }
        out += QStringView(sheet).mid(at, open + 1 - at);
        qsizetype close = sheet.indexOf(QLatin1Char('}'), open + 1);
        if (close < 0)
            close = sheet.size();
        out += MapDeclarations(sheet.mid(open + 1, close - open - 1), toLight);
        if (close < sheet.size())
            out += QLatin1Char('}');
        at = close + 1;
    }
    return out;
}

void SetIconLabel(QLabel* label, const QString& iconName, const QColor& designedColor, int size)
{
    label->setProperty("_pqIcon", iconName);
    label->setProperty("_pqIconColor", uint(designedColor.rgba()));
    label->setProperty("_pqIconSize", size);
    const QRgb color = ThemedTextColor(designedColor.rgba());
    label->setPixmap(RenderIcon(iconName, QColor::fromRgba(color), IconLabelPixels(label), label->devicePixelRatioF()));
}

int IconLabelPixels(const QLabel* label)
{
    return std::max(1, platform::Round(label->property("_pqIconSize").toInt() * WidgetScale(label)));
}

void RescaleIconLabel(QLabel* label)
{
    const QString icon = label->property("_pqIcon").toString();
    if (icon.isEmpty())
        return;
    const QRgb color = ThemedTextColor(QRgb(label->property("_pqIconColor").toUInt()));
    label->setPixmap(RenderIcon(icon, QColor::fromRgba(color), IconLabelPixels(label), label->devicePixelRatioF()));
}

void MarkStyleBook(QWidget* widget)
{
    widget->setProperty("_pqStyleBook", true);
}

bool IsStyleBook(const QWidget* widget)
{
    return widget->property("_pqStyleBook").toBool();
}

void SetAccentFill(QPushButton* button, int radius)
{
    const UiPalette& p = DarkPalette();
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: #FFFFFF; border: none;"
                                         " border-radius: %4px; }"
                                         "QPushButton:hover { background: %2; }"
                                         "QPushButton:pressed { background: %3; }")
                              .arg(CssColor(p.accentFill), CssColor(p.accentFillHover), CssColor(p.accentFillPressed))
                              .arg(radius));
    MarkStyleBook(button);
}

void WalkThemeColors(QObject* root, bool toLight, const std::function<bool(const QObject*)>& skip)
{
    if (root)
        Walk(root, toLight, skip);
}

} // namespace pq
