#pragma once
// Playing a card's sound: a WAV file held in memory, played asynchronously
// and stopped on request. All playing goes through one seam: the program
// plays through the machine's default audio output, tests record what they
// were asked to play. A sound that cannot be read or played, or a machine
// without an audio output, plays nothing and fails nothing.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tb::ui {

class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;
  // Stops what plays, then plays the WAV file of size bytes at wav from a
  // copy of its samples. True when playing started.
  virtual bool Play(const uint8_t* wav, size_t size) = 0;
  virtual void Stop() = 0;
  virtual bool Playing() const = 0;
};

// Plays the PCM samples of a WAV file through Qt Multimedia's audio sink on
// the default output device.
class AudioSinkPlayer : public SoundPlayer {
 public:
  AudioSinkPlayer();
  ~AudioSinkPlayer() override;
  bool Play(const uint8_t* wav, size_t size) override;
  void Stop() override;
  bool Playing() const override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The player in use: an AudioSinkPlayer unless a ScopedSoundPlayer lives.
SoundPlayer& CurrentSoundPlayer();

class ScopedSoundPlayer {
 public:
  explicit ScopedSoundPlayer(SoundPlayer* player);
  ~ScopedSoundPlayer();
  ScopedSoundPlayer(const ScopedSoundPlayer&) = delete;
  ScopedSoundPlayer& operator=(const ScopedSoundPlayer&) = delete;

 private:
  SoundPlayer* previous_;
};

// The playable samples of wav as the sink takes them: 24-bit samples
// widened to 32 bits, everything else as it is. Empty when the file cannot
// be played.
struct PlayableSamples {
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint16_t bitsPerSample = 0;  // 8, 16 or 32
  bool floatingPoint = false;
  std::vector<uint8_t> bytes;
};
PlayableSamples SamplesOf(const uint8_t* wav, size_t size);

}  // namespace tb::ui
