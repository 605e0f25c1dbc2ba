#pragma once

#include <QString>

#include <exception>

namespace pq {

// Hooks for a diagnostics log, placed through start-up, layout, language
// and shut-down code. They write nothing.
void DebugLog(const QString& text);
void DebugLogFmt(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
void DebugLogError(const QString& context, const std::exception& error);
void DebugLogError(const QString& context, const QString& message);

// An exception caught at an event handler's edge: passed to DebugLogError
// and written to stderr.
void ReportHandlerError(const char* context, const char* what) noexcept;

// Runs fn and reports any exception instead of letting it leave an event
// handler or a destructor. Returns false when fn threw.
template <typename Fn>
bool GuardedCall(const char* context, Fn&& fn) noexcept
{
    try {
        fn();
        return true;
    } catch (const std::exception& e) {
        ReportHandlerError(context, e.what());
    } catch (...) {
        ReportHandlerError(context, "unknown exception");
    }
    return false;
}

} // namespace pq
