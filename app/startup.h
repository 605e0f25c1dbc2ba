#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

namespace pq {

inline constexpr const char* kVersionText = "4.40";
inline constexpr const char* kWindowCaption = "  Pastelloquin 4.40";
inline constexpr const char* kProductTitle = "Pastelloquin 4.40";

// Milliseconds from the splash's creation to the hand-over to the main window.
inline constexpr int kSplashHandOverMs = 5500;

// "Pastelloquin startup error: " + message + two line breaks + "The
// application will now exit."
QString StartupErrorText(const QString& message);

// The image file named by the first command-line argument (arguments[0]
// is the program); empty when there is none, when it begins with "-psn" or
// when it names no existing file.
QString StartupImageArgument(const QStringList& arguments);

// The update check runs when the start-up draw (0..99) is 90 or more.
bool DrawRunsUpdateCheck(int draw);
int StartupUpdateDraw();

// Interface zoom at the first show: the stored per-cent value when the
// setting is not empty (100 when it is not a number), else the automatic
// zoom; clamped to 0.5..1.5.
float UIZoomAtFirstShow(const QString& setting, float automaticZoom);
// The automatic zoom for a work area (the window's design size is
// 1419 x 1150 units).
float ComputeAutoUiZoom(const QRect& workArea);

// The window's rectangle at creation: 98 % of the screen, centred in the
// work area.
QRect InitialWindowRect(const QRect& screen, const QRect& workArea);

// The rectangle a restore from maximised uses: 90 % of the work area,
// within the minimum size, centred.
QRect RestoreRectForWorkArea(const QRect& workArea, const QSize& minimum);

} // namespace pq
