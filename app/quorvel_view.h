// CQuorvelView: the main window's client area. It holds the button panel and opens the
// program's settings windows on the commands Phone 1, Phone 2, Data Comm and Monitor,
// which come from the menu, the accelerators or the panel.
//
// Each window arrives with its own work; until then its Show... function is the place it
// opens from, and windowRequested tells which one the command chose.
#pragma once

#include <QPolygon>
#include <QWidget>
#include <array>

class CButtonPanel;

class CQuorvelView : public QWidget {
  Q_OBJECT

 public:
  enum class Window { PhoneSetup, DataCommAodi, DataCommMlppp, Monitor };
  Q_ENUM(Window)

  explicit CQuorvelView(QWidget* parent = nullptr);

  CButtonPanel* Panel() const { return panel; }
  // True while the pointer is over a hot region and shows the hot-region cursor.
  bool HotCursorShown() const { return hotCursorShown; }

 public slots:
  void OnPhone1();
  void OnPhone2();
  void OnDataComm();
  void OnMonitor();

 signals:
  void windowRequested(CQuorvelView::Window window);

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void ShowPhoneSetup();
  void ShowDataCommAodi();
  void ShowDataCommMlppp();
  void ShowMonitor();

  std::array<QPolygon, 3> hotRegions;
  CButtonPanel* panel;
  bool hotCursorShown = false;
};
