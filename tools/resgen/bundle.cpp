// The bundle being generated (see bundle.h): files and index entries added
// from several jobs, and the bundle written out, unchanged files left alone.
#include "bundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <cstdlib>

namespace resgen {

void Bundle::add(const std::string &path, Bytes data)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_files.emplace(path, std::move(data)).second) {
        std::fprintf(stderr, "resgen: %s is made twice\n", path.c_str());
        std::abort();
    }
}

const Bytes *Bundle::find(const std::string &path) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_files.find(path);
    return it == m_files.end() ? nullptr : &it->second;
}

std::vector<std::string> Bundle::paths() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> out;
    for (const auto &f : m_files)
        out.push_back(f.first);
    return out;
}

std::size_t Bundle::totalBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::size_t n = 0;
    for (const auto &f : m_files)
        n += f.second.size();
    return n;
}

void Bundle::addIndexEntry(const std::string &section, int order, const QJsonObject &entry)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_index[section].emplace(order, entry);
}

QByteArray Bundle::indexJson() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QJsonObject root;
    root.insert("version", 1);
    for (const auto &section : m_index) {
        QJsonArray entries;
        for (const auto &e : section.second)
            entries.append(e.second);
        root.insert(QString::fromStdString(section.first), entries);
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool writeIfChanged(const std::string &path, const Bytes &data)
{
    const QString qpath = QString::fromStdString(path);
    QFile existing(qpath);
    if (existing.exists() && existing.size() == static_cast<qint64>(data.size()) &&
        existing.open(QIODevice::ReadOnly)) {
        const QByteArray old = existing.readAll();
        existing.close();
        if (old.size() == static_cast<qsizetype>(data.size()) &&
            std::equal(data.begin(), data.end(), reinterpret_cast<const uint8_t *>(old.constData())))
            return true;
    }
    QDir().mkpath(QFileInfo(qpath).absolutePath());
    QFile out(qpath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(reinterpret_cast<const char *>(data.data()), static_cast<qint64>(data.size())) !=
            static_cast<qint64>(data.size())) {
        std::fprintf(stderr, "resgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool Bundle::writeTo(const std::string &dir, const std::string &qrcName) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QByteArray qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const auto &f : m_files) {
        if (!writeIfChanged(dir + "/" + f.first, f.second))
            return false;
        // Pictures are compressed already; only the tables and layout files
        // are worth compressing in the bundle.
        const bool picture = f.first.ends_with(".jpg") || f.first.ends_with(".png");
        qrc += "  <file";
        if (picture)
            qrc += " compression-algorithm=\"none\"";
        qrc += ">" + QByteArray::fromStdString(f.first) + "</file>\n";
    }
    qrc += "</qresource>\n</RCC>\n";
    return writeIfChanged(dir + "/" + qrcName, Bytes(qrc.begin(), qrc.end()));
}

}  // namespace resgen
