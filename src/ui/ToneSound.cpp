#include "ui/ToneSound.h"

#include <QFile>
#include <QSoundEffect>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace qlm {
namespace {

using Tune = std::vector<std::pair<int, int>>;

// Our own tunes: a rising greeting, a short confirmation, a falling call for help.
const Tune kHello{{660, 90}, {880, 90}, {1320, 140}};
const Tune kOk{{1320, 80}};
const Tune kHelp{{880, 120}, {587, 200}};

void putLittleEndian(QByteArray& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

QByteArray toneWave(const Tune& notes, int sampleRate) {
  QByteArray samples;
  for (const auto& [frequency, milliseconds] : notes) {
    int count = std::clamp(milliseconds, 1, 5000) * sampleRate / 1000;
    int fade = std::min(count / 4, sampleRate / 200);
    for (int i = 0; i < count; ++i) {
      double envelope = 1.0;
      if (i < fade) envelope = static_cast<double>(i) / fade;
      if (count - i < fade) envelope = static_cast<double>(count - i) / fade;
      double value = 0.3 * envelope * std::sin(2 * std::numbers::pi * frequency * i / sampleRate);
      putLittleEndian(samples, static_cast<std::uint16_t>(static_cast<std::int16_t>(value * 32767)), 2);
    }
  }
  // RIFF header of a PCM WAVE file: 16-bit samples, one channel.
  QByteArray wave("RIFF");
  putLittleEndian(wave, static_cast<std::uint32_t>(36 + samples.size()), 4);
  wave.append("WAVEfmt ");
  putLittleEndian(wave, 16, 4);
  putLittleEndian(wave, 1, 2);
  putLittleEndian(wave, 1, 2);
  putLittleEndian(wave, static_cast<std::uint32_t>(sampleRate), 4);
  putLittleEndian(wave, static_cast<std::uint32_t>(sampleRate * 2), 4);
  putLittleEndian(wave, 2, 2);
  putLittleEndian(wave, 16, 2);
  wave.append("data");
  putLittleEndian(wave, static_cast<std::uint32_t>(samples.size()), 4);
  wave.append(samples);
  return wave;
}

ToneSound::ToneSound(QObject* parent) : QObject(parent) {}

ToneSound::~ToneSound() = default;

void ToneSound::beep(int frequency, int milliseconds) { playTune({{frequency, milliseconds}}); }

void ToneSound::play(ProgramSound sound) {
  switch (sound) {
    case ProgramSound::Hello: playTune(kHello); break;
    case ProgramSound::Ok: playTune(kOk); break;
    case ProgramSound::Help: playTune(kHelp); break;
  }
}

void ToneSound::playTune(const Tune& tune) {
  Tune notes;
  for (const auto& [frequency, milliseconds] : tune) {
    notes.emplace_back(std::clamp(frequency, 37, 20000), std::clamp(milliseconds, 1, 5000));
  }
  QMetaObject::invokeMethod(this, [this, notes] {
    QSoundEffect*& effect = m_effects[notes];
    if (effect == nullptr) {
      if (!m_folder.isValid() || m_effects.size() > 64) return;
      QString path = m_folder.filePath(QString("tone%1.wav").arg(m_effects.size()));
      QFile file(path);
      if (!file.open(QIODevice::WriteOnly) || file.write(toneWave(notes)) < 0) return;
      file.close();
      effect = new QSoundEffect(this);
      effect->setSource(QUrl::fromLocalFile(path));
    }
    effect->play();
  }, Qt::QueuedConnection);
}

}  // namespace qlm
