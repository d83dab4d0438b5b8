// The collage screen and the text tool read what the bundle offers (layouts
// with their cells, borders, patterns, backgrounds, bubbles with their text
// areas) from qml/zeltanorvik/CollageCatalogue.js, because QML may not read
// ":/index.json" itself. This test keeps that file equal to what the bundle's
// index says; when the bundle changes it fails and writes the file as it
// should be to the artefact folder ("CollageCatalogue.js"), ready to copy.
#include "collagetest.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace collagetest;

namespace {

QString ints(const QJsonArray &a)
{
    QStringList parts;
    for (const QJsonValue &v : a)
        parts << QString::number(v.toInt());
    return QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
}

QString quoted(const QString &s)
{
    return QLatin1Char('"') + QString(s).replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""))
           + QLatin1Char('"');
}

// The catalogue as it must read for this index.
QString catalogueFor(const QJsonObject &index)
{
    QString out;
    out += QStringLiteral(
        "// What the resource bundle offers to the collage screen and the text tool,\n"
        "// as its index lists it. Made by the collage tests (tst_catalogue) from\n"
        "// \":/index.json\"; do not edit by hand: when the bundle changes, that test\n"
        "// fails and writes the new file to the build's collage-artefacts folder.\n"
        ".pragma library\n\n");

    out += QStringLiteral("// Template layouts: file, photo count, cells (x, y, w, h) on the 640 x 896 canvas.\n"
                          "var templateLayouts = [\n");
    for (const QJsonValue &v : index.value(QStringLiteral("templateLayouts")).toArray()) {
        const QJsonObject e = v.toObject();
        QStringList cells;
        for (const QJsonValue &c : e.value(QStringLiteral("cells")).toArray())
            cells << ints(c.toArray());
        out += QStringLiteral("    { file: %1, photos: %2, cells: [%3] },\n")
                   .arg(quoted(e.value(QStringLiteral("file")).toString()))
                   .arg(e.value(QStringLiteral("photos")).toInt())
                   .arg(cells.join(QStringLiteral(", ")));
    }
    out += QStringLiteral("];\n\n");

    out += QStringLiteral("// Free layouts: file, photo count, cells (x, y, w, h, lowest tilt).\n"
                          "var freeLayouts = [\n");
    for (const QJsonValue &v : index.value(QStringLiteral("freeLayouts")).toArray()) {
        const QJsonObject e = v.toObject();
        QStringList cells;
        for (const QJsonValue &c : e.value(QStringLiteral("cells")).toArray()) {
            QJsonArray r = c.toObject().value(QStringLiteral("rect")).toArray();
            r.append(c.toObject().value(QStringLiteral("tilt")).toArray().at(0));
            cells << ints(r);
        }
        out += QStringLiteral("    { file: %1, photos: %2, cells: [%3] },\n")
                   .arg(quoted(e.value(QStringLiteral("file")).toString()))
                   .arg(e.value(QStringLiteral("photos")).toInt())
                   .arg(cells.join(QStringLiteral(", ")));
    }
    out += QStringLiteral("];\n\n");

    const struct {
        const char *section;
        const char *name;
    } plain[] = {{"borders", "borders"}, {"patterns", "patterns"}, {"freeBackgrounds", "backgrounds"}};
    for (const auto &p : plain) {
        out += QStringLiteral("var %1 = [\n").arg(QLatin1String(p.name));
        for (const QJsonValue &v : index.value(QLatin1String(p.section)).toArray()) {
            const QJsonObject e = v.toObject();
            out += QStringLiteral("    { file: %1, name: %2 },\n")
                       .arg(quoted(e.value(QStringLiteral("file")).toString()),
                            quoted(e.value(QStringLiteral("name")).toString()));
        }
        out += QStringLiteral("];\n\n");
    }

    out += QStringLiteral("// Bubbles: the bubble file, its plain picture, the picture's size, the text\n"
                          "// area (x, y, w, h) in picture pixels and the text colour it is made for.\n"
                          "var bubbles = [\n");
    for (const QJsonValue &v : index.value(QStringLiteral("bubbles")).toArray()) {
        const QJsonObject e = v.toObject();
        out += QStringLiteral("    { file: %1, picture: %2, name: %3, size: %4, textRect: %5, textColor: %6 },\n")
                   .arg(quoted(e.value(QStringLiteral("file")).toString()),
                        quoted(e.value(QStringLiteral("picture")).toString()),
                        quoted(e.value(QStringLiteral("name")).toString()),
                        ints(e.value(QStringLiteral("size")).toArray()),
                        ints(e.value(QStringLiteral("textRect")).toArray()),
                        quoted(e.value(QStringLiteral("textColor")).toString()));
    }
    out += QStringLiteral("];\n");
    return out;
}

}  // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT

private slots:
    void catalogueMatchesTheBundle()
    {
        QFile indexFile(QStringLiteral(":/index.json"));
        QVERIFY(indexFile.open(QIODevice::ReadOnly));
        const QJsonObject index = QJsonDocument::fromJson(indexFile.readAll()).object();
        QVERIFY(!index.isEmpty());
        const QString expected = catalogueFor(index);

        QFile catalogue(QStringLiteral(ZN_SOURCE_DIR "/qml/zeltanorvik/CollageCatalogue.js"));
        const QString actual = catalogue.open(QIODevice::ReadOnly) ? QString::fromUtf8(catalogue.readAll()) : QString();
        if (actual != expected) {
            QFile out(artefactPath(QStringLiteral("CollageCatalogue.js")));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(expected.toUtf8());
            QFAIL(qPrintable(QStringLiteral("qml/zeltanorvik/CollageCatalogue.js differs from the bundle's index; "
                                            "the file it should be is in %1")
                                 .arg(out.fileName())));
        }
    }

    void everyFileTheCatalogueNamesIsInTheBundle()
    {
        QFile indexFile(QStringLiteral(":/index.json"));
        QVERIFY(indexFile.open(QIODevice::ReadOnly));
        const QJsonObject index = QJsonDocument::fromJson(indexFile.readAll()).object();
        for (const char *section : {"templateLayouts", "freeLayouts", "borders", "patterns", "freeBackgrounds", "bubbles"}) {
            const QJsonArray entries = index.value(QLatin1String(section)).toArray();
            QVERIFY2(!entries.isEmpty(), section);
            for (const QJsonValue &v : entries) {
                for (const char *key : {"file", "picture"}) {
                    const QString file = v.toObject().value(QLatin1String(key)).toString();
                    if (!file.isEmpty())
                        QVERIFY2(QFile::exists(file), qPrintable(file));
                }
            }
        }
        // Two to nine photos, template and free alike.
        for (const char *section : {"templateLayouts", "freeLayouts"}) {
            QSet<int> counts;
            for (const QJsonValue &v : index.value(QLatin1String(section)).toArray())
                counts.insert(v.toObject().value(QStringLiteral("photos")).toInt());
            QCOMPARE(counts, (QSet<int>{2, 3, 4, 5, 6, 7, 8, 9}));
        }
    }
};

ZN_COLLAGE_TEST_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
