#include "table_check.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "blanks.h"
#include "number_text.h"
#include "table.h"
#include "table_file_reader.h"

namespace dravlik {
namespace {

using Row = std::vector<FieldValue>;

// A field whose stored text is no number, with that text as the engine quotes it.
struct Unreadable {
  int field;
  std::string text;
};

struct FileRow {
  int number = 0;  // from 0, in file order
  Row values;      // by the models' fields; empty where unreadable or not in the file
  std::vector<Unreadable> unreadable;
};

// The file row a row of the models was matched with.
struct Partner {
  int fileRow = -1;
  bool differs = false;
  bool reportedOutOfOrder = false;
  std::string editedKeys;  // the file row's keys, where it was matched by its place alone
};

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
  if (const auto* text = std::get_if<std::string>(&value)) return std::string(WithoutPadding(*text));
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

// The text quoted in the engine's message for a stored text that is no
// number ("Text: "12abc""), or "" where the message has none.
std::string StoredText(const std::string& message) {
  const std::string opening = "Text: \"";
  std::size_t start = message.find(opening);
  if (start == std::string::npos) return "";
  start += opening.size();
  const std::size_t end = message.find('"', start);
  return end == std::string::npos ? "" : message.substr(start, end - start);
}

class Comparison {
 public:
  Comparison(TableFileReader& file, const TTable& schema, const TableRows& models, const ReportLine& report)
      : file_(file), schema_(schema), models_(models), report_(report), partners_(models.size()) {
    for (int field = 0; field < schema.FieldCount(); ++field) {
      for (int column = 0; column < file.FieldCount(); ++column) {
        if (file.FieldName(column) == schema.Field(field).FieldName()) columns_.emplace_back(field, column);
      }
    }
    for (std::size_t row = 0; row < models.size(); ++row) modelWithKey_.emplace(KeyOf(models[row]), row);
  }

  TableCheckSummary Run() {
    summary_.rowsCompared = file_.RecordCount();
    while (file_.Next()) Take(ReadRow());
    Finish();
    return summary_;
  }

 private:
  enum class Decided { kInStream, kLate };

  int ModelCount() const { return static_cast<int>(models_.size()); }
  bool Taken(int model) const { return partners_[model].fileRow >= 0; }

  // Field by field, so that a stored text that is no number fails only its
  // own field.
  FileRow ReadRow() {
    FileRow row{file_.RecordNumber(), Row(static_cast<std::size_t>(schema_.FieldCount())), {}};
    for (const auto& [field, column] : columns_) {
      try {
        row.values[field] = file_.Value(column);
      } catch (const EDBEngineError& error) {
        if (error.Status() != DBFE_ERR_INVALID_FIELD_VALUE) throw;
        row.unreadable.push_back({field, std::string(WithoutBlanks(StoredText(error.what())))});
      }
    }
    return row;
  }

  // The matching of rows in their place first, then of rows elsewhere by key
  // (a row deleted, added or moved), then of a row whose key itself was
  // edited with the model's row in its place, as the rows come: a row whose
  // key belongs further down waits (as the claim on that model row) until the
  // file's row there shows whether it is in its place.
  void Take(FileRow row) {
    const int number = row.number;
    const bool inPlace = number < ModelCount() && SameKey(row.values, models_[number]);
    if (number < ModelCount()) SettleClaimOn(number, inPlace);
    if (inPlace) return Pair(row, number, Decided::kInStream);
    const auto found = modelWithKey_.find(KeyOf(row.values));
    if (found != modelWithKey_.end()) {
      const int model = static_cast<int>(found->second);
      if (!Taken(model) && !claims_.contains(model)) {
        if (model <= number) return Pair(row, model, Decided::kInStream);
        claims_.emplace(model, std::move(row));
        return;
      }
    }
    Undecided(std::move(row));
  }

  void SettleClaimOn(int model, bool inPlace) {
    const auto claim = claims_.find(model);
    if (claim == claims_.end()) return;
    FileRow row = std::move(claim->second);
    claims_.erase(claim);
    if (inPlace) return Undecided(std::move(row));
    Pair(row, model, Decided::kLate);
  }

  // Only the end tells whether the model row in its place is free.
  void Undecided(FileRow row) {
    if (row.number < ModelCount()) return undecided_.push_back(std::move(row));
    ReportExtra(row);
  }

  void Finish() {
    // Claims on rows of the models past the file's end: nothing stands there.
    std::vector<std::pair<int, FileRow>> claims(std::make_move_iterator(claims_.begin()),
                                                std::make_move_iterator(claims_.end()));
    claims_.clear();
    std::sort(claims.begin(), claims.end(),
              [](const auto& a, const auto& b) { return a.second.number < b.second.number; });
    for (const auto& [model, row] : claims) Pair(row, model, Decided::kLate);
    std::sort(undecided_.begin(), undecided_.end(),
              [](const FileRow& a, const FileRow& b) { return a.number < b.number; });
    for (const FileRow& row : undecided_) {
      if (Taken(row.number)) {
        ReportExtra(row);
        continue;
      }
      Pair(row, row.number, Decided::kLate);
      partners_[row.number].editedKeys = Keys(row);
    }
    undecided_.clear();
    ReportOutOfOrderFoundLate();
    for (int model = 0; model < ModelCount(); ++model) {
      if (Taken(model)) continue;
      report_(schema_.TableName() + ": missing row " + Keys(models_[model]) + ", row " + std::to_string(model + 1) +
              " of the models' table");
      ++summary_.rowsMissing;
    }
  }

