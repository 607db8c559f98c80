#include "grid_paste.h"

#include <QLocale>
#include <algorithm>
#include <stdexcept>

#include "edit_history.h"
#include "table.h"

namespace dravlik {
namespace {

// The grid shows numbers with the Qt locale's separator; a point is taken too,
// as spreadsheets in English and many files write it.
void StoreCell(TField& field, const QString& text) {
  const std::string bytes = text.toStdString();
  if (field.DataType() == ftFloat && !text.trimmed().isEmpty()) {
    const QString shown = QLocale().decimalPoint();
    const char separator = shown.size() == 1 ? shown.front().toLatin1() : '.';
    std::optional<double> number = ParseFloat(bytes, separator);
    if (!number) number = ParseFloat(bytes, '.');
    if (number) return field.SetAsFloat(*number);
  }
  // The field's own message for what it cannot take.
  field.SetText(bytes);
}

}  // namespace

CellBlock ParseCells(const QString& text) {
  CellBlock block;
  QStringList row;
  QString cell;
  bool quoted = false;
  bool cellStarted = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (quoted) {
      if (c != u'"') {
        cell += c;
      } else if (i + 1 < text.size() && text[i + 1] == u'"') {
        cell += c;
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == u'"' && !cellStarted) {
      quoted = cellStarted = true;
    } else if (c == u'\t') {
      row << std::exchange(cell, QString());
      cellStarted = false;
    } else if (c == u'\n' || c == u'\r') {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      row << std::exchange(cell, QString());
      block.push_back(std::exchange(row, QStringList()));
      cellStarted = false;
    } else {
      cell += c;
      cellStarted = true;
    }
  }
  if (cellStarted || !cell.isEmpty() || !row.isEmpty()) block.push_back(row << cell);
  return block;
}

void GridPaste::DropTitles(CellBlock& block, const TTable& table, int column) {
  if (block.empty()) return;
  const QStringList& first = block.front();
  if (column + first.size() > table.FieldCount()) return;
  for (qsizetype i = 0; i < first.size(); ++i) {
    if (first[i] != QString::fromStdString(table.Field(column + static_cast<int>(i)).DisplayName())) return;
  }
  block.erase(block.begin());
}

int GridPaste::Paste(TTable& table, EditHistory& history, const CellBlock& block, int row, int column) {
  qsizetype width = 0;
  for (const QStringList& cells : block) width = std::max(width, cells.size());
  const int left = table.FieldCount() - column;
  if (width > left) {
    throw std::runtime_error(tr("The block has %1 columns; from column %2 the grid has %3")
                                 .arg(width)
                                 .arg(QString::fromStdString(table.Field(column).DisplayName()))
                                 .arg(left)
                                 .toStdString());
  }
  int pasted = 0;
  for (const QStringList& cells : block) {
    try {
      PasteRow(table, history, cells, row + pasted, column);
    } catch (const std::exception& error) {
      throw std::runtime_error(
          tr("Rows pasted: %1; row %2 of the block: %3").arg(pasted).arg(pasted + 1).arg(error.what()).toStdString());
    }
    ++pasted;
  }
  return pasted;
}

void GridPaste::PasteRow(TTable& table, EditHistory& history, const QStringList& cells, int row, int column) {
  if (row < table.RecordCount()) {
    table.MoveTo(row);
    table.Edit();
  } else {
    table.Append();
  }
  history.Track();
  try {
    for (qsizetype i = 0; i < cells.size(); ++i) StoreCell(table.Field(column + static_cast<int>(i)), cells[i]);
    table.Post();
  } catch (...) {
    table.Cancel();
    throw;
  }
}

}  // namespace dravlik
