#pragma once

#include <QList>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QFont;
class QLabel;
class QWidget;

namespace pq {

class Expander;

// Milliseconds of a monotonic clock. The marquees and the window's other
// timed looks read one such clock, which tests replace to step time.
using MillisecondClock = std::function<qint64()>;
MillisecondClock SteadyClock();

// The width of a text set on one line in a font, untrimmed.
using TextMeasure = std::function<double(const QString& text, const QFont& font)>;
double MeasureTextWidth(const QString& text, const QFont& font);

enum class MarqueePhase { WaitStart, Scrolling, WaitEnd };

// The timing of one scrolling caption: it waits, slides left at a constant
// speed until its end shows, waits, jumps back and starts again.
struct MarqueeMotion {
    static constexpr double kFirstWaitMs = 3000;
    static constexpr double kWaitMs = 1800;
    // A tick moves the caption by at most this many seconds' worth, so that
    // it does not jump after a stall; waits use the whole elapsed time.
    static constexpr double kLongestStepSeconds = 0.05;

    MarqueePhase phase = MarqueePhase::WaitStart;
    double waitMs = kFirstWaitMs;
    double scrollPos = 0;
    // Where the caption's start stands: 0, or left of it.
    double x = 0;

    void advance(qint64 deltaMs, double unitsPerSecond, double maxScroll);
};

// A caption a marquee has taken over: it shows its text from x on (x <= 0)
// and gives the control back exactly as it was.
class MarqueeCaption {
public:
    virtual ~MarqueeCaption() = default;
    virtual void moveTo(double x) = 0;
    virtual void restore() = 0;
};

struct MarqueeRules {
    // A caption is taken over when its text is wider than its room by more
    // than takeOverMargin, and scrolls when by more than scrollMargin.
    double takeOverMargin = 8;
    double scrollMargin = 8;
    double unitsPerSecond = 50;
    // A caption wider than its room by no more than takeOverMargin is set
    // a little smaller instead of being trimmed.
    bool shrinkNearMisses = false;
};

// One group of marquees on its own 16 ms timer. Set-up always begins with
// a teardown, so captions are never taken twice.
class MarqueeGroup : public QObject {
public:
    MarqueeGroup(const char* name, const MillisecondClock& clock, const MarqueeRules& rules,
                 QObject* parent = nullptr);
    ~MarqueeGroup() override;

    const MarqueeRules rules;

    // Tears the group down, then takes over the captions among `controls`
    // (labels, icon buttons with a caption, expander headers) that are
    // visible and too wide, and starts the timer when one of them scrolls.
    // The group is set up again, once the events are served, when one of
    // them is shown or its room changes width, until the next teardown.
    void setUp(const QList<QWidget*>& controls);
    // Gives every caption back. A failure is reported and raised again,
    // after the other captions have been given back.
    void tearDown();
    void tick();

    // While it answers false the group tears itself down at its next tick
    // (the panel holding its captions was hidden).
    std::function<bool()> stillShown;
    // How captions are measured; MeasureTextWidth unless replaced.
    TextMeasure measure;

    int size() const { return int(states_.size()); }
    const MarqueeMotion& motion(int index) const { return states_.at(size_t(index)).motion; }
    bool scrolls(int index) const { return states_.at(size_t(index)).animated; }
    const QTimer& timer() const { return timer_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void take(std::unique_ptr<MarqueeCaption> caption, double room, double textWidth, double scale);
    void watch();
    void unwatch();

    struct State {
        std::unique_ptr<MarqueeCaption> caption;
        double room = 0;
        double textWidth = 0;
        // Pixels per design unit of the control: margins and speed follow.
        double scale = 1;
        bool animated = false;
        MarqueeMotion motion;
    };
    const char* name_;
    const MillisecondClock& clock_;
    std::vector<State> states_;
    QTimer timer_;
    qint64 lastMs_ = 0;
    // The controls of the last set-up, and the width each one's room had
    // then (a wrapped label's room is its clipping rectangle).
    QList<QPointer<QWidget>> controls_;
    std::vector<std::pair<QPointer<QWidget>, int>> watched_;
    bool refitQueued_ = false;
};

} // namespace pq
