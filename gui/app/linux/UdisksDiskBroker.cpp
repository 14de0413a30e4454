// SPDX-License-Identifier: Apache-2.0
// Linux: a block device the user may not open is opened by udisks2 over the system bus
// (Block.OpenForBackup, read-only), once polkit has authorised it.
#include <fcntl.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>

#include "disk/platform/BrokerOncePerDevice.h"
#include "disk/platform/Platform.h"
#include "gui/app/DiskBroker.h"
#include "gui/common/QtText.h"

namespace kestrel::gui {
namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
// Long enough for a person to read the desktop's password question and answer it.
constexpr int kAuthorisationMilliseconds = 5 * 60 * 1000;

platform::BrokeredDevice Refusal(const QString& why) {
  return {-1, "udisks2 would not open it: " + ToUtf8String(why)};
}

// The object udisks2 keeps for the device node, or an empty path.
QString DeviceObject(const QDBusConnection& bus, const std::string& devicePath, QString& error) {
  QDBusMessage resolve = QDBusMessage::createMethodCall(
      kService, QStringLiteral("/org/freedesktop/UDisks2/Manager"),
      QStringLiteral("org.freedesktop.UDisks2.Manager"), QStringLiteral("ResolveDevice"));
  resolve << QVariantMap{{QStringLiteral("path"), ToQString(devicePath)}} << QVariantMap{};
  const QDBusReply<QList<QDBusObjectPath>> found = bus.call(resolve);
  if (!found.isValid()) {
    error = found.error().message();
    return {};
  }
  if (found.value().isEmpty()) {
    error = QStringLiteral("it does not know the device");
    return {};
  }
  return found.value().first().path();
}

platform::BrokeredDevice AskUdisks(const std::string& devicePath) {
  const QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return Refusal(QStringLiteral("there is no system bus to ask"));
  QString error;
  const QString object = DeviceObject(bus, devicePath, error);
  if (object.isEmpty()) return Refusal(error);
  QDBusMessage open = QDBusMessage::createMethodCall(
      kService, object, QStringLiteral("org.freedesktop.UDisks2.Block"),
      QStringLiteral("OpenForBackup"));
  open << QVariantMap{};
  const QDBusReply<QDBusUnixFileDescriptor> opened =
      bus.call(open, QDBus::Block, kAuthorisationMilliseconds);
  if (!opened.isValid()) return Refusal(opened.error().message());
  // The reply's descriptor closes with the reply: the source keeps a copy of its own.
  const int descriptor = ::fcntl(opened.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
  if (descriptor < 0) return Refusal(QStringLiteral("its descriptor could not be kept"));
  return {descriptor, {}};
}

}  // namespace

void InstallDiskBroker() {
  platform::SetDiskBroker(platform::AskingOncePerDevice(AskUdisks));
}

}  // namespace kestrel::gui
