#include "workspace/print_window.h"

#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/theme_walk.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"
#include "ui/widgets/panel_close_button.h"
#include "ui/widgets/toggle_switch.h"
#include "workspace/document.h"
#include "workspace/print_page.h"
#include "workspace/user_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>

namespace pq {
namespace {

const QColor kWindowFill = QColor::fromRgba(0xFF314158);

// A caption with the room up to the control beside or below it; a longer
// translation is fitted by a smaller font when the window opens.
QLabel* Caption(const QString& text, QWidget* parent, int x, int y, int width)
{
    auto* label = new QLabel(text, parent);
    label->setFont(InterfaceFont(13));
    label->setStyleSheet(QStringLiteral("color: #E5E7EB; background: transparent;"));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->move(x, y);
    label->adjustSize();
    label->resize(width, label->height());
    return label;
}

} // namespace

PrintWindow::PrintWindow(Document& document, const UserDialogs& dialogs, QWidget* parent)
    : QWidget(parent), document_(document), dialogs_(dialogs), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setObjectName(QStringLiteral("printWindow"));
    setGeometry(290, 130, 480, 400);
    setCursor(Qt::SizeAllCursor);
    hide();

    closeButton = new PanelCloseButton(this);
    closeButton->setObjectName(QStringLiteral("printCloseButton"));
    closeButton->move(width() - 26 - 8, 8);

    const int x = 14;
    Caption(Translate(QStringLiteral("Printer")), this, x, 40, 104);
    setupButton = new IconButton(QStringLiteral("print"), this);
    setupButton->setObjectName(QStringLiteral("printerSetupButton"));
    setupButton->setGeometry(x + 110, 36, 24, 24);
    setupButton->setIconPixelSize(16);
    printerBox = new QComboBox(this);
    printerBox->setObjectName(QStringLiteral("printerBox"));
    printerBox->setGeometry(x, 64, 130, 26);
    printerBox->installEventFilter(this);

    Caption(Translate(QStringLiteral("Landscape")), this, x, 102, 92);
    orientationSwitch = new ToggleSwitch(this);
    orientationSwitch->setObjectName(QStringLiteral("orientationSwitch"));
    orientationSwitch->setGeometry(x + 96, 102, 38, 18);
    orientationSwitch->setChecked(document_.printLandscape);

    Caption(Translate(QStringLiteral("Scaling")), this, x, 134, 130);
    scaleModeBox = new QComboBox(this);
    scaleModeBox->setObjectName(QStringLiteral("scaleModeBox"));
    scaleModeBox->setGeometry(x, 156, 130, 26);

    Caption(Translate(QStringLiteral("Image DPI")), this, x, 194, 130);
    imageDpiBox = new QSpinBox(this);
    imageDpiBox->setObjectName(QStringLiteral("imageDpiBox"));
    imageDpiBox->setGeometry(x, 216, 130, 26);
    imageDpiBox->setRange(10, 2400);
    imageDpiBox->setValue(300);
    imageDpiBox->setEnabled(false);

    Caption(Translate(QStringLiteral("Margin (mm)")), this, x, 254, 130);
    marginBox = new QSpinBox(this);
    marginBox->setObjectName(QStringLiteral("marginBox"));
    marginBox->setGeometry(x, 276, 130, 26);
    marginBox->setRange(0, 100);
    marginBox->setValue(10);

    previewBox = new QWidget(this);
    previewBox->setObjectName(QStringLiteral("printPreview"));
    previewBox->setGeometry(158, 34, 309, 323);
    previewBox->setAttribute(Qt::WA_TransparentForMouseEvents);
    previewBox->installEventFilter(this);

