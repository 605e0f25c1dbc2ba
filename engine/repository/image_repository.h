#pragma once

#include "gfx/image.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

namespace platform {
class UiBridge;
}

namespace pq {

// One named entry of an image list (frames, textures).
struct NamedImage {
    QString name;
    gfx::Image image;
};

using IntGrid = std::vector<std::vector<int>>;

// Limits on user brush files, so that a hostile archive cannot exhaust
// memory: at most this many brushes, bytes per file or member, bytes per
// zip archive, and pixels per decoded brush.
constexpr int kMaxBrushes = 256;
constexpr qint64 kMaxBrushFileBytes = 32ll * 1024 * 1024;
constexpr qint64 kMaxBrushArchiveBytes = 256ll * 1024 * 1024;
constexpr int kMaxBrushSide = 8192;
constexpr qint64 kMaxBrushPixels = 32ll * 1024 * 1024;

// The built-in pictures, decoded from the program's two embedded archives.
// Decoding runs on any thread (in parallel); ImageRepository::install puts the result
// into the repository on the UI thread.
struct BuiltInImages {
    // Archive members in the order LoadEmbeddedImages reads them; members
    // that are missing or do not decode are null, and reading stops at the
    // first missing one.
    std::vector<std::pair<QString, gfx::Image>> archive;
    bool archiveFound = false;
    // Pictures of the form archive by name ("DefaultBrushes", "Frame_2", ...).
    std::vector<std::pair<QString, gfx::Image>> form;
    // Members left out for want of memory; install names them on stderr
    // and starts without them.
    QStringList shortOfMemory;
};

// Never throws: what cannot be decoded, for want of memory too, is left out.
BuiltInImages DecodeBuiltInImages();

// The program's store of built-in images: brush sheets, stamp brushes,
// paper and film textures, texture and frame lists, the default photo.
// One instance, reached through Repository(). Its images are changed on the UI
// thread only. The two images that workers read in place, the film texture
// and the watercolour paper, are read through sharedImage(), which guards
// them against a concurrent install (one lock for the whole repository).
class ImageRepository {
public:
    ImageRepository();

    gfx::Image defaultImage;
    gfx::Image watercolorTexture;
    gfx::Image selectedFrame;
    gfx::Image brushes;
    gfx::Image defaultBrushes;
    gfx::Image watercolorBrushes;
    gfx::Image pencilTexture;
    std::vector<NamedImage> frameList;
    gfx::Image templateMatchingBrushes;
    std::vector<NamedImage> textureList;
    gfx::Image pastelBrushes;
    gfx::Image oldFilmTexture;
    gfx::Image paintBrushSim;
    gfx::Image paintBrushSim2;
    gfx::Image paintBrushSim3;
    gfx::Image vcLwatercolortexture;
    IntGrid watercolorTexturePixels;

    // Start-up that decodes nothing: each built-in picture is decoded the
    // first time sharedImage reads it, the frame and texture lists the
    // first time ensureLists runs (once each, from any thread). For tools
    // that use a few materials of one run; a field read in place before
    // then is null.
    void createOnDemand();
    // In on-demand start-up, decodes the frame and texture lists unless
    // they are; otherwise does nothing.
    void ensureLists();
    // How many built-in pictures this process has decoded so far.
    static int decodedCount();

    // Start-up loading, UI thread: the form pictures, LoadEmbeddedImages,
    // then LoadTextures. Decoding runs on the thread pool; call it once the
    // event loop runs so that the splash is not held up.
    void create();
    // The same in two steps: decode anywhere, install on the UI thread.
    void install(const BuiltInImages& images);
    // Start-up without waiting: decodes on a background thread, then
    // installs through the bridge's queue and calls `done` there (UI
    // thread). Returns at once; call it once the event loop runs.
    void createInBackground(platform::UiBridge& bridge, std::function<void()> done = {});

    // Fills the archive pictures (default photo, textures, papers) from the
    // built-in archive; stops quietly at a missing or damaged member.
    void loadEmbeddedImages();
    // Luminance grid of WatercolorTexture.
    void loadTextures();

    // Lays the brushes of the named .png files and of the .png members of
    // the named .zip archives into a sheet of 256-pixel cells, 8 per row,
    // makes it the active sheet `Brushes` and returns the count. Returns 0
    // and leaves `Brushes` as it was when no brush loads. Files, archives
    // and members that cannot be read or lie beyond the size limits are
    // skipped, the first reason going to *error; more brushes than
    // kMaxBrushes end the call with 0 and a message.
    int loadBrushesToRepository(const QStringList& fileNames, QString* error = nullptr);

    // A copy of one image field, safe to call from any thread; in
    // on-demand start-up it decodes the field's picture first if need be.
    gfx::Image sharedImage(gfx::Image ImageRepository::*field);

    // True once create or install has run.
    bool loaded() const;

private:
    void setImage(gfx::Image ImageRepository::*field, const gfx::Image& image);
    void installArchive(const BuiltInImages& images);
    void installForm(const BuiltInImages& images);
    void decodePending(gfx::Image ImageRepository::*field);

    bool loaded_ = false;
    // On-demand start-up: the fields not decoded yet, and the lists.
    std::vector<gfx::Image ImageRepository::*> pending_;
    bool listsPending_ = false;
};

ImageRepository& Repository();

// Names of the frames and textures of the built-in lists, in list order.
const QStringList& BuiltInFrameNames();
const QStringList& BuiltInTextureNames();

} // namespace pq
