// The boxes the program shows the user: the error box and the confirmation
// box. Tests put their own in place to read them without a modal loop.
#pragma once

#include <QString>

class QWidget;

namespace dravlik {

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;
  // A modal box with an error icon and an OK button.
  virtual void ShowError(const QString& caption, const QString& text) = 0;
  // A modal box with the buttons OK and Cancel; true for OK.
  virtual bool Confirm(const QString& text) = 0;
};

// The real boxes, over the active window.
class MessageBoxDialogs : public UserDialogs {
 public:
  void ShowError(const QString& caption, const QString& text) override;
  bool Confirm(const QString& text) override;
};

}  // namespace dravlik
