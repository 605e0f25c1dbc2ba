#include "app/editing_tools.h"

#include "app/box_keys.h"
#include "app/commands.h"
#include "app/panel_host.h"
#include "ui/debug_log.h"
#include "workspace/crop_tool.h"
#include "workspace/document.h"
#include "workspace/edit_actions.h"
#include "workspace/text_tool.h"
#include "workspace/text_window.h"

namespace pq {

EditingTools::EditingTools(Document& document, CanvasArea& canvas, PreviewPanel& preview, PanelHost& panels,
                           QWidget* windowParent, QObject* parent)
    : QObject(parent),
      document_(document),
      edits_(new EditActions(document, canvas, preview, this)),
      crop_(new CropTool(document, canvas, this)),
      text_(new TextTool(document, canvas, windowParent, this))
{
    crop_->beforeStart = [&panels] { panels.hideScriptEditorForDialog(); };
    text_->beforeOpen = [&panels] { panels.hideScriptEditorForDialog(); };
}

void EditingTools::wire(CommandTable& commands, BoxKeys& keys)
{
    commands.setRun(QStringLiteral("copy"), [this] { edits_->copy(); });
    commands.setRun(QStringLiteral("paste"), [this] { GuardedCall("paste", [this] { edits_->paste(); }); });
    commands.setRun(QStringLiteral("rotateLeft"), [this] { GuardedCall("rotate", [this] { edits_->rotate(false); }); });
    commands.setRun(QStringLiteral("rotateRight"), [this] { GuardedCall("rotate", [this] { edits_->rotate(true); }); });
    commands.setRun(QStringLiteral("crop"), [this] { crop_->toggle(); });
    commands.setRun(QStringLiteral("addText"), [this] { text_->toggleWindow(); });

    keys.cropSelection.isOpen = [this] { return crop_->isOn(); };
    keys.cropSelection.enter = [this] { GuardedCall("crop", [this] { crop_->apply(); }); };
    keys.cropSelection.escape = [this] { crop_->cancel(); };
    // Enter commits only while the tool shows text; both keys are taken
    // while the window is open.
    keys.textWindow.isOpen = [this] { return text_->windowOpen(); };
    keys.textWindow.enter = [this] {
        if (text_->isActive())
            GuardedCall("text", [this] { text_->apply(); });
    };
    keys.textWindow.escape = [this] { text_->cancel(); };
}

void EditingTools::closeAll()
{
    crop_->cancel();
    text_->cancel();
}

} // namespace pq
