#include "deviceinfo.h"

#include <QFile>
#include <QSysInfo>

namespace {

// The first line of a small text file, trimmed; empty when it cannot be read.
QString firstLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readLine(256)).trimmed();
}

}  // namespace

DeviceInfo::DeviceInfo(const QString &dmiFolder)
{
    m_manufacturer = firstLine(dmiFolder + QStringLiteral("/sys_vendor"));
    m_productName = firstLine(dmiFolder + QStringLiteral("/product_name"));
    m_model = firstLine(dmiFolder + QStringLiteral("/product_version"));
    if (m_manufacturer.isEmpty())
        m_manufacturer = QSysInfo::productType();
    if (m_productName.isEmpty())
        m_productName = QSysInfo::prettyProductName();
    if (m_model.isEmpty())
        m_model = QSysInfo::currentCpuArchitecture();
}
