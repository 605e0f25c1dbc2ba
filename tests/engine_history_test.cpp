#include "engine/history/image_history.h"
#include "gfx/codec.h"
#include "gfx/surface.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using pq::ImageHistory;
using pq::SnapshotType;

namespace {

// An opaque picture carrying n in eight 8 x 8 blocks (bit b white), which
// survives JPEG.
gfx::Image Coded(int n)
{
    gfx::Surface s = gfx::Surface::make(64, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x)
            s.row(y)[x] = ((n >> (x / 8)) & 1) ? 0xFFFFFFFFu : 0xFF000000u;
    return s.snapshot();
}

int CodeOf(const gfx::Image& image)
{
    if (image.isNull() || image.width() != 64)
        return -1;
    int n = 0;
    for (int b = 0; b < 8; ++b)
        if (((image.pixel(b * 8 + 4, 4) >> 8) & 0xFF) > 128)
            n |= 1 << b;
    return n;
}

gfx::Image WithTransparentPixels(int w, int h, int count, int alpha = 0)
{
    gfx::Surface s = gfx::Surface::make(w, h);
    s.clear(Qt::white);
    for (int i = 0; i < count; ++i)
        s.row(i / w)[i % w] = gfx::Pixel(alpha) << 24 | (gfx::Pixel(alpha) * 0x010101u);
    return s.snapshot();
}

bool IsPng(const QByteArray& b)
{
    return b.startsWith("\x89PNG");
}
bool IsJpeg(const QByteArray& b)
{
    return b.startsWith("\xFF\xD8");
}

struct Step {
    int display = -1;
    int source = -1;
};

Step Undo(ImageHistory& h, bool* ok = nullptr)
{
    gfx::Image d, s;
    const bool r = h.undo(d, s);
    if (ok)
        *ok = r;
    return {CodeOf(d), CodeOf(s)};
}

Step Redo(ImageHistory& h, bool* ok = nullptr)
{
    gfx::Image d, s;
    const bool r = h.redo(d, s);
    if (ok)
        *ok = r;
    return {CodeOf(d), CodeOf(s)};
}

} // namespace

TEST(ImageHistory, OpaqueImagesAreStoredAsJpegQuality92)
{
    ImageHistory h;
    const gfx::Image img = Coded(0x5A);
    h.save(img, img);
    h.waitForEncoding();
    const auto snap = h.snapshotAt(0);
    ASSERT_TRUE(snap);
    EXPECT_TRUE(snap->encoded);
    EXPECT_TRUE(IsJpeg(snap->displayData));
    EXPECT_EQ(snap->displayData, gfx::Encode(img, gfx::ImageFormat::Jpeg, 92));
    EXPECT_EQ(snap->type, SnapshotType::SourceChange);
    EXPECT_EQ(h.memoryUsedBytes(), uint64_t(snap->displayData.size() + snap->sourceData.size()));
}

TEST(ImageHistory, TransparencyOfOnePixelInAThousandMakesAPng)
{
    // 100 x 20 = 2000 pixels: two non-opaque pixels are needed.
    EXPECT_FALSE(ImageHistory::hasTransparency(WithTransparentPixels(100, 20, 1)));
    EXPECT_TRUE(ImageHistory::hasTransparency(WithTransparentPixels(100, 20, 2)));
    EXPECT_TRUE(ImageHistory::hasTransparency(WithTransparentPixels(1, 1, 1, 254)));
    EXPECT_FALSE(ImageHistory::hasTransparency(gfx::Image()));

    ImageHistory h;
    h.save(WithTransparentPixels(100, 20, 1), {});
    h.save(WithTransparentPixels(100, 20, 2), {});
    h.save(WithTransparentPixels(1, 1, 1, 254), {});
    h.waitForEncoding();
    EXPECT_TRUE(IsJpeg(h.snapshotAt(2)->displayData));
    EXPECT_TRUE(IsPng(h.snapshotAt(1)->displayData));
    EXPECT_TRUE(IsPng(h.snapshotAt(0)->displayData));
    const gfx::Image back = ImageHistory::decodeSnapshotImage(h.snapshotAt(0)->displayData);
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.pixel(0, 0) >> 24, 254u);
}

TEST(ImageHistory, AHundredAndOneSavesKeepAHundredAndAllow99Undos)
{
    ImageHistory h;
    for (int n = 0; n <= 100; ++n)
        h.save(Coded(n), {});
    EXPECT_EQ(h.count(), 100);
    for (int k = 1; k <= 99; ++k) {
        bool ok = false;
        EXPECT_EQ(Undo(h, &ok).display, 100 - k);
        EXPECT_TRUE(ok);
    }
    bool ok = false;
    EXPECT_EQ(Undo(h, &ok).display, 1); // the oldest, again
    EXPECT_TRUE(ok);
    for (int k = 2; k <= 100; ++k)
        EXPECT_EQ(Redo(h).display, k);
    EXPECT_EQ(Redo(h, &ok).display, 100); // the newest, again
    EXPECT_TRUE(ok);
}

TEST(ImageHistory, UndoNeedsTwoSteps)
{
    ImageHistory h;
    gfx::Image d = Coded(1), s = Coded(2);
    EXPECT_FALSE(h.undo(d, s));
    EXPECT_TRUE(d.isNull() && s.isNull());
    h.save(Coded(3), {});
    d = Coded(1);
    EXPECT_FALSE(h.undo(d, s));
    EXPECT_TRUE(d.isNull() && s.isNull());
}

