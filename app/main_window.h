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
class CanvasView;
class ContourColorWindow;
class LUTChooserDialog;
class DropZone;
class Expander;
class GalleryStrip;
class GalleryToggle;
class IconButton;
class OverlayHost;
class PreviewPane;
class ToggleSwitch;
class WorkspaceLayout;

// MainWindow: the main window and the holder of the workspace's shared state
// (its Document); the effect engine's host. Its members are spread over
// app/main_window_*.cpp by concern; the controls keep their designed names
// as object names.
class MainWindow : public QMainWindow, public EngineHost {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // ---- The engine's host (main_window_host.cpp) ----
    gfx::Image resultImage() const override;
    void setResultImage(const gfx::Image& image) override;
    gfx::Image sourceImage() const override;
    ImageHistory* history() override;
    void redrawCanvas() override;
    int runningEffect() const override;
    void setRunningEffect(int number) override;
    bool closeRequested() const override;
    void setCloseRequested(bool value) override;
    void closeWindow() override;
    QString effectName(int number) const override;
    void showMessage(const QString& text) override;
    bool eraseBackground() const override;
    bool drawContours() const override;
    QRgb contourColor() const override;
    bool addTexture() const override;
    gfx::Image storedTexture() const override;
    float storedTextureStrength() const override;
    float storedTextureScale() const override;
    bool customBrushesOn302() const override;
    bool customBrushesOn303() const override;
    bool customBrushesOn304() const override;
    gfx::Image customBrushBitmap302() const override;
    gfx::Image customBrushBitmap303() const override;
    gfx::Image customBrushBitmap304() const override;
    int customBrushCount304() const override;
    bool manualBrushOpen() const override;
    LUTChoice lutChoice() const override;
    float previewZoom() const override;
    QSizeF previewPaneSize() const override;
    void showPreview(const gfx::Image& bitmap) override;
    void setPreviewPercent(int value) override;
    // Messages go through it; tests replace it.
    std::function<void(const QString& text)> showMessageBox;

    Document& doc() { return document_; }
    const Document& doc() const { return document_; }

    // ---- Start-up (main_window_show.cpp) ----
    // The splash hands over: the window becomes the main window and shows.
    void takeOver();
    void firstShow();
    void initialize();
    // The repository's images have been installed.
    void repositoryLoaded();
    // The start-up texture: the second entry of the repository's list.
    bool takeDefaultTexture();
    // The update check's call point (the check itself is not built yet).
    void checkForUpdate();
    bool confirmOverwrite(const QString& fileName);
    // The command line firstShow reads (the program's arguments by default).
    QStringList commandLine;
    // Counts of the first-show work that must happen once per run.
    int initializationRuns = 0;
    int startupImageLoads = 0;

    // ---- Document and busy state (main_window_document.cpp) ----
    bool isEffectRunning() const { return document_.isEffectRunning(); }
    bool isBackgroundWorkRunning() const { return document_.isBackgroundWorkRunning(); }
    void honorDeferredClose() { document_.honorDeferredClose(); }
    void endBackgroundWorker() { document_.endBackgroundWorker(); }
    Document::ResetResult fullReset();
    // Shows the selected effect: slider captions, values and enabled
    // state, the list selection and its accent.
    void showSelectedEffect(QListWidget* box, int itemIndex);
    void placeEffectAccent(QListWidget* box, int itemIndex);
    void showEmptyPreview();
    void updateDropZone();
    QListWidget* listOfFamily(int family) const;

    // ---- Effect choice and sliders (main_window_params.cpp) ----
    // ListBox1ItemClick .. ListBox5ItemClick: family 1..5.
    void selectListedEffect(int family, int index);
    // TrackBar1Tracking .. TrackBar5Tracking: k 1..5.
    void sliderMoved(int k);
    void resetEffectSliders();
    void resetSlider(int k);
    // The five slider values, rounded.
    std::array<int, 5> sliderValues() const;

