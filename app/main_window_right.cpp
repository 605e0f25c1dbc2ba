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

QWidget* optionRow(QLabel*& label, const char* labelName, const QString& text, TToggleSwitch*& toggle,
                   const char* switchName, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    label = new QLabel(text, row);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setProperty("role", "option");
    label->setFont(InterfaceFont(13));
    toggle = new TToggleSwitch(row);
    toggle->setObjectName(QString::fromLatin1(switchName));
    layout->addWidget(label, 1);
    layout->addWidget(toggle);
    return row;
}

QFrame* card(const char* name, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setStyleSheet(QStringLiteral("#%1 { background: %2; border-radius: 15px; }")
                             .arg(QString::fromLatin1(name), DarkPalette().raised.name()));
    return frame;
}

} // namespace

void TForm1::BuildRightPanel(QWidget* parent)
{
    auto* outer = new QVBoxLayout(parent);
    outer->setContentsMargins(0, 0, 0, 0);
    RightPanelRect = new QWidget(parent);
    RightPanelRect->setObjectName(QStringLiteral("RightPanelRect"));
    RightPanelRect->setAttribute(Qt::WA_StyledBackground);
    RightPanelRect->setFixedWidth(275);
    outer->addWidget(RightPanelRect);
    auto* panel = new QVBoxLayout(RightPanelRect);
    panel->setContentsMargins(0, 6, 0, 6);

    PresentedScrollBox3 = new QScrollArea(RightPanelRect);
    PresentedScrollBox3->setObjectName(QStringLiteral("PresentedScrollBox3"));
    PresentedScrollBox3->setWidgetResizable(true);
    PresentedScrollBox3->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PresentedScrollBox3->setFrameShape(QFrame::NoFrame);
    panel->addWidget(PresentedScrollBox3);

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("RightPanelContent"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(16, 12, 16, 10);
    column->setSpacing(14);

    // Preview pane; its empty look is the panel's plate colour.
    Image1 = new TPreviewPane(FDocument, content);
    Image1->setObjectName(QStringLiteral("Image1"));
    QImage placeholder(TPreviewPane::kSize, TPreviewPane::kSize, QImage::Format_ARGB32_Premultiplied);
    placeholder.fill(DarkPalette().frame);
    Image1->setBitmap(placeholder);
    column->addWidget(Image1, 0, Qt::AlignHCenter);

    // Parameters.
    ParamsRect = card("ParamsRect", content);
    auto* params = new QVBoxLayout(ParamsRect);
    params->setContentsMargins(16, 14, 16, 16);
    params->setSpacing(0);
    ParamsLabel = new QLabel(Translate(QStringLiteral("PARAMETERS")), ParamsRect);
    ParamsLabel->setObjectName(QStringLiteral("ParamsLabel"));
    QFont heading = InterfaceFont(12, QFont::DemiBold);
    heading.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    ParamsLabel->setFont(heading);
    ParamsLabel->setToolTip(Translate(QStringLiteral("Double-click to reset this effect's parameters")));
    ParamsLabel->setMouseTracking(true);
    // The parameter file's icons right of the heading, faint at rest.
    auto* heading_row = new QHBoxLayout;
    heading_row->setContentsMargins(0, 0, 0, 0);
    heading_row->setSpacing(6);
    heading_row->addWidget(ParamsLabel);
    SkSvg44 = new TIconButton(QStringLiteral("open"), ParamsRect);
    SkSvg44->setObjectName(QStringLiteral("SkSvg44"));
    SkSvg44->setToolTip(Translate(QStringLiteral("Load parameter file")));
    SkSvg45 = new TIconButton(QStringLiteral("save"), ParamsRect);
    SkSvg45->setObjectName(QStringLiteral("SkSvg45"));
    SkSvg45->setToolTip(Translate(QStringLiteral("Save parameter file")));
    for (TIconButton* icon : {SkSvg44, SkSvg45}) {
        icon->setIconPixelSize(16);
        icon->setFixedSize(16, 16);
        icon->setCursor(Qt::PointingHandCursor);
        icon->setMouseTracking(true);
        auto* fade = new QGraphicsOpacityEffect(icon);
        fade->setOpacity(0.3);
        icon->setGraphicsEffect(fade);
        heading_row->addWidget(icon);
    }
    heading_row->addStretch(1);
    params->addLayout(heading_row);
    params->addSpacing(10);
    for (int k = 0; k < 5; ++k) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        auto* caption = new QLabel(ParamsRect);
        caption->setObjectName(QStringLiteral("Param%1Label").arg(k + 1));
        caption->setProperty("role", "paramCaption");
        caption->setFont(InterfaceFont(13));
        caption->setToolTip(Translate(QStringLiteral("Double-click to reset this slider")));
        caption->setMinimumWidth(0);
        // Captions may come from a parameter file: never rich text.
        caption->setTextFormat(Qt::PlainText);
        auto* value = new QLabel(QStringLiteral("0"), ParamsRect);
        value->setObjectName(QStringLiteral("P%1labelpc").arg(k + 1));
        value->setProperty("role", "paramValue");
        value->setFont(InterfaceFont(13, QFont::DemiBold));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setFixedWidth(34);
        row->addWidget(caption, 1);
        row->addWidget(value);
        params->addLayout(row);
        params->addSpacing(4);
        auto* slider = new QSlider(Qt::Horizontal, ParamsRect);
        slider->setObjectName(QStringLiteral("TrackBar%1").arg(k + 1));
        slider->setRange(0, 100);
        slider->setCursor(Qt::PointingHandCursor);
        slider->setFocusPolicy(Qt::NoFocus);
        params->addWidget(slider);
        params->addSpacing(k < 4 ? 12 : 14);
        ParamLabels[k] = caption;
        ValueLabels[k] = value;
        TrackBars[k] = slider;
    }
    ContourRow = optionRow(LabelContour, "LabelContour", Translate(QStringLiteral("Draw shape contours")),
                           ContourSwitch, "ContourSwitch", ParamsRect);
    params->addWidget(ContourRow);
    ContourRow->hide();
    params->addSpacing(6);
    Button1 = new QPushButton(Translate(QStringLiteral("Apply effect")), ParamsRect);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setProperty("role", "primary");
    Button1->setFixedHeight(40);
    Button1->setFont(InterfaceFont(14, QFont::DemiBold));
    Button1->setCursor(Qt::PointingHandCursor);
    params->addWidget(Button1);
    column->addWidget(ParamsRect);

    // Options.
    OptionsRect = card("OptionsRect", content);
    auto* options = new QVBoxLayout(OptionsRect);
    options->setContentsMargins(16, 12, 16, 12);
    options->setSpacing(10);
    options->addWidget(optionRow(Label23, "Label23", Translate(QStringLiteral("Erase background")), EraseBdSwitch,
                                 "EraseBdSwitch", OptionsRect));
    options->addWidget(optionRow(Label38, "Label38", Translate(QStringLiteral("Add texture")), AddTextureSwitch,
                                 "AddTextureSwitch", OptionsRect));
    column->addWidget(OptionsRect);
    EraseBdSwitch->setChecked(FDocument.FEraseBdChecked.load());
    AddTextureSwitch->setChecked(FDocument.FAddTextureChecked.load());
    ContourSwitch->setChecked(FDocument.FDrawContourChecked.load());
    // "Add texture" is on exactly while its switch shows on.
    connect(AddTextureSwitch, &QAbstractButton::toggled, this, [this](bool on) { FDocument.FAddTextureChecked = on; });

    // Boxes shown only for the effects they concern.
    LoadBrushesWindow = card("LoadBrushesWindow", content);
    auto* brushes = new QVBoxLayout(LoadBrushesWindow);
    brushes->setContentsMargins(14, 12, 14, 12);
    brushes->setSpacing(8);
    TestBrushButton = new QPushButton(Translate(QStringLiteral("Load custom brushes")), LoadBrushesWindow);
    TestBrushButton->setObjectName(QStringLiteral("TestBrushButton"));
    ResetBrushesButton = new QPushButton(Translate(QStringLiteral("Reset brushes")), LoadBrushesWindow);
    ResetBrushesButton->setObjectName(QStringLiteral("ResetBrushesButton"));
    ResetBrushesButton->setProperty("role", "ghost");
    ResetBrushesButton->hide();
    brushes->addWidget(TestBrushButton);
    brushes->addWidget(ResetBrushesButton);
    column->addWidget(LoadBrushesWindow);
    LoadBrushesWindow->hide();

    LoadLUTsWindow = card("LoadLUTsWindow", content);
    auto* luts = new QVBoxLayout(LoadLUTsWindow);
    luts->setContentsMargins(14, 12, 14, 12);
    SelectLUTButton = new QPushButton(Translate(QStringLiteral("Select LUT...")), LoadLUTsWindow);
    SelectLUTButton->setObjectName(QStringLiteral("SelectLUTButton"));
    luts->addWidget(SelectLUTButton);
    column->addWidget(LoadLUTsWindow);
    LoadLUTsWindow->hide();

    for (QPushButton* b : {TestBrushButton, ResetBrushesButton, SelectLUTButton}) {
        b->setFixedHeight(34);
        b->setFont(InterfaceFont(13, QFont::Medium));
        b->setCursor(Qt::PointingHandCursor);
    }
    column->addStretch(1);
    PresentedScrollBox3->setWidget(content);
}

void TForm1::UpdateEmptyPreviewBg()
{
    if (!FDocument.ZIdImage.isNull())
        return;
    QImage empty(TPreviewPane::kSize, TPreviewPane::kSize, QImage::Format_ARGB32_Premultiplied);
    empty.fill(QColor::fromRgba(GThemeMode == tmLight ? 0xFFFFFFFFu : 0xFF314158u));
    Image1->setBitmap(empty);
}

} // namespace pq
