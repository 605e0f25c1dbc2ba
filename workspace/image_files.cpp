#include "workspace/image_files.h"

#include "gfx/codec.h"
#include "gfx/dpi_marking.h"
#include "platform/file_write.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace pq {

namespace {

constexpr int kSaveQuality = 80;
constexpr int kPixelsPerMetre300 = 11811;

// The extension with its dot, lower case; empty without one.
QString LowerExtension(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    return suffix.isEmpty() ? QString() : QStringLiteral(".") + suffix.toLower();
}

std::optional<gfx::ImageFormat> SaveFormat(const QString& extension)
{
    if (extension == QLatin1String(".jpg") || extension == QLatin1String(".jpeg"))
        return gfx::ImageFormat::Jpeg;
    if (extension == QLatin1String(".png"))
        return gfx::ImageFormat::Png;
    if (extension == QLatin1String(".webp"))
        return gfx::ImageFormat::WebP;
    return std::nullopt;
}

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

QString OpenDialogFilter()
{
    return QStringLiteral("Image Files (*.jpg *.jpeg *.png *.bmp *.webp);;All Files (*)");
}

QString BatchDialogFilter()
{
    return QStringLiteral("Image files (*.jpg *.jpeg *.png *.bmp *.webp);;All files (*)");
}

QStringList SaveDialogFilters()
{
    return {QStringLiteral("JPEG Image (*.jpg *.jpeg)"), QStringLiteral("PNG Image (*.png)"),
            QStringLiteral("WebP Image (*.webp)"), QStringLiteral("All Files (*)")};
}

bool IsDroppableImageName(const QString& fileName)
{
    static const QStringList kAccepted{QStringLiteral(".jpg"), QStringLiteral(".jpeg"), QStringLiteral(".png"),
                                      QStringLiteral(".bmp"), QStringLiteral(".gif"), QStringLiteral(".tiff")};
    return kAccepted.contains(LowerExtension(fileName));
}

QString FirstDroppableFile(const QStringList& fileNames, const std::function<bool(const QString&)>& isFile)
{
    for (const QString& name : fileNames)
        if (IsDroppableImageName(name) && isFile(name))
            return name;
    return {};
}

SaveProposal ProposeSaveName(const QString& sourceFileName)
{
    if (sourceFileName.isEmpty())
        return {QStringLiteral("Pastelloquin_image.png"), 2};
    const QFileInfo info(sourceFileName);
    QString extension = LowerExtension(sourceFileName);
    const bool jpeg = extension == QLatin1String(".jpg") || extension == QLatin1String(".jpeg");
    if (extension == QLatin1String(".bmp"))
        extension = QStringLiteral(".png");
    const QString name = info.completeBaseName() + QStringLiteral("_PQ") + extension;
    return {QDir(info.path()).filePath(name), jpeg ? 1 : 2};
}

bool SaveImageTo(const gfx::Image& image, const QString& fileName, QString* error)
{
    const QString extension = LowerExtension(fileName);
    const std::optional<gfx::ImageFormat> format = SaveFormat(extension);
    if (!format) {
        SetError(error, QStringLiteral("Invalid extension"));
        return false;
    }
    // The JPEG writer's own JFIF density says 300 DPI too, so that readers
    // that look there agree with the Exif mark.
    QImage dense = image.qimage();
    dense.setDotsPerMeterX(kPixelsPerMetre300);
    dense.setDotsPerMeterY(kPixelsPerMetre300);
    const gfx::Image marked = gfx::Image::adopt(dense);
    QByteArray bytes = gfx::Encode(marked.isNull() ? image : marked, *format, kSaveQuality, error);
    if (bytes.isEmpty())
        return false;
    // Marked in memory, so the file is written once.
    if (*format == gfx::ImageFormat::Jpeg)
        gfx::MarkJpegDpi300(bytes);
    else if (*format == gfx::ImageFormat::Png)
        gfx::MarkPngDpi300(bytes);

    return platform::WriteFileAtomically(fileName, bytes, error);
}

} // namespace pq
