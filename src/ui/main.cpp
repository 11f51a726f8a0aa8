// quillmote: the desktop application.
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPainter>

#include "app/CommandLine.h"
#include "platform/Platform.h"
#include "platform/TextEncoding.h"
#include "ui/DialogUi.h"
#include "ui/MainWindow.h"
#include "ui/Startup.h"
#include "ui/ToneSound.h"

namespace {

QIcon programIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 0, 200));
  painter.drawRoundedRect(QRect(1, 1, 30, 30), 6, 6);
  painter.setPen(QPen(Qt::white, 2.5));
  painter.drawLine(8, 25, 25, 6);
  painter.drawLine(25, 6, 21, 17);
  painter.end();
  return QIcon(pixmap);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quillmote");
  QApplication::setWindowIcon(programIcon());
  QApplication::setQuitOnLastWindowClosed(false);

  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(qlm::cp1252FromUtf8(argv[i]));
  qlm::CommandLine commandLine = qlm::CommandLine::parse(arguments);

  qlm::PlatformResult opened = qlm::openPlatform();
  if (!opened.platform) {
    QMessageBox::critical(nullptr, "Quillmote", QString::fromStdString(opened.message));
    return 1;
  }
  qlm::Platform& platform = *opened.platform;
  platform.sound = std::make_unique<qlm::ToneSound>();
  qlm::DialogUi ui(platform.settings.get(), nullptr);
  qlm::MainWindow window(platform, ui, commandLine);
  ui.setMainWindow(&window);
  ui.setButtonHook([&window] {
    qlm::PlaybackFlags& flags = window.document().flags();
    flags.movementWaitLeft = 0;
    flags.pointerMovesIgnored = 30;
  });
  QObject::connect(&window, &qlm::MainWindow::closed, &app, &QApplication::quit, Qt::QueuedConnection);

  // The document item is the first argument, as the file system names it. A
  // command line in error ends the program before anything else is shown.
  if (commandLine.valid() && !commandLine.documentPath().empty()) window.openDocument(QFile::decodeName(argv[1]));
  if (!commandLine.nosound() && platform.sound) platform.sound->play(qlm::ProgramSound::Hello);
  if (!qlm::colourDepthAccepted(*platform.windows, ui)) return 0;
  window.start();
  return QApplication::exec();
}
