// From a click on a button to its grid showing the rows: the generator, the
// model catching up and the grid painting what is visible. Each run starts a
// new window in a new directory, as each table is generated once per run of
// the program. Also: a window from its start to its first paint, and pasting
// a block of rows into a grid and undoing it.
#include <benchmark/benchmark.h>

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "application.h"
#include "data_source.h"
#include "db_grid.h"
#include "edit_history.h"
#include "schemas.h"
#include "sp_dravlik.h"
#include "table.h"

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

// Tells when its widget has been painted.
class PaintWatch : public QObject {
 public:
  bool painted = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = true;
    return QObject::eventFilter(watched, event);
  }
};

void BM_WindowStartToFirstPaint(benchmark::State& state) {
  for (auto _ : state) {
    PaintWatch watch;
    auto window = std::make_unique<TSpDravlik>();
    window->installEventFilter(&watch);
    window->show();
    while (!watch.painted) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    state.PauseTiming();
    window.reset();
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_WindowStartToFirstPaint)->Unit(benchmark::kMillisecond);

// A grid over a site-class table of `rows` records, in a directory of its own.
struct PasteScene {
  explicit PasteScene(int rows) : previous(QDir::currentPath()) {
    QDir::setCurrent(directory.path());
    table = dravlik::MakeSiteClassTable();
    table->CreateTable();
    table->Open();
    for (int i = 0; i < rows; ++i) {
      table->Append();
      table->FieldByName("DREVINA").SetAsString("SM ");
      table->FieldByName("VEK").SetAsInteger(i);
      table->Post();
    }
    table->MoveTo(0);
    source = std::make_unique<dravlik::TDataSource>(*table);
    grid = std::make_unique<TDBGrid>(*source);
    grid->resize(600, 400);
    grid->show();
    QCoreApplication::processEvents();
  }
  ~PasteScene() {
    grid.reset();
    source.reset();
    table.reset();
    QDir::setCurrent(previous);
  }

  QTemporaryDir directory;
  QString previous;
  std::unique_ptr<dravlik::TTable> table;
  std::unique_ptr<dravlik::TDataSource> source;
  std::unique_ptr<TDBGrid> grid;
};

// Rows of all six columns, numbers with a decimal point.
QString Block(int rows) {
  QString text;
  for (int i = 0; i < rows; ++i) {
    text += QStringLiteral("BK \t%1\t%2\t%3.5\t%4.25\t0.5\n").arg(i % 40).arg(i).arg(i % 50).arg(i % 70);
  }
  return text;
}

constexpr int kPastedRows = 1000;

void BM_Paste1000Rows(benchmark::State& state) {
  const QString block = Block(kPastedRows);
  for (auto _ : state) {
    state.PauseTiming();
    auto scene = std::make_unique<PasteScene>(kPastedRows);
    state.ResumeTiming();
    scene->grid->Paste(block);
    QCoreApplication::processEvents();
    state.PauseTiming();
    if (scene->grid->History().UndoSteps() != 1) state.SkipWithError("paste not recorded");
    scene.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Paste1000Rows)->Unit(benchmark::kMillisecond);

void BM_UndoPasteOf1000Rows(benchmark::State& state) {
  const QString block = Block(kPastedRows);
  for (auto _ : state) {
    state.PauseTiming();
    auto scene = std::make_unique<PasteScene>(kPastedRows);
    scene->grid->Paste(block);
    QCoreApplication::processEvents();
    state.ResumeTiming();
    scene->grid->Undo();
    QCoreApplication::processEvents();
    state.PauseTiming();
    if (scene->grid->History().CanUndo()) state.SkipWithError("paste not undone");
    scene.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_UndoPasteOf1000Rows)->Unit(benchmark::kMillisecond);

// The worst case of undoing a delete: the engine appends, so every record
// after the first of the height-diameter table's 32,708 moves one row on.
void BM_UndoDeleteOfTheFirstOf32708Rows(benchmark::State& state) {
  PasteScene scene(32708);
  dravlik::TTable& table = *scene.table;
  for (auto _ : state) {
    state.PauseTiming();
    table.MoveTo(0);
    const dravlik::RecordValues values = dravlik::CurrentValues(table);
    table.Delete();
    scene.grid->History().RecordDelete(0, values);
    state.ResumeTiming();
    scene.grid->Undo();
    QCoreApplication::processEvents();
  }
  if (table.RecordCount() != 32708) state.SkipWithError("delete not undone");
}
BENCHMARK(BM_UndoDeleteOfTheFirstOf32708Rows)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  dravlik::TApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
