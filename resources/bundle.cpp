// Keeps the bundle's object file in the link (see bundle.h).
#include "bundle.h"

#include <QFile>

namespace zeltanorvik {

bool bundleRegistered() { return QFile::exists(QString::fromLatin1(kBundleIndex)); }

}  // namespace zeltanorvik
