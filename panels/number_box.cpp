#include "panels/number_box.h"

#include <QLineEdit>
#include <QLocale>

#include <cmath>

namespace pq {

NumberBox::NumberBox(QWidget* parent) : QSpinBox(parent)
{
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setKeyboardTracking(false);
    setAlignment(Qt::AlignCenter);
}

bool NumberBox::typedNumber(double* value) const
{
    bool ok = false;
    const double v = locale().toDouble(lineEdit()->text().trimmed(), &ok);
    if (ok && value)
        *value = v;
    return ok;
}

double NumberBox::typedOrValue() const
{
    double typed = 0;
    return typedNumber(&typed) && std::isfinite(typed) ? typed : value();
}

bool NumberBox::isTooLarge(const QString& text) const
{
    const QString digits = text.trimmed();
    return !digits.isEmpty() && digits.size() <= 12
           && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); })
           && digits.toLongLong() > maximum();
}

QValidator::State NumberBox::validate(QString& text, int& pos) const
{
    if (isTooLarge(text))
        return QValidator::Intermediate;
    return QSpinBox::validate(text, pos);
}

void NumberBox::fixup(QString& text) const
{
    if (isTooLarge(text))
        text = textFromValue(maximum());
    else
        QSpinBox::fixup(text);
}

int NumberBox::valueFromText(const QString& text) const
{
    return isTooLarge(text) ? maximum() : QSpinBox::valueFromText(text);
}

} // namespace pq
