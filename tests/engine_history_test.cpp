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
gfx::Image coded(int n)
{
    gfx::Surface s = gfx::Surface::make(64, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x)
            s.row(y)[x] = ((n >> (x / 8)) & 1) ? 0xFFFFFFFFu : 0xFF000000u;
    return s.snapshot();
}

int codeOf(const gfx::Image& image)
{
    if (image.isNull() || image.width() != 64)
        return -1;
    int n = 0;
    for (int b = 0; b < 8; ++b)
        if (((image.pixel(b * 8 + 4, 4) >> 8) & 0xFF) > 128)
            n |= 1 << b;
    return n;
}

gfx::Image withTransparentPixels(int w, int h, int count, int alpha = 0)
{
    gfx::Surface s = gfx::Surface::make(w, h);
    s.clear(Qt::white);
    for (int i = 0; i < count; ++i)
        s.row(i / w)[i % w] = gfx::Pixel(alpha) << 24 | (gfx::Pixel(alpha) * 0x010101u);
    return s.snapshot();
}

bool isPng(const QByteArray& b)
{
    return b.startsWith("\x89PNG");
}
bool isJpeg(const QByteArray& b)
{
    return b.startsWith("\xFF\xD8");
}

struct Step {
    int display = -1;
    int source = -1;
};

Step undo(ImageHistory& h, bool* ok = nullptr)
{
    gfx::Image d, s;
    const bool r = h.Undo(d, s);
    if (ok)
        *ok = r;
    return {codeOf(d), codeOf(s)};
}

Step redo(ImageHistory& h, bool* ok = nullptr)
{
    gfx::Image d, s;
    const bool r = h.Redo(d, s);
    if (ok)
        *ok = r;
    return {codeOf(d), codeOf(s)};
}

} // namespace

TEST(ImageHistory, OpaqueImagesAreStoredAsJpegQuality92)
{
    ImageHistory h;
    const gfx::Image img = coded(0x5A);
    h.Save(img, img);
    h.WaitForEncoding();
    const auto snap = h.SnapshotAt(0);
    ASSERT_TRUE(snap);
    EXPECT_TRUE(snap->Encoded);
    EXPECT_TRUE(isJpeg(snap->DisplayData));
    EXPECT_EQ(snap->DisplayData, gfx::encode(img, gfx::ImageFormat::Jpeg, 92));
    EXPECT_EQ(snap->type, SnapshotType::SourceChange);
    EXPECT_EQ(h.MemoryUsedBytes(), uint64_t(snap->DisplayData.size() + snap->SourceData.size()));
}

TEST(ImageHistory, TransparencyOfOnePixelInAThousandMakesAPng)
{
    // 100 x 20 = 2000 pixels: two non-opaque pixels are needed.
    EXPECT_FALSE(ImageHistory::HasTransparency(withTransparentPixels(100, 20, 1)));
    EXPECT_TRUE(ImageHistory::HasTransparency(withTransparentPixels(100, 20, 2)));
    EXPECT_TRUE(ImageHistory::HasTransparency(withTransparentPixels(1, 1, 1, 254)));
    EXPECT_FALSE(ImageHistory::HasTransparency(gfx::Image()));

    ImageHistory h;
    h.Save(withTransparentPixels(100, 20, 1), {});
    h.Save(withTransparentPixels(100, 20, 2), {});
    h.Save(withTransparentPixels(1, 1, 1, 254), {});
    h.WaitForEncoding();
    EXPECT_TRUE(isJpeg(h.SnapshotAt(2)->DisplayData));
    EXPECT_TRUE(isPng(h.SnapshotAt(1)->DisplayData));
    EXPECT_TRUE(isPng(h.SnapshotAt(0)->DisplayData));
    const gfx::Image back = ImageHistory::DecodeSnapshotImage(h.SnapshotAt(0)->DisplayData);
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.pixel(0, 0) >> 24, 254u);
}

TEST(ImageHistory, AHundredAndOneSavesKeepAHundredAndAllow99Undos)
{
    ImageHistory h;
    for (int n = 0; n <= 100; ++n)
        h.Save(coded(n), {});
    EXPECT_EQ(h.Count(), 100);
    for (int k = 1; k <= 99; ++k) {
        bool ok = false;
        EXPECT_EQ(undo(h, &ok).display, 100 - k);
        EXPECT_TRUE(ok);
    }
    bool ok = false;
    EXPECT_EQ(undo(h, &ok).display, 1); // the oldest, again
    EXPECT_TRUE(ok);
    for (int k = 2; k <= 100; ++k)
        EXPECT_EQ(redo(h).display, k);
    EXPECT_EQ(redo(h, &ok).display, 100); // the newest, again
    EXPECT_TRUE(ok);
}

TEST(ImageHistory, UndoNeedsTwoSteps)
{
    ImageHistory h;
    gfx::Image d = coded(1), s = coded(2);
    EXPECT_FALSE(h.Undo(d, s));
    EXPECT_TRUE(d.isNull() && s.isNull());
    h.Save(coded(3), {});
    d = coded(1);
    EXPECT_FALSE(h.Undo(d, s));
    EXPECT_TRUE(d.isNull() && s.isNull());
}

