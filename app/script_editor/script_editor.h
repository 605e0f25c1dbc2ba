#pragma once

#include "app/script_editor/software_display.h"
#include "scripting/script_library.h"
#include "scripting/script_palette.h"

#include <QPoint>
#include <QSize>
#include <QWidget>

#include <functional>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace pq {

class NeonCube;
class ScriptReferencePanel;

// The script editor: a borderless window kept above the main window, with
// the script text over the neon cube, the insert palette, the library
// list, Open and Save as, and Run. It never runs a script itself: Run
// hands the text to runScript, and the window answers with updateProgress
// per command and exactly one finishRun per request. While a run is
// active the editor shrinks to a mini progress panel and refuses to close.
class ScriptEditor : public QWidget {
    Q_OBJECT
public:
    // softwareDisplay tells, once at creation, whether the display draws
    // in software; then the cube stays off for good.
    explicit ScriptEditor(QWidget* owner, const std::function<bool()>& softwareDisplay = SoftwareDisplayInUse);
    ~ScriptEditor() override;

    // ---- What the window gives the editor ----
    // The run request (the memo's whole text, parsed without error).
    std::function<void(const QString& text)> runScript;
    // Cancel of a run: the window's Cancel.
    std::function<void()> cancelRun;
    // The window's effect, sliders, texture, frame, LUT and contour colour.
    std::function<InsertChoices()> currentChoices;
    // The image is centred again after a run.
    std::function<void()> recentreImage;
    // The editor was closed (the window drops the owner link).
    std::function<void()> closed;
    // Dialogs and boxes; tests replace them.
    std::function<QStringList()> chooseScriptFiles;
    std::function<QString(const QString& proposed)> chooseSaveFile;
    std::function<bool(const QString& path)> confirmOverwrite;
    std::function<void(const QString& text)> showMessage;
    // A yes/no question; none: yes.
    std::function<bool(const QString& question)> askYesNo;

    // ---- What the window calls ----
    void setCurrentState();
    void updateProgress(int step, int total, const QString& stepName);
    void finishRun(const QString& error);
    void resetToDefaultScript();
    Q_INVOKABLE void applyEditorTheme();
    void startCubeAnimation();
    void stopCubeAnimation();

    // ---- Commands (buttons and keys) ----
    void run();
    void cancel();
    void importScripts();
    void saveAs();
    // Loads a library script, also the one the list already shows; asks
    // first when the text was edited since it was last loaded or saved.
    void loadScript(int index);
    void insertLine(const QString& line);
    void enterMiniMode();
    void leaveMiniMode();
    void toggleReference();

    // ---- State ----
    bool isRunning() const { return running_; }
    bool miniMode() const { return miniMode_; }
    QString currentFilePath() const { return currentFilePath_; }
    const std::vector<ScriptEntry>& scripts() const { return scripts_; }
    InsertChoices current() const { return current_; }
    QPlainTextEdit* memo() const { return memo_; }
    QLabel* statusLabel() const { return status_; }
    QComboBox* scriptList() const { return scriptList_; }
    QComboBox* blendModeList() const { return blendModes_; }
    QProgressBar* progressBar() const { return progress_; }
    QLabel* miniStatus() const { return miniStatus_; }
    QProgressBar* miniProgress() const { return miniProgress_; }
    NeonCube* cube() const { return cube_; }
    ScriptReferencePanel* reference() const { return reference_; }
    QPushButton* button(const QString& name) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildTopBar();
    QWidget* buildBottomBar();
    QWidget* buildPalette();
    QWidget* buildMiniPanel();
    void buildContextMenu();
    void addInsertButton(QVBoxLayout* layout, const QString& name, const QString& caption, const QString& hint,
                         std::function<void()> action);
    void showBlendModes(QPushButton* anchor);
    void refreshScriptList();
    void setStatus(const QString& text, QRgb color);
    void setIdleControls();
    // The memo's text from now on counts as unedited.
    void markUnedited();
    bool edited() const;

    QFrame* background_ = nullptr;
    QWidget* memoArea_ = nullptr;
    NeonCube* cube_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    ScriptReferencePanel* reference_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QComboBox* scriptList_ = nullptr;
    QComboBox* blendModes_ = nullptr;
    QFrame* miniPanel_ = nullptr;
    QLabel* miniStatus_ = nullptr;
    QProgressBar* miniProgress_ = nullptr;
    QLabel* title_ = nullptr;
    std::vector<QLabel*> groupCaptions_;

    std::vector<ScriptEntry> scripts_;
    InsertChoices current_;
    QString currentFilePath_;
    QString uneditedText_;
    int shownScript_ = -1; // the list's entry the memo was loaded from
    bool running_ = false;
    bool miniMode_ = false;
    QSize savedSize_;
    QPoint dragOffset_;
    bool dragging_ = false;
};

} // namespace pq
