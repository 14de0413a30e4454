// SPDX-License-Identifier: Apache-2.0
#include "gui/common/Skin.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QStandardPaths>

#include "gui/common/QtText.h"

namespace kestrel::gui {
namespace {

// The tree and list backgrounds: RGB(253, 253, 253).
const QColor kViewBackground(253, 253, 253);

// Raised, rounded buttons that light up under the mouse, and tab pages on the page colour.
constexpr const char* kSkin = R"(
QPushButton {
  font-weight: bold;
  color: #1d2b3a;
  padding: 5px 12px;
  border: 1px solid #7d8a97;
  border-radius: 5px;
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfdfd, stop:1 #cfd6dd);
}
QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #aecbe6); }
QPushButton:pressed { background: #9dbbd8; }
QPushButton:disabled { color: #9a9a9a; border-color: #c2c2c2; background: #e4e3e3; }
QProgressBar { border: 1px solid #9a9a9a; background: #fdfdfd; text-align: center; }
QProgressBar::chunk { background: rgb(200, 200, 200); }
QTabWidget::pane { background: rgb(233, 232, 232); border: 1px solid #9a9a9a; }
)";

}  // namespace

QColor PageColour() {
  return {233, 232, 232};
}

QFont CaptionFont(int pixelSize) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);  // the nearest installed font where Arial is missing
  font.setPixelSize(pixelSize);
  font.setBold(true);
  return font;
}

void ApplyProgramLook(QApplication& application) {
  QPalette palette = application.palette();
  palette.setColor(QPalette::Window, PageColour());
  palette.setColor(QPalette::Base, kViewBackground);
  application.setPalette(palette);
  application.setStyleSheet(QString::fromLatin1(kSkin));
  // Without a desktop (or on the offscreen platform) neither the theme nor the folders it lies in
  // may be set: the Debian icon theme in the system's data folders fills in.
  QStringList searchPaths = QIcon::themeSearchPaths();
  for (const QString& folder :
       QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                 QStandardPaths::LocateDirectory)) {
    if (!searchPaths.contains(folder)) searchPaths << folder;
  }
  QIcon::setThemeSearchPaths(searchPaths);
  QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
  if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
    QIcon::setThemeName(QStringLiteral("Adwaita"));
}

QPushButton* SkinButton(std::string_view caption, std::string_view toolTip, const char* objectName,
                        QWidget* parent) {
  auto* button = new QPushButton(ToQString(caption), parent);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setToolTip(ToQString(toolTip));
  button->setCursor(Qt::PointingHandCursor);
  return button;
}

QLabel* CaptionLabel(std::string_view text, int pixelSize, QWidget* parent) {
  auto* label = new QLabel(ToQString(text), parent);
  label->setFont(CaptionFont(pixelSize));
  return label;
}

}  // namespace kestrel::gui
