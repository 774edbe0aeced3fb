#pragma once

#include <juce_core/juce_core.h>

// Every address the window links to, in one place: the maker's home page (the company link of the
// title), the product page (the product link), the user guide and the support page (the link row)
// and the presets page (the preset browser's "Downloads & Info").
namespace webLinks
{
inline constexpr const char* homePage = "https://tarnlight.example/";
inline constexpr const char* productPage = "https://tarnlight.example/kaleidra/";
inline constexpr const char* userGuidePage = "https://tarnlight.example/kaleidra/user-guide/";
inline constexpr const char* supportPage = "https://tarnlight.example/support/";
inline constexpr const char* presetsPage = "https://tarnlight.example/kaleidra/presets/";

// The user guide travels inside the plug-in's bundle as HTML, written there at build time from
// docs/user-guide.md: <bundle>/Contents/Resources/user-guide.html.
inline constexpr const char* userGuideFileName = "user-guide.html";

// The maker's domain name, as the company link's help text names it ("tarnlight.example").
juce::String companyDomain();

// Where the guide lies next to a plug-in binary inside its bundle
// (<bundle>/Contents/<architecture>/<binary> -> <bundle>/Contents/Resources/user-guide.html).
juce::File userGuideNextTo (const juce::File& pluginBinary);

// The guide installed with the running plug-in.
juce::File installedUserGuide();

// What the "User Guide" link opens: the installed guide as a file:// address, so that it works
// offline; the web page only when the file is missing (a damaged installation).
juce::URL userGuide();
} // namespace webLinks
