#include "ui/widgets/caption_marquee.h"

#include "platform/numeric.h"
#include "ui/debug_log.h"
#include "ui/interface_scale.h"
#include "ui/widgets/expander.h"
#include "ui/widgets/icon_button.h"
#include "ui/widgets/shown_caption.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QLabel>
#include <QLayout>
#include <QEvent>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <exception>

namespace pq {
namespace {

constexpr int kTickMs = 16;

// A label moved into a clipping rectangle in its place, as wide as its
// text, without word wrap. In a layout the rectangle takes the label's slot.
class WrappedLabel final : public MarqueeCaption {
public:
    WrappedLabel(QLabel* label, double textWidth)
        : label_(label),
          parent_(label->parentWidget()),
          pos_(label->pos()),
          width_(label->width()),
          wordWrap_(label->wordWrap())
    {
        clip_ = new QWidget(parent_);
        clip_->setObjectName(QStringLiteral("marqueeClip"));
        clip_->setGeometry(pos_.x(), pos_.y(), width_, label->height() + 4);
        if (QLayout* layout = parent_ ? parent_->layout() : nullptr) {
            const std::unique_ptr<QLayoutItem> slot(layout->replaceWidget(label, clip_));
            inLayout_ = slot != nullptr;
            if (inLayout_) {
                // The slot keeps its height and gives the rectangle the
                // label's width.
                clip_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
                clip_->setFixedHeight(label->height());
            }
        }
        label->setParent(clip_);
        label->setWordWrap(false);
        label->setGeometry(0, 0, int(std::ceil(textWidth)) + 4, label->height());
        label->show();
        clip_->show();
    }

    void moveTo(double x) override
    {
        if (label_)
            label_->move(platform::Round(x), 0);
    }

    void restore() override
    {
        if (label_) {
            label_->setParent(parent_);
            if (inLayout_ && parent_ && parent_->layout())
                delete parent_->layout()->replaceWidget(clip_, label_);
            label_->setWordWrap(wordWrap_);
            label_->setGeometry(QRect(pos_, QSize(width_, label_->height())));
            label_->show();
        }
        delete clip_.data();
    }

private:
    QPointer<QLabel> label_;
    QPointer<QWidget> parent_;
    QPointer<QWidget> clip_;
    QPoint pos_;
    int width_;
    bool wordWrap_;
    bool inLayout_ = false;
};

// A button's caption drawn from an offset, clipped and untrimmed.
class ButtonCaption final : public MarqueeCaption {
public:
    explicit ButtonCaption(IconButton* button) : button_(button) { button->setCaptionOffset(0.0); }
    void moveTo(double x) override
    {
        if (button_)
            button_->setCaptionOffset(x);
    }
    void restore() override
    {
        if (button_)
            button_->setCaptionOffset(std::nullopt);
    }

private:
    QPointer<IconButton> button_;
};

// An expander's header caption, likewise.
class HeaderCaption final : public MarqueeCaption {
public:
    explicit HeaderCaption(Expander* expander) : expander_(expander) { expander->setCaptionOffset(0.0); }
    void moveTo(double x) override
    {
        if (expander_)
            expander_->setCaptionOffset(x);
    }
    void restore() override
    {
        if (expander_)
            expander_->setCaptionOffset(std::nullopt);
    }

private:
    QPointer<Expander> expander_;
};

// A caption a little too wide to scroll, set in a font just small enough
// for its room; the control gets its own font back.
class ShrunkCaption final : public MarqueeCaption {
public:
    ShrunkCaption(QWidget* control, const QString& text, double room, const TextMeasure& measure)
        : control_(control), font_(control->font()), ownFont_(control->testAttribute(Qt::WA_SetFont))
    {
        QFont font = font_;
        const double size = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF();
        const double width = measure(text, font);
        if (width <= 0)
            return;
        // Down in small steps from the size that would just fit.
        double shrunk = size * room / width;
        for (int i = 0; i < 8; ++i) {
            font.pointSizeF() > 0 && font.pixelSize() <= 0 ? font.setPointSizeF(shrunk) : font.setPixelSize(int(shrunk));
            if (measure(text, font) <= room)
                break;
            shrunk -= size * 0.02;
        }
        control->setFont(font);
    }
    void moveTo(double) override {}
    void restore() override
    {
        if (!control_)
            return;
        if (ownFont_)
            control_->setFont(font_);
        else
            control_->setFont(QFont());
    }

private:
    QPointer<QWidget> control_;
    QFont font_;
    bool ownFont_;
};

} // namespace

MillisecondClock SteadyClock()
{
    return [] {
        static QElapsedTimer clock = [] {
            QElapsedTimer t;
            t.start();
            return t;
        }();
        // Never 0: a reading of 0 stands for "no tick yet".
        return clock.elapsed() + 1;
    };
}

double MeasureTextWidth(const QString& text, const QFont& font)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

void MarqueeMotion::advance(qint64 deltaMs, double unitsPerSecond, double maxScroll)
{
    switch (phase) {
    case MarqueePhase::WaitStart:
        waitMs -= double(deltaMs);
        if (waitMs < 1) {
            phase = MarqueePhase::Scrolling;
            scrollPos = 0;
        }
        break;
    case MarqueePhase::Scrolling: {
        const double step = std::min(double(deltaMs) / 1000.0, kLongestStepSeconds);
        scrollPos += step * unitsPerSecond;
        if (maxScroll <= scrollPos) {
            scrollPos = maxScroll;
            x = -maxScroll;
            phase = MarqueePhase::WaitEnd;
            waitMs = kWaitMs;
        } else {
            x = -scrollPos;
        }
        break;
    }
    case MarqueePhase::WaitEnd:
        waitMs -= double(deltaMs);
        if (waitMs < 1) {
            scrollPos = 0;
            x = 0;
            phase = MarqueePhase::WaitStart;
            waitMs = kWaitMs;
        }
        break;
    }
}

MarqueeGroup::MarqueeGroup(const char* name, const MillisecondClock& clock, const MarqueeRules& rules,
                           QObject* parent)
    : QObject(parent), rules(rules), measure(MeasureTextWidth), name_(name), clock_(clock)
{
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] { GuardedCall(name_, [this] { tick(); }); });
}

