#include "tools/pq_edit/edit_operations.h"

#include "workspace/document.h"
#include "workspace/print_page.h"

namespace pq {

// The same page as the print window's PDF printer.
QString PrintToPdf(const Document& document, const QString& output, const EditOptions& options)
{
    const QString error = PrintImageToPdf(document.resultImage, options.print, output);
    return error.isEmpty() ? QString() : QStringLiteral("print: ") + error;
}

} // namespace pq
