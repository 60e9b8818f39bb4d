// CMainFrame: the main window. Before it is first shown, Create() puts up the start-up
// picture, loads the remembered port and speed, looks for the adapter, stores what it
// found and warns when nothing answered. It owns the link used for that search and for
// "Reset Modem data", handles the port and speed commands (stored at once, nothing
// probed) and ends the program with exit code 1 when it is closed.
//
// Its size is fixed: the client area (below the menu) is 105 pixels high and 400 plus
// half the frame's border width wide, and it sits in the middle of the screen.
#pragma once

#include <QMainWindow>
#include <memory>
#include <vector>

#include "app/registry/registry_key.h"
#include "link/comm_link.h"

class CQuorvelView;
class QAction;

namespace Ui {
class CMainFrame;
}

inline constexpr const char* kModemNotFoundText = "MODEM이 꺼있거나 찾을수가 없습니다.";
inline constexpr const char* kResetQuestion = "ISDN MODEM의 모든 설정 내용을 지우겠습니까?";
inline constexpr const char* kResetCaption = "WARNING!!";
inline constexpr int kClientHeight = 105;
inline constexpr int kClientBaseWidth = 400;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  CMainFrame();
  ~CMainFrame() override;

  // The creation steps that run before the window is first shown.
  bool Create();
  // The view with its button panel, after Create().
  void CreateView();

  CQuorvelView* View() const { return view; }
  CCommLink& Link() { return link; }
  // Puts the check marks where currentPort and currentSpeed say.
  void UpdateCheckMarks();

 public slots:
  void OnPort(int port);
  void OnSpeed(int speed);
  void OnResetModem();

 signals:
  void aboutRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ConnectMenu();
  void FixGeometry();
  void Centre();

  std::unique_ptr<Ui::CMainFrame> ui;  // the menu: resources/main_frame.ui
  CCommLink link;
  CRegistryKey registryKey;
  CQuorvelView* view = nullptr;
  QSize frameExtra;  // what the window system added around the window at the last fix
  std::vector<std::pair<int, QAction*>> portActions;   // port number -> "COMn"
  std::vector<std::pair<int, QAction*>> speedActions;  // bit/s -> "56K".."230K"
};
