// Zip archives: any bytes open or give an error; reading members is bounded
// by the limit given, and a damaged member is an error, not a crash.
#include "platform/zip_archive.h"
#include "tools/fuzz/fuzz_support.h"
#include "tools/fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr qint64 kLimit = 1 << 20;
    QString error;
    const platform::ZipArchive zip = platform::ZipArchive::openBytes(fuzz::Bytes(data, size), &error);
    if (!zip.isOpen()) {
        fuzz::Require(!error.isEmpty());
        return 0;
    }
    const QStringList names = zip.names();
    fuzz::Require(names.size() == zip.count());
    for (int i = 0; i < zip.count() && i < 64; ++i) {
        QString readError;
        const QByteArray member = zip.readIndex(i, &readError, kLimit);
        fuzz::Require(member.size() <= kLimit);
        (void)zip.entrySize(zip.nameAt(i));
    }
    return 0;
}
