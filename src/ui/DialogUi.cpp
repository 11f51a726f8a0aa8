#include "ui/DialogUi.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <cstdio>

#include "platform/TextEncoding.h"
#include "ui/QuestionDialog.h"

namespace qlm {
namespace {

QString fromCp1252(std::string_view text) { return QString::fromStdString(utf8FromCp1252(text)); }

}  // namespace

std::optional<UserAnswer> DialogAsker::askUser(const Question& question) {
  if (m_parent) {
    m_parent->raise();
    m_parent->activateWindow();
  }
  QuestionDialog dialog(question, m_parent);
  dialog.setButtonHook(m_buttonHook);
  dialog.exec();
  return dialog.answer();
}

DialogUi::DialogUi(Settings* settings, TraceSink* trace) : m_response(settings, trace, m_asker) {}

void DialogUi::setMainWindow(QWidget* window) {
  m_window = window;
  m_asker.setParent(window);
}

void DialogUi::onGuiThread(const std::function<void()>& work) {
  if (QThread::currentThread() == thread()) {
    work();
  } else {
    QMetaObject::invokeMethod(this, work, Qt::BlockingQueuedConnection);
  }
}

void DialogUi::showMessage(std::string_view text, std::string_view caption) {
  QString shown = fromCp1252(text);
  QString title = caption.empty() ? QStringLiteral("Quillmote") : fromCp1252(caption);
  std::fprintf(stderr, "Quillmote: %s\n", shown.toLocal8Bit().constData());
  std::fflush(stderr);
  onGuiThread([&] { QMessageBox::warning(m_window, title, shown); });
}

int DialogUi::ask(const Question& question) {
  int answer = 0;
  onGuiThread([&] { answer = m_response.ask(question); });
  return answer;
}

void DialogUi::bringMainWindowToFront() {
  QMetaObject::invokeMethod(this, [this] {
    if (!m_window) return;
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
  }, Qt::QueuedConnection);
}

std::string DialogUi::mainWindowTitle() const {
  std::lock_guard lock(m_titleMutex);
  return m_title;
}

void DialogUi::setMainWindowTitle(std::string_view title) {
  {
    std::lock_guard lock(m_titleMutex);
    m_title = title;
  }
  QString shown = fromCp1252(title);
  QMetaObject::invokeMethod(this, [this, shown] {
    if (m_window) m_window->setWindowTitle(shown);
  }, Qt::QueuedConnection);
}

}  // namespace qlm
