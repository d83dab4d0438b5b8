// The bundle being generated: every data file by its path inside the bundle,
// and the entries of the bundle's index. Jobs run on several threads and add
// to one Bundle, so both are guarded; the order of the finished bundle never
// depends on the order in which jobs finish.
#pragma once

#include <QJsonObject>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "formats/bytewriter.h"

namespace resgen {

class Bundle {
public:
    // Adds a file, for example add("style/qvrk_lomo4.jpg", bytes). Adding the
    // same path twice is a generator fault and stops the program.
    void add(const std::string &path, Bytes data);
    // The bytes of a file added before, or null.
    const Bytes *find(const std::string &path) const;
    std::vector<std::string> paths() const;  // sorted
    std::size_t totalBytes() const;

    // One entry of the index: section is the index's key ("effects",
    // "frames", ...), order places it inside the section.
    void addIndexEntry(const std::string &section, int order, const QJsonObject &entry);
    // The whole index as JSON, sections in key order, entries by order.
    QByteArray indexJson() const;

    // Writes every file under dir (folders created as needed), leaving files
    // whose bytes are already right untouched, and the resource list that
    // names them. Returns false, with a message on stderr, on any failure.
    bool writeTo(const std::string &dir, const std::string &qrcName) const;

private:
    mutable std::mutex m_mutex;
    std::map<std::string, Bytes> m_files;
    std::map<std::string, std::multimap<int, QJsonObject>> m_index;
};

// Writes data to path unless the file already holds exactly those bytes.
bool writeIfChanged(const std::string &path, const Bytes &data);

}  // namespace resgen
