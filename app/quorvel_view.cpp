#include "app/quorvel_view.h"

#include <QMouseEvent>
#include <algorithm>

#include "app/button_panel.h"
#include "app/selected_phone_port.h"
#include "link/comm_link.h"

namespace {

// In view coordinates. The panel covers most of the view, so only their lower parts can
// be reached; the cursor still changes there.
const std::array<QPolygon, 3> kHotRegions = {
    QPolygon({{154, 109}, {172, 110}, {176, 114}, {205, 123}, {205, 136}, {158, 167},
              {108, 155}, {108, 148}}),
    QPolygon({{79, 156}, {97, 157}, {101, 161}, {130, 170}, {130, 183}, {83, 214},
              {33, 202}, {33, 195}}),
    QPolygon({{322, 95}, {380, 119}, {374, 203}, {341, 237}, {356, 240}, {358, 259},
              {316, 284}, {154, 223}, {185, 191}, {217, 202}, {246, 185}, {257, 108}}),
};

}  // namespace

CQuorvelView::CQuorvelView(QWidget* parent)
    : QWidget(parent), hotRegions(kHotRegions), panel(new CButtonPanel(this)) {
  setMouseTracking(true);
  panel->move(0, 0);
  connect(panel, &CButtonPanel::phone1Requested, this, &CQuorvelView::OnPhone1);
  connect(panel, &CButtonPanel::phone2Requested, this, &CQuorvelView::OnPhone2);
  connect(panel, &CButtonPanel::dataCommRequested, this, &CQuorvelView::OnDataComm);
}

void CQuorvelView::OnPhone1() {
  selectedPhonePort = 1;
  ShowPhoneSetup();
}

void CQuorvelView::OnPhone2() {
  selectedPhonePort = 2;
  ShowPhoneSetup();
}

void CQuorvelView::OnDataComm() {
  if (aodiCapable.load() != 0)
    ShowDataCommAodi();
  else
    ShowDataCommMlppp();
}

void CQuorvelView::OnMonitor() { ShowMonitor(); }

// The windows themselves come with the telephone, data-communication and monitor work;
// each opens modally here and keeps its state between openings.
void CQuorvelView::ShowPhoneSetup() { emit windowRequested(Window::PhoneSetup); }
void CQuorvelView::ShowDataCommAodi() { emit windowRequested(Window::DataCommAodi); }
void CQuorvelView::ShowDataCommMlppp() { emit windowRequested(Window::DataCommMlppp); }
void CQuorvelView::ShowMonitor() { emit windowRequested(Window::Monitor); }

void CQuorvelView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  const bool inHotRegion = std::any_of(hotRegions.begin(), hotRegions.end(), [&](const QPolygon& r) {
    return r.containsPoint(point, Qt::WindingFill);
  });
  if (inHotRegion && !hotCursorShown) {
    setCursor(Qt::PointingHandCursor);
    hotCursorShown = true;
  } else if (!inHotRegion && hotCursorShown) {
    unsetCursor();
    hotCursorShown = false;
  }
  QWidget::mouseMoveEvent(event);
}
