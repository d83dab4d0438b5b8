// What the machine says about itself: maker, product name and model from the
// firmware tables where they exist, otherwise from the operating system; the
// phone identities (IMEI, IMSI) are empty on a computer. Read once, only logged.
#pragma once

#include <QString>

class DeviceInfo
{
public:
    // `dmiFolder` holds the firmware's sys_vendor, product_name and
    // product_version files (a parameter so tests can give their own).
    explicit DeviceInfo(const QString &dmiFolder = QStringLiteral("/sys/class/dmi/id"));

    QString manufacturer() const { return m_manufacturer; }
    QString productName() const { return m_productName; }
    QString model() const { return m_model; }
    QString imei() const { return QString(); }
    QString imsi() const { return QString(); }

private:
    QString m_manufacturer;
    QString m_productName;
    QString m_model;
};
