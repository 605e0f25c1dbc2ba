#include "engine/repository/image_repository.h"

#include "engine/repository/brush_sheet.h"
#include "gfx/codec.h"
#include "gfx/luma.h"
#include "platform/bounded_file.h"
#include "platform/embedded.h"
#include "platform/numeric.h"
#include "platform/run_context.h"
#include "platform/thread_pool.h"
#include "platform/ui_bridge.h"
#include "platform/zip_archive.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>

namespace pq {

namespace {

// Guards the image fields that workers read in place.
std::mutex& RepositoryMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Serialises on-demand decoding, so that each picture is decoded once.
std::mutex& DecodeMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::atomic<int> gDecoded{0};

constexpr const char* kImagesResource = "PASTELLOQUIN_IMAGES";
constexpr const char* kFormResource = "PASTELLOQUIN_FORM_IMAGES";

// Archive pictures read by LoadEmbeddedImages, in its order.
const QStringList& ArchiveImageNames()
{
    static const QStringList kNames = {QStringLiteral("DefaultImage"), QStringLiteral("WatercolorTexture"),
                                      QStringLiteral("PencilTexture"), QStringLiteral("OldFilmTexture"),
                                      QStringLiteral("VCLwatercolortexture")};
    return kNames;
}

const QStringList& FormImageNames()
{
    static const QStringList kNames = [] {
        QStringList n = {QStringLiteral("DefaultBrushes"), QStringLiteral("PastelBrushes"),
                         QStringLiteral("WatercolorBrushes"), QStringLiteral("TemplateMatchingBrushes"),
                         QStringLiteral("PaintBrushSim"), QStringLiteral("PaintBrushSim2"),
                         QStringLiteral("PaintBrushSim3")};
        for (const QString& frame : BuiltInFrameNames())
            n << QStringLiteral("Frame_") + frame;
        return n;
    }();
    return kNames;
}

gfx::Image ImageRepository::*ArchiveField(const QString& name)
{
    if (name == QLatin1String("DefaultImage"))
        return &ImageRepository::defaultImage;
    if (name == QLatin1String("WatercolorTexture"))
        return &ImageRepository::watercolorTexture;
    if (name == QLatin1String("PencilTexture"))
        return &ImageRepository::pencilTexture;
    if (name == QLatin1String("OldFilmTexture"))
        return &ImageRepository::oldFilmTexture;
    if (name == QLatin1String("VCLwatercolortexture"))
        return &ImageRepository::vcLwatercolortexture;
    return nullptr;
}

// Runs `step` in a run of its own; true when memory ran short in it (an
// allocation failure noted by the lower layers, or std::bad_alloc).
template <typename Step>
bool ShortOfMemory(Step&& step)
{
    platform::RunContext run;
    platform::ScopedRunContext scope(&run);
    try {
        step();
    } catch (const std::bad_alloc&) {
        return true;
    }
    return run.outOfMemory.load();
}

// Reads the named members of an archive in order and decodes them on the
// thread pool. Reading stops at the first member that is missing when
// `stopAtMissing` is set; missing or undecodable members give null images.
// Members that could not be read or decoded for want of memory are named
// in `shortOfMemory`.
std::vector<std::pair<QString, gfx::Image>> DecodeMembers(const platform::ZipArchive& zip, const QStringList& names,
                                                          const QString& extension, bool stopAtMissing,
                                                          QStringList& shortOfMemory)
{
    std::vector<std::pair<QString, gfx::Image>> out;
    std::vector<QByteArray> bytes;
    std::vector<char> failed;
    for (const QString& name : names) {
        QByteArray data;
        const bool tooLittle = ShortOfMemory([&] { data = zip.read(name + extension); });
        const bool missing = data.isEmpty();
        out.emplace_back(name, gfx::Image());
        bytes.push_back(std::move(data));
        failed.push_back(tooLittle);
        if (missing && stopAtMissing)
            break;
    }
    platform::ParallelFor(0, int(bytes.size()), [&](int i) {
        QByteArray& data = bytes[size_t(i)];
        if (!data.isEmpty() && ShortOfMemory([&] { out[size_t(i)].second = gfx::DecodeData(data); }))
            failed[size_t(i)] = true;
        if (!data.isEmpty())
            gDecoded.fetch_add(1);
        data = QByteArray(); // the compressed bytes go as soon as they are decoded
    });
    for (size_t i = 0; i < out.size(); ++i)
        if (failed[i])
            shortOfMemory << out[i].first;
    return out;
}

// Decodes one user brush, refusing pictures above the pixel limits before
// any pixel is decoded. Null when the bytes are no loadable picture.
gfx::Image DecodeBrush(const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxBrushSide || size.height() > kMaxBrushSide ||
        qint64(size.width()) * size.height() > kMaxBrushPixels)
        return {};
    return gfx::DecodeData(bytes);
}

QString TooLargeMessage(const QString& what, qint64 limit)
{
    return QStringLiteral("%1 is larger than %2 MB and was not loaded.").arg(what).arg(limit / (1024 * 1024));
}

QString TooManyMessage()
{
    return QStringLiteral("Too many brushes: a brush sheet holds at most %1.").arg(kMaxBrushes);
}

} // namespace

