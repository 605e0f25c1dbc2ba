#include "engine/repository/brush_sheet.h"
#include "engine/repository/image_repository.h"
#include "engine/repository/watercolor_paper.h"
#include "platform/embedded.h"
#include "platform/ui_bridge.h"
#include "platform/zip_archive.h"
#include "stored_zip.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <thread>

namespace {

pq::ImageRepository& LoadedRepository()
{
    pq::ImageRepository& form = pq::Repository();
    if (!form.loaded())
        form.create();
    return form;
}

QByteArray PngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QImage Solid(int w, int h, QColor c)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(c);
    return img;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

int AlphaAt(const gfx::Image& img, int x, int y) { return int(img.pixel(x, y) >> 24); }

// The test effects 302 and 303 use to keep a cell of a brush sheet.
bool CellKept(const gfx::Image& sheet, int index)
{
    const QRect r = pq::BrushCellRect(index);
    for (int y : {64, 96, 128, 160, 192})
        if (AlphaAt(sheet, r.left() + 128, r.top() + y) > 10)
            return true;
    return false;
}

bool CellEmpty(const gfx::Image& sheet, const QRect& r)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (AlphaAt(sheet, x, y) != 0)
                return false;
    return true;
}

// Ratio of the principal second moments of a cell's weight (alpha, or
// darkness on a white atlas): 1 for a round mark, large for a long one.
double Elongation(const gfx::Image& sheet, const QRect& r, bool darkness)
{
    double w = 0, sx = 0, sy = 0;
    auto weight = [&](int x, int y) {
        const gfx::Pixel p = sheet.pixel(x, y);
        return darkness ? 255.0 - double((p >> 8) & 255) : double(p >> 24);
    };
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const double a = weight(x, y);
            w += a;
            sx += a * x;
            sy += a * y;
        }
    if (w <= 0)
        return 0;
    const double cx = sx / w, cy = sy / w;
    double mxx = 0, myy = 0, mxy = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const double a = weight(x, y);
            mxx += a * (x - cx) * (x - cx);
            myy += a * (y - cy) * (y - cy);
            mxy += a * (x - cx) * (y - cy);
        }
    const double tr = mxx + myy, det = mxx * myy - mxy * mxy;
    const double disc = std::sqrt(std::max(0.0, tr * tr / 4 - det));
    const double l1 = tr / 2 + disc, l2 = tr / 2 - disc;
    return l2 > 0 ? l1 / l2 : 1e9;
}

// Keeps the active sheet of the repository across a test that changes it.
class BrushLoading : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        saved = pq::Repository().brushes;
    }
    void TearDown() override { pq::Repository().brushes = saved; }
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    gfx::Image saved;
};

TEST_F(BrushLoading, NinePngsFillTwoRowsInOrder)
{
    QStringList files;
    for (int i = 0; i < 9; ++i) {
        const QString name = path(QStringLiteral("b%1.png").arg(i));
        WriteFile(name, PngBytes(Solid(64, 64, QColor(10 + 20 * i, 0, 0))));
        files << name;
    }
    QString error;
    ASSERT_EQ(pq::Repository().loadBrushesToRepository(files, &error), 9) << error.toStdString();
    const gfx::Image& sheet = pq::Repository().brushes;
    ASSERT_EQ(sheet.width(), 2048);
    ASSERT_EQ(sheet.height(), 512);
    // A 64 x 64 brush is enlarged to the whole cell.
    for (int i = 0; i < 9; ++i) {
        const QRect r = pq::BrushCellRect(i);
        for (const QPoint p : {r.topLeft(), r.bottomRight(), r.center()})
            EXPECT_EQ(sheet.pixel(p.x(), p.y()), 0xFF000000u | uint32_t(10 + 20 * i) << 16) << "cell " << i;
    }
    EXPECT_EQ(pq::BrushCellRect(8).topLeft(), QPoint(0, 256));
    for (int i = 9; i < 16; ++i)
        EXPECT_TRUE(CellEmpty(sheet, pq::BrushCellRect(i))) << "cell " << i;
}

