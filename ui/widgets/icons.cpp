#include "ui/widgets/icons.h"

#include <QHash>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

namespace pq {

namespace {

// 24 x 24 line drawings; stroke colour and width come from the wrapper.
const QHash<QString, const char*>& IconBodies()
{
    static const QHash<QString, const char*> kBodies{
        {"menu", R"(<path d="M4 6.5h16M4 12h16M4 17.5h16"/>)"},
        {"open", R"(<path d="M3 7.5V6a2 2 0 0 1 2-2h4l2 2.5h7a2 2 0 0 1 2 2V10"/><path d="M3 7.5V18a2 2 0 0 0 2 2h12.6a2 2 0 0 0 1.9-1.4l2-6.3A1.7 1.7 0 0 0 19.9 10H8.1a2 2 0 0 0-1.9 1.4L3.4 19.4"/>)"},
        {"save", R"(<path d="M5 3h11l5 5v11a2 2 0 0 1-2 2H5a2 2 0 0 1-2-2V5a2 2 0 0 1 2-2z"/><path d="M7.5 3v4.5h8V3"/><rect x="7" y="13" width="10" height="8" rx="1"/>)"},
        {"copy", R"(<rect x="9" y="9" width="12" height="12" rx="2"/><path d="M5.5 15H5a2 2 0 0 1-2-2V5a2 2 0 0 1 2-2h8a2 2 0 0 1 2 2v.5"/>)"},
        {"paste", R"(<path d="M9 4.5H7a2 2 0 0 0-2 2V19a2 2 0 0 0 2 2h10a2 2 0 0 0 2-2V6.5a2 2 0 0 0-2-2h-2"/><rect x="9" y="2.5" width="6" height="4" rx="1"/><path d="M9 12h6M9 16h4"/>)"},
        {"undo", R"(<path d="M9 14L4 9l5-5"/><path d="M4 9h10.5a5.5 5.5 0 0 1 0 11H11"/>)"},
        {"redo", R"(<path d="M15 14l5-5-5-5"/><path d="M20 9H9.5a5.5 5.5 0 0 0 0 11H13"/>)"},
        {"print", R"(<path d="M6 9V3h12v6"/><path d="M6 17H5a2 2 0 0 1-2-2v-4a2 2 0 0 1 2-2h14a2 2 0 0 1 2 2v4a2 2 0 0 1-2 2h-1"/><rect x="6" y="14" width="12" height="7" rx="1"/>)"},
        {"split", R"(<rect x="3" y="4" width="18" height="16" rx="2"/><path d="M12 4v16"/><path d="M6 9.5l2.5 2.5L6 14.5"/>)"},
        {"help", R"(<circle cx="12" cy="12" r="9"/><path d="M9.4 9.3a2.7 2.7 0 0 1 5.2 1c0 1.8-2.6 2.3-2.6 4"/><path d="M12 17.5h.01"/>)"},
        {"coffee", R"(<path d="M4 9h13v5a5 5 0 0 1-5 5H9a5 5 0 0 1-5-5z"/><path d="M17 10.5h1.5a2.5 2.5 0 0 1 0 5H17"/><path d="M8 2.5c-.7 1 .7 2 0 3.5M12 2.5c-.7 1 .7 2 0 3.5"/>)"},
        {"zoomin", R"(<circle cx="11" cy="11" r="7"/><path d="M20.5 20.5l-4.5-4.5"/><path d="M8 11h6M11 8v6"/>)"},
        {"zoomout", R"(<circle cx="11" cy="11" r="7"/><path d="M20.5 20.5l-4.5-4.5"/><path d="M8 11h6"/>)"},
        {"zoom100", R"(<path d="M4.5 8.5L7 7v10"/><path d="M15.5 8.5L18 7v10"/><path d="M11.5 10.2v.01M11.5 14.2v.01"/>)"},
        {"power", R"(<path d="M12 3v8"/><path d="M6.3 6.6a8 8 0 1 0 11.4 0"/>)"},
        {"winmin", R"(<path d="M6 12h12"/>)"},
        {"winmax", R"(<rect x="6" y="6" width="12" height="12" rx="1.5"/>)"},
        {"winrestore", R"(<rect x="5" y="8.5" width="10.5" height="10.5" rx="1.5"/><path d="M8.5 5h9A1.5 1.5 0 0 1 19 6.5v9"/>)"},
        {"winclose", R"(<path d="M6.5 6.5l11 11M17.5 6.5l-11 11"/>)"},
        {"sun", R"(<circle cx="12" cy="12" r="4"/><path d="M12 2.5v2M12 19.5v2M5.3 5.3l1.4 1.4M17.3 17.3l1.4 1.4M2.5 12h2M19.5 12h2M5.3 18.7l1.4-1.4M17.3 6.7l1.4-1.4"/>)"},
        {"moon", R"(<path d="M20 14.5A8 8 0 0 1 9.5 4a8 8 0 1 0 10.5 10.5z"/>)"},
        {"crop", R"(<path d="M6 2v14a2 2 0 0 0 2 2h14"/><path d="M18 22V8a2 2 0 0 0-2-2H2"/>)"},
        {"resize", R"(<path d="M14 3h7v7"/><path d="M10 21H3v-7"/><path d="M21 3l-7 7"/><path d="M3 21l7-7"/>)"},
        {"rotateleft", R"(<path d="M3.5 12a8.5 8.5 0 1 0 2.8-6.3L3.5 8.5"/><path d="M3.5 3.5v5h5"/>)"},
        {"rotateright", R"(<path d="M20.5 12a8.5 8.5 0 1 1-2.8-6.3l2.8 2.8"/><path d="M20.5 3.5v5h-5"/>)"},
        {"text", R"(<path d="M4.5 7V4.5h15V7"/><path d="M12 4.5v15"/><path d="M9 19.5h6"/>)"},
        {"texture", R"(<rect x="3" y="3" width="18" height="18" rx="2.5"/><path d="M3.5 9.5l6-6M3.5 15.5l12-12M5 21L21 5M9.5 20.5l11-11M15.5 20.5l5-5"/>)"},
        {"frame", R"(<rect x="3" y="3" width="18" height="18" rx="2"/><rect x="7.5" y="7.5" width="9" height="9" rx="1"/><path d="M3 3l4.5 4.5M21 3l-4.5 4.5M3 21l4.5-4.5M21 21l-4.5-4.5"/>)"},
        {"enhance", R"(<path d="M11 3l1.8 4.7L17.5 9.5l-4.7 1.8L11 16l-1.8-4.7L4.5 9.5l4.7-1.8z"/><path d="M18.5 14.5l.9 2.1 2.1.9-2.1.9-.9 2.1-.9-2.1-2.1-.9 2.1-.9z"/>)"},
        {"pencil", R"(<path d="M16.5 3.5l4 4L8 20H4v-4z"/><path d="M13.5 6.5l4 4"/>)"},
        {"pen", R"(<path d="M12 20l8-8"/><path d="M17.5 14.5L16 6.5 3 3l3.5 13 8 1.5z"/><path d="M3 3l7 7"/><circle cx="11.5" cy="11.5" r="1.8"/>)"},
        {"brush", R"(<path d="M20.5 3.5l-9 9.5"/><path d="M14.2 10.3l-2.7-2.6"/><path d="M10 13.5c-2 0-3.5 1.6-3.5 3.5 0 1.4-1 2.5-3 2.8 1.1 1.2 2.8 1.7 4.4 1.7 2.6 0 4.6-2 4.6-4.5 0-1.9-1.2-3.5-2.5-3.5z"/>)"},
        {"camera", R"(<path d="M3 8.5a2 2 0 0 1 2-2h2.5L9 4.5h6l1.5 2H19a2 2 0 0 1 2 2V18a2 2 0 0 1-2 2H5a2 2 0 0 1-2-2z"/><circle cx="12" cy="13" r="3.7"/>)"},
        {"shapes", R"(<circle cx="7.5" cy="7.5" r="4"/><rect x="13" y="13" width="8" height="8" rx="1"/><path d="M17 3l4 7h-8z"/><path d="M3 21l4-7 4 7z"/>)"},
        {"picture", R"(<rect x="3" y="3" width="18" height="18" rx="2.5"/><circle cx="9" cy="9" r="2"/><path d="M21 15l-5-5L5 21"/>)"},
        {"plus", R"(<path d="M12 5v14M5 12h14"/>)"},
        {"swap", R"(<path d="M7 4L3 8l4 4"/><path d="M3 8h14"/><path d="M17 20l4-4-4-4"/><path d="M21 16H7"/>)"},
        {"layers", R"(<path d="M12 3l9 5-9 5-9-5z"/><path d="M3 13l9 5 9-5"/><path d="M3 17.5l9 5 9-5"/>)"},
        {"batch", R"(<rect x="7" y="7" width="14" height="14" rx="2"/><path d="M3 17V5a2 2 0 0 1 2-2h12"/><path d="M10.5 17l3-3.5 2.5 2.5 1.5-1.5 1.5 2.5"/>)"},
        {"script", R"(<path d="M8 8l-4 4 4 4"/><path d="M16 8l4 4-4 4"/><path d="M13.5 4.5l-3 15"/>)"},
        {"globe", R"(<circle cx="12" cy="12" r="9"/><path d="M3 12h18"/><path d="M12 3c2.5 2.6 3.8 5.6 3.8 9S14.5 18.4 12 21c-2.5-2.6-3.8-5.6-3.8-9S9.5 5.6 12 3z"/>)"},
        {"info", R"(<circle cx="12" cy="12" r="9"/><path d="M12 11v5.5"/><path d="M12 7.8v.01"/>)"},
        {"update", R"(<path d="M20.5 12a8.5 8.5 0 0 1-14.8 5.7L3.5 15.5"/><path d="M3.5 12a8.5 8.5 0 0 1 14.8-5.7l2.2 2.2"/><path d="M20.5 3.5v5h-5"/><path d="M3.5 20.5v-5h5"/>)"},
        {"display", R"(<rect x="3" y="4" width="18" height="12" rx="2"/><path d="M8.5 20h7M12 16v4"/>)"},
        {"eye", R"(<path d="M2 12s3.6-7 10-7 10 7 10 7-3.6 7-10 7S2 12 2 12z"/><circle cx="12" cy="12" r="3"/>)"},
        {"chevron", R"(<path d="M7 10l5 5 5-5"/>)"},
        {"image", R"(<rect x="3" y="5" width="18" height="14" rx="2"/><circle cx="8.5" cy="10" r="1.6"/><path d="M21 15.5l-4.5-4.5L7 19"/>)"},
    };
    return kBodies;
}

} // namespace

bool HasIcon(const QString& name)
{
    return IconBodies().contains(name);
}

QPixmap RenderIcon(const QString& name, const QColor& color, int size, qreal devicePixelRatio, qreal strokeWidth)
{
    const auto it = IconBodies().constFind(name);
    if (it == IconBodies().constEnd() || size <= 0)
        return {};
    // Buttons draw their icons at every paint; each look is drawn once.
    const QString key = QStringLiteral("pq-icon:%1:%2:%3:%4:%5")
                            .arg(name)
                            .arg(color.rgba(), 8, 16)
                            .arg(size)
                            .arg(devicePixelRatio)
                            .arg(strokeWidth);
    if (QPixmap cached; QPixmapCache::find(key, &cached))
        return cached;
    const QString svg = QStringLiteral(
                            "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 24 24' width='24' height='24'>"
                            "<g fill='none' stroke='%1' stroke-opacity='%2' stroke-width='%3' stroke-linecap='round' "
                            "stroke-linejoin='round'>%4</g></svg>")
                            .arg(color.name(QColor::HexRgb))
                            .arg(color.alphaF())
                            .arg(strokeWidth)
                            .arg(QString::fromUtf8(it.value()));
    QSvgRenderer renderer(svg.toUtf8());
    const int px = qMax(1, qRound(size * devicePixelRatio));
    QPixmap pixmap(px, px);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, px, px));
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

} // namespace pq
