// The application-wide place where an exception that ends an event handler is reported (the class
// library's "handle exception"): the window program installs a handler that shows the error box;
// without one the message goes to standard error. Controls of view/ report their own paint and
// resize failures here, since an exception must never travel through Qt's event loop.
#pragma once

#include <exception>
#include <functional>
#include <stdexcept>

namespace nox {

using TExceptionHandler = std::function<void(const std::exception&)>;

// Installs the handler (an empty one restores the default) and returns the previous one.
TExceptionHandler SetApplicationExceptionHandler(TExceptionHandler handler);

// Reports `e` through the installed handler. EAbort, the silent abort, is never reported.
void HandleApplicationException(const std::exception& e);

// Runs `action`, reporting any exception it throws instead of letting it escape.
template <class Action>
void RunGuarded(Action&& action) noexcept {
    try {
        action();
    } catch (const std::exception& e) {
        HandleApplicationException(e);
    } catch (...) {
        HandleApplicationException(std::runtime_error("Unknown error"));
    }
}

}  // namespace nox
