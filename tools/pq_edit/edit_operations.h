#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace pq {

class Document;

// Text options given before INPUT.
struct EditOptions {
    QString font;
    bool bold = false;
    bool italic = false;
    bool shadow = false;
};

// One pq-edit operation: its name, how many arguments it takes, and what it
// does to the document. `run` returns an empty string when the document was
// changed, else the one line to report.
struct EditOperation {
    const char* name;
    int argumentCount;
    const char* usage;
    QString (*run)(Document& document, const QStringList& arguments, const EditOptions& options);
};

const std::vector<EditOperation>& EditOperations();
const EditOperation* FindEditOperation(const QString& name);

} // namespace pq
