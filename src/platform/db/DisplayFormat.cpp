#include "platform/db/DisplayFormat.h"

#include <charconv>
#include <cmath>
#include <string>

namespace db {

namespace {

struct FixedFormat {
    int minIntegerDigits = 0;
    int decimals = 0;
};

bool parseFixedFormat(const QString& format, FixedFormat& out)
{
    const qsizetype point = format.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? format : format.left(point);
    const QString fraction = point < 0 ? QString() : format.mid(point + 1);
    if (whole.isEmpty() || (point >= 0 && fraction.isEmpty()))
        return false;
    for (QChar c : whole + fraction) {
        if (c != QLatin1Char('0'))
            return false;
    }
    out.minIntegerDigits = int(whole.size());
    out.decimals = int(fraction.size());
    return true;
}

// Rounds the decimal digits "int.frac" of a magnitude half away from zero.
std::string roundDecimal(std::string digits, int decimals)
{
    const auto point = digits.find('.');
    std::string whole = point == std::string::npos ? digits : digits.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : digits.substr(point + 1);
    bool roundUp = false;
    if (int(fraction.size()) > decimals) {
        roundUp = fraction[size_t(decimals)] >= '5';
        fraction.resize(size_t(decimals));
    }
    fraction.resize(size_t(decimals), '0');
    if (roundUp) {
        std::string all = whole + fraction;
        int i = int(all.size()) - 1;
        for (; i >= 0; --i) {
            if (all[size_t(i)] == '9') {
                all[size_t(i)] = '0';
            } else {
                ++all[size_t(i)];
                break;
            }
        }
        if (i < 0)
            all.insert(all.begin(), '1');
        whole = all.substr(0, all.size() - size_t(decimals));
        fraction = all.substr(all.size() - size_t(decimals));
    }
    return decimals > 0 ? whole + '.' + fraction : whole;
}

} // namespace

QString generalNumber(double value) { return QString::number(value, 'g', 15); }

QString formatNumber(double value, const QString& format)
{
    FixedFormat fixed;
    if (!std::isfinite(value) || !parseFixedFormat(format, fixed))
        return generalNumber(value);

    // The shortest text that reads back as the same double, in plain notation.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    std::string digits(buffer, result.ptr);
    std::string text = roundDecimal(std::move(digits), fixed.decimals);

    const auto point = text.find('.');
    const size_t wholeDigits = point == std::string::npos ? text.size() : point;
    if (int(wholeDigits) < fixed.minIntegerDigits)
        text.insert(0, size_t(fixed.minIntegerDigits) - wholeDigits, '0');

    const bool zero = text.find_first_not_of("0.") == std::string::npos;
    if (std::signbit(value) && !zero)
        text.insert(text.begin(), '-');
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace db