  // Out of order: a row before it in the file has a later row of the models.
  // A row decided as it is read knows every row before it; the others are
  // looked at once all are decided.
  void Pair(const FileRow& row, int model, Decided decided) {
    Partner& partner = partners_[model];
    partner.fileRow = row.number;
    partner.differs = CompareFields(row, model);
    if (decided == Decided::kInStream && model < latestModel_) {
      ReportOutOfOrder(row.number, Keys(row), model);
      partner.differs = partner.reportedOutOfOrder = true;
    }
    latestModel_ = std::max(latestModel_, model);
    summary_.rowsDiffering += partner.differs;
  }

  void ReportOutOfOrderFoundLate() {
    std::vector<std::pair<int, int>> fileOrder;  // file row, model row
    for (int model = 0; model < ModelCount(); ++model) {
      if (Taken(model)) fileOrder.emplace_back(partners_[model].fileRow, model);
    }
    std::sort(fileOrder.begin(), fileOrder.end());
    int latest = -1;
    for (const auto& [fileRow, model] : fileOrder) {
      Partner& partner = partners_[model];
      if (model < latest && !partner.reportedOutOfOrder) {
        ReportOutOfOrder(fileRow, partner.editedKeys.empty() ? Keys(models_[model]) : partner.editedKeys, model);
        summary_.rowsDiffering += !partner.differs;
        partner.differs = partner.reportedOutOfOrder = true;
      }
      latest = std::max(latest, model);
    }
  }

  bool CompareFields(const FileRow& row, int modelRow) {
    bool differs = false;
    const Row& model = models_[modelRow];
    std::string keys;  // made for the first difference only: most rows have none
    for (const auto& [field, column] : columns_) {
      const std::string& name = schema_.Field(field).FieldName();
      const auto unreadable = std::find_if(row.unreadable.begin(), row.unreadable.end(),
                                           [field = field](const Unreadable& u) { return u.field == field; });
      std::string what;
      if (unreadable != row.unreadable.end()) {
        const std::string text = unreadable->text.empty() ? "" : " (\"" + unreadable->text + "\")";
        what = name + " is not a number in the file" + text + ", " + Text(model[field]) + " from the models";
      } else if (row.values[field] != model[field]) {
        what = name + " is " + Text(row.values[field]) + " in the file, " + Text(model[field]) + " from the models";
      } else {
        continue;
      }
      if (keys.empty()) keys = Keys(row);
      Report(row.number, keys, what);
      differs = true;
    }
    return differs;
  }

  // "(SM, BONITA 28, VEK 80)"; a key field that is no number as its text.
  std::string Keys(const Row& row, const std::vector<Unreadable>& unreadable = {}) const {
    const auto keyText = [&](int field) {
      for (const Unreadable& u : unreadable) {
        if (u.field == field) return u.text;
      }
      return KeyText(row[field]);
    };
    // Appended, not literal + string: g++ 12 at -O3 warns falsely (-Wrestrict) on that.
    std::string keys("(");
    keys.append(keyText(0));
    for (int field = 1; field < kKeyFields; ++field) {
      keys.append(", ").append(schema_.Field(field).FieldName()).append(" ").append(keyText(field));
    }
    return keys.append(")");
  }
  std::string Keys(const FileRow& row) const { return Keys(row.values, row.unreadable); }

  void ReportOutOfOrder(int fileRow, const std::string& keys, int model) {
    Report(fileRow, keys, "out of order: row " + std::to_string(model + 1) + " of the models' table");
  }

  void ReportExtra(const FileRow& row) {
    Report(row.number, Keys(row), "not in the models' table");
    ++summary_.rowsExtra;
  }

  void Report(int fileRow, const std::string& keys, const std::string& what) {
    report_(schema_.TableName() + ": row " + std::to_string(fileRow + 1) + " " + keys + ": " + what);
  }

  TableFileReader& file_;
  const TTable& schema_;
  const TableRows& models_;
  const ReportLine& report_;
  std::vector<std::pair<int, int>> columns_;  // the models' field, and the file table's
  std::unordered_map<std::string, std::size_t> modelWithKey_;  // the models give each key once
  std::vector<Partner> partners_;  // by model row
  // Rows held until later rows decide them: each stands before the models'
  // row count and holds a place of its own there, so they never outnumber it.
  std::unordered_map<int, FileRow> claims_;  // by the model row whose key they have
  std::vector<FileRow> undecided_;
  int latestModel_ = -1;
  TableCheckSummary summary_;
};

}  // namespace

TableCheckSummary CompareTables(TableFileReader& file, const TTable& schema, const TableRows& models,
                                const ReportLine& report) {
  return Comparison(file, schema, models, report).Run();
}

}  // namespace dravlik
