#include "app/script_editor/script_reference_panel.h"

#include "ui/theme.h"
#include "ui/translate.h"

#include <QEvent>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSyntaxHighlighter>
#include <QTextBlock>

namespace pq {
namespace {

// Colours every line of the reference by its role, for the current theme.
class HelpHighlighter : public QSyntaxHighlighter {
public:
    HelpHighlighter(QTextDocument* document, const QStringList& lines) : QSyntaxHighlighter(document), lines_(lines) {}

protected:
    void highlightBlock(const QString& text) override
    {
        const bool light = gThemeMode == ThemeMode::Light;
        const HelpLineStyle style = ClassifyHelpLine(lines_, currentBlock().blockNumber());
        QRgb color = light ? 0xFF202020 : 0xFFFFFFFF;
        switch (style.role) {
        case HelpLineRole::Heading: color = light ? 0xFFC0392B : 0xFFFF7F50; break;
        case HelpLineRole::Comment: color = light ? 0xFF1E7A1E : 0xFF98FB98; break;
        case HelpLineRole::Command: color = light ? 0xFF0066CC : 0xFF44BBFF; break;
        case HelpLineRole::Example: color = light ? 0xFF777777 : 0xFFBBBBBB; break;
        case HelpLineRole::Normal: break;
        }
        QTextCharFormat format;
        format.setForeground(QColor::fromRgba(color));
        if (style.bold)
            format.setFontWeight(QFont::Bold);
        setFormat(0, int(text.size()), format);
    }

private:
    const QStringList& lines_;
};

// The white arrow of the scroll-to-top button.
QIcon ArrowIcon()
{
    QPixmap pixmap(40, 40);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(2.0, 2.0);
    QPainterPath arrow;
    arrow.moveTo(10, 2);
    arrow.lineTo(18, 10);
    arrow.lineTo(13, 10);
    arrow.lineTo(13, 18);
    arrow.lineTo(7, 18);
    arrow.lineTo(7, 10);
    arrow.lineTo(2, 10);
    arrow.closeSubpath();
    painter.fillPath(arrow, Qt::white);
    return QIcon(pixmap);
}

} // namespace

ScriptReferencePanel::ScriptReferencePanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("MemoScriptHelp"));
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("MemoHelp"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(16);
    text_->setFont(font);
    text_->viewport()->installEventFilter(this);
    text_->viewport()->setMouseTracking(true);
    connect(text_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { updateScrollTopButton(); });

    close_ = new QPushButton(Translate(QStringLiteral("Close")), this);
    close_->setObjectName(QStringLiteral("BtnCloseScriptHelp"));
    close_->setProperty("role", QStringLiteral("ghost"));
    connect(close_, &QPushButton::clicked, this, &QWidget::hide);

    scrollTop_ = new QPushButton(text_);
    scrollTop_->setObjectName(QStringLiteral("BtnScrollTop"));
    scrollTop_->setFixedSize(44, 44);
    scrollTop_->setIcon(ArrowIcon());
    scrollTop_->setIconSize(QSize(20, 20));
    scrollTop_->setCursor(Qt::PointingHandCursor);
    scrollTop_->setStyleSheet(QStringLiteral("QPushButton { background: rgba(71, 85, 105, 204); border: none;"
                                             " border-radius: 22px; }"));
    scrollTop_->hide();
    connect(scrollTop_, &QPushButton::clicked, this, [this] {
        text_->verticalScrollBar()->setValue(0);
        scrollTop_->hide();
    });
    hide();
}

void ScriptReferencePanel::prepare()
{
    if (prepared_)
        return;
    help_ = BuildHelpText();
    highlighter_ = new HelpHighlighter(text_->document(), help_.lines);
    text_->setPlainText(help_.text());
    text_->moveCursor(QTextCursor::Start);
    prepared_ = true;
    applyTheme();
}

void ScriptReferencePanel::applyTheme()
{
    const bool light = gThemeMode == ThemeMode::Light;
    const QString fill = light ? QStringLiteral("#F4F6FA") : QStringLiteral("#1E293B");
    setStyleSheet(QStringLiteral("QFrame#MemoScriptHelp { background: %1; border-radius: 15px; }"
                                 "QPlainTextEdit#MemoHelp { background: transparent; border: none; }")
                      .arg(fill));
    if (highlighter_)
        highlighter_->rehighlight();
}

void ScriptReferencePanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    // Text at (8, 8), the Close button centred under it.
    const int buttonTop = height() - 8 - 33 - 12;
    text_->setGeometry(8, 8, width() - 16, buttonTop - 8 - 16);
    close_->setGeometry((width() - 200) / 2, buttonTop, 200, 33);
    const QWidget* view = text_->viewport();
    scrollTop_->move(view->width() - 44 - 16, view->height() - 44 - 8);
}

int ScriptReferencePanel::topLine() const
{
    return text_->verticalScrollBar()->value();
}

void ScriptReferencePanel::jumpToLine(int target)
{
    if (target < 0 || target >= text_->document()->blockCount())
        return;
    // Without wrapping the scroll bar counts lines.
    text_->verticalScrollBar()->setValue(target);
    const QTextBlock block = text_->document()->findBlockByNumber(target);
    QTextCursor cursor(block);
    // The caret goes to the line without moving the view again.
    const int keep = text_->verticalScrollBar()->value();
    text_->setTextCursor(cursor);
    text_->verticalScrollBar()->setValue(keep);
}

const HelpIndexHotspot* ScriptReferencePanel::hotspotAt(const QPoint& viewportPos) const
{
    const QTextCursor cursor = text_->cursorForPosition(viewportPos);
    const int line = cursor.blockNumber();
    // The cursor lands between characters: the column left of the point.
    const QRect caret = text_->cursorRect(cursor);
    const int column = cursor.positionInBlock() - (viewportPos.x() < caret.x() ? 1 : 0);
    for (const HelpIndexHotspot& spot : help_.hotspots)
        if (spot.targetLine >= 0 && spot.lineIndex == line && column >= spot.startCol &&
            column < spot.startCol + spot.len)
            return &spot;
    return nullptr;
}

bool ScriptReferencePanel::clickIndexEntry(const QString& name)
{
    for (const HelpIndexHotspot& spot : help_.hotspots)
        if (spot.name == name && spot.targetLine >= 0) {
            jumpToLine(spot.targetLine);
            return true;
        }
    return false;
}

bool ScriptReferencePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == text_->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const auto* move = static_cast<QMouseEvent*>(event);
            text_->viewport()->setCursor(hotspotAt(move->position().toPoint()) ? Qt::PointingHandCursor
                                                                              : Qt::IBeamCursor);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto* click = static_cast<QMouseEvent*>(event);
            if (click->button() == Qt::LeftButton && !text_->textCursor().hasSelection())
                if (const HelpIndexHotspot* spot = hotspotAt(click->position().toPoint())) {
                    jumpToLine(spot->targetLine);
                    return true;
                }
        }
    }
    return QFrame::eventFilter(watched, event);
}

void ScriptReferencePanel::updateScrollTopButton()
{
    const int pixels = text_->verticalScrollBar()->value() * text_->fontMetrics().lineSpacing();
    scrollTop_->setVisible(pixels > 24);
    if (scrollTop_->isVisible())
        scrollTop_->raise();
}

} // namespace pq
