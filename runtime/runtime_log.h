#pragma once
// The runtime's log category, and the text of the exception being handled
// for the guards that catch everything and must still say what they caught.

#include <QLoggingCategory>
#include <QString>

namespace lumicar {

Q_DECLARE_LOGGING_CATEGORY(lcRuntime)

// Inside a catch block: the message of the exception being handled (a
// library exception's message, a standard exception's what()), or a fixed
// text for anything else. Outside a catch block: an empty string.
QString CurrentExceptionText();

}  // namespace lumicar
