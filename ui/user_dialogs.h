// The boxes the program shows the user: the error and warning boxes, the confirmation box
// and the file dialog. Tests put their own in place to read them without a
// modal loop.
#pragma once

#include <QString>

class QWidget;

namespace dravlik {

// What to do with a record that has not been saved.
enum class SaveAnswer { Save, Discard, Stay };

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;
  // A modal box with an error icon and an OK button.
  virtual void ShowError(const QString& caption, const QString& text) = 0;
  // A modal box with a warning icon and an OK button: done, but with a catch.
  virtual void ShowWarning(const QString& caption, const QString& text) = 0;
  // A modal box with the buttons OK and Cancel; true for OK.
  virtual bool Confirm(const QString& text) = 0;
  // A modal question with the buttons Save (the default), Discard and Cancel.
  virtual SaveAnswer AskSave(const QString& caption, const QString& text) = 0;
  // A modal dialog that asks for the name of a file to write, offering
  // `suggested`, and asks before an existing file is replaced; empty when the
  // user cancels. With `selectedFilter`, the filter the user chose (the
  // first one unless changed).
  virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                               const QString& filter, QString* selectedFilter = nullptr) = 0;
};

// The real boxes, over the active window.
class MessageBoxDialogs : public UserDialogs {
 public:
  void ShowError(const QString& caption, const QString& text) override;
  void ShowWarning(const QString& caption, const QString& text) override;
  bool Confirm(const QString& text) override;
  SaveAnswer AskSave(const QString& caption, const QString& text) override;
  QString SaveFileName(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter,
                       QString* selectedFilter = nullptr) override;
};

}  // namespace dravlik
