// The effect panel: building its cards, showing the selected effect on the
// sliders, and Apply.
#include "workspace/effect_panel.h"

#include "catalogue/effect_catalogue.h"
#include "catalogue/parameter_table.h"
#include "engine/runtime/effect_runtime.h"
#include "ui/debug_log.h"
#include "ui/dictionary.h"
#include "ui/theme_style.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"
#include "ui/widgets/pressed_look.h"
#include "ui/widgets/toggle_switch.h"
#include "workspace/contour_color_window.h"
#include "workspace/document.h"
#include "workspace/user_dialogs.h"

#include <QEvent>
#include <QFontInfo>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <vector>

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
    // A caption too long for the panel scrolls instead of widening it.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
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

EffectPanel::EffectPanel(Document& document, const UserDialogs& dialogs, QWidget* parent)
    : QWidget(parent), document_(document), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("effectPanel"));
    build();
    contourPoll_.setInterval(120);
    connect(&contourPoll_, &QTimer::timeout, this,
            [this] { GuardedCall("contourColorChanged", [this] { contourColorChanged(); }); });
}

EffectPanel::~EffectPanel() = default;

void EffectPanel::build()
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);

    auto* parameters = Card("parametersBox", this);
    buildParameters(parameters);
    column->addWidget(parameters);

    auto* options = Card("optionsBox", this);
    buildOptions(options);
    column->addWidget(options);

    // Boxes shown only for the effects they concern.
    brushesBox_ = Card("customBrushesBox", this);
    auto* brushes = new QVBoxLayout(brushesBox_);
    brushes->setContentsMargins(14, 12, 14, 12);
    brushes->setSpacing(8);
    loadBrushesButton_ = new QPushButton(Translate(QStringLiteral("Load custom brushes")), brushesBox_);
    loadBrushesButton_->setObjectName(QStringLiteral("loadBrushesButton"));
    resetBrushesButton_ = new QPushButton(Translate(QStringLiteral("Reset brushes")), brushesBox_);
    resetBrushesButton_->setObjectName(QStringLiteral("resetBrushesButton"));
    resetBrushesButton_->setProperty("role", "ghost");
    resetBrushesButton_->hide();
    brushes->addWidget(loadBrushesButton_);
    brushes->addWidget(resetBrushesButton_);
    column->addWidget(brushesBox_);
    brushesBox_->hide();

    lutBox_ = Card("lutBox", this);
    auto* luts = new QVBoxLayout(lutBox_);
    luts->setContentsMargins(14, 12, 14, 12);
    auto* selectLUT = new QPushButton(Translate(QStringLiteral("Select LUT...")), lutBox_);
    selectLUT->setObjectName(QStringLiteral("selectLUTButton"));
    luts->addWidget(selectLUT);
    column->addWidget(lutBox_);
    lutBox_->hide();

    for (QPushButton* b : {loadBrushesButton_, resetBrushesButton_, selectLUT}) {
        b->setFixedHeight(34);
        b->setFont(InterfaceFont(13, QFont::Medium));
        b->setCursor(Qt::PointingHandCursor);
    }
    // A fit made while the box was hidden measured a button that had no
    // width yet; the two are fitted again once laid out.
    loadBrushesButton_->installEventFilter(this);
    resetBrushesButton_->installEventFilter(this);
    column->addStretch(1);

    const auto guarded = [this](const char* context, void (EffectPanel::*handler)()) {
        return [this, context, handler] { GuardedCall(context, [this, handler] { (this->*handler)(); }); };
    };
    connect(applyButton_, &QPushButton::clicked, this, guarded("applyEffect", &EffectPanel::applyEffect));
    connect(applyButton_, &QPushButton::pressed, this, [this] { ButtonPressEffect(applyButton_); });
    connect(applyButton_, &QPushButton::released, this, [this] { ButtonReleaseEffect(applyButton_); });
    connect(loadButton_, &QAbstractButton::clicked, this,
            guarded("chooseParametersToLoad", &EffectPanel::chooseParametersToLoad));
    connect(saveButton_, &QAbstractButton::clicked, this,
            guarded("chooseParametersToSave", &EffectPanel::chooseParametersToSave));
    connect(eraseSwitch_, &QAbstractButton::clicked, this,
            guarded("toggleEraseBackground", &EffectPanel::toggleEraseBackground));
    connect(contourSwitch_, &QAbstractButton::clicked, this, guarded("toggleContours", &EffectPanel::toggleContours));
    connect(loadBrushesButton_, &QPushButton::clicked, this,
            guarded("loadCustomBrushes", &EffectPanel::loadCustomBrushes));
    connect(resetBrushesButton_, &QPushButton::clicked, this,
            guarded("resetCustomBrushes", &EffectPanel::resetCustomBrushes));
    connect(selectLUT, &QPushButton::clicked, this, &EffectPanel::lutChooserRequested);
    for (int k = 1; k <= 5; ++k)
        connect(sliders_[size_t(k - 1)], &QSlider::valueChanged, this,
                [this, k] { GuardedCall("sliderMoved", [&] { sliderMoved(k); }); });
}

