#pragma once
// The program's sounds as short generated tones, played through Qt
// Multimedia without blocking; a machine without an audio device stays silent.
#include <QObject>
#include <QTemporaryDir>
#include <map>
#include <memory>

#include "platform/Processes.h"

class QSoundEffect;

namespace qlm {

class ToneSound final : public QObject, public Sound {
  Q_OBJECT

 public:
  explicit ToneSound(QObject* parent = nullptr);
  ~ToneSound() override;
  // Both may be called from any thread; the sound plays on the thread of the windows.
  void beep(int frequency, int milliseconds) override;
  void play(ProgramSound sound) override;

 private:
  // Notes of frequency in Hz and length in milliseconds.
  void playTune(const std::vector<std::pair<int, int>>& tune);

  QTemporaryDir m_folder;
  std::map<std::vector<std::pair<int, int>>, QSoundEffect*> m_effects;
};

// A 16-bit mono WAVE file of the notes, each faded in and out.
QByteArray toneWave(const std::vector<std::pair<int, int>>& notes, int sampleRate = 22050);

}  // namespace qlm
