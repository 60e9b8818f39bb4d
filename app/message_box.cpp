#include "app/message_box.h"

#include <QAbstractButton>
#include <QTimer>
#include <utility>

namespace {
MessageBoxObserver& Observer() {
  static MessageBoxObserver observer;
  return observer;
}
}  // namespace

QAbstractButton* EscapeChoice(QMessageBox& box) {
  if (QAbstractButton* escape = box.escapeButton()) return escape;
  for (auto kind : {QMessageBox::No, QMessageBox::Cancel, QMessageBox::Ok})
    if (QAbstractButton* button = box.button(kind)) return button;
  return box.buttons().isEmpty() ? nullptr : box.buttons().constFirst();
}

void SetMessageBoxObserver(MessageBoxObserver observer) { Observer() = std::move(observer); }

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& caption,
                                           const QString& text, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons) {
  if (parent && !parent->isVisible()) parent = nullptr;
  QMessageBox box(icon, caption, text, buttons, parent);
  if (Observer()) {
    // A zero timer fires only once exec() below has shown the box and runs its loop.
    QTimer::singleShot(0, &box, [&box] {
      if (Observer()) Observer()(box);
    });
  }
  return static_cast<QMessageBox::StandardButton>(box.exec());
}
