// pq-panel: opens one overlay panel in the main window, headless, and drives
// it as a user would.
//
//   pq-panel [--window WxH] [--result FILE] [--seed N] PANEL INPUT [ACTION...]
//
// Runs the main window offscreen (without the splash) with INPUT as source
// photo and result (--result FILE makes that image the result), opens PANEL
// ("resize", "combine", "frame", "texture", "lut" or "brush") through the
// command that opens it for the user,
// then runs the actions in order, serving queued calls, timers and workers
// after each (20 s at most):
//   --set NAME=VALUE   a slider, number box, combo item text, check box
//                      (on/off) or colour box (#rrggbb), committed as a
//                      user would
//   --type NAME=TEXT   focuses the control, selects all and types the text
//   --key KEYS         to the focused control: "Return", "Tab", "ctrl+z"
//   --click NAME       a button (or a left click in the control's middle)
//   --grab NAME|window FILE    a picture of the control or the window
//   --out-result FILE  the document's result as PNG
//   --load FILE...     the panel's load command ("Load custom frame", "Load
//                      custom texture", "Load from disk...") with the files
//   --select TEXT      the first tile or list item with that text, clicked
//   --effect N P1 P2 P3 P4 P5   selects effect N and sets its five sliders
//   --zoom Z           the main view's zoom (1 = 100 %), the image centred
//   --stroke X0,Y0,X1,Y1   the manual brush: presses the left button at
//                      image point X0,Y0, moves in steps of 2 screen pixels,
//                      releases at X1,Y1 and waits for the stroke's worker
// --seed N seeds every brush stroke's run, as in pq-render.
// NAME is a control's object name. A missing control, a bad action or a
// panel that does not open prints one line and exits 2.

#include "app/main_window.h"
#include "app/manual_brush.h"
#include "app/panel_host.h"
#include "catalogue/effect_catalogue.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_runtime.h"
#include "gfx/codec.h"
#include "platform/ui_bridge.h"
#include "tools/pq_panel/panel_actions.h"
#include "workspace/canvas_area.h"
#include "workspace/document_actions.h"

#include <QApplication>
#include <QStyleFactory>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