    // ---- Parameter file (main_window_paramfile.cpp) ----
    // Writes params to a .pqk file (through a temporary file); throws
    // std::runtime_error on a write error.
    void saveParameters(const QString& fileName);
    // Reads a .pqk file into params and moves the sliders to the selected
    // effect's values; a missing file does nothing. A file that is not a
    // parameter file changes nothing; either throws std::runtime_error
    // with the reason, as does a file of which a part could not be read
    // (after the rest was taken).
    void loadParameters(const QString& fileName);
    void chooseParametersToLoad(); // load
    void chooseParametersToSave(); // save
    // The mouse over the heading or its icons: they light up, and fade
    // again a while after the mouse has left.
    void lightParameterIcons();
    void loadIconFaded();
    void saveIconFaded();
    // Starts both icons' fades (the clean-up timer's countdown ended).
    void fadeParameterIcons();

    // ---- Effect options (main_window_options.cpp) ----
    void toggleEraseBackground();
    void addTextureSwitched();
    void toggleContours();
    // Shows the option boxes of the selected effect and enables "Erase
    // background" for the effects that honour it (PresentedScrollBox3Paint).
    void showEffectOptions();
    void updateBrushButtons();
    void loadCustomBrushes();
    void resetCustomBrushes();
    // The right panel's "Add texture" takes the tool label's text.
    void syncAddTextureLabel();

    // ---- Contour colour window (main_window_contour.cpp) ----
    void showContourColorWindow();
    void hideContourColorWindow();
    void placeContourColorWindow();
    QRgb contourPanelColor() const;
    void contourColorChanged();
    void pollContourColor();
    void contourColorWindowClosed();
    ContourColorWindow* contourColorWindow = nullptr;
    std::unique_ptr<QTimer> contourColorTimer;

    // ---- LUT choice (main_window_lut.cpp) ----
    // The first built-in table when it can be read; the preview timer
    // starts when one is chosen. Errors are swallowed.
    void initEmbeddedLuTs();
    // The built-in table of that name (any case); false, with nothing
    // changed, when there is none.
    bool loadEmbeddedLut(const QString& name);
    void chooseLUT();
    // Opens the chooser (not while an effect runs, nor without an image).
    void showLUTChooser();
    void onLutApplied(const QString& lutName, const QByteArray& lutData, const QString& filePath);
    // Runs the chooser; tests replace it. By default a modal dialog.
    std::function<void(LUTChooserDialog& chooser)> runLUTChooser;

    // ---- Preview pane, apply (main_window_preview.cpp) ----
    void previewTimerTick();
    void previewDebounceTick();
    void requestPreview();
    // The running preview no longer counts (the pane's window or the effect
    // changed): its pictures and progress are dropped.
    void supersedePreview();
    // Shows the untreated source window in the pane.
    void showPreviewSource();
    void applyEffect();
    void previewPressed(QPointF pos);
    void previewDragged(Qt::MouseButtons buttons, QPointF pos);
    void previewReleased();
    void previewWheel(int delta);
    void zoomPreviewIn();
    void zoomPreviewOut();
    void resetPreviewZoom();
    QPointF lastPreviewPos;

    // ---- Main canvas (main_window_canvas.cpp) ----
    void zoomIn();
    void zoomOut();
    void canvasWheel(int delta, QPointF pos);
    void zoomGestureEnded();
    void fitToView();
    void centreImage();
    void actualSizeAndCentre();
    void updateCanvasSize();
    void canvasPressed(Qt::MouseButton button, QPointF pos);
    void canvasDragged(Qt::MouseButtons buttons, QPointF pos);
    void canvasReleased(Qt::MouseButton button, QPointF pos);
    void showFullScreen();
    void cleanUpTick();
    // The viewport size the view operations use.
    QSize viewportSize() const;
    QPointF lastMousePos;
    QPointer<QWidget> fullScreenViewer;

