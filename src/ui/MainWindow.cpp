#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/ProgramFunctions.h"
#include "document/Snapshot.h"
#include "imaging/BmpFinder.h"
#include "imaging/RecordPicture.h"
#include "platform/Platform.h"
#include "platform/TextEncoding.h"
#include "playback/DesktopOutput.h"
#include "playback/PlaybackEngine.h"
#include "playback/UserActivityWatch.h"
#include "trace/Debugger.h"
#include "trace/TraceWriter.h"
#include "ui/DocumentView.h"
#include "ui/DebugDialog.h"
#include "ui/GuiHost.h"
#include "ui/VerboseOverlay.h"
#include "ui/CellEditor.h"
#include "ui/RecordListModel.h"
#include "ui/RecorderLink.h"
#include "recorder/Recorder.h"
#include "ui/Startup.h"

namespace qlm {
namespace {

const QString kProductTip = QStringLiteral("Quillmote\u00AE");
constexpr int kTrayAttempts = 30;
constexpr int kTrayRetryMs = 1000;
constexpr int kListHeight = 150;

struct CommandSpec {
  const char* label;
  const char* tip;
};

// The toolbars' buttons with their status-bar texts; an empty label is a separator.
const CommandSpec kFileBar[] = {{"New", "Create a new document"}, {"Open", "Open an existing document"},
                                {"Save", "Save the active document"}, {"", ""}, {"Help", "Open the help pages"}};
const CommandSpec kRecorderBar[] = {{"Record", "Start recorder"},
                                    {"Stop", "Stop recorder"},
                                    {"Play", "Play records"},
                                    {"Options", "Change the options (available soon)"},
                                    {"Studio", "Show Studio bar"}};
const CommandSpec kRecordsBar[] = {{"Delete", "Delete selected record"},
                                   {"Move Down", "Move selected record down"},
                                   {"Move Up", "Move selected record up"},
                                   {"Copy", "Copy selected record"},
                                   {"Capture", "Get a new image"},
                                   {"Crop", "Delete, truncate useless image (available soon)"},
                                   {"Compile", "Compile to an executable file (available soon)"}};

QString qPath(const std::string& path) { return QString::fromStdString(path); }

}  // namespace

MainWindow::MainWindow(Platform& platform, UiService& ui, CommandLine commandLine, QWidget* parent)
    : QMainWindow(parent),
      m_platform(platform),
      m_ui(ui),
      m_commandLine(std::move(commandLine)),
      m_document(ui, m_trace, *platform.clock),
      m_recentFiles(platform.settings.get()) {
  m_document.setPlatform(&m_platform);
  m_document.setStartingVariables(m_commandLine.startingVariables());
  m_traceWriter = std::make_unique<TraceWriter>(m_document);
  m_debugWindow = std::make_unique<GuiDebugWindow>(m_document, this);
  m_notes = std::make_unique<VerboseNotes>(m_platform.windows && m_platform.windows->desktop().compositing);
  m_debugger = std::make_unique<Debugger>(m_document, m_traceWriter.get(), m_debugWindow.get());
  m_trace.add(*m_debugger);
  int movementWait = 0;
  if (m_platform.settings) {
    movementWait = m_platform.settings->profileInt("Playback", "WaitIfMouseMoves", 0);
    m_notRespondingWait = m_platform.settings->profileInt("Playback", "WaitIfWindowNotResponding", 15000);
  }
  m_watch = std::make_unique<UserActivityWatch>(m_document, m_platform.sound.get(), movementWait);
  if (m_platform.inputWatch) m_watch->install(*m_platform.inputWatch);

  setAcceptDrops(true);
  buildLayout();
  buildActions();
  createTrayIcon(kTrayAttempts);
  newDocument();
}

MainWindow::~MainWindow() {
  if (m_recorder) m_recorder->stop();
  if (m_engine) {
    m_engine->stop();
    m_engine->wait();
  }
  if (m_watch) m_watch->uninstall();
  m_trace.remove(*m_debugger);
}

void MainWindow::buildLayout() {
  m_model = new RecordListModel(m_document, m_ui, this);
  m_list = new QTableView;
  m_list->setModel(m_model);
  m_list->setItemDelegate(new CellDelegate(m_list));
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setSelectionMode(QAbstractItemView::SingleSelection);
  m_list->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::DoubleClicked |
                          QAbstractItemView::EditKeyPressed);
  m_list->setShowGrid(true);
  m_list->verticalHeader()->hide();
  m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  m_list->verticalHeader()->setDefaultSectionSize(20);
  m_list->setWordWrap(false);
  QFont listFont("Courier New");
  listFont.setStyleHint(QFont::Monospace);
  listFont.setPointSize(9);
  m_list->setFont(listFont);
  QPalette palette = m_list->palette();
  palette.setColor(QPalette::Highlight, QColor(0, 0, 255));
  palette.setColor(QPalette::HighlightedText, QColor(255, 255, 0));
  m_list->setPalette(palette);
  applyColumnWidths();

