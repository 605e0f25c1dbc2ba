// Writes the seed corpora of the fuzz targets: a few well-formed inputs per
// reader, made here, each with truncated and bit-flipped copies so that one
// pass over a corpus also walks the readers' failure paths.
//   pq-fuzz-seeds OUTDIR   ->  OUTDIR/{image,cube,zip,parameters,settings,script}/
#include "catalogue/effect_catalogue.h"
#include "catalogue/parameter_table.h"
#include "gfx/codec.h"
#include "gfx/surface.h"
#include "scripting/script_library.h"
#include "scripting/script_text.h"
#include "workspace/parameter_file.h"

#include "damaged_files.h"
#include "stored_zip.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <zip.h>

#include <cstdio>
#include <utility>
#include <vector>

namespace {

using Seeds = std::vector<std::pair<QString, QByteArray>>;

gfx::Image Picture(int w, int h, bool transparent)
{
    gfx::Surface s = gfx::Surface::make(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t a = transparent ? uint32_t((x * 255) / (w - 1)) : 255u;
            const uint32_t r = (a * uint32_t(x * 11 % 256)) / 255, g = (a * uint32_t(y * 17 % 256)) / 255;
            const uint32_t b = (a * uint32_t((x + y) * 5 % 256)) / 255;
            s.row(y)[x] = a << 24 | r << 16 | g << 8 | b;
        }
    return s.snapshot();
}

QByteArray Written(const gfx::Image& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    return writer.write(image.qimage()) ? bytes : QByteArray();
}

Seeds ImageSeeds()
{
    const gfx::Image opaque = Picture(24, 16, false), clear = Picture(24, 16, true);
    const QByteArray png = gfx::Encode(clear, gfx::ImageFormat::Png, 80);
    const QByteArray jpeg = gfx::Encode(opaque, gfx::ImageFormat::Jpeg, 80);
    qsizetype offset = 0;
    Seeds seeds = {
        {"opaque.png", gfx::Encode(opaque, gfx::ImageFormat::Png, 80)},
        {"alpha.png", png},
        {"photo.jpg", jpeg},
        {"photo.bmp", gfx::Encode(clear, gfx::ImageFormat::Bmp, 80)},
        {"alpha.webp", gfx::Encode(clear, gfx::ImageFormat::WebP, 80)},
        {"frame.gif", damaged::Gif(12, 10, 8, 6, 48)},
        {"runs.bmp", damaged::RleBmp(9, 7, offset)},
        {"huge-chunk.png", damaged::PngWithHugeChunk(png, 0x7FFFFFF0u, true)},
        {"lying.jpg", damaged::WithJpegSize(jpeg, 15000, 15000)},
        {"photo.tif", Written(opaque, "tiff")},
    };
    std::erase_if(seeds, [](const auto& seed) { return seed.second.isEmpty(); });
    return seeds;
}

Seeds CubeSeeds()
{
    QByteArray two = "TITLE \"seed\"\r\n# two by two\r\nLUT_3D_SIZE 2\r\nDOMAIN_MIN 0 0 0\r\nDOMAIN_MAX 1 1 1\r\n";
    for (int i = 0; i < 8; ++i)
        two += QByteArray::number((i & 1) * 0.9, 'f', 6) + ' ' + QByteArray::number((i >> 1 & 1) * 0.8, 'f', 6) + ' ' +
               QByteArray::number((i >> 2) * 0.7, 'f', 6) + "\r\n";
    QByteArray three = "\xEF\xBB\xBFLUT_3D_SIZE 3\nDOMAIN_MIN 0.1 0 -0.5\nDOMAIN_MAX 0.9 2 0.5\n";
    for (int i = 0; i < 27; ++i)
        three += QByteArray::number(i % 3 / 2.0) + ' ' + QByteArray::number(i / 3 % 3 / 2.0) + ' ' +
                 QByteArray::number(i / 9 / 2.0) + '\n';
    const QByteArray odd = "LUT_3D_SIZE 2\rnan nan nan\rinf -inf 1e39\r0,5 0 0\r1 1 1\r0 0 0\r1 0 1\r0 1 0\r1 1 0\r";
    return {{"two.cube", two}, {"three.cube", three}, {"odd.cube", odd}, {"flat.cube", "LUT_1D_SIZE 4\n0 0 0\n"},
            {"same-domain.cube", "DOMAIN_MIN 1 1 1\nDOMAIN_MAX 1 1 1\nLUT_3D_SIZE 1\n0.5 0.5 0.5\n"}};
}

// A zip written by libzip (deflated members); empty when it cannot be.
QByteArray DeflatedZip(const std::vector<std::pair<QString, QByteArray>>& members)
{
    QTemporaryDir dir;
    const QByteArray path = dir.filePath("seed.zip").toLocal8Bit();
    int err = 0;
    zip_t* archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!archive)
        return {};
    for (const auto& [name, data] : members) {
        zip_source_t* source = zip_source_buffer(archive, data.constData(), zip_uint64_t(data.size()), 0);
        if (!source || zip_file_add(archive, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return {};
        }
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        return {};
    }
    QFile file(QString::fromLocal8Bit(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Seeds ZipSeeds()
{
    const Seeds cubes = CubeSeeds();
    const std::vector<std::pair<QString, QByteArray>> members = {
        {"looks/", {}}, {"looks/two.cube", cubes[0].second}, {"readme.txt", QByteArray(300, 'z')}};
    return {{"stored.zip", testzip::StoredZip(members)}, {"deflated.zip", DeflatedZip(members)},
            {"empty.zip", testzip::StoredZip({})}};
}

Seeds ParameterSeeds()
{
    pq::ParameterTable table{};
    pq::InitializeParameters(table);
    const QByteArray whole = pq::ParameterFileBytes(table);
    QByteArray odd = "\xEF\xBB\xBF# Pastelloquin Parameters File\r\n\r\n[Effect_1_0]\r\nName1=Size\r\nValue1=-2147483648\r\n"
                     "Value2=99999999999\r\n[Effect_10_3]\r\nValue1=4\r\n[Effect_x_y]\r\nValue3= 12 \r\n[Effect_3_0]\r\nValue5=+7";
    return {{"defaults.pqk", whole}, {"odd.pqk", odd}, {"cut.pqk", whole.left(whole.size() / 3)}};
}

Seeds SettingsSeeds()
{
    const QString text = QStringLiteral("Theme=dark\r\nUIZoom=1.25\r\nLanguage=Français\rLastFolder=/tmp/ü\nEmpty=\n=odd\n");
    QStringEncoder utf16(QStringEncoder::Utf16LE);
    const QByteArray wide = QByteArray("\xFF\xFE") + QByteArray(utf16(text));
    return {{"utf8.txt", QByteArray("\xEF\xBB\xBF") + text.toUtf8()},
            {"utf16.txt", wide},
            {"ansi.txt", QByteArray("Theme=light\nName=Caf\xE9\n")},
            {"bad-utf16.txt", QByteArray("\xFF\xFE\x00\xD8", 4)}};
}

// The built-in scripts as their files hold them, one of them in UTF-16 and
// one in Windows-1252, and lines that break each rule of the reader.
Seeds ScriptSeeds()
{
    Seeds seeds;
    for (const pq::ScriptEntry& script : pq::LoadBuiltInScripts())
        seeds.emplace_back(QString(script.name).replace(QLatin1Char(' '), QLatin1Char('_')) + QStringLiteral(".pqs"),
                           pq::EncodeScriptText(script.text));
    if (!seeds.empty()) {
        QStringEncoder utf16(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
        seeds.emplace_back(QStringLiteral("wide.pqs"), QByteArray(utf16(pq::DecodeScriptBytes(seeds[0].second))));
    }
    seeds.emplace_back(QStringLiteral("odd.pqs"),
                       QByteArray("; Caf\xE9\rEFFECT 300 1 2\r\nEFFECT 99999 0 0 0 0 0\nRESIZE 0 -5\nLOAD\n"
                                  "CONTOUR 1 #GGHHII\nTEXT 10 10 \"open\nFONT x 2147483648 1 1\nLUT_FILE\n\tSWAP extra\n"));
    return seeds;
}

// Truncations and single-byte changes of a seed, the same on every run.
Seeds Damaged(const QString& name, const QByteArray& bytes)
{
    Seeds out;
    if (bytes.isEmpty())
        return out;
    for (int k = 1; k <= 6; ++k)
        out.emplace_back(QStringLiteral("%1.cut%2").arg(name).arg(k), bytes.left(bytes.size() * k / 7));
    uint32_t state = 0x9E3779B9u ^ uint32_t(bytes.size());
    for (int k = 0; k < 12; ++k) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        QByteArray changed = bytes;
        changed[qsizetype(state % uint32_t(bytes.size()))] ^= char(1u << (state >> 29));
        out.emplace_back(QStringLiteral("%1.flip%2").arg(name).arg(k), changed);
    }
    return out;
}

bool WriteCorpus(const QDir& root, const QString& target, const Seeds& seeds)
{
    if (!root.mkpath(target))
        return false;
    const QDir dir(root.filePath(target));
    Seeds all = seeds;
    for (const auto& [name, bytes] : seeds) {
        const Seeds damaged = Damaged(name, bytes);
        all.insert(all.end(), damaged.begin(), damaged.end());
    }
    for (const auto& [name, bytes] : all) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return false;
    }
    std::printf("%s: %zu inputs\n", qPrintable(target), all.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: pq-fuzz-seeds OUTDIR\n");
        return 2;
    }
    pq::InstallEffectCatalogue();
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const bool ok = WriteCorpus(root, "image", ImageSeeds()) && WriteCorpus(root, "cube", CubeSeeds()) &&
                    WriteCorpus(root, "zip", ZipSeeds()) && WriteCorpus(root, "parameters", ParameterSeeds()) &&
                    WriteCorpus(root, "settings", SettingsSeeds()) &&
                    WriteCorpus(root, "script", ScriptSeeds());
    if (!ok) {
        std::fprintf(stderr, "pq-fuzz-seeds: cannot write under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
