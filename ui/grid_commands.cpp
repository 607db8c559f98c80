#include "grid_commands.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <stdexcept>
#include <vector>

#include "application.h"
#include "csv_export.h"
#include "data_source.h"
#include "db_grid.h"
#include "edit_history.h"
#include "find_bar.h"
#include "grid_clipboard.h"
#include "growth_curves_window.h"
#include "pending_record.h"
#include "site_index_tool.h"
#include "table.h"

namespace dravlik {
namespace {

// What an entry needs of the table to be offered.
enum class Needs { Nothing, OpenTable, Record, Modifiable, ModifiableRecord, Undo, Redo };

struct Entry {
  const char* text;  // null for a separator
  QKeySequence keys;
  // Where the platform has more than one binding (Ctrl+Insert copies too).
  QKeySequence::StandardKey standardKeys;
  Needs needs;
  void (GridCommands::*command)();
};

// The context menu, and the keys that give the same commands.
const std::vector<Entry>& Entries() {
  static const std::vector<Entry> entries = {
      {QT_TRANSLATE_NOOP("dravlik::GridCommands", "&Copy"), QKeySequence::Copy, QKeySequence::Copy, Needs::Record, &GridCommands::Copy},
      {QT_TRANSLATE_NOOP("dravlik::GridCommands", "&Paste"), QKeySequence::Paste, QKeySequence::Paste,
       Needs::Modifiable, &GridCommands::Paste},
      {QT_TRANSLATE_NOOP("dravlik::GridCommands", "C&lear cell"), QKeySequence(Qt::Key_Delete),
       QKeySequence::UnknownKey, Needs::ModifiableRecord, &GridCommands::ClearCell},
      {QT_TRANSLATE_NOOP("dravlik::GridCommands", "&Undo"), QKeySequence::Undo, QKeySequence::Undo, Needs::Undo,
       &GridCommands::Undo},
      // Ctrl+Y as spreadsheets have it, and the platform's own binding too.
      {QT_TRANSLATE_NOOP("dravlik::GridCommands", "&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence::Redo,
       Needs::Redo, &GridCommands::Redo},
      {nullptr, {}, QKeySequence::UnknownKey, Needs::Nothing, nullptr},
      {QT_TRANSLATE_NOOP("dravlik::GridCommands", "&Export to CSV…"), QKeySequence(Qt::CTRL | Qt::Key_E),
       QKeySequence::UnknownKey, Needs::OpenTable, &GridCommands::ExportCsv},
      {QT_TRANSLATE_NOOP("dravlik::GridCommands", "&Find…"), QKeySequence::Find, QKeySequence::Find, Needs::OpenTable,
       &GridCommands::OpenFind},
      {QT_TRANSLATE_NOOP("dravlik::GridCommands", "&Open saved table"), QKeySequence(Qt::CTRL | Qt::Key_O),
       QKeySequence::UnknownKey, Needs::Nothing, &GridCommands::OpenSavedTable},
      {nullptr, {}, QKeySequence::UnknownKey, Needs::Nothing, nullptr},
      {QT_TRANSLATE_NOOP("dravlik::GridCommands", "&Growth curves…"), QKeySequence(Qt::CTRL | Qt::Key_K),
       QKeySequence::UnknownKey, Needs::Record, &GridCommands::ShowGrowthCurves},
      {QT_TRANSLATE_NOOP("dravlik::GridCommands", "&Site index…"), {}, QKeySequence::UnknownKey, Needs::OpenTable,
       &GridCommands::ShowSiteIndex},
  };
  return entries;
}

bool Offered(const Entry& entry, const TDBGrid& grid) {
  const TTable& table = grid.DataSource().DataSet();
  const bool record = table.Active() && table.CurrentRow() >= 0;
  switch (entry.needs) {
    case Needs::Nothing:
      return true;
    case Needs::OpenTable:
      return table.Active();
    case Needs::Record:
      return record;
    case Needs::Modifiable:
      return table.CanModify();
    case Needs::ModifiableRecord:
      return record && table.CanModify();
    case Needs::Undo:
      return table.Active() && (grid.History().CanUndo() || table.State() == dsEdit || table.State() == dsInsert);
    case Needs::Redo:
      return table.Active() && grid.History().CanRedo();
  }
  return false;
}

bool Matches(const QKeyEvent& key, const Entry& entry) {
  if (entry.standardKeys != QKeySequence::UnknownKey && key.matches(entry.standardKeys)) return true;
  const QKeyCombination pressed(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key()));
  return !entry.keys.isEmpty() && QKeySequence(pressed) == entry.keys;
}

bool OpensMenu(const QKeyEvent& key) {
  const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
  return (key.key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
         (key.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
}

}  // namespace

GridCommands::GridCommands(TDBGrid& grid) : QObject(&grid), grid_(grid) {
  setObjectName(QStringLiteral("GridCommands"));
  grid_.installEventFilter(this);
  grid_.setContextMenuPolicy(Qt::CustomContextMenu);
  connect(&grid_, &QWidget::customContextMenuRequested, this, &GridCommands::ShowMenu);
}

TTable& GridCommands::Table() const { return grid_.DataSource().DataSet(); }

void GridCommands::Run(void (GridCommands::*command)()) {
  ShowingErrors([&] { (this->*command)(); });
}

void GridCommands::Copy() { CopySelectedCells(grid_); }

void GridCommands::Paste() { grid_.Paste(QGuiApplication::clipboard()->text()); }

void GridCommands::ClearCell() { grid_.ClearCell(); }

void GridCommands::Undo() { grid_.Undo(); }

void GridCommands::Redo() { grid_.Redo(); }

void GridCommands::ExportCsv() {
  TTable& table = Table();
  if (!table.Active()) return;
  const QString name = QFileInfo(QString::fromStdString(table.TableName())).completeBaseName() + QStringLiteral(".csv");
  // The form the user's spreadsheet opens as numbers comes first.
  const QString commaForm = tr("CSV with decimal commas and semicolons (*.csv)");
  const QString plainForm = tr("CSV with decimal points and commas (*.csv)");
  const bool commaLocale = QLocale().decimalPoint() == QStringLiteral(",");
  const QStringList forms = commaLocale ? QStringList{commaForm, plainForm} : QStringList{plainForm, commaForm};
  QString chosen;
  const QString path = TApplication::Instance()->Dialogs().SaveFileName(
      &grid_, tr("Export to CSV"), QDir::current().filePath(name), forms.join(QStringLiteral(";;")), &chosen);
  if (path.isEmpty()) return;
  WriteCsvFile(table, QFile::encodeName(path).toStdString(), chosen == commaForm ? kDecimalCommaCsv : kPlainCsv);
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

void GridCommands::OpenSavedTable() {
  TTable& table = Table();
  const QFileInfo file(QString::fromStdString(table.TableName()));
  if (!file.exists()) {
    throw std::runtime_error(
        tr("The table file %1 does not exist; its button creates it").arg(file.absoluteFilePath()).toStdString());
  }
  if (!PendingRecord::Settle(grid_)) return;
  // Open leaves an open table as it is; closing first reads the file afresh.
  if (table.Active()) table.Close();
  table.Open();
  grid_.setFocus();
}

void GridCommands::ShowGrowthCurves() { dravlik::ShowGrowthCurves(&grid_, Table()); }

void GridCommands::ShowSiteIndex() { ShowSiteIndexTool(&grid_, Table()); }

void GridCommands::AddMenuEntries(QMenu& menu) {
  for (const Entry& entry : Entries()) {
    if (!entry.text) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(tr(entry.text));
    action->setShortcut(entry.keys);
    action->setEnabled(Offered(entry, grid_));
    const auto command = entry.command;
    connect(action, &QAction::triggered, this, [this, command] { Run(command); });
  }
}

void GridCommands::ShowMenu(const QPoint& position) {
  auto* menu = new QMenu(&grid_);
  menu->setObjectName(QStringLiteral("GridMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  AddMenuEntries(*menu);
  menu->popup(grid_.viewport()->mapToGlobal(position));
}

void GridCommands::ShowMenuAtCurrentCell() {
  const QModelIndex current = grid_.currentIndex();
  ShowMenu(current.isValid() ? grid_.visualRect(current).center() : QPoint(0, 0));
}

bool GridCommands::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &grid_ || event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  const auto& key = static_cast<const QKeyEvent&>(*event);
  if (OpensMenu(key)) {
    ShowMenuAtCurrentCell();
    return true;
  }
  if (key.matches(QKeySequence::FindNext)) {
    if (!Table().Active()) return false;
    Run(&GridCommands::FindNext);
    return true;
  }
  for (const Entry& entry : Entries()) {
    if (!entry.text || !Matches(key, entry)) continue;
    if (!Offered(entry, grid_)) return false;
    Run(entry.command);
    return true;
  }
  return false;
}

}  // namespace dravlik