  m_view = new DocumentView;
  m_viewArea = new QScrollArea;
  m_viewArea->setWidget(m_view);
  m_viewArea->setBackgroundRole(QPalette::Base);

  auto* listPane = new QWidget;
  auto* listLayout = new QVBoxLayout(listPane);
  listLayout->setContentsMargins(0, 0, 0, 0);
  listLayout->setSpacing(0);
  auto* listLabel = new QLabel("Liste des enregistrements");
  listLayout->addWidget(listLabel);
  listLayout->addWidget(m_list);

  m_splitter = new QSplitter(Qt::Vertical);
  m_splitter->addWidget(listPane);
  m_splitter->addWidget(m_viewArea);
  m_splitter->setSizes({listLabel->sizeHint().height() + kListHeight, 1200});
  m_splitter->setStretchFactor(0, 0);
  m_splitter->setStretchFactor(1, 1);
  setCentralWidget(m_splitter);
  resize(1024, 768);

  m_statusIndicator = new QLabel;
  statusBar()->addPermanentWidget(m_statusIndicator);

  connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { onCurrentRowChanged(current.isValid() ? current.row() : -1); });
  connect(m_list, &QTableView::clicked, this, &MainWindow::onListClicked);
  // A reset loses the list's selection; the document's current record stays.
  connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
    selectRow(m_document.records().currentRecord());
    fillView();
    updateCommands();
  });
  connect(m_model, &RecordListModel::playChanged, this, [this](int row) {
    if (row == m_view->row()) m_view->setPlayFlag(m_document.records().record(row).get(IntField::Play) != 0);
  });
  connect(m_view, &DocumentView::recordEdited, this, [this](int row, const RecordImage& record) {
    if (!m_model->storeRecord(row, record)) fillView();
  });
  connect(m_view, &DocumentView::noRecordSelected, this, [this] { m_ui.showMessage("c<0"); });
  connect(m_view, &DocumentView::helpLinkClicked, this, [this](int) { openHelp(); });
  m_view->setUniquenessCheck([this](const Picture& picture, const RecordImage& record) {
    auto method = searchMethodOfLevel(record.get(IntField::ConditionLevel));
    if (!method) return kNoPoint;
    auto [left, top, right, bottom] = inclusiveEdges(record.imageArea());
    return findOtherOccurrence(picture, left, top, right, bottom, *method,
                               static_cast<int>(m_document.readVariableNumber("$QLM_COLORTOL")),
                               static_cast<int>(m_document.readVariableNumber("$QLM_PIXELTOL")));
  });
}

void MainWindow::applyColumnWidths() {
  for (const ColumnSpec& spec : columnSpecs()) {
    int column = static_cast<int>(spec.column);
    int width = columnWidth(spec.column, m_platform.settings.get());
    m_list->setColumnHidden(column, width <= 0);
    if (width > 0) m_list->setColumnWidth(column, width);
  }
}

