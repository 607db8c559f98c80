// From a click on a button to its grid showing the rows: the generator, the
// model catching up and the grid painting what is visible. Each run starts a
// new window in a new directory, as each table is generated once per run of
// the program.
#include <benchmark/benchmark.h>

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "application.h"
#include "db_grid.h"
#include "sp_dravlik.h"

namespace {

using dravlik::TDBGrid;
using dravlik::TSpDravlik;

void ClickToRowsShown(benchmark::State& state, QPushButton* TSpDravlik::*button, TDBGrid* TSpDravlik::*grid) {
  for (auto _ : state) {
    state.PauseTiming();
    QTemporaryDir directory;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(directory.path());
    auto window = std::make_unique<TSpDravlik>();
    window->show();
    QCoreApplication::processEvents();
    state.ResumeTiming();

    QTest::mouseClick(window.get()->*button, Qt::LeftButton);
    QCoreApplication::processEvents();
    (window.get()->*grid)->viewport()->repaint();

    state.PauseTiming();
    if ((window.get()->*grid)->model()->rowCount() == 0) state.SkipWithError("no rows shown");
    window.reset();
    QDir::setCurrent(previous);
    state.ResumeTiming();
  }
}

void BM_Button1ClickToRowsShown(benchmark::State& state) {
  ClickToRowsShown(state, &TSpDravlik::Button1, &TSpDravlik::DBGrid1);
}
BENCHMARK(BM_Button1ClickToRowsShown)->Unit(benchmark::kMillisecond);

void BM_Button2ClickToRowsShown(benchmark::State& state) {
  ClickToRowsShown(state, &TSpDravlik::Button2, &TSpDravlik::DBGrid2);
}
BENCHMARK(BM_Button2ClickToRowsShown)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  dravlik::TApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
