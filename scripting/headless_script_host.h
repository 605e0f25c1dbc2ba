#pragma once

#include "engine/runtime/headless_host.h"
#include "scripting/script_host.h"

namespace pq {

// The script side of a HeadlessHost (tools, tests): the picture on display
// is its result, the options and LUT choice its own, so the effects a
// script runs see what the script set.
class HeadlessScriptHost : public ScriptHost {
public:
    explicit HeadlessScriptHost(HeadlessHost& host) : host_(host) {}

    gfx::Image displayedResult() const override { return host_.result; }
    void showResult(const gfx::Image& image) override { host_.result = image; }
    bool eraseBackground() const override { return host_.eraseOn; }
    void setEraseBackground(bool on) override { host_.eraseOn = on; }
    void setDrawContours(bool on) override { host_.contoursOn = on; }
    void setContourColor(QRgb color) override { host_.contourRGB = color; }
    void setLUTFile(const QString& path) override { ChooseScriptLUTFile(host_.lut, path); }
    void setEmbeddedLUT(const QString& name) override { ChooseScriptEmbeddedLUT(host_.lut, name); }

private:
    HeadlessHost& host_;
};

} // namespace pq
