// SPDX-License-Identifier: Apache-2.0
#pragma once

// How the pages of the desktop program hand control back: every page is modal and ends with a
// result that the page which opened it acts on.
namespace kestrel::app {

enum class PageResult {
  BackToMainWindow = 1,  // every page in between closes too, and the main window shows again
  Closing = 2,           // the application is closing: every page closes, up to the main window
  ShowCaller = 3,        // the page that opened this one shows itself again
};

// The buttons that leave a page.
enum class LeaveButton { Home, Back, Close };

// The media page: HOME and BACK go back to the main window, X closes the application.
PageResult MediaPageResult(LeaveButton button);

// A scan page (the volume page): HOME goes back to the main window, BACK shows the media page
// again, X closes the application.
PageResult ScanPageResult(LeaveButton button);

// The imaging and cloning pages: BACK shows the page before again, HOME and X go back to the main
// window (X cancels the page; the program goes on).
PageResult ImagingPageResult(LeaveButton button);

// What a page does when a page it opened has ended.
enum class CallerReaction { ShowAgain, EndBackToMainWindow, EndClosing };

// The main window shows itself again unless the application is closing.
CallerReaction MainWindowReaction(PageResult result);

// A page between the main window and the scan pages (the media page) shows itself again only
// when asked to, and otherwise ends with the result it was given.
CallerReaction MediaPageReaction(PageResult result);

}  // namespace kestrel::app
