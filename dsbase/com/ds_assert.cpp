#include "dsbase/com/ds_assert.h"

#include <QFileInfo>

namespace lumicar {

void DSAssertFailed(const QString& text, const char* file, int line) {
  throw EDSAssertion(
      QStringLiteral("%1 (%2, %3 行)").arg(text, QFileInfo(QString::fromUtf8(file)).fileName()).arg(line));
}

}  // namespace lumicar
