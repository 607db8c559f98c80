#include "window_test_support.h"

#include <QDir>
#include <QFile>

namespace dravlik::testing {

bool RecordingDialogs::Confirm(const QString& text) {
  confirmations.push_back(text);
  if (answers.empty()) {
    QTest::qFail("a confirmation was asked that the test did not expect", __FILE__, __LINE__);
    return false;
  }
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

SaveAnswer RecordingDialogs::AskSave(const QString&, const QString& text) {
  saveQuestions.push_back(text);
  if (saveAnswers.empty()) {
    QTest::qFail("a save question was asked that the test did not expect", __FILE__, __LINE__);
    return SaveAnswer::Stay;
  }
  const SaveAnswer answer = saveAnswers.front();
  saveAnswers.pop_front();
  return answer;
}

QString RecordingDialogs::SaveFileName(QWidget*, const QString&, const QString& suggested, const QString& filter,
                                       QString* selectedFilter) {
  suggestedFileNames.push_back(suggested);
  offeredFilters.push_back(filter);
  if (selectedFilter) {
    *selectedFilter = filter.section(QStringLiteral(";;"), 0, 0);
    if (!chosenFilters.empty()) *selectedFilter = chosenFilters.front(), chosenFilters.pop_front();
  }
  if (fileNames.empty()) {
    QTest::qFail("a file name was asked that the test did not expect", __FILE__, __LINE__);
    return QString();
  }
  QString name = fileNames.front();
  fileNames.pop_front();
  return name;
}

QString RecordingDialogs::ErrorTexts() const {
  QStringList texts;
  for (const ShownError& error : errors) texts << error.text;
  return texts.join(u'\n');
}

RecordingDialogs& InstallRecordingDialogs() {
  auto dialogs = std::make_unique<RecordingDialogs>();
  RecordingDialogs& result = *dialogs;
  TApplication::Instance()->SetDialogs(std::move(dialogs));
  return result;
}

void OverwriteField(const QString& path, int record, const QString& fieldName, char filler) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadWrite));
  const QByteArray header = file.read(32);
  const auto word = [&](int at) { return quint8(header[at]) | quint8(header[at + 1]) << 8; };
  const int headerSize = word(8);
  const int recordSize = word(10);
  int offset = 1;  // the deletion flag
  for (int at = 32; at + 32 <= headerSize; at += 32) {
    file.seek(at);
    const QByteArray descriptor = file.read(32);
    if (descriptor[0] == '\r') break;
    const int length = quint8(descriptor[16]);
    if (QString::fromLatin1(descriptor.left(11).constData()).compare(fieldName, Qt::CaseInsensitive) == 0) {
      file.seek(headerSize + qint64(record) * recordSize + offset);
      file.write(QByteArray(length, filler));
      return;
    }
    offset += length;
  }
  QFAIL("no such field");
}

}  // namespace dravlik::testing