void EffectPanel::buildParameters(QWidget* card)
{
    auto* params = new QVBoxLayout(card);
    params->setContentsMargins(16, 14, 16, 16);
    params->setSpacing(0);
    heading_ = new QLabel(Translate(QStringLiteral("PARAMETERS")), card);
    heading_->setObjectName(QStringLiteral("parametersHeading"));
    QFont headingFont = InterfaceFont(12, QFont::DemiBold);
    headingFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    heading_->setFont(headingFont);
    heading_->setToolTip(Translate(QStringLiteral("Double-click to reset this effect's parameters")));
    heading_->setMouseTracking(true);
    heading_->installEventFilter(this);
    // The parameter file's icons right of the heading, faint at rest.
    auto* headingRow = new QHBoxLayout;
    headingRow->setContentsMargins(0, 0, 0, 0);
    headingRow->setSpacing(6);
    headingRow->addWidget(heading_);
    loadButton_ = new IconButton(QStringLiteral("open"), card);
    loadButton_->setObjectName(QStringLiteral("loadParametersButton"));
    loadButton_->setToolTip(Translate(QStringLiteral("Load parameter file")));
    saveButton_ = new IconButton(QStringLiteral("save"), card);
    saveButton_->setObjectName(QStringLiteral("saveParametersButton"));
    saveButton_->setToolTip(Translate(QStringLiteral("Save parameter file")));
    for (IconButton* icon : {loadButton_, saveButton_}) {
        icon->setIconPixelSize(16);
        icon->setFixedSize(16, 16);
        icon->setCursor(Qt::PointingHandCursor);
        icon->setMouseTracking(true);
        icon->installEventFilter(this);
        auto* fade = new QGraphicsOpacityEffect(icon);
        fade->setOpacity(0.3);
        icon->setGraphicsEffect(fade);
        headingRow->addWidget(icon);
    }
    headingRow->addStretch(1);
    params->addLayout(headingRow);
    params->addSpacing(10);
    for (int k = 0; k < 5; ++k) {
        const QString number = QString::number(k + 1);
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        auto* caption = new QLabel(card);
        caption->setObjectName(QStringLiteral("sliderCaption") + number);
        caption->setProperty("role", "paramCaption");
        caption->setFont(InterfaceFont(13));
        caption->setToolTip(Translate(QStringLiteral("Double-click to reset this slider")));
        caption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        // Captions may come from a parameter file: never rich text.
        caption->setTextFormat(Qt::PlainText);
        caption->installEventFilter(this);
        auto* value = new QLabel(QStringLiteral("0"), card);
        value->setObjectName(QStringLiteral("sliderValue") + number);
        value->setProperty("role", "paramValue");
        value->setFont(InterfaceFont(13, QFont::DemiBold));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setFixedWidth(34);
        row->addWidget(caption, 1);
        row->addWidget(value);
        params->addLayout(row);
        params->addSpacing(4);
        auto* slider = new QSlider(Qt::Horizontal, card);
        slider->setObjectName(QStringLiteral("slider") + number);
        slider->setRange(0, 100);
        slider->setCursor(Qt::PointingHandCursor);
        slider->setFocusPolicy(Qt::NoFocus);
        params->addWidget(slider);
        params->addSpacing(k < 4 ? 12 : 14);
        captions_[size_t(k)] = caption;
        values_[size_t(k)] = value;
        sliders_[size_t(k)] = slider;
    }
    params->addSpacing(6);
    applyButton_ = new QPushButton(Translate(QStringLiteral("Apply effect")), card);
    applyButton_->setObjectName(QStringLiteral("applyButton"));
    applyButton_->setProperty("role", "primary");
    applyButton_->setFixedHeight(40);
    applyButton_->setFont(InterfaceFont(14, QFont::DemiBold));
    applyButton_->setCursor(Qt::PointingHandCursor);
    params->addWidget(applyButton_);
    // The contour option of the mosaics sits below "Apply effect", so that
    // the button stays where it is for every effect.
    QLabel* contourLabel = nullptr;
    contourRow_ = OptionRow(contourLabel, "contourLabel", Translate(QStringLiteral("Draw shape contours")),
                            contourSwitch_, "contourSwitch", card);
    contourRow_->layout()->setContentsMargins(0, 10, 0, 0);
    params->addWidget(contourRow_);
    contourRow_->hide();
    contourSwitch_->setChecked(document_.drawContours.load());
}

