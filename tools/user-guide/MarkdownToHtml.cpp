#include "MarkdownToHtml.h"

#include <cctype>
#include <vector>

namespace markdown
{
namespace
{
    bool isBlank (const std::string& s)
    {
        for (const auto c : s)
            if (!std::isspace ((unsigned char) c))
                return false;

        return true;
    }

    std::string trim (const std::string& s)
    {
        size_t begin = 0, end = s.size();

        while (begin < end && std::isspace ((unsigned char) s[begin]))
            ++begin;

        while (end > begin && std::isspace ((unsigned char) s[end - 1]))
            --end;

        return s.substr (begin, end - begin);
    }

    bool startsWith (const std::string& s, const std::string& prefix)
    {
        return s.compare (0, prefix.size(), prefix) == 0;
    }

    std::vector<std::string> splitLines (const std::string& text)
    {
        std::vector<std::string> lines;
        std::string line;

        for (const auto c : text)
        {
            if (c == '\n')
            {
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();

                lines.push_back (line);
                line.clear();
            }
            else
            {
                line += c;
            }
        }

        if (!line.empty())
            lines.push_back (line);

        return lines;
    }

    // 1 to 6 for "# " to "###### ", else 0.
    int headingLevel (const std::string& line)
    {
        int level = 0;

        while (level < (int) line.size() && line[(size_t) level] == '#')
            ++level;

        if (level < 1 || level > 6 || level >= (int) line.size() || line[(size_t) level] != ' ')
            return 0;

        return level;
    }

    bool isFence (const std::string& line)
    {
        return startsWith (trim (line), "```");
    }

    bool isTableRow (const std::string& line)
    {
        return startsWith (trim (line), "|");
    }

    // A list item: "- ", "* " or "<digits>. " at the start of the line (at most three blanks in).
    bool isListItem (const std::string& line, bool& ordered, std::string& content)
    {
        size_t i = 0;

        while (i < line.size() && i < 3 && line[i] == ' ')
            ++i;

        if (i + 1 < line.size() && (line[i] == '-' || line[i] == '*') && line[i + 1] == ' ')
        {
            ordered = false;
            content = trim (line.substr (i + 2));
            return true;
        }

        auto digits = i;

        while (digits < line.size() && std::isdigit ((unsigned char) line[digits]))
            ++digits;

        if (digits > i && digits + 1 < line.size() && line[digits] == '.' && line[digits + 1] == ' ')
        {
            ordered = true;
            content = trim (line.substr (digits + 2));
            return true;
        }

        return false;
    }

    // The cells of a table row; "\|" is a "|" inside a cell, and a "|" inside `code` does not
    // split either.
    std::vector<std::string> splitCells (const std::string& row)
    {
        auto text = trim (row);

        if (startsWith (text, "|"))
            text.erase (0, 1);

        if (!text.empty() && text.back() == '|' && (text.size() < 2 || text[text.size() - 2] != '\\'))
            text.pop_back();

        std::vector<std::string> cells;
        std::string cell;
        bool inCode = false;

        for (size_t i = 0; i < text.size(); ++i)
        {
            const auto c = text[i];

            if (c == '\\' && i + 1 < text.size() && text[i + 1] == '|')
            {
                cell += '|';
                ++i;
            }
            else if (c == '`')
            {
                inCode = !inCode;
                cell += c;
            }
            else if (c == '|' && !inCode)
            {
                cells.push_back (trim (cell));
                cell.clear();
            }
            else
            {
                cell += c;
            }
        }

        cells.push_back (trim (cell));
        return cells;
    }

    bool isDelimiterRow (const std::string& line)
    {
        if (!isTableRow (line))
            return false;

        for (const auto& cell : splitCells (line))
        {
            if (cell.find ('-') == std::string::npos)
                return false;

            for (const auto c : cell)
                if (c != '-' && c != ':' && c != ' ')
                    return false;
        }

        return true;
    }

