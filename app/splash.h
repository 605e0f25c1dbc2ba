#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

namespace pq {

// The seven animations of the splash at a time since its creation: each
// runs once, from its start value to its end value, after a delay.
struct SplashLook {
    double all = 1;           // the whole card: 1 to 0 after 4 s over 1.5 s
    double backSwirl = 1;     // 0.4 to 1 after 0.5 s over 2 s
    double backShadow = 0.8;  // the back swirl's shadow: 0 to 0.8 after 0.5 s over 2 s
    double glowSoftness = 0;  // the top swirl's inner glow: 2 to 0 over 2.5 s
    double logo = 1;          // 0 to 1 after 0.1 s over 3.5 s
    double versionShadow = 0.85; // 0 to 0.85 after 1.1 s over 2.5 s
    double version = 1;       // 0 to 1 after 1.1 s over 2.5 s
};
SplashLook SplashLookAt(double ms);
// The About box: every animation at its end and the card fully shown.
SplashLook AboutLook();

// The hand-over time: 5500 ms, or less when the environment variable
// PASTELLOQUIN_SPLASH_MS asks for it (tests).
int SplashHandOverMs();

// The artwork, drawn by the build's image generator.
struct SplashArt {
    QImage background;
    QImage backSwirl;
    QImage backSwirlShadow;
    QImage topSwirl;
    QImage topSwirlGlow;
    QImage logo;
    QImage edition;
    bool complete() const;
};
SplashArt LoadSplashArt();

// SplashScreen: a 512 x 512 borderless window on top that plays a short
// animation over the product artwork while the main window is prepared,
// hands over after 5500 ms, and later shows again as the About box.
class SplashScreen : public QWidget {
    Q_OBJECT
public:
    explicit SplashScreen(QWidget* parent = nullptr);
    ~SplashScreen() override;

    // The hand-over timer.
    QTimer timer1;
    // True while the window is the start-up splash: losing activation does
    // not hide it then.
    bool initialSplash = true;

    // Registers "Inter-Regular.ttf" from the program's folder when present
    // and makes the family Inter the interface font.
    static void applyInterfaceFont();

    // Shows the window again as the About box, fully opaque, centred over
    // `over` (the main window's frame, in Qt's logical coordinates).
    void showAbout(const QRect& over);
    bool isAbout() const { return about_; }
    // The picture the window shows at a time since its creation.
    QImage frameAt(double ms, qreal devicePixelRatio = 1.0) const;

signals:
    // The main window takes over (emitted once, by timer1).
    void handOver();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void handOverTick();
    void paintFrame(QPainter& p, const SplashLook& look) const;

    QElapsedTimer clock_;
    QTimer frameTimer_;
    SplashArt art_;
    bool about_ = false;
};

extern SplashScreen* gSplash;

} // namespace pq
