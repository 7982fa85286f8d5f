#pragma once
// Message boxes of the logic libraries shown as Qt message boxes, modal to the window. When a
// box closes, the window that was active before it is active again.

#include <QPointer>
#include <QWidget>

#include "platform/message_box.h"

namespace shell {

class QtMessageSink : public platform::MessageSink {
 public:
  explicit QtMessageSink(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  platform::MsgResult Show(const platform::Message& message) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace shell