const QStringList& BuiltInFrameNames()
{
    static const QStringList kNames = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                      QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                                      QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9")};
    return kNames;
}

const QStringList& BuiltInTextureNames()
{
    static const QStringList kNames = {QStringLiteral("Canvas"),     QStringLiteral("Paper"),
                                      QStringLiteral("Impasto"),    QStringLiteral("watercolor"),
                                      QStringLiteral("cardboard"),  QStringLiteral("fabric")};
    return kNames;
}

namespace {

BuiltInImages DecodeBuiltInImagesOrThrow()
{
    BuiltInImages result;
    const QByteArray images = platform::EmbeddedResource(QString::fromLatin1(kImagesResource));
    if (!images.isEmpty()) {
        const platform::ZipArchive zip = platform::ZipArchive::openBytes(images);
        if (zip.isOpen()) {
            result.archiveFound = true;
            QStringList names = ArchiveImageNames();
            for (const QString& texture : BuiltInTextureNames())
                names << QStringLiteral("TL_") + texture;
            result.archive = DecodeMembers(zip, names, QStringLiteral(".jpg"), true, result.shortOfMemory);
        }
    }
    const QByteArray form = platform::EmbeddedResource(QString::fromLatin1(kFormResource));
    if (!form.isEmpty()) {
        const platform::ZipArchive zip = platform::ZipArchive::openBytes(form);
        if (zip.isOpen())
            result.form = DecodeMembers(zip, FormImageNames(), QStringLiteral(".png"), false, result.shortOfMemory);
    }
    return result;
}

// The archive member each image field is decoded from on demand: the
// resource, the member and its extension.
struct FieldSource {
    gfx::Image ImageRepository::*field;
    const char* resource;
    const char* member;
};

const std::vector<FieldSource>& FieldSources()
{
    static const std::vector<FieldSource> kSources = {
        {&ImageRepository::defaultImage, kImagesResource, "DefaultImage.jpg"},
        {&ImageRepository::watercolorTexture, kImagesResource, "WatercolorTexture.jpg"},
        {&ImageRepository::pencilTexture, kImagesResource, "PencilTexture.jpg"},
        {&ImageRepository::oldFilmTexture, kImagesResource, "OldFilmTexture.jpg"},
        {&ImageRepository::vcLwatercolortexture, kImagesResource, "VCLwatercolortexture.jpg"},
        {&ImageRepository::defaultBrushes, kFormResource, "DefaultBrushes.png"},
        {&ImageRepository::pastelBrushes, kFormResource, "PastelBrushes.png"},
        {&ImageRepository::watercolorBrushes, kFormResource, "WatercolorBrushes.png"},
        {&ImageRepository::templateMatchingBrushes, kFormResource, "TemplateMatchingBrushes.png"},
        {&ImageRepository::paintBrushSim, kFormResource, "PaintBrushSim.png"},
        {&ImageRepository::paintBrushSim2, kFormResource, "PaintBrushSim2.png"},
        {&ImageRepository::paintBrushSim3, kFormResource, "PaintBrushSim3.png"},
        {&ImageRepository::selectedFrame, kFormResource, "Frame_2.png"},
    };
    return kSources;
}

// One member of an embedded archive, decoded; null when it is missing,
// does not decode or memory runs short.
gfx::Image DecodeMember(const char* resource, const QString& member)
{
    gfx::Image image;
    ShortOfMemory([&] {
        const platform::ZipArchive zip =
            platform::ZipArchive::openBytes(platform::EmbeddedResource(QString::fromLatin1(resource)));
        if (!zip.isOpen())
            return;
        const QByteArray bytes = zip.read(member);
        if (bytes.isEmpty())
            return;
        gDecoded.fetch_add(1);
        image = gfx::DecodeData(bytes);
    });
    return image;
}

} // namespace

