#pragma once

// Test routines and the fixture the runtime tests share: effects that fill,
// wait at gates, throw or report, and a document with a small white picture.

#include "engine_test_support.h"

#include "engine/runtime/effect_lock.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/runtime/effect_table.h"
#include "engine/runtime/preview_window.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/texture_step.h"
#include "platform/run_context.h"
#include "platform/thread_pool.h"

#include <atomic>
#include <new>
#include <stdexcept>
#include <vector>

namespace pqtest::runtime {

inline std::atomic<int> gCalls{0};
inline Gate* gGate = nullptr;
inline Gate* gGate2 = nullptr;
inline std::atomic<bool> gUpdateReturned{false};
inline std::atomic<bool> gCheckThrew{false};

inline void FillRed(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    ++gCalls;
    dest.clear(Qt::red);
}

inline void GatedFillBlue(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    ++gCalls;
    gGate->enterAndWait();
    dest.clear(Qt::blue);
}

// Shows a green intermediate result, then waits.
inline void IntermediateThenWait(const gfx::Image& src, gfx::Surface& dest, int, int, int, int, int, bool)
{
    const gfx::Image green = SolidImage(src.width(), src.height(), Qt::green);
    pq::ShowIntermediateImage(green, 40, pq::Delivery::Synchronous);
    gGate->enterAndWait();
    dest.clear(Qt::blue);
}

// Between two gates, queues a green intermediate result at 30 per cent.
inline void QueuedIntermediateBetweenGates(const gfx::Image& src, gfx::Surface& dest, int, int, int, int, int, bool)
{
    gGate->enterAndWait(false);
    pq::ShowIntermediateImage(SolidImage(src.width(), src.height(), Qt::green), 30, pq::Delivery::Queued);
    gGate2->enterAndWait(false);
    dest.clear(Qt::blue);
}

inline void Throwing(const gfx::Image&, gfx::Surface&, int, int, int, int, int, bool)
{
    throw std::runtime_error("boom");
}

inline void OutOfMemory(const gfx::Image&, gfx::Surface&, int, int, int, int, int, bool)
{
    throw std::bad_alloc();
}

// What an effect does when the graphics layer could not give it a buffer:
// the layer notes it on the run, the effect carries on and writes what it
// has (here, a transparent picture).
inline void FailedAllocationCarriesOn(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    platform::NoteOutOfMemory();
    dest.clear(Qt::transparent);
}

inline void GatedThrowing(const gfx::Image&, gfx::Surface&, int, int, int, int, int, bool)
{
    gGate->enterAndWait(false);
    throw std::runtime_error("late");
}

// Waits ignoring cancellation, then reports and checks like an effect.
inline void ReportAfterGate(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    gGate->enterAndWait(false);
    dest.clear(Qt::red);
    pq::SafeUpdatePreview(dest, 50);
    gUpdateReturned = true;
    try {
        pq::CheckCancellation();
    } catch (const pq::EAbort&) {
        gCheckThrew = true;
        throw;
    }
}

// Posts a snapshot between two gates.
inline void SnapshotBetweenGates(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    gGate->enterAndWait(false);
    dest.clear(Qt::red);
    pq::SafeUpdatePreview(dest, 0);
    gGate2->enterAndWait(false);
}

// Notes the preview flag of the run it works in.
inline std::atomic<int> gRunPreview{-1};
inline void NotePreview(const gfx::Image&, gfx::Surface& dest, int, int, int, int, int, bool)
{
    const pq::EffectRunContext* run = pq::CurrentRun();
    gRunPreview = run ? int(run->preview) : -1;
    dest.clear(Qt::red);
}

inline void NotePreviewThenThrow(const gfx::Image& src, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                          bool preview)
{
    NotePreview(src, dest, p1, p2, p3, p4, p5, preview);
    throw std::runtime_error("boom");
}

inline void MarkGreen(gfx::Image& image, const gfx::Image&, int, float)
{
    image = SolidImage(image.width(), image.height(), Qt::green);
}

inline QRgb RgbAt(const gfx::Image& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFFu;
}

class RuntimeTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        gCalls = 0;
        gGate = &gate;
        gGate2 = &gate2;
        gUpdateReturned = false;
        gCheckThrew = false;
        loadDocument(SolidImage(64, 48, Qt::white));
        host->previewSize = QSizeF(225, 225);
    }
    void TearDown() override
    {
        gate.open();
        gate2.open();
        EngineTest::TearDown();
    }
    // Starts a full run of effect 200, lets it past `gate` and waits, without
    // pumping, until it reaches `gate2`.
    bool reachSecondGateWithoutPumping()
    {
        pq::ProcessEffect(200, 0, 0, 0, 0, 0, false);
        if (!pumpUntil([&] { return gate.entered(); }))
            return false;
        gate.open();
        for (int i = 0; i < 10000 && !gate2.entered(); ++i)
            platform::SleepMs(1);
        return gate2.entered();
    }
    Gate gate;
    Gate gate2;
};

} // namespace pqtest::runtime
