// Every message box of the program is shown here, so that they all look alike and an
// automated run (tests, QUORVEL_TEST_LOG) can see each real box on screen and answer it.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

// Shows a modal box; returns the button that closed it. A parent that is not visible
// (the main window during start-up) is not used, so the box is centred on the screen.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& caption,
                                           const QString& text, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons);

// Called with each box once it is on screen and its event loop runs; it may press one
// of the box's buttons. An empty function removes the observer.
// The button that Escape would press: No, Cancel or OK, whichever the box has.
QAbstractButton* EscapeChoice(QMessageBox& box);

using MessageBoxObserver = std::function<void(QMessageBox& box)>;
void SetMessageBoxObserver(MessageBoxObserver observer);
