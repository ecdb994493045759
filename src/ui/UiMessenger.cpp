#include "UiMessenger.h"

#include <QMessageBox>

namespace koralix {

void UiMessenger::Message(const std::string& text) {
    QMessageBox::information(parent_, QStringLiteral("Koralix"), QString::fromStdString(text));
}

Answer UiMessenger::Ask(const std::string& question) {
    auto button =
        QMessageBox::question(parent_, QStringLiteral("Koralix"), QString::fromStdString(question),
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (button == QMessageBox::Yes) return Answer::Yes;
    if (button == QMessageBox::No) return Answer::No;
    return Answer::Cancel;
}

} // namespace koralix
