// A stop of the run.  Every routine that must end the run throws RunStop;
// main() catches it once, prints "STOP <message>" on standard error when a
// message is given, and exits with status 1.  No library code calls exit(),
// so each routine can be exercised in-process by the tests.
#pragma once

#include <exception>
#include <new>
#include <string>
#include <utility>

namespace quilmo {

class RunStop : public std::exception {
public:
    RunStop() = default;
    explicit RunStop(std::string message) : message_(std::move(message)) {}
    const std::string& message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Runs an allocation (or any step that may run out of memory) and turns
// std::bad_alloc into a stop carrying the given message.
template <class F>
void allocate_or_stop(const char* message, F&& make) {
    try {
        make();
    } catch (const std::bad_alloc&) {
        throw RunStop(message);
    }
}

// The message for an exception that is not a stop, to be called inside a
// catch block: an unforeseen failure still ends the run with one line that
// says what it was, never with an abort.
inline std::string unexpected_failure() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "Unexpected failure: out of memory";
    } catch (const std::exception& e) {
        return std::string("Unexpected failure: ") + e.what();
    } catch (...) {
        return "Unexpected failure";
    }
}

}  // namespace quilmo