    // ---- Split view (main_window_split.cpp) ----
    void toggleSplitView();
    void splitViewChanged();
    void updateDivider();
    double& dividerX();
    bool draggingDivider = false;
    QWidget* divider = nullptr;

    // ---- Opening and saving (main_window_files.cpp) ----
    // The open dialog.
    void openImage();
    // Makes the image file the new document; false when it cannot (the
    // document then stays as it was).
    bool openImageFile(const QString& fileName);
    void openDefaultImage();
    bool showDefaultImage();
    // Shows an opened image as the new document at 100 %, the preview
    // pane's window `previewInset` pixels up and left of its centre.
    bool showAsNewDocument(const gfx::Image& image, int previewInset);
    bool acceptsDrop(const QMimeData* data) const;
    void drop(const QMimeData* data);
    void saveImage();
    // The file dialogs; tests replace them. Empty when cancelled.
    std::function<QString(const QString& title, const QString& filter)> getOpenFileName;
    std::function<QString(const QString& title, const QString& proposal, int filterIndex)> getSaveFileName;
    // Several files at once (brush sheets); empty when cancelled.
    std::function<QStringList(const QString& title, const QString& filter)> getOpenFileNames;
    // Saving a data file of the given filter and default suffix (.pqk).
    std::function<QString(const QString& title, const QString& filter, const QString& suffix)> getSaveDataFileName;

    // ---- Commands (main_window_commands.cpp) ----
    void undo(); // undo
    void redo(); // redo
    void autoEnhance();
    // The workspace's keyboard shortcuts; true when the key was consumed.
    bool handleKey(int key, const QString& text, Qt::KeyboardModifiers modifiers);
    // A main-menu entry was chosen.
    void runMenuEntry(const QString& name);
    std::shared_ptr<AutoEnhanceCommand> autoEnhancer;

    // ---- Progress bar (main_window_progress.cpp) ----
    // 0..100 shows a full run's progress; any other value hides the bar.
    void updateProgressBar(int value) override;

    // ---- Closing and shut-down (main_window_close.cpp) ----
    // The unsaved-changes question; true when the window may close.
    bool mayClose();
    // Runs after an allowed close query; false when the close is refused
    // because work runs (and then remembered in closeRequested).
    bool closeAllowed();
    // Stops timers, waits for workers and frees the document's objects.
    // Returns false when workers were still running after the wait: then
    // nothing they share was freed and the process must end at once.
    bool shutDown();
    // Asks a Yes/No question; tests replace it.
    std::function<bool(const QString& text)> askYesNo;
    // Longest wait for workers at shut-down.
    int shutdownWaitMs = 5000;
    // The user agreed to discard changes for a close that was deferred: the
    // deferred close does not ask again.
    bool discardAgreed = false;

    // ---- Overlay panels and script editor, the parts the shell uses
    //      (main_window_overlay.cpp) ----
    void showOverlayPanel(QWidget* frame);
    void closeOverlay();
    void closeManualBrush();
    void showScriptEditor();
    void hideScriptEditorForDialog();
    void unlinkScriptEditor();
    QPointer<QWidget> manualBrushPanel;
    // True while the open manual-brush panel applies a stroke.
    bool manualBrushApplying = false;
    bool batchRunning = false;
    std::unique_ptr<QTimer> batchTimer;
    std::unique_ptr<QStringList> batchFiles;
    std::unique_ptr<QStringList> batchScriptText;
    QStringList batchScript;

    // ---- Theme (main_window_theme.cpp) ----
    // Switches the whole program to the mode and keeps it in the settings.
    void applyTheme(ThemeMode mode);
    void setLightMode(bool value);
    // The click of both theme icons and the theme shortcut: toggles.
    void toggleTheme();
    void createThemeSwitch();
    // Shows the icon of the other mode.
    void updateThemeIcons();
    // Loads the current mode's style sheet.
    void applyStyle();
    // Recolours O and its descendants from their designed colours.
    void themeWalk(QObject* o, bool toLight);
    // The current mode's colours on the main window, the script editor and
    // the manual-brush panel.
    void applyThemeColors();

