#include "grid_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>
#include <QMimeData>
#include <string>

#include "data_source.h"
#include "delimited_fields.h"
#include "table.h"

namespace dravlik {
namespace {

// The rows are built as UTF-8 and converted once; tens of thousands of small
// QStrings would take longer than reading the rows.
class TextBuilder {
 public:
  TextBuilder() : decimalPoint_(QLocale().decimalPoint().toStdString()) {}

  void BeginRow() {
    html_ += "<tr>";
    firstCell_ = true;
  }

  void EndRow() {
    tsv_ += '\n';
    html_ += "</tr>\n";
  }

  void Title(const std::string& text) { Cell("th", text); }

  void Value(const FieldValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) {
      Cell("td", *text);
    } else if (const auto* number = std::get_if<double>(&value)) {
      std::string shown = FormatFloat(*number);
      if (const auto point = shown.find('.'); point != std::string::npos) shown.replace(point, 1, decimalPoint_);
      Cell("td", shown);
    } else {
      Cell("td", {});
    }
  }

  CellsText Result() const {
    return {QString::fromStdString(tsv_),
            QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body><table>\n") +
                QString::fromStdString(html_) + QStringLiteral("</table></body></html>\n")};
  }

 private:
  void Cell(const char* tag, const std::string& text) {
    if (!firstCell_) tsv_ += '\t';
    firstCell_ = false;
    AppendField(tsv_, text, '\t');  // quoted where it would split the cell
    html_ += '<';
    html_ += tag;
    html_ += '>';
    AppendHtml(text);
    html_ += "</";
    html_ += tag;
    html_ += '>';
  }

  void AppendHtml(const std::string& text) {
    for (const char c : text) {
      switch (c) {
        case '&': html_ += "&amp;"; break;
        case '<': html_ += "&lt;"; break;
        case '>': html_ += "&gt;"; break;
        case '"': html_ += "&quot;"; break;
        default: html_ += c;
      }
    }
  }

  std::string decimalPoint_;
  std::string tsv_;
  std::string html_;
  bool firstCell_ = true;
};

}  // namespace

CellsText CellsAsText(TTable& table, const CellRange& range) {
  TextBuilder text;
  text.BeginRow();
  for (int column = range.left; column <= range.right; ++column) text.Title(table.Field(column).DisplayName());
  text.EndRow();
  for (int row = range.top; row <= range.bottom; ++row) {
    text.BeginRow();
    for (int column = range.left; column <= range.right; ++column) text.Value(table.RowValue(row, column));
    text.EndRow();
  }
  return text.Result();
}

std::unique_ptr<QMimeData> CellsAsMimeData(TTable& table, const CellRange& range) {
  const CellsText text = CellsAsText(table, range);
  auto data = std::make_unique<QMimeData>();
  data->setText(text.tabSeparated);
  data->setHtml(text.html);
  return data;
}

bool CopySelectedCells(TDBGrid& grid) {
  TTable& table = grid.DataSource().DataSet();
  const int row = table.CurrentRow();
  if (!table.Active() || row < 0 || table.FieldCount() == 0) return false;
  const CellRange range = grid.SelectedRange().value_or(CellRange{row, 0, row, table.FieldCount() - 1});
  QGuiApplication::clipboard()->setMimeData(CellsAsMimeData(table, range).release());
  return true;
}

}  // namespace dravlik
