// The growth-curves window: the models' values in its series, the current row
// on its curve, gaps where a model raises, saving the charts, driven by real
// key and mouse events where the user acts.
#include <QChartView>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QSvgRenderer>
#include <QTabBar>
#include <QTabWidget>
#include <map>

#include "diameter.h"
#include "growth_curves_window.h"
#include "height_by_site_index.h"
#include "numeric.h"
#include "schemas.h"
#include "table.h"
#include "volume.h"
#include "window_test_support.h"

namespace dravlik {

namespace {

constexpr vzorce::SpeciesIndex kSpruce = 0;  // "SM ", a young-stand species
constexpr vzorce::SpeciesIndex kPine = 1;    // "BO "

double Volume1(vzorce::SpeciesIndex species, double diameter, double height) {
  double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
  vzorce::Volume(species, diameter, height, v1, v2, v3, v4);
  return v1;
}

// The points of every line series, by the curve they belong to.
std::map<QString, QList<QPointF>> CurvePoints(QChartView* view) {
  std::map<QString, QList<QPointF>> curves;
  for (QAbstractSeries* series : view->chart()->series()) {
    if (auto* line = qobject_cast<QLineSeries*>(series)) curves[line->name()] += line->points();
  }
  return curves;
}

std::optional<double> ValueAt(const QList<QPointF>& points, double x) {
  for (const QPointF& point : points) {
    if (point.x() == x) return point.y();
  }
  return std::nullopt;
}

QList<QPointF> MarkedPoints(QChartView* view) {
  QList<QPointF> points;
  for (QAbstractSeries* series : view->chart()->series()) {
    if (auto* scatter = qobject_cast<QScatterSeries*>(series)) points += scatter->points();
  }
  return points;
}

QStringList LegendLabels(QChartView* view) {
  QStringList labels;
  for (QLegendMarker* marker : view->chart()->legend()->markers()) {
    if (marker->isVisible()) labels << marker->label();
  }
  return labels;
}

// A height model that fails between the ages 40 and 45.
double HeightFailingAt40s(vzorce::SpeciesIndex species, double age, double siteIndex) {
  if (age >= 40 && age < 45) throw vzorce::DivisionByZeroError();
  return vzorce::HeightBySiteIndex(species, age, siteIndex);
}

// A volume model that fails at the diameter of 30 cm, after writing V1 as the
// real model does when its last step fails.
void VolumeFailingAt30(vzorce::SpeciesIndex species, double diameter, double height, double& v1, double& v2,
                       double& v3, double& v4) {
  vzorce::Volume(species, diameter, height, v1, v2, v3, v4);
  if (diameter == 30) throw vzorce::InvalidOperationError();
}

}  // namespace

class GrowthCurvesWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    directory_ = std::make_unique<testing::FreshDirectory>();
    dialogs_ = &testing::InstallRecordingDialogs();
  }

  void cleanup() {
    window_.reset();
    host_.reset();
    table_.reset();
    directory_.reset();
    QVERIFY2(dialogs_->errors.empty(), qPrintable(dialogs_->ErrorTexts()));
    QVERIFY(dialogs_->fileNames.empty());
  }

  void heightCurvesHoldTheModelsValuesAtEveryYearWithTheYoungStandDashed() {
    Open({kSpruce, 14, 50, std::nullopt, std::nullopt});
    window_->show();  // legend entries show with the chart
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QChartView* view = window_->View(GrowthCurvesWindow::kHeightTab);
    const auto curves = CurvePoints(view);
    QCOMPARE(curves.size(), std::size_t(13 + 1));  // site indices 14 to 38, and the legend's young-stand entry
    const QList<QPointF>& curve14 = curves.at("Site index 14");
    for (double age : {0.0, 1.0, 50.0, 52.0, 53.0, 100.0, 150.0}) {
      QCOMPARE(ValueAt(curve14, age), vzorce::HeightBySiteIndex(kSpruce, age, 14));
    }
    QCOMPARE(ValueAt(curves.at("Site index 38"), 77), vzorce::HeightBySiteIndex(kSpruce, 77, 38));
    QVERIFY(!ValueAt(curve14, 151));

    // Ages 0 to 52 take the young-stand path at site index 14; the dashed
    // segment reaches age 53 so that the curve does not break.
    for (QAbstractSeries* series : view->chart()->series()) {
      auto* line = qobject_cast<QLineSeries*>(series);
      if (!line || line->name() != "Site index 14") continue;
      const bool dashed = line->pen().style() == Qt::DashLine;
      QCOMPARE(line->points().front().x(), dashed ? 0.0 : 53.0);
      QCOMPARE(line->points().back().x(), dashed ? 53.0 : 150.0);
    }
    QVERIFY(vzorce::TakesYoungStandPath(kSpruce, 52, 14) && !vzorce::TakesYoungStandPath(kSpruce, 53, 14));

    QCOMPARE(MarkedPoints(view), QList<QPointF>{QPointF(50, vzorce::HeightBySiteIndex(kSpruce, 50, 14))});
    const QStringList legend = LegendLabels(view);
    QCOMPARE(legend.size(), 13 + 2);
    QCOMPARE(legend.front(), "Site index 14");
    QVERIFY(legend.contains("young-stand model") && legend.contains("Current row"));
    QCOMPARE(view->chart()->axes(Qt::Horizontal).front()->titleText(), "Age (years)");
    QCOMPARE(view->chart()->axes(Qt::Vertical).front()->titleText(), "Height (m)");
  }

  void diameterCurvesFollowTheTableAndLeaveAgeZeroOutWhereTheModelRaises() {
    Open({kSpruce, 28, 80, std::nullopt, std::nullopt});
    QChartView* view = window_->View(GrowthCurvesWindow::kDiameterTab);
    const QList<QPointF> curve28 = CurvePoints(view).at("Site index 28");
    for (double age : {15.0, 80.0, 150.0}) {
      QCOMPARE(ValueAt(curve28, age), vzorce::Diameter(kSpruce, age, vzorce::HeightBySiteIndex(kSpruce, age, 28)));
    }
    QVERIFY_THROWS_EXCEPTION(vzorce::DivisionByZeroError,
                             vzorce::Diameter(kSpruce, 0, vzorce::HeightBySiteIndex(kSpruce, 0, 28)));
    QVERIFY(!ValueAt(curve28, 0));
    QCOMPARE(curve28.size(), 150 + 1);  // ages 1 to 150, with age 27 twice where the dashed part joins
    QCOMPARE(MarkedPoints(view),
             QList<QPointF>{QPointF(80, vzorce::Diameter(kSpruce, 80, vzorce::HeightBySiteIndex(kSpruce, 80, 28)))});
    QCOMPARE(view->chart()->axes(Qt::Vertical).front()->titleText(), "Diameter (cm)");
  }

  void aRaisingModelLeavesAGapAndNoWrongPoint() {
    const vzorce::ModelSet failing{HeightFailingAt40s, vzorce::TakesYoungStandPath, vzorce::Diameter, VolumeFailingAt30};
    Open({kPine, 20, 42, 24, 30}, failing);
    QChartView* heights = window_->View(GrowthCurvesWindow::kHeightTab);
    for (const auto& [name, points] : CurvePoints(heights)) {
      for (const QPointF& point : points) QVERIFY2(point.x() < 40 || point.x() >= 45, qPrintable(name));
    }
    int segments20 = 0;
    for (QAbstractSeries* series : heights->chart()->series()) segments20 += series->name() == "Site index 20";
    QCOMPARE(segments20, 3);  // young stand to 25, 25 to 39, 45 to 150
    // The row's own values are marked though the model raises at its age.
    QCOMPARE(MarkedPoints(heights), QList<QPointF>{QPointF(42, 24)});
    QCOMPARE(MarkedPoints(window_->View(GrowthCurvesWindow::kDiameterTab)), QList<QPointF>{QPointF(42, 30)});

    QChartView* volumes = window_->View(GrowthCurvesWindow::kVolumeTab);
    const QList<QPointF> volume = CurvePoints(volumes).at("Height 24 m");
    QVERIFY(!ValueAt(volume, 30));
    QCOMPARE(ValueAt(volume, 29), Volume1(kPine, 29, 24));
    QCOMPARE(ValueAt(volume, 31), Volume1(kPine, 31, 24));
    QVERIFY(MarkedPoints(volumes).isEmpty());
    Open({kPine, 20, 42, std::nullopt, std::nullopt}, failing);  // nothing of its own: the model's value raises
    QVERIFY(MarkedPoints(window_->View(GrowthCurvesWindow::kHeightTab)).isEmpty());
    QVERIFY(MarkedPoints(window_->View(GrowthCurvesWindow::kDiameterTab)).isEmpty());
  }

  void aRowOutsideTheDrawnCurvesIsNotMarked() {
    Open({kSpruce, 30, 400, 30, 1e9});  // as a typing error in the grid may leave them
    QVERIFY(MarkedPoints(window_->View(GrowthCurvesWindow::kHeightTab)).isEmpty());
    QVERIFY(MarkedPoints(window_->View(GrowthCurvesWindow::kDiameterTab)).isEmpty());
    QChartView* volumes = window_->View(GrowthCurvesWindow::kVolumeTab);
    QVERIFY(MarkedPoints(volumes).isEmpty());
    QCOMPARE(CurvePoints(volumes).at("Height 30 m").size(), 81);
    Open({kSpruce, 8, 100, std::nullopt, std::nullopt});  // below the species' site indices, no values of its own
    QVERIFY(MarkedPoints(window_->View(GrowthCurvesWindow::kHeightTab)).isEmpty());
    Open({kSpruce, 30, 100, 95, 400});  // its own height and diameter typed wrong: no model value stands in
    QVERIFY(MarkedPoints(window_->View(GrowthCurvesWindow::kHeightTab)).isEmpty());
    QVERIFY(MarkedPoints(window_->View(GrowthCurvesWindow::kDiameterTab)).isEmpty());
  }

  void theCurrentRowOfTheSiteClassTableOpensItsSpecies() {
    MakeTable(MakeSiteClassTable(), [](TTable& table) {
      table.FieldByName("DREVINA").SetAsString("BO ");
      table.FieldByName("BONITA").SetAsInteger(22);
      table.FieldByName("VEK").SetAsInteger(60);
      table.FieldByName("VYSKA").SetAsFloat(20.5);
      table.FieldByName("TLOUSTKA").SetAsFloat(24.3);
    });
    GrowthCurvesWindow* window = ShowFor();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QString::fromUtf8("Growth curves – BO (Scots pine)"));
    QCOMPARE(window->View(GrowthCurvesWindow::kDiameterTab)->chart()->title(),
             "BO (Scots pine): diameter by age and site index");
    QVERIFY(window->isVisible() && !window->isModal() && window->isWindow());
    // The row's own height and diameter, as typed, not the model's at site index 22.
    QVERIFY(vzorce::HeightBySiteIndex(kPine, 60, 22) != 20.5);
    QCOMPARE(MarkedPoints(window->View(GrowthCurvesWindow::kHeightTab)), QList<QPointF>{QPointF(60, 20.5)});
    QCOMPARE(MarkedPoints(window->View(GrowthCurvesWindow::kDiameterTab)), QList<QPointF>{QPointF(60, 24.3)});
    QCOMPARE(window->VolumeHeight()->value(), 20.5);
    QCOMPARE(MarkedPoints(window->View(GrowthCurvesWindow::kVolumeTab)),
             QList<QPointF>{QPointF(24.3, Volume1(kPine, 24.3, 20.5))});
  }

  void theHeightDiameterTableMarksItsTreeOnTheVolumeCurveAtTheHeightTyped() {
    MakeTable(MakeHeightDiameterTable(), [](TTable& table) {
      table.FieldByName("drevina").SetAsString("SM ");
      table.FieldByName("vyska").SetAsInteger(25);
      table.FieldByName("tloustka").SetAsInteger(30);
    });
    GrowthCurvesWindow* window = ShowFor();
    QVERIFY(window);
    QVERIFY(MarkedPoints(window->View(GrowthCurvesWindow::kHeightTab)).isEmpty());
    QChartView* volumes = window->View(GrowthCurvesWindow::kVolumeTab);
    QCOMPARE(MarkedPoints(volumes), QList<QPointF>{QPointF(30, Volume1(kSpruce, 30, 25))});
    QCOMPARE(ValueAt(CurvePoints(volumes).at("Height 25 m"), 42), Volume1(kSpruce, 42, 25));

    QTest::mouseClick(window->Tabs()->tabBar(), Qt::LeftButton, {},
                      window->Tabs()->tabBar()->tabRect(GrowthCurvesWindow::kVolumeTab).center());
    QDoubleSpinBox* height = window->VolumeHeight();
    height->setFocus();
    QTest::keyClick(height, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(height, "31");
    QTest::keyClick(height, Qt::Key_Enter);
    QCOMPARE(height->value(), 31.0);
    volumes = window->View(GrowthCurvesWindow::kVolumeTab);
    const auto curves = CurvePoints(volumes);
    QCOMPARE(curves.size(), std::size_t(1));
    QCOMPARE(ValueAt(curves.at("Height 31 m"), 42), Volume1(kSpruce, 42, 31));
    QCOMPARE(curves.at("Height 31 m").size(), 81);  // 0 to 80 cm
    QVERIFY(MarkedPoints(volumes).isEmpty());  // the row's tree is 25 m tall
    QCOMPARE(volumes->chart()->axes(Qt::Vertical).front()->titleText(), QString::fromUtf8("Volume (m³)"));
  }

  void aRowWithoutModelledSpeciesGetsAMessageInsteadOfAWindow() {
    const auto species = [](const char* code) {
      return [code](TTable& table) { table.FieldByName("DREVINA").SetAsString(code); };
    };
    for (const char* code : {"KR ", ""}) {
      MakeTable(MakeSiteClassTable(), species(code));
      QVERIFY(!ShowFor());
      QCOMPARE(dialogs_->errors.size(), std::size_t(1));
      QCOMPARE(dialogs_->errors.front().caption, "Growth curves");
      QVERIFY2(dialogs_->errors.front().text.contains(*code ? "no growth models for the species \"KR\""
                                                            : "no species code"),
               qPrintable(dialogs_->errors.front().text));
      dialogs_->errors.clear();
    }
    table_ = MakeSiteClassTable();  // closed: no current row
    QVERIFY(!ShowFor());
    QCOMPARE(dialogs_->ErrorTexts(), "There is no current row to draw growth curves for.");
    dialogs_->errors.clear();
  }

  void savingWritesAValidPngAndSvgOfTheTabShown() {
    Open({kSpruce, 30, 100, 30, 35});
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QTest::mouseClick(window_->Tabs()->tabBar(), Qt::LeftButton, {},
                      window_->Tabs()->tabBar()->tabRect(GrowthCurvesWindow::kDiameterTab).center());
    QCOMPARE(window_->Tabs()->currentIndex(), int(GrowthCurvesWindow::kDiameterTab));

    dialogs_->fileNames = {"curves.png", "curves"};  // the second without a suffix: .svg is added
    QTest::mouseClick(window_->findChild<QPushButton*>("savePng"), Qt::LeftButton);
    QTest::mouseClick(window_->findChild<QPushButton*>("saveSvg"), Qt::LeftButton);
    QCOMPARE(dialogs_->suggestedFileNames, (QStringList{"SM Diameter.png", "SM Diameter.svg"}));

    const QImage image("curves.png");
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), window_->View(GrowthCurvesWindow::kDiameterTab)->size() * image.devicePixelRatio());
    QVERIFY(image.pixelColor(image.width() / 2, image.height() / 2).isValid());

    QFile svg("curves.svg");
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    QVERIFY(text.startsWith("<?xml") && text.contains("<svg"));
    QVERIFY(text.contains("Diameter (cm)"));
    QVERIFY(QSvgRenderer(text).isValid());
    QVERIFY(QDir().entryList(QDir::Files) == (QStringList{"curves.png", "curves.svg"}));  // nothing left over
  }

  void aFailedSaveSaysWhyAndACancelledOneWritesNothing() {
    Open({kSpruce, 30, 100, 30, 35});
    dialogs_->fileNames = {"missing/curves.png", ""};
    window_->SaveChart(ChartFormat::Png);
    QCOMPARE(dialogs_->errors.size(), std::size_t(1));
    QVERIFY2(dialogs_->errors.front().text.startsWith("The chart could not be saved: cannot write missing/curves.png"),
             qPrintable(dialogs_->errors.front().text));
    dialogs_->errors.clear();
    window_->SaveChart(ChartFormat::Svg);
    QVERIFY(dialogs_->errors.empty());
    QVERIFY(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
  }

  void aCzechUserReadsCzechTexts() {
    QVERIFY(TApplication::Instance()->InstallTranslation(QLocale(QLocale::Czech)));
    Open({kSpruce, 30, 100, 30, 35});
    TApplication::Instance()->InstallTranslation(QLocale(QLocale::English));
    QCOMPARE(window_->windowTitle(), QString::fromUtf8("Růstové křivky – SM (smrk)"));
    QCOMPARE(window_->View(GrowthCurvesWindow::kHeightTab)->chart()->title(),
             QString::fromUtf8("SM (smrk): výška podle věku a bonity"));
    QCOMPARE(window_->Tabs()->tabText(GrowthCurvesWindow::kDiameterTab), QString::fromUtf8("Tloušťka"));
    QChartView* view = window_->View(GrowthCurvesWindow::kHeightTab);
    QCOMPARE(view->chart()->axes(Qt::Horizontal).front()->titleText(), QString::fromUtf8("Věk (roky)"));
    QVERIFY(CurvePoints(view).count("Bonita 30"));
    QCOMPARE(window_->findChild<QPushButton*>("saveSvg")->text(), QString::fromUtf8("Uložit jako SVG…"));
  }

 private:
  void Open(const CurvesRow& row, const vzorce::ModelSet& models = {}) {
    window_ = std::make_unique<GrowthCurvesWindow>(row, nullptr, models);
    window_->setAttribute(Qt::WA_DeleteOnClose, false);
  }

  // One record, filled by `fill`, current.
  template <class Fill>
  void MakeTable(std::unique_ptr<TTable> table, Fill fill) {
    table_ = std::move(table);
    table_->CreateTable();
    table_->Open();
    table_->Append();
    fill(*table_);
    table_->Post();
    table_->Close();
    table_->Open();
  }

  // The window ShowGrowthCurves opened for the table, if any.
  GrowthCurvesWindow* ShowFor() {
    host_ = std::make_unique<QWidget>();
    ShowGrowthCurves(host_.get(), *table_);
    return host_->findChild<GrowthCurvesWindow*>();
  }

  std::unique_ptr<testing::FreshDirectory> directory_;
  testing::RecordingDialogs* dialogs_ = nullptr;
  std::unique_ptr<TTable> table_;
  std::unique_ptr<QWidget> host_;
  std::unique_ptr<GrowthCurvesWindow> window_;
};

}  // namespace dravlik

PDRAVLIK_WINDOW_TEST_MAIN(dravlik::GrowthCurvesWindowTest)
#include "growth_curves_window_test.moc"