void EffectPanel::buildOptions(QWidget* card)
{
    auto* options = new QVBoxLayout(card);
    options->setContentsMargins(16, 12, 16, 12);
    options->setSpacing(10);
    options->addWidget(OptionRow(eraseLabel_, "eraseBackgroundLabel", Translate(QStringLiteral("Erase background")),
                                 eraseSwitch_, "eraseBackgroundSwitch", card));
    options->addWidget(OptionRow(textureLabel_, "addTextureLabel", Translate(QStringLiteral("Add texture")),
                                 textureSwitch_, "addTextureSwitch", card));
    eraseSwitch_->setChecked(document_.eraseBackground.load());
    textureSwitch_->setChecked(document_.addTexture.load());
    textureLabel_->installEventFilter(this);
    // "Add texture" is on exactly while its switch shows on; previews show
    // the texture too.
    connect(textureSwitch_, &QAbstractButton::toggled, this, [this](bool on) { document_.addTexture = on; });
    connect(textureSwitch_, &QAbstractButton::clicked, this, &EffectPanel::previewWanted);
}

void EffectPanel::selectEffect(int number)
{
    document_.selectedEffect = number;
    showSelectedEffect();
    // "LUTs" with no table chosen takes the first built-in one.
    const EffectDefinition* effect = FindEffect(number);
    if (effect && effect->choosesLUT && !document_.lut.isChosen() && document_.lut.initEmbeddedLUTs())
        emit previewWanted();
}

void EffectPanel::showSelectedEffect()
{
    const int number = document_.selectedEffect;
    const EffectParameters* entry = ParamsEntry(document_.params, number);
    const EffectParameters none;
    const EffectParameters& p = entry ? *entry : none;
    for (int k = 0; k < 5; ++k) {
        const QString caption = p.name(k + 1);
        captions_[size_t(k)]->setText(caption.isEmpty() ? QString() : Translate(caption));
        sliders_[size_t(k)]->setValue(p.value(k + 1));
        sliders_[size_t(k)]->setEnabled(!caption.isEmpty());
        values_[size_t(k)]->setText(QString::number(p.value(k + 1)));
        values_[size_t(k)]->setEnabled(!caption.isEmpty());
    }
    const EffectDefinition* effect = FindEffect(number);
    contourRow_->setVisible(effect && effect->drawsContours);
    hideContourColorWindow();
    showEffectOptions();
    emit captionsChanged();
    // A preview of the newly selected effect follows.
    emit previewWanted();
}

