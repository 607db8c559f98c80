#include "sp_dravlik.h"

#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>

#include "application.h"
#include "data_source.h"
#include "db_grid.h"
#include "grid_commands.h"
#include "height_diameter_table.h"
#include "schemas.h"
#include "site_class_table.h"

namespace dravlik {
namespace {

// The client area of the window as designed: the panel's top and height, and
// its width.
constexpr int kClientWidth = 697;
constexpr int kClientHeight = 309 + 65;
constexpr int kPanelHeight = 65;

}  // namespace

QFont WindowFont() {
  static const bool substituted = [] {
    // Metric look-alikes first; the style hint catches whatever sans-serif is left.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"),
                                QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                QStringLiteral("Nimbus Sans"), QStringLiteral("Arial"),
                                QStringLiteral("Helvetica")});
    return true;
  }();
  (void)substituted;
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

TPanel::TPanel(const QString& caption, QWidget* parent) : QFrame(parent), caption_(caption) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(1);
}

void TPanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  painter.drawText(contentsRect(), Qt::AlignCenter, caption_);
}

TSpDravlik::TSpDravlik(TSession& session, QWidget* parent)
    : QWidget(parent), Table1(MakeSiteClassTable(session)), Table2(MakeHeightDiameterTable(session)) {
  setObjectName(QStringLiteral("SpDravlik"));
  setWindowTitle(QStringLiteral("SpDravlik"));
  setWindowIcon(MainIcon());
  setFont(WindowFont());
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  setPalette(colours);
  move(27, 107);
  resize(kClientWidth, kClientHeight);

  DataSource1 = new TDataSource(*Table1, this);
  DataSource1->setObjectName(QStringLiteral("DataSource1"));
  DataSource2 = new TDataSource(*Table2, this);
  DataSource2->setObjectName(QStringLiteral("DataSource2"));

  DBGrid1 = new TDBGrid(*DataSource1, this);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setGeometry(0, 0, 369, 283);

  Panel1 = new TPanel(QStringLiteral("Panel1"), this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(0, kClientHeight - kPanelHeight, kClientWidth, kPanelHeight);

  Button1 = new QPushButton(QStringLiteral("Proveď výpočet hmot dle bonit"), Panel1);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(16, 16, 185, 33);
  connect(Button1, &QPushButton::clicked, this, [this] { ShowingErrors([this] { Button1Click(); }); });

  Button2 = new QPushButton(QStringLiteral("Proveď výpočet hmot dle vyška a tloušťky "), Panel1);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setGeometry(376, 16, 249, 33);
  connect(Button2, &QPushButton::clicked, this, [this] { ShowingErrors([this] { Button2Click(); }); });

  DBGrid2 = new TDBGrid(*DataSource2, this);
  DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
  DBGrid2->setGeometry(368, 0, 329, 281);

  // Copy, export, find and the growth curves, in each grid's context menu.
  new GridCommands(*DBGrid1);
  new GridCommands(*DBGrid2);

  setTabOrder(DBGrid1, Button1);
  setTabOrder(Button1, Button2);
  setTabOrder(Button2, DBGrid2);
}

TSpDravlik::~TSpDravlik() {
  // The grids follow the tables: they go first.
  delete DBGrid1;
  delete DBGrid2;
}

void TSpDravlik::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Panel1->setGeometry(0, height() - kPanelHeight, width(), kPanelHeight);
}

void TSpDravlik::Button1Click() { GenerateSiteClassTable(); }

void TSpDravlik::Button2Click() { GenerateHeightDiameterTable(); }

void TSpDravlik::GenerateSiteClassTable() { dravlik::GenerateSiteClassTable(*Table1); }

void TSpDravlik::GenerateHeightDiameterTable() { dravlik::GenerateHeightDiameterTable(*Table2); }

}  // namespace dravlik
