#pragma once
// The main window: the record list above the document view, the file,
// recorder and records toolbars and menus, the notification-area icon, and
// the start-up's last steps (command-line check, placement, autostart).
#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "app/CommandLine.h"
#include "language/Document.h"
#include "trace/TraceFanOut.h"
#include "ui/RecentFiles.h"

class QAction;
class QLabel;
class QMenu;
class QMimeData;
class QScrollArea;
class QSplitter;
class QSystemTrayIcon;
class QTableView;

namespace qlm {

struct Platform;
class Debugger;
class GuiDebugWindow;
class VerboseNotes;
class DesktopOutput;
class DocumentView;
class GuiHost;
class PlaybackEngine;
class Recorder;
class RecorderLink;
class RecordListModel;
class TraceWriter;
class UserActivityWatch;

class MainWindow final : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(Platform& platform, UiService& ui, CommandLine commandLine = CommandLine::parse(""),
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // Each shows its failure through the UI service and returns false.
  bool openDocument(const QString& path);
  void newDocument();
  // What was dropped on the window: the first .qlm file opens.
  bool openDropped(const QMimeData& dropped);
  bool saveDocument();
  bool saveDocumentAs(const QString& path);

  // Shows the window as the command line places it, then checks the command
  // line and starts the autostart once the event loop runs.
  void start();

  // Play records (32780): false when refused.
  bool play();
  // Record (32777): what the user does on the desktop is appended to the
  // document until the end key or Stop; false when refused.
  bool record();
  // Stop (32779): playback ends at its next check, a recording at once.
  void stop();
  bool playing() const;
  bool recording() const;

  void selectRow(int row);
  // The texts of the notification-area icon, or of the status line without one.
  QString indicatorText() const;

  Document& document() { return m_document; }
  RecordListModel& model() { return *m_model; }
  QTableView& list() { return *m_list; }
  DocumentView& view() { return *m_view; }
  GuiDebugWindow& debugWindow() { return *m_debugWindow; }
  VerboseNotes& verboseNotes() { return *m_notes; }
  QAction* action(const QString& label) const;

 signals:
  void playbackFinished();
  void recordingFinished();
  // The window closed for good: the program ends.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void buildActions();
  void buildLayout();
  void applyColumnWidths();
  void updateTitle();
  void updateCommands();
  void updateRecentMenu();
  void fillView();
  void onCurrentRowChanged(int row);
  void onListClicked(const QModelIndex& index);
  void onPlaybackEnded();
  void onRecordingStopped(const QString& problem);
  void setIndicator(const QString& tip);
  void createTrayIcon(int attemptsLeft);
  void firstShow();
  void autostart();
  bool colourCheckPasses();
  void openHelp();
  void chooseAndOpen();
  void chooseAndSaveAs();

  Platform& m_platform;
  UiService& m_ui;
  CommandLine m_commandLine;
  TraceFanOut m_trace;
  Document m_document;
  std::unique_ptr<TraceWriter> m_traceWriter;
  std::unique_ptr<Debugger> m_debugger;
  std::unique_ptr<GuiDebugWindow> m_debugWindow;
  std::unique_ptr<VerboseNotes> m_notes;
  std::unique_ptr<UserActivityWatch> m_watch;
  RecentFiles m_recentFiles;
  int m_notRespondingWait = 15000;

  RecordListModel* m_model = nullptr;
  QTableView* m_list = nullptr;
  DocumentView* m_view = nullptr;
  QScrollArea* m_viewArea = nullptr;
  QSplitter* m_splitter = nullptr;
  QMenu* m_recentMenu = nullptr;
  QLabel* m_statusIndicator = nullptr;
  QPointer<QSystemTrayIcon> m_tray;
  QString m_indicatorTip;

  std::unique_ptr<GuiHost> m_host;
  std::unique_ptr<DesktopOutput> m_output;
  std::unique_ptr<PlaybackEngine> m_engine;
  std::unique_ptr<RecorderLink> m_recorderLink;
  std::unique_ptr<Recorder> m_recorder;
  bool m_closeAfterPlayback = false;
  bool m_started = false;
  bool m_autostartDone = false;
};

}  // namespace qlm