TEST_F(BrushLoading, WideBrushIsScaledAndCentred)
{
    const QString name = path(QStringLiteral("wide.PNG"));
    WriteFile(name, PngBytes(Solid(512, 128, Qt::blue)));
    ASSERT_EQ(pq::Repository().loadBrushesToRepository({name}), 1);
    const gfx::Image& sheet = pq::Repository().brushes;
    ASSERT_EQ(sheet.size(), QSize(2048, 256));
    for (int x : {0, 100, 255}) {
        EXPECT_EQ(AlphaAt(sheet, x, 95), 0);
        EXPECT_EQ(AlphaAt(sheet, x, 96), 255);
        EXPECT_EQ(AlphaAt(sheet, x, 159), 255);
        EXPECT_EQ(AlphaAt(sheet, x, 160), 0);
    }
    EXPECT_EQ(AlphaAt(sheet, 256, 128), 0);
}

TEST_F(BrushLoading, ZipMembersAndPlainFiles)
{
    const QString zip = path(QStringLiteral("set.ZIP"));
    WriteFile(zip, testzip::StoredZip({{QStringLiteral("a.png"), PngBytes(Solid(40, 80, Qt::red))},
                                       {QStringLiteral("readme.txt"), QByteArray("brushes by nobody")},
                                       {QStringLiteral("sub/b.Png"), PngBytes(Solid(80, 40, Qt::green))},
                                       {QStringLiteral("broken.png"), QByteArray("not a picture")},
                                       {QStringLiteral("c.png"), PngBytes(Solid(30, 30, Qt::blue))}}));
    const QString text = path(QStringLiteral("notes.txt"));
    WriteFile(text, "hello");
    QString error;
    ASSERT_EQ(pq::Repository().loadBrushesToRepository({text, zip, path(QStringLiteral("missing.png"))}, &error), 3);
    EXPECT_TRUE(error.isEmpty());
    const gfx::Image& sheet = pq::Repository().brushes;
    EXPECT_EQ(sheet.pixel(128, 128), 0xFFFF0000u);
    EXPECT_EQ(sheet.pixel(256 + 128, 128), 0xFF00FF00u);
    EXPECT_EQ(sheet.pixel(512 + 128, 128), 0xFF0000FFu);
    // The 40 x 80 brush is 128 x 256, centred.
    EXPECT_EQ(AlphaAt(sheet, 63, 128), 0);
    EXPECT_EQ(AlphaAt(sheet, 64, 128), 255);
}

TEST_F(BrushLoading, NothingLoadableLeavesTheSheet)
{
    const gfx::Image before = pq::Repository().brushes;
    EXPECT_EQ(pq::Repository().loadBrushesToRepository({}), 0);
    const QString text = path(QStringLiteral("a.txt"));
    WriteFile(text, "x");
    const QString fake = path(QStringLiteral("fake.png"));
    WriteFile(fake, "no png here");
    EXPECT_EQ(pq::Repository().loadBrushesToRepository({text, fake}), 0);
    EXPECT_TRUE(pq::Repository().brushes.sameAs(before) || (before.isNull() && pq::Repository().brushes.isNull()));
}

TEST_F(BrushLoading, DamagedArchivesAreSkipped)
{
    const gfx::Image before = pq::Repository().brushes;
    const QString good = path(QStringLiteral("good.png"));
    WriteFile(good, PngBytes(Solid(10, 10, Qt::red)));
    QByteArray zip = testzip::StoredZip({{QStringLiteral("a.png"), PngBytes(Solid(40, 80, Qt::red))}});
    zip.truncate(zip.size() - 30);
    const QString bad = path(QStringLiteral("bad.zip"));
    WriteFile(bad, zip);
    QString error;
    // The readable brush loads; the reason the archive was skipped is kept.
    EXPECT_EQ(pq::Repository().loadBrushesToRepository({good, bad}, &error), 1);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(pq::Repository().brushes.size(), QSize(2048, 256));
    // Nothing readable at all: no sheet change.
    pq::Repository().brushes = before;
    EXPECT_EQ(pq::Repository().loadBrushesToRepository({bad}, &error), 0);
    EXPECT_TRUE(pq::Repository().brushes.sameAs(before) || (before.isNull() && pq::Repository().brushes.isNull()));
}

