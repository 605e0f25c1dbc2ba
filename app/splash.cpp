#include "app/splash.h"

#include "ui/debug_log.h"
#include "app/logo.h"
#include "app/startup.h"
#include "ui/theme_style.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace pq {

SplashScreen* gSplash = nullptr;

namespace {

constexpr int kSize = 512;

// Linear ramp from `from` to `to` starting after `delay` over `duration`.
double Ramp(double ms, double delay, double duration, double from, double to)
{
    const double t = std::clamp((ms - delay) / duration, 0.0, 1.0);
    return from + (to - from) * t;
}

QImage TransparentLayer()
{
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void SoftBlob(QPainter& p, QPointF centre, double radius, QColor color)
{
    QRadialGradient g(centre, radius);
    g.setColorAt(0, color);
    color.setAlpha(0);
    g.setColorAt(1, color);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
}

} // namespace

SplashScreen::SplashScreen(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    gSplash = this;
    setObjectName(QStringLiteral("splashScreen"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kSize, kSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - QPoint(kSize / 2, kSize / 2));
    }
    buildLayers();

    timer1.setSingleShot(true);
    timer1.setInterval(kSplashHandOverMs);
    connect(&timer1, &QTimer::timeout, this, [this] { GuardedCall("handOverTick", [this] { handOverTick(); }); });
    frameTimer_.setInterval(16);
    connect(&frameTimer_, &QTimer::timeout, this, [this] {
        if (clock_.elapsed() > kSplashHandOverMs)
            frameTimer_.stop();
        update();
    });
    clock_.start();
    timer1.start();
    frameTimer_.start();
}

SplashScreen::~SplashScreen()
{
    if (gSplash == this)
        gSplash = nullptr;
}

SplashScreen::LayerOpacity SplashScreen::layerOpacityAt(double ms)
{
    return LayerOpacity{
        Ramp(ms, 4000, 1500, 1.0, 0.0),  // everything fades out before the hand-over
        Ramp(ms, 500, 2000, 0.4, 1.0),   // back swirl
        Ramp(ms, 100, 3500, 0.0, 1.0),   // logo
        Ramp(ms, 1100, 2500, 0.0, 1.0),  // version text
        Ramp(ms, 0, 2500, 1.0, 0.0),     // inner glow of the top swirl
    };
}

void SplashScreen::buildLayers()
{
    // Card with a deep blue-grey ground and pastel light.
    background_ = TransparentLayer();
    {
        QPainter p(&background_);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath card;
        card.addRoundedRect(QRectF(0, 0, kSize, kSize), 32, 32);
        p.setClipPath(card);
        QRadialGradient ground(QPointF(256, 190), 430);
        ground.setColorAt(0, QColor(0x2A, 0x3A, 0x55));
        ground.setColorAt(0.55, QColor(0x17, 0x21, 0x33));
        ground.setColorAt(1, QColor(0x0B, 0x11, 0x1C));
        p.fillRect(rect(), ground);
        SoftBlob(p, QPointF(90, 80), 210, QColor(0x61, 0xB9, 0xD2, 70));
        SoftBlob(p, QPointF(450, 150), 200, QColor(0xF4, 0x72, 0xB6, 55));
        SoftBlob(p, QPointF(120, 470), 230, QColor(0xFB, 0xBF, 0x24, 40));
        SoftBlob(p, QPointF(430, 460), 180, QColor(0x81, 0x8C, 0xF8, 45));
        // Fine paper grain.
        quint32 seed = 1969;
        for (int i = 0; i < 9000; ++i) {
            seed = seed * 134775813u + 1u;
            const int x = int((seed >> 8) % kSize);
            seed = seed * 134775813u + 1u;
            const int y = int((seed >> 8) % kSize);
            p.setPen(QColor(255, 255, 255, int(6 + (seed >> 28))));
            p.drawPoint(x, y);
        }
        p.setClipping(false);
        p.setPen(QPen(QColor(255, 255, 255, 28), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(0.5, 0.5, kSize - 1, kSize - 1), 32, 32);
    }

    // Back swirl: three brush-like ribbons circling the mark.
    backSwirl_ = TransparentLayer();
    {
        QPainter p(&backSwirl_);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(252, 193);
        const struct {
            double start;
            double span;
            double radius;
            double width;
            QColor color;
        } ribbons[] = {
            {200, 150, 104, 13, QColor(0x8E, 0xE3, 0xF5, 200)},
            {20, 140, 98, 11, QColor(0xF9, 0xA8, 0xD4, 190)},
            {110, 120, 112, 8, QColor(0xFD, 0xE6, 0x8A, 170)},
        };
        for (const auto& r : ribbons) {
            // Tapered stroke: many thin arcs narrowing toward both ends.
            const int steps = 60;
            for (int i = 0; i < steps; ++i) {
                const double t0 = double(i) / steps;
                const double t1 = double(i + 1) / steps;
                const double taper = std::sin(M_PI * (t0 + t1) / 2);
                QPen pen(r.color, std::max(1.0, r.width * taper));
                pen.setCapStyle(Qt::RoundCap);
                p.setPen(pen);
                const QRectF box(c.x() - r.radius, c.y() - r.radius, 2 * r.radius, 2 * r.radius);
                p.drawArc(box, int((r.start + r.span * t0) * 16), int(std::ceil(r.span / steps * 16)));
            }
        }
    }

    // Top swirl: the mark itself.
    topSwirl_ = TransparentLayer();
    {
        QPainter p(&topSwirl_);
        PaintLogoMark(p, QRectF(252 - 82, 193 - 82, 164, 164));
    }

    // The product logo: wordmark and edition lettering.
    wordmark_ = TransparentLayer();
    {
        QPainter p(&wordmark_);
        p.setRenderHint(QPainter::TextAntialiasing);
        QFont title = InterfaceFont(38, QFont::DemiBold);
        title.setLetterSpacing(QFont::AbsoluteSpacing, -0.5);
        p.setFont(title);
        p.setPen(QColor(0xF4, 0xF7, 0xFB));
        p.drawText(QRectF(112, 340, 288, 56), Qt::AlignCenter, QStringLiteral("Pastelloquin"));
        QFont edition = InterfaceFont(12, QFont::Medium);
        edition.setLetterSpacing(QFont::AbsoluteSpacing, 5);
        p.setFont(edition);
        p.setPen(QColor(0x9F, 0xB3, 0xC8));
        p.drawText(QRectF(142 + 74 - 40, 355 + 47, 90 + 80, 26), Qt::AlignCenter, QStringLiteral("ATELIO"));
    }

    // VersionLabel over its one-pixel shadow LabelShadow.
    version_ = TransparentLayer();
    {
        QPainter p(&version_);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setFont(InterfaceFont(16, QFont::Medium));
        const QString text = QString::fromLatin1(kVersionText);
        p.setPen(QColor(0, 0, 0, 200));
        p.drawText(QRectF(365 + 40, 353 - 14, 100, 17), Qt::AlignLeft | Qt::AlignVCenter, text);
        p.setPen(QColor(0x77, 0x88, 0x99));
        p.drawText(QRectF(364 + 40, 352 - 14, 100, 17), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

void SplashScreen::paintEvent(QPaintEvent*)
{
    const LayerOpacity o = layerOpacityAt(double(clock_.elapsed()));
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setOpacity(o.all);
    p.drawImage(0, 0, background_);
    p.setOpacity(o.all * o.backSwirl);
    p.drawImage(0, 0, backSwirl_);
    p.setOpacity(o.all);
    if (o.glow > 0.01) {
        // Inner glow of the mark, fading as the animation settles.
        QRadialGradient glow(QPointF(252, 193), 95);
        glow.setColorAt(0, QColor(0x33, 0x43, 0x56, int(0.3 * 255 * o.glow)));
        glow.setColorAt(1, QColor(0x33, 0x43, 0x56, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QPointF(252, 193), 95, 95);
    }
    p.drawImage(0, 0, topSwirl_);
    p.setOpacity(o.all * o.logo);
    p.drawImage(0, 0, wordmark_);
    p.setOpacity(o.all * o.version);
    p.drawImage(0, 0, version_);
}

void SplashScreen::mousePressEvent(QMouseEvent*)
{
    // A click on the artwork only hides the window.
    hide();
}

void SplashScreen::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && !initialSplash && isVisible())
        hide();
    QWidget::changeEvent(event);
}

void SplashScreen::handOverTick()
{
    timer1.stop();
    initialSplash = false;
    emit handOver();
    hide();
}

void SplashScreen::applyInterfaceFont()
{
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Inter-Regular.ttf"));
    if (QFile::exists(path) && QFontDatabase::addApplicationFont(path) < 0)
        QMessageBox::warning(nullptr, QStringLiteral("Pastelloquin"),
                             QStringLiteral("Failed to register font: ") + QStringLiteral("cannot load ") + path);
    // The family is applied whether or not the file was there; Inter is
    // also found among the system's fonts.
    QApplication::setFont(InterfaceFont(13));
}

} // namespace pq
