#include "platform/zip_archive.h"

#include <zip.h>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

struct Entry {
    QByteArray name;
    QByteArray data;
    bool deflate = false;
    bool folder = false;
};

// Writes an archive with libzip and returns its bytes.
QByteArray BuildArchive(const std::vector<Entry>& entries)
{
    QTemporaryDir dir;
    const QByteArray path = dir.filePath(QStringLiteral("test.zip")).toUtf8();
    int err = 0;
    zip_t* za = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    EXPECT_NE(za, nullptr);
    if (!za)
        return {};
    for (const Entry& e : entries) {
        if (e.folder) {
            EXPECT_GE(zip_dir_add(za, e.name.constData(), ZIP_FL_ENC_UTF_8), 0);
            continue;
        }
        // The entries' buffers outlive zip_close.
        zip_source_t* src = zip_source_buffer(za, e.data.constData(), zip_uint64_t(e.data.size()), 0);
        const zip_int64_t index = zip_file_add(za, e.name.constData(), src, ZIP_FL_ENC_UTF_8);
        EXPECT_GE(index, 0);
        zip_set_file_compression(za, zip_uint64_t(index), e.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    }
    EXPECT_EQ(zip_close(za), 0);
    QFile f(QString::fromUtf8(path));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

QByteArray Noise(int n, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray out(n, Qt::Uninitialized);
    for (char& c : out)
        c = char(rng());
    return out;
}

QByteArray Text(int n)
{
    QByteArray out;
    while (out.size() < n)
        out += "the quick brown fox jumps over the lazy dog. ";
    out.truncate(n);
    return out;
}

std::vector<Entry> SampleEntries()
{
    return {
        {"readme.txt", Text(1000), false, false},
        {"data/", {}, false, true},
        {"data/noise.bin", Noise(5000, 1), true, false},
        {"data/words.txt", Text(100000), true, false},
        {"empty.txt", {}, false, false},
        {"ünïcode.txt", "x", false, false},
    };
}

TEST(ZipArchive, ReadsNamesAndEntries)
{
    const std::vector<Entry> entries = SampleEntries();
    const QByteArray bytes = BuildArchive(entries);
    QString error;
    const platform::ZipArchive zip = platform::ZipArchive::openBytes(bytes, &error);
    ASSERT_TRUE(zip.isOpen()) << error.toStdString();
    ASSERT_EQ(zip.count(), int(entries.size()));
    QStringList expected;
    for (const Entry& e : entries)
        expected << QString::fromUtf8(e.name);
    EXPECT_EQ(zip.names(), expected);

    for (int i = 0; i < int(entries.size()); ++i) {
        const QString name = QString::fromUtf8(entries[i].name);
        error.clear();
        EXPECT_EQ(zip.read(name, &error), entries[i].data) << name.toStdString();
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_EQ(zip.readIndex(i), entries[i].data);
        EXPECT_EQ(zip.entrySize(name), entries[i].data.size());
    }
    EXPECT_EQ(zip.entrySize(QStringLiteral("nothing")), -1);
}

TEST(ZipArchive, OpensFilesAndOwnsItsBytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.zip"));
    QByteArray bytes = BuildArchive(SampleEntries());
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QString error;
    platform::ZipArchive fromFile = platform::ZipArchive::openFile(path, &error);
    ASSERT_TRUE(fromFile.isOpen()) << error.toStdString();
    EXPECT_EQ(fromFile.read(QStringLiteral("data/words.txt")), Text(100000));

    // The caller's buffer may change or vanish after opening.
    platform::ZipArchive fromBytes = platform::ZipArchive::openBytes(bytes);
    bytes.fill('\0');
    bytes.clear();
    platform::ZipArchive moved = std::move(fromBytes);
    EXPECT_EQ(moved.read(QStringLiteral("data/noise.bin")), Noise(5000, 1));

    error.clear();
    EXPECT_FALSE(platform::ZipArchive::openFile(dir.filePath(QStringLiteral("missing.zip")), &error).isOpen());
    EXPECT_FALSE(error.isEmpty());
}

TEST(ZipArchive, MissingEntriesAndClosedArchives)
{
    const platform::ZipArchive zip = platform::ZipArchive::openBytes(BuildArchive(SampleEntries()));
    QString error;
    EXPECT_TRUE(zip.read(QStringLiteral("nope.txt"), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    for (const int index : {-1, zip.count(), 1 << 30}) {
        error.clear();
        EXPECT_TRUE(zip.readIndex(index, &error).isEmpty());
        EXPECT_FALSE(error.isEmpty());
    }

    const platform::ZipArchive closed;
    EXPECT_FALSE(closed.isOpen());
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(closed.names().isEmpty());
    EXPECT_EQ(closed.entrySize(QStringLiteral("a")), -1);
    error.clear();
    EXPECT_TRUE(closed.read(QStringLiteral("a"), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}

TEST(ZipArchive, EntriesOverTheLimitAreRefused)
{
    const platform::ZipArchive zip = platform::ZipArchive::openBytes(BuildArchive(SampleEntries()));
    QString error;
    EXPECT_TRUE(zip.read(QStringLiteral("data/words.txt"), &error, 99999).isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("too large"))) << error.toStdString();
    EXPECT_EQ(zip.read(QStringLiteral("data/words.txt"), &error, 100000).size(), 100000);
}

// Offset of an entry's data: its local header is 30 bytes plus name and
// extra field.
qsizetype DataOffset(const QByteArray& zip, const QByteArray& name)
{
    const QByteArray signature("PK\x03\x04", 4);
    for (qsizetype at = zip.indexOf(signature); at >= 0; at = zip.indexOf(signature, at + 4)) {
        const int nameLength = uint8_t(zip[at + 26]) | uint8_t(zip[at + 27]) << 8;
        const int extraLength = uint8_t(zip[at + 28]) | uint8_t(zip[at + 29]) << 8;
        if (zip.mid(at + 30, nameLength) == name)
            return at + 30 + nameLength + extraLength;
    }
    return -1;
}

TEST(ZipArchive, DamagedDataGivesErrors)
{
    const QByteArray bytes = BuildArchive(SampleEntries());
    for (const char* name : {"readme.txt", "data/noise.bin", "data/words.txt"}) {
        const qsizetype at = DataOffset(bytes, name);
        ASSERT_GT(at, 0) << name;
        QByteArray damaged = bytes;
        for (int k = 0; k < 4; ++k)
            damaged[at + 100 + k] = char(damaged[at + 100 + k] ^ 0xA5);
        QString error;
        const platform::ZipArchive zip = platform::ZipArchive::openBytes(damaged, &error);
        ASSERT_TRUE(zip.isOpen()) << error.toStdString();
        EXPECT_TRUE(zip.read(QString::fromUtf8(name), &error).isEmpty()) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
        // The other entries still read.
        EXPECT_EQ(zip.read(QStringLiteral("ünïcode.txt")), QByteArray("x"));
    }
}

TEST(ZipArchive, DamagedArchivesDoNotOpen)
{
    const QByteArray bytes = BuildArchive(SampleEntries());
    std::vector<QByteArray> bad = {bytes.left(bytes.size() / 2), bytes.left(bytes.size() - 10), Noise(4096, 9),
                                   QByteArray(), QByteArray("PK\x05\x06", 4) + Noise(40, 4)};
    // Central directory claiming more entries than it holds.
    QByteArray lying = bytes;
    const qsizetype end = lying.lastIndexOf(QByteArray("PK\x05\x06", 4));
    ASSERT_GT(end, 0);
    lying[end + 10] = char(200);
    bad.push_back(lying);
    for (size_t i = 0; i < bad.size(); ++i) {
        QString error;
        const platform::ZipArchive zip = platform::ZipArchive::openBytes(bad[i], &error);
        EXPECT_FALSE(zip.isOpen()) << i;
        EXPECT_FALSE(error.isEmpty()) << i;
        EXPECT_TRUE(zip.read(QStringLiteral("readme.txt")).isEmpty());
    }
}

TEST(ZipArchive, DeclaredSizesThatLieAreCaught)
{
    // Central directory and local header both claim a size other than the
    // stored data's.
    const QByteArray bytes = BuildArchive({{"a.txt", Text(3000), false, false}, {"b.txt", "bee", false, false}});
    for (const uint32_t claimed : {2000u, 4000u, 400u * 1024 * 1024}) {
        QByteArray forged = bytes;
        auto patch = [&](qsizetype at) {
            for (int k = 0; k < 4; ++k)
                forged[at + k] = char((claimed >> (8 * k)) & 0xFF);
        };
        const qsizetype local = forged.indexOf(QByteArray("PK\x03\x04", 4));
        const qsizetype central = forged.indexOf(QByteArray("PK\x01\x02", 4));
        ASSERT_GE(local, 0);
        ASSERT_GT(central, 0);
        patch(local + 22);   // uncompressed size
        patch(central + 24); // uncompressed size
        QString error;
        const platform::ZipArchive zip = platform::ZipArchive::openBytes(forged, &error);
        if (!zip.isOpen())
            continue; // refusing the whole archive is fine too
        EXPECT_TRUE(zip.read(QStringLiteral("a.txt"), &error).isEmpty()) << claimed;
        EXPECT_FALSE(error.isEmpty());
    }
}

} // namespace
