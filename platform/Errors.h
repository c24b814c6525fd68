// The exception family of the program: every failure travels as one of these, carrying the exact
// message text that the error box (or the command-line tool) shows.
#pragma once

#include <cstdarg>
#include <stdexcept>
#include <string>
#include <string_view>

namespace nox {

// printf-style formatting into a std::string (the run-time's Format).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// The base of every error: a message and the class name the error box never shows but tests may.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const noexcept { return message_; }
    virtual const char* ClassName() const noexcept { return "Exception"; }

private:
    std::string message_;
};

#define NOX_DECLARE_ERROR(Name, Base)                                                   \
    class Name : public Base {                                                          \
    public:                                                                             \
        using Base::Base;                                                               \
        const char* ClassName() const noexcept override { return #Name; }               \
    };

NOX_DECLARE_ERROR(EInvalidGraphic, Exception)            // "Bitmap image is not valid", unknown extension
NOX_DECLARE_ERROR(EInvalidGraphicOperation, Exception)   // "Cannot change the size of a JPEG image"
NOX_DECLARE_ERROR(EStreamError, Exception)
NOX_DECLARE_ERROR(EFOpenError, EStreamError)             // "Cannot open file %s"
NOX_DECLARE_ERROR(EFCreateError, EStreamError)           // "Cannot create file %s"
NOX_DECLARE_ERROR(EReadError, EStreamError)              // "Stream read error"
NOX_DECLARE_ERROR(EWriteError, EStreamError)             // "Stream write error"
NOX_DECLARE_ERROR(EJPEG, Exception)                      // "JPEG error #%d"
NOX_DECLARE_ERROR(GIFException, Exception)               // the GIF messages
NOX_DECLARE_ERROR(EOutOfMemory, Exception)               // "Out of memory"
NOX_DECLARE_ERROR(EOutOfResources, Exception)            // "Out of system resources"
NOX_DECLARE_ERROR(ETransformError, Exception)            // stretch copy argument errors
NOX_DECLARE_ERROR(EConvertError, Exception)              // "Cannot assign a %s to a %s"
NOX_DECLARE_ERROR(EOSError, Exception)                   // "Win32 Error.  Code: %d.\n%s"
NOX_DECLARE_ERROR(EClipboardException, Exception)        // "Cannot open clipboard", clipboard formats
NOX_DECLARE_ERROR(EAssertionFailed, Exception)           // programming errors (unpaired EndUpdate)
NOX_DECLARE_ERROR(EIniFileException, Exception)          // "Unable to write to %s"
NOX_DECLARE_ERROR(EAbort, Exception)                     // the silent abort: never shown

#undef NOX_DECLARE_ERROR

// Message texts used by more than one module.
namespace msg {
inline constexpr const char* kInvalidBitmap = "Bitmap image is not valid";
inline constexpr const char* kUnknownExtension = "Unknown picture file extension (.%s)";
inline constexpr const char* kFOpen = "Cannot open file %s";
inline constexpr const char* kFCreate = "Cannot create file %s";
inline constexpr const char* kReadError = "Stream read error";
inline constexpr const char* kWriteError = "Stream write error";
inline constexpr const char* kOutOfMemory = "Out of memory";
inline constexpr const char* kOutOfResources = "Out of system resources";
inline constexpr const char* kAssignError = "Cannot assign a %s to a %s";
inline constexpr const char* kOSError = "Win32 Error.  Code: %d.\n%s";
}  // namespace msg

// The text of the error box for an exception's message: a full stop is added when the message's
// last character sorts after the full stop (so "…valid" gets one, "…(.jpg)" keeps its bracket).
std::string ErrorBoxText(std::string_view message);

// The largest single allocation of pixel memory is NOXSTEG_MAX_ALLOCATION bytes, a definition of
// the build: 1 GiB (a 16384 x 16384 picture at 32 bits per pixel) for the program, and 1 MiB for
// the fuzz targets' build (fuzz/run.sh), whose pictures have at most 16,384 pixels: the search
// keeps finding files of a few bytes whose declared sizes slip past the targets' quick look at
// the headers, and filling such pictures took most of its time. A file of a few bytes can declare
// any size; the cap keeps such a file from making the program allocate and fill gigabytes before
// its data turn out to be missing.

// Throws EOutOfMemory when `bytes` is above that cap or cannot be a single allocation
// on this machine. Every reader calls it with its 64-bit size before allocating pixel memory.
void CheckAllocationSize(unsigned long long bytes);

}  // namespace nox
