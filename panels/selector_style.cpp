#include "panels/selector_style.h"

#include "gfx/codec.h"
#include "ui/theme_style.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace pq {

void SetUpSelectorPanel(QWidget* panel, QSize size)
{
    panel->setAttribute(Qt::WA_StyledBackground);
    panel->setFixedSize(size);
    panel->setStyleSheet(QStringLiteral(
        "#%1 { background: #111827; border-radius: 15px; }"
        "QLabel { color: #FFFFFF; background: transparent; }"
        "#tileArea { background: #314158; border-radius: 15px; }"
        "#previewGround { background: #D3D3D3; border-radius: 10px; }"
        "QScrollArea, #tileFlow { background: transparent; }"
        "QSpinBox, QDoubleSpinBox { background: #1F2937; color: #FFFFFF; border: 1px solid #545F72;"
        " border-radius: 6px; padding: 0px 4px; selection-background-color: #2563EB; selection-color: #FFFFFF; }"
        "QSpinBox:focus, QDoubleSpinBox:focus { border: 1px solid #61B9D2; }")
                             .arg(panel->objectName()));
}

QLabel* MakeSelectorLabel(const QString& text, QWidget* parent, const char* name, QRect at)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(InterfaceFont(13));
    label->setGeometry(at);
    return label;
}

QPushButton* MakeSelectorButton(const QString& text, QWidget* parent, const char* name, QRect at, const char* role)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setProperty("role", role);
    button->setGeometry(at);
    button->setFont(InterfaceFont(13, QFont::Medium));
    button->setCursor(Qt::PointingHandCursor);
    button->setAutoDefault(false);
    // Held down, a button moves 2 pixels right and down.
    QObject::connect(button, &QPushButton::pressed, button, [button] { button->move(button->pos() + QPoint(2, 2)); });
    QObject::connect(button, &QPushButton::released, button, [button] { button->move(button->pos() - QPoint(2, 2)); });
    return button;
}

QWidget* MakeTileArea(QWidget* parent)
{
    auto* area = new QWidget(parent);
    area->setObjectName(QStringLiteral("tileArea"));
    area->setAttribute(Qt::WA_StyledBackground);
    area->setGeometry(40, 60, 410, 260);
    return area;
}

QWidget* MakePreviewGround(QWidget* parent, QRect at)
{
    auto* ground = new QWidget(parent);
    ground->setObjectName(QStringLiteral("previewGround"));
    ground->setAttribute(Qt::WA_StyledBackground);
    ground->setGeometry(at);
    return ground;
}

gfx::Image LoadCustomTileImage(const QStringList& files, const std::function<void(const QString&)>& tell,
                               QString& name)
{
    if (files.isEmpty())
        return {};
    QString error;
    const gfx::Image image = gfx::DecodeFile(files.first(), &error);
    if (image.isNull()) {
        if (tell)
            tell(QStringLiteral("Error: ") + error);
        return {};
    }
    name = QFileInfo(files.first()).completeBaseName();
    return image;
}

bool HandleSelectorKeys(QEvent* event, const std::function<void()>& cancel, const std::function<void()>& apply)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
        cancel();
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        apply();
        return true;
    }
    return false;
}

} // namespace pq
