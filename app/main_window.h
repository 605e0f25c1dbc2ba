#pragma once

#include "ui/theme.h"
#include "engine/runtime/engine_host.h"
#include "workspace/document.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QListWidget;
class QMimeData;
class QPropertyAnimation;
class QPushButton;
class QAbstractAnimation;
class QCheckBox;
class QScrollArea;
class QSlider;
class QVBoxLayout;

namespace pq {

class AutoEnhanceCommand;
class TCanvasView;
class TContourColorWindow;
class TLUTChooserDialog;
class TDropZone;
class TExpander;
class THistoryStrip;
class THistoryToggle;
class TIconButton;
class TOverlayContainer;
class TPreviewPane;
class TToggleSwitch;
class TWorkspaceLayout;

// TForm1: the main window and the holder of the workspace's shared state
// (its TDocument); the effect engine's host. Its members are spread over
// app/main_window_*.cpp by concern; the controls keep their designed names
// as object names.
class TForm1 : public QMainWindow, public EngineHost {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- The engine's host (main_window_host.cpp) ----
    gfx::Image ZIdImage() const override;
    void SetZIdImage(const gfx::Image& image) override;
    gfx::Image ZIdSourceImage() const override;
    TImageHistory* FHistory() override;
    void RedrawSkPaintBox1() override;
    int FCurrentEffectNumber() const override;
    void SetFCurrentEffectNumber(int number) override;
    bool FCloseRequested() const override;
    void SetFCloseRequested(bool value) override;
    void Close() override;
    QString GetEffectName(int number) const override;
    void ShowMessage(const QString& text) override;
    bool FEraseBdChecked() const override;
    bool FDrawContourChecked() const override;
    QRgb FContourColor() const override;
    bool AddTextureOn() const override;
    gfx::Image StoredTextureBitmap() const override;
    float StoredTextureStrength() const override;
    float StoredTextureScale() const override;
    bool CustomBrushesOn302() const override;
    bool CustomBrushesOn303() const override;
    bool CustomBrushesOn304() const override;
    gfx::Image CustomBrushBitmap302() const override;
    gfx::Image CustomBrushBitmap303() const override;
    gfx::Image CustomBrushBitmap304() const override;
    int CustomBrushCount304() const override;
    bool HasManualBrushFrame() const override;
    LUTChoice FLUTChoice() const override;
    float FPreviewZoomFactor() const override;
    QSizeF Image1Size() const override;
    void SetPreviewBitmap(const gfx::Image& bitmap) override;
    void SetPreviewPC(int value) override;
    // Messages go through it; tests replace it.
    std::function<void(const QString& text)> FShowMessage;

    TDocument& Doc() { return FDocument; }
    const TDocument& Doc() const { return FDocument; }

    // ---- Start-up (main_window_show.cpp) ----
    // The splash hands over: the window becomes the main window and shows.
    void HandOver();
    void FormShow();
    void InitializationTimerTimer();
    // The repository's images have been installed.
    void RepositoryLoaded();
    // The start-up texture: the second entry of the repository's list.
    bool TakeDefaultTexture();
    // The update check's call point (the check itself is not built yet).
    void Check4Update();
    bool ConfirmOverwrite(const QString& fileName);
    // The command line FormShow reads (the program's arguments by default).
    QStringList FCommandLine;
    // Counts of the first-show work that must happen once per run.
    int FInitializationRuns = 0;
    int FStartupImageLoads = 0;

    // ---- Document and busy state (main_window_document.cpp) ----
    bool IsEffectRunning() const { return FDocument.IsEffectRunning(); }
    bool IsBackgroundWorkRunning() const { return FDocument.IsBackgroundWorkRunning(); }
    void HonorDeferredClose() { FDocument.HonorDeferredClose(); }
    void EndBackgroundWorker() { FDocument.EndBackgroundWorker(); }
    TDocument::TResetResult FullReset();
    // Shows the selected effect: slider captions, values and enabled
    // state, the list selection and its accent.
    void UpdateListboxes(QListWidget* box, int itemIndex);
    void UpdateEffectAccent(QListWidget* box, int itemIndex);
    void UpdateEmptyPreviewBg();
    void UpdateDropZone();
    QListWidget* ListBoxOfFamily(int family) const;

