// The main window: its components as designed, the buttons that fill one grid
// and one file each, and the errors a user meets.
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <csignal>
#include <QHeaderView>
#include <QCryptographicHash>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>

#include "cell_editor.h"
#include "data_set_model.h"
#include "data_source.h"
#include "height_diameter_table.h"
#include "db_grid.h"
#include "grid_splitter.h"
#include "schemas.h"
#include "sp_dravlik.h"
#include "status_line.h"
#include "table.h"
#include "window_test_support.h"

namespace dravlik {
namespace {

QByteArray FileDigest(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

}  // namespace

class SpDravlikTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    directory_ = std::make_unique<testing::FreshDirectory>();
    dialogs_ = &testing::InstallRecordingDialogs();
  }

  void cleanup() {
    window_.reset();
    directory_.reset();
    QVERIFY2(dialogs_->errors.empty(), qPrintable(dialogs_->ErrorTexts()));
  }

  void startsWithEveryComponentAsDesignedAndBothGridsEmpty() {
    Open();
    QCOMPARE(window_->objectName(), QString("SpDravlik"));
    QCOMPARE(window_->windowTitle(), QString("SpDravlik"));
    QCOMPARE(window_->size(), QSize(697, 374));
    struct Expected {
      const char* name;
      QRect geometry;
    };
    for (const Expected& expected : {Expected{"DBGrid1", QRect(0, 0, 369, 283)},
                                     Expected{"Panel1", QRect(0, 309, 697, 65)},
                                     Expected{"Button1", QRect(16, 16, 185, 33)},
                                     Expected{"Button2", QRect(376, 16, 249, 33)},
                                     Expected{"DBGrid2", QRect(368, 0, 329, 281)}}) {
      auto* widget = window_->findChild<QWidget*>(expected.name);
      QVERIFY2(widget, expected.name);
      QCOMPARE(widget->geometry(), expected.geometry);
    }
    QCOMPARE(window_->Button1->text(), QString::fromUtf8("Proveď výpočet hmot dle bonit"));
    QCOMPARE(window_->Button2->text(), QString::fromUtf8("Proveď výpočet hmot dle vyška a tloušťky "));
    QCOMPARE(window_->Panel1->Caption(), QString("Panel1"));
    QCOMPARE(window_->Button1->parentWidget(), window_->Panel1);
    QCOMPARE(&window_->DataSource1->DataSet(), window_->Table1.get());
    QCOMPARE(&window_->DBGrid2->DataSource(), window_->DataSource2);
    QCOMPARE(window_->findChild<TDataSource*>("DataSource2"), window_->DataSource2);

    const QFontInfo font(window_->font());
    QCOMPARE(font.pointSize(), 8);
    const QStringList wanted = QStringList("MS Sans Serif") + QFont::substitutes("MS Sans Serif");
    const auto isWanted = [&](const QString& family) {
      return std::any_of(wanted.begin(), wanted.end(), [&](const QString& w) { return family.startsWith(w); });
    };
    const QStringList installed = QFontDatabase::families();
    if (std::any_of(installed.begin(), installed.end(), isWanted)) QVERIFY2(isWanted(font.family()), qPrintable(font.family()));
    QCOMPARE(window_->DBGrid1->horizontalHeader()->font(), window_->font());

    QList<QWidget*> order;
    QWidget* next = window_->DBGrid1;
    do {
      if (next->focusPolicy() & Qt::TabFocus) order << next;
      next = next->nextInFocusChain();
    } while (next != window_->DBGrid1);
    QCOMPARE(order, QList<QWidget*>({window_->DBGrid1, window_->Button1, window_->Button2, window_->DBGrid2}));

    QVERIFY(!window_->Table1->Active());
    QVERIFY(!window_->Table2->Active());
    QCOMPARE(window_->DBGrid1->model()->rowCount(), 0);
    QCOMPARE(window_->DBGrid2->model()->columnCount(), 0);
    QVERIFY(!QFile::exists("bon_Hm1.dbf"));
    QVERIFY(!QFile::exists("TloVysHm.dbf"));

    // The status line keeps to the panel's strip below the buttons.
    const QRect status = window_->Status->geometry();
    QVERIFY(window_->Panel1->contentsRect().contains(status));
    QVERIFY(!status.intersects(window_->Button1->geometry()));
    QVERIFY(!status.intersects(window_->Button2->geometry()));
  }