    // ---- Chrome (main_window_chrome.cpp) ----
    void toggleMaximized();
    void minimize();
    void updateWindowButtons();
    void toggleMainMenu();
    void toggleFamily(int family);
    void toggleGallery();

    // ---- Fields of the window (initial values set by create) ----
    bool startupLayoutDone = false;
    bool initialized = false;
    // The initialisation tick found no texture list yet.
    bool defaultTexturePending = false;
    float interfaceZoom = 1.0f;
    int draggedTile = -1;
    quint32 lastPreviewPanTime = 0;
    int lastMonitorIndex = -1;
    QRect restoreBounds;
    bool maximized = false;
    int lastLeft = 0;
    int lastTop = 0;
    int menuSelection = -1;
    QImage defaultPreviewPicture;
    bool textBoxUpdating = false;
    bool resizing = false;
    int contextMenuTile = -1;

    // ---- Timers ----
    QTimer initializationTimer;
    QTimer monitorCheckTimer;
    QTimer zoomDebounceTimer;
    QTimer galleryContextTimer;
    QTimer timer1;
    QTimer moveWindowTimer;
    QTimer zoomInRepeat;
    QTimer zoomOutRepeat;
    QTimer previewTimer;
    QTimer previewDebounceTimer;
    QTimer fontColorTimer;
    QTimer textBoxPulseTimer;
    QTimer cleanUpTimer;

    // ---- Controls ----
    QWidget* windowFrame = nullptr;
    QWidget* topEdge = nullptr;
    QWidget* bottomEdge = nullptr;
    QWidget* leftEdge = nullptr;
    QWidget* rightEdge = nullptr;

    QWidget* titleBar = nullptr;
    QWidget* progressBar = nullptr;
    QLabel* progressLabel = nullptr;
    QLabel* debugLabel = nullptr;
    IconButton* lightThemeButton = nullptr;
    IconButton* darkThemeButton = nullptr;
    IconButton* minimizeButton = nullptr;
    IconButton* maximizeButton = nullptr;
    IconButton* closeWindowButton = nullptr;

    QWidget* toolBarRow = nullptr;
    QWidget* toolBar = nullptr;
    IconButton* menuButton = nullptr;
    QLabel* logoLabel = nullptr;
    IconButton* openButton = nullptr;  // open
    IconButton* saveButton = nullptr;  // save
    IconButton* copyButton = nullptr;  // copy
    IconButton* pasteButton = nullptr;  // paste
    IconButton* undoButton = nullptr;  // undo
    IconButton* redoButton = nullptr;  // redo
    IconButton* printButton = nullptr;  // print
    IconButton* helpButton = nullptr;  // help
    IconButton* donateButton = nullptr;  // donation
    IconButton* zoomOutButton = nullptr; // zoom out
    IconButton* actualSizeButton = nullptr; // 100 %
    IconButton* zoomInButton = nullptr; // zoom in
    IconButton* quitButton = nullptr; // close the program
    IconButton* splitViewButton = nullptr; // split view
    QWidget* splitViewMark = nullptr;
    QLabel* zoomLabel = nullptr;

    QFrame* mainMenu = nullptr;
    QLabel* interfaceZoomItem = nullptr;

