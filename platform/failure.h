#pragma once

#include <stdexcept>
#include <string>

namespace pelmora {

// The one failure type of the program: a numeric code and a message text.
// Routines that catch failures (the read, the epoch conversion) catch this
// type; the error log records its code and message.
class Failure : public std::runtime_error {
public:
    Failure(int code, std::string message) : std::runtime_error(message), m_code(code), m_message(std::move(message)) {}

    int code() const noexcept { return m_code; }
    const std::string& message() const noexcept { return m_message; }

private:
    int m_code;
    std::string m_message;
};

// Codes used throughout; the messages are the texts the error log shows.
namespace failure_code {
inline constexpr int InvalidCall = 5;        // "Invalid procedure call or argument"
inline constexpr int Overflow = 6;           // "Overflow"
inline constexpr int SubscriptRange = 9;     // "Subscript out of range"
inline constexpr int TypeMismatch = 13;      // "Type mismatch"
inline constexpr int BadFileName = 52;       // "Bad file name or number"
inline constexpr int DeviceIo = 57;          // "Device I/O error"
inline constexpr int PermissionDenied = 70;  // "Permission denied"
inline constexpr int PathFileAccess = 75;    // "Path/File access error"
inline constexpr int PathNotFound = 76;      // "Path not found"
}  // namespace failure_code

[[noreturn]] inline void fail_overflow() { throw Failure(failure_code::Overflow, "Overflow"); }
[[noreturn]] inline void fail_subscript_range() {
    throw Failure(failure_code::SubscriptRange, "Subscript out of range");
}
[[noreturn]] inline void fail_type_mismatch() { throw Failure(failure_code::TypeMismatch, "Type mismatch"); }

}  // namespace pelmora
