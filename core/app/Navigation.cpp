// SPDX-License-Identifier: Apache-2.0
#include "app/Navigation.h"

namespace kestrel::app {

PageResult MediaPageResult(LeaveButton button) {
  return button == LeaveButton::Close ? PageResult::Closing : PageResult::BackToMainWindow;
}

PageResult ScanPageResult(LeaveButton button) {
  switch (button) {
    case LeaveButton::Home:
      return PageResult::BackToMainWindow;
    case LeaveButton::Back:
      return PageResult::ShowCaller;
    case LeaveButton::Close:
      break;
  }
  return PageResult::Closing;
}

PageResult ImagingPageResult(LeaveButton button) {
  return button == LeaveButton::Back ? PageResult::ShowCaller : PageResult::BackToMainWindow;
}

CallerReaction MainWindowReaction(PageResult result) {
  return result == PageResult::Closing ? CallerReaction::EndClosing : CallerReaction::ShowAgain;
}

CallerReaction MediaPageReaction(PageResult result) {
  switch (result) {
    case PageResult::ShowCaller:
      return CallerReaction::ShowAgain;
    case PageResult::BackToMainWindow:
      return CallerReaction::EndBackToMainWindow;
    case PageResult::Closing:
      break;
  }
  return CallerReaction::EndClosing;
}

}  // namespace kestrel::app
