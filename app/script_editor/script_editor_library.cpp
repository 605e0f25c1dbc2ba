// The editor's content: the library list, import, Save as, the example
// script and the insert palette.
#include "app/script_editor/script_editor.h"

#include "scripting/script_example.h"
#include "scripting/script_text.h"
#include "ui/translate.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QVBoxLayout>

namespace pq {
namespace {

constexpr QRgb kStatusGrey = 0xFFAAAAAA;
constexpr QRgb kStatusError = 0xFFFF6666;

} // namespace

QWidget* ScriptEditor::buildPalette()
{
    auto* panel = new QWidget(background_);
    panel->setObjectName(QStringLiteral("RightPanel"));
    panel->setFixedWidth(220);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(5, 0, 5, 0);
    auto* heading = new QLabel(Translate(QStringLiteral("Insert command")), panel);
    heading->setObjectName(QStringLiteral("LblInsert"));
    column->addWidget(heading);
    auto* scroll = new QScrollArea(panel);
    scroll->setObjectName(QStringLiteral("InsertScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(QStringLiteral("QScrollArea#InsertScroll { background: transparent; }"));
    auto* content = new QWidget(scroll);
    content->setObjectName(QStringLiteral("InsertContent"));
    auto* buttons = new QVBoxLayout(content);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(4);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setStyleSheet(QStringLiteral("QWidget#InsertContent { background: transparent; }"));
    column->addWidget(scroll, 1);

    const auto group = [&](const char* caption) {
        auto* label = new QLabel(Translate(QString::fromLatin1(caption)), content);
        groupCaptions_.push_back(label);
        buttons->addSpacing(6);
        buttons->addWidget(label);
    };
    const auto add = [&](const char* name, const char* caption, const char* hint, std::function<void()> action) {
        addInsertButton(buttons, QString::fromLatin1(name), Translate(QString::fromLatin1(caption)),
                        QString::fromLatin1(hint), std::move(action));
    };
    const auto fixed = [this](QString line) { return [this, line] { insertLine(line); }; };
    const auto withState = [this](QString (*make)(const InsertChoices&)) {
        return [this, make] {
            setCurrentState();
            insertLine(make(current_));
        };
    };

    group("EFFECT");
    add("BtnInsEffect", "Effect (current)", "EFFECT <id> <P1> <P2> <P3> <P4> <P5>", [this] {
        setCurrentState();
        for (const QString& line : InsertEffectLines(current_))
            insertLine(line);
    });
    add("BtnInsBlend", "Blend", "BLEND <slot> <opacity> [<mode>]",
        [this] { showBlendModes(button(QStringLiteral("BtnInsBlend"))); });
    group("SLOTS");
    add("BtnInsSave", "Save", "SAVE <slot>", fixed(InsertSaveLine()));
    add("BtnInsLoad", "Load", "LOAD <slot>", fixed(InsertLoadLine()));
    add("BtnInsSwap", "Swap", "SWAP", fixed(QStringLiteral("SWAP")));
    group("CANVAS");
    add("BtnInsReset", "Reset", "RESET", fixed(QStringLiteral("RESET")));
    add("BtnInsClear", "Clear", "CLEAR", fixed(QStringLiteral("CLEAR")));
    add("BtnInsNoClear", "Do not clear", "NOCLEAR", fixed(QStringLiteral("NOCLEAR")));
    add("BtnInsResize", "Resize", "RESIZE <width> <height>", fixed(InsertResizeLine()));
    group("FINALIZE");
    add("BtnInsTexture", "Texture", "TEXTURE [#N] [<strength> <scale>]", withState(InsertTextureLine));
    add("BtnInsFrame", "Frame", "FRAME [#N] [<margin> [<color>]]", withState(InsertFrameLine));
    add("BtnInsBrushFrame", "Frame (brushstrokes)", "FRAME brushstrokes <width> [<color>] [brush=<N>]",
        withState(InsertBrushstrokesFrameLine));
    add("BtnInsText", "Text", "TEXT <x> <y> '<string>' [options]", fixed(InsertTextLine()));
    add("BtnInsFont", "Font", "FONT <name> <size> [<style>] [<color>]", fixed(InsertFontLine()));
    // The contour lines stay hidden, as in the palette's layout.
    add("BtnInsContour", "Contour on", "CONTOUR ON <#RRGGBB | #AARRGGBB>", withState(InsertContourOnLine));
    add("BtnInsNoContour", "Contour off", "CONTOUR OFF", fixed(QStringLiteral("CONTOUR OFF")));
    button(QStringLiteral("BtnInsContour"))->hide();
    button(QStringLiteral("BtnInsNoContour"))->hide();
    buttons->addStretch(1);

    blendModes_ = new QComboBox(panel);
    blendModes_->setObjectName(QStringLiteral("CboBlendMode"));
    blendModes_->addItems({QStringLiteral("normal"), QStringLiteral("multiply"), QStringLiteral("darken"),
                           QStringLiteral("lighten")});
    if (auto* view = qobject_cast<QListView*>(blendModes_->view()))
        view->setRowHidden(3, true);
    blendModes_->hide();
    connect(blendModes_, &QComboBox::activated, this, [this](int index) {
        insertLine(InsertBlendLine(blendModes_->itemText(index)));
        blendModes_->hide();
    });
    return panel;
}

void ScriptEditor::addInsertButton(QVBoxLayout* layout, const QString& name, const QString& caption,
                                   const QString& hint, std::function<void()> action)
{
    auto* button = new QPushButton(caption, layout->parentWidget());
    button->setObjectName(name);
    button->setProperty("role", QStringLiteral("ghost"));
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(hint);
    button->setFixedSize(200, 28);
    connect(button, &QPushButton::clicked, this, [action = std::move(action)] { action(); });
    layout->addWidget(button);
}

void ScriptEditor::showBlendModes(QPushButton* anchor)
{
    if (!anchor)
        return;
    // Just below the button, "normal" chosen.
    const QPoint at = anchor->mapTo(blendModes_->parentWidget(), QPoint(0, anchor->height() + 2));
    blendModes_->setGeometry(at.x(), at.y(), anchor->width(), 28);
    blendModes_->setCurrentIndex(0);
    blendModes_->show();
    blendModes_->raise();
    blendModes_->showPopup();
}

void ScriptEditor::setCurrentState()
{
    if (currentChoices)
        current_ = currentChoices();
}

void ScriptEditor::insertLine(const QString& line)
{
    QStringList lines = memo_->toPlainText().split(u'\n');
    if (memo_->document()->isEmpty())
        lines.clear();
    const int caretLine = memo_->textCursor().blockNumber();
    const int index = InsertLineAfter(lines, caretLine, line);
    memo_->setPlainText(lines.join(u'\n'));
    QTextCursor cursor(memo_->document()->findBlockByNumber(index));
    cursor.movePosition(QTextCursor::EndOfBlock);
    memo_->setTextCursor(cursor);
    memo_->setFocus();
}

void ScriptEditor::refreshScriptList()
{
    const QSignalBlocker quiet(scriptList_);
    scriptList_->clear();
    for (const ScriptEntry& entry : scripts_)
        scriptList_->addItem(entry.name);
    scriptList_->setCurrentIndex(-1);
    shownScript_ = -1;
}

void ScriptEditor::markUnedited()
{
    uneditedText_ = memo_->toPlainText();
}

bool ScriptEditor::edited() const
{
    return memo_->toPlainText() != uneditedText_;
}

void ScriptEditor::loadScript(int index)
{
    const auto showLoaded = [this] {
        const QSignalBlocker quiet(scriptList_);
        scriptList_->setCurrentIndex(shownScript_);
    };
    if (running_ || index < 0 || index >= int(scripts_.size())) {
        showLoaded();
        return;
    }
    const ScriptEntry& entry = scripts_[size_t(index)];
    if (edited() && askYesNo &&
        !askYesNo(Translate(QStringLiteral("There are unsaved changes.")) + u'\n' +
                  QStringLiteral("Load \"%1\" and discard them?").arg(entry.name))) {
        // The list keeps naming the script the text came from.
        showLoaded();
        return;
    }
    memo_->setPlainText(entry.text);
    memo_->moveCursor(QTextCursor::Start);
    markUnedited();
    shownScript_ = index;
    showLoaded();
    currentFilePath_.clear();
    setStatus(Translate(QStringLiteral("Loaded:")) + u' ' + entry.name, kStatusGrey);
}

void ScriptEditor::importScripts()
{
    if (running_ || !chooseScriptFiles)
        return;
    const QStringList files = chooseScriptFiles();
    if (files.isEmpty())
        return;
    const std::vector<ScriptEntry> added = ImportScriptFiles(files);
    const int first = int(scripts_.size());
    scripts_.insert(scripts_.end(), added.begin(), added.end());
    refreshScriptList();
    if (added.empty()) {
        setStatus(Translate(QStringLiteral("No scripts found")), kStatusError);
        return;
    }
    loadScript(first);
    setStatus(Translate(QStringLiteral("Imported %d script(s)")).replace(QStringLiteral("%d"), QString::number(added.size())),
              kStatusGrey);
}

void ScriptEditor::saveAs()
{
    if (!chooseSaveFile)
        return;
    QDir().mkpath(ScriptFolder());
    const QString path = chooseSaveFile(currentFilePath_);
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path) && confirmOverwrite && !confirmOverwrite(path))
        return;
    QString error;
    if (!WriteScriptFile(path, memo_->toPlainText(), &error)) {
        // The path and the status stay as they were.
        if (showMessage)
            showMessage(error);
        return;
    }
    currentFilePath_ = path;
    markUnedited();
    status_->setText(Translate(QStringLiteral("Saved:")) + u' ' + QFileInfo(path).fileName());
}

void ScriptEditor::resetToDefaultScript()
{
    if (running_)
        return;
    currentFilePath_.clear();
    setStatus(QString(), kStatusGrey);
    memo_->setPlainText(ExampleScriptLines().join(u'\n'));
    memo_->moveCursor(QTextCursor::End);
    markUnedited();
    shownScript_ = -1;
    const QSignalBlocker quiet(scriptList_);
    scriptList_->setCurrentIndex(-1);
}

} // namespace pq