void MainWindow::buildActions() {
  QMenu* fileMenu = menuBar()->addMenu("&File");
  QMenu* recorderMenu = menuBar()->addMenu("&Recorder");
  QMenu* recordsMenu = menuBar()->addMenu("R&ecords");
  QMenu* helpMenu = menuBar()->addMenu("&Help");
  auto makeBar = [this](const char* name, const auto& specs, QMenu* menu) {
    QToolBar* bar = addToolBar(name);
    bar->setObjectName(name);
    bar->setIconSize(QSize(16, 15));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (const CommandSpec& spec : specs) {
      if (*spec.label == '\0') {
        bar->addSeparator();
        continue;
      }
      auto* action = new QAction(spec.label, this);
      action->setObjectName(spec.label);
      action->setStatusTip(spec.tip);
      action->setToolTip(spec.tip);
      bar->addAction(action);
      if (QString(spec.label) == "Help") continue;
      menu->addAction(action);
    }
  };
  makeBar("file", kFileBar, fileMenu);
  makeBar("recorder", kRecorderBar, recorderMenu);
  makeBar("records", kRecordsBar, recordsMenu);

  auto* saveAs = new QAction("Save As...", this);
  saveAs->setObjectName("Save As");
  fileMenu->insertAction(fileMenu->actions().value(3), saveAs);
  fileMenu->addSeparator();
  m_recentMenu = fileMenu->addMenu("Recent Files");
  fileMenu->addSeparator();
  auto* exitAction = fileMenu->addAction("Exit");
  exitAction->setObjectName("Exit");
  helpMenu->addAction(action("Help"));
  helpMenu->addAction("About Quillmote", this, [this] {
    if (m_platform.sound) m_platform.sound->play(ProgramSound::Hello);
    QMessageBox::about(this, "About Quillmote",
                       "Quillmote records what you do in another program and plays it back.\n" +
                           QString::fromUtf8(kVendorAddress.data(), static_cast<qsizetype>(kVendorAddress.size())));
  });

  connect(action("New"), &QAction::triggered, this, &MainWindow::newDocument);
  connect(action("Open"), &QAction::triggered, this, &MainWindow::chooseAndOpen);
  connect(action("Save"), &QAction::triggered, this, &MainWindow::saveDocument);
  connect(saveAs, &QAction::triggered, this, &MainWindow::chooseAndSaveAs);
  connect(exitAction, &QAction::triggered, this, &QWidget::close);
  connect(action("Help"), &QAction::triggered, this, &MainWindow::openHelp);
  connect(action("Play"), &QAction::triggered, this, &MainWindow::play);
  connect(action("Stop"), &QAction::triggered, this, &MainWindow::stop);
  connect(action("Record"), &QAction::triggered, this, &MainWindow::record);
  connect(action("Delete"), &QAction::triggered, this, [this] { m_model->deleteCurrent(); });
  connect(action("Move Down"), &QAction::triggered, this, [this] { m_model->moveCurrent(1); });
  connect(action("Move Up"), &QAction::triggered, this, [this] { m_model->moveCurrent(-1); });
  connect(action("Copy"), &QAction::triggered, this, [this] { m_model->copyCurrent(); });
  // The commands marked "(available soon)" do nothing; Capture comes with its own change.
  for (const char* idle : {"Options", "Studio", "Capture", "Crop", "Compile"}) action(idle)->setEnabled(false);
  updateRecentMenu();
}

QAction* MainWindow::action(const QString& label) const { return findChild<QAction*>(label); }

void MainWindow::updateRecentMenu() {
  m_recentMenu->clear();
  for (const std::string& path : m_recentFiles.files()) {
    QString file = qPath(path);
    m_recentMenu->addAction(file, this, [this, file] { openDocument(file); });
  }
  m_recentMenu->setEnabled(!m_recentFiles.files().empty());
}

void MainWindow::updateTitle() {
  QString name = m_document.pathName().empty() ? QStringLiteral("Untitled")
                                                : QFileInfo(qPath(m_document.pathName())).fileName();
  QString title = name + " - Quillmote";
  setWindowTitle(title);
  QByteArray utf8 = title.toUtf8();
  m_ui.setMainWindowTitle(cp1252FromUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))));
}

void MainWindow::updateCommands() {
  bool idle = !playing() && !recording();
  bool current = m_model->hasCurrent();
  action("Play")->setEnabled(idle && m_document.records().count() > 0);
  action("Record")->setEnabled(idle);
  action("Stop")->setEnabled(!idle);
  action("Delete")->setEnabled(current);
  action("Copy")->setEnabled(current);
  action("Move Up")->setEnabled(m_model->canMove(-1));
  action("Move Down")->setEnabled(m_model->canMove(1));
  for (const char* file : {"New", "Open", "Save", "Save As"}) action(file)->setEnabled(idle);
}

