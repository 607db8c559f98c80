#include "sp_dravlik.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>

#include "application.h"
#include "data_source.h"
#include "db_grid.h"
#include "grid_commands.h"
#include "grid_splitter.h"
#include "height_diameter_table.h"
#include "pending_record.h"
#include "schemas.h"
#include "site_class_table.h"
#include "status_line.h"

namespace dravlik {
namespace {

// The client area of the window as designed: the panel's top and height, and
// its width.
constexpr int kClientWidth = 697;
constexpr int kClientHeight = 309 + 65;
constexpr int kPanelHeight = 65;
// The grids as designed: DBGrid2 starts on DBGrid1's last column of pixels.
constexpr int kBoundary = 368;
constexpr int kGrid1Height = 283;
constexpr int kGrid2Height = 281;
// Neither grid is dragged narrower than this.
constexpr int kNarrowestGrid = 40;
// The strip of the panel below the buttons.
constexpr int kStatusTop = 49;
constexpr int kStatusHeight = 15;
constexpr int kStatusMargin = 16;

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

  Panel1 = new TPanel(QStringLiteral("Panel1"), this);
  Panel1->setObjectName(QStringLiteral("Panel1"));

  Button1 = new QPushButton(QStringLiteral("Proveď výpočet hmot dle bonit"), Panel1);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(16, 16, 185, 33);
  connect(Button1, &QPushButton::clicked, this, [this] {
    Status->Follow(*DBGrid1);
    ShowingErrors([this] { Button1Click(); });
  });

  Button2 = new QPushButton(QStringLiteral("Proveď výpočet hmot dle vyška a tloušťky "), Panel1);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setGeometry(376, 16, 249, 33);
  connect(Button2, &QPushButton::clicked, this, [this] {
    Status->Follow(*DBGrid2);
    ShowingErrors([this] { Button2Click(); });
  });

  DBGrid2 = new TDBGrid(*DataSource2, this);
  DBGrid2->setObjectName(QStringLiteral("DBGrid2"));

  // Copy, export, find and the growth curves, in each grid's context menu.
  new GridCommands(*DBGrid1);
  new GridCommands(*DBGrid2);

  Splitter = new GridSplitter(this);
  connect(Splitter, &GridSplitter::moved, this, &TSpDravlik::MoveBoundary);
  Status = new StatusLine(Panel1);
  Status->Follow(*DBGrid1);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FollowFocus(now); });
  LayOut();

  setTabOrder(DBGrid1, Button1);
  setTabOrder(Button1, Button2);
  setTabOrder(Button2, DBGrid2);
}

TSpDravlik::~TSpDravlik() {
  disconnect(qApp, nullptr, this, nullptr);
  // The grids follow the tables: they go first.
  delete DBGrid1;
  delete DBGrid2;
}

void TSpDravlik::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

void TSpDravlik::LayOut() {
  const int extraHeight = std::max(0, height() - kClientHeight);
  const int span = std::max(width(), kClientWidth);
  const int boundary = Boundary();
  DBGrid1->setGeometry(0, 0, boundary + 1, kGrid1Height + extraHeight);
  DBGrid2->setGeometry(boundary, 0, span - boundary, kGrid2Height + extraHeight);
  Splitter->setGeometry(boundary - 2, 0, 4, kGrid2Height + extraHeight);
  Splitter->raise();
  Panel1->setGeometry(0, height() - kPanelHeight, width(), kPanelHeight);
  Status->setGeometry(kStatusMargin, kStatusTop, width() - 2 * kStatusMargin, kStatusHeight);
}

int TSpDravlik::Boundary() const {
  const int span = std::max(width(), kClientWidth);
  if (boundaryShare_ < 0) return kBoundary + (span - kClientWidth) * kBoundary / kClientWidth;
  return std::clamp(qRound(boundaryShare_ * span), kNarrowestGrid, span - kNarrowestGrid);
}

void TSpDravlik::MoveBoundary(int x) {
  boundaryShare_ = double(x) / std::max(width(), kClientWidth);
  LayOut();
}

void TSpDravlik::FollowFocus(QWidget* now) {
  for (TDBGrid* grid : {DBGrid1, DBGrid2}) {
    if (now && (now == grid || grid->isAncestorOf(now))) Status->Follow(*grid);
  }
}

void TSpDravlik::closeEvent(QCloseEvent* event) {
  if (PendingRecord::Settle(*DBGrid1) && PendingRecord::Settle(*DBGrid2)) {
    event->accept();
  } else {
    event->ignore();
  }
}

void TSpDravlik::Button1Click() { GenerateSiteClassTable(); }

void TSpDravlik::Button2Click() { GenerateHeightDiameterTable(); }

void TSpDravlik::GenerateSiteClassTable() { dravlik::GenerateSiteClassTable(*Table1); }

void TSpDravlik::GenerateHeightDiameterTable() { dravlik::GenerateHeightDiameterTable(*Table2); }

}  // namespace dravlik
