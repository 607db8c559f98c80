#include "application.h"

#include <QIcon>

#include "application_title.h"
#include "component_library.h"
#include "error_text.h"

namespace dravlik {

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv),
      title_(ApplicationTitle(applicationFilePath())),
      dialogs_(std::make_unique<MessageBoxDialogs>()) {
  setWindowIcon(QIcon(QStringLiteral(":/MAINICON")));
}

TApplication::~TApplication() {
  if (componentLibraryReady_) UninitializeComponentLibrary();
}

void TApplication::Initialize() {
  if (!componentLibraryReady_) componentLibraryReady_ = InitializeComponentLibrary();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleException(std::current_exception());
    return false;
  }
}

void TApplication::HandleException(std::exception_ptr error) {
  QString message;
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    return;
  } catch (const std::exception& e) {
    message = QString::fromUtf8(e.what());
  } catch (...) {
    message = QStringLiteral("Unknown error");
  }
  dialogs_->ShowError(title_, ErrorBoxText(message));
}

void TApplication::PostException(std::exception_ptr error) {
  QMetaObject::invokeMethod(
      this, [error] { std::rethrow_exception(error); }, Qt::QueuedConnection);
}

}  // namespace dravlik