TEST(ImageHistory, SavingAfterTwoUndosDropsTheRedoBranch)
{
    ImageHistory h;
    for (int n = 0; n < 4; ++n)
        h.save(Coded(n), {});
    Undo(h);
    Undo(h);
    h.save(Coded(9), {});
    EXPECT_EQ(h.count(), 3);
    EXPECT_EQ(Redo(h).display, 9);
    EXPECT_EQ(Undo(h).display, 1);
    EXPECT_EQ(Undo(h).display, 0);
}

TEST(ImageHistory, ASourceIsStoredOncePerImageObject)
{
    ImageHistory h;
    const gfx::Image photo = Coded(200);
    h.save(Coded(1), photo);
    h.save(Coded(2), photo);
    const gfx::Image samePixels = Coded(200);
    h.save(Coded(3), samePixels);
    EXPECT_EQ(h.snapshotAt(2)->type, SnapshotType::SourceChange);
    EXPECT_EQ(h.snapshotAt(1)->type, SnapshotType::EffectChange);
    EXPECT_EQ(h.snapshotAt(0)->type, SnapshotType::SourceChange);

    const gfx::Image other = Coded(201);
    h.save(Coded(4), other);
    EXPECT_EQ(Undo(h).source, 200);
    EXPECT_EQ(Undo(h).source, 200);
    EXPECT_EQ(Redo(h).source, 200);
    EXPECT_EQ(Redo(h).source, 201);
}

TEST(ImageHistory, WithNoStoredSourceTheDisplayIsCopied)
{
    ImageHistory h;
    h.save(Coded(1), {});
    h.save(Coded(2), {});
    gfx::Image d, s;
    ASSERT_TRUE(h.undo(d, s));
    EXPECT_EQ(CodeOf(s), 1);
    EXPECT_FALSE(s.sameAs(d));
}

TEST(ImageHistory, TheOldestSourceMovesOnWhenTheRingOverwritesIt)
{
    ImageHistory h;
    const gfx::Image photo = Coded(250);
    for (int n = 0; n <= 100; ++n)
        h.save(Coded(n), photo); // only the first step stores the photo
    for (int k = 0; k < 99; ++k)
        Undo(h);
    const Step oldest = Undo(h);
    EXPECT_EQ(oldest.display, 1);
    EXPECT_EQ(oldest.source, 250); // not a copy of the display
    EXPECT_EQ(h.snapshotAt(99)->type, SnapshotType::SourceChange);
}

TEST(ImageHistory, ASourceDroppedWithTheRedoBranchIsStoredAgain)
{
    ImageHistory h;
    const gfx::Image first = Coded(100), second = Coded(101);
    h.save(Coded(1), first);
    h.save(Coded(2), second); // the only step holding `second`
    Undo(h);
    h.save(Coded(3), second); // drops step 2
    EXPECT_EQ(h.snapshotAt(0)->type, SnapshotType::SourceChange);
    EXPECT_EQ(Undo(h).source, 100);
    EXPECT_EQ(Redo(h).source, 101);
}

TEST(ImageHistory, UndoWorksBeforeEncodingFinishes)
{
    ImageHistory h;
    for (int n = 0; n < 30; ++n)
        h.save(Coded(n), Coded(n + 100));
    const Step s = Undo(h);
    EXPECT_EQ(s.display, 28);
    EXPECT_EQ(s.source, 128);
    h.waitForEncoding();
    EXPECT_TRUE(h.snapshotAt(0)->encoded);
}

TEST(ImageHistory, ClearEmptiesEverything)
{
    ImageHistory h;
    h.save(Coded(1), Coded(2));
    h.save(Coded(3), {});
    h.waitForEncoding();
    EXPECT_GT(h.memoryUsedBytes(), 0u);
    h.clear();
    EXPECT_EQ(h.memoryUsedBytes(), 0u);
    EXPECT_EQ(h.count(), 0);
    gfx::Image d, s;
    EXPECT_FALSE(h.redo(d, s));
    h.save(Coded(4), Coded(2));
    EXPECT_EQ(h.snapshotAt(0)->type, SnapshotType::SourceChange);
}

TEST(ImageHistory, TheSavedEventReportsTheSourceChangeAndItsErrorsAreSwallowed)
{
    ImageHistory h;
    std::vector<bool> changes;
    h.setOnImageSaved([&](const gfx::Image& d, const gfx::Image&, bool change) {
        changes.push_back(change);
        if (CodeOf(d) == 2)
            throw std::runtime_error("handler failed");
    });
    const gfx::Image photo = Coded(7);
    h.save(Coded(1), photo);
    h.save(Coded(2), photo);
    h.save(Coded(3), {});
    h.save(gfx::Image(), photo); // ignored: no event
    EXPECT_EQ(changes, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(h.count(), 3);
    // A null source where a change would be stored counts as no change.
    EXPECT_EQ(h.snapshotAt(0)->type, SnapshotType::EffectChange);
}

TEST(ImageHistory, SavesFromSeveralThreadsKeepTheRingConsistent)
{
    ImageHistory h;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&h, t] {
            for (int n = 0; n < 40; ++n)
                h.save(Coded((t * 40 + n) % 256), n % 10 == 0 ? Coded(t) : gfx::Image());
        });
    for (int i = 0; i < 50; ++i) {
        gfx::Image d, s;
        h.undo(d, s);
        h.redo(d, s);
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(h.count(), 100);
    h.waitForEncoding();
    for (int age = 0; age < 100; ++age)
        EXPECT_TRUE(h.snapshotAt(age)->encoded);
}