    QWidget* leftPanel = nullptr;
    QScrollArea* leftPanelScroll = nullptr;
    QLabel* toolsHeading = nullptr; // "TOOLS"
    QLabel* filtersHeading = nullptr; // "ARTISTIC FILTERS"
    IconButton* cropButton = nullptr;       // Crop
    IconButton* resizeButton = nullptr;       // Resize
    IconButton* rotateLeftButton = nullptr;       // Rotate left
    IconButton* rotateRightButton = nullptr;       // Rotate right
    IconButton* textButton = nullptr;       // Add text
    IconButton* textureButton = nullptr;      // Add texture
    IconButton* frameButton = nullptr;      // Add a frame
    IconButton* enhanceButton = nullptr; // Auto-enhance
    QWidget* effectFamilies = nullptr;
    std::array<Expander*, 5> familyExpanders{};      // Expander1..Expander5
    std::array<QListWidget*, 5> effectLists{};    // ListBox1..ListBox5
    std::array<IconButton*, 5> familyIcons{};  // SpeedButton19..22, 26
    std::array<QFrame*, 5> familyPlates{};      // Rectangle13, 12, 11, 10, 16
    QPushButton* manualBrushButton = nullptr;             // "Manual brush"
    QPushButton* defaultImageButton = nullptr;  // "Default Image"
    QCheckBox* splitViewState = nullptr;             // split-view state, never shown
    QWidget* effectAccentBar = nullptr;

    QWidget* workspaceArea = nullptr;
    WorkspaceLayout* workspaceLayout = nullptr;
    QWidget* canvasViewport = nullptr;
    CanvasView* canvasView = nullptr;
    DropZone* dropZone = nullptr;
    GalleryStrip* galleryStrip = nullptr;
    GalleryToggle* galleryToggle = nullptr;

    QWidget* rightPanel = nullptr;
    QScrollArea* rightPanelScroll = nullptr;
    PreviewPane* previewPane = nullptr;
    QFrame* parametersBox = nullptr;
    QLabel* parametersHeading = nullptr;
    IconButton* loadParametersButton = nullptr; // load parameter file
    IconButton* saveParametersButton = nullptr; // save parameter file
    QPointer<QAbstractAnimation> loadIconFade;
    QPointer<QAbstractAnimation> saveIconFade;
    std::array<QLabel*, 5> sliderCaptions{};  // Param1Label..Param5Label
    std::array<QLabel*, 5> sliderValueLabels{};  // P1labelpc..P5labelpc
    std::array<QSlider*, 5> sliders{};   // TrackBar1..TrackBar5
    QWidget* contourRow = nullptr;
    QLabel* contourLabel = nullptr;
    ToggleSwitch* contourSwitch = nullptr;
    QPushButton* applyButton = nullptr; // "Apply effect"
    QFrame* optionsBox = nullptr;
    ToggleSwitch* eraseBackgroundSwitch = nullptr;
    QLabel* eraseBackgroundLabel = nullptr;
    ToggleSwitch* addTextureSwitch = nullptr;
    QLabel* addTextureLabel = nullptr;
    QFrame* customBrushesBox = nullptr;
    QPushButton* loadBrushesButton = nullptr;
    QPushButton* resetBrushesButton = nullptr;
    QFrame* lutBox = nullptr;
    QPushButton* selectLUTButton = nullptr;

    OverlayHost* overlayHost = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // create, in main_window_create.cpp.
    void create();
    void createTimers();
    // Widget tree, one builder per area.
    void buildTitleBar(QVBoxLayout* frame);
    void buildToolBar(QVBoxLayout* frame);
    void buildMainMenu();
    void buildLeftPanel(QWidget* parent);
    void buildWorkspace(QWidget* parent);
    void buildRightPanel(QWidget* parent);
    void buildResizeEdges();
    void placeResizeEdges();
    void placeFloatingControls();
    // Connects the workspace's controls, timers and shortcuts.
    void wireWorkspace();

    Document document_;
    QPointer<QPropertyAnimation> progressWidthAnimation_;
    QPointer<QPropertyAnimation> progressLabelMove_;
    QPointer<QPropertyAnimation> progressLabelFade_;
    bool destroyed_ = false;
    bool firstShowDone_ = false;
};

extern MainWindow* gMainWindow;
// The script editor window; null until it is first opened.
extern QPointer<QWidget> gScriptEditor;

} // namespace pq
