#pragma once

class QApplication;

namespace kestrel::gui {

// Readies the application object: the look, and an event loop that ends only when the main
// window does (pages hide the windows below them, which must not end the program).
void PrepareProgram(QApplication& application);

}  // namespace kestrel::gui
