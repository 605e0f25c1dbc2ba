#include "panels/combine_panel.h"

#include "gfx/filters.h"
#include "panels/blend_view.h"
#include "platform/numeric.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/translate.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace pq {
namespace {

constexpr int kShadowReach = 24;

// A soft shadow of a rounded rectangle of the given size, kShadowReach
// pixels wider on every side.
QImage ViewShadow(QSize size)
{
    QImage mask(size + QSize(2 * kShadowReach, 2 * kShadowReach), gfx::kPixelFormat);
    if (mask.isNull())
        return {};
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRoundedRect(QRectF(QPointF(kShadowReach, kShadowReach), QSizeF(size)), 15, 15);
    }
    const gfx::Image shadow =
        gfx::DropShadow(gfx::Image::adopt(std::move(mask)), 0, 4, 8, 8, QColor(0, 0, 0, 140), true);
    return shadow.isNull() ? QImage() : shadow.toQImage();
}

QLabel* MakeLabel(const QString& text, QWidget* parent, const char* name)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(InterfaceFont(14));
    return label;
}

} // namespace

CombinePanel::CombinePanel(QWidget* parent) : QWidget(parent), amountTimer(this)
{
    setObjectName(QStringLiteral("combinePanel"));
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(QString::fromLatin1(
        "QLabel { color: #FFFFFF; background: transparent; }"
        "#controlArea { background: #314158; border-radius: 15px; }"
        "QComboBox { background: #1F2937; color: #FFFFFF; border: 1px solid #545F72; border-radius: 6px;"
        " padding: 3px 10px; }"
        "QComboBox QAbstractItemView { background: #1F2937; color: #FFFFFF; border: 1px solid #545F72;"
        " selection-background-color: #2563EB; selection-color: #FFFFFF; outline: none; }")
        // The slider's unfilled groove shows on the control area.
        + QStringLiteral("QSlider::add-page:horizontal { background: %1; border-radius: 2px; }")
              .arg(gThemeMode == ThemeMode::Light ? QStringLiteral("#CBD3DE") : QStringLiteral("#5A6780")));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(30, 6, 30, 20);
    column->setSpacing(0);
    titleLabel = MakeLabel(QStringLiteral("Combine images"), this, "titleLabel");
    titleLabel->setFont(InterfaceFont(18, QFont::DemiBold));
    titleLabel->setFixedHeight(34);
    column->addWidget(titleLabel);
    view = new BlendView(this);
    column->addWidget(view, 1);
    column->addSpacing(16);

    controlArea = new QFrame(this);
    controlArea->setObjectName(QStringLiteral("controlArea"));
    controlArea->setFixedHeight(72);
    auto* controls = new QHBoxLayout(controlArea);
    controls->setContentsMargins(24, 0, 24, 0);
    controls->setSpacing(14);
    blendAmountLabel = MakeLabel(QStringLiteral("Blend amount"), controlArea, "blendAmountLabel");
    blendAmountSlider = new QSlider(Qt::Horizontal, controlArea);
    blendAmountSlider->setObjectName(QStringLiteral("blendAmountSlider"));
    blendAmountSlider->setRange(0, 100);
    blendAmountSlider->setValue(50);
    blendAmountSlider->setCursor(Qt::PointingHandCursor);
    amountLabel = MakeLabel(QStringLiteral("50%"), controlArea, "amountLabel");
    amountLabel->setFixedWidth(48);
    amountLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    blendModeLabel = MakeLabel(QStringLiteral("Blend mode"), controlArea, "blendModeLabel");
    blendModeBox = new QComboBox(controlArea);
    blendModeBox->setObjectName(QStringLiteral("blendModeBox"));
    blendModeBox->setFont(InterfaceFont(14));
    blendModeBox->setMinimumWidth(170);
    blendModeBox->setCursor(Qt::PointingHandCursor);
    controls->addWidget(blendAmountLabel);
    controls->addWidget(blendAmountSlider, 1);
    controls->addWidget(amountLabel);
    controls->addSpacing(30);
    controls->addWidget(blendModeLabel);
    controls->addWidget(blendModeBox);
    column->addWidget(controlArea);
    column->addSpacing(16);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    buttons->addStretch(1);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setProperty("role", "ghost");
    applyButton = new QPushButton(QStringLiteral("Apply"), this);
    applyButton->setObjectName(QStringLiteral("applyButton"));
    applyButton->setProperty("role", "primary");
    for (QPushButton* button : {cancelButton, applyButton}) {
        button->setFont(InterfaceFont(14, QFont::Medium));
        button->setFixedSize(130, 40);
        button->setCursor(Qt::PointingHandCursor);
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    column->addLayout(buttons);

    amountTimer.setSingleShot(true);
    amountTimer.setInterval(kFirstAmountDelayMs);
    connect(blendAmountSlider, &QSlider::sliderMoved, this, [this](int value) {
        amountTimer.setInterval(kDraggedAmountDelayMs);
        amountLabel->setText(QStringLiteral("%1%").arg(value));
    });
    connect(blendAmountSlider, &QSlider::valueChanged, this, [this] { amountTimer.start(); });
    connect(&amountTimer, &QTimer::timeout, this, [this] {
        amount_ = float(blendAmountSlider->value()) / 100.0f;
        refreshView();
    });
    connect(blendModeBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        static constexpr gfx::CombineMode kModes[] = {gfx::CombineMode::Normal, gfx::CombineMode::Multiply,
                                                     gfx::CombineMode::Darken, gfx::CombineMode::Lighten};
        if (index >= 0 && index < 4)
            mode_ = kModes[index];
        refreshView();
    });
    connect(applyButton, &QPushButton::clicked, this, &CombinePanel::apply);
    connect(cancelButton, &QPushButton::clicked, this, &CombinePanel::cancel);

    // Enter and Esc are the panel's before the focused control's.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void CombinePanel::setImages(const gfx::Image& base, const gfx::Image& blend)
{
    amount_ = 0.5f;
    mode_ = gfx::CombineMode::Normal;
    view->setImages(base, blend);
    {
        const QSignalBlocker sliderBlocker(blendAmountSlider);
        const QSignalBlocker modeBlocker(blendModeBox);
        blendAmountSlider->setValue(50);
        blendModeBox->clear();
        for (const char* mode : {"Normal", "Multiply", "Darken", "Lighten"})
            blendModeBox->addItem(Translate(QString::fromLatin1(mode)));
        blendModeBox->setCurrentIndex(0);
    }
    refreshView();
}

void CombinePanel::refreshView()
{
    view->setBlend(mode_, amount_);
    amountLabel->setText(QStringLiteral("%1%").arg(platform::Round(double(amount_) * 100.0)));
}

void CombinePanel::apply()
{
    if (finished_)
        return;
    const gfx::Image result = view->composite();
    if (result.isNull())
        return;
    finished_ = true;
    emit applied(result);
}

void CombinePanel::cancel()
{
    if (finished_)
        return;
    finished_ = true;
    emit cancelled();
}

bool CombinePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            apply();
            return true;
        }
        if (key == Qt::Key_Escape) {
            cancel();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CombinePanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(ThemedColor(0xFF111827)));
    p.drawRoundedRect(QRectF(rect()), 15, 15);
    if (viewShadowSize_ != view->size()) {
        viewShadowSize_ = view->size();
        viewShadow_ = ViewShadow(viewShadowSize_);
    }
    if (!viewShadow_.isNull())
        p.drawImage(view->pos() - QPoint(kShadowReach, kShadowReach), viewShadow_);
}

} // namespace pq
