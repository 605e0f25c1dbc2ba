#pragma once

// The main window as the program starts it, on the Qt UI bridge, for the
// tests that drive the window whole.

#include "app/main_window.h"
#include "engine/runtime/effect_runtime.h"
#include "platform/ui_bridge.h"
#include "workspace/document.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include <memory>

#include "event_loop.h"

namespace testwindow {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetUiBridge(platform::MakeQtUiBridge());
        window = std::make_unique<pq::MainWindow>();
        window->commandLine = {QStringLiteral("pastelloquin")};
        window->dialogs().askYesNo = [this](const QString& text) {
            questions << text;
            return answerYes;
        };
        window->dialogs().showMessage = [this](const QString& text) { messages << text; };
        prepare();
        window->show();
        ASSERT_TRUE(testloop::ProcessUntil([&] { return window->initialized; }));
        started();
    }

    void TearDown() override
    {
        pq::AbortProcessing();
        EXPECT_TRUE(testloop::ProcessUntil([this] { return workersDone(); }));
        window.reset();
        platform::SetUiBridge(nullptr);
    }

    // Before the window shows (other dialogs, its size), and once it has
    // started.
    virtual void prepare() {}
    virtual void started() {}
    // What the end of a test waits for once processing is aborted.
    virtual bool workersDone() { return pq::EffectWorkerCount() == 0; }

    pq::Document& doc() { return window->document(); }

    std::unique_ptr<pq::MainWindow> window;
    // The questions asked and the messages shown; questions get answerYes.
    QStringList questions;
    QStringList messages;
    bool answerYes = true;
};

} // namespace testwindow
