// pq-edit: runs one document edit on an image file, headless.
//
//   pq-edit [--font F] [--bold] [--italic] [--shadow] INPUT OUTPUT OPERATION ARGUMENTS
//   pq-edit [--landscape] [--mode best-fit|stretch|original] [--image-dpi N]
//           [--margin MM] INPUT OUTPUT.pdf print
//
// Opens INPUT as a document (source and result), runs the operation as the
// window runs it and writes the result to OUTPUT by its extension:
//   rotate-left, rotate-right
//   crop L T R B                 image pixels, right and bottom exclusive
//   text X Y SIZE COLOR STRING   baseline origin in image pixels, #AARRGGBB
//   frame FRAMEFILE MARGIN COLOR margin 0..2500 pixels, #AARRGGBB
//   print                        one A4 page at 300 dpi to a PDF file
// Bad input or a refused edit prints one line on stderr, exits non-zero and
// writes nothing.

#include "gfx/codec.h"
#include "tools/pq_edit/edit_operations.h"
#include "workspace/document.h"

#include <QGuiApplication>

#include <cmath>
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
    QString usage = QStringLiteral("usage: pq-edit [--font F] [--bold] [--italic] [--shadow] [--landscape] "
                                   "[--mode best-fit|stretch|original] [--image-dpi N] [--margin MM] "
                                   "INPUT OUTPUT OPERATION");
    QStringList forms;
    for (const pq::EditOperation& operation : pq::EditOperations())
        forms << QString::fromLatin1(operation.usage);
    return usage + QStringLiteral(" (") + forms.join(QStringLiteral(" | ")) + QLatin1Char(')');
}

// The window's boxes allow an image resolution up to 2400 and a margin up
// to 100 mm; a resolution below 1 counts as 96 and a negative margin as 0.
constexpr double kMaxImageDpi = 2400;
constexpr double kMaxMarginMm = 100;

bool ParseNumber(const QString& text, double limit, double* value)
{
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number) || number > limit)
        return false;
    *value = number;
    return true;
}

bool ParseMode(const QString& text, pq::PrintScaleMode* mode)
{
    if (text == QLatin1String("best-fit"))
        *mode = pq::PrintScaleMode::BestFit;
    else if (text == QLatin1String("stretch"))
        *mode = pq::PrintScaleMode::StretchToFill;
    else if (text == QLatin1String("original"))
        *mode = pq::PrintScaleMode::OriginalSize;
    else
        return false;
    return true;
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
        else if (flag == QLatin1String("--landscape"))
            options.print.landscape = true;
        else if (flag == QLatin1String("--mode") && i + 1 < args.size()) {
            if (!ParseMode(args[++i], &options.print.mode))
                return Fail(QStringLiteral("--mode takes best-fit, stretch or original"));
        } else if (flag == QLatin1String("--image-dpi") && i + 1 < args.size()) {
            if (!ParseNumber(args[++i], kMaxImageDpi, &options.print.imageDpi))
                return Fail(QStringLiteral("--image-dpi takes a number up to %1").arg(kMaxImageDpi));
        } else if (flag == QLatin1String("--margin") && i + 1 < args.size()) {
            if (!ParseNumber(args[++i], kMaxMarginMm, &options.print.marginMm))
                return Fail(QStringLiteral("--margin takes millimetres up to %1").arg(kMaxMarginMm));
        } else
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
    if (operation->write) {
        if (!output.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
            return Fail(QStringLiteral("cannot write '%1': %2 writes a .pdf")
                            .arg(output, QString::fromLatin1(operation->name)));
    } else if (format != gfx::ImageFormat::Jpeg && format != gfx::ImageFormat::Png &&
               format != gfx::ImageFormat::WebP && format != gfx::ImageFormat::Bmp) {
        return Fail(QStringLiteral("cannot write '%1': use .png, .jpg, .webp or .bmp").arg(output));
    }

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
    if (operation->write) {
        const QString failed = operation->write(document, output, options);
        return failed.isEmpty() ? 0 : Fail(failed);
    }
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
