#include "Commands.h"
#include "PluginHost.h"
#include "X11Support.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <iostream>
#include <thread>

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

    // The number of threads of this process, or -1 where the platform does not say.
    int countThreads()
    {
#if JUCE_LINUX
        return juce::File ("/proc/self/task").getNumberOfChildFiles (juce::File::findDirectories);
#else
        return -1;
#endif
    }

    // What a host does while its user opens and closes the plug-in's window: the audio thread keeps
    // processing and automating a parameter (changes the plug-in receives inside its process call),
    // and the window comes and goes on the message thread.
    class AutomatedPlayback
    {
    public:
        explicit AutomatedPlayback (juce::AudioPluginInstance& p)
            : plugin (p)
            , automated (findParameter (p, "2- N Segs"))
        {
            thread = std::thread ([this] { run(); });
        }

        ~AutomatedPlayback()
        {
            running = false;
            thread.join();
        }

        int blocks() const noexcept
        {
            return processed.load();
        }

    private:
        void run()
        {
            juce::AudioBuffer<float> buffer (
                juce::jmax (plugin.getTotalNumInputChannels(), plugin.getTotalNumOutputChannels()), 512);
            juce::MidiBuffer midi;
            juce::Random random (1);
            float value = 0.0f;

            while (running.load())
            {
                for (int c = 0; c < buffer.getNumChannels(); ++c)
                    for (int i = 0; i < buffer.getNumSamples(); ++i)
                        buffer.setSample (c, i, random.nextFloat() - 0.5f);

                if (automated != nullptr)
                {
                    value = value > 0.95f ? 0.0f : value + 0.05f;
                    automated->setValue (value);
                }

                plugin.processBlock (buffer, midi);
                ++processed;
                std::this_thread::sleep_for (std::chrono::milliseconds (2));
            }
        }

        juce::AudioPluginInstance& plugin;
        juce::AudioProcessorParameter* automated;
        std::atomic<bool> running{ true };
        std::atomic<int> processed{ 0 };
        std::thread thread;
    };

    // Opens and closes the editor `cycles` times while the audio thread runs. Returns false, with
    // a message, when threads were left behind.
    bool openAndCloseRepeatedly (juce::AudioPluginInstance& plugin, int cycles)
    {
        AutomatedPlayback playback (plugin);

        const auto cycle = [&plugin]
        {
            std::unique_ptr<juce::AudioProcessorEditor> editor (plugin.createEditorIfNeeded());

            if (editor == nullptr)
                return false;

            {
                EditorWindow window (editor.get());
                window.setVisible (true);
                pump (60);
                window.setVisible (false);
                window.clearContentComponent();
            }

            editor.reset();
            pump (40);
            return true;
        };

        // The first window starts what lives as long as the process (timers, font caches).
        if (!cycle())
            return false;

        const auto threadsBefore = countThreads();

        for (int i = 0; i < cycles; ++i)
            if (!cycle())
                return false;

        pump (200);
        const auto threadsAfter = countThreads();

        std::cout << "editor opened and closed " << cycles << " times while " << playback.blocks()
                  << " blocks were processed; threads " << threadsBefore << " -> " << threadsAfter
                  << std::endl;

        if (threadsAfter > threadsBefore)
        {
            std::cerr << "editor: threads were left behind by closed windows" << std::endl;
            return false;
        }

        return playback.blocks() > 0;
    }
} // namespace

int runEditor (const juce::StringArray& args)
{
    juce::StringArray positional;
    int waitMs = 1500;
    int cycles = 0;

    for (int i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--wait" && i + 1 < args.size())
            waitMs = juce::jmax (0, args[++i].getIntValue());
        else if (args[i] == "--cycles" && i + 1 < args.size())
            cycles = juce::jlimit (0, 1000, args[++i].getIntValue());
        else if (!args[i].startsWith ("--"))
            positional.add (args[i]);
        else
            return usageError ("editor: unexpected argument \"" + args[i] + "\"");
    }

    if (positional.size() != 2)
        return usageError ("editor: expected BUNDLE OUT.png [--wait MS] [--cycles N]");

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

    if (cycles > 0 && !openAndCloseRepeatedly (plugin, cycles))
        return failure ("editor: opening and closing the editor while processing failed");

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
