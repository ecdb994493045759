#include "EditorFields.h"

#include "NumberFormat.h"

namespace koralix {

QString FixedField(double value, int decimals, int /*width*/) {
    return QString::fromStdString(FixedText(value, decimals));
}

QString GeneralField(double value, int digits) {
    return QString::fromStdString(GeneralText(value, digits));
}

} // namespace koralix
