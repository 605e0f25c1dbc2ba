#pragma once

#include <QAbstractButton>
#include <QColor>
#include <optional>

namespace pq {

// A flat button drawn by the program: a line icon, an optional caption,
// and a hover look (icon and caption brighten, an optional fill appears).
// Reports right-button releases too.
class IconButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit IconButton(const QString& iconName, QWidget* parent = nullptr);

    void setIconName(const QString& name);
    QString iconName() const { return iconName_; }
    void setIconPixelSize(int size);
    int iconPixelSize() const { return iconSize_; }
    void setIconColor(const QColor& color) { iconColor_ = color; update(); }
    void setHoverColor(const QColor& color) { hoverColor_ = color; update(); }
    void setHoverFill(const QColor& color) { hoverFill_ = color; update(); }
    void setRestFill(const QColor& color) { restFill_ = color; update(); }
    // Colours given are designed for the dark theme and mapped for the
    // light one; a button whose caption sits on a fill of its own that is
    // the same in both themes draws them as given.
    void setThemed(bool themed) { themed_ = themed; update(); }
    void setRadius(int radius) { radius_ = radius; update(); }
    void setStrokeWidth(qreal width) { strokeWidth_ = width; update(); }
    // Caption drawn right of the icon, left-aligned, trimmed with an
    // ellipsis when it does not fit.
    void setCaptionFont(const QFont& font);
    QRectF captionRect() const;
    // Draws the caption from x (<= 0) on, clipped and untrimmed; nullopt
    // gives the normal, trimmed caption back.
    void setCaptionOffset(std::optional<qreal> x);
    std::optional<qreal> captionOffset() const { return captionOffset_; }
    bool isHovered() const { return hovered_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // Draws icon, margins and corners at an interface scale.
    Q_INVOKABLE void setInterfaceScale(double scale);

signals:
    void rightReleased();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString iconName_;
    int shownIconSize() const;
    int iconSize_ = 20;
    double scale_ = 1.0;
    qreal strokeWidth_ = 1.8;
    bool themed_ = true;
    std::optional<QColor> iconColor_;
    std::optional<QColor> hoverColor_;
    std::optional<QColor> hoverFill_;
    std::optional<QColor> restFill_;
    int radius_ = 8;
    bool hovered_ = false;
    bool rightDown_ = false;
    std::optional<qreal> captionOffset_;
};

} // namespace pq