  void anEnlargedWindowGivesTheGridsTheSpaceAndTheSplitterMovesTheirBoundary() {
    Open();
    window_->resize(800, 500);
    QCOMPARE(window_->Panel1->geometry(), QRect(0, 435, 800, 65));  // the panel follows the bottom edge
    QCOMPARE(window_->Button1->geometry(), QRect(16, 16, 185, 33));
    QCOMPARE(window_->Button2->geometry(), QRect(376, 16, 249, 33));
    const QRect left = window_->DBGrid1->geometry();
    const QRect right = window_->DBGrid2->geometry();
    QCOMPARE(left.topLeft(), QPoint(0, 0));
    QCOMPARE(left.height(), 283 + 126);
    QCOMPARE(right.top(), 0);
    QCOMPARE(right.height(), 281 + 126);
    QCOMPARE(right.right(), 799);
    QCOMPARE(right.left(), left.right());  // they share a column of pixels, as designed
    QVERIFY(left.width() > 369);
    QVERIFY(right.width() > 329);

    Drag(*window_->Splitter, -100);
    QCOMPARE(window_->DBGrid1->width(), left.width() - 100);
    QCOMPARE(window_->DBGrid2->width(), right.width() + 100);
    QCOMPARE(window_->DBGrid2->geometry().left(), window_->DBGrid1->geometry().right());
    // The boundary keeps its share of the width.
    window_->resize(1600, 500);
    QVERIFY(qAbs(window_->DBGrid1->width() - 2 * (left.width() - 100)) <= 2);
    // Nor can it push a grid out of sight.
    Drag(*window_->Splitter, 2000);
    QVERIFY(window_->DBGrid2->width() >= 40);
    QCOMPARE(window_->DBGrid2->geometry().right(), 1599);
  }

  void theStatusLineFollowsTheGridInUse() {
    Open();
    QCOMPARE(window_->Status->text(), QString());
    QTest::mouseClick(window_->Button1, Qt::LeftButton);
    QTRY_COMPARE(window_->Status->text(), QString("Row 1 of 3228"));
    window_->DBGrid1->setFocus();
    testing::PressKey(Qt::Key_End, Qt::ControlModifier);
    QTRY_COMPARE(window_->Status->text(), QString("Row 3228 of 3228"));
    window_->DBGrid2->setFocus();
    QTRY_COMPARE(window_->Status->text(), QString());  // its table is closed
    window_->DBGrid1->setFocus();
    QTRY_COMPARE(window_->Status->text(), QString("Row 3228 of 3228"));
  }

  // An icon of a missing file is not null, only without a picture.
  void theShownWindowCarriesTheProgramsIcon() {
    Open();
    QVERIFY(window_->windowHandle());
    QCOMPARE(window_->windowHandle()->icon().pixmap(48).size(), QSize(48, 48));
  }

