#include "tools/pq_edit/edit_operations.h"

#include "workspace/document.h"
#include "workspace/print_page.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

namespace pq {

QString PrintToPdf(const Document& document, const QString& output, const EditOptions& options)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    // Written beside OUTPUT and renamed when the page is done.
    const QString part = output + QStringLiteral(".part");
    printer.setOutputFileName(part);
    printer.setResolution(300);
    printer.setFullPage(true);
    const QPageLayout::Orientation orientation =
        options.print.landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    if (!printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(0, 0, 0, 0))))
        return QStringLiteral("print: the PDF printer refused the A4 page");
    const QString error = PrintImagePage(printer, document.resultImage, options.print);
    if (!error.isEmpty()) {
        QFile::remove(part);
        return QStringLiteral("print: ") + error;
    }
    QFile::remove(output);
    if (!QFile::rename(part, output)) {
        QFile::remove(part);
        return QStringLiteral("print: cannot write '%1'").arg(output);
    }
    return {};
}

} // namespace pq
