#include "platform/ui/sound_player.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

#include "platform/core/wav_reader.h"

namespace tb::ui {
namespace {

SoundPlayer* g_current = nullptr;

QAudioFormat::SampleFormat SampleFormatOf(const PlayableSamples& s) {
  if (s.floatingPoint) return QAudioFormat::Float;
  switch (s.bitsPerSample) {
    case 8: return QAudioFormat::UInt8;
    case 16: return QAudioFormat::Int16;
    case 32: return QAudioFormat::Int32;
    default: return QAudioFormat::Unknown;
  }
}

}  // namespace

PlayableSamples SamplesOf(const uint8_t* wav, size_t size) {
  PlayableSamples out;
  const auto sound = platform::ReadWav(wav, size);
  if (!sound) return out;
  out.channels = sound->format.channels;
  out.sampleRate = sound->format.sampleRate;
  out.floatingPoint = sound->format.floatingPoint;
  if (sound->format.bitsPerSample == 24) {
    // The sink knows no 24-bit samples: each becomes the top three bytes
    // of a 32-bit one.
    const size_t count = sound->length / 3;
    out.bitsPerSample = 32;
    out.bytes.resize(count * 4);
    for (size_t i = 0; i < count; ++i) {
      out.bytes[4 * i] = 0;
      out.bytes[4 * i + 1] = sound->samples[3 * i];
      out.bytes[4 * i + 2] = sound->samples[3 * i + 1];
      out.bytes[4 * i + 3] = sound->samples[3 * i + 2];
    }
  } else {
    out.bitsPerSample = sound->format.bitsPerSample;
    out.bytes.assign(sound->samples, sound->samples + sound->length);
  }
  return out;
}

struct AudioSinkPlayer::State {
  std::unique_ptr<QAudioSink> sink;
  std::unique_ptr<QBuffer> buffer;
  QByteArray samples;
};

AudioSinkPlayer::AudioSinkPlayer() : state_(std::make_unique<State>()) {}
AudioSinkPlayer::~AudioSinkPlayer() { Stop(); }

bool AudioSinkPlayer::Play(const uint8_t* wav, size_t size) {
  // The sink reads the buffer while it plays: it stops before the buffer
  // goes.
  Stop();
  const PlayableSamples samples = SamplesOf(wav, size);
  if (samples.bytes.empty()) return false;
  QAudioFormat format;
  format.setSampleRate(int(samples.sampleRate));
  format.setChannelCount(samples.channels);
  format.setSampleFormat(SampleFormatOf(samples));
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (device.isNull() || !device.isFormatSupported(format)) return false;
  state_->samples = QByteArray(reinterpret_cast<const char*>(samples.bytes.data()), qsizetype(samples.bytes.size()));
  state_->buffer = std::make_unique<QBuffer>(&state_->samples);
  if (!state_->buffer->open(QIODevice::ReadOnly)) {
    Stop();
    return false;
  }
  state_->sink = std::make_unique<QAudioSink>(device, format);
  state_->sink->start(state_->buffer.get());
  if (state_->sink->error() != QAudio::NoError) {
    Stop();
    return false;
  }
  return true;
}

void AudioSinkPlayer::Stop() {
  if (state_->sink) {
    state_->sink->stop();
    state_->sink.reset();
  }
  state_->buffer.reset();
  state_->samples.clear();
}

bool AudioSinkPlayer::Playing() const { return state_->sink && state_->sink->state() == QAudio::ActiveState; }

SoundPlayer& CurrentSoundPlayer() {
  static AudioSinkPlayer real;
  return g_current ? *g_current : real;
}

ScopedSoundPlayer::ScopedSoundPlayer(SoundPlayer* player) : previous_(g_current) { g_current = player; }
ScopedSoundPlayer::~ScopedSoundPlayer() { g_current = previous_; }

}  // namespace tb::ui
