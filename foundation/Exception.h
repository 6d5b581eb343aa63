// The one base of every exception the system raises: a message text and a class name.
#pragma once

#include <stdexcept>
#include <string>

namespace zep {

/// Base of all of the system's exceptions. The message is Windows-1252 text, exactly as shown.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    /// The class name used in the display text, e.g. "EGZipError".
    virtual const char* ClassName() const noexcept { return "Exception"; }
    const std::string Message() const { return what(); }
};

/// Declares an exception class `Name` derived from `Base` that reports "Name" as its class name.
#define ZEP_DECLARE_EXCEPTION(Name, Base)                                                          \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
        const char* ClassName() const noexcept override { return #Name; }                          \
    }

/// Stream read and write failures (short reads of a fixed-size record, write errors).
ZEP_DECLARE_EXCEPTION(EStreamError, Exception);
ZEP_DECLARE_EXCEPTION(EReadError, EStreamError);
ZEP_DECLARE_EXCEPTION(EWriteError, EStreamError);
ZEP_DECLARE_EXCEPTION(EFOpenError, EStreamError);
ZEP_DECLARE_EXCEPTION(EFCreateError, EStreamError);
/// A format string and its arguments do not fit together.
ZEP_DECLARE_EXCEPTION(EConvertError, Exception);

/// The display text of an exception: "%s\r[%s]" with its message and class name.
std::string ExceptionDisplayText(const std::exception& e);

} // namespace zep
