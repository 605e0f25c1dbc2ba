#pragma once

#include <QWidget>

#include <array>

class QFrame;
class QListWidget;

namespace pq {

class Expander;
class IconButton;

// The five effect families as an accordion of plates: each an expander
// with its family's list of effects and an icon; at most one is open. The
// selected effect is marked in its list by an accent bar.
class EffectLists : public QWidget {
    Q_OBJECT
public:
    explicit EffectLists(QWidget* parent = nullptr);

    // Marks `number` as the selected effect in its family's list and clears
    // the other lists.
    void select(int number);
    // Opens the family (0..4) and closes the others; a click on an open
    // family closes it.
    void toggleFamily(int family);
    // Opens the family (0..4) alone.
    void expandOnly(int family);

    // Family 1..5.
    QListWidget* list(int family) const;
    Expander* expander(int family) const;

signals:
    // An effect of a list was clicked.
    void effectClicked(int number);

private:
    void placeAccent(QListWidget* list, int row);

    std::array<Expander*, 5> expanders_{};
    std::array<QListWidget*, 5> lists_{};
    std::array<IconButton*, 5> icons_{};
    std::array<QFrame*, 5> plates_{};
    QWidget* accent_ = nullptr;
};

} // namespace pq
