#include "application.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>

#include "application_title.h"
#include "component_library.h"
#include "error_text.h"
#include "session.h"

// The icon lives in a static library, where nothing would reference its
// resource and the linker would drop it. The macro must be outside a namespace.
static void LinkIconResource() { Q_INIT_RESOURCE(icons); }

namespace dravlik {

QIcon MainIcon() { return QIcon(QStringLiteral(":/MAINICON")); }

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv),
      title_(ApplicationTitle(applicationFilePath())),
      dialogs_(std::make_unique<MessageBoxDialogs>()) {
  LinkIconResource();
  setWindowIcon(MainIcon());
  // The window's tables live in the default session.
  Session().SetWarningHandler(
      [this](const std::string& message) { dialogs_->ShowWarning(title_, QString::fromUtf8(message.c_str())); });
  // English is a usable fallback; the program starts either way.
  if (!InstallTranslation(QLocale::system())) qWarning("The Czech translation is missing; the texts stay English");
}

bool TApplication::InstallTranslation(const QLocale& locale) {
  removeTranslator(&translator_);
  removeTranslator(&toolkitTranslator_);
  if (locale.language() != QLocale::Czech) return true;
  if (!translator_.load(QStringLiteral(":/i18n/pdravlik_cs.qm"))) return false;
  installTranslator(&translator_);
  // The toolkit's own texts (the file dialog's buttons) where the system has
  // them; without them those stay English.
  if (toolkitTranslator_.load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    installTranslator(&toolkitTranslator_);
  }
  return true;
}

TApplication::~TApplication() {
  Session().SetWarningHandler(nullptr);
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
