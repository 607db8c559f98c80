// The site-index tool: the inversion's value to its last digit, the warning
// outside the species' range, arithmetic errors in place of a number, the
// stand among the height curves, and the ways in from a grid and a curves window.
#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLegendMarker>
#include <QMenu>
#include <QPushButton>
#include <QScatterSeries>
#include <QTabWidget>
#include <QVBoxLayout>
#include <map>

#include "data_source.h"
#include "db_grid.h"
#include "diameter.h"
#include "error_text.h"
#include "grid_commands.h"
#include "growth_chart.h"
#include "growth_curves_window.h"
#include "height_by_site_index.h"
#include "numeric.h"
#include "schemas.h"
#include "site_index_tool.h"
#include "table.h"
#include "window_test_support.h"

namespace dravlik {

namespace {

constexpr vzorce::SpeciesIndex kSpruce = 0;  // "SM ", site indices 14 to 38
constexpr vzorce::SpeciesIndex kPine = 1;    // "BO "

struct Stand {
  vzorce::SpeciesIndex species;
  double age;
  double height;
};

// The scatter points by their legend name.
std::map<QString, QList<QPointF>> Marks(QChartView* view) {
  std::map<QString, QList<QPointF>> marks;
  for (QAbstractSeries* series : view->chart()->series()) {
    if (auto* scatter = qobject_cast<QScatterSeries*>(series)) marks[scatter->name()] += scatter->points();
  }
  return marks;
}

// Without the mnemonics' ampersands.
QString PlainText(const QAction& action) { return QString(action.text()).remove(u'&'); }

QStringList MenuTexts(const QMenu& menu) {
  QStringList texts;
  for (const QAction* action : menu.actions()) texts << PlainText(*action);
  return texts;
}

}  // namespace

class SiteIndexToolTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    directory_ = std::make_unique<testing::FreshDirectory>();
    dialogs_ = &testing::InstallRecordingDialogs();
  }

  void cleanup() {
    tool_.reset();
    host_.reset();
    table_.reset();
    directory_.reset();
    QLocale::setDefault(QLocale::c());
    QVERIFY(TApplication::Instance()->InstallTranslation(QLocale::c()));
    QVERIFY2(dialogs_->errors.empty(), qPrintable(dialogs_->ErrorTexts()));
  }

  void theToolShowsTheInversionsDoubleToItsLastDigitAndItsRoundedWhole() {
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    Open({kSpruce, 100, 30});
    QCOMPARE(tool_->windowTitle(), "Site index");
    QVERIFY(!tool_->isModal());
    QCOMPARE(tool_->Species()->count(), int(vzorce::kModelledSpeciesCount));
    QCOMPARE(tool_->Species()->itemText(12), QString::fromUtf8("DG – Douglas fir"));
    const Stand stands[] = {{kSpruce, 80, 26}, {kPine, 60, 20.5}, {12, 100, 35.3}, {10, 50, 12.4}, {5, 150, 41.7}};
    for (const Stand& stand : stands) {
      Enter(stand);
      const double expected = vzorce::SiteIndexInversion(stand.species, stand.age, stand.height);
      const QString shown = tool_->SiteIndexText()->text();
      QCOMPARE(shown, ExactNumber(expected));
      QCOMPARE(QLocale().toDouble(shown), expected);  // every digit is there to read it back
      QCOMPARE(tool_->RoundedText()->text(), QString::number(vzorce::RoundToInteger(expected)));
    }
    QVERIFY(tool_->SiteIndexText()->text().contains(u','));
    // Typed, as the user does; the age is bounded by the species' oldest stand.
    tool_->Species()->setCurrentIndex(7);  // BR: up to 100 years
    QCOMPARE(tool_->Age()->maximum(), double(vzorce::MaximumAge(7)));
    tool_->show();
    QVERIFY(QTest::qWaitForWindowExposed(tool_.get()));
    tool_->Height()->setFocus();
    QTest::keyClick(tool_->Height(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(tool_->Height(), "22,4");
    QCOMPARE(tool_->Height()->value(), 22.4);
    QCOMPARE(tool_->SiteIndexText()->text(), ExactNumber(vzorce::SiteIndexInversion(7, 100, 22.4)));
  }

  void aHeightNoSiteIndexReachesIsFlaggedAsTheEstimateUntilItIsBackInRange() {
    Open({kSpruce, 100, 30});
    QVERIFY(tool_->Warning()->isHidden());
    const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(kSpruce);
    for (double height : {55.0, 3.0}) {
      Enter({kSpruce, 100, height});
      const double estimate = vzorce::SiteIndexInversion(kSpruce, 100, height);
      QVERIFY(estimate < range.lowest || estimate > range.highest);
      QVERIFY(!tool_->Warning()->isHidden());
      QCOMPARE(tool_->Warning()->text(), "The inversion's estimate, outside the site index range 14–38.");
      QCOMPARE(tool_->SiteIndexText()->text(), ExactNumber(estimate));
    }
    Enter({kSpruce, 100, 30});
    QVERIFY(tool_->Warning()->isHidden());
    // Another species, another range.
    Enter({10, 100, 30});
    QVERIFY(vzorce::SiteIndexInversion(10, 100, 30) > vzorce::SiteIndexRangeOf(10).highest);
    QCOMPARE(tool_->Warning()->text(), "The inversion's estimate, outside the site index range 10–22.");
  }

  void anArithmeticErrorShowsItsTextInsteadOfANumber() {
    Open({kSpruce, 100, 30});
    QString message;
    try {
      vzorce::SiteIndexInversion(kSpruce, 0, 30);
    } catch (const vzorce::FloatingPointError& error) {
      message = QString::fromLocal8Bit(error.what());
    }
    QVERIFY(!message.isEmpty());
    Enter({kSpruce, 55, 60});  // flagged first, so that the error must clear the flag
    QVERIFY(!tool_->Warning()->isHidden());
    Enter({kSpruce, 0, 30});
    QCOMPARE(tool_->SiteIndexText()->text(), ErrorBoxText(message));
    QCOMPARE(tool_->RoundedText()->text(), QString::fromUtf8("–"));
    QVERIFY(tool_->Warning()->isHidden());
    Enter({kSpruce, 1, 30});
    QCOMPARE(tool_->SiteIndexText()->text(), ExactNumber(vzorce::SiteIndexInversion(kSpruce, 1, 30)));
  }

  void theStandIsMarkedAtItsAgeAndHeightAmongTheHeightCurves() {
    Open({kPine, 70, 23.6});
    QTest::mouseClick(tool_->CurvesButton(), Qt::LeftButton);
    auto* window = tool_->findChild<GrowthCurvesWindow*>();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowTitle(), QString::fromUtf8("Growth curves – BO (Scots pine)"));
    QCOMPARE(window->Tabs()->currentIndex(), int(GrowthCurvesWindow::kHeightTab));
    QChartView* heights = window->View(GrowthCurvesWindow::kHeightTab);
    const auto marks = Marks(heights);
    QCOMPARE(marks.size(), std::size_t(1));  // the stand is the row: one mark
    QCOMPARE(marks.at("Stand"), QList<QPointF>{QPointF(70, 23.6)});
    QVERIFY(Marks(window->View(GrowthCurvesWindow::kDiameterTab)).empty());
    QStringList legend;
    for (QLegendMarker* marker : heights->chart()->legend()->markers()) legend << marker->label();
    QVERIFY(legend.contains("Stand"));
    QCOMPARE(window->VolumeHeight()->value(), 23.6);
  }

  void theStandIsDrawnBesideTheCurrentRowAndNotWhereItWouldSquashTheCurves() {
    GrowthCurvesWindow window({kSpruce, 30, 100, 30, 35, QPointF(90, 28.5)});
    auto marks = Marks(window.View(GrowthCurvesWindow::kHeightTab));
    QCOMPARE(marks.at("Current row"), QList<QPointF>{QPointF(100, 30)});  // the row's own height
    QCOMPARE(marks.at("Stand"), QList<QPointF>{QPointF(90, 28.5)});
    for (QPointF stand : {QPointF(151, 30), QPointF(100, 81), QPointF(-1, 30)}) {
      GrowthCurvesWindow outside({kSpruce, std::nullopt, std::nullopt, std::nullopt, std::nullopt, stand});
      QVERIFY(Marks(outside.View(GrowthCurvesWindow::kHeightTab)).empty());
    }
  }

  void theCurvesWindowOpensTheToolForItsSpeciesAndRow() {
    GrowthCurvesWindow window({kPine, 22, 60, 20.5, std::nullopt});
    auto* button = window.findChild<QPushButton*>("siteIndex");
    QVERIFY(button);
    QCOMPARE(button->text(), QString::fromUtf8("Site index…"));
    QCOMPARE(button->parentWidget(), window.findChild<QPushButton*>("savePng")->parentWidget());
    QTest::mouseClick(button, Qt::LeftButton);
    auto* tool = window.findChild<SiteIndexTool*>();
    QVERIFY(tool && tool->isVisible());
    QCOMPARE(int(tool->CurrentSpecies()), int(kPine));
    QCOMPARE(tool->Age()->value(), 60.0);
    QCOMPARE(tool->Height()->value(), 20.5);
    QCOMPARE(tool->SiteIndexText()->text(), ExactNumber(vzorce::SiteIndexInversion(kPine, 60, 20.5)));
  }

  void theGridsMenuOffersTheToolWhileTheTableIsOpenAndFillsItFromTheRow() {
    MakeTable(MakeSiteClassTable(), [](TTable& table) {
      table.FieldByName("DREVINA").SetAsString("MD ");
      table.FieldByName("VEK").SetAsInteger(85);
      table.FieldByName("VYSKA").SetAsFloat(27.3);
    });
    ShowGrid();
    QMenu* menu = OpenMenu();
    QVERIFY(menu);
    const QStringList texts = MenuTexts(*menu);
    QCOMPARE(texts.indexOf("Site index…"), texts.indexOf("Growth curves…") + 1);
    QVERIFY(menu->actions().at(texts.indexOf("Site index…"))->isEnabled());
    Choose(menu, "Site index…");
    SiteIndexTool* tool = grid_->findChild<SiteIndexTool*>();
    QVERIFY(tool && tool->isVisible());
    QCOMPARE(int(tool->CurrentSpecies()), 2);
    QCOMPARE(tool->Age()->value(), 85.0);
    QCOMPARE(tool->Height()->value(), 27.3);
    QCOMPARE(tool->SiteIndexText()->text(), ExactNumber(vzorce::SiteIndexInversion(2, 85, 27.3)));

    table_->Close();
    QMenu closed;
    grid_->findChild<GridCommands*>()->AddMenuEntries(closed);
    for (QAction* action : closed.actions()) {
      if (PlainText(*action) == "Site index…") QVERIFY(!action->isEnabled());
    }
    QVERIFY(MenuTexts(closed).contains("Site index…"));
  }

  void aRowWithoutWhatTheToolNeedsLeavesTheDefaults() {
    MakeTable(MakeSiteClassTable(), [](TTable& table) {
      table.FieldByName("DREVINA").SetAsString("KR ");
      table.FieldByName("VEK").SetAsInteger(40);
    });
    SiteIndexTool* tool = ShowSiteIndexTool(nullptr, *table_);
    tool_.reset(tool);
    QCOMPARE(int(tool->CurrentSpecies()), 0);
    QCOMPARE(tool->Age()->value(), 100.0);
    QCOMPARE(tool->Height()->value(), 30.0);

    MakeTable(MakeHeightDiameterTable(), [](TTable& table) {
      table.FieldByName("drevina").SetAsString("BK ");
      table.FieldByName("vyska").SetAsFloat(31.2);
    });
    tool = ShowSiteIndexTool(nullptr, *table_);
    tool_.reset(tool);
    QCOMPARE(int(tool->CurrentSpecies()), 5);
    QCOMPARE(tool->Age()->value(), 100.0);  // the table has no age
    QCOMPARE(tool->Height()->value(), 31.2);
    QVERIFY(dialogs_->errors.empty());
  }

  void theToolStaysWithinTheScreensAvailableArea() {
    host_ = std::make_unique<QWidget>();
    host_->setGeometry(1500, 900, 300, 200);  // near the far corner of the screen
    tool_ = std::make_unique<SiteIndexTool>(StandInput{kSpruce, 100, 30}, host_.get());
    tool_->setAttribute(Qt::WA_DeleteOnClose, false);
    const QRect available(800, 0, 800, 500);  // 1600×1000 pixels at scale 2, right of another screen
    tool_->FitTo(available);
    tool_->show();
    QVERIFY(QTest::qWaitForWindowExposed(tool_.get()));
    QVERIFY(available.contains(tool_->frameGeometry()));
  }

  void aCzechUserReadsCzechTexts() {
    QVERIFY(TApplication::Instance()->InstallTranslation(QLocale(QLocale::Czech)));
    Open({kSpruce, 100, 60});
    QCOMPARE(tool_->windowTitle(), "Bonitace");
    QCOMPARE(tool_->Species()->itemText(0), QString::fromUtf8("SM – smrk"));
    QCOMPARE(tool_->Warning()->text(), QString::fromUtf8("Odhad inverze mimo rozsah bonit 14–38."));
    QCOMPARE(tool_->CurvesButton()->text(), QString::fromUtf8("Růstové křivky…"));
    QTest::mouseClick(tool_->CurvesButton(), Qt::LeftButton);
    auto* window = tool_->findChild<GrowthCurvesWindow*>();
    QVERIFY(window);
    QVERIFY(Marks(window->View(GrowthCurvesWindow::kHeightTab)).count("Porost"));
    QCOMPARE(window->findChild<QPushButton*>("siteIndex")->text(), QString::fromUtf8("Bonitace…"));

    MakeTable(MakeSiteClassTable(), [](TTable&) {});
    ShowGrid();
    QMenu* menu = OpenMenu();
    QVERIFY(menu);
    QVERIFY(MenuTexts(*menu).contains(QString::fromUtf8("Bonitace…")));
    menu->close();
  }

 private:
  void Open(const Stand& stand) {
    tool_ = std::make_unique<SiteIndexTool>(StandInput{stand.species, stand.age, stand.height});
    tool_->setAttribute(Qt::WA_DeleteOnClose, false);
  }

  void Enter(const Stand& stand) {
    tool_->Species()->setCurrentIndex(stand.species);
    tool_->Age()->setValue(stand.age);
    tool_->Height()->setValue(stand.height);
  }

  // One record, filled by `fill`, current.
  template <class Fill>
  void MakeTable(std::unique_ptr<TTable> table, Fill fill) {
    host_.reset();
    table_ = std::move(table);
    table_->CreateTable();
    table_->Open();
    table_->Append();
    fill(*table_);
    table_->Post();
    table_->Close();
    table_->Open();
  }

  void ShowGrid() {
    host_ = std::make_unique<QWidget>();
    auto* source = new TDataSource(*table_, host_.get());
    grid_ = new TDBGrid(*source, host_.get());
    new GridCommands(*grid_);
    (new QVBoxLayout(host_.get()))->addWidget(grid_);
    host_->resize(500, 300);
    QVERIFY(testing::ShowWithFocus(*host_, *grid_));
  }

  QMenu* OpenMenu() {
    const QPoint at = grid_->visualRect(grid_->model()->index(0, 0)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid_->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid_->viewport(), &event);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
  }

  void Choose(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
      if (PlainText(*action) != text) continue;
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
      QCoreApplication::processEvents();
      return;
    }
    QFAIL("no such entry");
  }

  std::unique_ptr<testing::FreshDirectory> directory_;
  testing::RecordingDialogs* dialogs_ = nullptr;
  std::unique_ptr<TTable> table_;
  std::unique_ptr<QWidget> host_;
  TDBGrid* grid_ = nullptr;
  std::unique_ptr<SiteIndexTool> tool_;
};

}  // namespace dravlik

PDRAVLIK_WINDOW_TEST_MAIN(dravlik::SiteIndexToolTest)
#include "site_index_tool_test.moc"