MarqueeGroup::~MarqueeGroup()
{
    GuardedCall(name_, [this] { tearDown(); });
}

void MarqueeGroup::setUp(const QList<QWidget*>& controls)
{
    tearDown();
    for (QWidget* control : controls)
        controls_ << control;
    for (QWidget* control : controls) {
        if (!control || !control->isVisible())
            continue;
        // The rules are in design units; a control shows them at its scale.
        const double scale = WidgetScale(control);
        const double takeOver = rules.takeOverMargin * scale;
        if (auto* label = qobject_cast<QLabel*>(control)) {
            const QMargins m = label->contentsMargins();
            const double text = measure(label->text(), label->font()) + m.left() + m.right();
            if (text > label->width() + takeOver)
                take(std::make_unique<WrappedLabel>(label, text), label->width(), text, scale);
            else if (text > label->width() && rules.shrinkNearMisses)
                take(std::make_unique<ShrunkCaption>(label, label->text(), label->width() - m.left() - m.right(),
                                                     measure),
                     label->width(), label->width(), scale);
        } else if (auto* button = qobject_cast<IconButton*>(control)) {
            const double room = button->captionRect().width();
            const QString caption = ShownCaptionText(button->text());
            const double text = measure(caption, button->font());
            if (room > 0 && text > room + takeOver)
                take(std::make_unique<ButtonCaption>(button), room, text, scale);
            else if (room > 0 && text > room && rules.shrinkNearMisses)
                take(std::make_unique<ShrunkCaption>(button, caption, room, measure), room, room, scale);
        } else if (auto* expander = qobject_cast<Expander*>(control)) {
            const double room = expander->captionRect().width();
            const double text = measure(expander->caption(), expander->font());
            if (room > 0 && text > room + takeOver)
                take(std::make_unique<HeaderCaption>(expander), room, text, scale);
        }
    }
    if (std::any_of(states_.begin(), states_.end(), [](const State& s) { return s.animated; })) {
        lastMs_ = 0;
        timer_.start();
    }
    watch();
}

void MarqueeGroup::watch()
{
    for (const QPointer<QWidget>& control : std::as_const(controls_)) {
        if (!control)
            continue;
        QWidget* room = control.data();
        if (QWidget* parent = room->parentWidget(); parent && parent->objectName() == QLatin1String("marqueeClip"))
            room = parent;
        watched_.emplace_back(room, room->isVisible() ? room->width() : -1);
        room->installEventFilter(this);
    }
}

void MarqueeGroup::unwatch()
{
    for (const auto& [room, width] : watched_)
        if (room)
            room->removeEventFilter(this);
    watched_.clear();
}

bool MarqueeGroup::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Resize && event->type() != QEvent::Show)
        return false;
    auto* room = static_cast<QWidget*>(watched);
    const auto it = std::find_if(watched_.begin(), watched_.end(), [room](const auto& w) { return w.first == room; });
    if (it == watched_.end() || !room->isVisible() || it->second == room->width() || refitQueued_)
        return false;
    // Laid out anew (a new interface size, a shown panel): measured again
    // once the layouts have settled.
    refitQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        if (!refitQueued_)
            return;
        refitQueued_ = false;
        QList<QWidget*> controls;
        for (const QPointer<QWidget>& control : std::as_const(controls_))
            if (control)
                controls << control.data();
        GuardedCall(name_, [&] {
            // Given back first, so that each is measured in the room its
            // layout gives it now.
            tearDown();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            setUp(controls);
        });
    });
    return false;
}

void MarqueeGroup::take(std::unique_ptr<MarqueeCaption> caption, double room, double textWidth, double scale)
{
    State state;
    state.caption = std::move(caption);
    state.room = room;
    state.textWidth = textWidth;
    state.scale = scale;
    state.animated = textWidth > room + rules.scrollMargin * scale;
    states_.push_back(std::move(state));
}

void MarqueeGroup::tearDown()
{
    unwatch();
    controls_.clear();
    refitQueued_ = false;
    DebugLogFmt("  Teardown %s: %d states", name_, size());
    timer_.stop();
    std::exception_ptr failure;
    for (State& state : states_) {
        try {
            state.caption->restore();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    states_.clear();
    lastMs_ = 0;
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            DebugLogError(QString::fromLatin1(name_), e);
            throw;
        }
    }
}

void MarqueeGroup::tick()
{
    if (stillShown && !stillShown()) {
        tearDown();
        return;
    }
    const qint64 now = clock_();
    const qint64 delta = lastMs_ != 0 ? std::max<qint64>(0, now - lastMs_) : 0;
    lastMs_ = now;
    for (State& state : states_) {
        if (!state.animated)
            continue;
        state.motion.advance(delta, rules.unitsPerSecond * state.scale, state.textWidth - state.room);
        state.caption->moveTo(state.motion.x);
    }
}

} // namespace pq