    cancelButton = new QPushButton(Translate(QStringLiteral("Cancel")), this);
    cancelButton->setObjectName(QStringLiteral("printCancelButton"));
    cancelButton->setGeometry(x + 170, 362, 140, 30);
    printButton = new QPushButton(Translate(QStringLiteral("Print")), this);
    printButton->setObjectName(QStringLiteral("printButton"));
    printButton->setGeometry(x + 320, 362, 132, 30);
    for (QPushButton* button : {cancelButton, printButton})
        button->setCursor(Qt::PointingHandCursor);
    setStyleSheet(QStringLiteral(
        "QComboBox, QSpinBox { background: #1F2937; color: #E5E7EB; border: 1px solid #374151;"
        " border-radius: 6px; padding: 2px 6px; }"
        "QComboBox:disabled, QSpinBox:disabled { color: #9CA3AF; }"
        "QPushButton { background: #374151; color: #F3F4F6; border: none; border-radius: 8px; }"));
    SetAccentFill(printButton, 8);

    connect(closeButton, &QAbstractButton::clicked, this, &QWidget::hide);
    connect(cancelButton, &QPushButton::clicked, this, &QWidget::hide);
    connect(printButton, &QPushButton::clicked, this, [this] { print(); });
    connect(orientationSwitch, &QAbstractButton::clicked, this, [this](bool on) { setLandscape(on); });
    connect(setupButton, &QAbstractButton::clicked, this, [this] { printerSetup(); });
    connect(printerBox, &QComboBox::currentIndexChanged, this, [this] { choosePrinter(); });
    connect(scaleModeBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        imageDpiBox->setEnabled(index == int(PrintScaleMode::OriginalSize));
        updatePreview();
    });
    connect(marginBox, &QSpinBox::valueChanged, this, [this] { updatePreview(); });
    connect(imageDpiBox, &QSpinBox::valueChanged, this, [this] { updatePreview(); });
    installedPrinters = [] { return QPrinterInfo::availablePrinterNames(); };
}

PrintWindow::~PrintWindow() = default;

void PrintWindow::toggle()
{
    if (document_.isEffectRunning() || document_.resultImage.isNull())
        return;
    if (isVisible()) {
        hide();
        return;
    }
    AutoFitTexts(this);
    show();
    raise();
    repaint();
    fillPrinters();
    if (scaleModeBox->count() == 0) {
        const QSignalBlocker quiet(scaleModeBox);
        scaleModeBox->addItems({Translate(QStringLiteral("Best Fit")), Translate(QStringLiteral("Stretch to Fill")),
                                Translate(QStringLiteral("Original Size"))});
        scaleModeBox->setCurrentIndex(0);
    }
    updatePreview();
}

void PrintWindow::fillPrinters()
{
    const QSignalBlocker quiet(printerBox);
    printerBox->clear();
    const QStringList names = installedPrinters ? installedPrinters() : QStringList();
    printerBox->addItems(names);
    // Printing to a PDF file is always there, last.
    printerBox->addItem(Translate(QString::fromLatin1(kPdfPrinterName)));
    QString active = printer_->printerName();
    if (active.isEmpty() || !names.contains(active)) {
        const QString fallback = QPrinterInfo::defaultPrinterName();
        active = names.contains(fallback) ? fallback : names.value(0);
        if (!active.isEmpty())
            printer_->setPrinterName(active);
    }
    const int index = pdfChosen_ || active.isEmpty() ? printerBox->count() - 1 : int(names.indexOf(active));
    printerBox->setCurrentIndex(index);
    pdfChosen_ = index == printerBox->count() - 1;
}

bool PrintWindow::printsToPdf() const
{
    return pdfChosen_;
}

void PrintWindow::choosePrinter()
{
    const int index = printerBox->currentIndex();
    pdfChosen_ = index == printerBox->count() - 1;
    if (!pdfChosen_ && index >= 0)
        printer_->setPrinterName(printerBox->itemText(index));
    updatePreview();
}

