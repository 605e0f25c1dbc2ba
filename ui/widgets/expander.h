#pragma once

#include <QWidget>

#include <optional>

class QListWidget;

namespace pq {

// A collapsible section: a 25-unit header with a caption and an arrow,
// and below it, while expanded, a list of items 30 units high.
class Expander : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeaderHeight = 25;
    static constexpr int kItemHeight = 30;

    Expander(const QString& text, QListWidget* list, QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    // The header's caption as it is shown, and the room it has.
    QString caption() const;
    QRectF captionRect() const;
    // Draws the caption from x (<= 0) on, clipped and untrimmed; nullopt
    // gives the normal caption back, trimmed with an ellipsis when too long.
    void setCaptionOffset(std::optional<qreal> x);
    std::optional<qreal> captionOffset() const { return captionOffset_; }
    bool isExpanded() const { return expanded_; }
    void setExpanded(bool expanded);
    QListWidget* list() const { return list_; }
    // Left edge of the caption and of the list items.
    void setTextIndent(int indent);

    QSize sizeHint() const override;
    // A list row's height at the interface scale.
    int itemHeight() const;
    // Lays the header and the list out at an interface scale.
    Q_INVOKABLE void setInterfaceScale(double scale);

signals:
    void headerClicked();
    void expandedChanged(bool expanded);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int expandedHeight() const;
    int headerHeight() const;
    void relayout();
    void fitItems();

    QString text_;
    QListWidget* list_;
    bool expanded_ = false;
    bool headerHovered_ = false;
    int indent_ = 30;
    double scale_ = 1.0;
    std::optional<qreal> captionOffset_;
    bool fittingItems_ = false;
};

} // namespace pq
