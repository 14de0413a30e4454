// SPDX-License-Identifier: Apache-2.0
// kestrel-nss-helpgen OUTDIR PAGE.md...: turns the help manual's Markdown pages into the HTML
// pages the desktop program shows, one page per topic, with the links between them kept.
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdio>

namespace {

bool Convert(const QString& markdownPath, const QString& outputFolder) {
  QFile input(markdownPath);
  if (!input.open(QIODevice::ReadOnly)) return false;
  const QString markdown = QString::fromUtf8(input.readAll());
  QTextDocument document;
  document.setMarkdown(markdown);
  document.setMetaInformation(
      QTextDocument::DocumentTitle,
      markdown.section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('#')).trimmed());
  QFile output(outputFolder + QLatin1Char('/') + QFileInfo(markdownPath).completeBaseName() +
               QStringLiteral(".html"));
  return output.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
         output.write(document.toHtml().toUtf8()) >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QStringList arguments = QGuiApplication::arguments();
  if (arguments.size() < 3) {
    std::fprintf(stderr, "usage: kestrel-nss-helpgen OUTDIR PAGE.md...\n");
    return 2;
  }
  for (qsizetype i = 2; i < arguments.size(); ++i) {
    if (!Convert(arguments[i], arguments[1])) {
      std::fprintf(stderr, "kestrel-nss-helpgen: %s cannot be converted\n",
                   qPrintable(arguments[i]));
      return 1;
    }
  }
  return 0;
}
