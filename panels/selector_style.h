#pragma once

#include "gfx/image.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QEvent;
class QLabel;
class QPushButton;
class QWidget;

namespace pq {

// The look the frame and texture selectors share; the resize panel takes
// its labels and buttons too.
void SetUpSelectorPanel(QWidget* panel, QSize size);
QLabel* MakeSelectorLabel(const QString& text, QWidget* parent, const char* name, QRect at);
// role: "primary" or "ghost".
QPushButton* MakeSelectorButton(const QString& text, QWidget* parent, const char* name, QRect at, const char* role);
// The rounded slate area at (40, 60), 410 x 260, that holds the tiles.
QWidget* MakeTileArea(QWidget* parent);
// The light-grey rounded plate under a preview.
QWidget* MakePreviewGround(QWidget* parent, QRect at);

// A custom picture for the tiles: the first file decoded, named after it;
// null (and the reason told as "Error: ...") when it cannot be read.
gfx::Image LoadCustomTileImage(const QStringList& files, const std::function<void(const QString&)>& tell,
                               QString& name);
// Esc cancels and Enter applies; true when the event was one of them.
bool HandleSelectorKeys(QEvent* event, const std::function<void()>& cancel, const std::function<void()>& apply);

} // namespace pq
