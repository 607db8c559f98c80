// Test support for the window's Qt Test programs: the boxes a test reads
// instead of the user, a fresh working directory for every test function, and
// the programs' entry.
#pragma once

#include <QString>
#include <QStringList>
#include <QtTest>
#include <deque>
#include <memory>

#include "application.h"
#include "scratch_directory.h"
#include "user_dialogs.h"

namespace dravlik::testing {

struct ShownError {
  QString caption;
  QString text;
};

// Records the boxes instead of showing them; confirmations take the answers
// a test queued, and fail the test when there is none.
class RecordingDialogs : public UserDialogs {
 public:
  void ShowError(const QString& caption, const QString& text) override { errors.push_back({caption, text}); }
  void ShowWarning(const QString& caption, const QString& text) override { warnings.push_back({caption, text}); }
  bool Confirm(const QString& text) override;
  // The next answer a test queued; fails the test when there is none.
  SaveAnswer AskSave(const QString& caption, const QString& text) override;
  // The next file name a test queued, with the next filter it chose (the
  // first offered when it chose none); fails the test when there is none.
  QString SaveFileName(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter,
                       QString* selectedFilter = nullptr) override;
  // The texts of the errors shown, one a line.
  QString ErrorTexts() const;

  std::vector<ShownError> errors;
  std::vector<ShownError> warnings;
  QStringList confirmations;
  std::deque<bool> answers;
  QStringList saveQuestions;
  std::deque<SaveAnswer> saveAnswers;
  // What the file dialogs offered, and the names they answer with.
  QStringList suggestedFileNames;
  std::deque<QString> fileNames;
  QStringList offeredFilters;
  std::deque<QString> chosenFilters;
};

// Puts recording boxes in place of the real ones for as long as it lives.
RecordingDialogs& InstallRecordingDialogs();

// The working directory of one test function, removed after it.
class FreshDirectory : public WorkingInScratchDirectory {
 public:
  QString Path() const { return QString::fromStdString(path()); }
};

// Shows a test's window and gives `focus` the keyboard, as a user's click
// would; false when the window never became active.
[[nodiscard]] inline bool ShowWithFocus(QWidget& window, QWidget& focus) {
  window.show();
  if (!QTest::qWaitForWindowActive(&window)) return false;
  focus.setFocus();
  QCoreApplication::processEvents();
  return true;
}

// A key pressed where the focus is, as the user presses it.
inline void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

// Each character goes where the focus is, as the user's typing does.
inline void TypeText(const QString& text) {
  for (const QChar c : text) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

// Fills a field of a record in a dBASE file with one character, as a program
// that does not know the format might.
void OverwriteField(const QString& path, int record, const QString& fieldName, char filler);

}  // namespace dravlik::testing

// Like QTEST_MAIN, with the program's own application object, so that errors
// escaping event handlers reach its error display.
#define PDRAVLIK_WINDOW_TEST_MAIN(TestObject)        \
  int main(int argc, char** argv) {                  \
    dravlik::TApplication application(argc, argv);  \
    TestObject test;                                 \
    QTEST_SET_MAIN_SOURCE_PATH                       \
    return QTest::qExec(&test, argc, argv);          \
  }
