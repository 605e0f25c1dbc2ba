#include "caption_fit_checks.h"

#include "ui/widgets/expander.h"
#include "ui/widgets/icon_button.h"
#include "ui/widgets/shown_caption.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>

namespace fitcheck {
namespace {

using pq::Expander;
using pq::IconButton;
using pq::ShownCaptionText;

double Channel(int value)
{
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c)
{
    return 0.2126 * Channel(c.red()) + 0.7152 * Channel(c.green()) + 0.0722 * Channel(c.blue());
}

// A measured text may be a pixel wider than its room before it shows cut.
constexpr double kSlack = 1.0;

QString PlainText(const QLabel* label)
{
    const QString text = label->text();
    if (label->textFormat() == Qt::RichText
        || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
        QTextDocument doc;
        doc.setHtml(text);
        return doc.toPlainText();
    }
    return text;
}

double WidestLine(const QFontMetricsF& metrics, const QString& text)
{
    double widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

CaptionFit LabelFit(const QLabel* label)
{
    CaptionFit fit;
    if (!label->pixmap().isNull() || label->text().isEmpty())
        return fit;
    fit.text = PlainText(label);
    if (fit.text.trimmed().isEmpty())
        return fit;
    fit.hasCaption = true;
    const QFontMetricsF metrics(label->font());
    QRect room = label->contentsRect();
    const int margin = label->margin();
    room.adjust(margin, margin, -margin, -margin);
    if (label->indent() > 0)
        room.adjust(label->indent(), 0, 0, 0);
    fit.room = room.width();
    const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    const QRectF laid = metrics.boundingRect(QRectF(room), flags, fit.text);
    if (label->wordWrap()) {
        // Wrapped text is cut when its lines need more height than there
        // is, or one word alone is wider than the label.
        fit.width = laid.width();
        fit.fits = laid.height() <= room.height() + metrics.descent() + kSlack
                   && laid.width() <= room.width() + kSlack;
    } else {
        fit.width = WidestLine(metrics, fit.text);
        fit.fits = fit.width <= fit.room + kSlack;
    }
    fit.textArea = laid.toAlignedRect().intersected(room);
    // A marquee keeps the label as wide as its text inside a clipping
    // rectangle as wide as the label was.
    const QWidget* parent = label->parentWidget();
    if (parent && parent->objectName() == QLatin1String("marqueeClip")) {
        fit.scrolls = true;
        fit.room = parent->width();
        fit.textArea = fit.textArea.intersected(QRect(-label->x(), 0, parent->width(), label->height()));
    }
    return fit;
}

CaptionFit DrawnCaptionFit(const QString& caption, const QFont& font, const QRectF& room,
                           std::optional<qreal> offset)
{
    CaptionFit fit;
    fit.text = ShownCaptionText(caption);
    if (fit.text.trimmed().isEmpty())
        return fit;
    fit.hasCaption = true;
    const QFontMetricsF metrics(font);
    fit.room = room.width();
    fit.width = metrics.horizontalAdvance(fit.text);
    fit.fits = fit.width <= fit.room + kSlack;
    fit.scrolls = offset.has_value();
    const double shown = std::min(fit.width, fit.room);
    fit.textArea = QRectF(room.left(), room.center().y() - metrics.height() / 2, shown, metrics.height())
                       .toAlignedRect()
                       .intersected(room.toAlignedRect());
    return fit;
}

// Push buttons and check boxes: the style's room for the caption.
CaptionFit StyledButtonFit(const QAbstractButton* button)
{
    CaptionFit fit;
    fit.text = ShownCaptionText(button->text());
    if (fit.text.trimmed().isEmpty())
        return fit;
    fit.hasCaption = true;
    const QFontMetricsF metrics(button->font());
    QRect room = button->contentsRect();
    if (qobject_cast<const QCheckBox*>(button) || qobject_cast<const QRadioButton*>(button))
        room.adjust(22, 0, 0, 0); // the check mark and its gap
    else
        room.adjust(4, 0, -4, 0);
    if (!button->icon().isNull())
        room.adjust(button->iconSize().width() + 4, 0, 0, 0);
    fit.room = room.width();
    fit.width = WidestLine(metrics, fit.text);
    fit.fits = fit.width <= fit.room + kSlack;
    const double shown = std::min(fit.width, fit.room);
    const double left = qobject_cast<const QPushButton*>(button) ? room.center().x() - shown / 2 : room.left();
    fit.textArea = QRectF(left, room.center().y() - metrics.height() / 2, shown, metrics.height())
                       .toAlignedRect()
                       .intersected(room);
    return fit;
}

CaptionFit ComboFit(const QComboBox* combo)
{
    CaptionFit fit;
    fit.text = combo->currentText();
    if (fit.text.trimmed().isEmpty() || combo->isEditable())
        return fit;
    fit.hasCaption = true;
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = false;
    QRect room = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    const QFontMetricsF metrics(combo->font());
    fit.room = room.width();
    fit.width = metrics.horizontalAdvance(fit.text);
    fit.fits = fit.width <= fit.room + kSlack;
    fit.textArea = QRectF(room.left(), room.center().y() - metrics.height() / 2, std::min(fit.width, fit.room),
                          metrics.height())
                       .toAlignedRect()
                       .intersected(room);
    return fit;
}

QString NameOf(const QWidget* w)
{
    QStringList chain;
    for (const QWidget* p = w; p; p = p->parentWidget()) {
        const QString name = p->objectName();
        chain.prepend(name.isEmpty() ? QString::fromLatin1(p->metaObject()->className()) : name);
        if (p->isWindow())
            break;
    }
    // The last three steps say enough.
    while (chain.size() > 3)
        chain.removeFirst();
    return chain.join(QLatin1Char('/'));
}

// The control a user sees at a point of the window: false when something
// else lies over it there.
bool ShownAt(QWidget* top, const QWidget* control, const QPoint& atTop)
{
    QWidget* hit = top->childAt(atTop);
    if (!hit)
        return control == top;
    return hit == control || control->isAncestorOf(hit) || hit->isAncestorOf(control);
}

// The part of a control's rectangle its ancestors let show, in its own
// coordinates.
QRect VisiblePart(const QWidget* control)
{
    QRect visible = control->rect();
    QPoint offset;
    for (const QWidget* w = control; w && !w->isWindow(); w = w->parentWidget()) {
        offset += w->pos();
        const QWidget* parent = w->parentWidget();
        if (parent)
            visible &= parent->rect().translated(-offset);
    }
    return visible;
}

bool ShownWhole(const QWidget* w)
{
    for (const QWidget* p = w; p; p = p->parentWidget()) {
        if (!p->isVisible())
            return false;
        // Faded out entirely (the preview's zoom box until it is hovered):
        // nothing of it shows.
        if (const auto* fade = qobject_cast<const QGraphicsOpacityEffect*>(p->graphicsEffect());
            fade && fade->isEnabled() && fade->opacity() <= 0)
            return false;
        if (p->isWindow())
            break;
    }
    return true;
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

AreaContrast MeasureContrast(const QImage& shot, const QRect& area)
{
    AreaContrast result;
    const QRect r = area.intersected(shot.rect());
    if (r.isEmpty())
        return result;
    const QImage image = shot.format() == QImage::Format_RGB32 ? shot : shot.convertToFormat(QImage::Format_RGB32);
    std::unordered_map<QRgb, int> counts;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[row[x] | 0xFF000000u];
    }
    const auto mode = std::max_element(counts.begin(), counts.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    result.background = QColor::fromRgb(mode->first);
    result.ratio = 1;
    result.text = result.background;
    for (const auto& [rgb, count] : counts) {
        const double ratio = ContrastRatio(result.background, QColor::fromRgb(rgb));
        if (ratio > result.ratio) {
            result.ratio = ratio;
            result.text = QColor::fromRgb(rgb);
        }
    }
    return result;
}

CaptionFit FitOf(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return LabelFit(label);
    if (const auto* icon = qobject_cast<const IconButton*>(control))
        return DrawnCaptionFit(icon->text(), icon->font(), icon->captionRect(), icon->captionOffset());
    if (const auto* expander = qobject_cast<const Expander*>(control))
        return DrawnCaptionFit(expander->caption(), expander->font(), expander->captionRect(),
                               expander->captionOffset());
    if (const auto* button = qobject_cast<const QPushButton*>(control))
        return StyledButtonFit(button);
    if (const auto* box = qobject_cast<const QCheckBox*>(control))
        return StyledButtonFit(box);
    if (const auto* radio = qobject_cast<const QRadioButton*>(control))
        return StyledButtonFit(radio);
    if (const auto* combo = qobject_cast<const QComboBox*>(control))
        return ComboFit(combo);
    return {};
}

QStringList CheckTree(QWidget* top, const QImage& shot)
{
    QStringList findings;
    const double dpr = shot.devicePixelRatio();
    const auto contrastAt = [&](QWidget* w, const QRect& area, const QString& text) {
        const QRect shown = area.intersected(VisiblePart(w));
        if (shown.width() < 2 || shown.height() < 2)
            return;
        const QPoint origin = w->mapTo(top, QPoint(0, 0));
        if (!ShownAt(top, w, origin + shown.center()))
            return;
        const QRect inShot = QRectF(QRectF(shown.translated(origin)).topLeft() * dpr,
                                    QRectF(shown.translated(origin)).size() * dpr)
                                 .toAlignedRect();
        const AreaContrast c = MeasureContrast(shot, inShot);
        if (c.ratio < kLeastContrast)
            findings << QStringLiteral("%1 \"%2\": contrast %3:1 (%4 on %5)")
                            .arg(NameOf(w), text)
                            .arg(c.ratio, 0, 'f', 2)
                            .arg(c.text.name(), c.background.name());
    };
    QList<QWidget*> widgets = top->findChildren<QWidget*>();
    widgets.prepend(top);
    for (QWidget* w : widgets) {
        if (!ShownWhole(w) || (w != top && w->window() != top))
            continue;
        if (const auto* list = qobject_cast<QListWidget*>(w)) {
            // Items show in the viewport; each must fit its row.
            const QWidget* port = list->viewport();
            for (int i = 0; i < list->count(); ++i) {
                const QListWidgetItem* item = list->item(i);
                const QRect row = list->visualItemRect(item);
                if (item->isHidden() || !row.intersects(port->rect()) || item->text().isEmpty())
                    continue;
                const QFontMetricsF metrics(item->font().resolve(list->font()));
                const double iconRoom = item->icon().isNull() ? 0 : list->iconSize().width() + 4;
                const double width = metrics.horizontalAdvance(ShownCaptionText(item->text())) + iconRoom;
                if (width > row.width() - 4 + kSlack)
                    findings << QStringLiteral("%1 item \"%2\": text %3 px in %4 px")
                                    .arg(NameOf(w), item->text())
                                    .arg(width, 0, 'f', 1)
                                    .arg(row.width() - 4);
            }
            continue;
        }
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            const QString shown = edit->text().isEmpty() ? edit->placeholderText() : edit->text();
            if (!shown.isEmpty())
                contrastAt(w, edit->contentsRect().adjusted(2, 2, -2, -2), shown);
            continue;
        }
        const CaptionFit fit = FitOf(w);
        if (!fit.hasCaption)
            continue;
        if (!fit.fits && !fit.scrolls)
            findings << QStringLiteral("%1 \"%2\": text %3 px in %4 px")
                            .arg(NameOf(w), fit.text)
                            .arg(fit.width, 0, 'f', 1)
                            .arg(fit.room, 0, 'f', 1);
        contrastAt(w, fit.textArea, fit.text);
    }
    return findings;
}

} // namespace fitcheck
