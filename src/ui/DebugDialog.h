#pragma once
// The step-by-step debugger window: what playback is about to do, the funnel
// whose check boxes choose where playback stops, and the pictures of a step
// that looks for an image or clicks.
#include <QCheckBox>
#include <QColor>
#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <vector>

#include "trace/Debugger.h"
#include "trace/TraceImages.h"

namespace qlm {

class Document;

struct DebugText {
  QString text;
  QColor colour;
  QPoint at;  // the text's top left
  bool onWhite = false;
};

// The lines the window shows for the current columns, by stage.
std::vector<DebugText> debugTexts(const DebugColumns& columns);

// The pictures of a step that looks for an image or clicks; stage 2 onwards.
struct DebugImagePanel {
  bool shown = false;
  RecordMarks marks;
  Point found{-1, -1};
  QImage recorded;
  QImage live;
  QSize capture;
};
std::vector<DebugText> panelTexts(const DebugImagePanel& panel);

class DebugDialog final : public QDialog {
  Q_OBJECT

 public:
  DebugDialog(Debugger& debugger, DebugImagePanel panel, QWidget* parent = nullptr);

  QPushButton* stopButton() const { return m_stop; }
  QPushButton* continueButton() const { return m_continue; }
  QPushButton* endButton() const { return m_end; }
  // The check box of a debug level bit (1, 2 or 4).
  QCheckBox* levelBox(int bit) const;
  QTextEdit* instructionBox() const { return m_instruction; }
  DebugStage stage() const { return m_debugger.columns().stage; }
  // Every text the window draws now, the image panel's included.
  std::vector<DebugText> shownTexts() const;

  void reject() override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void refresh();
  void continuePressed();
  void stopPressed();
  void endPressed();
  void levelBoxClicked(int bit, bool checked);
  void startAnimation();
  void drawFunnel(QPainter& painter) const;
  void drawPanel(QPainter& painter) const;

  Debugger& m_debugger;
  DebugImagePanel m_panel;
  QPushButton* m_stop = nullptr;
  QPushButton* m_continue = nullptr;
  QPushButton* m_end = nullptr;
  QCheckBox* m_beforeExecute = nullptr;  // bit 2, the top band
  QCheckBox* m_inFunctions = nullptr;    // bit 4, the middle band
  QCheckBox* m_beforeSend = nullptr;     // bit 1, the bottom band
  QTextEdit* m_instruction = nullptr;
  QTimer m_animation;
  DebugStage m_animatedStage = DebugStage::None;
  int m_animationStep = 0;
};

// Runs the debugger window on the thread of the windows while the playback
// thread waits; the window reopens where it was last left.
class GuiDebugWindow final : public QObject, public DebugWindow {
  Q_OBJECT

 public:
  GuiDebugWindow(Document& document, QWidget* parent);
  void runModal(Debugger& debugger) override;

 signals:
  // The window is shown, for tests and scripts that drive it.
  void opened(DebugDialog* dialog);

 private:
  DebugImagePanel preparePanel(const Debugger& debugger);

  Document& m_document;
  QPointer<QWidget> m_parent;
  QPoint m_savedPosition;
};

}  // namespace qlm