TEST_F(BrushLoading, LimitsStopHostileInput)
{
    // More brushes than a sheet may hold.
    std::vector<std::pair<QString, QByteArray>> members;
    const QByteArray tiny = PngBytes(Solid(2, 2, Qt::black));
    for (int i = 0; i <= pq::kMaxBrushes; ++i)
        members.emplace_back(QStringLiteral("m%1.png").arg(i), tiny);
    const QString many = path(QStringLiteral("many.zip"));
    WriteFile(many, testzip::StoredZip(members));
    QString error;
    EXPECT_EQ(pq::Repository().loadBrushesToRepository({many}, &error), 0);
    EXPECT_TRUE(error.contains(QString::number(pq::kMaxBrushes)));

    // A file above the size limit.
    const QString big = path(QStringLiteral("big.png"));
    WriteFile(big, QByteArray(int(pq::kMaxBrushFileBytes + 1), 'x'));
    error.clear();
    EXPECT_EQ(pq::Repository().loadBrushesToRepository({big}, &error), 0);
    EXPECT_FALSE(error.isEmpty());

    // A picture whose header claims 100000 x 100000 pixels is skipped
    // before anything is decoded.
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr("IHDR");
    auto be32 = [](QByteArray& out, uint32_t v) {
        for (int s = 24; s >= 0; s -= 8)
            out.append(char((v >> s) & 255));
    };
    be32(ihdr, 100000);
    be32(ihdr, 100000);
    ihdr.append(char(8)).append(char(6)).append(char(0)).append(char(0)).append(char(0));
    be32(png, uint32_t(ihdr.size() - 4));
    png.append(ihdr);
    be32(png, testzip::Crc32(ihdr));
    const QString bomb = path(QStringLiteral("bomb.png"));
    WriteFile(bomb, png);
    error.clear();
    EXPECT_EQ(pq::Repository().loadBrushesToRepository({bomb}, &error), 0);
    EXPECT_TRUE(error.isEmpty());
}

TEST(BuiltInImages, BackgroundLoadingInstallsOnTheUiThread)
{
    platform::ManualUiBridge bridge;
    std::thread::id ranOn;
    bool done = false;
    pq::Repository().createInBackground(bridge, [&] {
        ranOn = std::this_thread::get_id();
        done = true;
    });
    ASSERT_TRUE(bridge.pumpUntil([&] { return done; }, 60000));
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_TRUE(pq::Repository().loaded());
    EXPECT_EQ(pq::Repository().defaultImage.size(), QSize(960, 1440));
}

TEST(BuiltInImages, ArchiveHoldsItsMembersStoredInOrder)
{
    const QByteArray bytes = platform::EmbeddedResource(QStringLiteral("PASTELLOQUIN_IMAGES"));
    ASSERT_FALSE(bytes.isEmpty());
    const platform::ZipArchive zip = platform::ZipArchive::openBytes(bytes);
    ASSERT_TRUE(zip.isOpen());
    const QStringList expected = {
        "WatercolorTextureBest.jpg", "OldWatercolorTexture.jpg", "PaperTexture.jpg", "OilPaintingTexture.jpg",
        "DefaultImage.jpg", "WatercolorTexture.jpg", "ClothTexture.jpg", "PencilTexture.jpg", "OldFilmTexture.jpg",
        "VCLwatercolortexture.jpg", "TL_Canvas.jpg", "TL_Paper.jpg", "TL_Impasto.jpg", "TL_watercolor.jpg",
        "TL_cardboard.jpg", "TL_fabric.jpg"};
    ASSERT_EQ(zip.names(), expected);
    for (const QString& name : expected) {
        const QByteArray member = zip.read(name);
        ASSERT_GT(member.size(), 100) << name.toStdString();
        EXPECT_TRUE(member.startsWith("\xFF\xD8")) << name.toStdString() << " is no JPEG";
        // Stored members appear verbatim in the archive.
        EXPECT_GE(bytes.indexOf(member), 0) << name.toStdString() << " is compressed";
    }
}

