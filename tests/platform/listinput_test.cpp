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
                    ListCase{"TrailingComma", "a,\r\n", {"a", ""}},
                    ListCase{"QuoteRunsToTheNextQuote", "\"a\r\nb\"c,d", {"a\r\nb", "d"}}),
    vesk::test::RowName());

// As the settings file reads: a quote that is not closed on its own line does not reach past
// it, unless the item's closing quote comes later.
class LineBoundQuotes : public testing::TestWithParam<ListCase>
{
};

TEST_P(LineBoundQuotes, Items)
{
    ListReader reader(GetParam().text);
    reader.setDoubledQuotes(true);
    reader.setLineBoundQuotes(true);
    QStringList got;
    while (!reader.atEnd())
        got << reader.next();
    EXPECT_EQ(got, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineBoundQuotes,
    testing::Values(
        ListCase{"ClosedOnItsLine", "\"x, y\"junk,z\r\n", {"x, y", "z"}},
        ListCase{"UnclosedEndsWithItsLine", "\"C:\\W\\\r\nFFDF50\r\n", {"C:\\W\\", "FFDF50"}},
        ListCase{"UnclosedKeepsTheCommasOfItsLine", "\"a,b\r\nc\r\n", {"a,b", "c"}},
        ListCase{"UnclosedOnTheLastLine", "a\r\n\"b", {"a", "b"}},
        ListCase{"UnclosedBeforeAQuotedItem", "\"a\r\n1\r\n\"b,c\"\r\n", {"a", "1", "b,c"}},
        ListCase{"UnclosedBeforeAQuoteInsideALine", "\"a\r\nb\"c\r\n", {"a", "b\"c"}},
        ListCase{"AcrossLinesWhenClosed", "\"a\r\nb\"\r\nc\r\n", {"a\r\nb", "c"}},
        ListCase{"AcrossLinesClosedBeforeBlanks", "\"a\nb\"  ,c", {"a\nb", "c"}},
        ListCase{"AcrossLinesWithDoubledQuotes", "\"a\"\"\r\nb\"\r\n", {"a\"\r\nb"}}),
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
