#pragma once

#include <QRect>
#include <QSize>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace pq {

// The look the frame and texture selectors share.
void SetUpSelectorPanel(QWidget* panel, QSize size);
QLabel* MakeSelectorLabel(const QString& text, QWidget* parent, const char* name, QRect at);
// role: "primary" or "ghost".
QPushButton* MakeSelectorButton(const QString& text, QWidget* parent, const char* name, QRect at, const char* role);
// The rounded slate area at (40, 60), 410 x 260, that holds the tiles.
QWidget* MakeTileArea(QWidget* parent);
// The light-grey rounded plate under a preview.
QWidget* MakePreviewGround(QWidget* parent, QRect at);

} // namespace pq