    // ---- Effect choice and sliders (main_window_params.cpp) ----
    // ListBox1ItemClick .. ListBox5ItemClick: family 1..5.
    void ListBoxItemClick(int family, int index);
    // TrackBar1Tracking .. TrackBar5Tracking: k 1..5.
    void TrackBarTracking(int k);
    void ParamsLabelDblClick();
    void ParamLabelDblClick(int k);
    // The five slider values, rounded.
    std::array<int, 5> SliderValues() const;

    // ---- Parameter file (main_window_paramfile.cpp) ----
    // Writes Params to a .pqk file (through a temporary file); throws
    // std::runtime_error on a write error.
    void SaveParameters(const QString& FileName);
    // Reads a .pqk file into Params and moves the sliders to the selected
    // effect's values; a missing file does nothing. A file that is not a
    // parameter file changes nothing; either throws std::runtime_error
    // with the reason, as does a file of which a part could not be read
    // (after the rest was taken).
    void LoadParameters(const QString& FileName);
    void SkSvg44Click(); // load
    void SkSvg45Click(); // save
    // The mouse over the heading or its icons: they light up, and fade
    // again a while after the mouse has left.
    void ParamsLabelMouseMove();
    void FloatAnimation1Finish();
    void FloatAnimation2Finish();
    // Starts both icons' fades (the clean-up timer's countdown ended).
    void StartParamsIconFades();

    // ---- Effect options (main_window_options.cpp) ----
    void EraseBdSwitchClick();
    void AddTextureSwitchClick();
    void ContourSwitchClick();
    // Shows the option boxes of the selected effect and enables "Erase
    // background" for the effects that honour it (PresentedScrollBox3Paint).
    void UpdateOptionBoxes();
    void UpdateBrushButtons();
    void TestBrushButtonClick();
    void ResetBrushesButtonClick();
    // The right panel's "Add texture" takes the tool label's text.
    void Label38Paint();

    // ---- Contour colour window (main_window_contour.cpp) ----
    void ShowContourColorWindow();
    void HideContourColorWindow();
    void PositionContourColorWindowNearSwitch();
    QRgb ReadContourPanelColor() const;
    void ContourColorPanelChange();
    void ContourColorTimerTick();
    void ContourColorCloseButtonClick();
    TContourColorWindow* ContourColorWindow = nullptr;
    std::unique_ptr<QTimer> FContourColorTimer;

    // ---- LUT choice (main_window_lut.cpp) ----
    // The first built-in table when it can be read; the preview timer
    // starts when one is chosen. Errors are swallowed.
    void InitEmbeddedLUTs();
    // The built-in table of that name (any case); false, with nothing
    // changed, when there is none.
    bool LoadEmbeddedLUT(const QString& AName);
    void SelectLUTButtonClick();
    // Opens the chooser (not while an effect runs, nor without an image).
    void ShowLUTSelector();
    void OnLUTApplied(const QString& ALUTName, const QByteArray& ALUTData, const QString& AFilePath);
    // Runs the chooser; tests replace it. By default a modal dialog.
    std::function<void(TLUTChooserDialog& chooser)> FRunLUTChooser;

    // ---- Preview pane, apply (main_window_preview.cpp) ----
    void UpdatePreviewTimerTimer();
    void PreviewDebounceTimerTimer();
    void RequestEffectPreview();
    // The running preview no longer counts (the pane's window or the effect
    // changed): its pictures and progress are dropped.
    void SupersedePreview();
    // Shows the untreated source window in the pane.
    void DrawZoomedPreview();
    void Button1Click();
    void Image1MouseDown(QPointF pos);
    void Image1MouseMove(Qt::MouseButtons buttons, QPointF pos);
    void Image1MouseUp();
    void Image1MouseWheel(int delta);
    void zoominskvgClick();
    void zoomoutskvgClick();
    void PreviewZoomRectClick();
    QPointF PreviewLastPos;

    // ---- Main canvas (main_window_canvas.cpp) ----
    void ZoomIn();
    void ZoomOut();
    void SkPaintBox1MouseWheel(int delta, QPointF pos);
    void ZoomDebounceTimerTimer();
    void CalculateBestFitAndCenter();
    void CenterImageInPaintBox();
    void FullSizeAndCenter();
    void UpdatePaintBoxSize();
    void SkPaintBox1MouseDown(Qt::MouseButton button, QPointF pos);
    void SkPaintBox1MouseMove(Qt::MouseButtons buttons, QPointF pos);
    void SkPaintBox1MouseUp(Qt::MouseButton button, QPointF pos);
    void SkPaintBox1DblClick();
    void CleanUpTimerTimer();
    // The viewport size the view operations use.
    QSize ViewportSize() const;
    QPointF FLastMousePos;
    QPointer<QWidget> FFullScreenForm;

