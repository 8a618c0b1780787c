#include "classic/macros.h"
#include "support/rowname.h"

#include <gtest/gtest.h>

namespace {

using vesk::classic::SourceLine;

struct Row
{
    const char *name;
    // Lines of M.MAR; a line "@NAME" starts file NAME at its line 1, as an included file would.
    const char *input;
    // "FILE:LINE|text" for each line produced.
    std::vector<std::string> lines;
    std::vector<std::string> errors;
};

QList<SourceLine> source(const char *text)
{
    QList<SourceLine> out;
    QString file = QStringLiteral("M.MAR");
    int line = 0;
    for (const QString &t : QString::fromUtf8(text).split(u'\n')) {
        if (t.startsWith(u'@')) {
            file = t.mid(1);
            line = 0;
            continue;
        }
        out << SourceLine{t, file, ++line};
    }
    return out;
}

class ExpandMacros : public testing::TestWithParam<Row>
{
};

TEST_P(ExpandMacros, ProducesLinesWithTheirOrigins)
{
    const Row &row = GetParam();
    const auto result = vesk::classic::expandMacros(source(row.input));
    std::vector<std::string> lines;
    for (const SourceLine &l : result.lines)
        lines.push_back(
            QStringLiteral("%1:%2|%3").arg(l.file).arg(l.line).arg(l.text).toStdString());
    std::vector<std::string> errors;
    for (const QString &e : result.errors)
        errors.push_back(e.toStdString());
    EXPECT_EQ(lines, row.lines);
    EXPECT_EQ(errors, row.errors);
}

const Row kRows[] = {
    {"PlainLinesPassThrough",
     "* comment \\&X\nSTART: MOV.B #1,R0L ; \\&X in a comment\n",
     {"M.MAR:1|* comment \\&X", "M.MAR:2|START: MOV.B #1,R0L ; \\&X in a comment", "M.MAR:3|"},
     {}},
    {"ParametersTakeArgumentsOrDefaults",
     " .MACRO LOAD R,V=H'10\n MOV.B #\\V,\\R ; \\R\n .ENDM\n LOAD R0L,5\n load R1L\n",
     {"M.MAR:2| MOV.B #5,R0L ; R0L", "M.MAR:2| MOV.B #H'10,R1L ; R1L", "M.MAR:6|"},
     {}},
    {"NameInLabelFieldAndParenthesisedArgument",
     "GET .MACRO SRC,DST\n MOV.W \\SRC,\\DST\n .ENDM\nTOP: GET @(2,ER1),R0\n",
     {"M.MAR:4|TOP:", "M.MAR:2| MOV.W @(2,ER1),R0", "M.MAR:5|"},
     {}},
    {"ExitmLeavesTheExpansion",
     " .MACRO TWO N\n NOP\n .AIF \\N EQ 1\n .EXITM\n .AENDI\n SLEEP\n .ENDM\n TWO 1\n TWO 2\n",
     {"M.MAR:2| NOP", "M.MAR:2| NOP", "M.MAR:6| SLEEP", "M.MAR:10|"},
     {}},
    {"NestedMacrosExpand",
     " .MACRO IN X\n ADD.B #\\X,R0L\n .ENDM\n .MACRO OUT Y\n IN \\Y\n IN \\Y+1\n .ENDM\n OUT 3\n",
     {"M.MAR:2| ADD.B #3,R0L", "M.MAR:2| ADD.B #3+1,R0L", "M.MAR:9|"},
     {}},
    {"RepeatBuildsATable",
     "N .ASSIGNA 0\n .AREPEAT 3\n .DATA.B \\&N*2\n .ASSIGNA N \\&N+1\n .AENDR\n",
     {"M.MAR:3| .DATA.B 0*2", "M.MAR:3| .DATA.B 1*2", "M.MAR:3| .DATA.B 2*2", "M.MAR:6|"},
     {}},
    {"NestedAifAndAelse",
     " .ASSIGNA A 2\n .AIF \\&A GT 1\n .AIF \\&A LT 2\n X1\n .AELSE\n X2\n .AENDI\n .AELSE\n X3\n "
     ".AENDI\n",
     {"M.MAR:6| X2", "M.MAR:11|"},
     {}},
    {"AwhileCountsDown",
     " .ASSIGNA K 2\n .AWHILE \\&K GE 1\n .DATA.W \\&K\n .ASSIGNA K \\&K-1\n .AENDW\n",
     {"M.MAR:3| .DATA.W 2", "M.MAR:3| .DATA.W 1", "M.MAR:6|"},
     {}},
    {"StringsCompare",
     " .ASSIGNC S \"AB\"\n .AIF \"\\&S\" EQ \"AB\"\n YES\n .AENDI\n .AIF \"\\&S\" NE \"AB\"\n NO\n "
     ".AENDI\n",
     {"M.MAR:3| YES", "M.MAR:8|"},
     {}},
    {"NumbersInEveryBase",
     " .AIF H'1F+D'10+B'0101+O'17 EQ 31+10+5+15\n .AIF -(2*3)/2 EQ -3\n OK\n .AENDI\n .AENDI\n",
     {"M.MAR:3| OK", "M.MAR:6|"},
     {}},
    {"LinesFromAnIncludedDefinitionNameIt",
     "@INC.MAR\n .MACRO BAD\n MOVX R0,R1\n .ENDM\n@M.MAR\n BAD\n",
     {"INC.MAR:2| MOVX R0,R1", "M.MAR:2|"},
     {}},
    {"UnterminatedBlocks",
     " .AREPEAT 2\n .AIF 1 EQ 1\n",
     {},
     {"M.MAR:1: .AREPEAT without .AENDR, expected .AENDR to end it"}},
    {"UnterminatedMacro",
     " .MACRO M\n NOP\n",
     {},
     {"M.MAR:1: .MACRO without .ENDM, expected .ENDM to end it"}},
    {"EndmWithoutMacro",
     " NOP\n .endm\n",
     {"M.MAR:1| NOP", "M.MAR:3|"},
     {"M.MAR:2: .ENDM without .MACRO, expected .MACRO before it"}},
    {"BadCondition",
     " .AIF 1 = 1\n X\n .AENDI\n",
     {"M.MAR:4|"},
     {"M.MAR:1: bad condition \"1 = 1\", expected two operands joined by EQ, NE, GT, LT, GE or "
      "LE"}},
    {"UnknownVariableInsideMacroNamesTheCall",
     " .MACRO M\n .DATA.B \\&NOPE\n .ENDM\n M\n",
     {"M.MAR:5|"},
     {"M.MAR:2: unknown preprocessor variable \\&NOPE, expected one set by .ASSIGNA or .ASSIGNC "
      "before this line (in macro M called at M.MAR:4)"}},
    {"RecursionIsBounded",
     " .MACRO R\n R\n .ENDM\n R\n",
     {"M.MAR:5|"},
     {"M.MAR:2: macro R nested more than 100 deep, expected a .AIF that ends the recursion (in "
      "macro R called at M.MAR:2)"}},
    {"EndlessAwhileStops",
     " .AWHILE 1 EQ 1\n .AENDW\n",
     {"M.MAR:3|"},
     {"M.MAR:1: .AWHILE repeated 65536 times, expected its condition to become false"}},
    {"TooManyArguments",
     " .MACRO ONE A\n .ENDM\n ONE 1,\"2,3\",4\n",
     {"M.MAR:4|"},
     {"M.MAR:3: 3 arguments to macro ONE, expected at most 1"}},
    {"ExitmOutsideAMacro",
     " .EXITM\n",
     {"M.MAR:2|"},
     {"M.MAR:1: .EXITM outside a macro, expected it inside .MACRO ... .ENDM"}},
    {"RepeatCountOutOfRange",
     " .AREPEAT 0-1\n X\n .AENDR\n",
     {"M.MAR:4|"},
     {"M.MAR:1: .AREPEAT count -1, expected 0 to 65536"}},
    {"StringsOnlyEqualOrNot",
     " .AIF \"A\" GT \"B\"\n .AENDI\n",
     {"M.MAR:3|"},
     {"M.MAR:1: bad condition \"\"A\" GT \"B\"\", expected two quoted strings joined by EQ or NE"}},
    {"DivisionByZero",
     " .ASSIGNA Z 4/(2-2)\n",
     {"M.MAR:2|"},
     {"M.MAR:1: division by zero in \"4/(2-2)\", expected a non-zero divisor"}},
    {"UnknownNumberBase",
     " .ASSIGNA Z X'12\n",
     {"M.MAR:2|"},
     {"M.MAR:1: bad expression \"X'12\", expected numbers joined by + - * /"}},
};

INSTANTIATE_TEST_SUITE_P(Classic, ExpandMacros, testing::ValuesIn(kRows), vesk::test::RowName());

} // namespace
