// SPDX-License-Identifier: Apache-2.0
#pragma once

class QApplication;

namespace kestrel::gui {

// Readies the application object: the look, and an event loop that ends only when the main
// window does (pages hide the windows below them, which must not end the program).
void PrepareProgram(QApplication& application);

// --help and --version print their text and end the program; it takes no other option of its own
// (Qt's, such as -platform, are Qt's). An unknown option ends it with the reason.
void TakeCommandLine(QApplication& application);

}  // namespace kestrel::gui
