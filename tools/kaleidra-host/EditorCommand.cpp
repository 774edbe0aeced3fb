#include "Commands.h"
#include "PluginHost.h"
#include "X11Support.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

namespace kaleidra_host
{
namespace
{
    // A plain top-level window that holds the editor at its own size.
    class EditorWindow : public juce::DocumentWindow
    {
    public:
        explicit EditorWindow (juce::AudioProcessorEditor* editor)
            : juce::DocumentWindow ("kaleidra-host", juce::Colours::black, 0, true)
        {
            setUsingNativeTitleBar (true);
            setContentNonOwned (editor, true);
            setTopLeftPosition (40, 40);
        }

        void closeButtonPressed() override {}
    };

    void pump (int milliseconds)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;

        while (juce::Time::getMillisecondCounter() < end)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    }
} // namespace

int runEditor (const juce::StringArray& args)
{
    juce::StringArray positional;
    int waitMs = 1500;

    for (int i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--wait" && i + 1 < args.size())
            waitMs = juce::jmax (0, args[++i].getIntValue());
        else if (!args[i].startsWith ("--"))
            positional.add (args[i]);
        else
            return usageError ("editor: unexpected argument \"" + args[i] + "\"");
    }

    if (positional.size() != 2)
        return usageError ("editor: expected BUNDLE OUT.png [--wait MS]");

    const auto bundle = absoluteFile (positional[0]);
    const auto outFile = absoluteFile (positional[1]);

    if (!x11::prepareDisplay())
        return failure ("editor: no display (set DISPLAY or run under xvfb-run)");

    juce::String error;
    auto loaded = loadPlugin (bundle, 48000, 512, error);

    if (loaded.instance == nullptr)
        return failure ("editor: " + error);

    auto& plugin = *loaded.instance;
    preparePlugin (plugin, 48000, 512);

    std::unique_ptr<juce::AudioProcessorEditor> editor (plugin.createEditorIfNeeded());

    if (editor == nullptr)
        return failure ("editor: the plug-in has no editor");

    juce::Image shot;
    {
        EditorWindow window (editor.get());
        window.setVisible (true);
        pump (waitMs);

        const auto bounds = window.getContentComponent()->getScreenBounds();
        shot = x11::captureScreenArea (bounds);

        if (!shot.isValid())
            shot = window.getContentComponent()->createComponentSnapshot (
                window.getContentComponent()->getLocalBounds());

        window.setVisible (false);
        window.clearContentComponent();
    }

    editor.reset();
    plugin.releaseResources();
    loaded.instance.reset();
    x11::restoreErrorHandler();

    if (!shot.isValid())
        return failure ("editor: no picture of the editor could be taken");

    outFile.getParentDirectory().createDirectory();
    outFile.deleteFile();
    juce::FileOutputStream stream (outFile);
    juce::PNGImageFormat png;

    if (!stream.openedOk() || !png.writeImageToStream (shot, stream))
        return failure ("editor: cannot write " + outFile.getFullPathName());

    std::cout << "editor " << shot.getWidth() << " x " << shot.getHeight() << " saved to "
              << outFile.getFullPathName() << std::endl;
    return 0;
}
} // namespace kaleidra_host
