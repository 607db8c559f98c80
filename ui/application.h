// The application object: its title and icon, the initialisation hook, and
// the display of every error that escapes the handling of an event.
#pragma once

#include <QApplication>
#include <QIcon>
#include <QTranslator>
#include <exception>
#include <memory>

#include "user_dialogs.h"

namespace dravlik {

// Ends an operation without a message: the error display ignores it.
class EAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

// The program's icon "MAINICON".
QIcon MainIcon();

class TApplication : public QApplication {
  Q_OBJECT
 public:
  // Loads the icon "MAINICON" and takes the title from the executable's name.
  TApplication(int& argc, char** argv);
  // Undoes the initialisation hook if it succeeded.
  ~TApplication() override;

  static TApplication* Instance() { return qobject_cast<TApplication*>(QCoreApplication::instance()); }

  const QString& Title() const { return title_; }
  // The window's own texts in the language of `locale`: Czech for a Czech
  // locale, English (as written in the code) otherwise; false when the Czech
  // translation cannot be loaded. The constructor chooses by the system's
  // locale. The specified captions and messages are not translated.
  bool InstallTranslation(const QLocale& locale);

  // Runs the initialisation hook (the component library) and remembers
  // whether it succeeded.
  void Initialize();
  bool ComponentLibraryReady() const { return componentLibraryReady_; }

  UserDialogs& Dialogs() { return *dialogs_; }
  // Tests put their own boxes in place; the application keeps them.
  void SetDialogs(std::unique_ptr<UserDialogs> dialogs) { dialogs_ = std::move(dialogs); }

  // Every event goes through here: an error that escapes its handling is shown
  // and the program goes on.
  bool notify(QObject* receiver, QEvent* event) override;
  // Shows an error as the error box does; an abort is ignored.
  void HandleException(std::exception_ptr error);
  // For errors caught where unwinding through the toolkit is not safe (while
  // painting): shown once control is back in the event loop.
  void PostException(std::exception_ptr error);

 private:
  QString title_;
  bool componentLibraryReady_ = false;
  std::unique_ptr<UserDialogs> dialogs_;
  QTranslator translator_;
  QTranslator toolkitTranslator_;
};

// Runs an event handler of ours and shows what it raises at once. The event
// dispatch would show it too, but the toolkit's frames in between are not built
// for exceptions and would leak what they hold; the dispatch stays the net for
// everything else.
template <class Handler>
void ShowingErrors(Handler&& handler) {
  try {
    handler();
  } catch (...) {
    TApplication* application = TApplication::Instance();
    if (!application) throw;
    application->HandleException(std::current_exception());
  }
}

}  // namespace dravlik
