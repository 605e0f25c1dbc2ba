#pragma once

#include "workspace/print_layout.h"

#include <QPoint>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QAbstractButton;
class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QSpinBox;

namespace pq {

class Document;
class IconButton;
class ToggleSwitch;
struct UserDialogs;

// The print window floating over the main window: printer, orientation,
// scaling, image resolution, margin, a live page preview and Print. It is
// dragged by its background. Prints the document's result on one page.
class PrintWindow : public QWidget {
    Q_OBJECT
public:
    PrintWindow(Document& document, const UserDialogs& dialogs, QWidget* parent);
    ~PrintWindow() override;

    // Opens (refilling the printer list) or closes the window; nothing
    // while an effect runs or without a result.
    void toggle();
    void print();
    void setLandscape(bool landscape);
    PrintSettings settings() const;
    // The active printer's page and resolution; empty without a printer.
    PrinterMetrics printerMetrics() const;
    // The last entry of the printer list writes a PDF file, asked for at
    // Print, with the page of `pq-edit ... print`.
    static constexpr const char* kPdfPrinterName = "Print to PDF";
    bool printsToPdf() const;
    // The system's printers; injectable for tests.
    std::function<QStringList()> installedPrinters;
    // The preview's picture, as drawn in the preview box.
    QImage renderPreview(QSize boxSize) const;

    QComboBox* printerBox = nullptr;
    IconButton* setupButton = nullptr;
    ToggleSwitch* orientationSwitch = nullptr;
    QComboBox* scaleModeBox = nullptr;
    QSpinBox* imageDpiBox = nullptr;
    QSpinBox* marginBox = nullptr;
    QWidget* previewBox = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* printButton = nullptr;
    QAbstractButton* closeButton = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillPrinters();
    void choosePrinter();
    void printerSetup();
    void updatePreview();
    void setDragOpacity(double opacity);

    Document& document_;
    const UserDialogs& dialogs_;
    std::unique_ptr<QPrinter> printer_;
    bool pdfChosen_ = false;
    bool dragging_ = false;
    QPoint lastDragPos_;
};

} // namespace pq
