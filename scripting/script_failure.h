#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

namespace pq {

// Why a script command failed; the run reports it as "Line N: <message>".
class ScriptFailure : public std::runtime_error {
public:
    explicit ScriptFailure(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// The largest picture a script makes: 32767 pixels a side, 200 megapixels.
constexpr int64_t kMaxScriptSide = 32767;
constexpr int64_t kMaxScriptPixels = 200'000'000;

// Raises "Could not create WxH surface".
[[noreturn]] void FailSurface(int64_t width, int64_t height);

// Raises the same unless a width x height picture is within the limits
// (at least 1 x 1).
void CheckScriptSurfaceSize(int64_t width, int64_t height);

} // namespace pq
