#include "user_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace dravlik {

void MessageBoxDialogs::ShowError(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void MessageBoxDialogs::ShowWarning(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

bool MessageBoxDialogs::Confirm(const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::Ok | QMessageBox::Cancel,
                  QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

SaveAnswer MessageBoxDialogs::AskSave(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                  QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::Save);
  // In the window's language even where the toolkit has no translation.
  box.button(QMessageBox::Save)->setText(QCoreApplication::translate("dravlik::MessageBoxDialogs", "&Save"));
  box.button(QMessageBox::Discard)->setText(QCoreApplication::translate("dravlik::MessageBoxDialogs", "&Discard"));
  box.button(QMessageBox::Cancel)->setText(QCoreApplication::translate("dravlik::MessageBoxDialogs", "&Stay"));
  switch (box.exec()) {
    case QMessageBox::Save:
      return SaveAnswer::Save;
    case QMessageBox::Discard:
      return SaveAnswer::Discard;
    default:
      return SaveAnswer::Stay;
  }
}

QString MessageBoxDialogs::SaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                        const QString& filter, QString* selectedFilter) {
  return QFileDialog::getSaveFileName(parent, caption, suggested, filter, selectedFilter);
}

}  // namespace dravlik
