// SPDX-License-Identifier: Apache-2.0
#include "gui/destination/CAlreadyExistFileDialog.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "destination/DestinationDialog.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {
namespace {

// The names the answers are known by, and what each does, in the order of the answers.
struct AnswerLook {
  const char* objectName;
  std::string_view toolTip;
};

constexpr AnswerLook kLooks[] = {
    {"renameButton", "Write this file under the name typed above"},
    {"overwriteButton", "Replace the file that is there"},
    {"skipButton", "Do not write this file"},
    {"renameAllButton", "Write this and every later clashing file as Copy(n)_name"},
    {"overwriteAllButton", "Replace this and every later clashing file"},
    {"skipAllButton", "Write no further file in this run"},
};
static_assert(std::size(kLooks) == destination::kConflictButtons.size());

}  // namespace

CAlreadyExistFileDialog::CAlreadyExistFileDialog(const destination::ConflictQuestion& question,
                                                 QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("CAlreadyExistFileDialog"));
  setWindowTitle(ToQString(app::kProductTitle));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto* name = new QLabel(ToQString(question.fileName), this);
  name->setObjectName(QStringLiteral("fileNameLabel"));
  form->addRow(ToQString(destination::kConflictFileNameCaption), name);
  renameTo_ = new QLineEdit(ToQString(question.proposedName), this);
  renameTo_->setObjectName(QStringLiteral("renameToEdit"));
  form->addRow(ToQString(destination::kConflictRenameToCaption), renameTo_);
  layout->addLayout(form);
  auto* buttons = new QGridLayout;
  for (int i = 0; i < static_cast<int>(std::size(kLooks)); ++i) {
    const auto& answer = destination::kConflictButtons[static_cast<std::size_t>(i)];
    QPushButton* button = SkinButton(answer.caption, kLooks[i].toolTip, kLooks[i].objectName, this);
    connect(button, &QPushButton::clicked, this,
            [this, choice = answer.choice] { Choose(choice); });
    buttons->addWidget(button, i / 3, i % 3);
  }
  layout->addLayout(buttons);
}

void CAlreadyExistFileDialog::Choose(destination::ConflictChoice choice) {
  answer_ = {choice, ToUtf8String(renameTo_->text())};
  accept();
}

}  // namespace kestrel::gui
