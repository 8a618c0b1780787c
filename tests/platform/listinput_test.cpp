#include "platform/listinput.h"
#include "support/rowname.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace vesk;

static QStringList items(const QString &text)
{
    ListReader reader(text);
    QStringList out;
    while (!reader.atEnd())
        out << reader.next();
    return out;
}

struct ListCase
{
    const char *name;
    QString text;
    QStringList expected;
};

class ListInput : public testing::TestWithParam<ListCase>
{
};

TEST_P(ListInput, Items)
{
    EXPECT_EQ(items(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListInput,
    testing::Values(ListCase{"Empty", "", {}},
                    ListCase{"CommaSplits", "abc,def\r\n", {"abc", "def"}},
                    ListCase{"NoFinalLineEnd", "abc,def", {"abc", "def"}},
                    ListCase{"LfAlone", "a\nb\n", {"a", "b"}},
                    ListCase{"LeadingBlanksSkipped", "  a,\t b\r\n", {"a", "b"}},
                    ListCase{"TrailingBlanksKept", "a  ,b", {"a  ", "b"}},
                    ListCase{"QuotedKeepsCommas", "\"x, y\",z\r\n", {"x, y", "z"}},
                    ListCase{"AfterClosingQuoteDropped", "\"q\"junk,z", {"q", "z"}},
                    ListCase{"EmptyLine", "a\r\n\r\nb\r\n", {"a", "", "b"}},
                    ListCase{"TrailingComma", "a,\r\n", {"a", ""}}),
    vesk::test::RowName());

TEST(DecodeText, Utf8ElseShiftJis)
{
    EXPECT_EQ(decodeText(QString("エラー").toUtf8()), "エラー");
    // "エラー" in Shift_JIS.
    EXPECT_EQ(decodeText(QByteArray("\x83\x47\x83\x89\x81\x5b")), "エラー");
}

TEST(ListInput, DoubledQuotesOnlyWhenAsked)
{
    ListReader plain("\"a\"\"b\",c");
    EXPECT_EQ(plain.next(), "a");
    ListReader doubled("\"a\"\"b\",c");
    doubled.setDoubledQuotes(true);
    EXPECT_EQ(doubled.next(), "a\"b");
    EXPECT_EQ(doubled.next(), "c");
}
