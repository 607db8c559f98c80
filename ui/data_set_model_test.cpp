// The grid's item model over a table: columns, texts, the indicator, and how
// it follows the table without reading more than a view shows.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTableView>

#include "data_set_model.h"
#include "data_source.h"
#include "height_diameter_table.h"
#include "schemas.h"
#include "table.h"
#include "window_test_support.h"

namespace dravlik {

class DataSetModelTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    directory_ = std::make_unique<testing::FreshDirectory>();
    dialogs_ = &testing::InstallRecordingDialogs();
    table_ = MakeHeightDiameterTable();
    source_ = std::make_unique<TDataSource>(*table_);
    model_ = std::make_unique<DataSetModel>(*source_);
    tester_ = std::make_unique<QAbstractItemModelTester>(model_.get(),
                                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
  }

  void cleanup() {
    tester_.reset();
    model_.reset();
    source_.reset();
    table_.reset();
    directory_.reset();
    QLocale::setDefault(QLocale::c());
    QVERIFY2(dialogs_->errors.empty(), qPrintable(dialogs_->ErrorTexts()));
  }

  void aClosedTableShowsNothing() {
    QCOMPARE(model_->rowCount(), 0);
    QCOMPARE(model_->columnCount(), 0);
  }

  void showsValuesAsTheUserReadsThem_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("code");
    QTest::addColumn<double>("volume");
    QTest::addColumn<QString>("codeShown");
    QTest::addColumn<QString>("volumeShown");
    QTest::newRow("code as stored, blank kept") << "C" << "SM " << 0.25 << "SM " << "0.25";
    QTest::newRow("decimal comma") << "cs_CZ" << "BO " << 12.5 << "BO " << "12,5";
    QTest::newRow("fifteen significant digits") << "C" << "XXX" << 0.1 + 0.2 << "XXX" << "0.3";
    QTest::newRow("whole number") << "C" << "DB " << 14.0 << "DB " << "14";
    QTest::newRow("large number") << "C" << "DB " << 1234567890123456.0 << "DB " << "1.23456789012346e+15";
  }
  void showsValuesAsTheUserReadsThem() {
    QFETCH(QString, locale);
    QFETCH(QString, code);
    QFETCH(double, volume);
    QLocale::setDefault(QLocale(locale));
    table_->CreateTable();
    table_->Open();
    table_->Append();
    table_->FieldByName("drevina").SetAsString(code.toStdString());
    table_->FieldByName("hmot").SetAsFloat(volume);
    table_->Post();
    model_->Refresh();
    QCOMPARE(model_->rowCount(), 1);
    QTEST(model_->index(0, 0).data().toString(), "codeShown");
    QTEST(model_->index(0, 3).data().toString(), "volumeShown");
    QCOMPARE(model_->index(0, 1).data().toString(), QString());  // a field without a value shows nothing
    QCOMPARE(model_->index(0, 3).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));
    QCOMPARE(model_->index(0, 0).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, int(Qt::AlignLeft));
  }

  void followsEveryOperationOfTheTable() {
    table_->CreateTable();
    table_->Open();
    const auto indicator = [this](int row) {
      return model_->headerData(row, Qt::Vertical, DataSetModel::kIndicatorRole).value<DataSetModel::Indicator>();
    };
    for (int i = 0; i < 3; ++i) {
      table_->Append();
      table_->FieldByName("vyska").SetAsInteger(10 + i);
      table_->Post();
    }
    model_->Refresh();
    QCOMPARE(model_->rowCount(), 3);
    QCOMPARE(model_->CurrentRow(), 2);
    QCOMPARE(indicator(2), DataSetModel::Indicator::Current);
    QCOMPARE(indicator(1), DataSetModel::Indicator::None);

    table_->MoveTo(0);
    table_->Insert();
    model_->Refresh();
    QCOMPARE(model_->rowCount(), 4);
    QCOMPARE(model_->CurrentRow(), 0);
    QCOMPARE(indicator(0), DataSetModel::Indicator::Insert);
    QCOMPARE(model_->index(1, 2).data().toString(), QString("10"));

    table_->Cancel();
    table_->Edit();
    table_->FieldByName("vyska").SetAsFloat(99);
    model_->Refresh();
    QCOMPARE(model_->rowCount(), 3);
    QCOMPARE(indicator(0), DataSetModel::Indicator::Edit);
    QCOMPARE(model_->index(0, 2).data().toString(), QString("99"));

    table_->Cancel();
    table_->Delete();
    model_->Refresh();
    QCOMPARE(model_->rowCount(), 2);
    QCOMPARE(model_->index(0, 2).data().toString(), QString("11"));

    table_->Close();
    model_->Refresh();
    QCOMPARE(model_->rowCount(), 0);
    QCOMPARE(model_->columnCount(), 0);
  }

  void cellsAreEditableOnlyWhereTheFieldMayChange() {
    table_->CreateTable();
    table_->Open();
    table_->Append();
    table_->Post();
    table_->FieldByName("hmot").SetReadOnly(true);
    model_->Refresh();
    QVERIFY(model_->flags(model_->index(0, 2)) & Qt::ItemIsEditable);
    QVERIFY(!(model_->flags(model_->index(0, 3)) & Qt::ItemIsEditable));
  }

  // A generator posts tens of thousands of rows inside one click handler; the
  // model catches up once, when control is back in the event loop.
  void aGeneratedTableIsShownWithOneRefreshReadingOnlyVisibleRows() {
    QTableView view;
    view.setModel(model_.get());
    view.resize(400, 300);
    view.show();
    QSignalSpy resets(model_.get(), &QAbstractItemModel::modelReset);
    GenerateHeightDiameterTable(*table_);
    QCOMPARE(model_->rowCount(), 0);  // nothing changes before the event loop runs
    QCoreApplication::processEvents();
    QCOMPARE(resets.count(), 1);
    QCOMPARE(model_->rowCount(), 32708);

    const std::uint64_t readBefore = table_->RecordsRead();
    view.grab();
    const std::uint64_t readForFirstPage = table_->RecordsRead() - readBefore;
    QVERIFY2(readForFirstPage <= 128, qPrintable(QString::number(readForFirstPage)));
    view.scrollToBottom();
    view.grab();
    QCOMPARE(model_->index(32707, 0).data().toString(), QString("DG "));
    QVERIFY2(table_->RecordsRead() - readBefore <= 256, qPrintable(QString::number(table_->RecordsRead())));
  }

  // A read that fails while a view paints is shown from the event loop,
  // once; the cells stay empty rather than failing on every repaint.
  void aFailedReadIsShownOnceAndTheCellsStayEmpty() {
    table_->CreateTable();
    table_->Open();
    for (int i = 0; i < 2; ++i) {
      table_->Append();
      table_->FieldByName("drevina").SetAsString("SM ");
      table_->FieldByName("hmot").SetAsFloat(1.5);
      table_->Post();
    }
    table_->Close();
    // Another program spoils the volume of the second record.
    testing::OverwriteField("TloVysHm.dbf", 1, "hmot", 'x');
    table_->Open();
    QTableView view;
    view.setModel(model_.get());
    view.show();
    QCoreApplication::processEvents();
    view.grab();
    view.grab();
    QTRY_COMPARE(dialogs_->errors.size(), std::size_t{1});
    QVERIFY2(dialogs_->errors[0].text.contains("hmot"), qPrintable(dialogs_->errors[0].text));
    QCOMPARE(model_->index(0, 0).data().toString(), QString());
    view.grab();
    QCoreApplication::processEvents();
    QCOMPARE(dialogs_->errors.size(), std::size_t{1});
    dialogs_->errors.clear();
  }

 private:
  std::unique_ptr<testing::FreshDirectory> directory_;
  testing::RecordingDialogs* dialogs_ = nullptr;
  std::unique_ptr<TTable> table_;
  std::unique_ptr<TDataSource> source_;
  std::unique_ptr<DataSetModel> model_;
  std::unique_ptr<QAbstractItemModelTester> tester_;
};

}  // namespace dravlik

PDRAVLIK_WINDOW_TEST_MAIN(dravlik::DataSetModelTest)
#include "data_set_model_test.moc"
