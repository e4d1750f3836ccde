#include "core/numbertext.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform {

QString numberToText(double v) {
    if (std::isnan(v))
        return QStringLiteral("NaN");
    if (std::isinf(v))
        return v > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (v == 0)
        return QStringLiteral("0");
    char buf[64];
    const double mag = std::fabs(v);
    if (mag >= 1e15 || mag < 1e-5) {
        std::snprintf(buf, sizeof buf, "%.14E", v);
        // Trim the mantissa's trailing zeros: 1.50000000000000E+20 -> 1.5E+20.
        std::string s(buf);
        const auto e = s.find('E');
        std::string mant = s.substr(0, e);
        std::string exp = s.substr(e);
        while (!mant.empty() && mant.back() == '0')
            mant.pop_back();
        if (!mant.empty() && mant.back() == '.')
            mant.pop_back();
        return QString::fromStdString(mant + exp);
    }
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return QString::fromLatin1(buf);
}

namespace {

// Length of the longest prefix of s[i..] that reads as a decimal number (sign, digits, point, exponent).
std::size_t numberPrefix(const std::string& s, std::size_t i) {
    const std::size_t start = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    std::size_t mantissaEnd = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        std::size_t expDigits = 0;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            mantissaEnd = j;
    }
    return mantissaEnd - start;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

double parse(const std::string& s) {
    return std::strtod(s.c_str(), nullptr);
}

} // namespace

double textToNumberLenient(const QString& text) {
    const std::string s = text.toStdString();
    std::size_t i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    const std::size_t n = numberPrefix(s, i);
    if (n == 0)
        return 0;
    const double v = parse(s.substr(i, n));
    return std::isfinite(v) ? v : 0;
}

std::optional<double> textToNumberStrict(const QString& text) {
    const std::string s = text.toStdString();
    std::size_t i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    const std::size_t n = numberPrefix(s, i);
    if (n == 0)
        return std::nullopt;
    std::size_t j = i + n;
    while (j < s.size() && isBlank(s[j]))
        ++j;
    if (j != s.size())
        return std::nullopt;
    const double v = parse(s.substr(i, n));
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<bool> textToBoolStrict(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    if (auto n = textToNumberStrict(text))
        return *n != 0;
    return std::nullopt;
}

QString boolToText(bool b) {
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace platform
