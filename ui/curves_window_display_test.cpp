// The growth-curves window as the user sees it: the tooltip over a curve, the
// exported image, and the window on a small screen; real mouse events where
// the user acts.
#include <QChartView>
#include <QGraphicsScene>
#include <QHelpEvent>
#include <QImage>
#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QToolTip>
#include <optional>

#include "growth_curves_window.h"
#include "height_by_site_index.h"
#include "volume.h"
#include "window_test_support.h"

namespace dravlik {

namespace {

constexpr vzorce::SpeciesIndex kSpruce = 0;  // "SM ", a young-stand species

double Volume1(vzorce::SpeciesIndex species, double diameter, double height) {
  double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
  vzorce::Volume(species, diameter, height, v1, v2, v3, v4);
  return v1;
}

std::optional<double> ValueAt(const QList<QPointF>& points, double x) {
  for (const QPointF& point : points) {
    if (point.x() == x) return point.y();
  }
  return std::nullopt;
}

QString Text(const QRect& rect) {
  return QStringLiteral("%1,%2 %3×%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

// The segment of the named curve that holds `x`; the solid one where two do.
QLineSeries* CurveAt(QChartView* view, const QString& name, double x) {
  QLineSeries* found = nullptr;
  for (QAbstractSeries* series : view->chart()->series()) {
    auto* line = qobject_cast<QLineSeries*>(series);
    if (line && line->name() == name && ValueAt(line->points(), x) && (!found || line->pen().style() == Qt::SolidLine)) {
      found = line;
    }
  }
  return found;
}

// Where the curve's point at `x` shows in the view's viewport.
QPoint PointOf(QChartView* view, QLineSeries* curve, double x) {
  return view->mapFromScene(view->chart()->mapToPosition(QPointF(x, *ValueAt(curve->points(), x)), curve));
}

// The help events the scene gets; it hides any tip over items without one.
class SceneHelpCounter : public QObject {
 public:
  explicit SceneHelpCounter(QObject* scene) { scene->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    count += event->type() == QEvent::GraphicsSceneHelp;
    return false;
  }
  int count = 0;
};

}  // namespace

class CurvesWindowDisplayTest : public QObject {
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
    QVERIFY(dialogs_->fileNames.empty());
  }

  void theTooltipStaysOnACurveAndFollowsItWithTheTablesPrecision() {
    Open({kSpruce, 30, 100, std::nullopt, std::nullopt});
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QChartView* view = window_->View(GrowthCurvesWindow::kHeightTab);
    QLineSeries* curve = CurveAt(view, "Site index 30", 120);
    QVERIFY(curve);
    const QPoint at120 = PointOf(view, curve, 120);
    QTest::mouseMove(view->viewport(), at120 + QPoint(0, 6));
    QTest::mouseMove(view->viewport(), at120);
    const QString tip120 = QStringLiteral("Site index 30\nAge: 120 years\nHeight: %1 m")
                               .arg(QLocale().toString(vzorce::HeightBySiteIndex(kSpruce, 120, 30), 'f', 1));
    QVERIFY(QToolTip::isVisible());  // at once, not after the toolkit's pause
    QCOMPARE(QToolTip::text(), tip120);

    // The mouse resting there: the toolkit's help event must not take the tip away.
    SceneHelpCounter sceneHelp(view->scene());
    QHelpEvent rest(QEvent::ToolTip, at120, view->viewport()->mapToGlobal(at120));
    QApplication::sendEvent(view->viewport(), &rest);
    QCOMPARE(sceneHelp.count, 0);
    QVERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), tip120);

    for (int age : {110, 100, 90}) {  // along the curve, never leaving it
      QTest::mouseMove(view->viewport(), PointOf(view, curve, age));
      QVERIFY2(QToolTip::text().contains(QStringLiteral("Age: %1 years").arg(age)), qPrintable(QToolTip::text()));
    }
    QVERIFY(QToolTip::isVisible());
    QTest::mouseMove(view->viewport(), view->mapFromScene(view->chart()->mapToPosition(QPointF(140, 2), curve)));
    QTRY_VERIFY(!QToolTip::isVisible());  // off every curve