TEST(BuiltInImages, RepositoryPicturesHaveTheirSizes)
{
    const pq::ImageRepository& form = LoadedRepository();
    EXPECT_EQ(form.defaultImage.size(), QSize(960, 1440));
    EXPECT_EQ(form.watercolorTexture.size(), QSize(1024, 1024));
    EXPECT_EQ(form.pencilTexture.size(), QSize(512, 166));
    EXPECT_EQ(form.oldFilmTexture.size(), QSize(2904, 2064));
    EXPECT_EQ(form.vcLwatercolortexture.size(), QSize(1024, 768));
    EXPECT_EQ(form.defaultBrushes.size(), QSize(2048, 1536));
    EXPECT_EQ(form.pastelBrushes.size(), QSize(2048, 512));
    EXPECT_EQ(form.watercolorBrushes.size(), QSize(2048, 768));
    EXPECT_EQ(form.templateMatchingBrushes.size(), QSize(1250, 2000));
    EXPECT_EQ(form.paintBrushSim.size(), QSize(80, 80));
    EXPECT_EQ(form.paintBrushSim2.size(), QSize(54, 56));
    EXPECT_EQ(form.paintBrushSim3.size(), QSize(38, 39));
    EXPECT_TRUE(form.brushes.sameAs(form.defaultBrushes) || form.brushes.size() == QSize(2048, 1536));

    ASSERT_EQ(form.textureList.size(), 6u);
    const QStringList textures = {"Canvas", "Paper", "Impasto", "watercolor", "cardboard", "fabric"};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(form.textureList[i].name, textures[int(i)]);
        EXPECT_EQ(form.textureList[i].image.size(), QSize(1024, 1024)) << textures[int(i)].toStdString();
    }

    ASSERT_EQ(form.watercolorTexturePixels.size(), 1024u);
    ASSERT_EQ(form.watercolorTexturePixels[0].size(), 1024u);
    const gfx::Pixel p = form.watercolorTexture.pixel(17, 300);
    const int lum = int(std::nearbyint(0.299 * ((p >> 16) & 255) + 0.587 * ((p >> 8) & 255) + 0.114 * (p & 255)));
    EXPECT_EQ(form.watercolorTexturePixels[300][17], lum);
}

TEST(BuiltInImages, BrushSheetsKeepEveryCellThatHoldsABrush)
{
    const pq::ImageRepository& form = LoadedRepository();
    struct Sheet {
        const gfx::Image* image;
        int brushes;
        const char* name;
    };
    for (const Sheet& s : {Sheet{&form.defaultBrushes, 40, "default"}, Sheet{&form.pastelBrushes, 16, "pastel"},
                           Sheet{&form.watercolorBrushes, 24, "watercolour"}}) {
        const int cells = (s.image->height() / 256) * 8;
        for (int i = 0; i < cells; ++i) {
            const QRect r = pq::BrushCellRect(i);
            if (i < s.brushes) {
                EXPECT_TRUE(CellKept(*s.image, i)) << s.name << " cell " << i;
                // Marks are turned by their own axis, so they must have one.
                EXPECT_GT(Elongation(*s.image, r, false), 1.8) << s.name << " cell " << i;
                // Soft, textured alpha rather than a flat cut-out.
                std::set<int> levels;
                for (int y = r.top(); y <= r.bottom(); y += 3)
                    for (int x = r.left(); x <= r.right(); x += 3)
                        levels.insert(AlphaAt(*s.image, x, y) / 16);
                EXPECT_GE(levels.size(), 8u) << s.name << " cell " << i;
                // Nothing touches the cell's border, so neighbours never bleed.
                for (int k = 0; k < 256; ++k) {
                    EXPECT_EQ(AlphaAt(*s.image, r.left() + k, r.top()), 0);
                    EXPECT_EQ(AlphaAt(*s.image, r.left(), r.top() + k), 0);
                }
            } else {
                EXPECT_TRUE(CellEmpty(*s.image, r)) << s.name << " cell " << i;
            }
        }
    }
}

TEST(BuiltInImages, TemplateAtlasHoldsDarkMarksOnWhite)
{
    const gfx::Image& atlas = LoadedRepository().templateMatchingBrushes;
    ASSERT_EQ(atlas.size(), QSize(1250, 2000));
    EXPECT_TRUE(atlas.isOpaque());
    for (int i = 0; i < 40; ++i) {
        const QRect r(250 * (i % 5), 250 * (i / 5), 250, 250);
        int darkest = 255;
        bool whiteRim = true;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const int g = int((atlas.pixel(x, y) >> 8) & 255);
                darkest = std::min(darkest, g);
                if ((x == r.left() || y == r.top() || x == r.right() || y == r.bottom()) && atlas.pixel(x, y) != 0xFFFFFFFFu)
                    whiteRim = false;
            }
        EXPECT_TRUE(whiteRim) << "cell " << i;
        if (i >= 38) {
            EXPECT_EQ(darkest, 255) << "cell " << i << " should be blank";
        } else {
            EXPECT_LT(darkest, 60) << "cell " << i;
            EXPECT_GT(Elongation(atlas, r, true), 1.8) << "cell " << i;
        }
    }
}

