#pragma once
// The UI service of the desktop application: messages and questions in
// dialogs over the main window, also when the playback thread asks. Every
// message is also written to the standard error, for logs and scripts.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <mutex>

#include "app/SystemResponse.h"

namespace qlm {

class DialogAsker final : public Asker {
 public:
  std::optional<UserAnswer> askUser(const Question& question) override;
  void setParent(QWidget* parent) { m_parent = parent; }
  void setButtonHook(std::function<void()> hook) { m_buttonHook = std::move(hook); }

 private:
  QPointer<QWidget> m_parent;
  std::function<void()> m_buttonHook;
};

class DialogUi final : public QObject, public UiService {
  Q_OBJECT

 public:
  explicit DialogUi(Settings* settings, TraceSink* trace);
  void setMainWindow(QWidget* window);
  // Run by every answer button, on the thread of the windows.
  void setButtonHook(std::function<void()> hook) { m_asker.setButtonHook(std::move(hook)); }

  void showMessage(std::string_view text, std::string_view caption = {}) override;
  int ask(const Question& question) override;
  void bringMainWindowToFront() override;
  std::string mainWindowTitle() const override;
  void setMainWindowTitle(std::string_view title) override;

 private:
  // Runs `work` on the thread of the windows and waits for it.
  void onGuiThread(const std::function<void()>& work);

  DialogAsker m_asker;
  SystemResponse m_response;
  QPointer<QWidget> m_window;
  mutable std::mutex m_titleMutex;
  std::string m_title;
};

}  // namespace qlm
