#pragma once

#include <QSpinBox>

namespace pq {

// A whole-number box whose typing is never refused for being too large: a
// number above the maximum stays as typed until the box commits it, which
// clamps it to the maximum.
class NumberBox : public QSpinBox {
    Q_OBJECT
public:
    explicit NumberBox(QWidget* parent = nullptr);

    // The text as typed, read as a number in the user's locale; false when
    // it is not one.
    bool typedNumber(double* value) const;
    // The typed number when it is a finite one, else the value.
    double typedOrValue() const;

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
    int valueFromText(const QString& text) const override;

private:
    // A plain number above the maximum, as typed.
    bool isTooLarge(const QString& text) const;
};

} // namespace pq
