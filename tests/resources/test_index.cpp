// The bundle's index: every look, frame, layout, border, pattern,
// background and bubble with a name, and nothing named that is not there.
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <gtest/gtest.h>

#include "bundle.h"

using namespace bundletest;

namespace {

QJsonObject index()
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(readResource(":/index.json"), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return doc.object();
}

QSet<int> ids(const QJsonArray &a)
{
    QSet<int> out;
    for (const QJsonValue &v : a) {
        out.insert(v.toObject().value("id").toInt());
        EXPECT_FALSE(v.toObject().value("name").toString().isEmpty()) << v.toObject().value("id").toInt();
    }
    return out;
}

TEST(Index, LooksAndFramesByNumber)
{
    const QJsonObject idx = index();
    EXPECT_EQ(idx.value("version").toInt(), 1);
    QSet<int> looks;
    for (int id = 1018; id <= 1048; ++id)
        if (id != 1024 && id != 1025 && id != 1029 && id != 1036 && id != 1037)
            looks.insert(id);
    looks += QSet<int>{1101, 1102, 1104, 1500};
    ASSERT_EQ(looks.size(), 30);
    EXPECT_EQ(ids(idx.value("effects").toArray()), looks);
    QSet<int> frames, colourful;
    for (int id = 1701; id <= 1714; ++id)
        frames.insert(id);
    for (int id = 1500; id <= 1505; ++id)
        colourful.insert(id);
    EXPECT_EQ(ids(idx.value("frames").toArray()), frames);
    EXPECT_EQ(ids(idx.value("colorfulFrames").toArray()), colourful);
    for (const QJsonValue &v : idx.value("effects").toArray()) {
        const QJsonObject e = v.toObject();
        if (e.value("id").toInt() == 1026) {
            EXPECT_EQ(e.value("name").toString(), "Old photo");
        }
        if (e.value("id").toInt() == 1043) {
            EXPECT_EQ(e.value("name").toString(), "Snow");
        }
    }
    for (const QJsonValue &v : idx.value("frames").toArray())
        if (v.toObject().value("id").toInt() == 1714) {
            EXPECT_EQ(v.toObject().value("file").toString(), ":/ini/youpiao.qvrbk");
        }
}

// Every path the index gives exists, and every layout, border, pattern,
// background and bubble of the bundle is listed, so the interface can offer
// them all from the index alone.
TEST(Index, NamesExactlyWhatTheBundleHolds)
{
    const QJsonObject idx = index();
    QSet<QString> named;
    for (auto it = idx.begin(); it != idx.end(); ++it) {
        if (!it.value().isArray())
            continue;
        for (const QJsonValue &v : it.value().toArray()) {
            const QJsonObject e = v.toObject();
            for (const char *key : {"file", "mask", "picture", "table"})
                if (e.contains(key))
                    named.insert(e.value(key).toString());
            for (const QJsonValue &m : e.value("masks").toArray())
                named.insert(m.toString());
            if (!e.value("name").isUndefined()) {
                EXPECT_FALSE(e.value("name").toString().isEmpty()) << it.key().toStdString();
            }
        }
    }
    for (const QString &path : named)
        EXPECT_FALSE(readResource(path).isEmpty()) << path.toStdString() << " is in the index but not in the bundle";
    for (const char *folder : {":/ini", ":/puzzletemplate", ":/puzzlemodel", ":/puzzleframe", ":/puzzlegrain", ":/puzzlef",
                               ":/miximage", ":/bubble", ":/fontbg", ":/eb", ":/style", ":/colorful"})
        for (const QString &path : files(folder))
            EXPECT_TRUE(named.contains(path)) << path.toStdString() << " is missing from the index";
}

TEST(Index, LayoutCellsMatchTheirFiles)
{
    for (const QJsonValue &v : index().value("templateLayouts").toArray()) {
        const QJsonObject e = v.toObject();
        const QByteArray b = readResource(e.value("file").toString());
        const QJsonArray cells = e.value("cells").toArray();
        ASSERT_EQ(cells.size(), le32(b, 36)) << e.value("file").toString().toStdString();
        EXPECT_EQ(e.value("photos").toInt(), cells.size());
        for (int i = 0; i < cells.size(); ++i) {
            const QJsonArray c = cells[i].toArray();
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(c[k].toInt(), le32(b, 56 + i * 16 + k * 4));
        }
    }
}

}  // namespace