void PrintWindow::printerSetup()
{
    // The system's setup is for the installed printers.
    if (printerBox->count() <= 1) {
        dialogs_.tell(Translate(QStringLiteral("No printer is installed.")));
        return;
    }
    QPrintDialog dialog(printer_.get(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    fillPrinters();
    setLandscape(printer_->pageLayout().orientation() == QPageLayout::Landscape);
}

void PrintWindow::setLandscape(bool landscape)
{
    document_.printLandscape = landscape;
    if (orientationSwitch->isChecked() != landscape) {
        const QSignalBlocker quiet(orientationSwitch);
        orientationSwitch->setChecked(landscape);
    }
    updatePreview();
}

PrintSettings PrintWindow::settings() const
{
    PrintSettings s;
    s.landscape = document_.printLandscape;
    s.mode = PrintScaleMode(std::clamp(scaleModeBox->currentIndex(), 0, 2));
    s.imageDpi = imageDpiBox->value();
    s.marginMm = marginBox->value();
    return s;
}

PrinterMetrics PrintWindow::printerMetrics() const
{
    if (pdfChosen_)
        return PdfPageMetrics(document_.printLandscape);
    if (printer_->printerName().isEmpty())
        return {};
    printer_->setResolution(300);
    printer_->setPageOrientation(document_.printLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    PrinterMetrics metrics;
    const int dpi = printer_->resolution();
    metrics.pagePixels = printer_->pageLayout().paintRectPixels(dpi).size();
    metrics.dpiX = dpi;
    metrics.dpiY = dpi;
    return metrics;
}

QImage PrintWindow::renderPreview(QSize boxSize) const
{
    QImage picture(boxSize, QImage::Format_ARGB32_Premultiplied);
    picture.fill(QColor::fromRgba(0x01314158));
    const gfx::Image image = document_.resultImage;
    if (image.isNull() || boxSize.width() < 1 || boxSize.height() < 1)
        return picture;
    const PreviewLayout layout = LayoutPreview(QSizeF(boxSize), image.size(), printerMetrics(), settings());
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.fillRect(layout.page, Qt::white);
    p.setPen(QPen(Qt::black, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(layout.page);
    p.save();
    p.setClipRect(layout.printable);
    p.drawImage(layout.image, image.qimage());
    p.restore();
    return picture;
}

void PrintWindow::updatePreview()
{
    printer_->setPageOrientation(document_.printLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    previewBox->update();
}

void PrintWindow::print()
{
    const gfx::Image image = document_.resultImage;
    if (image.isNull())
        return;
    hide();
    if (pdfChosen_) {
        const QString file =
            dialogs_.saveDataFile ? dialogs_.saveDataFile(Translate(QStringLiteral("Print")),
                                                          QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf"))
                                  : QString();
        if (file.isEmpty() || !dialogs_.confirmOverwrite(file))
            return;
        const QString error = PrintImageToPdf(image, settings(), file);
        if (!error.isEmpty())
            dialogs_.tell(error);
        return;
    }
    if (printer_->printerName().isEmpty()) {
        dialogs_.tell(Translate(QStringLiteral("No printer is installed.")));
        return;
    }
    printer_->setResolution(300);
    printer_->setPageOrientation(document_.printLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    const QString error = PrintImagePage(*printer_, image, settings());
    if (!error.isEmpty())
        dialogs_.tell(error);
}

void PrintWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(ThemedColor(kWindowFill));
    p.drawRoundedRect(QRectF(rect()), 15, 15);
}

bool PrintWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == previewBox && event->type() == QEvent::Paint) {
        QPainter p(previewBox);
        p.drawImage(0, 0, renderPreview(previewBox->size()));
        return true;
    }
    if (watched == printerBox) {
        if (event->type() == QEvent::Enter)
            printerBox->setFixedWidth(200);
        else if (event->type() == QEvent::Leave)
            printerBox->setFixedWidth(130);
    }
    return QWidget::eventFilter(watched, event);
}

void PrintWindow::setDragOpacity(double opacity)
{
    if (opacity >= 1.0) {
        setGraphicsEffect(nullptr);
        return;
    }
    auto* fade = new QGraphicsOpacityEffect(this);
    fade->setOpacity(opacity);
    setGraphicsEffect(fade);
}

void PrintWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    lastDragPos_ = event->globalPosition().toPoint();
    raise();
    grabMouse();
    setDragOpacity(0.75);
}

void PrintWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    const QPoint now = event->globalPosition().toPoint();
    move(pos() + (now - lastDragPos_));
    lastDragPos_ = now;
}

void PrintWindow::mouseReleaseEvent(QMouseEvent*)
{
    if (!dragging_)
        return;
    dragging_ = false;
    releaseMouse();
    setDragOpacity(1.0);
}

} // namespace pq
