#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

namespace pq {

// The box that tells of a newer version, centred over the workspace: the
// two versions, an invitation to the web site, "Cancel" and a button that
// opens the site.
class UpdateBox : public QFrame {
    Q_OBJECT
public:
    explicit UpdateBox(QWidget* parent);

    // Fills in the versions and shows the box in front.
    void showVersions(const QString& remote, const QString& local);
    // The text of a newer version's box.
    static QString Message(const QString& remote, const QString& local);

    QLabel* text() const { return text_; }
    QPushButton* cancelButton() const { return cancelButton_; }
    QPushButton* visitButton() const { return visitButton_; }

signals:
    void visitClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* text_;
    QPushButton* cancelButton_;
    QPushButton* visitButton_;
};

} // namespace pq
