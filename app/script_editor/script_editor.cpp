// The editor window: layout, Run and the run's end, mini mode, keys,
// closing, theme.
#include "app/script_editor/script_editor.h"

#include "app/script_editor/script_reference_panel.h"
#include "scripting/script_example.h"
#include "scripting/script_parser.h"
#include "ui/theme.h"
#include "ui/translate.h"
#include "ui/widgets/neon_cube.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>

namespace pq {
namespace {

constexpr QRgb kStatusGrey = 0xFFAAAAAA;
constexpr QRgb kStatusError = 0xFFFF6666;

QPushButton* MakeButton(const QString& name, const QString& caption, const char* role, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setProperty("role", QString::fromLatin1(role));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QGraphicsDropShadowEffect* Shadow(QObject* parent)
{
    auto* shadow = new QGraphicsDropShadowEffect(parent);
    shadow->setBlurRadius(12);
    shadow->setOffset(3.5, 3.5);
    shadow->setColor(QColor(0, 0, 0, 178));
    return shadow;
}

} // namespace

ScriptEditor::ScriptEditor(QWidget* owner, const std::function<bool()>& softwareDisplay)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FormScriptEditor"));
    setWindowTitle(Translate(QStringLiteral("Script Editor")));
    setAttribute(Qt::WA_TranslucentBackground);
    resize(829, 768);
    current_.effectNumber = -1;

    auto* stack = new QStackedLayout(this);
    stack->setStackingMode(QStackedLayout::StackOne);

    auto* page = new QWidget(this);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(10, 10, 15, 15);
    background_ = new QFrame(page);
    background_->setObjectName(QStringLiteral("BackgroundRect"));
    pageLayout->addWidget(background_);
    auto* column = new QVBoxLayout(background_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildTopBar());

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(12, 0, 0, 0);
    memoArea_ = new QWidget(background_);
    cube_ = new NeonCube(memoArea_);
    // The animation would burden a display that draws in software.
    if (softwareDisplay && softwareDisplay())
        cube_->keepOff();
    memo_ = new QPlainTextEdit(memoArea_);
    memo_->setObjectName(QStringLiteral("MemoScript"));
    QFont mono(QStringLiteral("Consolas"));
    mono.setStyleHint(QFont::Monospace);
    mono.setFixedPitch(true);
    mono.setPixelSize(14);
    memo_->setFont(mono);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->viewport()->setAutoFillBackground(false);
    memo_->viewport()->installEventFilter(this);
    // The cube lies behind the text.
    auto* layers = new QStackedLayout(memoArea_);
    layers->setStackingMode(QStackedLayout::StackAll);
    layers->addWidget(cube_);
    layers->addWidget(memo_);
    layers->setCurrentWidget(memo_);
    middle->addWidget(memoArea_, 1);
    middle->addWidget(buildPalette());
    column->addLayout(middle, 1);
    column->addWidget(buildBottomBar());
    stack->addWidget(page);
    stack->addWidget(buildMiniPanel());

    reference_ = new ScriptReferencePanel(background_);
    reference_->setGraphicsEffect(Shadow(reference_));
    buildContextMenu();

