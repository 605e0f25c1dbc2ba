#include "workspace/text_tool.h"

#include "gfx/canvas.h"
#include "gfx/surface.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/document.h"
#include "workspace/document_edits.h"
#include "workspace/text_window.h"

#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <cmath>

namespace pq {
namespace {

// The system's families; those the database lists for the symbol writing
// system (dingbats, symbol sets) or for none are marked, and its private
// families are left out.
std::vector<InstalledFamily> InstalledFamilies()
{
    std::vector<InstalledFamily> families;
    for (const QString& family : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(family))
            continue;
        const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
        families.push_back({family, systems.isEmpty() || systems.contains(QFontDatabase::Symbol)});
    }
    return families;
}

} // namespace

// Paints the previewed text and its dashed box over the canvas; the mouse
// passes through to the canvas, whose events the tool filters.
class TextBoxOverlay : public QWidget {
public:
    TextBoxOverlay(const TextTool& tool, const Document& document, CanvasView* canvas)
        : QWidget(canvas), tool_(tool), document_(document), canvas_(canvas)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
        resize(canvas->size());
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const TextSettings& text = tool_.settings();
        if (!tool_.isActive() || text.text.isEmpty() || canvas_->showingSource)
            return;
        const double zoom = document_.zoom;
        const QPointF pan = document_.pan;
        const QRectF box = TextBoxOnCanvas(text, pan, zoom);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(box, QColor::fromRgba(0x40FFFFFF));
        drawText(p, text, pan, zoom);
        QPen dash(QColor::fromRgba(0xFF4A90E2), 2);
        dash.setDashPattern({4, 2}); // 8 on, 4 off at width 2
        p.setPen(dash);
        p.setBrush(Qt::NoBrush);
        p.drawRect(box);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor::fromRgba(0xFF4A90E2));
        for (const QPointF corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
            p.drawEllipse(corner, 4, 4);
    }

private:
    // The text at the view's scale, its shadow scaled with it.
    static void drawText(QPainter& p, const TextSettings& text, QPointF pan, double zoom)
    {
        TextSettings shown = text;
        shown.fontSize = float(text.face().size * zoom);
        const QPointF origin(text.pos.x() * zoom + pan.x(), text.pos.y() * zoom + pan.y());
        const gfx::TextShadowStyle shadow{float(kTextShadow.offset * zoom), float(kTextShadow.sigma * zoom),
                                          kTextShadow.color};
        const QRectF box = TextBoxOnCanvas(text, pan, zoom);
        const double reach = text.shadow ? shadow.offset + 3 * shadow.sigma + 4 : 4;
        const QRect area = box.adjusted(-reach, -reach, reach, reach).toAlignedRect().intersected(
            p.device() ? QRect(0, 0, p.device()->width(), p.device()->height()) : QRect());
        if (area.isEmpty() || !gfx::IsSaneSize(area.width(), area.height()))
            return;
        gfx::Surface layer = gfx::Surface::make(area.size());
        if (layer.isNull())
            return;
        const gfx::Image drawn = gfx::DrawTextAtOrigin(layer.snapshot(), origin - QPointF(area.topLeft()), shown.text,
                                                       shown.face(), shown.color, text.shadow ? &shadow : nullptr);
        if (!drawn.isNull())
            p.drawImage(area.topLeft(), drawn.qimage());
    }

    const TextTool& tool_;
    const Document& document_;
    CanvasView* canvas_;
};

TextTool::TextTool(Document& document, CanvasArea& canvas, QWidget* windowParent, QObject* parent)
    : QObject(parent),
      document_(document),
      canvas_(canvas),
      window_(new TextWindow(windowParent)),
      view_(canvas.canvasView()),
      overlay_(new TextBoxOverlay(*this, document, canvas.canvasView()))
{
    settings_.shadow = document_.textShadow;
    window_->shadowSwitch()->setOn(settings_.shadow, false);
    view_->installEventFilter(this);
    connectWindow();
}

void TextTool::connectWindow()
{
    connect(window_, &TextWindow::textEdited, this, &TextTool::textChanged);
    connect(window_, &TextWindow::fontChosen, this, [this](const QString& family) {
        settings_.fontName = family;
        QFont font = window_->textField()->font();
        font.setFamily(family);
        window_->textField()->setFont(font);
        redraw();
    });
    connect(window_, &TextWindow::sizeChanged, this, [this](double size) {
        settings_.fontSize = float(size);
        redraw();
    });
    connect(window_, &TextWindow::styleChanged, this, [this](bool bold, bool italic) {
        settings_.style = FontStyleFor(bold, italic);
        QFont font = window_->textField()->font();
        font.setBold(bold);
        font.setItalic(italic);
        window_->textField()->setFont(font);
        redraw();
    });
    connect(window_, &TextWindow::colorChanged, this, [this](QRgb color) {
        settings_.color = color;
        redraw();
    });
    connect(window_, &TextWindow::shadowToggled, this, [this](bool on) {
        settings_.shadow = on;
        document_.textShadow = on;
        redraw();
    });
    connect(window_, &TextWindow::applyClicked, this, &TextTool::apply);
    connect(window_, &TextWindow::enterPressed, this, [this] {
        if (active_)
            apply();
    });
    connect(window_, &TextWindow::cancelClicked, this, &TextTool::cancel);
}

bool TextTool::windowOpen() const
{
    return window_->isVisible();
}

