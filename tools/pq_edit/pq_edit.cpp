// pq-edit: runs one document edit on an image file, headless.
//
//   pq-edit [--font F] [--bold] [--italic] [--shadow] INPUT OUTPUT OPERATION ARGUMENTS
//
// Opens INPUT as a document (source and result), runs the operation as the
// window runs it and writes the result to OUTPUT by its extension:
//   rotate-left, rotate-right
//   crop L T R B                 image pixels, right and bottom exclusive
//   text X Y SIZE COLOR STRING   baseline origin in image pixels, #AARRGGBB
// Bad input or a refused edit prints one line on stderr, exits non-zero and
// writes nothing.

#include "gfx/codec.h"
#include "tools/pq_edit/edit_operations.h"
#include "workspace/document.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

int Fail(const QString& message)
{
    std::fprintf(stderr, "pq-edit: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
    return 1;
}

QString Usage()
{
    QString usage = QStringLiteral("usage: pq-edit [--font F] [--bold] [--italic] [--shadow] INPUT OUTPUT OPERATION");
    QStringList forms;
    for (const pq::EditOperation& operation : pq::EditOperations())
        forms << QString::fromLatin1(operation.usage);
    return usage + QStringLiteral(" (") + forms.join(QStringLiteral(" | ")) + QLatin1Char(')');
}

int Edit(const QStringList& args)
{
    pq::EditOptions options;
    int i = 0;
    for (; i < args.size() && args[i].startsWith(QLatin1String("--")); ++i) {
        const QString& flag = args[i];
        if (flag == QLatin1String("--font") && i + 1 < args.size())
            options.font = args[++i];
        else if (flag == QLatin1String("--bold"))
            options.bold = true;
        else if (flag == QLatin1String("--italic"))
            options.italic = true;
        else if (flag == QLatin1String("--shadow"))
            options.shadow = true;
        else
            return Fail(QStringLiteral("unknown option '%1'; ").arg(flag) + Usage());
    }
    if (args.size() - i < 3)
        return Fail(Usage());
    const QString input = args[i];
    const QString output = args[i + 1];
    const pq::EditOperation* operation = pq::FindEditOperation(args[i + 2]);
    if (!operation)
        return Fail(QStringLiteral("unknown operation '%1'; ").arg(args[i + 2]) + Usage());
    const QStringList arguments = args.mid(i + 3);
    if (arguments.size() != operation->argumentCount)
        return Fail(QStringLiteral("%1 takes %2 argument(s): %3")
                        .arg(QString::fromLatin1(operation->name))
                        .arg(operation->argumentCount)
                        .arg(QString::fromLatin1(operation->usage)));
    const gfx::ImageFormat format = gfx::FormatFromExtension(output);
    if (format != gfx::ImageFormat::Jpeg && format != gfx::ImageFormat::Png && format != gfx::ImageFormat::WebP &&
        format != gfx::ImageFormat::Bmp)
        return Fail(QStringLiteral("cannot write '%1': use .png, .jpg, .webp or .bmp").arg(output));

    QString error;
    const gfx::Image image = gfx::DecodeFile(input, &error);
    if (image.isNull())
        return Fail(QStringLiteral("cannot read '%1': %2").arg(input, error));
    pq::Document document;
    if (!document.replaceDocument(image, image))
        return Fail(QStringLiteral("cannot open '%1'").arg(input));
    const QString refused = operation->run(document, arguments, options);
    if (!refused.isEmpty())
        return Fail(refused);
    if (!gfx::EncodeToFile(document.resultImage, output, format, 80, &error))
        return Fail(QStringLiteral("cannot write '%1': %2").arg(output, error));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Qt's own notices would break the one-line error report.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg)
            Fail(message);
    });
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    try {
        return Edit(args);
    } catch (const std::bad_alloc&) {
        return Fail(QStringLiteral("not enough memory"));
    }
}
