// The translation files: both languages carry every text of the interface, and
// every Polish entry is translated.
#include <QFile>
#include <QSet>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

struct Entry {
    QString context, source, comment, translation;
    bool unfinished = false;
};

std::vector<Entry> ReadTs(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QXmlStreamReader xml(&file);
    std::vector<Entry> entries;
    QString context;
    Entry current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == u"name") {
            context = xml.readElementText();
        } else if (name == u"message") {
            current = Entry{context, {}, {}, {}, false};
        } else if (name == u"source") {
            current.source = xml.readElementText();
        } else if (name == u"comment") {
            current.comment = xml.readElementText();
        } else if (name == u"translation") {
            current.unfinished =
                xml.attributes().value(QStringLiteral("type")) == QStringLiteral("unfinished");
            current.translation = xml.readElementText();
            entries.push_back(current);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return entries;
}

QSet<QString> Keys(const std::vector<Entry>& entries)
{
    QSet<QString> keys;
    for (const Entry& e : entries)
        keys << e.context + u'|' + e.source + u'|' + e.comment;
    return keys;
}

} // namespace

TEST(Translations, BothLanguagesCarryEveryTextAndPolishIsComplete)
{
    const auto english = ReadTs(QStringLiteral(KV_TS_DIR "/kvvidiridoved_en.ts"));
    const auto polish = ReadTs(QStringLiteral(KV_TS_DIR "/kvvidiridoved_pl.ts"));
    ASSERT_GT(polish.size(), 60u);
    EXPECT_EQ(Keys(english), Keys(polish));
    for (const Entry& e : polish) {
        EXPECT_FALSE(e.unfinished) << e.source.toStdString();
        EXPECT_FALSE(e.translation.isEmpty()) << e.source.toStdString();
        // A prompt keeps its status-bar part and tooltip part apart the same way.
        if (e.translation.contains(u'\n')) {
            EXPECT_TRUE(e.source.contains(u'\n')) << e.source.toStdString();
        }
    }
}