BuiltInImages DecodeBuiltInImages()
{
    try {
        return DecodeBuiltInImagesOrThrow();
    } catch (const std::bad_alloc&) {
        // Not even the lists could be made: start with none of them.
        BuiltInImages none;
        none.shortOfMemory << QStringLiteral("all built-in pictures");
        return none;
    }
}

ImageRepository::ImageRepository()
{
    for (const QString& name : BuiltInFrameNames())
        frameList.push_back({name, {}});
    for (const QString& name : BuiltInTextureNames())
        textureList.push_back({name, {}});
}

ImageRepository& Repository()
{
    static ImageRepository instance;
    return instance;
}

gfx::Image ImageRepository::sharedImage(gfx::Image ImageRepository::*field)
{
    decodePending(field);
    std::lock_guard<std::mutex> lock(RepositoryMutex());
    return this->*field;
}

int ImageRepository::decodedCount()
{
    return gDecoded.load();
}

void ImageRepository::createOnDemand()
{
    std::lock_guard<std::mutex> decode(DecodeMutex());
    std::lock_guard<std::mutex> lock(RepositoryMutex());
    pending_.clear();
    for (const FieldSource& source : FieldSources()) {
        this->*source.field = {};
        pending_.push_back(source.field);
    }
    for (NamedImage& item : frameList)
        item.image = {};
    for (NamedImage& item : textureList)
        item.image = {};
    watercolorTexturePixels.clear();
    listsPending_ = true;
    loaded_ = true;
}

void ImageRepository::decodePending(gfx::Image ImageRepository::*field)
{
    std::lock_guard<std::mutex> decode(DecodeMutex());
    const auto at = std::find(pending_.begin(), pending_.end(), field);
    if (at == pending_.end())
        return;
    pending_.erase(at);
    for (const FieldSource& source : FieldSources())
        if (source.field == field)
            setImage(field, DecodeMember(source.resource, QString::fromLatin1(source.member)));
    if (field == &ImageRepository::watercolorTexture)
        loadTextures();
}

void ImageRepository::ensureLists()
{
    std::lock_guard<std::mutex> decode(DecodeMutex());
    if (!listsPending_)
        return;
    listsPending_ = false;
    for (NamedImage& item : frameList)
        item.image = DecodeMember(kFormResource, QStringLiteral("Frame_") + item.name + QStringLiteral(".png"));
    for (NamedImage& item : textureList)
        item.image = DecodeMember(kImagesResource, QStringLiteral("TL_") + item.name + QStringLiteral(".jpg"));
}

void ImageRepository::setImage(gfx::Image ImageRepository::*field, const gfx::Image& image)
{
    std::lock_guard<std::mutex> lock(RepositoryMutex());
    this->*field = image;
}

bool ImageRepository::loaded() const
{
    std::lock_guard<std::mutex> lock(RepositoryMutex());
    return loaded_;
}

void ImageRepository::create()
{
    install(DecodeBuiltInImages());
}

