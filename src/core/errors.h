#pragma once

#include <QString>
#include <stdexcept>

namespace pla {

// Base of the errors the system raises itself; the text is what the planner sees.
class EPlaError : public std::runtime_error {
public:
    explicit EPlaError(const QString& message)
        : std::runtime_error(message.toStdString())
        , message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// A text that does not convert to the number or date asked for.
class EConvertError : public EPlaError {
public:
    using EPlaError::EPlaError;
};

// An illegal step on an in-memory table (posting while browsing, a closed table, ...).
class EDataSetError : public EPlaError {
public:
    using EPlaError::EPlaError;
};

// A concurrent edit found while applying a change set.
class EChangeConflict : public EDataSetError {
public:
    using EDataSetError::EDataSetError;
};

// Bytes that are not a well-formed value or data packet.
class EDecodeError : public EPlaError {
public:
    using EPlaError::EPlaError;
};

// A programming error: asking the catalogue for a key it does not hold, a bad mask.
class EProgramError : public std::logic_error {
public:
    explicit EProgramError(const QString& message)
        : std::logic_error(message.toStdString())
        , message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Ends the current action without a message: a handler that refuses an insert or a
// delete throws it, and the event loop drops it silently.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

[[noreturn]] inline void Abort() {
    throw EAbort();
}

} // namespace pla