    // ---- Split view (main_window_split.cpp) ----
    void SpeedButton24Click();
    void CheckBox1Change();
    void UpdateDivider();
    double& FDividerX();
    bool FDragging = false;
    QWidget* Splitter = nullptr;

    // ---- Opening and saving (main_window_files.cpp) ----
    // The open dialog.
    void LoadImageFile();
    // Makes the image file the new document; false when it cannot (the
    // document then stays as it was).
    bool LoadLargeImage(const QString& fileName);
    void DefaultImageButtonClick();
    bool LoadLargeImageFromTImage();
    // Shows an opened image as the new document at 100 %, the preview
    // pane's window `previewInset` pixels up and left of its centre.
    bool ShowAsNewDocument(const gfx::Image& image, int previewInset);
    bool DropZoneRectDragOver(const QMimeData* data) const;
    void DropZoneRectDragDrop(const QMimeData* data);
    void SaveImageFile();
    // The file dialogs; tests replace them. Empty when cancelled.
    std::function<QString(const QString& title, const QString& filter)> FGetOpenFileName;
    std::function<QString(const QString& title, const QString& proposal, int filterIndex)> FGetSaveFileName;
    // Several files at once (brush sheets); empty when cancelled.
    std::function<QStringList(const QString& title, const QString& filter)> FGetOpenFileNames;
    // Saving a data file of the given filter and default suffix (.pqk).
    std::function<QString(const QString& title, const QString& filter, const QString& suffix)> FGetSaveDataFileName;

    // ---- Commands (main_window_commands.cpp) ----
    void SpeedButton5Click(); // undo
    void SpeedButton6Click(); // redo
    void LabelEnhanceClick();
    // The workspace's keyboard shortcuts; true when the key was consumed.
    bool FormKeyDown(int key, const QString& text, Qt::KeyboardModifiers modifiers);
    // A main-menu entry was chosen.
    void RunMenuAction(const QString& name);
    std::shared_ptr<AutoEnhanceCommand> FAutoEnhance;

    // ---- Progress bar (main_window_progress.cpp) ----
    // 0..100 shows a full run's progress; any other value hides the bar.
    void UpdateProgressBar(int value) override;

    // ---- Closing and shut-down (main_window_close.cpp) ----
    // The unsaved-changes question; true when the window may close.
    bool FormCloseQuery();
    // Runs after an allowed close query; false when the close is refused
    // because work runs (and then remembered in FCloseRequested).
    bool FormClose();
    // Stops timers, waits for workers and frees the document's objects.
    // Returns false when workers were still running after the wait: then
    // nothing they share was freed and the process must end at once.
    bool FormDestroy();
    // Asks a Yes/No question; tests replace it.
    std::function<bool(const QString& text)> FAskYesNo;
    // Longest wait for workers at shut-down.
    int FShutdownWaitMs = 5000;
    // The user agreed to discard changes for a close that was deferred: the
    // deferred close does not ask again.
    bool FDiscardAgreed = false;

    // ---- Overlay panels and script editor, the parts the shell uses
    //      (main_window_overlay.cpp) ----
    void ShowOverlayFrame(QWidget* frame);
    void CloseOverlay();
    void CloseManualBrushFrame();
    void ShowScriptEditor();
    void CloseScriptEditorForDialog();
    void UnlinkScriptEditorWindow();
    QPointer<QWidget> FManualBrushFrame;
    // True while the open manual-brush panel applies a stroke.
    bool FManualBrushApplying = false;
    bool FBatchRunning = false;
    std::unique_ptr<QTimer> FBatchTimer;
    std::unique_ptr<QStringList> FBatchFiles;
    std::unique_ptr<QStringList> FBatchEmbScriptText;
    QStringList FBatchScript;

