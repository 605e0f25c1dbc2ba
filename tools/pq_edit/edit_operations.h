#pragma once

#include "workspace/print_layout.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace pq {

class Document;

// Options given before INPUT: the text's, then the printed page's.
struct EditOptions {
    QString font;
    bool bold = false;
    bool italic = false;
    bool shadow = false;
    PrintSettings print;
};

// One pq-edit operation: its name, how many arguments it takes, and what it
// does to the document. `run` returns an empty string when the document was
// changed, else the one line to report. An operation that makes something
// other than an image (a printed page) writes OUTPUT itself through
// `write`, with the same report; for the others it is null and the result
// image is encoded.
struct EditOperation {
    const char* name;
    int argumentCount;
    const char* usage;
    QString (*run)(Document& document, const QStringList& arguments, const EditOptions& options);
    QString (*write)(const Document& document, const QString& output, const EditOptions& options) = nullptr;
};

// Prints the result image on one A4 page at 300 dpi to the PDF file
// `output`, with no page margins of the printer's own.
QString PrintToPdf(const Document& document, const QString& output, const EditOptions& options);

const std::vector<EditOperation>& EditOperations();
const EditOperation* FindEditOperation(const QString& name);

} // namespace pq
