#include "loading/charset_prescan.hpp"

#include <gtest/gtest.h>
#include <string>

namespace {

// What the prescan finds in a page: the encoding and the label as written,
// or nothing ("" for both).
TEST(charset_prescan, finds_the_declaration_browsers_find)
{
    struct prescan_case {
        const char* what;
        std::string page;
        const char* encoding;
        const char* label;
    };
    const std::string long_head = "<head><title>t</title>" + std::string(3000, ' ')
        + "<link rel=stylesheet href=a.css>";
    const prescan_case cases[] = {
        {"meta charset", "<meta charset=\"koi8-r\">", "KOI8-R", "koi8-r"},
        {"unquoted, upper case", "<META CHARSET=KOI8-R>", "KOI8-R", "koi8-r"},
        {"single quotes, self-closing", "<meta charset='gbk'/>", "GBK", "gbk"},
        {"spaces around = and the label", "<meta charset = \" windows-1251 \">", "windows-1251",
         "windows-1251"},
        {"http-equiv",
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-2\">",
         "ISO-8859-2", "iso-8859-2"},
        {"content before http-equiv",
         "<meta content='text/html;charset=euc-jp' http-equiv=content-type>", "EUC-JP", "euc-jp"},
        {"quoted label in content",
         "<meta http-equiv=content-type content=\"text/html; charset = 'big5'\">", "Big5", "big5"},
        {"content without http-equiv", "<meta content=\"text/html; charset=gbk\">", "", ""},
        {"charset in a meta description", "<meta name=description content=\"charset=gbk\">", "",
         ""},
        {"http-equiv of another kind",
         "<meta http-equiv=refresh content=\"0; charset=gbk\">", "", ""},
        {"unclosed quote in content",
         "<meta http-equiv=content-type content=\"text/html; charset='gbk\">", "", ""},
        {"the first of a repeated attribute", "<meta charset=gbk charset=koi8-r>", "GBK", "gbk"},
        {"an unknown charset attribute outweighs content",
         "<meta charset=klingon http-equiv=content-type content=\"text/html; charset=gbk\">", "",
         ""},
        {"an unknown label is passed over", "<meta charset=klingon><meta charset=iso-8859-7>",
         "ISO-8859-7", "iso-8859-7"},
        {"a replacement label is passed over", "<meta charset=iso-2022-kr><meta charset=euc-kr>",
         "EUC-KR", "euc-kr"},
        {"UTF-16 means UTF-8", "<meta charset=utf-16le>", "UTF-8", "utf-16le"},
        {"x-user-defined means windows-1252", "<meta charset=x-user-defined>", "windows-1252",
         "x-user-defined"},
        {"empty label", "<meta charset=\"\">", "", ""},
        {"in a comment", "<!-- <meta charset=koi8-r> --><meta charset=gbk>", "GBK", "gbk"},
        {"after the shortest comment", "<!--><meta charset=gbk>", "GBK", "gbk"},
        {"in an unclosed comment", "<!-- <meta charset=gbk>", "", ""},
        {"in a script",
         "<script>document.write('<meta charset=\"koi8-r\">')</script><meta charset=euc-kr>",
         "EUC-KR", "euc-kr"},
        {"in a script whose end tag has upper case and spaces",
         "<script>'<meta charset=koi8-r>'</SCRIPT ><meta charset=euc-kr>", "EUC-KR", "euc-kr"},
        {"in a script that never ends", "<script>'<meta charset=koi8-r>'", "", ""},
        {"in a style, a title and a textarea",
         "<style>/*<meta charset=gbk>*/</style><title><meta charset=gbk></title>"
         "<textarea><meta charset=gbk></textarea><meta charset=big5>",
         "Big5", "big5"},
        {"</scripts> does not end a script",
         "<script>a</scripts><meta charset=gbk></script><meta charset=big5>", "Big5", "big5"},
        {"in another tag's attribute", "<a title=\"<meta charset=gbk>\">x</a>", "", ""},
        {"a > inside a quoted value", "<meta name=\"a>b\" charset=\"gbk\">", "GBK", "gbk"},
        {"not a meta element", "<metadata charset=gbk>", "", ""},
        {"after the head", long_head + "<meta charset=koi8-r></head>", "KOI8-R", "koi8-r"},
        {"after <body>", "<head></head><body><meta charset=gbk>", "", ""},
        {"after a <body> in upper case", "<BODY class=x><meta charset=gbk>", "", ""},
        {"XML declaration", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><p>", "windows-1252",
         "iso-8859-1"},
        {"XML declaration in single quotes", "<?xml version='1.0' encoding='koi8-r'?>", "KOI8-R",
         "koi8-r"},
        {"a meta before the XML declaration's",
         "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><meta charset=gbk>", "GBK", "gbk"},
        {"XML declaration not at the start", " <?xml version=\"1.0\" encoding=\"gbk\"?>", "", ""},
        {"XML declaration without encoding", "<?xml version=\"1.0\"?><p>", "", ""},
        {"a tag cut off at the end", "<meta charset=", "", ""},
        {"empty page", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto found = declared_encoding(c.page);
        EXPECT_EQ(found ? found->encoding->name : "", c.encoding);
        EXPECT_EQ(found ? found->label : "", c.label);
    }
}

}