TEST(BuiltInImages, BrushTipsAreSoft)
{
    const pq::ImageRepository& form = LoadedRepository();
    for (const gfx::Image* tip : {&form.paintBrushSim, &form.paintBrushSim2, &form.paintBrushSim3}) {
        const int cx = tip->width() / 2, cy = tip->height() / 2;
        EXPECT_GT(AlphaAt(*tip, cx, cy), 150);
        EXPECT_EQ(AlphaAt(*tip, 0, 0), 0);
        int partial = 0;
        for (int y = 0; y < tip->height(); ++y)
            for (int x = 0; x < tip->width(); ++x)
                partial += AlphaAt(*tip, x, y) > 0 && AlphaAt(*tip, x, y) < 200;
        EXPECT_GT(partial, tip->width() * tip->height() / 20);
    }
}

TEST(BuiltInImages, FramesHaveOpaqueBordersAroundATransparentOpening)
{
    const pq::ImageRepository& form = LoadedRepository();
    const QSize sizes[9] = {{2225, 2196}, {2244, 2424}, {1122, 1212}, {816, 1456}, {2260, 3000},
                            {1100, 1100}, {1957, 2331}, {100, 100},   {2138, 2128}};
    ASSERT_EQ(form.frameList.size(), 9u);
    for (int n = 0; n < 9; ++n) {
        const pq::NamedImage& item = form.frameList[size_t(n)];
        EXPECT_EQ(item.name, QString::number(n + 1));
        const gfx::Image& f = item.image;
        ASSERT_EQ(f.size(), sizes[n]) << "frame " << n + 1;
        const int cx = f.width() / 2, cy = f.height() / 2;
        EXPECT_EQ(AlphaAt(f, cx, cy), 0) << "frame " << n + 1;
        // The opening as frame composition finds it: from the centre out to
        // the first pixel with alpha above 250; beyond it only frame.
        auto check = [&](int dx, int dy) {
            int x = cx, y = cy;
            while (x >= 0 && y >= 0 && x < f.width() && y < f.height() && AlphaAt(f, x, y) <= 250) {
                EXPECT_EQ(AlphaAt(f, x, y), 0) << "frame " << n + 1 << " has a translucent opening edge";
                x += dx;
                y += dy;
            }
            const int border = dx ? (dx < 0 ? x + 1 : f.width() - x) : (dy < 0 ? y + 1 : f.height() - y);
            EXPECT_GE(border, std::max(4, std::min(f.width(), f.height()) / 25)) << "frame " << n + 1;
            EXPECT_LE(border, std::min(f.width(), f.height()) / 3) << "frame " << n + 1;
            for (; x >= 0 && y >= 0 && x < f.width() && y < f.height(); x += dx, y += dy)
                EXPECT_GT(AlphaAt(f, x, y), 250) << "frame " << n + 1;
        };
        check(-1, 0);
        check(1, 0);
        check(0, -1);
        check(0, 1);
        EXPECT_GT(AlphaAt(f, 0, 0), 250);
        EXPECT_GT(AlphaAt(f, f.width() - 1, f.height() - 1), 250);
    }
    EXPECT_TRUE(form.selectedFrame.sameAs(form.frameList[1].image));
}

