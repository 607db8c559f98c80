// Copying and finding on the whole height-diameter table, from the keys to
// the clipboard or the current record: copying all rows must take well under
// a second, a find well under 50 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include "application.h"
#include "data_source.h"
#include "db_grid.h"
#include "find_bar.h"
#include "grid_commands.h"
#include "height_diameter_table.h"
#include "schemas.h"
#include "table.h"

namespace {

using namespace dravlik;

// One generated table and its grid for every benchmark of the run.
struct Fixture {
  Fixture() : previous(QDir::currentPath()) {
    QDir::setCurrent(directory.path());
    table = MakeHeightDiameterTable();
    GenerateHeightDiameterTable(*table);
    source = new TDataSource(*table, &host);
    grid = new TDBGrid(*source, &host);
    commands = new GridCommands(*grid);
    grid->resize(329, 281);
    host.resize(329, 281);
    host.show();
    QCoreApplication::processEvents();
    grid->setFocus();
  }
  ~Fixture() {
    delete grid;
    QDir::setCurrent(previous);
  }

  QTemporaryDir directory;
  QString previous;
  std::unique_ptr<TTable> table;
  QWidget host;
  TDataSource* source = nullptr;
  TDBGrid* grid = nullptr;
  GridCommands* commands = nullptr;
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_CopyAllRows(benchmark::State& state) {
  Fixture& f = Shared();
  QTest::keyClick(f.grid, Qt::Key_Home, Qt::ControlModifier);
  QTest::mouseClick(f.grid->verticalHeader()->viewport(), Qt::LeftButton, {}, QPoint(4, 4));
  QTest::keyClick(f.grid, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
  for (auto _ : state) QTest::keyClick(f.grid, Qt::Key_C, Qt::ControlModifier);
  const QString text = QApplication::clipboard()->mimeData()->text();
  if (text.count(u'\n') != f.table->RowCount() + 1) state.SkipWithError("not every row was copied");
  state.counters["rows"] = f.table->RowCount();
  state.counters["bytes"] = static_cast<double>(text.size() + QApplication::clipboard()->mimeData()->html().size());
}
BENCHMARK(BM_CopyAllRows)->Unit(benchmark::kMillisecond);

void BM_FindTheLastRow(benchmark::State& state) {
  Fixture& f = Shared();
  TTable& table = *f.table;
  const int last = table.RowCount() - 1;
  QTest::keyClick(f.grid, Qt::Key_Home, Qt::ControlModifier);
  QTest::keyClick(f.grid, Qt::Key_F, Qt::ControlModifier);
  FindBar* bar = f.commands->Bar();
  for (const int field : FindFields(table)) {
    bar->Input(field)->setText(QString::fromStdString(DisplayText(table.RowValue(last, field), '.')));
  }
  for (auto _ : state) {
    QTest::keyClick(bar->Input(0), Qt::Key_Return);
    state.PauseTiming();
    if (table.CurrentRow() != last) state.SkipWithError("the find did not reach the last row");
    QTest::keyClick(f.grid, Qt::Key_Home, Qt::ControlModifier);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FindTheLastRow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  TApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
