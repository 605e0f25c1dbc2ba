#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

namespace pq {

class IconButton;

// The donation box, centred over the workspace: a letter from the maker,
// a button that opens the donation page, "Cancel" and a close button.
class DonationBox : public QFrame {
    Q_OBJECT
public:
    explicit DonationBox(QWidget* parent);

    // The letter, in English as written.
    static QString Letter();

    // Shows the box (again) with the letter, the buy button focused.
    void open();
    // The buy button: the box closes and the page is wanted.
    void buy();
    // "Cancel", the close button and Esc.
    void cancel();

    QLabel* letter() const { return letter_; }
    IconButton* buyButton() const { return buyButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }
    IconButton* closeButton() const { return closeButton_; }

signals:
    void opened();
    void buyClicked();
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* title_;
    QLabel* icon_;
    QLabel* letter_;
    IconButton* buyButton_;
    QPushButton* cancelButton_;
    IconButton* closeButton_;
};

} // namespace pq