bool MainWindow::openDocument(const QString& path) {
  if (playing() || recording()) return false;
  QByteArray file = QFile::encodeName(path);
  m_document.setPathName(std::string(file.constData(), static_cast<std::size_t>(file.size())));
  LoadResult loaded = m_model->reload();
  if (!loaded.opened) {
    m_ui.showMessage(loaded.message);
    m_document.setPathName({});
    m_model->reload();
    updateTitle();
    return false;
  }
  for (const std::string& damaged : loaded.damagedLines) m_ui.showMessage(damaged);
  m_document.resetVariables();
  m_recentFiles.add(m_document.pathName());
  updateRecentMenu();
  updateTitle();
  if (m_started) QTimer::singleShot(0, this, &MainWindow::autostart);
  return true;
}

void MainWindow::newDocument() {
  if (playing() || recording()) return;
  m_document.setPathName({});
  m_model->reload();
  m_document.resetVariables();
  updateTitle();
}

bool MainWindow::saveDocument() {
  if (playing() || recording()) return false;
  if (m_document.pathName().empty()) {
    chooseAndSaveAs();
    return !m_document.pathName().empty();
  }
  Outcome saved = m_document.records().save();
  if (!saved) m_ui.showMessage(saved.message);
  return saved.ok;
}

bool MainWindow::saveDocumentAs(const QString& path) {
  if (playing() || recording() || path.isEmpty()) return false;
  QByteArray file = QFile::encodeName(path);
  std::string target(file.constData(), static_cast<std::size_t>(file.size()));
  if (m_document.pathName().empty()) {
    // A new document becomes an empty file of its own.
    if (systemFileSystem().exists(target)) {
      m_ui.showMessage(target + " already exists.");
      return false;
    }
    Snapshot snapshot;
    if (!snapshot.beginAppend(target) || !snapshot.finishAppend()) {
      m_ui.showMessage(snapshot.message());
      return false;
    }
    return openDocument(path);
  }
  Outcome saved = m_document.records().saveAs(target);
  if (!saved) {
    m_ui.showMessage(saved.message);
    return false;
  }
  m_recentFiles.add(target);
  updateRecentMenu();
  updateTitle();
  return true;
}

void MainWindow::chooseAndOpen() {
  QString path = QFileDialog::getOpenFileName(this, "Open", QString(), "Quillmote documents (*.qlm);;All files (*)");
  if (!path.isEmpty()) openDocument(path);
}

void MainWindow::chooseAndSaveAs() {
  QString path = QFileDialog::getSaveFileName(this, "Save As", QString(), "Quillmote documents (*.qlm)");
  if (path.isEmpty()) return;
  if (!path.endsWith(".qlm", Qt::CaseInsensitive)) path += ".qlm";
  saveDocumentAs(path);
}

void MainWindow::selectRow(int row) {
  if (row < 0 || row >= m_model->rowCount()) {
    m_list->clearSelection();
    m_list->setCurrentIndex({});
    return;
  }
  // Down to the row only: the instruction column is wider than most screens, and
  // showing its start would push the line numbers and titles out of sight.
  int across = m_list->horizontalScrollBar()->value();
  QModelIndex index = m_model->index(row, static_cast<int>(Column::Instruction));
  m_list->setCurrentIndex(index);
  m_list->scrollTo(index);
  m_list->horizontalScrollBar()->setValue(across);
}

void MainWindow::onCurrentRowChanged(int row) {
  RecordDocument& records = m_document.records();
  if (records.busy()) return;
  records.setCurrentRecord(row);
  fillView();
  updateCommands();
}

void MainWindow::fillView() {
  RecordDocument& records = m_document.records();
  int row = records.currentRecord();
  if (row < 0 || row >= records.count()) {
    m_view->showNoRecord(records.count() > 0);
    return;
  }
  Result<Picture> picture = readRecordPicture(m_document.pathName(), row);
  m_view->showRecord(row, records.record(row), picture ? std::move(*picture) : Picture{});
}

