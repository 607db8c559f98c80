#include "user_dialogs.h"

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

QString MessageBoxDialogs::SaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                        const QString& filter) {
  return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

}  // namespace dravlik
