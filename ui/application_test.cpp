// The application object: its title and icon, the message rules of the error
// box, and errors escaping the handling of real events.
#include <QTimer>

#include "application.h"
#include "application_title.h"
#include "component_library.h"
#include "error_text.h"
#include "schemas.h"
#include "session.h"
#include "table.h"
#include "window_test_support.h"

namespace dravlik {
namespace {

// An object whose handling of an event fails as a handler of the window might.
class FailingObject : public QObject {
 public:
  static inline const QEvent::Type kFail = static_cast<QEvent::Type>(QEvent::registerEventType());
  std::function<void()> fail;
  int handled = 0;

  bool event(QEvent* event) override {
    if (event->type() != kFail) return QObject::event(event);
    ++handled;
    fail();
    return true;
  }
};

}  // namespace

class ApplicationTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { dialogs_ = &testing::InstallRecordingDialogs(); }

  void titleComesFromTheExecutableName_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("the program") << "/usr/bin/PDravlik" << "Pdravlik";
    QTest::newRow("everything from the first dot goes") << "/opt/x/PDravlik.bin.old" << "Pdravlik";
    QTest::newRow("a dot in the directory does not count") << "/home/a.b/PDRAVLIK" << "Pdravlik";
    QTest::newRow("the first letter stays as it is") << "pDRAVLIK" << "pdravlik";
    QTest::newRow("letters beyond ASCII") << "/bin/ŽLUŤOUČKÝ" << "Žluťoučký";
    QTest::newRow("nothing before the dot") << "/bin/.hidden" << "";
  }
  void titleComesFromTheExecutableName() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(ApplicationTitle(path), title);
  }

  void errorBoxTextEndsWithAFullStop_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Field 'VEK' not found" << "Field 'VEK' not found.";
    QTest::newRow("already a full stop") << "Disk full." << "Disk full.";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("closing parenthesis sorts before '.'")
        << "An error occurred while attempting to initialize the database engine (error $2108)"
        << "An error occurred while attempting to initialize the database engine (error $2108)";
    QTest::newRow("quote sorts before '.'") << "'x' is not a valid floating point value for field 'VYSKA'"
                                            << "'x' is not a valid floating point value for field 'VYSKA'";
    QTest::newRow("hyphen sorts before '.'") << "a-" << "a-";
    QTest::newRow("slash sorts after '.'") << "a/" << "a/.";
    QTest::newRow("digit") << "error 7" << "error 7.";
    QTest::newRow("blank") << "trailing " << "trailing ";
    QTest::newRow("line break") << "two\nlines\n" << "two\nlines\n";
    QTest::newRow("letter beyond ASCII") << "tloušťka" << "tloušťka.";
    QTest::newRow("character beyond the basic plane") << "tree 🌲" << "tree 🌲.";
  }
  void errorBoxTextEndsWithAFullStop() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(ErrorBoxText(message), shown);
  }

  // The event dispatch catches what any handler lets escape.
  void anErrorEscapingTheHandlingOfAnEventIsShownAndTheProgramGoesOn() {
    auto table = MakeSiteClassTable();
    FailingObject object;
    object.fail = [&] { table->FieldByName("NOSUCH"); };
    QEvent event(FailingObject::kFail);
    QCoreApplication::sendEvent(&object, &event);
    QCOMPARE(dialogs_->errors.size(), std::size_t{1});
    QCOMPARE(dialogs_->errors[0].text, QString("Table1: Field 'NOSUCH' not found."));
    QCOMPARE(dialogs_->errors[0].caption, TApplication::Instance()->Title());
    QCOMPARE(TApplication::Instance()->Title(), ApplicationTitle(QCoreApplication::applicationFilePath()));

    object.fail = [] { throw EDatabaseError("Table2: Cannot perform this operation on an open dataset."); };
    QCoreApplication::postEvent(&object, new QEvent(FailingObject::kFail));
    QCoreApplication::postEvent(&object, new QEvent(FailingObject::kFail));
    QTRY_COMPARE(object.handled, 3);
    QCOMPARE(dialogs_->errors.size(), std::size_t{3});
    QCOMPARE(dialogs_->errors[2].text, QString("Table2: Cannot perform this operation on an open dataset."));
  }

  void aHandlerOfOursShowsItsErrorItself() {
    ShowingErrors([] { throw std::runtime_error("Disk full"); });
    QCOMPARE(dialogs_->errors.size(), std::size_t{1});
    QCOMPARE(dialogs_->errors[0].text, QString("Disk full."));
  }

  // A table in place that a system crash could still take back: done, with a catch.
  void theTablesWarningsAreShownAsWarnings() {
    Session().Warn("Table was replaced, but a system crash may undo it.\nTable: /data/bon_Hm1.dbf");
    QCOMPARE(dialogs_->warnings.size(), std::size_t{1});
    QCOMPARE(dialogs_->warnings[0].caption, TApplication::Instance()->Title());
    QCOMPARE(dialogs_->warnings[0].text,
             QString("Table was replaced, but a system crash may undo it.\nTable: /data/bon_Hm1.dbf"));
    QVERIFY(dialogs_->errors.empty());
  }

  void anAbortIsIgnoredSilently() {
    FailingObject object;
    object.fail = [] { throw EAbort(); };
    QEvent event(FailingObject::kFail);
    QCoreApplication::sendEvent(&object, &event);
    ShowingErrors([] { throw EAbort(); });
    QCOMPARE(object.handled, 1);
    QVERIFY(dialogs_->errors.empty());
  }

  void errorsOfQueuedCallsAndTimersAreShownToo() {
    QTimer::singleShot(0, [] { throw std::runtime_error("from a timer"); });
    TApplication::Instance()->PostException(std::make_exception_ptr(std::runtime_error("posted")));
    QTRY_COMPARE(dialogs_->errors.size(), std::size_t{2});
    QCOMPARE(dialogs_->errors[0].text, QString("from a timer."));
    QCOMPARE(dialogs_->errors[1].text, QString("posted."));
  }

  // The icon is a resource of a static library, which the linker drops
  // unless something refers to it. An icon of a missing file is not null,
  // only without a picture: hence the pixmaps.
  void theApplicationCarriesTheProgramsIcon() {
    QCOMPARE(MainIcon().pixmap(256).size(), QSize(256, 256));
    QCOMPARE(TApplication::Instance()->windowIcon().pixmap(256).size(), QSize(256, 256));
  }

  void initialisationRunsTheComponentLibraryHookOnce() {
    TApplication& application = *TApplication::Instance();
    const int before = ComponentLibraryUsers();
    application.Initialize();
    QVERIFY(application.ComponentLibraryReady());
    application.Initialize();
    QCOMPARE(ComponentLibraryUsers(), before + 1);
  }

 private:
  testing::RecordingDialogs* dialogs_ = nullptr;
};

}  // namespace dravlik

PDRAVLIK_WINDOW_TEST_MAIN(dravlik::ApplicationTest)
#include "application_test.moc"
