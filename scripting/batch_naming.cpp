#include "scripting/batch_naming.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace pq {
namespace {

// The key two paths of one file share.
QString PathKey(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath()).toCaseFolded();
}

} // namespace

QString BatchOutputFileName(const QString& input)
{
    const QFileInfo info(input);
    QString extension = info.suffix().toLower();
    if (extension == QLatin1String("bmp"))
        extension = QStringLiteral("png");
    QString name = info.completeBaseName() + QStringLiteral("_PQ");
    if (!extension.isEmpty())
        name += u'.' + extension;
    return info.path() == QLatin1String(".") && !input.startsWith(QLatin1String("./")) ? name
                                                                                      : QDir(info.path()).filePath(name);
}

QStringList BatchOutputFileNames(const QStringList& inputs)
{
    QSet<QString> taken;
    for (const QString& input : inputs)
        taken.insert(PathKey(input));
    QStringList outputs;
    outputs.reserve(inputs.size());
    for (const QString& input : inputs) {
        const QString plain = BatchOutputFileName(input);
        QString output = plain;
        const QFileInfo info(plain);
        const QString extension = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
        const QString stem = plain.left(plain.size() - extension.size());
        for (int n = 2; taken.contains(PathKey(output)); ++n)
            output = stem + u'_' + QString::number(n) + extension;
        taken.insert(PathKey(output));
        outputs << output;
    }
    return outputs;
}

} // namespace pq
