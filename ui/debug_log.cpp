#include "ui/debug_log.h"

#include "platform/ui_bridge.h"

namespace pq {

void DebugLog(const QString& text)
{
    (void)text;
}

void DebugLogFmt(const char* format, ...)
{
    (void)format;
}

void DebugLogError(const QString& context, const std::exception& error)
{
    (void)context;
    (void)error;
}

void DebugLogError(const QString& context, const QString& message)
{
    (void)context;
    (void)message;
}

void ReportHandlerError(const char* context, const char* what) noexcept
{
    try {
        DebugLogError(QString::fromUtf8(context), QString::fromUtf8(what));
    } catch (...) {
    }
    platform::LogError(context, what);
}

} // namespace pq