namespace {

constexpr const char* kUsage = "usage: pq-panel [--window WxH] [--result FILE] [--seed N] PANEL INPUT [ACTION...]";

int Refuse(const QString& line)
{
    std::fprintf(stderr, "pq-panel: %s\n", line.toLocal8Bit().constData());
    return 2;
}

struct Arguments {
    QSize window{1440, 900};
    QString resultFile;
    std::optional<uint32_t> seed;
    QString panel;
    QString input;
    // Each action: its option and its one argument (two for --grab).
    std::vector<QStringList> actions;
};

// Returns an error line, empty when the arguments are sound.
QString Parse(const QStringList& args, Arguments& out)
{
    int i = 1;
    for (; i < args.size() && args[i].startsWith(QLatin1String("--")); i += 2) {
        if (i + 1 >= args.size())
            return QStringLiteral("%1 needs a value").arg(args[i]);
        if (args[i] == QLatin1String("--window")) {
            const QStringList wh = args[i + 1].split(QLatin1Char('x'));
            const int w = wh.value(0).toInt(), h = wh.value(1).toInt();
            if (wh.size() != 2 || w < 200 || h < 200 || w > 10000 || h > 10000)
                return QStringLiteral("--window takes WxH, each 200 to 10000");
            out.window = QSize(w, h);
        } else if (args[i] == QLatin1String("--result")) {
            out.resultFile = args[i + 1];
        } else if (args[i] == QLatin1String("--seed")) {
            bool ok = false;
            const uint seed = args[i + 1].toUInt(&ok);
            if (!ok)
                return QStringLiteral("bad seed '%1' (expected 0..4294967295)").arg(args[i + 1]);
            out.seed = seed;
        } else {
            break;
        }
    }
    if (i + 1 >= args.size())
        return QString::fromLatin1(kUsage);
    out.panel = args[i++];
    out.input = args[i++];
    const QStringList panels = {QStringLiteral("resize"), QStringLiteral("combine"), QStringLiteral("frame"),
                                QStringLiteral("texture"), QStringLiteral("lut"), QStringLiteral("brush")};
    if (!panels.contains(out.panel))
        return QStringLiteral("unknown panel \"%1\" (%2)").arg(out.panel, panels.join(QStringLiteral(", ")));
    while (i < args.size()) {
        const QString option = args[i];
        if (option == QLatin1String("--load")) {
            QStringList action{option};
            for (++i; i < args.size() && !args[i].startsWith(QLatin1String("--")); ++i)
                action << args[i];
            if (action.size() < 2)
                return QStringLiteral("--load needs a file");
            out.actions.push_back(action);
            continue;
        }
        const int count = option == QLatin1String("--grab") ? 2 : option == QLatin1String("--effect") ? 6 : 1;
        const bool known = option == QLatin1String("--set") || option == QLatin1String("--type")
                           || option == QLatin1String("--key") || option == QLatin1String("--click")
                           || option == QLatin1String("--grab") || option == QLatin1String("--out-result")
                           || option == QLatin1String("--select") || option == QLatin1String("--effect")
                           || option == QLatin1String("--zoom") || option == QLatin1String("--stroke");
        if (!known)
            return QStringLiteral("unknown action \"%1\"").arg(option);
        if (i + count >= args.size())
            return QStringLiteral("%1 needs %2").arg(option, count > 1 ? QStringLiteral("%1 values").arg(count)
                                                                        : QStringLiteral("a value"));
        out.actions.push_back(args.mid(i, count + 1));
        i += count + 1;
    }
    return {};
}

void RunAction(pqpanel::PanelDriver& driver, const QStringList& action)
{
    const QString& option = action[0];
    const auto nameAndValue = [&](QString* name, QString* value) {
        const qsizetype eq = action[1].indexOf(QLatin1Char('='));
        if (eq <= 0)
            throw pqpanel::ActionError{QStringLiteral("%1 takes NAME=VALUE").arg(option)};
        *name = action[1].left(eq);
        *value = action[1].mid(eq + 1);
    };
    QString name, value;
    if (option == QLatin1String("--set")) {
        nameAndValue(&name, &value);
        driver.set(name, value);
    } else if (option == QLatin1String("--type")) {
        nameAndValue(&name, &value);
        driver.type(name, value);
    } else if (option == QLatin1String("--key")) {
        driver.key(action[1]);
    } else if (option == QLatin1String("--click")) {
        driver.click(action[1]);
    } else if (option == QLatin1String("--grab")) {
        driver.grab(action[1], action[2]);
    } else if (option == QLatin1String("--load")) {
        driver.load(action.mid(1));
    } else if (option == QLatin1String("--select")) {
        driver.select(action[1]);
    } else if (option == QLatin1String("--effect")) {
        driver.selectEffect(action.mid(1));
    } else if (option == QLatin1String("--zoom")) {
        driver.zoom(action[1]);
    } else if (option == QLatin1String("--stroke")) {
        driver.stroke(action[1]);
    } else {
        driver.writeResult(action[1]);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    Arguments args;
    if (const QString error = Parse(QApplication::arguments(), args); !error.isEmpty())
        return Refuse(error);

    platform::SetUiBridge(platform::MakeQtUiBridge());
    pq::InstallEffectCatalogue();
    pq::InitializeEngine();
    // The frame and texture panels list the built-in pictures.
    if (!pq::Repository().loaded())
        pq::Repository().create();
    int rc = 0;
    {
        pq::MainWindow window;
        window.commandLine = {QStringLiteral("pq-panel")};
        // Messages and questions go to the output; questions are declined.
        window.dialogs().showMessage = [](const QString& text) {
            std::printf("message: %s\n", text.toLocal8Bit().constData());
            std::fflush(stdout);
        };
        window.dialogs().askYesNo = [](const QString& text) {
            std::printf("question (answered no): %s\n", text.toLocal8Bit().constData());
            std::fflush(stdout);
            return false;
        };
        pqpanel::PanelDriver driver(window);
        try {
            window.show();
            while (!window.initialized)
                QApplication::processEvents(QEventLoop::AllEvents, 10);
            window.setGeometry(QRect(QPoint(0, 0), args.window));
            driver.settle();

            if (!window.documentActions().openImageFile(args.input))
                throw pqpanel::ActionError{QStringLiteral("cannot open %1").arg(args.input)};
            if (!args.resultFile.isEmpty()) {
                QString error;
                const gfx::Image result = gfx::DecodeFile(args.resultFile, &error);
                if (result.isNull())
                    throw pqpanel::ActionError{QStringLiteral("cannot open %1: %2").arg(args.resultFile, error)};
                window.document().resultImage = result;
            }
            window.canvasArea().fitToView();
            window.activateWindow();
            driver.settle();

            window.manualBrush().strokeSeed = args.seed;
            const auto runActions = [&] {
                for (const QStringList& action : args.actions) {
                    RunAction(driver, action);
                    driver.settle();
                }
            };
            const QString command = args.panel == QLatin1String("frame")     ? QStringLiteral("addFrame")
                                    : args.panel == QLatin1String("texture") ? QStringLiteral("addTexture")
                                    : args.panel == QLatin1String("brush")   ? QStringLiteral("manualBrush")
                                                                              : args.panel;
            // The LUT selector opens from the LUT box's button, which shows
            // only while effect 404 is selected.
            if (args.panel == QLatin1String("lut"))
                window.panels().chooseLUT();
            else
                window.commands().run(command);
            driver.settle();
            const bool open = args.panel == QLatin1String("brush") ? window.manualBrush().isOpen()
                                                                   : window.panels().backdropPanelOpen();
            if (!open)
                throw pqpanel::ActionError{QStringLiteral("the %1 panel did not open").arg(args.panel)};
            runActions();
        } catch (const pqpanel::ActionError& e) {
            rc = Refuse(e.message);
        }
        pq::AbortProcessing();
        window.shutDown();
    }
    platform::CurrentUiBridge().shutdown();
    pq::FinalizeEngine();
    return rc;
}
