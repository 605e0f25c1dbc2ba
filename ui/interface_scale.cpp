#include "ui/interface_scale.h"

#include "platform/numeric.h"
#include "ui/theme_walk.h"

#include <QFont>
#include <QLabel>
#include <QLayout>
#include <QMetaObject>
#include <QRegularExpression>
#include <QSpacerItem>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace pq {
namespace {

double gScale = 1.0;

constexpr char kScale[] = "pqScale";
constexpr char kCssDesign[] = "pqCssDesign";
constexpr char kCssApplied[] = "pqCssApplied";

int Scaled(double design, double scale)
{
    return platform::Round(design * scale);
}

// A length with its design value: the value `applied` was last set from
// `design`; when the object shows another value now, code changed it, and
// that value (at scale `from`) is the new design.
template <typename T>
double DesignOf(QObject* o, const char* name, T current, double from)
{
    const QByteArray designKey = QByteArray("pqD_") + name;
    const QByteArray appliedKey = QByteArray("pqA_") + name;
    const QVariant applied = o->property(appliedKey.constData());
    if (applied.isValid() && applied.value<T>() == current)
        return o->property(designKey.constData()).toDouble();
    const double design = double(current) / from;
    o->setProperty(designKey.constData(), design);
    return design;
}

template <typename T>
void Remember(QObject* o, const char* name, T applied)
{
    o->setProperty((QByteArray("pqA_") + name).constData(), QVariant::fromValue(applied));
}

// One length: its new value at `to`, its design value kept.
int ScaleLength(QObject* o, const char* name, int current, double from, double to)
{
    if (current <= 0 || current >= QWIDGETSIZE_MAX)
        return current;
    const int value = std::max(1, Scaled(DesignOf<int>(o, name, current, from), to));
    Remember<int>(o, name, value);
    return value;
}

void ScaleLayout(QLayout* layout, double from, double to)
{
    if (!layout)
        return;
    const QMargins m = layout->contentsMargins();
    layout->setContentsMargins(ScaleLength(layout, "ml", m.left(), from, to),
                               ScaleLength(layout, "mt", m.top(), from, to),
                               ScaleLength(layout, "mr", m.right(), from, to),
                               ScaleLength(layout, "mb", m.bottom(), from, to));
    if (layout->spacing() > 0)
        layout->setSpacing(ScaleLength(layout, "sp", layout->spacing(), from, to));
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (QLayout* inner = item->layout()) {
            ScaleLayout(inner, from, to);
        } else if (QSpacerItem* spacer = item->spacerItem()) {
            // Spacers keep no design value: they follow the ratio.
            const QSize hint = spacer->sizeHint();
            const QSizePolicy policy = spacer->sizePolicy();
            const double ratio = to / from;
            spacer->changeSize(std::max(0, Scaled(hint.width(), ratio)), std::max(0, Scaled(hint.height(), ratio)),
                               policy.horizontalPolicy(), policy.verticalPolicy());
        }
    }
    layout->invalidate();
}

bool PlacedByLayout(const QWidget* w)
{
    const QWidget* parent = w->parentWidget();
    if (!parent)
        return false;
    const QLayout* layout = parent->layout();
    if (!layout)
        return false;
    // indexOf finds widgets of nested layouts too.
    return layout->indexOf(const_cast<QWidget*>(w)) >= 0 || w->testAttribute(Qt::WA_LaidOut);
}

bool IsToolkitInternal(const QWidget* w)
{
    return w->objectName().startsWith(QLatin1String("qt_"));
}

