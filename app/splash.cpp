#include "app/splash.h"

#include "app/startup.h"
#include "platform/embedded.h"
#include "platform/numeric.h"
#include "platform/zip_archive.h"
#include "ui/debug_log.h"
#include "ui/theme_style.h"

#include <QApplication>
#include <QBitmap>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace pq {

SplashScreen* gSplash = nullptr;

namespace {

constexpr int kSize = 512;
constexpr char kHandOverVariable[] = "PASTELLOQUIN_SPLASH_MS";

// From `from` to `to`, starting after `delay` ms and lasting `duration` ms.
double Ramp(double ms, double delay, double duration, double from, double to)
{
    const double t = std::clamp((ms - delay) / duration, 0.0, 1.0);
    return from + (to - from) * t;
}

QImage Member(const platform::ZipArchive& archive, const char* name)
{
    QImage image;
    image.loadFromData(archive.read(QString::fromLatin1(name)), "PNG");
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The card's outline at the window's size: every pixel the card covers at
// all. Without a compositor a translucent window shows black where it is
// transparent; the mask keeps the corners out of the window.
QRegion CardRegion(const QImage& background)
{
    const QImage card = background.scaled(kSize, kSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_ARGB32);
    QImage covered(kSize, kSize, QImage::Format_Mono);
    covered.setColor(0, qRgb(255, 255, 255));
    covered.setColor(1, qRgb(0, 0, 0));
    covered.fill(0);
    for (int y = 0; y < kSize; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(card.constScanLine(y));
        for (int x = 0; x < kSize; ++x)
            if (qAlpha(row[x]) > 0)
                covered.setPixel(x, y, 1);
    }
    return QRegion(QBitmap::fromImage(covered));
}

} // namespace

SplashLook SplashLookAt(double ms)
{
    SplashLook look;
    look.all = Ramp(ms, 4000, 1500, 1.0, 0.0);
    look.backSwirl = Ramp(ms, 500, 2000, 0.4, 1.0);
    look.backShadow = Ramp(ms, 500, 2000, 0.0, 0.8);
    look.glowSoftness = Ramp(ms, 0, 2500, 2.0, 0.0);
    look.logo = Ramp(ms, 100, 3500, 0.0, 1.0);
    look.versionShadow = Ramp(ms, 1100, 2500, 0.0, 0.85);
    look.version = Ramp(ms, 1100, 2500, 0.0, 1.0);
    return look;
}

SplashLook AboutLook()
{
    SplashLook look = SplashLookAt(1e9);
    look.all = 1.0;
    return look;
}

int SplashHandOverMs()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue(kHandOverVariable, &ok);
    return ok && ms >= 0 && ms < kSplashHandOverMs ? ms : kSplashHandOverMs;
}

bool SplashArt::complete() const
{
    return !background.isNull() && !backSwirl.isNull() && !backSwirlShadow.isNull() && !topSwirl.isNull()
           && !topSwirlGlow.isNull() && !logo.isNull() && !edition.isNull();
}

SplashArt LoadSplashArt()
{
    SplashArt art;
    const platform::ZipArchive archive = platform::ZipArchive::openBytes(platform::EmbeddedResource(QStringLiteral("PASTELLOQUIN_SPLASH")));
    if (!archive.isOpen())
        return art;
    art.background = Member(archive, "SplashBackground.png");
    art.backSwirl = Member(archive, "BackSwirl.png");
    art.backSwirlShadow = Member(archive, "BackSwirlShadow.png");
    art.topSwirl = Member(archive, "TopSwirl.png");
    art.topSwirlGlow = Member(archive, "TopSwirlGlow.png");
    art.logo = Member(archive, "PQLogo.png");
    art.edition = Member(archive, "AtelioText.png");
    return art;
}

