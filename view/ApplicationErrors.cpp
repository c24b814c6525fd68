// The application-wide exception report: see ApplicationErrors.h.
#include "view/ApplicationErrors.h"

#include <cstdio>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/Errors.h"

namespace nox {
namespace {

TExceptionHandler& InstalledHandler() {
    static TExceptionHandler handler;
    return handler;
}

}  // namespace

TExceptionHandler SetApplicationExceptionHandler(TExceptionHandler handler) {
    return std::exchange(InstalledHandler(), std::move(handler));
}

void HandleApplicationException(const std::exception& e) {
    if (dynamic_cast<const EAbort*>(&e) != nullptr) return;
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) {
        // The run-time's own out-of-memory error carries the class library's message.
        const EOutOfMemory outOfMemory(msg::kOutOfMemory);
        HandleApplicationException(outOfMemory);
        return;
    }
    // A handler that itself fails must not take the program down with it.
    try {
        if (const TExceptionHandler& handler = InstalledHandler()) {
            handler(e);
            return;
        }
    } catch (...) {
    }
    std::fprintf(stderr, "%s\n", ErrorBoxText(e.what()).c_str());
}

}  // namespace nox
