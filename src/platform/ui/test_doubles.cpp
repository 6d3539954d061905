#include "platform/ui/test_doubles.h"

namespace tb::ui {

Answer ScriptedMessageBoxes::Show(QWidget*, const MessageBoxRequest& request) {
  shown_.push_back(request);
  if (onShow_) onShow_(request);
  if (!answers_.empty()) {
    const Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  return request.buttons == Buttons::YesNo || request.buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
}

}  // namespace tb::ui