void MainWindow::onListClicked(const QModelIndex& index) {
  if (!index.isValid() || m_model->locked()) return;
  auto column = static_cast<Column>(index.column());
  if (column == Column::Play) m_model->togglePlay(index.row());
  if (column == Column::Erase) m_model->toggleErase(index.row());
}

bool MainWindow::playing() const { return m_engine != nullptr; }

bool MainWindow::play() {
  if (playing() || recording() || m_document.pathName().empty() || m_document.records().count() == 0) return false;
  if (!saveDocument()) return false;
  m_host = std::make_unique<GuiHost>(m_document);
  connect(m_host.get(), &GuiHost::recordSelected, this, &MainWindow::selectRow, Qt::QueuedConnection);
  connect(m_host.get(), &GuiHost::noteShown, this, [this](const QString& note) { statusBar()->showMessage(note, 1000); },
          Qt::QueuedConnection);
  connect(m_host.get(), &GuiHost::started, this,
          [this](const QString& endKey) { setIndicator("Playback... Stop playback with the end key: " + endKey); },
          Qt::QueuedConnection);
  connect(m_host.get(), &GuiHost::traceFileWritten, this,
          [this](const QString& path) { m_platform.shell->open(path.toStdString()); }, Qt::QueuedConnection);
  connect(m_host.get(), &GuiHost::closeRequested, this, [this] { m_closeAfterPlayback = true; }, Qt::QueuedConnection);
  connect(m_host.get(), &GuiHost::ended, this, &MainWindow::onPlaybackEnded, Qt::QueuedConnection);
  VerboseNotes* notes = m_notes.get();
  connect(m_host.get(), &GuiHost::targetNoteShown, notes, &VerboseNotes::showTargetNote, Qt::QueuedConnection);
  connect(m_host.get(), &GuiHost::clickNoteShown, notes, &VerboseNotes::showClickNote, Qt::QueuedConnection);
  connect(m_host.get(), &GuiHost::notesClosed, notes, &VerboseNotes::closeNotes, Qt::QueuedConnection);
  connect(m_host.get(), &GuiHost::noticeShown, notes, &VerboseNotes::showNotice, Qt::QueuedConnection);
  m_output = std::make_unique<DesktopOutput>(m_document, m_platform, *m_host, m_notRespondingWait);
  if (m_platform.settings) {
    chooseSpreadsheet(*m_platform.settings);
    chooseOcrEngine(*m_platform.settings);
  }
  m_engine = std::make_unique<PlaybackEngine>(
      m_document, *m_host, *m_output,
      PlaybackOptions{.closeWhenDone = m_commandLine.close(), .functions = &programFunctionBodies()});
  m_model->setLocked(true);
  m_view->setLocked(true);
  if (!m_engine->start()) {
    m_engine.reset();
    m_output.reset();
    m_host.reset();
    m_model->setLocked(false);
    m_view->setLocked(false);
    return false;
  }
  updateCommands();
  return true;
}

void MainWindow::stop() {
  if (m_recorder) m_recorder->stop();
  if (m_engine) m_engine->stop();
}

bool MainWindow::recording() const { return m_recorder != nullptr; }

bool MainWindow::record() {
  if (playing() || recording()) return false;
  if (m_document.pathName().empty()) chooseAndSaveAs();
  if (m_document.pathName().empty() || !saveDocument()) return false;
  m_recorderLink = std::make_unique<RecorderLink>();
  connect(m_recorderLink.get(), &RecorderLink::made, this, [this](int line) {
    if (!m_recorder) return;
    m_model->reload();
    selectRow(line - 1);
  }, Qt::QueuedConnection);
  connect(m_recorderLink.get(), &RecorderLink::stopped, this, &MainWindow::onRecordingStopped, Qt::QueuedConnection);
  m_recorder = std::make_unique<Recorder>(m_platform, *m_recorderLink);
  Outcome started = m_recorder->start(m_document.pathName());
  if (!started) {
    m_recorder.reset();
    m_recorderLink.reset();
    m_ui.showMessage(started.message);
    return false;
  }
  m_document.flags().runState = RunState::Recording;
  m_model->setLocked(true);
  m_view->setLocked(true);
  setIndicator("Recording... Stop recording with the end key: " +
               QString::fromStdString(utf8FromCp1252(m_document.endKey().notation)));
  m_model->reload();
  updateCommands();
  return true;
}

