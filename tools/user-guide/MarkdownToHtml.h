#pragma once

#include <string>

// The small part of Markdown that the project's documents use, turned into HTML:
//   - "#" to "######" headings (each gets an id made from its text, for links within the page);
//   - paragraphs (lines up to a blank line);
//   - lists: "- " or "* " items, or numbered "1. " items; indented lines continue an item;
//   - tables: a header row of "|"-separated cells, a "|---|---|" row, then body rows;
//   - fenced code blocks between lines of three backquotes;
//   - within text: `code`, **strong**, *emphasis* and [links](address).
// Everything else is text; "&", "<", ">" and quotes are always escaped, so no input can inject
// markup of its own.
namespace markdown
{
// The HTML of the document's body.
std::string toHtmlBody (const std::string& markdownText);

// A whole page: the body inside a minimal document with its title (the first heading's text) and
// a small style sheet.
std::string toHtmlPage (const std::string& markdownText);

// "&", "<", ">", '"' and "'" as entities.
std::string escape (const std::string& text);
} // namespace markdown
