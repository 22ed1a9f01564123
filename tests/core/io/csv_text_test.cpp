// CSV for scripts and for spreadsheets: which locales write decimal commas, and the fields and numbers
// in each style.
#include "core/io/csv_text.h"

#include <gtest/gtest.h>

#include <string>

namespace seep {
namespace {

TEST(CsvText, LocalesWithADecimalComma) {
  for (const char* name :
       {"de_DE.UTF-8", "fr_FR", "fr_CA.utf8", "ja_JP.UTF-8", "en_US.UTF-8", "C", "POSIX", "C.UTF-8", "",
        "de_CH.UTF-8", "es_ES@euro", "es_MX.UTF-8", "pt_BR.UTF-8", "ru_RU.KOI8-R", "nl_BE", "it_CH"}) {
    const std::string locale = name;
    const bool comma = locale.starts_with("de_DE") || locale.starts_with("fr_") ||
                       locale.starts_with("es_ES") || locale.starts_with("pt_") ||
                       locale.starts_with("ru_") || locale.starts_with("nl_");
    EXPECT_EQ(DecimalCommaLocale(name), comma) << name;
  }
}

TEST(CsvText, FieldsAndNumbersInEachStyle) {
  struct Case {
    CsvStyle style;
    const char* expected;
  };
  const Case cases[] = {
      {CsvStyle{}, "S;1,\"a,b\",\"say \"\"hi\"\"\",-1.25,3e-07,"},
      {SpreadsheetCsv('.', '\0'), "\xEF\xBB\xBFS;1,\"a,b\",\"say \"\"hi\"\"\",-1.25,3e-07,"},
      {SpreadsheetCsv(',', '\0'), "\xEF\xBB\xBF\"S;1\";a,b;\"say \"\"hi\"\"\";-1,25;3e-07;"},
      {SpreadsheetCsv(',', ';'), "\xEF\xBB\xBF\"S;1\";a,b;\"say \"\"hi\"\"\";-1,25;3e-07;"},
      {SpreadsheetCsv('.', '\t'), "\xEF\xBB\xBFS;1\ta,b\t\"say \"\"hi\"\"\"\t-1.25\t3e-07\t"},
  };
  for (const Case& c : cases) {
    std::string out;
    StartCsv(out, c.style);
    for (const char* field : {"S;1", "a,b", "say \"hi\""}) {
      AppendCsvField(out, field, c.style);
      out += c.style.separator;
    }
    for (double v : {-1.25, 3e-7}) {
      AppendCsvNumber(out, v, c.style);
      out += c.style.separator;
    }
    EXPECT_EQ(out, c.expected);
  }
}

// The file column of a study: its heading on the header line, after the byte order mark, the file's
// name quoted in the style's way on every row.
TEST(CsvText, AFirstColumnLeadsEveryLine) {
  struct Case {
    std::string csv;
    CsvStyle style;
    const char* value;
    std::string expected;
  };
  const Case cases[] = {
      {"step,q\n1,0.5\n2,0.25\n", CsvStyle{}, "runs/a.res",
       "file,step,q\nruns/a.res,1,0.5\nruns/a.res,2,0.25\n"},
      {"step,q\n", CsvStyle{}, "a,b.res", "file,step,q\n"},
      {"step,q\n1,0.5\n", CsvStyle{}, "say \"a,b\".res", "file,step,q\n\"say \"\"a,b\"\".res\",1,0.5\n"},
      {"\xEF\xBB\xBFstep;q\n1;0,5\n", SpreadsheetCsv(',', ';'), "x;1.res",
       "\xEF\xBB\xBF"
       "file;step;q\n\"x;1.res\";1;0,5\n"},
      {"", CsvStyle{}, "a.res", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WithFirstColumn(c.csv, "file", c.value, c.style), c.expected) << c.csv;
}

}  // namespace
}  // namespace seep
