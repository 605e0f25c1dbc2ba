#include "platform/zip_archive.h"

#include "platform/bounded_file.h"
#include "platform/run_context.h"

#include <zip.h>


#include <algorithm>
#include <memory>
#include <new>

namespace platform {

struct ZipArchive::Impl {
    QByteArray data;
    zip_t* archive = nullptr;
    ~Impl()
    {
        if (archive)
            zip_discard(archive);
    }
};

namespace {

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QString ZipErrorText(zip_error_t* err)
{
    return QString::fromUtf8(zip_error_strerror(err));
}

} // namespace

ZipArchive::ZipArchive() = default;
ZipArchive::~ZipArchive() = default;
ZipArchive::ZipArchive(ZipArchive&&) noexcept = default;
ZipArchive& ZipArchive::operator=(ZipArchive&&) noexcept = default;

ZipArchive ZipArchive::openFile(const QString& path, QString* error, qint64 maxBytes)
{
    QByteArray bytes;
    if (!ReadRegularFile(path, maxBytes, bytes, error))
        return {};
    return openBytes(bytes, error);
}

ZipArchive ZipArchive::openBytes(const QByteArray& bytes, QString* error)
{
    ZipArchive result;
    // libzip takes an empty source for a new, empty archive.
    if (bytes.isEmpty()) {
        SetError(error, QStringLiteral("not a valid zip archive: the data is empty"));
        return result;
    }
    auto impl = std::make_unique<Impl>();
    impl->data = bytes;
    impl->data.detach();
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src = zip_source_buffer_create(impl->data.constData(), static_cast<zip_uint64_t>(impl->data.size()), 0, &err);
    if (!src) {
        SetError(error, ZipErrorText(&err));
        zip_error_fini(&err);
        return result;
    }
    impl->archive = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!impl->archive) {
        zip_source_free(src);
        SetError(error, QStringLiteral("not a valid zip archive: %1").arg(ZipErrorText(&err)));
        zip_error_fini(&err);
        return result;
    }
    zip_error_fini(&err);
    result.d_ = std::move(impl);
    return result;
}

bool ZipArchive::isOpen() const
{
    return d_ && d_->archive;
}

int ZipArchive::count() const
{
    if (!isOpen())
        return 0;
    const zip_int64_t n = zip_get_num_entries(d_->archive, 0);
    return n < 0 ? 0 : static_cast<int>(n);
}

QString ZipArchive::nameAt(int index) const
{
    if (!isOpen() || index < 0)
        return {};
    const char* name = zip_get_name(d_->archive, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_GUESS);
    return name ? QString::fromUtf8(name) : QString();
}

QStringList ZipArchive::names() const
{
    QStringList out;
    const int n = count();
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out << nameAt(i);
    return out;
}

qint64 ZipArchive::entrySize(const QString& name) const
{
    if (!isOpen())
        return -1;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(d_->archive, name.toUtf8().constData(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        return -1;
    return static_cast<qint64>(st.size);
}

QByteArray ZipArchive::read(const QString& name, QString* error, qint64 limit) const
{
    if (!isOpen()) {
        SetError(error, QStringLiteral("archive is not open"));
        return {};
    }
    const zip_int64_t index = zip_name_locate(d_->archive, name.toUtf8().constData(), 0);
    if (index < 0) {
        SetError(error, QStringLiteral("no entry named %1").arg(name));
        return {};
    }
    return readIndex(static_cast<int>(index), error, limit);
}

QByteArray ZipArchive::readIndex(int index, QString* error, qint64 limit) const
{
    try {
        return readIndexOrThrow(index, error, limit);
    } catch (const std::bad_alloc&) {
        NoteOutOfMemory();
        SetError(error, QStringLiteral("not enough memory to read the entry"));
        return {};
    }
}

QByteArray ZipArchive::readIndexOrThrow(int index, QString* error, qint64 limit) const
{
    if (!isOpen() || index < 0 || index >= count()) {
        SetError(error, QStringLiteral("no such entry"));
        return {};
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(d_->archive, static_cast<zip_uint64_t>(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
        SetError(error, QStringLiteral("cannot read entry information"));
        return {};
    }
    if (static_cast<qint64>(st.size) > limit || st.size > static_cast<zip_uint64_t>(INT32_MAX)) {
        SetError(error, QStringLiteral("entry is too large (%1 bytes)").arg(static_cast<qulonglong>(st.size)));
        return {};
    }
    zip_file_t* file = zip_fopen_index(d_->archive, static_cast<zip_uint64_t>(index), 0);
    if (!file) {
        SetError(error, QStringLiteral("cannot open entry: %1").arg(QString::fromUtf8(zip_strerror(d_->archive))));
        return {};
    }
    // Closed however this ends, a failed allocation included.
    const std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> close(file, zip_fclose);
    // The buffer grows with the data actually read, so a forged size in the
    // directory cannot make us allocate up to the limit for nothing.
    constexpr zip_int64_t kChunk = 4 << 20;
    const auto size = static_cast<zip_int64_t>(st.size);
    QByteArray out;
    out.reserve(static_cast<qsizetype>(std::min(size, kChunk)));
    zip_int64_t total = 0;
    bool failed = false;
    while (total < size) {
        const zip_int64_t want = std::min(kChunk, size - total);
        out.resize(static_cast<qsizetype>(total + want));
        const zip_int64_t n = zip_fread(file, out.data() + total, static_cast<zip_uint64_t>(want));
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0)
            break;
        total += n;
    }
    out.resize(static_cast<qsizetype>(total));
    // One more read detects data beyond the declared size and checks the CRC.
    char probe = 0;
    if (!failed && total == static_cast<zip_int64_t>(st.size) && zip_fread(file, &probe, 1) != 0)
        failed = true;
    const QString fileError = QString::fromUtf8(zip_error_strerror(zip_file_get_error(file)));
    if (failed || total != static_cast<zip_int64_t>(st.size)) {
        SetError(error, QStringLiteral("corrupt entry: %1").arg(fileError));
        return {};
    }
    out.squeeze(); // drop the spare capacity left by growing
    return out;
}

} // namespace platform
