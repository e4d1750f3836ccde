#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>

// The errors a control's members return to their caller. A generic host catches ControlError, reads its kind
// and reports it; a control never brings its host down with anything else.
namespace platform::component {

enum class ErrorKind {
    TypeMismatch,   // a value that cannot be read as the type asked for
    Overflow,       // a result outside the range of its type
    DivisionByZero, // a quotient with a zero divisor
};

class ControlError : public std::runtime_error {
public:
    explicit ControlError(ErrorKind kind, const QString& detail = {});
    ~ControlError() override;

    ErrorKind kind() const { return m_kind; }
    // The classic run-time error number of the kind (13, 6, 11), which hosts written for those numbers
    // expect.
    int number() const;
    QString message() const { return QString::fromUtf8(what()); }

private:
    ErrorKind m_kind;
};

QString errorKindText(ErrorKind kind);

// Narrowing to the 16-bit integers of the control interfaces: a value outside -32768..32767 is an overflow.
std::int16_t narrowToInt16(long long v);
std::int32_t narrowToInt32(long long v);
// A double rounded half to even, then narrowed; NaN and infinities are overflows.
std::int16_t roundToInt16(double v);
std::int32_t roundToInt32(double v);

} // namespace platform::component
