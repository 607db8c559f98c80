// The text an error box shows for an error's message.
#pragma once

#include <QString>

namespace dravlik {

// The message with a full stop appended when it is not empty and its last
// character sorts after ".".
QString ErrorBoxText(const QString& message);

}  // namespace dravlik