void TextTool::toggleWindow()
{
    if (document_.isEffectRunning() || document_.resultImage.isNull())
        return;
    if (windowOpen()) {
        cancel();
        return;
    }
    if (beforeOpen)
        beforeOpen();
    if (!window_->textField()->text().isEmpty() && !active_)
        activate();
    if (settings_.fontName.trimmed().isEmpty()) {
        settings_.fontName = QStringLiteral("Arial");
        QFont font = window_->textField()->font();
        font.setFamily(settings_.fontName);
        window_->textField()->setFont(font);
    }
    window_->fillFontList(FontFamilyList(InstalledFamilies()), NormalizeFontFamilyName(settings_.fontName));
    window_->selectFont(NormalizeFontFamilyName(settings_.fontName));
    QWidget* parent = window_->parentWidget();
    if (parent && window_->pos() == QPoint(0, 0))
        window_->move(std::max(0, (parent->width() - window_->width()) / 2), 80);
    window_->show();
    window_->raise();
    window_->textField()->setFocus(Qt::OtherFocusReason);
    window_->startPulse();
}

void TextTool::textChanged(const QString& text)
{
    if (!text.isEmpty() && !active_)
        activate();
    settings_.text = text;
    redraw();
}

void TextTool::activate()
{
    settings_.text = window_->textField()->text();
    settings_.fontSize = float(window_->sizeBox()->value());
    if (settings_.fontName.trimmed().isEmpty())
        settings_.fontName = QStringLiteral("Arial");
    if (settings_.text.trimmed().isEmpty())
        return;
    active_ = true;
    // Centred in the viewport.
    const TextMetrics m = MeasureText(settings_.text, settings_.face());
    const double zoom = document_.zoom;
    if (!document_.resultImage.isNull() && zoom > 0) {
        const QSize view = canvas_.viewportSize();
        settings_.pos = QPointF((view.width() / 2.0 - document_.pan.x()) / zoom - m.width / 2,
                                (view.height() / 2.0 - document_.pan.y()) / zoom - (m.ascent + m.descent) / 2);
    } else {
        settings_.pos = QPointF(100, 100);
    }
    redraw();
}

void TextTool::commit()
{
    if (!active_ || document_.resultImage.isNull())
        return;
    if (CommitTextToDocument(document_, settings_) != EditOutcome::Done)
        return;
    active_ = false;
    redraw();
    canvas_.canvasView()->update();
}

void TextTool::apply()
{
    commit();
    window_->hide();
    redraw();
}

void TextTool::cancel()
{
    active_ = false;
    dragging_ = false;
    resize_.handle = 0;
    window_->hide();
    redraw();
}

void TextTool::redraw()
{
    overlay_->resize(canvas_.canvasView()->size());
    overlay_->setVisible(active_);
    overlay_->raise();
    overlay_->update();
}

void TextTool::syncSizeBox()
{
    const QSignalBlocker quiet(window_->sizeBox());
    window_->sizeBox()->setValue(settings_.fontSize);
    QFont font = window_->textField()->font();
    font.setPixelSize(std::max(1, int(std::lround(std::min(settings_.fontSize, 48.0f)))));
    window_->textField()->setFont(font);
}

bool TextTool::mousePressed(QPointF pos)
{
    if (!active_ || settings_.text.isEmpty())
        return false;
    const QRectF box = TextBoxOnCanvas(settings_, document_.pan, document_.zoom);
    if (const int handle = TextHandleAt(box, pos)) {
        resize_ = BeginTextResize(settings_, handle, pos);
        return true;
    }
    if (pos.x() >= box.left() && pos.x() < box.right() && pos.y() >= box.top() && pos.y() < box.bottom()) {
        dragging_ = true;
        const double zoom = document_.zoom;
        dragOffset_ = QPointF((pos.x() - document_.pan.x()) / zoom - settings_.pos.x(),
                              (pos.y() - document_.pan.y()) / zoom - settings_.pos.y());
        return true;
    }
    return false;
}

bool TextTool::mouseMoved(Qt::MouseButtons buttons, QPointF pos)
{
    QWidget* view = canvas_.canvasView();
    const double zoom = document_.zoom;
    if (resize_.handle != 0 && buttons != Qt::NoButton) {
        DragTextResize(settings_, resize_, pos, zoom);
        syncSizeBox();
        redraw();
        return true;
    }
    if (dragging_ && buttons != Qt::NoButton && zoom > 0) {
        settings_.pos = QPointF((pos.x() - document_.pan.x()) / zoom - dragOffset_.x(),
                                (pos.y() - document_.pan.y()) / zoom - dragOffset_.y());
        redraw();
        return true;
    }
    if (!active_ || settings_.text.isEmpty())
        return false;
    const QRectF box = TextBoxOnCanvas(settings_, document_.pan, zoom);
    const int handle = TextHandleAt(box, pos);
    if (handle == 1 || handle == 4)
        view->setCursor(Qt::SizeFDiagCursor);
    else if (handle == 2 || handle == 3)
        view->setCursor(Qt::SizeBDiagCursor);
    else if (box.contains(pos))
        view->setCursor(Qt::PointingHandCursor);
    else
        view->unsetCursor();
    return false;
}

bool TextTool::mouseReleased()
{
    const bool took = dragging_ || resize_.handle != 0;
    if (dragging_)
        canvas_.canvasView()->unsetCursor();
    dragging_ = false;
    resize_.handle = 0;
    return took;
}

bool TextTool::eventFilter(QObject* watched, QEvent* event)
{
    // Compared by the pointer kept at construction: the canvas may be half
    // torn down when its view's last events arrive.
    if (watched == view_) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            return mousePressed(static_cast<QMouseEvent*>(event)->position());
        case QEvent::MouseMove: {
            auto* move = static_cast<QMouseEvent*>(event);
            return mouseMoved(move->buttons(), move->position());
        }
        case QEvent::MouseButtonRelease: return mouseReleased();
        case QEvent::Resize: overlay_->resize(view_->size()); break;
        default: break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pq
