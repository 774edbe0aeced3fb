// The converter that turns docs/user-guide.md into the HTML page inside the bundle.

#include "MarkdownToHtml.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace
{
TEST (UserGuideHtml, TheBlocksTheGuideUses)
{
    const struct
    {
        const char* name;
        const char* markdown;
        const char* html;
    } cases[] = {
        { "heading with anchor", "## The window\n", "<h2 id=\"the-window\">The window</h2>\n" },
        { "paragraph over two lines", "one\ntwo\n\nthree\n", "<p>one\ntwo</p>\n<p>three</p>\n" },
        { "list", "- a\n- b `c`\n", "<ul>\n<li>a</li>\n<li>b <code>c</code></li>\n</ul>\n" },
        { "numbered list", "1. a\n2. b\n", "<ol>\n<li>a</li>\n<li>b</li>\n</ol>\n" },
        { "table", "| Keys | Action |\n|---|---|\n| `ctrl+z` | Undo. |\n",
          "<table>\n<thead><tr><th>Keys</th><th>Action</th></tr></thead>\n<tbody>\n"
          "<tr><td><code>ctrl+z</code></td><td>Undo.</td></tr>\n</tbody>\n</table>\n" },
        { "strong and link", "**Mode** [page](https://tarnlight.example/)\n",
          "<p><strong>Mode</strong> <a href=\"https://tarnlight.example/\">page</a></p>\n" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (markdown::toHtmlBody (c.markdown), c.html) << c.name;
}

TEST (UserGuideHtml, TextNeverBecomesMarkup)
{
    const auto html = markdown::toHtmlBody ("<script>alert('x')</script> & \"q\"\n\n"
                                            "[x](\"><script>)\n\n```\n<b>\n```\n");
    EXPECT_EQ (html.find ("<script"), std::string::npos) << html;
    EXPECT_EQ (html.find ("<b>"), std::string::npos) << html;
    EXPECT_NE (html.find ("&lt;script&gt;"), std::string::npos) << html;
    EXPECT_NE (html.find ("&amp;"), std::string::npos) << html;
}

TEST (UserGuideHtml, TheGuideBecomesOnePageWithItsSections)
{
    std::ifstream in (KALEIDRA_USER_GUIDE_SOURCE, std::ios::binary);
    ASSERT_TRUE (in.good());
    std::stringstream text;
    text << in.rdbuf();

    const auto page = markdown::toHtmlPage (text.str());
    EXPECT_EQ (page.rfind ("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE (page.find ("<title>Kaleidra user guide</title>"), std::string::npos);

    // What the guide has to tell: the controls, the shortcuts, the preset folders, the packs.
    for (const auto* expected :
         { "N Segs", "Seg Size", "Seg Mix", "Tone", "ctrl+shift+z", "ctrl+s", "ctrl+r",
           "Where user presets live", "Windows", "Linux", "Preset packs", ".kd11_pack" })
        EXPECT_NE (page.find (expected), std::string::npos) << expected;
}
} // namespace
