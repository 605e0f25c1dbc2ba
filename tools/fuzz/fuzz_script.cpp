// Scripts (.pqs): any bytes decode to text and parse without failing;
// every error names its line as "Line N: ...", N within the script and
// never smaller than the line of the error before it, and a script that
// parsed has a command for no more lines than it holds.
#include "catalogue/effect_catalogue.h"
#include "scripting/script_parser.h"
#include "scripting/script_text.h"
#include "tools/fuzz/fuzz_support.h"
#include "tools/fuzz/fuzz_target.h"

#include <QRegularExpression>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnsureApplication();
    pq::InstallEffectCatalogue();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QRegularExpression kLine(QStringLiteral("^Line ([1-9][0-9]*): \\S"));
    const QString text = pq::DecodeScriptBytes(fuzz::Bytes(data, size));
    const qsizetype lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))).size();
    const pq::ParsedScript parsed = pq::ParseScriptText(text);
    long long previous = 0;
    for (const QString& error : parsed.errors) {
        const QRegularExpressionMatch match = kLine.match(error);
        fuzz::Require(match.hasMatch());
        bool ok = false;
        const long long line = match.captured(1).toLongLong(&ok);
        fuzz::Require(ok && line >= previous && line <= lines);
        previous = line;
    }
    fuzz::Require(qsizetype(parsed.commands.size()) <= lines);
    // The same text parses to the same errors: the parser keeps no state.
    fuzz::Require(pq::ParseScriptText(text).errors == parsed.errors);
    return 0;
}
