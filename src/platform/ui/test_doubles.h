#pragma once
// Stand-ins for the seams of this layer, for the tests of every window:
// message boxes that answer from a script and remember what they showed,
// a launcher that remembers what it was asked to open, and a sound player
// that remembers what it was asked to play.
#include <QList>
#include <QUrl>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/launcher.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/sound_player.h"

namespace tb::ui {

class ScriptedMessageBoxes : public MessageBoxes {
 public:
  // Installs itself for its lifetime.
  ScriptedMessageBoxes() : scope_(this) {}

  // Answers for the next boxes, in order. With none left a box answers its
  // first button (Ok or Yes), as Enter would.
  void Queue(Answer answer) { answers_.push_back(answer); }
  // Called while each box "shows" (after it is recorded).
  void OnShow(std::function<void(const MessageBoxRequest&)> hook) { onShow_ = std::move(hook); }

  const std::vector<MessageBoxRequest>& Shown() const { return shown_; }
  const MessageBoxRequest& Last() const { return shown_.back(); }
  size_t Count() const { return shown_.size(); }
  size_t Pending() const { return answers_.size(); }
  void Clear() { shown_.clear(); }

  Answer Show(QWidget* parent, const MessageBoxRequest& request) override;

 private:
  ScopedMessageBoxes scope_;
  std::deque<Answer> answers_;
  std::vector<MessageBoxRequest> shown_;
  std::function<void(const MessageBoxRequest&)> onShow_;
};

class RecordingLauncher : public Launcher {
 public:
  RecordingLauncher() : scope_(this) {}
  bool Open(const QUrl& address) override {
    opened.push_back(address);
    return result;
  }
  QList<QUrl> opened;
  bool result = true;  // what every request answers

 private:
  ScopedLauncher scope_;
};

// Plays nothing; records every Play (the bytes) and Stop in order.
class RecordingSoundPlayer : public SoundPlayer {
 public:
  RecordingSoundPlayer() : scope_(this) {}
  bool Play(const uint8_t* wav, size_t size) override {
    Stop();
    played.emplace_back(wav, wav + size);
    calls.push_back('P');
    playing_ = result;
    return result;
  }
  void Stop() override {
    calls.push_back('S');
    playing_ = false;
  }
  bool Playing() const override { return playing_; }

  std::vector<std::vector<uint8_t>> played;
  std::string calls;   // 'P' for each Play, 'S' for each Stop (Play stops first: "SP")
  bool result = true;  // what Play answers

 private:
  ScopedSoundPlayer scope_;
  bool playing_ = false;
};

}  // namespace tb::ui
