#pragma once

// A fake window for script runs: the engine host the effects read and the
// script host the engine calls, over one document, recording every call.

#include "engine/runtime/headless_host.h"
#include "platform/ui_bridge.h"
#include "scripting/script_context.h"
#include "scripting/script_engine.h"
#include "scripting/script_host.h"
#include "scripting/script_parser.h"

#include <gtest/gtest.h>

#include <memory>

namespace pqtest {

class FakeScriptHost : public pq::ScriptHost {
public:
    explicit FakeScriptHost(pq::HeadlessHost& document) : document_(document) {}

    gfx::Image displayedResult() const override { return document_.result; }
    void showResult(const gfx::Image& image) override
    {
        document_.result = image;
        shown.push_back(image);
    }
    void centreView() override { ++centred; }
    bool eraseBackground() const override { return document_.eraseOn; }
    void setEraseBackground(bool on) override
    {
        document_.eraseOn = on;
        eraseCalls.push_back(on);
    }
    void setDrawContours(bool on) override { document_.contoursOn = on; }
    void setContourColor(QRgb color) override { document_.contourRGB = color; }
    void setLUTFile(const QString& path) override { pq::ChooseScriptLUTFile(document_.lut, path); }
    void setEmbeddedLUT(const QString& name) override { pq::ChooseScriptEmbeddedLUT(document_.lut, name); }

    std::vector<gfx::Image> shown;
    std::vector<bool> eraseCalls;
    int centred = 0;

private:
    pq::HeadlessHost& document_;
};

// The engine and host installed over a manual UI bridge of the test thread.
class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bridge = std::make_shared<platform::ManualUiBridge>();
        platform::SetUiBridge(bridge);
        pq::SetEngineHost(&document);
    }
    void TearDown() override
    {
        pq::SetEngineHost(nullptr);
        platform::SetUiBridge(nullptr);
    }

    // Parses (the script must parse) and runs it on the test thread, with
    // the document's source and result as the run's images.
    pq::ScriptRunResult run(const QString& text)
    {
        const pq::ParsedScript parsed = pq::ParseScriptText(text);
        EXPECT_TRUE(parsed.ok()) << parsed.errors.join(" | ").toStdString();
        pq::ScriptEngine engine(host);
        engine.setProgress([this](int step, int count, const QString& label) {
            steps << QStringLiteral("%1/%2 %3").arg(step).arg(count).arg(label);
            if (onStep)
                onStep(step);
        });
        return engine.run(parsed.commands, document.source, document.result, context);
    }

    std::shared_ptr<platform::ManualUiBridge> bridge;
    pq::HeadlessHost document;
    FakeScriptHost host{document};
    pq::ScriptContext context;
    QStringList steps;
    std::function<void(int)> onStep;
};

} // namespace pqtest