    // ---- Theme (main_window_theme.cpp) ----
    // Switches the whole program to the mode and keeps it in the settings.
    void ApplyTheme(TThemeMode Mode);
    void SetLightMode(bool Value);
    // The click of both theme icons and the theme shortcut: toggles.
    void ThemeSwitchClick();
    void CreateThemeSwitch();
    // Shows the icon of the other mode.
    void UpdateThemeIcons();
    // Loads the current mode's style sheet.
    void ApplyStyle();
    // Recolours O and its descendants from their designed colours.
    void ThemeWalk(QObject* O, bool ToLight);
    // The current mode's colours on the main window, the script editor and
    // the manual-brush panel.
    void ApplyThemeColors();

    // ---- Chrome (main_window_chrome.cpp) ----
    void MaxButtonClick();
    void MinButtonClick();
    void LayoutWindowButtons();
    void bnMainMenuClick();
    void ExpanderClick(int family);
    void HistoryToggleLabelClick();

    // ---- Fields of the window (initial values set by FormCreate) ----
    bool FStartupFullScreenDone = false;
    bool FInitialized = false;
    // The initialisation tick found no texture list yet.
    bool FDefaultTexturePending = false;
    float FUIZoom = 1.0f;
    int FDraggedThumbnailIndex = -1;
    quint32 FLastPanTime = 0;
    int FLastMonitorIndex = -1;
    QRect FRestoreBounds;
    bool FIsCustomMaximized = false;
    int FLastLeft = 0;
    int FLastTop = 0;
    int FMenuLastSel = -1;
    QImage FDefaultPreviewBitmap;
    bool FTextBoxUpdating = false;
    bool FFormResizing = false;
    int FContextMenuImageIndex = -1;

    // ---- Timers ----
    QTimer InitializationTimer;
    QTimer FMonitorCheckTimer;
    QTimer FZoomDebounceTimer;
    QTimer FGalleryContextTimer;
    QTimer Timer1;
    QTimer MoveWinTimer;
    QTimer ZoomInTimer;
    QTimer ZoomOutTimer;
    QTimer UpdatePreviewTimer;
    QTimer PreviewDebounceTimer;
    QTimer FontColorTimer;
    QTimer FTextBoxPulseTimer;
    QTimer CleanUpTimer;

    // ---- Controls ----
    QWidget* MainFormRect = nullptr;
    QWidget* TopRect = nullptr;
    QWidget* BottomRect = nullptr;
    QWidget* LeftRect = nullptr;
    QWidget* RightRect = nullptr;

    QWidget* ProgramBarRect = nullptr;
    QWidget* ProgressBarRect = nullptr;
    QLabel* ProgressLabel = nullptr;
    QLabel* DebugLabel = nullptr;
    TIconButton* Sunsvg = nullptr;
    TIconButton* moonsvg = nullptr;
    TIconButton* MinSpeedButton = nullptr;
    TIconButton* MaxSpeedButton = nullptr;
    TIconButton* CloseSpeedButton = nullptr;

    QWidget* Layout1 = nullptr;
    QWidget* MainBarRect = nullptr;
    TIconButton* bnMainMenu = nullptr;
    QLabel* PQLogo = nullptr;
    TIconButton* SpeedButton1 = nullptr;  // open
    TIconButton* SpeedButton2 = nullptr;  // save
    TIconButton* SpeedButton3 = nullptr;  // copy
    TIconButton* SpeedButton4 = nullptr;  // paste
    TIconButton* SpeedButton5 = nullptr;  // undo
    TIconButton* SpeedButton6 = nullptr;  // redo
    TIconButton* SpeedButton7 = nullptr;  // print
    TIconButton* SpeedButton8 = nullptr;  // help
    TIconButton* SpeedButton9 = nullptr;  // donation
    TIconButton* SpeedButton10 = nullptr; // zoom out
    TIconButton* SpeedButton11 = nullptr; // 100 %
    TIconButton* SpeedButton12 = nullptr; // zoom in
    TIconButton* SpeedButton23 = nullptr; // close the program
    TIconButton* SpeedButton24 = nullptr; // split view
    QWidget* SplitRectangle = nullptr;
    QLabel* ZoomLabel = nullptr;

    QFrame* MenuContainer = nullptr;
    QLabel* UIZoomMI = nullptr;

