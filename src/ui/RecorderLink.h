#pragma once
// What the recorder reports, handed to the thread of the windows.
#include <QObject>

#include "recorder/Recorder.h"

namespace qlm {

class RecorderLink final : public QObject, public RecorderObserver {
  Q_OBJECT

 public:
  using QObject::QObject;
  // Both run on the recorder's thread.
  void recordMade(const MadeRecord& record) override;
  void recordingStopped(const Outcome& cleanUp) override;

 signals:
  void made(int line);
  // `problem` (Windows-1252 bytes) is empty when the document could be tidied.
  void stopped(const QString& problem);
};

}  // namespace qlm
