#include "EditorFields.h"

#include "NumberFormat.h"

#include <charconv>

namespace koralix {

QString FixedField(double value, int decimals, int /*width*/) {
    return QString::fromStdString(FixedText(value, decimals));
}

QString GeneralField(double value, int digits) {
    return QString::fromStdString(GeneralText(value, digits));
}

QString ShortestField(float value, int digits) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    const QString general = GeneralField(value, digits);
    if (ec != std::errc()) return general;
    const QString shortest = QString::fromLatin1(buffer, int(end - buffer));
    return shortest.size() <= general.size() ? shortest : general;
}

} // namespace koralix
