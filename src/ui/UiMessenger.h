// Messages and questions as message boxes, for the workbench.
#pragma once

#include "Messenger.h"

class QWidget;

namespace koralix {

class UiMessenger : public Messenger {
  public:
    explicit UiMessenger(QWidget* parent = nullptr) : parent_(parent) {}
    void Message(const std::string& text) override;
    Answer Ask(const std::string& question) override;

  private:
    QWidget* parent_;
};

} // namespace koralix
