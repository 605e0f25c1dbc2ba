// The right panel: preview pane, parameters with the Apply button, and the
// effect options.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "ui/theme_style.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"
#include "ui/widgets/toggle_switch.h"
#include "workspace/preview_pane.h"

#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>

namespace pq {

namespace {

QWidget* OptionRow(QLabel*& label, const char* labelName, const QString& text, ToggleSwitch*& toggle,
                   const char* switchName, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    label = new QLabel(text, row);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setProperty("role", "option");
    label->setFont(InterfaceFont(13));
    toggle = new ToggleSwitch(row);
    toggle->setObjectName(QString::fromLatin1(switchName));
    layout->addWidget(label, 1);
    layout->addWidget(toggle);
    return row;
}

QFrame* Card(const char* name, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setStyleSheet(QStringLiteral("#%1 { background: %2; border-radius: 15px; }")
                             .arg(QString::fromLatin1(name), DarkPalette().raised.name()));
    return frame;
}

} // namespace

void MainWindow::buildRightPanel(QWidget* parent)
{
    auto* outer = new QVBoxLayout(parent);
    outer->setContentsMargins(0, 0, 0, 0);
    rightPanel = new QWidget(parent);
    rightPanel->setObjectName(QStringLiteral("rightPanel"));
    rightPanel->setAttribute(Qt::WA_StyledBackground);
    rightPanel->setFixedWidth(275);
    outer->addWidget(rightPanel);
    auto* panel = new QVBoxLayout(rightPanel);
    panel->setContentsMargins(0, 6, 0, 6);

    rightPanelScroll = new QScrollArea(rightPanel);
    rightPanelScroll->setObjectName(QStringLiteral("rightPanelScroll"));
    rightPanelScroll->setWidgetResizable(true);
    rightPanelScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rightPanelScroll->setFrameShape(QFrame::NoFrame);
    panel->addWidget(rightPanelScroll);

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("RightPanelContent"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(16, 12, 16, 10);
    column->setSpacing(14);

    // Preview pane; its empty look is the panel's plate colour.
    previewPane = new PreviewPane(document_, content);
    previewPane->setObjectName(QStringLiteral("previewPane"));
    QImage placeholder(PreviewPane::kSize, PreviewPane::kSize, QImage::Format_ARGB32_Premultiplied);
    placeholder.fill(DarkPalette().frame);
    previewPane->setBitmap(placeholder);
    column->addWidget(previewPane, 0, Qt::AlignHCenter);

    // Parameters.
    parametersBox = Card("parametersBox", content);
    auto* params = new QVBoxLayout(parametersBox);
    params->setContentsMargins(16, 14, 16, 16);
    params->setSpacing(0);
    parametersHeading = new QLabel(Translate(QStringLiteral("PARAMETERS")), parametersBox);
    parametersHeading->setObjectName(QStringLiteral("parametersHeading"));
    QFont heading = InterfaceFont(12, QFont::DemiBold);
    heading.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    parametersHeading->setFont(heading);
    parametersHeading->setToolTip(Translate(QStringLiteral("Double-click to reset this effect's parameters")));
    parametersHeading->setMouseTracking(true);
    // The parameter file's icons right of the heading, faint at rest.
    auto* headingRow = new QHBoxLayout;
    headingRow->setContentsMargins(0, 0, 0, 0);
    headingRow->setSpacing(6);
    headingRow->addWidget(parametersHeading);
    loadParametersButton = new IconButton(QStringLiteral("open"), parametersBox);
    loadParametersButton->setObjectName(QStringLiteral("loadParametersButton"));
    loadParametersButton->setToolTip(Translate(QStringLiteral("Load parameter file")));
    saveParametersButton = new IconButton(QStringLiteral("save"), parametersBox);
    saveParametersButton->setObjectName(QStringLiteral("saveParametersButton"));
    saveParametersButton->setToolTip(Translate(QStringLiteral("Save parameter file")));
    for (IconButton* icon : {loadParametersButton, saveParametersButton}) {
        icon->setIconPixelSize(16);
        icon->setFixedSize(16, 16);
        icon->setCursor(Qt::PointingHandCursor);
        icon->setMouseTracking(true);
        auto* fade = new QGraphicsOpacityEffect(icon);
        fade->setOpacity(0.3);
        icon->setGraphicsEffect(fade);
        headingRow->addWidget(icon);
    }
    headingRow->addStretch(1);
    params->addLayout(headingRow);
    params->addSpacing(10);
    for (int k = 0; k < 5; ++k) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        auto* caption = new QLabel(parametersBox);
        caption->setObjectName(QStringLiteral("Param%1Label").arg(k + 1));
        caption->setProperty("role", "paramCaption");
        caption->setFont(InterfaceFont(13));
        caption->setToolTip(Translate(QStringLiteral("Double-click to reset this slider")));
        caption->setMinimumWidth(0);
        // Captions may come from a parameter file: never rich text.
        caption->setTextFormat(Qt::PlainText);
        auto* value = new QLabel(QStringLiteral("0"), parametersBox);
        value->setObjectName(QStringLiteral("P%1labelpc").arg(k + 1));
        value->setProperty("role", "paramValue");
        value->setFont(InterfaceFont(13, QFont::DemiBold));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setFixedWidth(34);
        row->addWidget(caption, 1);
        row->addWidget(value);
        params->addLayout(row);
        params->addSpacing(4);
        auto* slider = new QSlider(Qt::Horizontal, parametersBox);
        slider->setObjectName(QStringLiteral("TrackBar%1").arg(k + 1));
        slider->setRange(0, 100);
        slider->setCursor(Qt::PointingHandCursor);
        slider->setFocusPolicy(Qt::NoFocus);
        params->addWidget(slider);
        params->addSpacing(k < 4 ? 12 : 14);
        sliderCaptions[k] = caption;
        sliderValueLabels[k] = value;
        sliders[k] = slider;
    }
    contourRow = OptionRow(contourLabel, "contourLabel", Translate(QStringLiteral("Draw shape contours")),
                           contourSwitch, "contourSwitch", parametersBox);
    params->addWidget(contourRow);
    contourRow->hide();
    params->addSpacing(6);
    applyButton = new QPushButton(Translate(QStringLiteral("Apply effect")), parametersBox);
    applyButton->setObjectName(QStringLiteral("applyButton"));
    applyButton->setProperty("role", "primary");
    applyButton->setFixedHeight(40);
    applyButton->setFont(InterfaceFont(14, QFont::DemiBold));
    applyButton->setCursor(Qt::PointingHandCursor);
    params->addWidget(applyButton);
    column->addWidget(parametersBox);

    // Options.
    optionsBox = Card("optionsBox", content);
    auto* options = new QVBoxLayout(optionsBox);
    options->setContentsMargins(16, 12, 16, 12);
    options->setSpacing(10);
    options->addWidget(OptionRow(eraseBackgroundLabel, "eraseBackgroundLabel", Translate(QStringLiteral("Erase background")), eraseBackgroundSwitch,
                                 "eraseBackgroundSwitch", optionsBox));
    options->addWidget(OptionRow(addTextureLabel, "addTextureLabel", Translate(QStringLiteral("Add texture")), addTextureSwitch,
                                 "addTextureSwitch", optionsBox));
    column->addWidget(optionsBox);
    eraseBackgroundSwitch->setChecked(document_.eraseBackground.load());
    addTextureSwitch->setChecked(document_.addTexture.load());
    contourSwitch->setChecked(document_.drawContours.load());
    // "Add texture" is on exactly while its switch shows on.
    connect(addTextureSwitch, &QAbstractButton::toggled, this, [this](bool on) { document_.addTexture = on; });

    // Boxes shown only for the effects they concern.
    customBrushesBox = Card("customBrushesBox", content);
    auto* brushes = new QVBoxLayout(customBrushesBox);
    brushes->setContentsMargins(14, 12, 14, 12);
    brushes->setSpacing(8);
    loadBrushesButton = new QPushButton(Translate(QStringLiteral("Load custom brushes")), customBrushesBox);
    loadBrushesButton->setObjectName(QStringLiteral("loadBrushesButton"));
    resetBrushesButton = new QPushButton(Translate(QStringLiteral("Reset brushes")), customBrushesBox);
    resetBrushesButton->setObjectName(QStringLiteral("resetBrushesButton"));
    resetBrushesButton->setProperty("role", "ghost");
    resetBrushesButton->hide();
    brushes->addWidget(loadBrushesButton);
    brushes->addWidget(resetBrushesButton);
    column->addWidget(customBrushesBox);
    customBrushesBox->hide();

    lutBox = Card("lutBox", content);
    auto* luts = new QVBoxLayout(lutBox);
    luts->setContentsMargins(14, 12, 14, 12);
    selectLUTButton = new QPushButton(Translate(QStringLiteral("Select LUT...")), lutBox);
    selectLUTButton->setObjectName(QStringLiteral("selectLUTButton"));
    luts->addWidget(selectLUTButton);
    column->addWidget(lutBox);
    lutBox->hide();

    for (QPushButton* b : {loadBrushesButton, resetBrushesButton, selectLUTButton}) {
        b->setFixedHeight(34);
        b->setFont(InterfaceFont(13, QFont::Medium));
        b->setCursor(Qt::PointingHandCursor);
    }
    column->addStretch(1);
    rightPanelScroll->setWidget(content);
}

void MainWindow::showEmptyPreview()
{
    if (!document_.resultImage.isNull())
        return;
    QImage empty(PreviewPane::kSize, PreviewPane::kSize, QImage::Format_ARGB32_Premultiplied);
    empty.fill(QColor::fromRgba(gThemeMode == ThemeMode::Light ? 0xFFFFFFFFu : 0xFF314158u));
    previewPane->setBitmap(empty);
}

} // namespace pq