TEST(BuiltInImages, TexturesTileAndSitNearMidGrey)
{
    const pq::ImageRepository& form = LoadedRepository();
    std::vector<const gfx::Image*> textures = {&form.watercolorTexture, &form.vcLwatercolortexture, &form.oldFilmTexture};
    for (const pq::NamedImage& item : form.textureList)
        textures.push_back(&item.image);
    for (size_t i = 0; i < textures.size(); ++i) {
        const gfx::Image* t = textures[i];
        auto lum = [&](int x, int y) {
            const gfx::Pixel p = t->pixel(x, y);
            return 0.299 * ((p >> 16) & 255) + 0.587 * ((p >> 8) & 255) + 0.114 * (p & 255);
        };
        double sum = 0;
        for (int y = 0; y < t->height(); ++y)
            for (int x = 0; x < t->width(); ++x)
                sum += lum(x, y);
        const double mean = sum / (double(t->width()) * t->height());
        EXPECT_GT(mean, 95) << "texture " << i;
        EXPECT_LT(mean, 170) << "texture " << i;
        // The step across the wrap-around is an ordinary step: no larger
        // than the usual large steps inside (woven textures have regular
        // strong steps between threads), in both directions.
        const int w = t->width(), h = t->height();
        auto typicalLargeStep = [](std::vector<double> steps) {
            std::sort(steps.begin(), steps.end());
            return steps[steps.size() * 95 / 100];
        };
        std::vector<double> rows(size_t(h), 0.0), cols(size_t(w), 0.0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                rows[size_t(y)] += std::abs(lum(x, y) - lum(x, (y + 1) % h));
                cols[size_t(x)] += std::abs(lum(x, y) - lum((x + 1) % w, y));
            }
        const double seamRow = rows.back(), seamCol = cols.back();
        rows.pop_back();
        cols.pop_back();
        EXPECT_LE(seamRow, typicalLargeStep(rows) * 1.25 + 1) << "texture " << i;
        EXPECT_LE(seamCol, typicalLargeStep(cols) * 1.25 + 1) << "texture " << i;
    }
}

TEST(BuiltInImages, PencilTextureRunsFromDarkToWhite)
{
    const gfx::Image& t = LoadedRepository().pencilTexture;
    auto columnMean = [&](int x0, int x1) {
        double s = 0;
        for (int y = 0; y < t.height(); ++y)
            for (int x = x0; x < x1; ++x)
                s += (t.pixel(x, y) >> 8) & 255;
        return s / (double(t.height()) * (x1 - x0));
    };
    // Column c serves pixels of brightness about c / 2.
    for (int c = 0; c + 32 <= 512; c += 32)
        EXPECT_NEAR(columnMean(c, c + 32), (c + 16) / 2.0, 16.0) << "columns " << c;
}

class WatercolorSamples : public ::testing::Test {
protected:
    void SetUp() override { saved = pq::Repository().vcLwatercolortexture; }
    void TearDown() override { pq::Repository().vcLwatercolortexture = saved; }
    static gfx::Image paper(int w, int h)
    {
        QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, qRgb((x * 7 + y * 3) % 200, 9, 9));
        return gfx::Image::adopt(std::move(img));
    }
    gfx::Image saved;
};

TEST_F(WatercolorSamples, SmallPaperFillsItsCornerAndLeaves128)
{
    pq::Repository().vcLwatercolortexture = paper(512, 512);
    const auto table = pq::LoadWatercolorTextureSamples();
    ASSERT_TRUE(table->loaded);
    int64_t sum = 0;
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            if (x < 512 && y < 512) {
                ASSERT_EQ(table->at(x, y), (x * 7 + y * 3) % 200);
                sum += table->at(x, y);
            } else {
                ASSERT_EQ(table->at(x, y), 128);
            }
        }
    EXPECT_EQ(table->mean, int(sum / (512 * 512)));
}

TEST_F(WatercolorSamples, LargePaperFillsTheWholeTable)
{
    pq::Repository().vcLwatercolortexture = paper(2048, 1024);
    const auto table = pq::LoadWatercolorTextureSamples();
    ASSERT_TRUE(table->loaded);
    EXPECT_EQ(table->at(1023, 767), (1023 * 7 + 767 * 3) % 200);
    pq::Repository().vcLwatercolortexture = paper(1, 300);
    EXPECT_EQ(pq::LoadWatercolorTextureSamples()->mean, 128);
    pq::Repository().vcLwatercolortexture = gfx::Image();
    EXPECT_FALSE(pq::LoadWatercolorTextureSamples()->loaded);
}

TEST_F(WatercolorSamples, ConcurrentRunsShareOneTable)
{
    pq::Repository().vcLwatercolortexture = paper(300, 200);
    std::vector<std::shared_ptr<const pq::WatercolorTextureSamples>> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = pq::LoadWatercolorTextureSamples(); });
    for (auto& t : threads)
        t.join();
    for (const auto& s : seen)
        EXPECT_EQ(s.get(), seen[0].get());
    // Asking again for the same paper neither refills nor replaces it.
    EXPECT_EQ(pq::LoadWatercolorTextureSamples().get(), seen[0].get());
}

} // namespace
