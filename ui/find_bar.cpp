#include "find_bar.h"

#include <QApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>

#include "application.h"
#include "data_source.h"
#include "db_grid.h"
#include "table.h"

namespace dravlik {
namespace {

QToolButton* Button(const QString& text, const QString& tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolTip(tip);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

// Numbers as the grid shows them, or with a point.
std::optional<double> TypedNumber(const QString& text) {
  QString number = text.trimmed();
  number.replace(QLocale().decimalPoint(), QStringLiteral("."));
  return ParseFloat(number.toStdString(), '.');
}

// The find fields in the order the grid shows their columns, so that Tab
// walks them as the eye reads the grid.
std::vector<int> FieldsInColumnOrder(const TDBGrid& grid) {
  std::vector<int> fields = FindFields(grid.DataSource().DataSet());
  const QHeaderView& header = *grid.horizontalHeader();
  std::stable_sort(fields.begin(), fields.end(),
                   [&](int a, int b) { return header.visualIndex(a) < header.visualIndex(b); });
  return fields;
}

}  // namespace

FindBar::FindBar(TDBGrid& grid) : QFrame(&grid), grid_(grid) {
  setObjectName(QStringLiteral("FindBar"));
  setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  setAutoFillBackground(true);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(4, 2, 2, 2);
  layout->setSpacing(3);
  TTable& table = grid_.DataSource().DataSet();
  int column = 0;
  for (const int field : FieldsInColumnOrder(grid_)) {
    const QString title = QString::fromStdString(table.Field(field).DisplayName());
    auto* input = new QLineEdit(this);
    input->setObjectName(QStringLiteral("Find") + title);
    input->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    auto* label = new QLabel(title, this);
    label->setBuddy(input);
    layout->addWidget(label, 0, column++);
    layout->addWidget(input, 0, column++);
    inputs_.emplace_back(field, input);
  }
  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("FindMessage"));
  layout->addWidget(message_, 1, 0, 1, column - 2);
  auto* buttons = new QHBoxLayout;
  QToolButton* find = Button(tr("Find"), tr("First match (Enter)"), this);
  QToolButton* next = Button(tr("Next"), tr("Next match (F3)"), this);
  QToolButton* close = Button(QStringLiteral("×"), tr("Close (Esc)"), this);
  buttons->addWidget(find);
  buttons->addWidget(next);
  buttons->addWidget(close);
  layout->addLayout(buttons, 1, column - 2, 1, 2, Qt::AlignRight);
  connect(find, &QToolButton::clicked, this, [this] { FindFirst(); });
  connect(next, &QToolButton::clicked, this, [this] { FindNext(); });
  connect(close, &QToolButton::clicked, this, [this] { Close(); });
  connect(qApp, &QApplication::focusChanged, this, &FindBar::FocusChanged);
  grid_.viewport()->installEventFilter(this);
  hide();
}

QLineEdit* FindBar::Input(int field) const {
  for (const auto& [index, input] : inputs_) {
    if (index == field) return input;
  }
  return nullptr;
}

QString FindBar::Message() const { return message_->text(); }

void FindBar::Open() {
  Place();
  show();
  raise();
  if (!isAncestorOf(QApplication::focusWidget()) && !inputs_.empty()) {
    inputs_.front().second->setFocus(Qt::ShortcutFocusReason);
    inputs_.front().second->selectAll();
  }
}

void FindBar::Close() {
  const bool focused = isAncestorOf(QApplication::focusWidget());
  hide();
  if (focused) grid_.setFocus(Qt::ShortcutFocusReason);
}

void FindBar::FindFirst() { Find(0, tr("Not found.")); }

void FindBar::FindNext() { Find(grid_.DataSource().DataSet().CurrentRow() + 1, tr("No further match.")); }

void FindBar::Find(int from, const QString& miss) {
  ShowingErrors([&] {
    TTable& table = grid_.DataSource().DataSet();
    if (!table.Active()) {
      message_->setText(miss);
      return;
    }
    const std::optional<RowQuery> query = Query();
    if (!query) return;
    const std::optional<int> row = FindRow(table, *query, from);
    if (!row) {
      message_->setText(miss);
      return;
    }
    ShowRow(*row);
    message_->setText(tr("Row %1 of %2.").arg(QLocale().toString(*row + 1), QLocale().toString(table.RowCount())));
  });
}

void FindBar::ShowRow(int row) {
  QScrollBar& across = *grid_.horizontalScrollBar();
  const int columnsShown = across.value();
  grid_.GoToRow(row);
  // Centred above the bar, which covers the lowest rows; centring would move
  // the columns too, and the species column out of sight.
  const QModelIndex current = grid_.model()->index(row, std::max(grid_.Column(), 0));
  grid_.scrollTo(current, QAbstractItemView::PositionAtCenter);
  across.setValue(columnsShown);
  if (!grid_.viewport()->rect().intersects(grid_.visualRect(current))) grid_.scrollTo(current);
}

std::optional<RowQuery> FindBar::Query() {
  TTable& table = grid_.DataSource().DataSet();
  RowQuery query;
  for (const auto& [field, input] : inputs_) {
    const QString text = input->text().trimmed();
    if (text.isEmpty()) continue;
    if (table.Field(field).DataType() == ftString) {
      query.species = text.toUpper().toStdString();
      query.speciesField = field;
    } else if (const std::optional<double> number = TypedNumber(text)) {
      query.values.emplace_back(field, *number);
    } else {
      message_->setText(tr("%1 is not a number.").arg(text));
      return std::nullopt;
    }
  }
  if (query.Empty()) {
    message_->setText(tr("Type a species code or a value."));
    return std::nullopt;
  }
  return query;
}

void FindBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Close();
  } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    FindFirst();
  } else if (event->matches(QKeySequence::FindNext)) {
    FindNext();
  } else if (event->matches(QKeySequence::Find)) {
    Open();
  }
  // What the fields leave must not reach the grid, whose keys edit the table.
  event->accept();
}

bool FindBar::focusNextPrevChild(bool next) {
  const int count = static_cast<int>(inputs_.size());
  for (int i = 0; i < count; ++i) {
    if (!inputs_[i].second->hasFocus()) continue;
    QLineEdit* input = inputs_[(i + (next ? 1 : count - 1)) % count].second;
    input->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    input->selectAll();
    return true;
  }
  return false;
}

void FindBar::Place() {
  const QRect rows = grid_.viewport()->geometry();
  const int height = std::min(sizeHint().height(), rows.height());
  setGeometry(rows.left(), rows.bottom() + 1 - height, rows.width(), height);
}

// The bar outlives its grid's destructor, which deletes it with the other
// children: from then on its parent is no grid any more.
bool FindBar::GridAlive() const { return qobject_cast<const TDBGrid*>(parentWidget()) != nullptr; }

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && isVisible() && GridAlive() && watched == grid_.viewport()) Place();
  return QFrame::eventFilter(watched, event);
}

// The grid learns of the focus leaving through the bar, as it does when the
// focus leaves the grid itself.
void FindBar::FocusChanged(QWidget* old, QWidget* now) {
  if (!old || !now || !GridAlive() || !isAncestorOf(old) || now == &grid_ || grid_.isAncestorOf(now)) return;
  ShowingErrors([&] { grid_.FocusLeft(Qt::OtherFocusReason); });
}

}  // namespace dravlik
