// kaleidra-guide-html IN.md OUT.html: writes the HTML page of a Markdown document (the user guide,
// which travels inside the plug-in's bundle). Creates the output's folder when needed.

#include "MarkdownToHtml.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

int main (int argc, char* argv[])
{
    if (argc != 3)
    {
        std::cerr << "usage: kaleidra-guide-html IN.md OUT.html\n";
        return 2;
    }

    std::ifstream in (argv[1], std::ios::binary);

    if (!in)
    {
        std::cerr << "kaleidra-guide-html: cannot read " << argv[1] << "\n";
        return 1;
    }

    std::stringstream text;
    text << in.rdbuf();

    const std::filesystem::path out (argv[2]);
    std::error_code error;

    if (out.has_parent_path())
        std::filesystem::create_directories (out.parent_path(), error);

    // Written next to the target first, so that a failed run never leaves half a page behind.
    auto temporary = out;
    temporary += ".tmp";

    {
        std::ofstream file (temporary, std::ios::binary | std::ios::trunc);
        file << markdown::toHtmlPage (text.str());

        if (!file.flush())
        {
            std::cerr << "kaleidra-guide-html: cannot write " << argv[2] << "\n";
            return 1;
        }
    }

    std::filesystem::rename (temporary, out, error);

    if (error)
    {
        std::cerr << "kaleidra-guide-html: cannot write " << argv[2] << ": " << error.message() << "\n";
        std::filesystem::remove (temporary, error);
        return 1;
    }

    return 0;
}
