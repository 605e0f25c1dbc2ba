#pragma once

#include <exception>

namespace pq {

// The cancellation signal. Raised by CheckCancellation and the progress calls
// when the current run is cancelled; effect routines let it pass (releasing
// their own resources on the way) and the runtime ends the run quietly.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

} // namespace pq
