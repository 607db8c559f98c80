// Typing numbers into a grid's cell editor with real key events, where the
// toolkit and the C library may each write a decimal comma.
#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <clocale>

#include "cell_editor.h"
#include "data_source.h"
#include "db_grid.h"
#include "schemas.h"
#include "table.h"
#include "window_test_support.h"

namespace dravlik {
namespace {

constexpr int kSpecies = 0;  // DREVINA
constexpr int kHeight = 3;   // VYSKA

// The C library's numbers in Czech, from a locale compiled for the test where
// the system has none installed; reverts to "C" when it ends.
class CzechCNumbers {
 public:
  CzechCNumbers() {
    if (std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8")) return;
    const QString compiled = locales_.filePath(QStringLiteral("cs_CZ.UTF-8"));
    QProcess::execute(QStringLiteral("localedef"), {"-i", "cs_CZ", "-f", "UTF-8", compiled});
    qputenv("LOCPATH", QFile::encodeName(locales_.path()));
    std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8");
  }
  ~CzechCNumbers() {
    std::setlocale(LC_NUMERIC, "C");
    qunsetenv("LOCPATH");
  }
  bool Active() const { return LocaleDecimalSeparator() == ','; }

 private:
  QTemporaryDir locales_;
};

}  // namespace

class CellEditorTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    directory_ = std::make_unique<testing::FreshDirectory>();
    dialogs_ = &testing::InstallRecordingDialogs();
  }

  void cleanup() {
    host_.reset();
    table_.reset();
    directory_.reset();
    QLocale::setDefault(QLocale::c());
    QVERIFY2(dialogs_->errors.empty(), qPrintable(dialogs_->ErrorTexts()));
  }

  // The toolkit's locale alone writes a comma, or the C library's too, as
  // where the Czech locale is installed.
  void aTypedPointOrCommaGivesTheSameNumberInADecimalCommaLocale() {
    for (const bool czechC : {false, true}) {
      std::optional<CzechCNumbers> numbers;
      if (czechC) {
        numbers.emplace();
        if (!numbers->Active()) QSKIP("no Czech locale for the C library: localedef is missing");
      }
      Show(3);
      MoveToColumn(kHeight);
      testing::TypeText("3.5");
      QCOMPARE(grid_->Editor()->text(), QString("3,5"));  // as the grid will show it
      testing::PressKey(Qt::Key_Down);
      testing::TypeText("3,5");
      testing::PressKey(Qt::Key_Down);
      testing::TypeText("0.25e1");
      testing::PressKey(Qt::Key_Return);
      QVERIFY2(dialogs_->errors.empty(), qPrintable(dialogs_->ErrorTexts()));
      testing::PressKey(Qt::Key_Up);
      QCOMPARE(Heights(), QList<double>({3.5, 3.5, 2.5}));
      host_.reset();
      table_.reset();
    }
  }

  void aPointStaysAPointInTextAndWhereTheLocaleWritesOne() {
    Show(2);
    testing::TypeText("a.b");
    testing::PressKey(Qt::Key_Down);
    QCOMPARE(QString::fromStdString(std::get<std::string>(table_->RowValue(0, kSpecies))), QString("a.b"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    MoveToColumn(kHeight);
    testing::TypeText("7.5");
    QCOMPARE(grid_->Editor()->text(), QString("7.5"));
    testing::PressKey(Qt::Key_Up);
    QCOMPARE(Heights(), QList<double>({0.0, 7.5}));
  }

 private:
  void Show(int rows) {
    table_ = MakeSiteClassTable();
    table_->CreateTable();
    table_->Open();
    for (int i = 0; i < rows; ++i) {
      table_->Append();
      table_->FieldByName("DREVINA").SetAsString("SM ");
      table_->FieldByName("VYSKA").SetAsFloat(i);
      table_->Post();
    }
    table_->Close();
    table_->Open();
    host_ = std::make_unique<QWidget>();
    source_ = new TDataSource(*table_, host_.get());
    grid_ = new TDBGrid(*source_, host_.get());
    auto* layout = new QVBoxLayout(host_.get());
    layout->addWidget(grid_);
    host_->resize(600, 300);
    QVERIFY(testing::ShowWithFocus(*host_, *grid_));
  }

  void MoveToColumn(int column) {
    while (grid_->Column() < column) testing::PressKey(Qt::Key_Right);
  }

  QList<double> Heights() const {
    QList<double> heights;
    for (int row = 0; row < table_->RowCount(); ++row) {
      heights << std::get<double>(table_->RowValue(row, kHeight));
    }
    return heights;
  }

  std::unique_ptr<testing::FreshDirectory> directory_;
  testing::RecordingDialogs* dialogs_ = nullptr;
  std::unique_ptr<TTable> table_;
  std::unique_ptr<QWidget> host_;
  TDataSource* source_ = nullptr;
  TDBGrid* grid_ = nullptr;
};

}  // namespace dravlik

PDRAVLIK_WINDOW_TEST_MAIN(dravlik::CellEditorTest)
#include "cell_editor_test.moc"
