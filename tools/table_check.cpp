#include "table_check.h"

#include <map>
#include <string>
#include <vector>

#include "number_text.h"
#include "table.h"

namespace dravlik {
namespace {

constexpr int kKeyFields = 3;

using Row = std::vector<FieldValue>;

std::string Text(const FieldValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return "\"" + *text + "\"";
  if (const auto* number = std::get_if<double>(&value)) {
    std::string digits;
    AppendNumber(digits, *number, false);
    return digits;
  }
  return "empty";
}

// A key as people read it: a code without the padding the file gives it.
std::string KeyText(const FieldValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return text->substr(0, text->find_last_not_of(' ') + 1);
  return Text(value);
}

bool SameKey(const Row& a, const Row& b) {
  for (int field = 0; field < kKeyFields; ++field) {
    if (a[field] == b[field]) continue;
    if (!std::holds_alternative<std::string>(a[field]) || KeyText(a[field]) != KeyText(b[field])) return false;
  }
  return true;
}

std::string KeyOf(const Row& row) {
  std::string key;
  for (int field = 0; field < kKeyFields; ++field) key += KeyText(row[field]) + '\x1F';
  return key;
}

class Comparison {
 public:
  Comparison(const TTable& table, const TableRows& file, const TableRows& models, std::ostream& out)
      : table_(table), fileRows_(file), modelRows_(models), out_(out) {}

  TableCheckSummary Run() {
    summary_.rowsCompared = static_cast<int>(fileRows_.size());
    std::vector<int> partner(fileRows_.size(), -1);
    std::vector<bool> matched(modelRows_.size(), false);
    Match(partner, matched);
    int latest = -1;
    for (std::size_t row = 0; row < fileRows_.size(); ++row) {
      if (partner[row] < 0) {
        Report(row, "not in the models' table");
        ++summary_.rowsExtra;
      } else {
        CompareRow(row, partner[row], latest);
      }
    }
    for (std::size_t row = 0; row < modelRows_.size(); ++row) {
      if (matched[row]) continue;
      out_ << table_.TableName() << ": missing row " << Keys(modelRows_[row]) << ", row " << row + 1
           << " of the models' table\n";
      ++summary_.rowsMissing;
    }
    return summary_;
  }

 private:
  // Rows in their place first, then rows elsewhere by key (a row deleted,
  // added or moved), then a row whose key itself was edited with the model's
  // row in its place.
  void Match(std::vector<int>& partner, std::vector<bool>& matched) const {
    const auto pair = [&](std::size_t row, std::size_t modelRow) {
      partner[row] = static_cast<int>(modelRow);
      matched[modelRow] = true;
    };
    for (std::size_t row = 0; row < fileRows_.size() && row < modelRows_.size(); ++row) {
      if (SameKey(fileRows_[row], modelRows_[row])) pair(row, row);
    }
    std::map<std::string, std::size_t> elsewhere;
    for (std::size_t row = 0; row < modelRows_.size(); ++row) {
      if (!matched[row]) elsewhere.emplace(KeyOf(modelRows_[row]), row);
    }
    for (std::size_t row = 0; row < fileRows_.size(); ++row) {
      if (partner[row] >= 0) continue;
      const auto found = elsewhere.find(KeyOf(fileRows_[row]));
      if (found == elsewhere.end() || matched[found->second]) continue;
      pair(row, found->second);
    }
    for (std::size_t row = 0; row < fileRows_.size() && row < modelRows_.size(); ++row) {
      if (partner[row] < 0 && !matched[row]) pair(row, row);
    }
  }

  void CompareRow(std::size_t row, int modelRow, int& latest) {
    bool differs = false;
    const Row& model = modelRows_[modelRow];
    for (std::size_t field = 0; field < model.size(); ++field) {
      if (fileRows_[row][field] == model[field]) continue;
      Report(row, table_.Field(static_cast<int>(field)).FieldName() + " is " + Text(fileRows_[row][field]) +
                      " in the file, " + Text(model[field]) + " from the models");
      differs = true;
    }
    if (modelRow < latest) {
      Report(row, "out of order: row " + std::to_string(modelRow + 1) + " of the models' table");
      differs = true;
    }
    latest = std::max(latest, modelRow);
    summary_.rowsDiffering += differs;
  }

  // "(SM, BONITA 28, VEK 80)"
  std::string Keys(const Row& row) const {
    // Appended, not literal + string: g++ 12 at -O3 warns falsely (-Wrestrict) on that.
    std::string keys("(");
    keys.append(KeyText(row[0]));
    for (int field = 1; field < kKeyFields; ++field) {
      keys.append(", ").append(table_.Field(field).FieldName()).append(" ").append(KeyText(row[field]));
    }
    return keys.append(")");
  }

  void Report(std::size_t row, const std::string& what) {
    out_ << table_.TableName() << ": row " << row + 1 << " " << Keys(fileRows_[row]) << ": " << what << "\n";
  }

  const TTable& table_;
  const TableRows& fileRows_;
  const TableRows& modelRows_;
  std::ostream& out_;
  TableCheckSummary summary_;
};

}  // namespace

TableRows ReadTableRows(TTable& table) {
  TableRows rows(static_cast<std::size_t>(table.RecordCount()));
  for (int row = 0; row < table.RecordCount(); ++row) {
    rows[row].reserve(static_cast<std::size_t>(table.FieldCount()));
    for (int field = 0; field < table.FieldCount(); ++field) rows[row].push_back(table.RowValue(row, field));
  }
  return rows;
}

TableCheckSummary CompareTables(const TTable& table, const TableRows& file, const TableRows& models,
                                std::ostream& out) {
  return Comparison(table, file, models, out).Run();
}

}  // namespace dravlik