    QWidget* LeftPanelRect = nullptr;
    QScrollArea* PresentedScrollBox2 = nullptr;
    QLabel* Label3 = nullptr; // "TOOLS"
    QLabel* Label4 = nullptr; // "ARTISTIC FILTERS"
    TIconButton* Label5 = nullptr;       // Crop
    TIconButton* Label6 = nullptr;       // Resize
    TIconButton* Label7 = nullptr;       // Rotate left
    TIconButton* Label8 = nullptr;       // Rotate right
    TIconButton* Label9 = nullptr;       // Add text
    TIconButton* Label10 = nullptr;      // Add texture
    TIconButton* Label21 = nullptr;      // Add a frame
    TIconButton* LabelEnhance = nullptr; // Auto-enhance
    QWidget* EffectsLayout = nullptr;
    std::array<TExpander*, 5> Expanders{};      // Expander1..Expander5
    std::array<QListWidget*, 5> ListBoxes{};    // ListBox1..ListBox5
    std::array<TIconButton*, 5> FamilyIcons{};  // SpeedButton19..22, 26
    std::array<QFrame*, 5> FamilyPlates{};      // Rectangle13, 12, 11, 10, 16
    QPushButton* Button3 = nullptr;             // "Manual brush"
    QPushButton* DefaultImageButton = nullptr;  // "Default Image"
    QCheckBox* CheckBox1 = nullptr;             // split-view state, never shown
    QWidget* FEffectAccentBar = nullptr;

    QWidget* WorskpaceRect = nullptr;
    TWorkspaceLayout* Layout2 = nullptr;
    QWidget* PresentedScrollBox1 = nullptr;
    TCanvasView* SkPaintBox1 = nullptr;
    TDropZone* DropZoneRect = nullptr;
    THistoryStrip* HistoryRect = nullptr;
    THistoryToggle* HistoryToggle = nullptr;

    QWidget* RightPanelRect = nullptr;
    QScrollArea* PresentedScrollBox3 = nullptr;
    TPreviewPane* Image1 = nullptr;
    QFrame* ParamsRect = nullptr;
    QLabel* ParamsLabel = nullptr;
    TIconButton* SkSvg44 = nullptr; // load parameter file
    TIconButton* SkSvg45 = nullptr; // save parameter file
    QPointer<QAbstractAnimation> FloatAnimation1;
    QPointer<QAbstractAnimation> FloatAnimation2;
    std::array<QLabel*, 5> ParamLabels{};  // Param1Label..Param5Label
    std::array<QLabel*, 5> ValueLabels{};  // P1labelpc..P5labelpc
    std::array<QSlider*, 5> TrackBars{};   // TrackBar1..TrackBar5
    QWidget* ContourRow = nullptr;
    QLabel* LabelContour = nullptr;
    TToggleSwitch* ContourSwitch = nullptr;
    QPushButton* Button1 = nullptr; // "Apply effect"
    QFrame* OptionsRect = nullptr;
    TToggleSwitch* EraseBdSwitch = nullptr;
    QLabel* Label23 = nullptr;
    TToggleSwitch* AddTextureSwitch = nullptr;
    QLabel* Label38 = nullptr;
    QFrame* LoadBrushesWindow = nullptr;
    QPushButton* TestBrushButton = nullptr;
    QPushButton* ResetBrushesButton = nullptr;
    QFrame* LoadLUTsWindow = nullptr;
    QPushButton* SelectLUTButton = nullptr;

    TOverlayContainer* layOverlayContainer = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // FormCreate, in main_window_create.cpp.
    void FormCreate();
    void CreateTimers();
    // Widget tree, one builder per area.
    void BuildProgramBar(QVBoxLayout* frame);
    void BuildMainBar(QVBoxLayout* frame);
    void BuildMenu();
    void BuildLeftPanel(QWidget* parent);
    void BuildWorkspace(QWidget* parent);
    void BuildRightPanel(QWidget* parent);
    void BuildResizeEdges();
    void PositionResizeEdges();
    void PositionFloatingControls();
    // Connects the workspace's controls, timers and shortcuts.
    void WireWorkspace();

    TDocument FDocument;
    QPointer<QPropertyAnimation> FProgressWidthAnim;
    QPointer<QPropertyAnimation> FProgressLabelXAnim;
    QPointer<QPropertyAnimation> FProgressLabelFade;
    bool FDestroyed = false;
    bool FFirstShowDone = false;
};

extern TForm1* Form1;
// The script editor window; null until it is first opened.
extern QPointer<QWidget> FormScriptEditor;

} // namespace pq