    // Creation order of the content: the example, the library.
    memo_->setPlainText(StartupScriptText());
    memo_->moveCursor(QTextCursor::End);
    markUnedited();
    scripts_ = LoadBuiltInScripts();
    refreshScriptList();
    setIdleControls();
    applyEditorTheme();
}

ScriptEditor::~ScriptEditor() = default;

QWidget* ScriptEditor::buildTopBar()
{
    auto* bar = new QWidget(background_);
    bar->setObjectName(QStringLiteral("TopBar"));
    bar->setFixedHeight(45);
    bar->setCursor(Qt::SizeAllCursor);
    bar->installEventFilter(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(15, 0, 10, 0);
    title_ = new QLabel(Translate(QStringLiteral("Script Editor")), bar);
    title_->setObjectName(QStringLiteral("LblTitle"));
    QFont font = title_->font();
    font.setPixelSize(16);
    title_->setFont(font);
    row->addWidget(title_);
    row->addStretch(1);
    auto* help = MakeButton(QStringLiteral("BtnScriptHelp"), QStringLiteral("?"), "ghost", bar);
    help->setToolTip(Translate(QStringLiteral("Show Script Help")));
    help->setFixedSize(30, 30);
    help->setStyleSheet(QStringLiteral("padding: 0px;"));
    connect(help, &QPushButton::clicked, this, &ScriptEditor::toggleReference);
    auto* cross = MakeButton(QStringLiteral("BtnCloseEditor"), QStringLiteral("\u2715"), "ghost", bar);
    cross->setToolTip(Translate(QStringLiteral("Close")));
    cross->setFixedSize(30, 30);
    cross->setStyleSheet(QStringLiteral("padding: 0px;"));
    connect(cross, &QPushButton::clicked, this, &QWidget::close);
    row->addWidget(help);
    row->addWidget(cross);
    return bar;
}

QWidget* ScriptEditor::buildBottomBar()
{
    auto* bar = new QWidget(background_);
    bar->setObjectName(QStringLiteral("BottomBar"));
    bar->setFixedHeight(90);
    auto* rows = new QVBoxLayout(bar);
    rows->setContentsMargins(15, 10, 15, 10);

    auto* first = new QHBoxLayout;
    auto* label = new QLabel(Translate(QStringLiteral("Script")), bar);
    label->setObjectName(QStringLiteral("LblScripts"));
    label->setStyleSheet(QStringLiteral("color: #AAAAAA;"));
    label->setFixedWidth(87);
    scriptList_ = new QComboBox(bar);
    scriptList_->setObjectName(QStringLiteral("CboScripts"));
    scriptList_->setCursor(Qt::PointingHandCursor);
    scriptList_->setFixedWidth(477);
    // Every pick, also of the entry already shown, loads it.
    connect(scriptList_, &QComboBox::activated, this, [this](int index) { loadScript(index); });
    first->addWidget(label);
    first->addWidget(scriptList_);
    first->addStretch(1);
    rows->addLayout(first);

    auto* second = new QHBoxLayout;
    auto* open = MakeButton(QStringLiteral("BtnOpen"), Translate(QStringLiteral("Open...")), "ghost", bar);
    open->setFixedWidth(120);
    connect(open, &QPushButton::clicked, this, &ScriptEditor::importScripts);
    auto* save = MakeButton(QStringLiteral("BtnSave"), Translate(QStringLiteral("Save as...")), "ghost", bar);
    save->setFixedWidth(158);
    connect(save, &QPushButton::clicked, this, &ScriptEditor::saveAs);

    auto* statusBox = new QWidget(bar);
    auto* statusStack = new QStackedLayout(statusBox);
    statusStack->setStackingMode(QStackedLayout::StackAll);
    status_ = new QLabel(statusBox);
    status_->setObjectName(QStringLiteral("LblStatus"));
    status_->setAlignment(Qt::AlignCenter);
    progress_ = new QProgressBar(statusBox);
    progress_->setObjectName(QStringLiteral("ScriptProgress"));
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    progress_->setMaximumHeight(6);
    statusStack->addWidget(status_);
    statusStack->addWidget(progress_);
    statusBox->setMinimumWidth(178);

    auto* close = MakeButton(QStringLiteral("BtnClose"), Translate(QStringLiteral("Close")), "ghost", bar);
    close->setFixedWidth(120);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* minimize = MakeButton(QStringLiteral("BtnMinimize"), Translate(QStringLiteral("Minimize")), "ghost", bar);
    minimize->setFixedWidth(120);
    connect(minimize, &QPushButton::clicked, this, &ScriptEditor::enterMiniMode);
    auto* runButton = MakeButton(QStringLiteral("BtnRun"), Translate(QStringLiteral("Run")), "primary", bar);
    runButton->setFixedWidth(150);
    connect(runButton, &QPushButton::clicked, this, &ScriptEditor::run);
    auto* cancelButton = MakeButton(QStringLiteral("btnCancel"), Translate(QStringLiteral("Cancel")), "ghost", bar);
    cancelButton->setFixedWidth(150);
    connect(cancelButton, &QPushButton::clicked, this, &ScriptEditor::cancel);
    for (QWidget* w : {static_cast<QWidget*>(open), static_cast<QWidget*>(save), statusBox,
                       static_cast<QWidget*>(close), static_cast<QWidget*>(minimize),
                       static_cast<QWidget*>(runButton), static_cast<QWidget*>(cancelButton)})
        second->addWidget(w, w == statusBox ? 1 : 0);
    rows->addLayout(second);
    return bar;
}

QWidget* ScriptEditor::buildMiniPanel()
{
    auto* page = new QWidget(this);
    auto* margin = new QVBoxLayout(page);
    margin->setContentsMargins(12, 12, 12, 12);
    miniPanel_ = new QFrame(page);
    miniPanel_->setObjectName(QStringLiteral("MiniPanel"));
    miniPanel_->installEventFilter(this);
    margin->addWidget(miniPanel_);
    auto* rows = new QVBoxLayout(miniPanel_);
    rows->setContentsMargins(16, 10, 16, 10);
    miniStatus_ = new QLabel(Translate(QStringLiteral("Running...")), miniPanel_);
    miniStatus_->setObjectName(QStringLiteral("MiniStatus"));
    miniStatus_->setAttribute(Qt::WA_TransparentForMouseEvents);
    miniProgress_ = new QProgressBar(miniPanel_);
    miniProgress_->setObjectName(QStringLiteral("MiniProgress"));
    miniProgress_->setRange(0, 100);
    miniProgress_->setTextVisible(false);
    miniProgress_->setFixedHeight(16);
    auto* buttons = new QHBoxLayout;
    auto* miniCancel = MakeButton(QStringLiteral("MiniCancel"), Translate(QStringLiteral("Cancel")), "ghost", miniPanel_);
    connect(miniCancel, &QPushButton::clicked, this, &ScriptEditor::cancel);
    auto* restore = MakeButton(QStringLiteral("MiniRestore"), Translate(QStringLiteral("Restore")), "primary", miniPanel_);
    connect(restore, &QPushButton::clicked, this, &ScriptEditor::leaveMiniMode);
    buttons->addWidget(miniCancel);
    buttons->addWidget(restore);
    rows->addWidget(miniStatus_);
    rows->addWidget(miniProgress_);
    rows->addLayout(buttons);
    return page;
}

void ScriptEditor::buildContextMenu()
{
    // The editor's own menu replaces the platform's.
    memo_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(memo_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.setObjectName(QStringLiteral("CtxMenu"));
        menu.addAction(Translate(QStringLiteral("Cut")), memo_, &QPlainTextEdit::cut);
        menu.addAction(Translate(QStringLiteral("Copy")), memo_, &QPlainTextEdit::copy);
        menu.addAction(Translate(QStringLiteral("Paste")), memo_, &QPlainTextEdit::paste);
        menu.addAction(Translate(QStringLiteral("Select all")), memo_, &QPlainTextEdit::selectAll);
        menu.exec(memo_->mapToGlobal(at));
    });
}

QPushButton* ScriptEditor::button(const QString& name) const
{
    return findChild<QPushButton*>(name);
}

void ScriptEditor::setStatus(const QString& text, QRgb color)
{
    status_->setText(text);
    status_->setStyleSheet(QStringLiteral("color: %1;").arg(QColor::fromRgba(color).name()));
    miniStatus_->setText(text);
}

void ScriptEditor::setIdleControls()
{
    button(QStringLiteral("BtnRun"))->setEnabled(!running_);
    button(QStringLiteral("BtnRun"))->setVisible(!running_);
    button(QStringLiteral("btnCancel"))->setVisible(running_);
    button(QStringLiteral("BtnOpen"))->setEnabled(!running_);
    button(QStringLiteral("BtnSave"))->setEnabled(!running_);
    button(QStringLiteral("BtnClose"))->setEnabled(!running_);
    button(QStringLiteral("BtnClose"))->setVisible(!running_);
    button(QStringLiteral("BtnMinimize"))->setVisible(running_);
    memo_->setReadOnly(running_);
    progress_->setVisible(running_);
    status_->setVisible(!running_);
}

void ScriptEditor::run()
{
    if (running_)
        return;
    const QString text = memo_->toPlainText();
    if (text.isEmpty()) {
        setStatus(Translate(QStringLiteral("Script is empty")), kStatusGrey);
        return;
    }
    const ParsedScript parsed = ParseScriptText(text);
    if (!parsed.ok()) {
        setStatus(Translate(QStringLiteral("Parse errors found")), kStatusError);
        QString message = Translate(QStringLiteral("Script errors:")) + QStringLiteral("\n\n") +
                          parsed.errors.mid(0, 5).join(u'\n');
        if (parsed.errors.size() > 5)
            message += u'\n' + Translate(QStringLiteral("... and %d more errors"))
                                   .replace(QStringLiteral("%d"), QString::number(parsed.errors.size() - 5));
        if (showMessage)
            showMessage(message);
        return;
    }
    running_ = true;
    stopCubeAnimation();
    setIdleControls();
    progress_->setValue(0);
    setStatus(Translate(QStringLiteral("Running...")), kStatusGrey);
    enterMiniMode();
    if (runScript)
        runScript(text);
    else
        finishRun(QStringLiteral("No image loaded"));
}

void ScriptEditor::cancel()
{
    if (running_ && cancelRun)
        cancelRun();
}

void ScriptEditor::updateProgress(int step, int total, const QString& stepName)
{
    if (total > 0)
        progress_->setValue(int(double(step) / total * 100.0));
    setStatus(QStringLiteral("%1/%2: %3").arg(step).arg(total).arg(stepName), kStatusGrey);
    miniProgress_->setValue(progress_->value());
}

void ScriptEditor::finishRun(const QString& error)
{
    running_ = false;
    leaveMiniMode();
    startCubeAnimation();
    setIdleControls();
    if (!error.isEmpty())
        setStatus(Translate(error), kStatusError);
    else
        setStatus(Translate(QStringLiteral("Script completed successfully")),
                  gThemeMode == ThemeMode::Light ? 0xFF1E2A38 : 0xFF66FF66);
    if (recentreImage)
        recentreImage();
}

void ScriptEditor::enterMiniMode()
{
    if (miniMode_ || !running_)
        return;
    miniMode_ = true;
    savedSize_ = size();
    miniProgress_->setValue(progress_->value());
    miniStatus_->setText(status_->text());
    static_cast<QStackedLayout*>(layout())->setCurrentIndex(1);
    setFixedSize(344, 136);
}

void ScriptEditor::leaveMiniMode()
{
    if (!miniMode_)
        return;
    miniMode_ = false;
    static_cast<QStackedLayout*>(layout())->setCurrentIndex(0);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(savedSize_);
}

void ScriptEditor::startCubeAnimation()
{
    cube_->startAnimation();
}

void ScriptEditor::stopCubeAnimation()
{
    cube_->stopAnimation();
}

void ScriptEditor::toggleReference()
{
    if (reference_->isVisible()) {
        reference_->hide();
        return;
    }
    reference_->prepare();
    reference_->setGeometry(195, 40, 614, std::min(672, background_->height() - 44));
    reference_->show();
    reference_->raise();
}

void ScriptEditor::applyEditorTheme()
{
    const bool light = gThemeMode == ThemeMode::Light;
    background_->setStyleSheet(
        QStringLiteral("QFrame#BackgroundRect { background: %1; border-radius: 15px; }").arg(light ? "#F4F6FA" : "#111827"));
    title_->setStyleSheet(QStringLiteral("color: %1;").arg(light ? "#1E2A38" : "#FFFFFF"));
    memo_->setStyleSheet(QStringLiteral("QPlainTextEdit#MemoScript { background: transparent; color: %1; border: %2; }")
                             .arg(light ? "#1E2A38" : "#AAFFAA", light ? "1px solid #B9C4D2; border-radius: 4px" : "none"));
    cube_->setBackground(QColor::fromRgba(light ? 0xFFE8ECF2 : 0xFF111827));
    miniPanel_->setStyleSheet(
        QStringLiteral("QFrame#MiniPanel { background: %1; border-radius: 8px; }").arg(light ? "#E8ECF2" : "#1F2937"));
    miniStatus_->setStyleSheet(QStringLiteral("color: %1;").arg(light ? "#1E2A38" : "#FFFFFF"));
    for (QLabel* caption : groupCaptions_)
        caption->setStyleSheet(QStringLiteral("color: %1; font-size: 11px;").arg(light ? "#566275" : "#8A94A6"));
    // The window's style sheet dresses combo boxes in dialogs only.
    scriptList_->setStyleSheet(
        QStringLiteral("QComboBox { background: %1; color: %2; border: 1px solid %3; border-radius: 6px;"
                       " padding: 3px 8px; }"
                       "QComboBox:hover { border-color: #2F80ED; }"
                       "QComboBox QAbstractItemView { background: %1; color: %2; border: 1px solid %3;"
                       " selection-background-color: #2F80ED; selection-color: #FFFFFF; }")
            .arg(light ? "#FFFFFF" : "#1F2937", light ? "#1E2A38" : "#E5E7EB", light ? "#B9C4D2" : "#374151"));
    reference_->applyTheme();
}

void ScriptEditor::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    setCurrentState();
    applyEditorTheme();
    // Once the window has its final size.
    QTimer::singleShot(0, this, [this] {
        if (!running_)
            startCubeAnimation();
        applyEditorTheme();
    });
}

void ScriptEditor::closeEvent(QCloseEvent* event)
{
    if (running_) {
        event->ignore();
        return;
    }
    stopCubeAnimation();
    if (closed)
        closed();
    event->accept();
}

void ScriptEditor::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        if (!running_)
            close();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F5) {
        run();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_S && (event->modifiers() & Qt::ControlModifier)) {
        saveAs();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool ScriptEditor::eventFilter(QObject* watched, QEvent* event)
{
    const bool dragArea = watched == miniPanel_ || (watched && watched->objectName() == QLatin1String("TopBar"));
    const bool mouseEvent = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove
                            || event->type() == QEvent::MouseButtonRelease;
    if (dragArea && mouseEvent) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
            dragging_ = true;
            dragOffset_ = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
            return true;
        }
        if (event->type() == QEvent::MouseMove && dragging_) {
            move(mouse->globalPosition().toPoint() - dragOffset_);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease)
            dragging_ = false;
    }
    // A press in the script hides the reference.
    if (memo_ && watched == memo_->viewport() && event->type() == QEvent::MouseButtonPress && reference_->isVisible())
        reference_->hide();
    return QWidget::eventFilter(watched, event);
}

} // namespace pq