    std::string slug (const std::string& text)
    {
        std::string id;

        for (const auto c : text)
        {
            if (std::isalnum ((unsigned char) c))
                id += (char) std::tolower ((unsigned char) c);
            else if ((c == ' ' || c == '-') && !id.empty() && id.back() != '-')
                id += '-';
        }

        while (!id.empty() && id.back() == '-')
            id.pop_back();

        return id.empty() ? "section" : id;
    }

    bool isPunctuation (char c)
    {
        return std::ispunct ((unsigned char) c) != 0;
    }

    std::string inlineHtml (const std::string& text);

    // Text between two equal markers starting at `from` (just after the opening one), or npos.
    size_t findClosing (const std::string& text, size_t from, const std::string& marker)
    {
        for (auto i = text.find (marker, from); i != std::string::npos; i = text.find (marker, i + 1))
        {
            // An emphasis must not end right after a blank ("a * b * c" stays text).
            if (i > from && !std::isspace ((unsigned char) text[i - 1]))
                return i;
        }

        return std::string::npos;
    }

    std::string inlineHtml (const std::string& text)
    {
        std::string html;

        for (size_t i = 0; i < text.size();)
        {
            const auto c = text[i];

            if (c == '\\' && i + 1 < text.size() && isPunctuation (text[i + 1]))
            {
                html += escape (std::string (1, text[i + 1]));
                i += 2;
                continue;
            }

            if (c == '`')
            {
                const auto end = text.find ('`', i + 1);

                if (end != std::string::npos)
                {
                    html += "<code>" + escape (text.substr (i + 1, end - i - 1)) + "</code>";
                    i = end + 1;
                    continue;
                }
            }

            if (startsWith (text.substr (i), "**") && i + 2 < text.size() &&
                !std::isspace ((unsigned char) text[i + 2]))
            {
                const auto end = findClosing (text, i + 2, "**");

                if (end != std::string::npos)
                {
                    html += "<strong>" + inlineHtml (text.substr (i + 2, end - i - 2)) + "</strong>";
                    i = end + 2;
                    continue;
                }
            }

            if (c == '*' && i + 1 < text.size() && !std::isspace ((unsigned char) text[i + 1]) &&
                text[i + 1] != '*')
            {
                const auto end = findClosing (text, i + 1, "*");

                if (end != std::string::npos)
                {
                    html += "<em>" + inlineHtml (text.substr (i + 1, end - i - 1)) + "</em>";
                    i = end + 1;
                    continue;
                }
            }

            if (c == '[')
            {
                const auto close = text.find ("](", i + 1);
                const auto end = close == std::string::npos ? close : text.find (')', close + 2);

                if (end != std::string::npos)
                {
                    const auto label = text.substr (i + 1, close - i - 1);
                    const auto address = trim (text.substr (close + 2, end - close - 2));
                    html += "<a href=\"" + escape (address) + "\">" + inlineHtml (label) + "</a>";
                    i = end + 1;
                    continue;
                }
            }

            html += escape (std::string (1, c));
            ++i;
        }

        return html;
    }

