#pragma once

#include <QStringList>

namespace pq {

// The example script "Reset" puts into the editor, one entry a line.
QStringList ExampleScriptLines();

// The script the editor opens with: the built-in Triple Watercolor (the
// example with a larger header), or the example when it is missing.
QString StartupScriptText();

} // namespace pq
