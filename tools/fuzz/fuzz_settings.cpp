// Settings files: any bytes decode to lines, the store reads them from
// disk, and a value written is the value read back.
#include "tools/fuzz/fuzz_support.h"
#include "tools/fuzz/fuzz_target.h"
#include "ui/settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> gFolder;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnsureApplication();
    gFolder = std::make_unique<QTemporaryDir>();
    fuzz::Require(gFolder->isValid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    bool ok = false;
    const QString text = pq::DecodeSettingsText(bytes, &ok);
    const QStringList lines = pq::SplitSettingsLines(text);
    for (const QString& line : lines)
        fuzz::Require(!line.contains(QLatin1Char('\n')) && !line.contains(QLatin1Char('\r')));

    // The store reads the same bytes from its file.
    pq::SetSettingsFolder(gFolder->path());
    QFile file(pq::SettingsFilePath());
    fuzz::Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    (void)pq::GetSetting(QStringLiteral("Theme"), QStringLiteral("dark"));
    (void)pq::GetSetting(QStringLiteral("UIZoom"), QString());
    pq::SetSetting(QStringLiteral("FuzzProbe"), QStringLiteral("42"));
    fuzz::Require(pq::GetSetting(QStringLiteral("FuzzProbe"), QString()) == QStringLiteral("42"));
    // A readable file was rewritten with the value; an unreadable one was left alone.
    pq::SetSettingsFolder(gFolder->path());
    if (ok) {
        fuzz::Require(pq::GetSetting(QStringLiteral("FuzzProbe"), QString()) == QStringLiteral("42"));
    } else {
        fuzz::Require(file.open(QIODevice::ReadOnly) && file.readAll() == bytes);
        file.close();
    }
    return 0;
}