TEST(ImageHistory, SavingAfterTwoUndosDropsTheRedoBranch)
{
    ImageHistory h;
    for (int n = 0; n < 4; ++n)
        h.Save(coded(n), {});
    undo(h);
    undo(h);
    h.Save(coded(9), {});
    EXPECT_EQ(h.Count(), 3);
    EXPECT_EQ(redo(h).display, 9);
    EXPECT_EQ(undo(h).display, 1);
    EXPECT_EQ(undo(h).display, 0);
}

TEST(ImageHistory, ASourceIsStoredOncePerImageObject)
{
    ImageHistory h;
    const gfx::Image photo = coded(200);
    h.Save(coded(1), photo);
    h.Save(coded(2), photo);
    const gfx::Image samePixels = coded(200);
    h.Save(coded(3), samePixels);
    EXPECT_EQ(h.SnapshotAt(2)->type, SnapshotType::SourceChange);
    EXPECT_EQ(h.SnapshotAt(1)->type, SnapshotType::EffectChange);
    EXPECT_EQ(h.SnapshotAt(0)->type, SnapshotType::SourceChange);

    const gfx::Image other = coded(201);
    h.Save(coded(4), other);
    EXPECT_EQ(undo(h).source, 200);
    EXPECT_EQ(undo(h).source, 200);
    EXPECT_EQ(redo(h).source, 200);
    EXPECT_EQ(redo(h).source, 201);
}

TEST(ImageHistory, WithNoStoredSourceTheDisplayIsCopied)
{
    ImageHistory h;
    h.Save(coded(1), {});
    h.Save(coded(2), {});
    gfx::Image d, s;
    ASSERT_TRUE(h.Undo(d, s));
    EXPECT_EQ(codeOf(s), 1);
    EXPECT_FALSE(s.sameAs(d));
}

TEST(ImageHistory, TheOldestSourceMovesOnWhenTheRingOverwritesIt)
{
    ImageHistory h;
    const gfx::Image photo = coded(250);
    for (int n = 0; n <= 100; ++n)
        h.Save(coded(n), photo); // only the first step stores the photo
    for (int k = 0; k < 99; ++k)
        undo(h);
    const Step oldest = undo(h);
    EXPECT_EQ(oldest.display, 1);
    EXPECT_EQ(oldest.source, 250); // not a copy of the display
    EXPECT_EQ(h.SnapshotAt(99)->type, SnapshotType::SourceChange);
}

TEST(ImageHistory, ASourceDroppedWithTheRedoBranchIsStoredAgain)
{
    ImageHistory h;
    const gfx::Image first = coded(100), second = coded(101);
    h.Save(coded(1), first);
    h.Save(coded(2), second); // the only step holding `second`
    undo(h);
    h.Save(coded(3), second); // drops step 2
    EXPECT_EQ(h.SnapshotAt(0)->type, SnapshotType::SourceChange);
    EXPECT_EQ(undo(h).source, 100);
    EXPECT_EQ(redo(h).source, 101);
}

TEST(ImageHistory, UndoWorksBeforeEncodingFinishes)
{
    ImageHistory h;
    for (int n = 0; n < 30; ++n)
        h.Save(coded(n), coded(n + 100));
    const Step s = undo(h);
    EXPECT_EQ(s.display, 28);
    EXPECT_EQ(s.source, 128);
    h.WaitForEncoding();
    EXPECT_TRUE(h.SnapshotAt(0)->Encoded);
}

TEST(ImageHistory, ClearEmptiesEverything)
{
    ImageHistory h;
    h.Save(coded(1), coded(2));
    h.Save(coded(3), {});
    h.WaitForEncoding();
    EXPECT_GT(h.MemoryUsedBytes(), 0u);
    h.Clear();
    EXPECT_EQ(h.MemoryUsedBytes(), 0u);
    EXPECT_EQ(h.Count(), 0);
    gfx::Image d, s;
    EXPECT_FALSE(h.Redo(d, s));
    h.Save(coded(4), coded(2));
    EXPECT_EQ(h.SnapshotAt(0)->type, SnapshotType::SourceChange);
}

TEST(ImageHistory, TheSavedEventReportsTheSourceChangeAndItsErrorsAreSwallowed)
{
    ImageHistory h;
    std::vector<bool> changes;
    h.SetOnImageSaved([&](const gfx::Image& d, const gfx::Image&, bool change) {
        changes.push_back(change);
        if (codeOf(d) == 2)
            throw std::runtime_error("handler failed");
    });
    const gfx::Image photo = coded(7);
    h.Save(coded(1), photo);
    h.Save(coded(2), photo);
    h.Save(coded(3), {});
    h.Save(gfx::Image(), photo); // ignored: no event
    EXPECT_EQ(changes, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(h.Count(), 3);
    // A null source where a change would be stored counts as no change.
    EXPECT_EQ(h.SnapshotAt(0)->type, SnapshotType::EffectChange);
}

TEST(ImageHistory, SavesFromSeveralThreadsKeepTheRingConsistent)
{
    ImageHistory h;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&h, t] {
            for (int n = 0; n < 40; ++n)
                h.Save(coded((t * 40 + n) % 256), n % 10 == 0 ? coded(t) : gfx::Image());
        });
    for (int i = 0; i < 50; ++i) {
        gfx::Image d, s;
        h.Undo(d, s);
        h.Redo(d, s);
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(h.Count(), 100);
    h.WaitForEncoding();
    for (int age = 0; age < 100; ++age)
        EXPECT_TRUE(h.SnapshotAt(age)->Encoded);
}
