#include "bundle.h"

#include <QFile>

namespace zeltanorvik {

bool bundleRegistered() { return QFile::exists(QString::fromLatin1(kBundleIndex)); }

}  // namespace zeltanorvik
