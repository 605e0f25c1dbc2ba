#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

namespace pq {

// SplashScreen: the splash window. A 512 x 512 borderless window on top that
// plays a short animation over the product artwork while the main window
// is prepared, and hands over after 5500 ms.
class SplashScreen : public QWidget {
    Q_OBJECT
public:
    explicit SplashScreen(QWidget* parent = nullptr);
    ~SplashScreen() override;

    // Timer1: the hand-over, 5500 ms after creation.
    QTimer timer1;
    // True while the window is the start-up splash (deactivation does not
    // hide it then).
    bool initialSplash = true;

    // Registers "Inter-Regular.ttf" from the program's folder when present
    // and makes the family Inter the interface font.
    static void applyInterfaceFont();

    // Opacity of each animated layer at a time since creation (ms).
    struct LayerOpacity {
        double all;
        double backSwirl;
        double logo;
        double version;
        double glow;
    };
    static LayerOpacity layerOpacityAt(double ms);

signals:
    // The main window takes over (emitted once, by Timer1).
    void handOver();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void handOverTick();
    void buildLayers();

    QElapsedTimer clock_;
    QTimer frameTimer_;
    QImage background_;
    QImage backSwirl_;
    QImage topSwirl_;
    QImage wordmark_;
    QImage version_;
};

extern SplashScreen* gSplash;

} // namespace pq
