#include "grid_commands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>

#include "application.h"
#include "csv_export.h"
#include "data_source.h"
#include "db_grid.h"
#include "find_bar.h"
#include "grid_clipboard.h"
#include "growth_curves_window.h"
#include "site_index_tool.h"
#include "table.h"

namespace dravlik {

GridCommands::GridCommands(TDBGrid& grid) : QObject(&grid), grid_(grid) {
  setObjectName(QStringLiteral("GridCommands"));
  grid_.installEventFilter(this);
  grid_.setContextMenuPolicy(Qt::CustomContextMenu);
  connect(&grid_, &QWidget::customContextMenuRequested, this, &GridCommands::ShowMenu);
}

TTable& GridCommands::Table() const { return grid_.DataSource().DataSet(); }

void GridCommands::Copy() { CopySelectedCells(grid_); }

void GridCommands::ExportCsv() {
  TTable& table = Table();
  if (!table.Active()) return;
  const QString name = QFileInfo(QString::fromStdString(table.TableName())).completeBaseName() + QStringLiteral(".csv");
  const QString path = TApplication::Instance()->Dialogs().SaveFileName(
      &grid_, tr("Export to CSV"), QDir::current().filePath(name), tr("CSV files (*.csv);;All files (*)"));
  if (path.isEmpty()) return;
  WriteCsvFile(table, QFile::encodeName(path).toStdString());
}

void GridCommands::OpenFind() {
  if (!bar_) bar_ = new FindBar(grid_);
  bar_->Open();
}

void GridCommands::FindNext() {
  if (bar_ && bar_->isVisible()) {
    bar_->FindNext();
  } else {
    OpenFind();
  }
}

void GridCommands::ShowGrowthCurves() { dravlik::ShowGrowthCurves(&grid_, Table()); }

void GridCommands::ShowSiteIndex() { ShowSiteIndexTool(&grid_, Table()); }

void GridCommands::AddMenuEntries(QMenu& menu) {
  const bool active = Table().Active();
  const bool onRecord = active && Table().CurrentRow() >= 0;
  const auto add = [&](const QString& text, const QKeySequence& keys, bool enabled, void (GridCommands::*command)()) {
    QAction* action = menu.addAction(text);
    action->setShortcut(keys);
    action->setEnabled(enabled);
    connect(action, &QAction::triggered, this, [this, command] { ShowingErrors([&] { (this->*command)(); }); });
  };
  add(tr("Copy"), QKeySequence::Copy, onRecord, &GridCommands::Copy);
  add(tr("Export to CSV…"), {}, active, &GridCommands::ExportCsv);
  add(tr("Find…"), QKeySequence::Find, active, &GridCommands::OpenFind);
  menu.addSeparator();
  add(tr("Growth curves…"), {}, onRecord, &GridCommands::ShowGrowthCurves);
  add(tr("Site index…"), {}, active, &GridCommands::ShowSiteIndex);
}

void GridCommands::ShowMenu(const QPoint& position) {
  auto* menu = new QMenu(&grid_);
  menu->setObjectName(QStringLiteral("GridMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  AddMenuEntries(*menu);
  menu->popup(grid_.viewport()->mapToGlobal(position));
}

bool GridCommands::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &grid_ || event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  const auto& key = static_cast<const QKeyEvent&>(*event);
  void (GridCommands::*command)() = nullptr;
  if (key.matches(QKeySequence::Copy)) {
    command = &GridCommands::Copy;
  } else if (key.matches(QKeySequence::Find)) {
    command = &GridCommands::OpenFind;
  } else if (key.matches(QKeySequence::FindNext)) {
    command = &GridCommands::FindNext;
  }
  if (!command || !Table().Active()) return false;
  ShowingErrors([&] { (this->*command)(); });
  return true;
}

}  // namespace dravlik
