#include "application_title.h"

#include <QFileInfo>

namespace dravlik {

QString ApplicationTitle(const QString& executablePath) {
  QString name = QFileInfo(executablePath).fileName();
  name.truncate(name.indexOf(u'.') < 0 ? name.size() : name.indexOf(u'.'));
  if (name.isEmpty()) return name;
  return name.left(1) + name.mid(1).toLower();
}

}  // namespace dravlik