SplashScreen::SplashScreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), art_(LoadSplashArt())
{
    gSplash = this;
    setObjectName(QStringLiteral("splashScreen"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kSize, kSize);
    if (!art_.background.isNull())
        setMask(CardRegion(art_.background));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(kSize / 2, kSize / 2));

    timer1.setSingleShot(true);
    timer1.setInterval(SplashHandOverMs());
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

void SplashScreen::paintFrame(QPainter& p, const SplashLook& look) const
{
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::TextAntialiasing);
    const auto layer = [&](const QImage& image, const QRectF& at, double opacity) {
        if (image.isNull() || opacity <= 0)
            return;
        p.setOpacity(look.all * opacity);
        p.drawImage(at, image);
    };
    if (!art_.complete()) {
        // Without its artwork the window still shows a card.
        p.setOpacity(look.all);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x18, 0x22, 0x35));
        p.drawRoundedRect(QRectF(0, 0, kSize, kSize), 30, 30);
    }
    layer(art_.background, QRectF(0, 0, kSize, kSize), 1.0);

    // The logo is drawn 220 wide, centred in its 234 x 50 box at (142,
    // 355); the edition lettering sits in that box at (74, 47).
    const QRectF logoBox(142, 355, 234, 50);
    if (!art_.logo.isNull()) {
        const double height = 220.0 / art_.logo.width() * art_.logo.height();
        layer(art_.logo, QRectF(logoBox.center().x() - 110, logoBox.center().y() - height / 2, 220, height), look.logo);
    }
    layer(art_.edition, QRectF(logoBox.x() + 74, logoBox.y() + 47, 90, 26), look.logo);

    // The version over its one-unit shadow.
    const QString version = QString::fromLatin1(kVersionText);
    p.setFont(InterfaceFont(16, QFont::Medium));
    p.setOpacity(look.all * look.versionShadow);
    p.setPen(QColor(0, 0, 0, 200));
    p.drawText(QRectF(365, 353, 100, 17), Qt::AlignLeft | Qt::AlignVCenter, version);
    p.setOpacity(look.all * look.version);
    p.setPen(QColor(0x77, 0x88, 0x99));
    p.drawText(QRectF(364, 352, 100, 17), Qt::AlignLeft | Qt::AlignVCenter, version);

    // The swirls: the painted one with its shadow 5 units down and right at
    // 45 degrees, the ribbon over it with its fading inner glow.
    const QRectF swirls(135, 87, 234, 213);
    const double shadowStep = 5 * 0.70710678118654752;
    layer(art_.backSwirlShadow, swirls.translated(shadowStep, shadowStep), look.backSwirl * look.backShadow);
    layer(art_.backSwirl, swirls, look.backSwirl);
    layer(art_.topSwirl, swirls, 1.0);
    layer(art_.topSwirlGlow, swirls, 0.3 * look.glowSoftness / 2.0);
    p.setOpacity(1.0);
}

void SplashScreen::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    paintFrame(p, about_ ? AboutLook() : SplashLookAt(double(clock_.elapsed())));
}

QImage SplashScreen::frameAt(double ms, qreal devicePixelRatio) const
{
    QImage image(QSize(kSize, kSize) * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    paintFrame(p, ms < 0 ? AboutLook() : SplashLookAt(ms));
    return image;
}

void SplashScreen::showAbout(const QRect& over)
{
    about_ = true;
    frameTimer_.stop();
    // As a popup it closes at a click anywhere else, with or without a
    // window manager to pass activation around.
    if (windowType() != Qt::Popup) {
        setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
        setAttribute(Qt::WA_TranslucentBackground);
    }
    // Centred over the window in logical units; Qt already gives both
    // geometries that way on every display.
    move(platform::Round(over.left() + over.width() / 2.0 - width() / 2.0),
         platform::Round(over.top() + over.height() / 2.0 - height() / 2.0));
    show();
    raise();
    activateWindow();
    update();
}

void SplashScreen::mousePressEvent(QMouseEvent*)
{
    // A click on the artwork only hides the window.
    hide();
}

void SplashScreen::changeEvent(QEvent* event)
{
    // Losing activation hides the About box (a click anywhere else), but
    // never the splash during start-up.
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
    // also found among the system's fonts (the install scripts add it).
    QApplication::setFont(InterfaceFont(13));
}

} // namespace pq