    QTest::mouseClick(window_->Tabs()->tabBar(), Qt::LeftButton, {},
                      window_->Tabs()->tabBar()->tabRect(GrowthCurvesWindow::kVolumeTab).center());
    QChartView* volumes = window_->View(GrowthCurvesWindow::kVolumeTab);
    QLineSeries* volume = CurveAt(volumes, "Height 25 m", 60);
    QVERIFY(volume);
    QTest::mouseMove(volumes->viewport(), PointOf(volumes, volume, 60) + QPoint(0, 6));
    QTest::mouseMove(volumes->viewport(), PointOf(volumes, volume, 60));
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("Height 25 m\nDiameter: 60.0 cm\nVolume: %1 m³")
                                       .arg(QLocale().toString(Volume1(kSpruce, 60, 25), 'f', 2)));
  }

  void aCzechTooltipReadsCzechNumbersAndPlurals() {
    QLocale::setDefault(QLocale(QLocale::Czech));
    QVERIFY(TApplication::Instance()->InstallTranslation(QLocale(QLocale::Czech)));
    Open({kSpruce, 30, 100, std::nullopt, std::nullopt});
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QChartView* view = window_->View(GrowthCurvesWindow::kHeightTab);
    const std::pair<int, const char*> ages[] = {{73, "Věk: 73 let"}, {3, "Věk: 3 roky"}, {1, "Věk: 1 rok"}, {120, "Věk: 120 let"}};
    for (const auto& [age, text] : ages) {
      QLineSeries* curve = CurveAt(view, "Bonita 30", age);
      QVERIFY(curve);
      QTest::mouseMove(view->viewport(), PointOf(view, curve, age) + QPoint(0, 6));
      QTest::mouseMove(view->viewport(), PointOf(view, curve, age));
      QTRY_VERIFY2(QToolTip::text().contains(QString::fromUtf8(text)), qPrintable(QToolTip::text()));
    }
    QVERIFY2(QToolTip::text().endsWith(QStringLiteral("Výška: %1 m").arg(QString::number(
                                           vzorce::HeightBySiteIndex(kSpruce, 120, 30), 'f', 1).replace('.', ','))),
             qPrintable(QToolTip::text()));
    QCOMPARE(GrowthCurvesWindow::tr("%n years", nullptr, 1), QString::fromUtf8("1 rok"));
    TApplication::Instance()->InstallTranslation(QLocale(QLocale::English));
    QLocale::setDefault(QLocale::c());
  }

  void theWindowFitsASmallScreenWithItsButtonsOnIt() {
    Open({kSpruce, 30, 100, 30, 35});
    const QRect available(1600, 0, 800, 500);  // 1600×1000 pixels at scale 2, right of another screen
    window_->FitTo(available);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QVERIFY2(available.contains(window_->frameGeometry()), qPrintable(Text(window_->frameGeometry())));
    for (const char* name : {"savePng", "saveSvg", "siteIndex"}) {
      auto* button = window_->findChild<QPushButton*>(name);
      const QRect onScreen(button->mapToGlobal(QPoint(0, 0)), button->size());
      QVERIFY2(button->isVisible() && available.contains(onScreen), name);
    }
  }

  void aPngIsSavedWhiteToItsCornersAtTheSizeChosen() {
    Open({kSpruce, 30, 100, 30, 35});
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    window_->ImageWidth()->setValue(640);
    window_->ImageHeight()->setValue(1200);
    dialogs_->fileNames = {"chosen.png"};
    QTest::mouseClick(window_->findChild<QPushButton*>("savePng"), Qt::LeftButton);
    const QImage image("chosen.png");
    QCOMPARE(image.size(), QSize(640, 1200));
    for (QPoint corner : {QPoint(0, 0), QPoint(639, 0), QPoint(0, 1199), QPoint(639, 1199), QPoint(3, 600)}) {
      QCOMPARE(image.pixelColor(corner), QColor(Qt::white));
    }
    int drawn = 0;  // the curves, axes and texts
    for (int y = 0; y < image.height(); y += 4) {
      for (int x = 0; x < image.width(); x += 4) drawn += image.pixelColor(x, y) != QColor(Qt::white);
    }
    QVERIFY2(drawn > 1000, qPrintable(QString::number(drawn)));
  }

 private:
  void Open(const CurvesRow& row) {
    window_ = std::make_unique<GrowthCurvesWindow>(row);
    window_->setAttribute(Qt::WA_DeleteOnClose, false);
  }

  std::unique_ptr<testing::FreshDirectory> directory_;
  testing::RecordingDialogs* dialogs_ = nullptr;
  std::unique_ptr<GrowthCurvesWindow> window_;
};

}  // namespace dravlik

PDRAVLIK_WINDOW_TEST_MAIN(dravlik::CurvesWindowDisplayTest)
#include "curves_window_display_test.moc"
