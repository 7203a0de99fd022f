#pragma once

class QWidget;

namespace ui {

// The window of the innermost modal showing now running through ui::execModal (nullptr for a message box of
// ui::messageBox); *any tells whether one runs at all. A window that refreshes itself waits while a showing
// above it runs.
QWidget* topModal(bool* any = nullptr);

}  // namespace ui