  void button2FillsOnlyItsOwnGridAndFileAndRefusesASecondPress() {
    Open();
    QTest::mouseClick(window_->Button2, Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(window_->DBGrid2->model()->rowCount(), 32708);
    QCOMPARE(window_->DBGrid2->model()->columnCount(), 4);
    QCOMPARE(window_->DBGrid2->currentIndex().row(), 0);
    QCOMPARE(window_->Table2->State(), dsBrowse);
    QCOMPARE(window_->DBGrid1->model()->rowCount(), 0);
    QVERIFY(!window_->Table1->Active());
    QVERIFY(QFile::exists("TloVysHm.dbf"));
    QVERIFY(!QFile::exists("bon_Hm1.dbf"));

    // The grid reads what it shows, also when it jumps to the last row.
    window_->grab();
    const std::uint64_t readBefore = window_->Table2->RecordsRead();
    QVERIFY2(readBefore < 256, qPrintable(QString::number(readBefore)));
    window_->DBGrid2->setFocus();
    QTest::keyClick(window_->DBGrid2, Qt::Key_End, Qt::ControlModifier);
    window_->grab();
    QCOMPARE(window_->DBGrid2->currentIndex().row(), 32707);
    const QRect last = window_->DBGrid2->visualRect(window_->DBGrid2->currentIndex());
    QVERIFY(window_->DBGrid2->viewport()->rect().contains(last));
    QCOMPARE(window_->DBGrid2->currentIndex().siblingAtColumn(0).data().toString(), QString("DG "));
    QVERIFY(window_->Table2->RecordsRead() - readBefore < 256);

    const QByteArray digest = FileDigest("TloVysHm.dbf");
    QTest::mouseClick(window_->Button2, Qt::LeftButton);
    QCOMPARE(dialogs_->errors.size(), std::size_t{1});
    QCOMPARE(dialogs_->errors[0].caption, TApplication::Instance()->Title());
    QCOMPARE(dialogs_->errors[0].text, QString("Table2: Cannot perform this operation on an open dataset."));
    dialogs_->errors.clear();
    QCoreApplication::processEvents();
    QCOMPARE(window_->DBGrid2->model()->rowCount(), 32708);
    QCOMPARE(window_->DBGrid2->currentIndex().row(), 32707);
    QCOMPARE(FileDigest("TloVysHm.dbf"), digest);
  }

  void button1FillsOnlyItsOwnGridAndFile() {
    Open();
    QTest::mouseClick(window_->Button1, Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(window_->DBGrid1->model()->rowCount(), 3228);
    QStringList titles;
    for (int column = 0; column < 6; ++column) {
      titles << window_->DBGrid1->model()->headerData(column, Qt::Horizontal).toString();
    }
    QCOMPARE(titles, QStringList({"DREVINA", "BONITA", "VEK", "VYSKA", "TLOUSTKA", "HMOT"}));
    QCOMPARE(window_->DBGrid1->model()->index(0, 0).data().toString(), QString("SM "));
    QCOMPARE(window_->DBGrid1->model()->index(0, 2).data().toString(), QString("15"));
    QCOMPARE(window_->DBGrid2->model()->rowCount(), 0);
    QVERIFY(QFile::exists("bon_Hm1.dbf"));
    QVERIFY(!QFile::exists("TloVysHm.dbf"));
  }

  void aFailedRegenerationKeepsTheOldFileAndShowsItsRowsReadOnly() {
    GenerateHeightDiameterTable(*MakeHeightDiameterTable());
    const QByteArray good = FileDigest("TloVysHm.dbf");
    Open();
    // A file size limit stops the new table half-way.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const rlimit limit{200000, previous.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    QTest::mouseClick(window_->Button2, Qt::LeftButton);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    QCOMPARE(dialogs_->errors.size(), std::size_t{1});
    QVERIFY2(dialogs_->errors[0].text.contains("File too large"), qPrintable(dialogs_->errors[0].text));
    dialogs_->errors.clear();
    QCoreApplication::processEvents();

    QCOMPARE(FileDigest("TloVysHm.dbf"), good);
    QVERIFY(window_->Table2->Active());
    QVERIFY(window_->Table2->RecordCount() > 0);
    QVERIFY(window_->Table2->RecordCount() < 32708);
    const QModelIndex cell = window_->DBGrid2->model()->index(0, 3);
    QVERIFY(!(window_->DBGrid2->model()->flags(cell) & Qt::ItemIsEditable));
    window_.reset();
    QCOMPARE(FileDigest("TloVysHm.dbf"), good);
    QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList("TloVysHm.dbf"));
  }

  void anEditInTheWindowIsInTheFileAfterTheProgramEnds() {
    Open();
    QTest::mouseClick(window_->Button1, Qt::LeftButton);
    QCoreApplication::processEvents();
    TDBGrid& grid = *window_->DBGrid1;
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(grid.model()->index(1, 3)).center());
    QCOMPARE(grid.currentIndex(), grid.model()->index(1, 3));
    for (const char c : {'1', '7', '.', '5'}) QTest::keyClick(QApplication::focusWidget(), c);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(window_->Table1->State(), dsBrowse);
    window_.reset();  // the program ends

    auto table = MakeSiteClassTable();
    table->Open();
    QCOMPARE(table->RecordCount(), 3228);
    QCOMPARE(std::get<double>(table->RowValue(1, 3)), 17.5);
  }

  void aMissingEngineIsReportedAtTheFirstPressNotAtStartUp() {
    EngineLoadOptions missing;
    missing.libraryName = "libdbfengine-missing.so";
    TSession& session = Sessions().Add("NoEngine", missing);
    window_ = std::make_unique<TSpDravlik>(session);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QVERIFY(dialogs_->errors.empty());
    QTest::mouseClick(window_->Button1, Qt::LeftButton);
    QTest::mouseClick(window_->Button2, Qt::LeftButton);
    QCOMPARE(dialogs_->errors.size(), std::size_t{2});
    for (const testing::ShownError& error : dialogs_->errors) {
      QCOMPARE(error.text.section('\n', 0, 0),
               QString("An error occurred while attempting to initialize the database engine (error $2108)"));
      QVERIFY2(error.text.contains("\nNot found: "), qPrintable(error.text));
    }
    dialogs_->errors.clear();
    QVERIFY(!window_->Table1->Active());
    QVERIFY(!QFile::exists("bon_Hm1.dbf"));
  }

 private:
  void Open() {
    window_ = std::make_unique<TSpDravlik>();
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }

  // Drags a handle by `dx` with the left button.
  static void Drag(QWidget& handle, int dx) {
    const QPoint from = handle.rect().center();
    const QPoint to = from + QPoint(dx, 0);
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
      QMouseEvent event(type, at, handle.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
      QApplication::sendEvent(&handle, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
  }

  std::unique_ptr<testing::FreshDirectory> directory_;
  testing::RecordingDialogs* dialogs_ = nullptr;
  std::unique_ptr<TSpDravlik> window_;
};

}  // namespace dravlik

PDRAVLIK_WINDOW_TEST_MAIN(dravlik::SpDravlikTest)
#include "sp_dravlik_test.moc"
