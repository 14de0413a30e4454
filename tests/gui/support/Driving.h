// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <functional>

// Driving the program's real widgets from a test: modal dialogs are answered by callbacks that
// wait until the dialog is on top, buttons are clicked by their object names, check boxes of the
// views by a mouse click where the style draws them.
namespace kestrel::guitest {

// Once a modal dialog with this object name is on top, runs the action on it. A dialog that does
// not come within the time is recorded as a failure (TakeModalFailures).
void WhenModal(const QString& objectName, std::function<void(QWidget*)> action,
               int timeoutMs = 20000);
// Clicks the named button of the named dialog once it is on top.
void AnswerModal(const QString& objectName, const char* button);
// The dialogs that were waited for in vain since the last call.
QStringList TakeModalFailures();

// Once the named file dialog is on top, types the file's name into it, in the file's folder, and
// accepts it.
void ChooseFile(const QString& dialogName, const QString& path);

// Clicks the named button below the widget; false when there is none, or it is disabled.
bool Click(QWidget* parent, const char* buttonName);
bool IsEnabled(QWidget* parent, const char* buttonName);
QString LabelText(QWidget* parent, const char* labelName);

// The item of the tree, at any depth, whose text is `label`; nullptr when there is none.
QTreeWidgetItem* TreeEntry(QTreeWidget* tree, const QString& label);

// Waits until the page's work (a scan, a mask run, a recovery) is over: its STOP button is gone.
bool WorkDone(QWidget* page, int timeoutMs = 30000);

// The child of `parent` whose text is `name`; invalid when there is none.
QModelIndex ChildNamed(const QAbstractItemModel* model, const QModelIndex& parent,
                       const QString& name);

// Clicks the check box of an item of a view.
void ClickCheck(QAbstractItemView* view, const QModelIndex& index);

// The visible window of that class, if any.
template <class Window>
Window* FindWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible()) return window;
  }
  return nullptr;
}

}  // namespace kestrel::guitest
