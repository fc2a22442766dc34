#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace kelvora {

// The one failure type of the behaviour: a number from the familiar runtime-error numbering and
// its description. Item processing shows it as "number - description".
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int32_t number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int32_t Number() const { return number_; }
    std::string Description() const { return what(); }

private:
    int32_t number_;
};

namespace Err {
constexpr int32_t Overflow = 6;
constexpr int32_t DivisionByZero = 11;
constexpr int32_t TypeMismatch = 13;
constexpr int32_t FileNotFound = 53;
constexpr int32_t FileAlreadyExists = 58;
constexpr int32_t PermissionDenied = 70;
constexpr int32_t PathFileAccessError = 75;
constexpr int32_t PathNotFound = 76;
constexpr int32_t ResourceNotFound = 326;
}  // namespace Err

[[noreturn]] inline void Raise(int32_t number, const std::string& description) {
    throw RuntimeError(number, description);
}

}  // namespace kelvora
