#pragma once

#include <QString>
#include <stdexcept>

#include "glissor/glissor_export.h"

namespace glissor {

// The failures a property operation hands back to its caller. The control shows no message of its own: the
// host decides whether to report them.
enum class ErrorKind { TypeMismatch, Overflow, DivisionByZero };

class GLISSOR_EXPORT ControlError : public std::runtime_error {
public:
    explicit ControlError(ErrorKind kind);
    ErrorKind kind() const noexcept { return m_kind; }

private:
    ErrorKind m_kind;
};

} // namespace glissor