void MainWindow::onRecordingStopped(const QString& problem) {
  if (!m_recorder) return;
  m_recorder.reset();
  m_recorderLink.release()->deleteLater();
  m_document.flags().runState = RunState::Idle;
  m_model->setLocked(false);
  m_view->setLocked(false);
  setIndicator(kProductTip);
  m_model->reload();
  updateCommands();
  if (!problem.isEmpty()) m_ui.showMessage(problem.toLatin1().toStdString());
  emit recordingFinished();
}

void MainWindow::onPlaybackEnded() {
  if (!m_engine) return;
  m_engine->wait();
  m_engine.reset();
  m_output.reset();
  m_host.release()->deleteLater();
  m_notes->closeNotes();
  m_model->setLocked(false);
  m_view->setLocked(false);
  setIndicator(kProductTip);
  int current = m_document.records().currentRecord();
  m_model->reload();
  selectRow(current);
  updateCommands();
  emit playbackFinished();
  if (m_closeAfterPlayback) close();
}

void MainWindow::setIndicator(const QString& tip) {
  m_indicatorTip = tip;
  if (m_tray) m_tray->setToolTip(tip);
  m_statusIndicator->setText(tip == kProductTip ? QString() : tip);
}

QString MainWindow::indicatorText() const { return m_indicatorTip; }

void MainWindow::createTrayIcon(int attemptsLeft) {
  m_indicatorTip = kProductTip;
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    if (attemptsLeft > 1) QTimer::singleShot(kTrayRetryMs, this, [this, attemptsLeft] { createTrayIcon(attemptsLeft - 1); });
    return;
  }
  m_tray = new QSystemTrayIcon(windowIcon().isNull() ? qApp->windowIcon() : windowIcon(), this);
  m_tray->setToolTip(m_indicatorTip);
  m_tray->show();
  m_tray->showMessage("Hello", QString::fromUtf8(kVendorAddress.data(), static_cast<qsizetype>(kVendorAddress.size())),
                      QSystemTrayIcon::Information, 1000);
}

void MainWindow::openHelp() {
  if (m_platform.shell) m_platform.shell->open(kVendorAddress);
}

void MainWindow::start() {
  switch (startPlacement(m_commandLine)) {
    case Placement::Maximized: showMaximized(); break;
    case Placement::Minimized: showMinimized(); break;
    case Placement::Hidden: break;
  }
  m_list->setFocus();
  QTimer::singleShot(0, this, &MainWindow::firstShow);
}

void MainWindow::firstShow() {
  if (!m_commandLine.valid()) {
    m_ui.showMessage(m_commandLine.message());
    if (m_tray) m_tray->hide();
    close();
    return;
  }
  m_started = true;
  autostart();
}

// The command line's placement and /play apply to the first document with
// records; a path holding "ZKR" plays whenever it is opened.
void MainWindow::autostart() {
  if (!m_started || m_document.records().count() == 0 || m_document.records().currentRecord() >= 0) return;
  bool first = !m_autostartDone;
  m_autostartDone = true;
  if (first) {
    Placement placement = startPlacement(m_commandLine);
    if (placement == Placement::Minimized) showMinimized();
    if (placement == Placement::Hidden) hide();
  }
  if (first ? autostartPlays(m_commandLine, m_document.pathName()) : autostartPlays(CommandLine::parse(""), m_document.pathName())) {
    play();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (m_recorder) m_recorder->stop();
  if (playing()) {
    m_closeAfterPlayback = true;
    stop();
    event->ignore();
    return;
  }
  if (m_tray) m_tray->hide();
  event->accept();
  emit closed();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile() && url.toLocalFile().endsWith(".qlm", Qt::CaseInsensitive)) {
      event->acceptProposedAction();
      return;
    }
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  if (openDropped(*event->mimeData())) event->acceptProposedAction();
}

bool MainWindow::openDropped(const QMimeData& dropped) {
  for (const QUrl& url : dropped.urls()) {
    if (url.isLocalFile() && url.toLocalFile().endsWith(".qlm", Qt::CaseInsensitive)) {
      return openDocument(url.toLocalFile());
    }
  }
  return false;
}

}  // namespace qlm
