#pragma once

#include <QString>

namespace pq {

// The Latin key of a key press made on a non-Latin keyboard layout (Russian,
// Ukrainian...), so that shortcuts stay where they are: the key in the same
// place of a US layout, found from the native scan code, else from the
// letter's place on the Russian and Ukrainian layouts. 0 when the press is
// Latin already or the key is not known.
int LatinKey(int key, const QString& text, quint32 nativeScanCode);

} // namespace pq