void ScaleOne(QWidget* w, bool root, double to)
{
    const double from = WidgetScale(w);
    if (std::abs(from - to) < 1e-9)
        return;
    w->setProperty(kScale, to);
    if (IsToolkitInternal(w))
        return;

    if (w->testAttribute(Qt::WA_SetFont)) {
        QFont font = w->font();
        if (font.pixelSize() > 0) {
            font.setPixelSize(ScaleLength(w, "font", font.pixelSize(), from, to));
            w->setFont(font);
        }
    }

    // A window's own limits follow its screen, not the scale.
    if (!w->isWindow()) {
        const QSize minimum = w->minimumSize();
        const QSize maximum = w->maximumSize();
        w->setMinimumSize(ScaleLength(w, "minw", minimum.width(), from, to),
                          ScaleLength(w, "minh", minimum.height(), from, to));
        w->setMaximumSize(ScaleLength(w, "maxw", maximum.width(), from, to),
                          ScaleLength(w, "maxh", maximum.height(), from, to));
    }
    ScaleLayout(w->layout(), from, to);

    if (!root && !w->isWindow() && !PlacedByLayout(w)) {
        const QRect g = w->geometry();
        const int x = Scaled(DesignOf<int>(w, "x", g.x(), from), to);
        const int y = Scaled(DesignOf<int>(w, "y", g.y(), from), to);
        Remember<int>(w, "x", x);
        Remember<int>(w, "y", y);
        w->setGeometry(x, y, ScaleLength(w, "w", g.width(), from, to), ScaleLength(w, "h", g.height(), from, to));
    }

    const QString css = w->styleSheet();
    if (!css.isEmpty()) {
        const QVariant applied = w->property(kCssApplied);
        if (!applied.isValid() || applied.toString() != css)
            w->setProperty(kCssDesign, ScaleStyleSheetLengths(css, 1.0 / from));
        const QString scaled = ScaleStyleSheetLengths(w->property(kCssDesign).toString(), to);
        w->setProperty(kCssApplied, scaled);
        if (scaled != css)
            w->setStyleSheet(scaled);
    }

    if (auto* label = qobject_cast<QLabel*>(w); label && label->property("_pqIcon").isValid())
        RescaleIconLabel(label);
    if (w->metaObject()->indexOfMethod("setInterfaceScale(double)") >= 0)
        QMetaObject::invokeMethod(w, "setInterfaceScale", Q_ARG(double, to));
}

} // namespace

double AppliedScale(double zoom)
{
    return platform::Round(96.0 * zoom) / 96.0;
}

double InterfaceScale()
{
    return gScale;
}

void SetInterfaceScale(double scale)
{
    gScale = scale > 0 ? scale : 1.0;
}

int Units(double units)
{
    return Scaled(units, gScale);
}

double ToUnits(double pixels)
{
    return pixels / gScale;
}

QString ScaleStyleSheetLengths(const QString& css, double scale)
{
    static const QRegularExpression length(QStringLiteral("(-?\\d+(?:\\.\\d+)?)px"));
    QString out;
    out.reserve(css.size());
    qsizetype last = 0;
    for (auto it = length.globalMatch(css); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(css).mid(last, m.capturedStart() - last);
        const double design = m.captured(1).toDouble();
        double value = design * scale;
        // Whole pixels where the value allows; hairlines stay visible.
        if (std::abs(design) >= 1.0 && std::abs(value) < 1.0)
            value = design < 0 ? -1.0 : 1.0;
        const double whole = std::nearbyint(value);
        out += std::abs(value - whole) < 1e-6 || std::abs(design) >= 1.0 ? QString::number(int(whole))
                                                                          : QString::number(value, 'f', 2);
        out += QStringLiteral("px");
        last = m.capturedEnd();
    }
    out += QStringView(css).mid(last);
    return out;
}

void SetDesignStyleSheet(QWidget* widget, const QString& css)
{
    const QString scaled = ScaleStyleSheetLengths(css, WidgetScale(widget));
    widget->setProperty(kCssDesign, css);
    widget->setProperty(kCssApplied, scaled);
    widget->setStyleSheet(scaled);
}

double WidgetScale(const QWidget* widget)
{
    const QVariant v = widget->property(kScale);
    return v.isValid() ? v.toDouble() : 1.0;
}

void ScaleWidgetTree(QWidget* root, double scale)
{
    if (!root || scale <= 0)
        return;
    ScaleOne(root, true, scale);
    const QList<QWidget*> children = root->findChildren<QWidget*>();
    for (QWidget* child : children)
        ScaleOne(child, false, scale);
}

} // namespace pq
