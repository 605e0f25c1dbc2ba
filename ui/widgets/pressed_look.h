#pragma once

class QWidget;

namespace pq {

// The pressed look of a button: while held it sits 2 units right of and
// below its place, and its drop shadow, when it has one, draws in by 2
// units at 70 % strength. The release puts both back as they were.
void ButtonPressEffect(QWidget* button);
void ButtonReleaseEffect(QWidget* button);

} // namespace pq
