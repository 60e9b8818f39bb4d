// Hooks for automated runs of the real program (tests, the README screenshot); all off
// unless the environment asks for them.
//
//   QUORVEL_TEST_LOG=<file>       each message box is appended there as one line
//                                 "caption<TAB>text<TAB>answer" and answered once on screen
//   QUORVEL_TEST_ANSWERS=yes,no   the answers for those boxes, in order; past the list a
//                                 box is answered with its Escape button (No, or OK)
//   QUORVEL_TEST_ACTIONS=a,b,...  run in order once the main window is shown, 200 ms apart:
//                                 quit-button | close | exit-menu | grab=<png file>
#pragma once

class CMainFrame;

// Before start-up: the start-up warning is already a box to answer.
void InstallAutomationObserver();
// After start-up.
void StartAutomationActions(CMainFrame& frame);
