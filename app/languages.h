#pragma once

#include <QStringList>

namespace pq {

// TForm4: the holder of the interface language lists. A plain object: it
// has no window. The lists themselves come with the translation work.
class TForm4 {
public:
    // The interface languages by code, in menu order.
    static const QStringList& LanguageCodes();
};

extern TForm4* Form4;

} // namespace pq