    // Text of a heading without its markup, for the page title.
    std::string plainText (const std::string& text)
    {
        std::string plain;

        for (const auto c : text)
            if (c != '*' && c != '`')
                plain += c;

        return plain;
    }
} // namespace

std::string escape (const std::string& text)
{
    std::string result;
    result.reserve (text.size());

    for (const auto c : text)
    {
        switch (c)
        {
            case '&':
                result += "&amp;";
                break;
            case '<':
                result += "&lt;";
                break;
            case '>':
                result += "&gt;";
                break;
            case '"':
                result += "&quot;";
                break;
            case '\'':
                result += "&#39;";
                break;
            default:
                result += c;
                break;
        }
    }

    return result;
}

std::string toHtmlBody (const std::string& markdownText)
{
    const auto lines = splitLines (markdownText);
    std::string html;

    const auto startsBlock = [&] (size_t index)
    {
        const auto& line = lines[index];
        bool ordered = false;
        std::string content;
        return headingLevel (line) > 0 || isFence (line) || isListItem (line, ordered, content) ||
               (isTableRow (line) && index + 1 < lines.size() && isDelimiterRow (lines[index + 1]));
    };

    for (size_t i = 0; i < lines.size();)
    {
        const auto& line = lines[i];

        if (isBlank (line))
        {
            ++i;
            continue;
        }

        if (const auto level = headingLevel (line))
        {
            const auto text = trim (line.substr ((size_t) level + 1));
            const auto tag = "h" + std::to_string (level);
            html += "<" + tag + " id=\"" + slug (plainText (text)) + "\">" + inlineHtml (text) + "</" + tag +
                    ">\n";
            ++i;
            continue;
        }

        if (isFence (line))
        {
            std::string code;

            for (++i; i < lines.size() && !isFence (lines[i]); ++i)
                code += lines[i] + "\n";

            ++i; // the closing fence (or the end)
            html += "<pre><code>" + escape (code) + "</code></pre>\n";
            continue;
        }

        if (isTableRow (line) && i + 1 < lines.size() && isDelimiterRow (lines[i + 1]))
        {
            html += "<table>\n<thead><tr>";

            for (const auto& cell : splitCells (line))
                html += "<th>" + inlineHtml (cell) + "</th>";

            html += "</tr></thead>\n<tbody>\n";

            for (i += 2; i < lines.size() && isTableRow (lines[i]); ++i)
            {
                html += "<tr>";

                for (const auto& cell : splitCells (lines[i]))
                    html += "<td>" + inlineHtml (cell) + "</td>";

                html += "</tr>\n";
            }

            html += "</tbody>\n</table>\n";
            continue;
        }

        bool ordered = false;
        std::string content;

        if (isListItem (line, ordered, content))
        {
            const auto tag = ordered ? "ol" : "ul";
            html += std::string ("<") + tag + ">\n";

            while (i < lines.size())
            {
                bool itemOrdered = false;
                std::string itemText;

                if (!isListItem (lines[i], itemOrdered, itemText) || itemOrdered != ordered)
                    break;

                // Following lines that start nothing new continue the item.
                for (++i; i < lines.size() && !isBlank (lines[i]) && !startsBlock (i); ++i)
                    itemText += "\n" + trim (lines[i]);

                html += "<li>" + inlineHtml (itemText) + "</li>\n";
            }

            html += std::string ("</") + tag + ">\n";
            continue;
        }

        std::string paragraph = trim (line);

        for (++i; i < lines.size() && !isBlank (lines[i]) && !startsBlock (i); ++i)
            paragraph += "\n" + trim (lines[i]);

        html += "<p>" + inlineHtml (paragraph) + "</p>\n";
    }

    return html;
}

std::string toHtmlPage (const std::string& markdownText)
{
    std::string title = "Kaleidra";

    for (const auto& line : splitLines (markdownText))
    {
        if (const auto level = headingLevel (line))
        {
            title = plainText (trim (line.substr ((size_t) level + 1)));
            break;
        }
    }

    return "<!DOCTYPE html>\n"
           "<html lang=\"en\">\n"
           "<head>\n"
           "<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<title>" +
           escape (title) +
           "</title>\n"
           "<style>\n"
           "body { margin: 0; background: #f5f5f5; color: #222; font: 16px/1.5 sans-serif; }\n"
           "main { max-width: 46em; margin: 0 auto; padding: 1em 1.5em 3em; }\n"
           "h1, h2, h3 { color: #8710dc; line-height: 1.2; }\n"
           "h1 { border-bottom: 4px solid #9acd32; padding-bottom: 0.2em; }\n"
           "table { border-collapse: collapse; margin: 1em 0; }\n"
           "th, td { border: 1px solid #737373; padding: 0.3em 0.6em; text-align: left; vertical-align: top; "
           "}\n"
           "th { background: #737373; color: #f5f5f5; }\n"
           "code { background: #e4e4e4; padding: 0 0.2em; }\n"
           "pre code { display: block; padding: 0.6em; overflow-x: auto; }\n"
           "</style>\n"
           "</head>\n"
           "<body>\n"
           "<main>\n" +
           toHtmlBody (markdownText) +
           "</main>\n"
           "</body>\n"
           "</html>\n";
}
} // namespace markdown