void ImageRepository::createInBackground(platform::UiBridge& bridge, std::function<void()> done)
{
    // Qt's global pool waits for its tasks when the application ends.
    QThreadPool::globalInstance()->start([this, &bridge, done = std::move(done)] {
        try {
            auto images = std::make_shared<BuiltInImages>(DecodeBuiltInImages());
            bridge.post([this, images, done] {
                install(*images);
                if (done)
                    done();
            });
        } catch (const std::bad_alloc&) {
            platform::LogError("built-in pictures", "not enough memory; starting without them");
        }
    });
}

void ImageRepository::install(const BuiltInImages& images)
{
    if (!images.shortOfMemory.isEmpty()) {
        const QByteArray missing =
            (QStringLiteral("not enough memory; starting without ") + images.shortOfMemory.join(QStringLiteral(", ")))
                .toLocal8Bit();
        platform::LogError("built-in pictures", missing.constData());
    }
    {
        std::lock_guard<std::mutex> decode(DecodeMutex());
        pending_.clear();
        listsPending_ = false;
    }
    installForm(images);
    installArchive(images);
    loadTextures();
    std::lock_guard<std::mutex> lock(RepositoryMutex());
    loaded_ = true;
}

void ImageRepository::installForm(const BuiltInImages& images)
{
    for (const auto& [name, image] : images.form) {
        if (image.isNull())
            continue;
        if (name == QLatin1String("DefaultBrushes")) {
            defaultBrushes = image;
            brushes = image;
        } else if (name == QLatin1String("PastelBrushes")) {
            pastelBrushes = image;
        } else if (name == QLatin1String("WatercolorBrushes")) {
            watercolorBrushes = image;
        } else if (name == QLatin1String("TemplateMatchingBrushes")) {
            templateMatchingBrushes = image;
        } else if (name == QLatin1String("PaintBrushSim")) {
            paintBrushSim = image;
        } else if (name == QLatin1String("PaintBrushSim2")) {
            paintBrushSim2 = image;
        } else if (name == QLatin1String("PaintBrushSim3")) {
            paintBrushSim3 = image;
        } else if (name.startsWith(QLatin1String("Frame_"))) {
            const QString frame = name.mid(6);
            for (NamedImage& item : frameList)
                if (item.name == frame)
                    item.image = image;
            if (frame == QLatin1String("2"))
                selectedFrame = image;
        }
    }
}

void ImageRepository::installArchive(const BuiltInImages& images)
{
    // As LoadEmbeddedImages reads the archive: in order, and the first
    // missing or undecodable member ends the loading quietly.
    if (!images.archiveFound)
        return;
    auto find = [&](const QString& name) -> const gfx::Image* {
        for (const auto& [member, image] : images.archive)
            if (member == name)
                return &image;
        return nullptr;
    };
    for (const QString& name : ArchiveImageNames()) {
        const gfx::Image* image = find(name);
        if (!image || image->isNull())
            return;
        setImage(ArchiveField(name), *image);
    }
    for (NamedImage& item : textureList) {
        const gfx::Image* image = find(QStringLiteral("TL_") + item.name);
        if (!image || image->isNull())
            return;
        item.image = *image;
    }
}

void ImageRepository::loadEmbeddedImages()
{
    BuiltInImages images;
    const QByteArray bytes = platform::EmbeddedResource(QString::fromLatin1(kImagesResource));
    if (!bytes.isEmpty()) {
        const platform::ZipArchive zip = platform::ZipArchive::openBytes(bytes);
        if (zip.isOpen()) {
            images.archiveFound = true;
            QStringList names = ArchiveImageNames();
            for (const NamedImage& item : textureList)
                names << QStringLiteral("TL_") + item.name;
            images.archive = DecodeMembers(zip, names, QStringLiteral(".jpg"), true, images.shortOfMemory);
        }
    }
    installArchive(images);
}