bool EffectPanel::readSliders(std::array<int, 5>& values) const
{
    for (const QSlider* slider : sliders_)
        if (slider->isSliderDown())
            return false;
    values = sliderValues();
    return true;
}

std::array<int, 5> EffectPanel::sliderValues() const
{
    std::array<int, 5> values{};
    for (size_t k = 0; k < 5; ++k)
        values[k] = sliders_[k]->value();
    return values;
}

void EffectPanel::sliderMoved(int k)
{
    if (k < 1 || k > 5)
        return;
    values_[size_t(k - 1)]->setText(QString::number(sliders_[size_t(k - 1)]->value()));
    emit previewWanted();
}

void EffectPanel::resetEffectSliders()
{
    const int number = document_.selectedEffect;
    if (number < 0)
        return;
    ResetEffectToDefaults(document_.params, number);
    if (const EffectParameters* entry = ParamsEntry(document_.params, number))
        for (int k = 1; k <= 5; ++k)
            sliders_[size_t(k - 1)]->setValue(entry->value(k));
}

void EffectPanel::resetSlider(int k)
{
    const int number = document_.selectedEffect;
    if (number < 0 || k < 1 || k > 5)
        return;
    ResetSliderToDefault(document_.params, number, k);
    if (const EffectParameters* entry = ParamsEntry(document_.params, number)) {
        sliders_[size_t(k - 1)]->setValue(entry->value(k));
        sliderMoved(k);
    }
}

void EffectPanel::applyEffect()
{
    hideContourColorWindow();
    const int number = document_.selectedEffect;
    if (number < 0)
        return;
    // A script's end would replace the result: one at a time.
    if (document_.scriptRunning.load()) {
        dialogs_.tell(Translate(QStringLiteral("Please wait for the current effect to finish.")));
        return;
    }
    const std::array<int, 5> v = sliderValues();
    ProcessEffect(number, v[0], v[1], v[2], v[3], v[4], false);
}

bool EffectPanel::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        if (watched == heading_) {
            GuardedCall("resetEffectSliders", [this] { resetEffectSliders(); });
            return true;
        }
        for (int k = 1; k <= 5; ++k)
            if (watched == captions_[size_t(k - 1)]) {
                GuardedCall("resetSlider", [&] { resetSlider(k); });
                return true;
            }
        break;
    case QEvent::MouseMove:
        if (watched == heading_ || watched == loadButton_ || watched == saveButton_)
            GuardedCall("lightParameterIcons", [this] { lightParameterIcons(); });
        break;
    case QEvent::Paint:
        // Follows the tool's caption, and so its translation.
        if (watched == textureLabel_ && addTextureCaption) {
            const QString caption = addTextureCaption();
            if (!caption.isEmpty() && textureLabel_->text() != caption)
                textureLabel_->setText(caption);
        }
        break;
    case QEvent::Resize:
    case QEvent::Show:
        if (watched == loadBrushesButton_ || watched == resetBrushesButton_)
            fitBrushButtons();
        break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void EffectPanel::fitBrushButtons()
{
    // Each shown button fitted to its width, then both take the smaller
    // font, so that the pair reads as one.
    std::vector<QPushButton*> shown;
    for (QPushButton* button : {loadBrushesButton_, resetBrushesButton_})
        if (button->isVisibleTo(brushesBox_)) {
            AutoFitControlText(button);
            shown.push_back(button);
        }
    if (shown.size() < 2)
        return;
    const bool loadSmaller = QFontInfo(shown[0]->font()).pointSizeF() < QFontInfo(shown[1]->font()).pointSizeF();
    const QFont font = (loadSmaller ? shown[0] : shown[1])->font();
    for (QPushButton* button : shown)
        if (button->font() != font)
            button->setFont(font);
}

} // namespace pq
