#include "component/controlerror.h"

#include <cmath>
#include <limits>

#include "core/rounding.h"

namespace platform::component {

namespace {

std::string composeMessage(ErrorKind kind, const QString& detail) {
    QString text = errorKindText(kind);
    if (!detail.isEmpty())
        text += QStringLiteral(": ") + detail;
    return text.toStdString();
}

template <class T> T narrow(long long v) {
    if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max())
        throw ControlError(ErrorKind::Overflow, QString::number(v));
    return static_cast<T>(v);
}

template <class T> T roundNarrow(double v) {
    if (!std::isfinite(v))
        throw ControlError(ErrorKind::Overflow, QString::number(v));
    const double r = roundHalfEven(v);
    if (r < std::numeric_limits<T>::min() || r > std::numeric_limits<T>::max())
        throw ControlError(ErrorKind::Overflow, QString::number(v, 'g', 17));
    return static_cast<T>(r);
}

} // namespace

ControlError::ControlError(ErrorKind kind, const QString& detail)
    : std::runtime_error(composeMessage(kind, detail)), m_kind(kind) {}

ControlError::~ControlError() = default;

int ControlError::number() const {
    switch (m_kind) {
    case ErrorKind::TypeMismatch:
        return 13;
    case ErrorKind::Overflow:
        return 6;
    case ErrorKind::DivisionByZero:
        return 11;
    }
    return 5;
}

QString errorKindText(ErrorKind kind) {
    switch (kind) {
    case ErrorKind::TypeMismatch:
        return QStringLiteral("Type mismatch");
    case ErrorKind::Overflow:
        return QStringLiteral("Overflow");
    case ErrorKind::DivisionByZero:
        return QStringLiteral("Division by zero");
    }
    return QStringLiteral("Error");
}

std::int16_t narrowToInt16(long long v) {
    return narrow<std::int16_t>(v);
}
std::int32_t narrowToInt32(long long v) {
    return narrow<std::int32_t>(v);
}
std::int16_t roundToInt16(double v) {
    return roundNarrow<std::int16_t>(v);
}
std::int32_t roundToInt32(double v) {
    return roundNarrow<std::int32_t>(v);
}

} // namespace platform::component
