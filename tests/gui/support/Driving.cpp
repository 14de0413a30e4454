// SPDX-License-Identifier: Apache-2.0
#include "Driving.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>

namespace kestrel::guitest {
namespace {

QStringList& Failures() {
  static QStringList failures;
  return failures;
}

}  // namespace

void WhenModal(const QString& objectName, std::function<void(QWidget*)> action, int timeoutMs) {
  auto* timer = new QTimer(qApp);
  auto* clock = new QElapsedTimer;
  clock->start();
  QObject::connect(timer, &QTimer::timeout, timer, [=] {
    QWidget* modal = QApplication::activeModalWidget();
    const bool arrived = modal && modal->isVisible() && modal->objectName() == objectName;
    if (!arrived && clock->elapsed() < timeoutMs) return;
    timer->stop();
    timer->deleteLater();
    delete clock;
    if (arrived) {
      action(modal);
    } else {
      Failures() << objectName;
    }
  });
  timer->start(10);
}

void AnswerModal(const QString& objectName, const char* button) {
  WhenModal(objectName, [button, objectName](QWidget* dialog) {
    if (!Click(dialog, button)) Failures() << objectName + "/" + button;
  });
}

void ChooseFile(const QString& dialogName, const QString& path) {
  WhenModal(dialogName, [path](QWidget* dialog) {
    auto* files = static_cast<QFileDialog*>(dialog);
    const QFileInfo file(path);
    files->setDirectory(file.absolutePath());
    files->findChild<QLineEdit*>("fileNameEdit")->setText(file.fileName());
    static_cast<QDialog*>(files)->accept();  // public for a QDialog
  });
}

QStringList TakeModalFailures() {
  QStringList failures = Failures();
  Failures().clear();
  return failures;
}

bool Click(QWidget* parent, const char* buttonName) {
  auto* button = parent->findChild<QAbstractButton*>(QString::fromLatin1(buttonName));
  if (!button || !button->isEnabled()) return false;
  button->click();
  return true;
}

bool IsEnabled(QWidget* parent, const char* buttonName) {
  auto* button = parent->findChild<QAbstractButton*>(QString::fromLatin1(buttonName));
  return button && button->isEnabled();
}

QString LabelText(QWidget* parent, const char* labelName) {
  auto* label = parent->findChild<QLabel*>(QString::fromLatin1(labelName));
  return label ? label->text() : QStringLiteral("<no label %1>").arg(labelName);
}

QTreeWidgetItem* TreeEntry(QTreeWidget* tree, const QString& label) {
  const auto found = tree->findItems(label, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

bool WorkDone(QWidget* page, int timeoutMs) {
  auto* stop = page->findChild<QPushButton*>("stopButton");
  return stop && QTest::qWaitFor([stop] { return !stop->isVisible(); }, timeoutMs);
}

QModelIndex ChildNamed(const QAbstractItemModel* model, const QModelIndex& parent,
                       const QString& name) {
  for (int row = 0; row < model->rowCount(parent); ++row) {
    const QModelIndex child = model->index(row, 0, parent);
    if (child.data().toString() == name) return child;
  }
  return {};
}

void ClickCheck(QAbstractItemView* view, const QModelIndex& index) {
  view->scrollTo(index);
  QStyleOptionViewItem option;
  option.initFrom(view);
  option.rect = view->visualRect(index);
  option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay |
                    QStyleOptionViewItem::HasDecoration;
  option.decorationSize = QSize(16, 16);
  option.text = index.data().toString();
  const QRect check =
      view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, check.center());
}

}  // namespace kestrel::guitest
