// The one base of every exception the engine raises. Each carries a message
// text; libraries derive their own classes only where callers tell them apart.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Raised when a stream cannot be opened, read or written as asked.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// Raised by Variant when a value cannot be converted to the asked type.
class EVariantError : public Exception {
public:
    using Exception::Exception;
};
