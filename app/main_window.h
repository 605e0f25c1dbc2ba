#pragma once

#include "app/box_keys.h"
#include "app/commands.h"
#include "ui/theme.h"
#include "workspace/document.h"
#include "workspace/document_host.h"
#include "workspace/user_dialogs.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QTimer>

#include <memory>

namespace pq {

class AutoEnhanceCommand;
class BatchMode;
class CanvasArea;
class CaptionMarquees;
class DocumentActions;
class EditingTools;
class DocumentPanels;
class DocumentScripts;
class EffectLists;
class EffectPanel;
class GalleryPart;
class PrintWindow;
class InfoBoxes;
class InterfaceLanguages;
class InterfaceZoom;
class LeftPanel;
class ManualBrush;
class MainMenu;
class MenuKeys;
class MonitorWatch;
class PanelHost;
class PreviewPanel;
class RightPanel;
class SelectorPanels;
class TitleBar;
class ToolBar;
class WindowChrome;
class WindowEdges;

// The main window: the document and the parts that show and change it,
// composed into one borderless window. The parts own their widgets and
// behaviour; the window wires them together, runs the commands that span
// several parts, and owns start-up, theme and shut-down.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    Document& document() { return document_; }
    UserDialogs& dialogs() { return dialogs_; }
    DocumentHost& engineHost() { return host_; }
    const CommandTable& commands() const { return commands_; }
    CommandTable& commands() { return commands_; }
    TitleBar& titleBar() const { return *titleBar_; }
    ToolBar& toolBar() const { return *toolBar_; }
    MainMenu& mainMenu() const { return *menu_; }
    EffectLists& effectLists() const;
    EffectPanel& effectPanel() const;
    PreviewPanel& previewPanel() const;
    CanvasArea& canvasArea() const { return *canvas_; }
    LeftPanel& leftPanel() const { return *leftPanel_; }
    DocumentActions& documentActions() const { return *actions_; }
    EditingTools& editingTools() const { return *editingTools_; }
    PanelHost& panels() const { return *panels_; }
    InfoBoxes& infoBoxes() const { return *infoBoxes_; }
    CaptionMarquees& marquees() const { return *marquees_; }
    ShortcutFilter& shortcuts() const { return *shortcuts_; }
    // What Enter and Esc do with the open boxes; the parts fill it.
    BoxKeys boxKeys;
    DocumentPanels& documentPanels() const { return *documentPanels_; }
    SelectorPanels& selectorPanels() const { return *selectorPanels_; }
    GalleryPart& gallery() const { return *gallery_; }
    PrintWindow& printWindow() const { return *printWindow_; }
    ManualBrush& manualBrush() const { return *manualBrush_; }
    // Script runs over the document; the editor's requests go here.
    DocumentScripts& scripts() const;
    // Batch processing: its start panel, overlay and controller.
    BatchMode& batch() const { return *batch_; }
    // The borderless chrome, the interface zoom, the monitor watch and the
    // menu's keyboard navigation.
    WindowChrome& chrome() const { return *chrome_; }
    WindowEdges& edges() const { return *edges_; }
    InterfaceZoom& zoom() const { return *zoom_; }
    MonitorWatch& monitorWatch() const { return *monitorWatch_; }
    MenuKeys& menuKeys() const { return *menuKeys_; }
    // The language popup, the language change and the lists' export.
    InterfaceLanguages& languages() const { return *languages_; }

    // ---- Start-up ----
    // The splash hands over: the window shows and comes to the front.
    void takeOver();
    // The tick after the first show: defaults, layout, the default effect.
    void initialize();
    // The repository's images have been installed.
    void repositoryLoaded();
    // The arguments the first show reads (the program's by default).
    QStringList commandLine;
    bool initialized = false;
    int initializationRuns = 0;
    int startupImageLoads = 0;
    // The initialisation tick found no texture list yet.
    bool defaultTexturePending = false;
    float interfaceZoom = 1.0f;

    // ---- Commands that span several parts ----
    void selectListedEffect(int family, int index);
    void openImage();
    void autoEnhance();
    Document::ResetResult fullReset();
    void toggleMaximized();
    void showFullScreenViewer();
    QPointer<QWidget> fullScreenViewer;
    void applyTheme(ThemeMode mode);
    void toggleTheme();
    // The splash window again, as the About box over this window.
    void showAbout();

    // ---- Closing ----
    // Stops timers, waits for workers and frees the document's objects.
    // Returns false when workers were still running after the wait: then
    // nothing they share was freed and the process must end at once.
    bool shutDown();
    // Longest wait for workers at shut-down.
    int shutdownWaitMs = 5000;
    bool timersRunning() const;
    // Maximised to the screen's work area by the window's own button.
    bool maximizedToWorkArea() const { return maximized_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildParts();
    void wireParts();
    void buildCommands();
    void wireShell();
    void wireBoxKeys();
    void wireScripts();
    QWidget* makeScriptEditor();
    void wireChrome();
    void relayoutAfterRescale();
    void toggleMainMenu();
    void setUpCaptions();
    void firstShow();
    bool takeDefaultTexture();
    bool mayClose();
    bool closeAllowed();
    void applyThemeColors();
    void placeFloatingControls();
    // The resize strips: hidden by the window's own maximise, shown again
    // by the restore and by a move, which may leave the maximised window.
    void placeEdges();
    void cleanUpTick();

    Document document_;
    UserDialogs dialogs_;
    DocumentHost host_;
    CommandTable commands_;
    std::shared_ptr<AutoEnhanceCommand> autoEnhancer_;
    std::unique_ptr<DocumentScripts> scripts_;
    std::unique_ptr<BatchMode> batch_;

    QWidget* frame_ = nullptr;
    TitleBar* titleBar_ = nullptr;
    ToolBar* toolBar_ = nullptr;
    MainMenu* menu_ = nullptr;
    LeftPanel* leftPanel_ = nullptr;
    RightPanel* rightPanel_ = nullptr;
    CanvasArea* canvas_ = nullptr;
    DocumentActions* actions_ = nullptr;
    PanelHost* panels_ = nullptr;
    DocumentPanels* documentPanels_ = nullptr;
    SelectorPanels* selectorPanels_ = nullptr;
    ManualBrush* manualBrush_ = nullptr;
    EditingTools* editingTools_ = nullptr;
    WindowEdges* edges_ = nullptr;
    InfoBoxes* infoBoxes_ = nullptr;
    CaptionMarquees* marquees_ = nullptr;
    ShortcutFilter* shortcuts_ = nullptr;
    GalleryPart* gallery_ = nullptr;
    PrintWindow* printWindow_ = nullptr;
    WindowChrome* chrome_ = nullptr;
    InterfaceZoom* zoom_ = nullptr;
    MonitorWatch* monitorWatch_ = nullptr;
    std::unique_ptr<MenuKeys> menuKeys_;
    InterfaceLanguages* languages_ = nullptr;

    QTimer initializationTimer_;
    QTimer cleanUpTimer_;
    QRect restoreBounds_;
    bool maximized_ = false;
    bool edgesShown_ = true;
    bool startupLayoutDone_ = false;
    bool firstShowDone_ = false;
    bool destroyed_ = false;
    // The user agreed to discard changes for a close that was deferred: the
    // deferred close does not ask again.
    bool discardAgreed_ = false;
};

} // namespace pq