void ImageRepository::loadTextures()
{
    const gfx::Image& tex = watercolorTexture;
    if (tex.isNull() || tex.width() <= 0 || tex.height() <= 0)
        return;
    IntGrid grid(static_cast<size_t>(tex.height()), std::vector<int>(static_cast<size_t>(tex.width())));
    platform::ParallelFor(0, tex.height(), [&](int y) {
        const gfx::Pixel* row = tex.row(y);
        std::vector<int>& out = grid[size_t(y)];
        for (int x = 0; x < tex.width(); ++x) {
            const gfx::Pixel p = row[x];
            out[size_t(x)] = platform::Round(gfx::Luma601((p >> 16) & 255, (p >> 8) & 255, p & 255));
        }
    });
    watercolorTexturePixels = std::move(grid);
}

int ImageRepository::loadBrushesToRepository(const QStringList& fileNames, QString* error)
{
    // Files, archives and members that cannot be read are skipped; the
    // first reason is kept for the caller.
    QString reason;
    auto skip = [&](const QString& message) {
        if (reason.isEmpty())
            reason = message;
    };
    auto finish = [&](int count) {
        if (error)
            *error = reason;
        return count;
    };
    if (fileNames.isEmpty())
        return finish(0);

    // Each brush goes straight into a cell of its own, so that no more than
    // one full-size picture is held at a time.
    std::vector<gfx::Image> cells;
    auto add = [&](const QByteArray& bytes) -> bool {
        const gfx::Image brush = DecodeBrush(bytes);
        if (brush.isNull())
            return true; // skipped silently
        if (int(cells.size()) >= kMaxBrushes)
            return false;
        gfx::Image cell = BrushCell(brush);
        if (!cell.isNull())
            cells.push_back(std::move(cell));
        return true;
    };

    for (const QString& name : fileNames) {
        const QString ext = QFileInfo(name).suffix().toLower();
        if (ext == QLatin1String("zip")) {
            const qint64 size = QFileInfo(name).size();
            if (size > kMaxBrushArchiveBytes) {
                skip(TooLargeMessage(QStringLiteral("The brush archive \"%1\"").arg(name), kMaxBrushArchiveBytes));
                continue;
            }
            QString zipError;
            const platform::ZipArchive zip = platform::ZipArchive::openFile(name, &zipError, kMaxBrushArchiveBytes);
            if (!zip.isOpen()) {
                skip(QStringLiteral("Cannot open the brush archive \"%1\": %2").arg(name, zipError));
                continue;
            }
            const QStringList members = zip.names();
            for (int i = 0; i < members.size(); ++i) {
                if (QFileInfo(members[i]).suffix().toLower() != QLatin1String("png") || members[i].endsWith(QLatin1Char('/')))
                    continue;
                const qint64 memberSize = zip.entrySize(members[i]);
                if (memberSize > kMaxBrushFileBytes) {
                    skip(TooLargeMessage(QStringLiteral("The brush \"%1\" in \"%2\"").arg(members[i], name),
                                         kMaxBrushFileBytes));
                    continue;
                }
                zipError.clear();
                const QByteArray bytes = zip.readIndex(i, &zipError, kMaxBrushFileBytes);
                if (!zipError.isEmpty()) {
                    skip(QStringLiteral("Cannot read \"%1\" in the brush archive \"%2\": %3").arg(members[i], name, zipError));
                    continue;
                }
                if (!add(bytes)) {
                    reason = TooManyMessage();
                    return finish(0);
                }
            }
        } else if (ext == QLatin1String("png")) {
            const QFileInfo info(name);
            if (!info.exists())
                continue;
            if (info.isFile() && info.size() > kMaxBrushFileBytes) {
                skip(TooLargeMessage(QStringLiteral("The brush \"%1\"").arg(name), kMaxBrushFileBytes));
                continue;
            }
            QByteArray bytes;
            if (!platform::ReadRegularFile(name, kMaxBrushFileBytes, bytes))
                continue; // unreadable, a device or a pipe: skipped like a picture that does not load
            if (!add(bytes)) {
                reason = TooManyMessage();
                return finish(0);
            }
        }
    }
    if (cells.empty())
        return finish(0);
    const gfx::Image sheet = AssembleBrushSheet(cells);
    if (sheet.isNull())
        return finish(0);
    brushes = sheet;
    return finish(int(cells.size()));
}

} // namespace pq
